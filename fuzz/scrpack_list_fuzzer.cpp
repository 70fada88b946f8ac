// "scrpack list" and "scrpack verify" over arbitrary files: the listing
// itself (the tool's own PE reader, the manifest through the installer's
// reader, every listed name, the signature report), and every record's
// block through the installer's decoder, as verify does; and the stub
// check that "scrpack build" makes of the file it is given as a stub.
//
// The input is the whole file.  Checked: a package that reads back has the
// name of its 260-byte field without the NUL, a record list that matches
// where the reading stopped, every refusal and every damaged record says
// why, and no sound record installs more than its size.
#include <stdlib.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "scrpack/commands/check_commands.h"
#include "scrpack/package_file/opened_package.h"
#include "scrpack/package_file/package_reader.h"
#include "scrpack/pe/stub_layout.h"

static void Check(bool condition)
{
    if (!condition)
        abort();
}

// The listing itself, its output thrown away, and what the reader it
// stands on gives back.
static void List(const char *path, size_t size)
{
    static std::FILE *discard = std::fopen("/dev/null", "w");
    int status = ListCommand(path, discard, discard);
    PackageContents contents;
    std::string error;
    if (!ReadPackage(path, &contents, &error)) {
        Check(!error.empty() && status == 1);
        return;
    }
    Check(status == (contents.terminated ? 0 : 1));
    Check(contents.name.size() < kNameFieldSize && contents.name.find('\0') == std::string::npos &&
          contents.license.size() <= kMaxLicenseLength);
    for (size_t i = 0; i < contents.records.size(); i++) {
        std::string installed = InstalledFileName(contents, i);
        Check(!installed.empty() && installed.find('\0') == std::string::npos);
    }
    // The manifest never ends before its fixed fields and the records.
    Check(contents.manifestOffset + ManifestSize(contents.license.size(), contents.records.size()) <= size);
}

static void Verify(const char *path)
{
    OpenedPackage package;
    std::string error;
    if (!package.Open(path, &error)) {
        Check(!error.empty());
        return;
    }
    const PackageContents &contents = package.contents();
    uint64_t passed = 0;
    ByteSink count = [&](const uint8_t *, size_t size) {
        passed += size;
        return true;
    };
    for (size_t i = 0; i < contents.records.size(); i++) {
        const FileRecord &record = contents.records[i];
        passed = 0;
        RecordCheck check = CheckRecord(package.file(), record, count);
        Check(check.sound || !check.problem.empty());
        if (check.sound)
            Check(check.produced == passed &&
                  passed == (record.originalSize != 0 ? record.originalSize : record.storedSize));
        package.DisplayName(i);
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    int fd = memfd_create("package", 0);
    if (fd < 0 || write(fd, data, size) != (ssize_t)size)
        abort();
    char path[64];
    snprintf(path, sizeof path, "/proc/self/fd/%d", fd);

    List(path, size);
    Verify(path);
    StubLayout layout;
    std::string error;
    if (!CheckStubLayout(Bytes(data, data + size), &layout, &error))
        Check(!error.empty());
    close(fd);
    return 0;
}
