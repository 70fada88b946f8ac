// scrpack's command line for "scrpack build" and the form without a
// command word, in three steps: parse the options, check that they go
// together, and resolve which files the package is built from.  Each step
// that can refuse returns the problem in one line (empty to go on); the
// caller shows it with the usage and ends with status 2.
#ifndef SCRPACK_COMMANDS_COMMAND_LINE_H
#define SCRPACK_COMMANDS_COMMAND_LINE_H

#include <string>
#include <vector>

#include "scrpack/codec/compress.h"
#include "scrpack/pe/package_face.h"
#include "scrpack/pe/sign_package.h"

// A data file and how its generated name is made.
struct MediaOption {
    std::string path;
    bool tailGiven = false;
    std::string tail;
    bool prefixGiven = false;
    char prefixSelector = ' ';
};

struct Options {
    bool help = false; // --help came before any fault
    bool version = false; // --version came before any fault
    bool dryRun = false; // every check and the size table, nothing written
    std::string stub, name, output, license, list;
    bool nameGiven = false;
    bool stubDefault = false, uninstallerDefault = false; // taken from scrpack's own files
    long firstNumber = 1;
    char prefixSelector = ' ';
    bool store = false;
    bool textAsIs = false;
    CompressLevel level = CompressLevel::Best;
    long jobs = 0; // 0: one per processor
    std::vector<std::string> storeFiles;
    std::string roles[3]; // screen saver, data file, uninstaller
    std::vector<MediaOption> media;
    SignOptions sign;
    FaceOptions face; // icon and version details
    std::vector<std::string> operands; // the arguments left after the options
};

// Reads the options of argv (argv[0] is the command word or the program)
// up to the first fault or --help.  With build set, the files come from
// --saver, --data, --uninstaller and --media; otherwise they are the
// operands.
std::string ParseOptions(int argc, char **argv, bool build, Options *options);

// The options that must or must not come together, and the files each
// form needs.
std::string CheckOptions(const Options &options, bool build);

// Takes scrpack's own stub, and for "build" its own uninstaller, where no
// option names others, and puts the operands into the roles and data
// files.
void ResolveFiles(bool build, Options *options);

// "scrpack build" (and the form without a command word) on resolved
// options: reads the files, packs, signs when asked, and replaces the
// output only with a package that reads back as built.  Returns the exit
// status; for a usage fault (2) problem holds the line to show.
int BuildCommand(const Options &options, std::string *problem);

#endif
