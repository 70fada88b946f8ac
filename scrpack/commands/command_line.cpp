// ParseOptions, CheckOptions and ResolveFiles.
#include "scrpack/commands/command_line.h"

#include <getopt.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "package/installed_names.h"
#include "package/package_format.h"
#include "scrpack/commands/tool_files.h"
#include "scrpack/system/system.h"

static bool ParsePrefix(const std::string &text, char *selector)
{
    return PrefixSelectorFromName(text.c_str(), selector) != 0;
}

// FILE[:TAIL[:PREFIX]]; an empty TAIL keeps the default.  A path that
// itself holds a colon is taken whole when such a file exists.
static bool ParseMedia(const std::string &text, MediaOption *media)
{
    *media = MediaOption();
    // A Windows path's drive ("C:") holds no separator.
    size_t first = text.find(':', DrivePrefixLength(text));
    if (PathExists(text) || first == std::string::npos) {
        media->path = text;
        return true;
    }
    media->path = text.substr(0, first);
    std::string rest = text.substr(first + 1);
    size_t second = rest.find(':');
    std::string tail = rest.substr(0, second);
    if (!tail.empty()) {
        media->tailGiven = true;
        media->tail = tail;
    }
    if (second != std::string::npos) {
        media->prefixGiven = true;
        if (!ParsePrefix(rest.substr(second + 1), &media->prefixSelector))
            return false;
    }
    return !media->path.empty();
}

// A whole decimal number from low to high.
static bool ParseNumber(const char *text, long low, long high, long *value)
{
    char *end;
    errno = 0;
    *value = std::strtol(text, &end, 10);
    return *text != '\0' && *end == '\0' && !errno && *value >= low && *value <= high;
}

namespace {

// The long options' codes, above every character's.
enum {
    kStub = 256, kName, kLicense, kFirstNumber, kPrefix, kStore, kStoreFile, kTextAsIs, kList, kLevel, kJobs,
    kSaver, kData, kUninstaller, kMedia, kSignCert, kSignKey, kSignPassFile, kTimestampUrl, kDryRun, kVersion,
    kIcon, kFileVersion, kProductVersion, kCompany, kCopyright,
};
const struct option kLongOptions[] = {
    {"stub", required_argument, nullptr, kStub},
    {"name", required_argument, nullptr, kName},
    {"output", required_argument, nullptr, 'o'},
    {"license", required_argument, nullptr, kLicense},
    {"licence", required_argument, nullptr, kLicense},
    {"first-number", required_argument, nullptr, kFirstNumber},
    {"prefix", required_argument, nullptr, kPrefix},
    {"store", no_argument, nullptr, kStore},
    {"store-file", required_argument, nullptr, kStoreFile},
    {"level", required_argument, nullptr, kLevel},
    {"jobs", required_argument, nullptr, kJobs},
    {"text-as-is", no_argument, nullptr, kTextAsIs},
    {"list", required_argument, nullptr, kList},
    {"saver", required_argument, nullptr, kSaver},
    {"data", required_argument, nullptr, kData},
    {"uninstaller", required_argument, nullptr, kUninstaller},
    {"media", required_argument, nullptr, kMedia},
    {"sign-cert", required_argument, nullptr, kSignCert},
    {"sign-key", required_argument, nullptr, kSignKey},
    {"sign-pass-file", required_argument, nullptr, kSignPassFile},
    {"timestamp-url", required_argument, nullptr, kTimestampUrl},
    {"dry-run", no_argument, nullptr, kDryRun},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, kVersion},
    {"icon", required_argument, nullptr, kIcon},
    {"file-version", required_argument, nullptr, kFileVersion},
    {"product-version", required_argument, nullptr, kProductVersion},
    {"company", required_argument, nullptr, kCompany},
    {"copyright", required_argument, nullptr, kCopyright},
    {nullptr, 0, nullptr, 0},
};

// The options that only set a field; false for any other.
bool SetPlainOption(int option, const char *value, Options *options)
{
    switch (option) {
    case kStub: options->stub = value; return true;
    case kName:
        options->name = value;
        options->nameGiven = true;
        return true;
    case kDryRun: options->dryRun = true; return true;
    case 'o': options->output = value; return true;
    case kLicense: options->license = value; return true;
    case kList: options->list = value; return true;
    case kStore: options->store = true; return true;
    case kStoreFile: options->storeFiles.push_back(value); return true;
    case kTextAsIs: options->textAsIs = true; return true;
    case kSaver: options->roles[kRecordScreenSaver] = value; return true;
    case kData: options->roles[kRecordDataFile] = value; return true;
    case kUninstaller: options->roles[kRecordUninstaller] = value; return true;
    case kSignCert: options->sign.certificate = value; return true;
    case kSignKey: options->sign.key = value; return true;
    case kSignPassFile: options->sign.passFile = value; return true;
    case kTimestampUrl: options->sign.timestampUrl = value; return true;
    case kIcon: options->face.icon = value; return true;
    case kFileVersion: options->face.fileVersion = value; return true;
    case kProductVersion: options->face.productVersion = value; return true;
    case kCompany: options->face.company = value; return true;
    case kCopyright: options->face.copyright = value; return true;
    default: return false;
    }
}

