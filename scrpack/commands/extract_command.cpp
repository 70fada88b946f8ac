// ExtractCommand: every file of a package into one folder, all or nothing.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "package/text_rules.h"
#include "scrpack/commands/check_commands.h"
#include "scrpack/commands/progress_bar.h"
#include "scrpack/package_file/opened_package.h"
#include "scrpack/pe/signature_status.h"
#include "scrpack/system/interrupt_guard.h"
#include "scrpack/system/system.h"
#include "scrpack/text/ansi_text.h"

namespace {

// The name as it ends up on disk, in UTF-8, from the installed name in the
// ANSI code page.  Characters that can't stand in a Windows file name
// become '_' by the installer's own rule, so a damaged name can't lead out
// of the folder, and Windows drops trailing dots and spaces.  Empty when
// that leaves no name of a file of its own.
std::string HostFileName(const std::string &installed)
{
    std::vector<char> text(installed.begin(), installed.end());
    text.push_back('\0');
    MakeFileNameSafe(text.data());
    if (IsBlankFileName(text.data()))
        return "";
    std::string name = text.data();
    name.erase(name.find_last_not_of(". ") + 1);
    return AnsiToUtf8(name);
}

// Writes all of data, but fails (EINTR) once a stop signal has come in.
bool WriteUnlessInterrupted(int fd, const uint8_t *data, size_t size)
{
    while (size > 0) {
        if (Interrupted()) {
            errno = EINTR;
            return false;
        }
        long long written = WriteSome(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= (size_t)written;
    }
    return true;
}

struct Extracted {
    std::string temporary, final, shown;
    uint64_t size;
};

// An extraction under way: its folder, whether it made it, the files
// written so far under temporary names, and the faults met.
struct Extraction {
    std::string directory;
    std::string folder; // the folder as given, with one separator before the names
    bool madeDirectory = false;
    unsigned mode = 0;
    std::vector<Extracted> done;
    std::vector<std::string> faults;
};

// Makes the folder when it is missing; prints why and fails when there is
// something else.
bool MakeDestination(const std::string &directory, Extraction *extraction)
{
    extraction->directory = directory;
    extraction->madeDirectory = MakeFolder(directory);
    if (!extraction->madeDirectory && !IsFolder(directory)) {
        if (errno == EEXIST)
            errno = ENOTDIR; // something that is not a folder is there
        std::fprintf(stderr, "scrpack: %s: %s\n", directory.c_str(), std::strerror(errno));
        return false;
    }
    extraction->mode = NewFileMode();
    extraction->folder = directory;
    if (extraction->folder.find_last_of(kPathSeparators) != extraction->folder.size() - 1)
        extraction->folder += '/';
    return true;
}

// Writes record index to a temporary file in the folder.  False when no
// file can be made there, which ends the extraction.
bool ExtractRecord(const OpenedPackage &package, size_t index, ProgressBar *progress, Extraction *extraction)
{
    std::string shown = package.DisplayName(index);
    std::string name = HostFileName(InstalledFileName(package.contents(), index));
    if (name.empty()) {
        extraction->faults.push_back("record " + std::to_string(index) + ": its name \"" + shown + "\" names no file");
        return true;
    }
    Extracted file = {extraction->folder + ".scrpack-XXXXXX", extraction->folder + name, shown, 0};
    int fd = CreateUniqueFile(&file.temporary);
    if (fd < 0) {
        extraction->faults.push_back(extraction->directory + ": " + std::strerror(errno));
        return false;
    }
    extraction->done.push_back(file);
    ByteSink write = [&](const uint8_t *data, size_t size) {
        progress->Advance(size);
        return WriteUnlessInterrupted(fd, data, size);
    };
    RecordCheck check = CheckRecord(package.file(), package.contents().records[index], write);
    bool closed = SetFileMode(fd, extraction->mode) && CloseFile(fd);
    if (!check.sound)
        extraction->faults.push_back("record " + std::to_string(index) + " (" + shown + "): " + check.problem);
    else if (!closed)
        extraction->faults.push_back(file.final + ": " + std::strerror(errno));
    extraction->done.back().size = check.produced;
    return true;
}

// Renames the files into place when all went well, else removes them and
// the folder when it was made here.  Files already renamed stay: a rename
// that fails half-way is the one case that can't be undone without losing
// what they replaced.
bool PutInPlace(Extraction *extraction)
{
    bool failed = !extraction->faults.empty() || Interrupted();
    for (const Extracted &file : extraction->done) {
        if (!failed && !RenameOver(file.temporary, file.final)) {
            extraction->faults.push_back(file.final + ": " + std::strerror(errno));
            failed = true;
        }
        if (failed)
            RemoveFile(file.temporary);
    }
    if (failed && extraction->madeDirectory)
        RemoveFolder(extraction->directory);
    return !failed;
}

} // namespace

int ExtractCommand(const std::string &path, const std::string &directory)
{
    OpenedPackage package;
    SignatureStatus status;
    if (!OpenCheckedPackage(path, &package, &status, stderr))
        return 1;
    // A package whose checksum fails is damaged somewhere, perhaps where
    // no record check looks: nothing is written.
    if (CheckFileIntegrity(status) == FileIntegrity::Damaged) {
        std::fprintf(stderr, "scrpack: %s is %s\n", path.c_str(), DescribeIntegrity(status).c_str());
        return 1;
    }
    InterruptGuard guard;
    Extraction extraction;
    if (!MakeDestination(directory, &extraction))
        return 1;
    extraction.faults = package.problems();
    ProgressBar progress("extracting", package.InstalledBytes());
    for (size_t i = 0; i < package.contents().records.size() && !Interrupted(); i++)
        if (!ExtractRecord(package, i, &progress, &extraction))
            break;
    progress.Finish();
    if (!PutInPlace(&extraction)) {
        if (Interrupted())
            std::fprintf(stderr, "scrpack: interrupted; nothing extracted\n");
        else
            for (const std::string &fault : extraction.faults)
                std::fprintf(stderr, "scrpack: %s: %s\n", path.c_str(), fault.c_str());
        return 1;
    }
    std::printf("%s: %s\n", path.c_str(), DescribeIntegrity(status).c_str());
    for (const Extracted &file : extraction.done)
        std::printf("%s  %llu bytes\n", file.final.c_str(), (unsigned long long)file.size);
    return 0;
}
