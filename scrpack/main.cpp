// scrpack: builds a packaged screen saver installer from the installer stub
// and the files of one screen saver, and lists, verifies and extracts what
// a package holds.
#include <getopt.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "package/installed_names.h"
#include "package/package_format.h"
#include "scrpack/ansi_text.h"
#include "scrpack/application_manifest.h"
#include "scrpack/check_commands.h"
#include "scrpack/compress.h"
#include "scrpack/compress_files.h"
#include "scrpack/file_io.h"
#include "scrpack/installed_paths.h"
#include "scrpack/package_reader.h"
#include "scrpack/package_writer.h"
#include "scrpack/portable.h"
#include "scrpack/progress_bar.h"
#include "scrpack/sign_package.h"
#include "scrpack/signature_status.h"
#include "scrpack/size_table.h"
#include "scrpack/tool_files.h"
#include "scrpack/verify_package.h"

static const char kUsage[] =
    "usage: scrpack build --name NAME --saver SCREENSAVER.SCR --data DATAFILE\n"
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
    "to the file's extension in capitals, PREFIX to --prefix.  Every file is\n"
    "compressed unless that would not make it smaller, or it is to be stored.\n"
    "\n"
    "\"list\" prints the manifest; \"verify\" expands every block and reports per\n"
    "file whether it gives its full size from its own bytes; \"extract\" writes\n"
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
    "  -h, --help           show this text\n"
    "  --version            show scrpack's version\n"
    "\n"
    "On a terminal a progress bar shows on stderr; build ends with a table of\n"
    "the files' sizes.  Exit status: 0 done, 1 failed or damaged, 2 usage.\n"
    "\n"
    "Texts are converted from UTF-8 to Windows-1252, and the licence's line\n"
    "ends to CR LF, unless --text-as-is is given.\n";

// A data file and how its generated name is made.
struct MediaOption {
    std::string path;
    bool tailGiven = false;
    std::string tail;
    bool prefixGiven = false;
    char prefixSelector = ' ';
};

struct Options {
    std::string stub, name, output, license, list;
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
};

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

static int Fail(const std::string &text)
{
    std::fprintf(stderr, "scrpack: %s\n", text.c_str());
    return 1;
}

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

