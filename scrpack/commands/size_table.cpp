// FormatSizeTable: the closing summary of a build.
#include "scrpack/commands/size_table.h"

#include <algorithm>
#include <cstdio>

#include "scrpack/package_file/package_reader.h"
#include "scrpack/text/ansi_text.h"

std::vector<SizeRow> SizeRows(const PackageInput &spec, const BuiltPackage &built)
{
    // The names come from the same rules "scrpack list" uses.
    PackageContents contents;
    contents.name = spec.name;
    contents.firstFileNumber = spec.firstFileNumber;
    contents.records = built.records;
    std::vector<SizeRow> rows;
    for (size_t i = 0; i < built.records.size(); i++) {
        SizeRow row;
        row.installsAs = AnsiToUtf8(InstalledFileName(contents, i));
        row.source = spec.files[i].label;
        row.packed = built.records[i].originalSize != 0;
        row.original = spec.files[i].content.size();
        row.inPackage = built.records[i].storedSize;
        rows.push_back(row);
    }
    return rows;
}

static std::string Thousands(uint64_t value)
{
    std::string digits = std::to_string(value), out;
    for (size_t i = 0; i < digits.size(); i++) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

static std::string Ratio(uint64_t part, uint64_t whole)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f%%", whole ? 100.0 * (double)part / (double)whole : 100.0);
    return text;
}

// Columns on a terminal: UTF-8 continuation bytes take none.
static size_t Columns(const std::string &text)
{
    return (size_t)std::count_if(text.begin(), text.end(), [](char c) { return ((unsigned char)c & 0xC0) != 0x80; });
}

static std::string Left(const std::string &text, size_t width)
{
    return text + std::string(width > Columns(text) ? width - Columns(text) : 0, ' ');
}

static std::string Right(const std::string &text, size_t width)
{
    return std::string(width > Columns(text) ? width - Columns(text) : 0, ' ') + text;
}

std::string FormatSizeTable(const std::vector<SizeRow> &rows, uint64_t manifestOffset, uint64_t packageSize,
                            const std::string &output, uint64_t signatureBytes)
{
    uint64_t installed = 0, inPackage = 0;
    size_t packed = 0;
    for (const SizeRow &row : rows) {
        installed += row.original;
        inPackage += row.inPackage;
        packed += row.packed;
    }
    std::string totalLabel = std::to_string(rows.size()) + (rows.size() == 1 ? " file, " : " files, ") +
                             std::to_string(packed) + " packed";
    size_t nameWidth = std::max(Columns("installs as"), Columns(totalLabel));
    for (const SizeRow &row : rows)
        nameWidth = std::max(nameWidth, Columns(row.installsAs));
    size_t numberWidth = std::max(Columns("in package"), Thousands(std::max(installed, packageSize)).size());

    auto line = [&](const std::string &name, const std::string &method, const std::string &original,
                    const std::string &stored, const std::string &ratio, const std::string &source) {
        std::string text = Left(name, nameWidth) + "  " + Left(method, 6) + "  " + Right(original, numberWidth) +
                           "  " + Right(stored, numberWidth) + "  " + Right(ratio, 6);
        if (!source.empty())
            text += "  " + source;
        return text + "\n";
    };
    std::string table = line("installs as", "method", "installed", "in package", "ratio", "from");
    for (const SizeRow &row : rows)
        table += line(row.installsAs, row.packed ? "packed" : "stored", Thousands(row.original),
                      Thousands(row.inPackage), Ratio(row.inPackage, row.original), row.source);
    table += line(totalLabel, "", Thousands(installed),
                  Thousands(inPackage), Ratio(inPackage, installed), "");
    uint64_t manifest = packageSize - signatureBytes - manifestOffset - inPackage;
    table += output + ": " + Thousands(packageSize) + " bytes: installer " + Thousands(manifestOffset) +
             ", manifest " + Thousands(manifest) + ", files " + Thousands(inPackage) +
             (signatureBytes ? ", signature " + Thousands(signatureBytes) : "") + "\n";
    return table;
}
