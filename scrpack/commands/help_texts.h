// scrpack's help texts.
#ifndef SCRPACK_COMMANDS_HELP_TEXTS_H
#define SCRPACK_COMMANDS_HELP_TEXTS_H

#include <string>

// The whole help: every command form, the rules and every option.  Its
// first paragraph is the command forms a usage error shows.
extern const char kUsage[];

// The help of one command ("build", "list", "verify", "extract"): its
// synopsis, its options and an example; null for any other word.
const char *CommandHelp(const std::string &command);

#endif
