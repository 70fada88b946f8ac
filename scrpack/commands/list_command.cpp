// ListCommand: the manifest as a table, nothing decoded.
#include "package/package_format.h"
#include "scrpack/commands/check_commands.h"
#include "scrpack/package_file/opened_package.h"
#include "scrpack/pe/signature_status.h"
#include "scrpack/text/ansi_text.h"
#include "scrpack/text/bytes.h"

static int Fail(std::FILE *err, const std::string &text)
{
    std::fprintf(err, "scrpack: %s\n", text.c_str());
    return 1;
}

int ListCommand(const std::string &path, std::FILE *out, std::FILE *err)
{
    OpenedPackage package;
    SignatureStatus signature;
    if (!OpenCheckedPackage(path, &package, &signature, err))
        return 1;
    const PackageContents &contents = package.contents();
    std::fprintf(out, "name: %s\n", AnsiToUtf8(contents.name).c_str());
    std::fprintf(out, "licence: %s\n", ByteCount(contents.license.size()).c_str());
    std::fprintf(out, "first file number: %u\n", contents.firstFileNumber);
    std::fprintf(out, "manifest offset: %zu\n", contents.manifestOffset);
    std::fprintf(out, "signed: %s\n", DescribeSignature(signature).c_str());
    for (const std::string &warning : signature.warnings)
        std::fprintf(err, "scrpack: warning: %s: %s\n", path.c_str(), warning.c_str());
    // The tail quoted, so that its trailing spaces show; "-" where the
    // installer does not use it.  "installed" is the size the file
    // installs with: a stored block's own.
    std::fprintf(out, "%-5s %-10s %-10s %-10s %-7s %-17s %s\n", "index", "offset", "stored", "installed", "method",
                 "tail", "installs as");
    for (size_t i = 0; i < contents.records.size(); i++) {
        const FileRecord &record = contents.records[i];
        std::string tail = i < kRecordFirstMedia ? "-" : AnsiToUtf8(QuotedNameTail(record));
        std::fprintf(out, "%-5zu %-10u %-10u %-10u %-7s %-17s %s\n", i, record.dataOffset, record.storedSize,
                     record.originalSize ? record.originalSize : record.storedSize, record.originalSize ? "packed" : "stored", tail.c_str(),
                     AnsiToUtf8(InstalledFileName(contents, i)).c_str());
    }
    if (!contents.terminated)
        return Fail(err, "the file ends inside the record table");
    return 0;
}
