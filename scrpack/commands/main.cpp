// scrpack: builds a packaged screen saver installer from the installer stub
// and the files of one screen saver, and lists, verifies and extracts what
// a package holds.
#include <cstdio>
#include <cstring>
#include <string>

#include "package/installed_names.h"
#include "scrpack/commands/check_commands.h"
#include "scrpack/commands/command_line.h"
#include "scrpack/commands/help_texts.h"
#include "scrpack/system/system.h"

// --help prints the whole text on stdout; a usage error prints the problem
// and the command forms on stderr.
static int Usage(const char *problem)
{
    if (!problem) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    const char *formsEnd = std::strstr(kUsage, "\n\n") + 1;
    std::string forms(kUsage, formsEnd);
    std::fprintf(stderr, "scrpack: %s\n%sRun \"scrpack --help\" for the options.\n", problem, forms.c_str());
    return 2;
}

// "list", "verify" and "extract": the package, and for extract the folder.
// Returns -1 when argv names none of them.
static int RunReadingCommand(int argc, char **argv)
{
    if (argc < 2)
        return -1;
    std::string command = argv[1];
    int operands = command == "extract" ? 2 : command == "list" || command == "verify" ? 1 : 0;
    if (operands == 0)
        return -1;
    for (int i = 2; i < argc; i++) {
        if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0)
            return std::fputs(CommandHelp(command), stdout) < 0;
        if (argv[i][0] == '-' && argv[i][1] != '\0')
            return Usage(("\"scrpack " + command + "\" has no option " + argv[i]).c_str());
    }
    if (argc != 2 + operands)
        return Usage(command == "extract" ? "\"scrpack extract\" takes a package and a folder"
                                         : ("\"scrpack " + command + "\" takes one package").c_str());
    if (command == "list")
        return ListCommand(argv[2], stdout, stderr);
    if (command == "verify")
        return VerifyCommand(argv[2]);
    return ExtractCommand(argv[2], argv[3]);
}

// "scrpack help [COMMAND]": the whole help, or one command's.
static int HelpCommand(int argc, char **argv)
{
    if (argc == 2)
        return Usage(nullptr);
    const char *text = CommandHelp(argv[2]);
    if (argc > 3 || !text)
        return Usage(argc > 3 ? "\"scrpack help\" takes one command"
                              : ("\"scrpack help\" knows build, list, verify and extract, not \"" +
                                 std::string(argv[2]) + "\"").c_str());
    return std::fputs(text, stdout) < 0;
}

int main(int argc, char **argv)
{
    PrepareStandardStreams();
    if (argc >= 2 && std::strcmp(argv[1], "help") == 0)
        return HelpCommand(argc, argv);
    // A missing or misspelt command word; a file may come first in the
    // form without one.
    if (argc < 2)
        return Usage("no command given");
    if (argv[1][0] != '-' && std::strcmp(argv[1], "build") != 0 && !PathExists(argv[1]) &&
        std::strcmp(argv[1], "list") != 0 && std::strcmp(argv[1], "verify") != 0 &&
        std::strcmp(argv[1], "extract") != 0)
        return Usage(("unknown command \"" + std::string(argv[1]) + "\"").c_str());
    // "build", "list", "verify" and "extract" name the command; without
    // one the files follow the options.
    int status = RunReadingCommand(argc, argv);
    if (status >= 0)
        return status;
    bool build = argc > 1 && std::strcmp(argv[1], "build") == 0;
    Options options;
    std::string problem = build ? ParseOptions(argc - 1, argv + 1, true, &options)
                                : ParseOptions(argc, argv, false, &options);
    if (problem.empty() && options.help)
        return build ? std::fputs(CommandHelp("build"), stdout) < 0 : Usage(nullptr);
    // SCRPACK_VERSION comes from the project's version in CMake.
    if (problem.empty() && options.version)
        return std::printf("scrpack (Glimmerkit) %s\n", SCRPACK_VERSION) < 0;
    if (problem.empty())
        problem = CheckOptions(options, build);
    if (!problem.empty())
        return Usage(problem.c_str());
    if (!options.list.empty())
        return ListCommand(options.list, stdout, stderr);
    ResolveFiles(build, &options);
    status = BuildCommand(options, &problem);
    return status == 2 ? Usage(problem.c_str()) : status;
}
