// BuildCommand: the package from the resolved options, written only when
// it reads back as built.
#include <cstdio>

#include "scrpack/commands/command_line.h"
#include "scrpack/commands/input_checks.h"
#include "scrpack/commands/output_checks.h"
#include "scrpack/commands/progress_bar.h"
#include "scrpack/commands/size_table.h"
#include "scrpack/package_file/compress_files.h"
#include "scrpack/package_file/installed_name_clashes.h"
#include "scrpack/package_file/installed_paths.h"
#include "scrpack/package_file/package_writer.h"
#include "scrpack/package_file/verify_package.h"
#include "scrpack/pe/application_manifest.h"
#include "scrpack/pe/signature_status.h"
#include "scrpack/system/file_io.h"
#include "scrpack/system/system.h"
#include "scrpack/text/ansi_text.h"

static int Fail(const std::string &text)
{
    std::fprintf(stderr, "scrpack: %s\n", text.c_str());
    return 1;
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

// The stub with its face, and the texts: name and licence.
static bool LoadStubAndTexts(const Options &options, PackageInput *spec, std::string *error)
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
    // A name too long for the installer's field is surely too long for
    // the installed paths, whose limit (about 90) is the one to report.
    bool tooLong = spec->name.find_last_not_of(' ') + 1 > kMaxNameLength - 4;
    if (!tooLong && !CheckScreenSaverName(spec->name, error)) {
        *error = "--name: " + *error;
        return false;
    }
    if (!ApplyPackageFace(options.face, spec->name, &spec->stub, error))
        return false;
    if (options.license.empty())
        return true;
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
    return true;
}

// File index of the package (screen saver, data file, uninstaller, then
// the data files), read, with its name tail.
static bool LoadPackedFile(const Options &options, size_t index, PackedFile *file, std::string *error)
{
    file->label = index < 3 ? options.roles[index] : options.media[index - 3].path;
    bool read = index == kRecordUninstaller
                    ? ReadToolFile(file->label, options.uninstallerDefault, "uninstaller", "--uninstaller",
                                   &file->content, error)
                    : ReadWholeFile(file->label, &file->content, error);
    if (!read)
        return false;
    if (index < 3) {
        MakeFixedNameTail(file->nameTail);
        return true;
    }
    const MediaOption &media = options.media[index - 3];
    char selector = media.prefixGiven ? media.prefixSelector : options.prefixSelector;
    return media.tailGiven ? MakeGivenNameTail(media.tail, selector, file->nameTail, error)
                           : MakeNameTail(file->label, selector, file->nameTail, error);
}

static bool LoadPackageInput(const Options &options, PackageInput *spec, std::string *error)
{
    if (!LoadStubAndTexts(options, spec, error))
        return false;
    spec->firstFileNumber = (uint16_t)options.firstNumber;
    spec->storeOnly = options.store;
    for (size_t i = 0; i < 3 + options.media.size(); i++) {
        PackedFile file;
        if (!LoadPackedFile(options, i, &file, error))
            return false;
        spec->files.push_back(std::move(file));
    }
    // Only now are all installed names known.
    if (!CheckInstalledPaths(*spec, error)) {
        *error = "--name: " + *error;
        return false;
    }
    return CheckInstalledNamesUnique(*spec, error);
}

// Marks the files that --store-file names: the same file, however its
// path is written.  Returns the problem, or empty to go on.
static std::string MarkStoredFiles(const Options &options, PackageInput *spec)
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
            return "--store-file " + path + " is none of the package's files";
    }
    return "";
}

// Checks the screen saver's image, which may refuse it, and prints the
// warnings of that check and of the names.
static bool WarnAboutInput(const Options &options, const PackageInput &spec, std::string *error)
{
    std::vector<std::string> warnings;
    const std::string &saver = options.roles[kRecordScreenSaver];
    if (!CheckScreenSaverImage(spec.files[kRecordScreenSaver].content, &warnings, error)) {
        *error = "--saver " + saver + " " + *error;
        return false;
    }
    for (std::string &warning : warnings)
        warning = "--saver " + saver + " " + warning;
    WarnAboutNames(options, spec, &warnings);
    for (const std::string &warning : warnings)
        std::fprintf(stderr, "scrpack: warning: %s\n", warning.c_str());
    return true;
}

