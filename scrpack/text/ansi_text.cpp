// Text conversion and checks for package texts.
#include "scrpack/text/ansi_text.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "package/package_format.h"
#include "scrpack/system/system.h"

static bool Fail(std::string *error, const std::string &text)
{
    if (error)
        *error = text;
    return false;
}

// Characters 0x80-0x9F of Windows-1252; 0 marks the five unassigned codes.
static const uint16_t kWindows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

static int ToWindows1252(uint32_t code)
{
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF))
        return (int)code;
    for (int i = 0; i < 32; i++)
        if (kWindows1252High[i] != 0 && kWindows1252High[i] == code)
            return 0x80 + i;
    return -1;
}

// The character whose UTF-8 form starts at byte i, and its length; false
// for anything that is not valid UTF-8.
static bool DecodeUtf8(const std::string &utf8, size_t i, uint32_t *code, size_t *length)
{
    uint8_t lead = (uint8_t)utf8[i];
    if (lead < 0x80) {
        *code = lead;
        *length = 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        *code = lead & 0x1F;
        *length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        *code = lead & 0x0F;
        *length = 3;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        *code = lead & 0x07;
        *length = 4;
    } else {
        return false;
    }
    if (utf8.size() - i < *length)
        return false;
    for (size_t k = 1; k < *length; k++) {
        uint8_t next = (uint8_t)utf8[i + k];
        if ((next & 0xC0) != 0x80)
            return false;
        *code = *code << 6 | (next & 0x3F);
    }
    // Overlong forms, surrogates and values beyond U+10FFFF.
    return !((*length == 3 && *code < 0x800) || (*length == 4 && (*code < 0x10000 || *code > 0x10FFFF)) ||
             (*code >= 0xD800 && *code <= 0xDFFF));
}

bool Utf8ToAnsi(const std::string &utf8, std::string *ansi, std::string *error)
{
    std::string out;
    size_t i = 0;
    while (i < utf8.size()) {
        uint32_t code;
        size_t length;
        if (!DecodeUtf8(utf8, i, &code, &length))
            return Fail(error, "not valid UTF-8 at byte " + std::to_string(i));
        int byte = ToWindows1252(code);
        if (byte < 0) {
            char text[16];
            std::snprintf(text, sizeof text, "U+%04X", (unsigned)code);
            return Fail(error, std::string("character ") + text + " at byte " + std::to_string(i) +
                                   " has no Windows-1252 form");
        }
        out.push_back((char)byte);
        i += length;
    }
    *ansi = out;
    return true;
}

std::string AnsiToUtf8(const std::string &ansi)
{
    std::string out;
    for (unsigned char c : ansi) {
        uint32_t code = c >= 0x80 && c < 0xA0 ? kWindows1252High[c - 0x80] : c;
        if (code == 0 && c != 0)
            code = 0xFFFD;
        if (code < 0x80) {
            out.push_back((char)code);
        } else if (code < 0x800) {
            out.push_back((char)(0xC0 | code >> 6));
            out.push_back((char)(0x80 | (code & 0x3F)));
        } else {
            out.push_back((char)(0xE0 | code >> 12));
            out.push_back((char)(0x80 | (code >> 6 & 0x3F)));
            out.push_back((char)(0x80 | (code & 0x3F)));
        }
    }
    return out;
}

std::string StripByteOrderMark(const std::string &text)
{
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        return text.substr(3);
    return text;
}

std::string ToCrLf(const std::string &text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    for (size_t i = 0; i < text.size(); i++) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            out.push_back('\r');
        out.push_back(text[i]);
    }
    return out;
}

static bool IsForbiddenInFileName(unsigned char c)
{
    return c < 0x20 || c == 0x7F || std::strchr("\\/:*?\"<>|", c) != nullptr;
}

static char Upper(char c)
{
    return c >= 'a' && c <= 'z' ? (char)(c - 'a' + 'A') : c;
}

