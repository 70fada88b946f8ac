// scrpack: builds a packaged screen saver installer from the installer stub
// and the files of one screen saver, and lists, verifies and extracts what
// a package holds.
#include <cstdio>
#include <cstring>
#include <string>

#include "package/installed_names.h"
#include "scrpack/check_commands.h"
#include "scrpack/command_line.h"
#include "scrpack/system_layer.h"

static const char kUsage[] =
    "Usage: scrpack build --name NAME --saver SCREENSAVER.SCR --data DATAFILE\n"
    "                     [--media FILE[:TAIL[:PREFIX]]]... -o PACKAGE.EXE [options]\n"
    "       scrpack --name NAME -o PACKAGE.EXE [options]\n"
    "               SCREENSAVER.SCR DATAFILE UNINSTALLER.EXE [DATA-FILE...]\n"
    "       scrpack list PACKAGE.EXE      (or: scrpack --list PACKAGE.EXE)\n"
    "       scrpack verify PACKAGE.EXE\n"
    "       scrpack extract PACKAGE.EXE DIR\n"
    "\n"
    "Builds a self-installing package: the installer stub followed by the\n"
    "manifest and the files, in install order.  The screen saver is installed\n"
    "into the Windows directory as NAME.scr, the data file as NAME.dat and the\n"
    "uninstaller as " TEXT_UNINSTALLER_NAME " into the data folder; each further data file\n"
    "gets a generated name there: PREFIX, serial number, TAIL.  TAIL defaults\n"
    "to the file's extension in capitals, PREFIX to --prefix; a TAIL includes\n"
    "its dot (:.WAV gives FILE0001.WAV, :WAV gives FILE0001WAV).  The data file\n"
    "is the screen saver's own: what it reads when it runs (its settings,\n"
    "pictures, texts), whatever its format.  Every file is compressed unless\n"
    "that would not make it smaller, or it is to be stored.\n"
    "\n"
    "Before it writes, build checks: the output must be none of the input\n"
    "files (however named), nor read-only, and its folder must exist; the\n"
    "screen saver must be a Windows program.  It warns (and goes on) of a\n"
    "screen saver that is no GUI program, is 64-bit or lacks its description\n"
    "(string resource 1), of media types Windows does not play out of the\n"
    "box (.ogg, .flac, .mp4 ...), of a tail without a dot, of a file given\n"
    "twice and of an output not ending in .exe.  The package carries a PE\n"
    "checksum over the whole file, and a CRC-32 that the installer checks\n"
    "before it does anything.\n"
    "\n"
    "Example:\n"
    "  scrpack build --name \"Paper Lanterns\" --saver Lanterns.scr \\\n"
    "      --data Lanterns.dat --media night.wav --media tune.mid:.MID \\\n"
    "      --license licence.txt -o LanternsSetup.exe\n"
    "\n"
    "\"list\" prints the manifest; \"verify\" checks the CRC-32 and the PE\n"
    "checksum over the whole file, expands every block and reports per file whether it gives\n"
    "its full size from its own bytes; \"extract\" checks the same and writes\n"
    "every file into DIR under the name the installer gives it.  Both fail on\n"
    "a damaged package, and extract then writes nothing.  \"list\" and \"verify\"\n"
    "say whether the package is signed, and warn of bytes after the last\n"
    "block that are not a certificate table.\n"
    "\n"
    "options:\n"
    "  --stub FILE          installer stub (default: the one installed with\n"
    "                       scrpack, in ../share/glimmerkit/ from scrpack's\n"
    "                       folder, or else beside scrpack)\n"
    "  --uninstaller FILE   uninstaller to carry (\"build\"; default: the one\n"
    "                       installed with scrpack, found the same way)\n"
    "  --name NAME          display name of the screen saver (UTF-8); at most\n"
    "                       90 characters, so that every installed path fits\n"
    "  -o, --output FILE    package to write (replaced only on success)\n"
    "  --license FILE       licence text the user must accept (UTF-8);\n"
    "                       --licence is the same\n"
    "  --first-number N     serial number of the first data file (default 1)\n"
    "  --prefix P           name prefix of data files: FILE (default), JUKE, JUK_\n"
    "  --store              store every file as it is, without compression\n"
    "  --store-file FILE    store this one file (any of the files above, as\n"
    "                       given or by another path to it); may be repeated\n"
    "  --level L            compression: best (default, smallest) or fast\n"
    "                       (greedy: about twice as fast, blocks up to 12 % larger)\n"
    "  --jobs N             compress N files at a time (default: one per\n"
    "                       processor); the package is the same for any N\n"
    "  --text-as-is         take name and licence bytes unchanged (already in\n"
    "                       the target's ANSI code page, CR LF line ends)\n"
    "  --sign-cert FILE     sign the package (Authenticode) with this\n"
    "                       certificate (PEM or DER; intermediates after it)\n"
    "  --sign-key FILE      and this private key (PEM or DER); signing runs\n"
    "                       osslsigncode, which must be on PATH\n"
    "  --sign-pass-file FILE\n"
    "                       the key's pass phrase (its first line); without\n"
    "                       it, a key that has one is asked for on the terminal\n"
    "  --timestamp-url URL  have the signature time-stamped by this RFC 3161\n"
    "                       service, so that it outlives the certificate\n"
    "  --dry-run            run every check, compress and print the size\n"
    "                       table, but write (and sign) nothing\n"
    "  -h, --help           show this text\n"
    "  --version            show scrpack's version\n"
    "\n"
    "On a terminal a progress bar shows on stderr; build ends with a table of\n"
    "the files' sizes.  Exit status: 0 done, 1 failed or damaged, 2 usage.\n"
    "\n"
    "Texts are converted from UTF-8 to Windows-1252, and the licence's line\n"
    "ends to CR LF, unless --text-as-is is given.\n";

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
            return Usage(nullptr);
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

int main(int argc, char **argv)
{
    PrepareStandardStreams();
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
        return Usage(nullptr);
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