// Any other option but --help and --version, whose value must be read:
// the problem when it can't be, or when the option is unknown or lacks its
// value.
std::string SetOption(int option, char **argv, Options *options)
{
    if (SetPlainOption(option, optarg, options))
        return "";
    switch (option) {
    case kMedia: {
        MediaOption media;
        if (!ParseMedia(optarg, &media))
            return "--media takes FILE[:TAIL[:PREFIX]] with PREFIX FILE, JUKE or JUK_";
        options->media.push_back(media);
        return "";
    }
    case kFirstNumber:
        return ParseNumber(optarg, 0, 65535, &options->firstNumber) ? "" : "--first-number takes a number from 0 to 65535";
    case kPrefix: return ParsePrefix(optarg, &options->prefixSelector) ? "" : "--prefix takes FILE, JUKE or JUK_";
    case kLevel:
        if (std::strcmp(optarg, "best") == 0)
            options->level = CompressLevel::Best;
        else if (std::strcmp(optarg, "fast") == 0)
            options->level = CompressLevel::Fast;
        else
            return "--level takes best or fast";
        return "";
    case kJobs: return ParseNumber(optarg, 1, 256, &options->jobs) ? "" : "--jobs takes a number from 1 to 256";
    case ':': return std::string(argv[optind - 1]) + " needs a value";
    default:
        return "unknown option " + (optopt ? std::string("-") + (char)optopt : std::string(argv[optind - 1]));
    }
}

} // namespace

std::string ParseOptions(int argc, char **argv, bool build, Options *options)
{
    int option;
    opterr = 0;
    // The leading ':' tells a missing value from an unknown option.
    while ((option = getopt_long(argc, argv, ":o:h", kLongOptions, nullptr)) != -1) {
        if (!build && option >= kSaver && option <= kMedia)
            return "--saver, --data, --uninstaller and --media belong to \"scrpack build\"";
        if (option == 'h' || option == kVersion) {
            (option == 'h' ? options->help : options->version) = true;
            return "";
        }
        std::string problem = SetOption(option, argv, options);
        if (!problem.empty())
            return problem;
    }
    options->operands.assign(argv + optind, argv + argc);
    return "";
}

std::string CheckOptions(const Options &options, bool build)
{
    if (!options.list.empty())
        return options.operands.empty() && options.output.empty() && !build ? "" : "--list takes no other arguments";
    if (options.nameGiven && options.name.empty())
        return "--name is empty";
    const SignOptions &sign = options.sign;
    if (sign.certificate.empty() != sign.key.empty())
        return "--sign-cert and --sign-key go together";
    if (sign.certificate.empty() && (!sign.passFile.empty() || !sign.timestampUrl.empty()))
        return "--sign-pass-file and --timestamp-url need --sign-cert and --sign-key";
    std::string face = CheckFaceOptions(options.face);
    if (!face.empty())
        return face;
    if (build && !options.operands.empty())
        return "\"scrpack build\" takes its files through options";
    // Every option that is missing, and only those.
    std::vector<std::string> missing;
    if (options.name.empty())
        missing.push_back("--name");
    if (options.output.empty())
        missing.push_back("-o");
    if (build && options.roles[kRecordScreenSaver].empty())
        missing.push_back("--saver");
    if (build && options.roles[kRecordDataFile].empty())
        missing.push_back("--data");
    if (!missing.empty()) {
        std::string list = missing[0];
        for (size_t i = 1; i < missing.size(); i++)
            list += (i + 1 == missing.size() ? " and " : ", ") + missing[i];
        return list + (missing.size() == 1 ? " is required" : " are required");
    }
    if (!build && options.operands.size() < 3)
        return "the screen saver, its data file and the uninstaller are required";
    return "";
}

void ResolveFiles(bool build, Options *options)
{
    options->stubDefault = options->stub.empty();
    if (options->stubDefault)
        options->stub = InstalledToolFile(kInstalledStub);
    if (build) {
        options->uninstallerDefault = options->roles[kRecordUninstaller].empty();
        if (options->uninstallerDefault)
            options->roles[kRecordUninstaller] = InstalledToolFile(kInstalledUninstaller);
        return;
    }
    const std::vector<std::string> &operands = options->operands;
    for (size_t i = 0; i < operands.size(); i++) {
        if (i < kRecordFirstMedia) {
            options->roles[i] = operands[i];
        } else {
            MediaOption media;
            media.path = operands[i];
            options->media.push_back(media);
        }
    }
}