// Returns -1 to go on, or the exit status.  With build set, the files come
// from --saver, --data, --uninstaller and --media; otherwise they are the
// arguments left after the options.
static int ParseOptions(int argc, char **argv, bool build, Options *options)
{
    enum {
        kStub = 256, kName, kLicense, kFirstNumber, kPrefix, kStore, kStoreFile, kTextAsIs, kList, kLevel, kJobs,
        kSaver, kData, kUninstaller, kMedia, kSignCert, kSignKey, kSignPassFile, kTimestampUrl, kVersion,
    };
    static const struct option kLong[] = {
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
        {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, kVersion},
        {nullptr, 0, nullptr, 0},
    };
    int option;
    opterr = 0;
    while ((option = getopt_long(argc, argv, "o:h", kLong, nullptr)) != -1) {
        if (!build && option >= kSaver && option <= kMedia)
            return Usage("--saver, --data, --uninstaller and --media belong to \"scrpack build\"");
        switch (option) {
        case kStub: options->stub = optarg; break;
        case kName: options->name = optarg; break;
        case 'o': options->output = optarg; break;
        case kLicense: options->license = optarg; break;
        case kList: options->list = optarg; break;
        case kStore: options->store = true; break;
        case kStoreFile: options->storeFiles.push_back(optarg); break;
        case kTextAsIs: options->textAsIs = true; break;
        case kSaver: options->roles[kRecordScreenSaver] = optarg; break;
        case kData: options->roles[kRecordDataFile] = optarg; break;
        case kUninstaller: options->roles[kRecordUninstaller] = optarg; break;
        case kSignCert: options->sign.certificate = optarg; break;
        case kSignKey: options->sign.key = optarg; break;
        case kSignPassFile: options->sign.passFile = optarg; break;
        case kTimestampUrl: options->sign.timestampUrl = optarg; break;
        case kMedia: {
            MediaOption media;
            if (!ParseMedia(optarg, &media))
                return Usage("--media takes FILE[:TAIL[:PREFIX]] with PREFIX FILE, JUKE or JUK_");
            options->media.push_back(media);
            break;
        }
        case 'h': return Usage(nullptr);
        // SCRPACK_VERSION comes from the project's version in CMake.
        case kVersion: std::printf("scrpack (Glimmerkit) %s\n", SCRPACK_VERSION); return 0;
        case kFirstNumber: {
            char *end;
            errno = 0;
            options->firstNumber = std::strtol(optarg, &end, 10);
            if (*optarg == '\0' || *end != '\0' || errno || options->firstNumber < 0 || options->firstNumber > 65535)
                return Usage("--first-number takes a number from 0 to 65535");
            break;
        }
        case kPrefix:
            if (!ParsePrefix(optarg, &options->prefixSelector))
                return Usage("--prefix takes FILE, JUKE or JUK_");
            break;
        case kLevel:
            if (std::strcmp(optarg, "best") == 0)
                options->level = CompressLevel::Best;
            else if (std::strcmp(optarg, "fast") == 0)
                options->level = CompressLevel::Fast;
            else
                return Usage("--level takes best or fast");
            break;
        case kJobs: {
            char *end;
            errno = 0;
            options->jobs = std::strtol(optarg, &end, 10);
            if (*optarg == '\0' || *end != '\0' || errno || options->jobs < 1 || options->jobs > 256)
                return Usage("--jobs takes a number from 1 to 256");
            break;
        }
        default: return Usage("unknown option or missing value");
        }
    }
    std::vector<std::string> rest(argv + optind, argv + argc);
    if (!options->list.empty())
        return rest.empty() && options->output.empty() && !build ? -1 : Usage("--list takes no other arguments");
    if (options->output.empty() || options->name.empty())
        return Usage("--name and -o are required");
    const SignOptions &sign = options->sign;
    if (sign.certificate.empty() != sign.key.empty())
        return Usage("--sign-cert and --sign-key go together");
    if (sign.certificate.empty() && (!sign.passFile.empty() || !sign.timestampUrl.empty()))
        return Usage("--sign-pass-file and --timestamp-url need --sign-cert and --sign-key");
    options->stubDefault = options->stub.empty();
    if (options->stubDefault)
        options->stub = InstalledToolFile(kInstalledStub);
    if (build) {
        if (!rest.empty())
            return Usage("\"scrpack build\" takes its files through options");
        if (options->roles[0].empty() || options->roles[1].empty())
            return Usage("--saver and --data are required");
        options->uninstallerDefault = options->roles[kRecordUninstaller].empty();
        if (options->uninstallerDefault)
            options->roles[kRecordUninstaller] = InstalledToolFile(kInstalledUninstaller);
        return -1;
    }
    if (rest.size() < 3)
        return Usage("the screen saver, its data file and the uninstaller are required");
    for (size_t i = 0; i < rest.size(); i++) {
        if (i < 3) {
            options->roles[i] = rest[i];
        } else {
            MediaOption media;
            media.path = rest[i];
            options->media.push_back(media);
        }
    }
    return -1;
}

static int ListPackage(const std::string &path)
{
    PackageContents contents;
    std::string error;
    if (!ReadPackage(path, &contents, &error))
        return Fail(error);
    std::printf("name: %s\n", AnsiToUtf8(contents.name).c_str());
    std::printf("licence: %zu bytes\n", contents.license.size());
    std::printf("first file number: %u\n", contents.firstFileNumber);
    std::printf("manifest offset: %zu\n", contents.manifestOffset);
    SignatureStatus signature;
    if (!ReadSignatureStatus(path, PackageDataEnd(contents), &signature, &error))
        return Fail(error);
    std::printf("signed: %s\n", DescribeSignature(signature).c_str());
    for (const std::string &warning : signature.warnings)
        std::fprintf(stderr, "scrpack: warning: %s: %s\n", path.c_str(), warning.c_str());
    // The tail quoted, so that its trailing spaces show; "-" where the
    // installer does not use it.
    std::printf("%-5s %-10s %-10s %-10s %-7s %-17s %s\n", "index", "offset", "stored", "original", "method", "tail",
                "installs as");
    for (size_t i = 0; i < contents.records.size(); i++) {
        const FileRecord &record = contents.records[i];
        std::string tail = i < kRecordFirstMedia ? "-" : AnsiToUtf8(QuotedNameTail(record));
        std::printf("%-5zu %-10u %-10u %-10u %-7s %-17s %s\n", i, record.dataOffset, record.storedSize,
                    record.originalSize, record.originalSize ? "packed" : "stored", tail.c_str(),
                    AnsiToUtf8(InstalledFileName(contents, i)).c_str());
    }
    if (!contents.terminated)
        return Fail("the file ends inside the record table");
    return 0;
}

