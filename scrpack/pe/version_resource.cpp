// BuildVersionResource: VS_VERSIONINFO as Windows lays it out.  Every
// structure in it is {wLength, wValueLength, wType, szKey, padding, value,
// padding, children}, each part starting on a 32-bit boundary.
#include "scrpack/pe/version_resource.h"

#include <cstdlib>
#include <vector>

const char kDefaultVersion[] = "1.0.0.0";

namespace {

using Utf16 = std::vector<uint16_t>;

// UTF-8 to UTF-16; false on malformed UTF-8.
bool ToUtf16(const std::string &text, Utf16 *out)
{
    out->clear();
    for (size_t i = 0; i < text.size();) {
        unsigned char c = (unsigned char)text[i];
        int extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
        if (extra < 0 || i + (size_t)extra >= text.size() + (extra ? 0 : 1))
            return false;
        uint32_t code = extra ? c & (0x3F >> extra) : c;
        for (int k = 1; k <= extra; k++) {
            unsigned char next = (unsigned char)text[i + (size_t)k];
            if ((next & 0xC0) != 0x80)
                return false;
            code = code << 6 | (next & 0x3F);
        }
        static const uint32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
        if (code < kLeast[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        if (code >= 0x10000) {
            out->push_back((uint16_t)(0xD800 + ((code - 0x10000) >> 10)));
            out->push_back((uint16_t)(0xDC00 + ((code - 0x10000) & 0x3FF)));
        } else {
            out->push_back((uint16_t)code);
        }
        i += (size_t)extra + 1;
    }
    return true;
}

void Put16(Bytes *out, uint16_t value)
{
    out->push_back((uint8_t)value);
    out->push_back((uint8_t)(value >> 8));
}

void Put32(Bytes *out, uint32_t value)
{
    Put16(out, (uint16_t)value);
    Put16(out, (uint16_t)(value >> 16));
}

void PadTo32(Bytes *out)
{
    while (out->size() % 4)
        out->push_back(0);
}

void PutText(Bytes *out, const Utf16 &text)
{
    for (uint16_t unit : text)
        Put16(out, unit);
    Put16(out, 0);
}

Utf16 Ascii(const char *text)
{
    Utf16 wide;
    for (; *text; text++)
        wide.push_back((uint8_t)*text);
    return wide;
}

// One structure: header, key, value, children; its length filled in.
// valueLength counts bytes for binary values, characters for texts.
Bytes Node(const char *key, bool textValue, uint16_t valueLength, const Bytes &value, const Bytes &children)
{
    Bytes out;
    Put16(&out, 0);
    Put16(&out, valueLength);
    Put16(&out, textValue ? 1 : 0);
    PutText(&out, Ascii(key));
    PadTo32(&out);
    out.insert(out.end(), value.begin(), value.end());
    if (!children.empty()) {
        PadTo32(&out);
        out.insert(out.end(), children.begin(), children.end());
    }
    out[0] = (uint8_t)out.size();
    out[1] = (uint8_t)(out.size() >> 8);
    return out;
}

// Children follow each other on 32-bit boundaries.
void Append(Bytes *children, const Bytes &child)
{
    PadTo32(children);
    children->insert(children->end(), child.begin(), child.end());
}

} // namespace

bool ParseVersionNumber(const std::string &text, uint32_t *high, uint32_t *low)
{
    uint32_t parts[4] = {0, 0, 0, 0};
    size_t start = 0;
    for (int count = 0;; count++) {
        size_t dot = text.find('.', start);
        std::string part = text.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
        if (count == 4 || part.empty() || part.size() > 5 || part.find_first_not_of("0123456789") != std::string::npos)
            return false;
        unsigned long value = std::strtoul(part.c_str(), nullptr, 10);
        if (value > 65535)
            return false;
        parts[count] = (uint32_t)value;
        if (dot == std::string::npos)
            break;
        start = dot + 1;
    }
    *high = parts[0] << 16 | parts[1];
    *low = parts[2] << 16 | parts[3];
    return true;
}

// The string table's entries: each detail that is given.
static bool StringTable(const VersionDetails &details, Bytes *table, std::string *error)
{
    const std::pair<const char *, const std::string *> strings[] = {
        {"CompanyName", &details.company},       {"FileDescription", &details.fileDescription},
        {"FileVersion", &details.fileVersion},   {"LegalCopyright", &details.copyright},
        {"ProductName", &details.productName},   {"ProductVersion", &details.productVersion},
    };
    for (const auto &entry : strings) {
        Utf16 value;
        if (!ToUtf16(*entry.second, &value)) {
            *error = std::string(entry.first) + " is not valid UTF-8";
            return false;
        }
        if (value.empty())
            continue;
        if (value.size() > 1000) {
            *error = std::string(entry.first) + " is longer than 1000 characters";
            return false;
        }
        Bytes text;
        PutText(&text, value);
        Append(table, Node(entry.first, true, (uint16_t)(value.size() + 1), text, Bytes()));
    }
    return true;
}

bool BuildVersionResource(const VersionDetails &details, Bytes *block, std::string *error)
{
    uint32_t fileHigh, fileLow, productHigh, productLow;
    if (!ParseVersionNumber(details.fileVersion, &fileHigh, &fileLow) ||
        !ParseVersionNumber(details.productVersion, &productHigh, &productLow)) {
        *error = "a version is up to four numbers from 0 to 65535 with dots between them";
        return false;
    }
    Bytes fixed;
    for (uint32_t value : {0xFEEF04BDu, 0x00010000u, fileHigh, fileLow, productHigh, productLow,
                           0x3Fu,       // VS_FFI_FILEFLAGSMASK
                           0u,          // no flags
                           0x00040004u, // VOS_NT_WINDOWS32
                           1u,          // VFT_APP
                           0u, 0u, 0u}) // subtype, date (none: the same bytes on every build)
        Put32(&fixed, value);

    Bytes table;
    if (!StringTable(details, &table, error))
        return false;
    Bytes stringFileInfo = Node("StringFileInfo", true, 0, Bytes(), Node("040904B0", true, 0, Bytes(), table));
    Bytes translation;
    Put16(&translation, 0x0409); // US English
    Put16(&translation, 1200);   // Unicode
    Bytes varFileInfo = Node("VarFileInfo", true, 0, Bytes(), Node("Translation", false, 4, translation, Bytes()));
    Bytes children;
    Append(&children, stringFileInfo);
    Append(&children, varFileInfo);
    *block = Node("VS_VERSION_INFO", false, (uint16_t)fixed.size(), fixed, children);
    return true;
}