// The files to compress: all but the stored ones.
static std::vector<const Bytes *> FilesToCompress(const PackageInput &spec)
{
    std::vector<const Bytes *> files;
    for (const PackedFile &file : spec.files)
        if (!spec.storeOnly && !file.store)
            files.push_back(&file.content);
    return files;
}

// Compresses the files side by side, then lays the package out, which
// takes their blocks in record order.
static bool Pack(const Options &options, const PackageInput &spec, ProgressBar *progress, BuiltPackage *built,
                 std::string *error)
{
    CompressOptions settings;
    settings.level = options.level;
    std::vector<const Bytes *> toPack = FilesToCompress(spec);
    unsigned jobs = options.jobs > 0 ? (unsigned)options.jobs : CompressThreads();
    std::vector<Bytes> blocks = CompressFiles(toPack, settings, jobs, [&](size_t bytes) { progress->Advance(bytes); });
    Compressor compress = PrecompressedBlocks(toPack, std::move(blocks), settings);
    return BuildPackage(spec, compress, built, error);
}

// The installer reads up to its last block; a signature must come after
// it, and nothing else.  Tells the signature's bytes.
static bool CheckSignature(const std::string &written, const BuiltPackage &built, uint64_t *signatureBytes,
                           std::string *why)
{
    SignatureStatus status;
    if (!ReadSignatureStatus(written, built.bytes.size(), &status, why))
        return false;
    if (!status.isSigned || !status.warnings.empty()) {
        *why = "signing failed: " + (status.warnings.empty() ? std::string("no certificate table after the last block")
                                                             : status.warnings[0]);
        return false;
    }
    *signatureBytes = status.fileSize - built.bytes.size();
    return true;
}

static void PrintSizeTable(const Options &options, const PackageInput &spec, const BuiltPackage &built,
                           uint64_t signatureBytes)
{
    std::fputs(FormatSizeTable(SizeRows(spec, built), built.manifestOffset, built.bytes.size() + signatureBytes,
                               options.output, signatureBytes)
                   .c_str(),
               stdout);
}

// Writes the package; the written file, signed first when asked, is
// checked before it takes the output's name, and on any failure nothing
// is left.
static bool WritePackage(const Options &options, const std::string &signer, const PackageInput &spec,
                         const BuiltPackage &built, ProgressBar *progress, uint64_t *signatureBytes,
                         std::string *error)
{
    auto finish = [&](const std::string &written, std::string *why) {
        if (options.sign.Wanted()) {
            progress->Finish();
            if (!SignFileInPlace(signer, options.sign, written, why))
                return false;
        }
        if (!VerifyWrittenPackage(written, spec, built, why)) {
            *why = options.output + ": " + *why;
            return false;
        }
        return !options.sign.Wanted() || CheckSignature(written, built, signatureBytes, why);
    };
    bool written = ReplaceFile(options.output, built.bytes, OutputMode(options.output), error, finish);
    progress->Finish();
    return written;
}

int BuildCommand(const Options &options, std::string *problem)
{
    PackageInput spec;
    BuiltPackage built;
    std::string error;
    // An output that is an input, or that can't be written, fails before
    // anything is read; then signing, so a missing signer fails at once.
    if (!(error = CheckOutput(options)).empty())
        return Fail(error);
    std::string signer;
    if (options.sign.Wanted() && !PrepareSigning(options.sign, &signer, &error))
        return Fail(error);
    if (!LoadPackageInput(options, &spec, &error) || !WarnAboutInput(options, spec, &error))
        return Fail(error);
    if (!(*problem = MarkStoredFiles(options, &spec)).empty())
        return 2;
    uint64_t toCompress = 0;
    for (const Bytes *file : FilesToCompress(spec))
        toCompress += file->size();
    ProgressBar progress("packing", toCompress);
    if (!Pack(options, spec, &progress, &built, &error))
        return Fail(error);
    if (options.dryRun) {
        progress.Finish();
        PrintSizeTable(options, spec, built, 0);
        std::printf("--dry-run: every check passed; %s not written%s\n", options.output.c_str(),
                    options.sign.Wanted() ? " nor signed" : "");
        return 0;
    }
    uint64_t signatureBytes = 0;
    if (!WritePackage(options, signer, spec, built, &progress, &signatureBytes, &error))
        return Fail(error);
    PrintSizeTable(options, spec, built, signatureBytes);
    return 0;
}