// Reads a text option's file or value and brings it into the ANSI code
// page unless it is taken as it is.
static bool PrepareText(const std::string &text, bool asIs, bool lines, std::string *out, std::string *error)
{
    if (asIs) {
        *out = text;
        return true;
    }
    if (!Utf8ToAnsi(StripByteOrderMark(text), out, error))
        return false;
    if (lines)
        *out = ToCrLf(*out);
    return true;
}

// Reads a file scrpack takes from its own installed files unless an option
// names another: the error then says so.
static bool ReadToolFile(const std::string &path, bool installed, const char *what, const char *option, Bytes *data,
                         std::string *error)
{
    if (installed && path.empty()) {
        *error = std::string("cannot tell which folder scrpack runs from, to find its ") + what + "; give " + option;
        return false;
    }
    if (ReadWholeFile(path, data, error))
        return true;
    if (installed)
        *error += std::string(" (scrpack's own ") + what + "; " + option + " names another)";
    return false;
}

static bool LoadPackageInput(const Options &options, PackageInput *spec, std::string *error)
{
    if (!ReadToolFile(options.stub, options.stubDefault, "installer stub", "--stub", &spec->stub, error))
        return false;
    std::string why;
    if (!CheckStubManifest(spec->stub, &why)) {
        *error = "unusable installer stub " + options.stub + ": " + why;
        return false;
    }
    if (!PrepareText(options.name, options.textAsIs, false, &spec->name, error)) {
        *error = "--name: " + *error;
        return false;
    }
    if (!CheckScreenSaverName(spec->name, error)) {
        *error = "--name: " + *error;
        return false;
    }
    if (!options.license.empty()) {
        Bytes raw;
        if (!ReadWholeFile(options.license, &raw, error))
            return false;
        if (!PrepareText(std::string(raw.begin(), raw.end()), options.textAsIs, true, &spec->license, error)) {
            *error = options.license + ": " + *error;
            return false;
        }
        // An empty licence file would silently drop the licence dialog.
        if (spec->license.empty()) {
            *error = options.license + " is empty";
            return false;
        }
    }
    spec->firstFileNumber = (uint16_t)options.firstNumber;
    spec->storeOnly = options.store;
    for (size_t i = 0; i < 3 + options.media.size(); i++) {
        PackedFile file;
        file.label = i < 3 ? options.roles[i] : options.media[i - 3].path;
        bool read = i == kRecordUninstaller
                        ? ReadToolFile(file.label, options.uninstallerDefault, "uninstaller", "--uninstaller",
                                       &file.content, error)
                        : ReadWholeFile(file.label, &file.content, error);
        if (!read)
            return false;
        if (i < 3) {
            MakeFixedNameTail(file.nameTail);
        } else {
            const MediaOption &media = options.media[i - 3];
            char selector = media.prefixGiven ? media.prefixSelector : options.prefixSelector;
            bool made = media.tailGiven ? MakeGivenNameTail(media.tail, selector, file.nameTail, error)
                                        : MakeNameTail(file.label, selector, file.nameTail, error);
            if (!made)
                return false;
        }
        spec->files.push_back(std::move(file));
    }
    // Only now are all installed names known.
    if (!CheckInstalledPaths(*spec, error)) {
        *error = "--name: " + *error;
        return false;
    }
    return true;
}

