// The summary "scrpack build" ends with: per file how it is carried and
// what it costs in the package, then the totals.
#ifndef SCRPACK_COMMANDS_SIZE_TABLE_H
#define SCRPACK_COMMANDS_SIZE_TABLE_H

#include <cstdint>
#include <string>
#include <vector>

#include "scrpack/package_file/package_writer.h"

struct SizeRow {
    std::string installsAs; // UTF-8
    std::string source;
    bool packed = false;
    uint64_t original = 0;  // bytes installed
    uint64_t inPackage = 0; // bytes of the block
};

// The rows of a built package, in record order.
std::vector<SizeRow> SizeRows(const PackageInput &spec, const BuiltPackage &built);

// The table, one line per file and a total line, then the package's
// make-up (stub, manifest, blocks, and the signature when there is one:
// the signer's padding and certificate table).  Ratios are bytes in the
// package per byte installed, in percent.
std::string FormatSizeTable(const std::vector<SizeRow> &rows, uint64_t manifestOffset, uint64_t packageSize,
                            const std::string &output, uint64_t signatureBytes = 0);

#endif