bool CheckScreenSaverName(const std::string &name, std::string *error)
{
    std::string trimmed = name.substr(0, name.find_last_not_of(' ') + 1);
    if (trimmed.empty())
        return Fail(error, "the name is empty");
    // The installer appends ".scr" inside a 260-byte buffer; a longer name
    // would be cut and the data folder would no longer match it.
    if (trimmed.size() > kMaxNameLength - 4)
        return Fail(error, "the name is longer than 255 characters");
    for (unsigned char c : trimmed)
        if (IsForbiddenInFileName(c))
            return Fail(error, "the name contains a character that file names cannot hold "
                               "(control characters or \\ / : * ? \" < > |)");
    if (trimmed.find_first_not_of(". ") == std::string::npos)
        return Fail(error, "the name consists of dots and spaces only");
    // Windows drops a trailing dot from folder names, so the data folder
    // would differ from the name that the uninstall entry records.
    if (trimmed.back() == '.')
        return Fail(error, "the name ends with a dot");
    std::string device = trimmed.substr(0, trimmed.find('.'));
    device.resize(device.find_last_not_of(' ') + 1);
    for (char &c : device)
        c = Upper(c);
    static const char *const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    bool reserved = false;
    for (const char *d : kDevices)
        reserved |= device == d;
    // COM0 to COM9 and LPT0 to LPT9, and with a superscript digit (the
    // ANSI bytes of ¹, ² and ³), as Windows reserves them.
    unsigned char digit = device.size() == 4 ? (unsigned char)device[3] : 0;
    if ((device.compare(0, 3, "COM") == 0 || device.compare(0, 3, "LPT") == 0) &&
        ((digit >= '0' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3))
        reserved = true;
    if (reserved)
        return Fail(error, "the name is a reserved device name (" + AnsiToUtf8(device) + ")");
    return true;
}

bool MakeNameTail(const std::string &sourcePath, char prefixSelector, char tail[16], std::string *error)
{
    std::string base = sourcePath.substr(sourcePath.find_last_of(kPathSeparators) + 1);
    size_t dot = base.find_last_of('.');
    std::string extension = dot == std::string::npos ? "" : base.substr(dot);
    if (extension == ".")
        extension.clear();
    if (extension.size() > kNameTailTextSize)
        return Fail(error, "the extension of " + sourcePath + " is longer than 15 characters");
    for (char &c : extension) {
        unsigned char u = (unsigned char)c;
        if (u > 0x7E || u == ' ' || IsForbiddenInFileName(u))
            return Fail(error, "the extension of " + sourcePath + " has characters unfit for a Windows file name");
        c = Upper(c);
    }
    // Zero bytes end the tail: padding with spaces would put trailing
    // spaces into the installed file's name and its install-log line.
    std::memset(tail, 0, 16);
    std::memcpy(tail, extension.data(), extension.size());
    tail[kNameTailPrefixByte] = prefixSelector;
    return true;
}

bool MakeGivenNameTail(const std::string &text, char prefixSelector, char tail[16], std::string *error)
{
    if (text.size() > kNameTailTextSize)
        return Fail(error, "the tail \"" + text + "\" is longer than 15 characters");
    for (unsigned char c : text)
        if (IsForbiddenInFileName(c))
            return Fail(error, "the tail \"" + text + "\" has characters unfit for a Windows file name");
    // Windows drops a name's trailing dots (and spaces, which the
    // installer removes itself).
    size_t last = text.find_last_not_of(' ');
    if (last != std::string::npos && text[last] == '.')
        return Fail(error, "the tail \"" + text + "\" ends with a dot, which Windows drops from a file name");
    std::memset(tail, 0, 16);
    std::memcpy(tail, text.data(), text.size());
    tail[kNameTailPrefixByte] = prefixSelector;
    return true;
}

void MakeFixedNameTail(char tail[16])
{
    std::memset(tail, ' ', 16);
    std::memcpy(tail, ".TMP", 4);
}