// Marks the files that --store-file names: the same file, however its
// path is written.  Returns -1 to go on, or the exit status.
static int MarkStoredFiles(const Options &options, PackageInput *spec)
{
    for (const std::string &path : options.storeFiles) {
        bool found = false;
        for (PackedFile &file : spec->files) {
            if (SameFile(path, file.label)) {
                file.store = true;
                found = true;
            }
        }
        if (!found)
            return Usage(("--store-file " + path + " is none of the package's files").c_str());
    }
    return -1;
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
        return ListPackage(argv[2]);
    if (command == "verify")
        return VerifyCommand(argv[2]);
    return ExtractCommand(argv[2], argv[3]);
}

int main(int argc, char **argv)
{
    PrepareStandardStreams();
    Options options;
    // "build", "list", "verify" and "extract" name the command; without
    // one the files follow the options.
    int status = RunReadingCommand(argc, argv);
    if (status >= 0)
        return status;
    bool build = argc > 1 && std::strcmp(argv[1], "build") == 0;
    status = build ? ParseOptions(argc - 1, argv + 1, true, &options) : ParseOptions(argc, argv, false, &options);
    if (status >= 0)
        return status;
    if (!options.list.empty())
        return ListPackage(options.list);

    PackageInput spec;
    BuiltPackage built;
    std::string error;
    // Signing is checked first: a missing signer or file fails at once.
    std::string signer;
    if (options.sign.Wanted() && !PrepareSigning(options.sign, &signer, &error))
        return Fail(error);
    if (!LoadPackageInput(options, &spec, &error))
        return Fail(error);
    if ((status = MarkStoredFiles(options, &spec)) >= 0)
        return status;
    uint64_t toCompress = 0;
    for (const PackedFile &file : spec.files)
        toCompress += spec.storeOnly || file.store ? 0 : file.content.size();
    ProgressBar progress("packing", toCompress);
    // The files are compressed side by side first; BuildPackage then takes
    // their blocks in record order.
    CompressOptions settings;
    settings.level = options.level;
    std::vector<const Bytes *> toPack;
    for (const PackedFile &file : spec.files)
        if (!spec.storeOnly && !file.store)
            toPack.push_back(&file.content);
    unsigned jobs = options.jobs > 0 ? (unsigned)options.jobs : CompressThreads();
    std::vector<Bytes> blocks = CompressFiles(toPack, settings, jobs, [&](size_t bytes) { progress.Advance(bytes); });
    Compressor compress = PrecompressedBlocks(toPack, std::move(blocks), settings);
    if (!BuildPackage(spec, compress, &built, &error))
        return Fail(error);
    // The written file, signed first when asked, is checked before it
    // takes the output's name; on any failure nothing is left.
    uint64_t signatureBytes = 0;
    auto finish = [&](const std::string &written, std::string *why) {
        if (options.sign.Wanted()) {
            progress.Finish();
            if (!SignFileInPlace(signer, options.sign, written, why))
                return false;
        }
        if (!VerifyWrittenPackage(written, spec, built, why)) {
            *why = options.output + ": " + *why;
            return false;
        }
        if (options.sign.Wanted()) {
            // The installer reads up to its last block; the signature must
            // come after it, and nothing else.
            SignatureStatus status;
            if (!ReadSignatureStatus(written, built.bytes.size(), &status, why))
                return false;
            if (!status.isSigned || !status.warnings.empty()) {
                *why = "signing failed: " + (status.warnings.empty()
                                                 ? std::string("no certificate table after the last block")
                                                 : status.warnings[0]);
                return false;
            }
            signatureBytes = status.fileSize - built.bytes.size();
        }
        return true;
    };
    bool written = ReplaceFile(options.output, built.bytes, 0755, &error, finish);
    progress.Finish();
    if (!written)
        return Fail(error);
    std::fputs(FormatSizeTable(SizeRows(spec, built), built.manifestOffset, built.bytes.size() + signatureBytes,
                               options.output, signatureBytes)
                   .c_str(),
               stdout);
    return 0;
}
