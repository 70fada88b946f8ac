// VerifyCommand: a report line per record, nothing written.
#include <cstdio>

#include "scrpack/commands/check_commands.h"
#include "scrpack/commands/progress_bar.h"
#include "scrpack/package_file/opened_package.h"
#include "scrpack/pe/signature_status.h"
#include "scrpack/text/bytes.h"

static std::string Describe(const FileRecord &record, const RecordCheck &check)
{
    if (!check.sound)
        return "damaged: " + check.problem;
    if (record.originalSize == 0)
        return "ok: stored, " + ByteCount(record.storedSize);
    std::string text = "ok: packed, " + std::to_string(record.storedSize) + " bytes expand to " +
                       std::to_string(check.produced);
    if (check.unusedBytes)
        text += " (the last " + std::to_string(check.unusedBytes) + " bytes of the block are not needed)";
    return text;
}

// Checks every record, with a line each; returns how many are damaged.
static size_t CheckRecords(const OpenedPackage &package)
{
    const PackageContents &contents = package.contents();
    size_t damaged = 0;
    ProgressBar progress("verifying", package.InstalledBytes());
    ByteSink count = [&](const uint8_t *, size_t size) {
        progress.Advance(size);
        return true;
    };
    for (size_t i = 0; i < contents.records.size(); i++) {
        RecordCheck check = CheckRecord(package.file(), contents.records[i], count);
        damaged += !check.sound;
        progress.Clear();
        std::printf("%zu %s: %s\n", i, package.DisplayName(i).c_str(), Describe(contents.records[i], check).c_str());
        std::fflush(stdout);
    }
    progress.Finish();
    return damaged;
}

// The verdict on the whole package, after its records: the exit status.
static int Verdict(const std::string &path, const OpenedPackage &package, const SignatureStatus &signature,
                   size_t damaged)
{
    size_t records = package.contents().records.size();
    if (damaged) {
        std::fprintf(stderr, "scrpack: %s is damaged: %zu of %zu records\n", path.c_str(), damaged, records);
        return 1;
    }
    if (!package.problems().empty()) {
        std::fprintf(stderr, "scrpack: %s is damaged: %s\n", path.c_str(), package.problems()[0].c_str());
        return 1;
    }
    if (CheckFileIntegrity(signature) == FileIntegrity::Damaged) {
        std::fprintf(stderr, "scrpack: %s is %s\n", path.c_str(), DescribeIntegrity(signature).c_str());
        return 1;
    }
    // What was checked, and no more: a block's code can't tell whether it
    // decodes to the bytes it was made from; the CRC-32 and the checksum can.
    std::string sums = CheckedSums(signature);
    std::printf("%s: %s%zu records decode to their full size\n", path.c_str(),
                sums.empty() ? "all " : ("intact (" + sums + "), and all ").c_str(), records);
    return 0;
}

int VerifyCommand(const std::string &path)
{
    OpenedPackage package;
    SignatureStatus signature;
    if (!OpenCheckedPackage(path, &package, &signature, stderr))
        return 1;
    size_t damaged = CheckRecords(package);
    for (const std::string &problem : package.problems())
        std::printf("%s: damaged: %s\n", path.c_str(), problem.c_str());
    // The signature and what follows the last block: reported, never a
    // fault of the records.
    std::printf("%s: signed: %s\n", path.c_str(), DescribeSignature(signature).c_str());
    std::printf("%s: %s\n", path.c_str(), DescribeIntegrity(signature).c_str());
    std::fflush(stdout);
    for (const std::string &warning : signature.warnings)
        std::fprintf(stderr, "scrpack: warning: %s: %s\n", path.c_str(), warning.c_str());
    return Verdict(path, package, signature, damaged);
}
