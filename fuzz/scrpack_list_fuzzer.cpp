// "scrpack list" over arbitrary files: the tool's own PE reader, then the
// manifest through the installer's reader, then every listed name.
//
// The input is the whole package file.  Checked: a package that reads
// back has the name of its 260-byte field without the NUL, and a record
// list that matches where the reading stopped.
#include <stdlib.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "scrpack/ansi_text.h"
#include "scrpack/package_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    int fd = memfd_create("package", 0);
    if (fd < 0 || write(fd, data, size) != (ssize_t)size)
        abort();
    char path[64];
    snprintf(path, sizeof path, "/proc/self/fd/%d", fd);

    PackageContents contents;
    std::string error;
    if (ReadPackage(path, &contents, &error)) {
        if (contents.name.size() >= kNameFieldSize || contents.name.find('\0') != std::string::npos ||
            contents.license.size() > kMaxLicenseLength)
            abort();
        // What the listing prints for every record.
        std::string listing = AnsiToUtf8(contents.name);
        for (size_t i = 0; i < contents.records.size(); i++) {
            std::string installed = InstalledFileName(contents, i);
            if (installed.empty() || installed.find('\0') != std::string::npos)
                abort();
            listing += AnsiToUtf8(installed);
        }
        // The manifest never ends before its fixed fields and the records.
        if (contents.manifestOffset + kManifestFixedSize + contents.license.size() +
                kFileRecordSize * contents.records.size() > size)
            abort();
    } else if (error.empty()) {
        abort(); // every refusal says why
    }
    close(fd);
    return 0;
}
