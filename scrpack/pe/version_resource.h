// The package's version resource (RT_VERSION 1): the block that Windows
// shows in a file's properties and GetFileVersionInfo reads, naming the
// screen saver the package installs.
#ifndef SCRPACK_PE_VERSION_RESOURCE_H
#define SCRPACK_PE_VERSION_RESOURCE_H

#include <cstdint>
#include <string>

#include "scrpack/text/bytes.h"

// What the version block says; the texts in UTF-8.  An empty company or
// copyright leaves its string out.
struct VersionDetails {
    std::string productName;     // ProductName: the display name
    std::string fileDescription; // FileDescription
    std::string fileVersion;     // FileVersion, as given: "1.2" or "1.2.3.4"
    std::string productVersion;  // ProductVersion, as given
    std::string company;         // CompanyName
    std::string copyright;       // LegalCopyright
};

// The default for --file-version (and --product-version, which follows
// --file-version when not given).
extern const char kDefaultVersion[];

// Reads "A[.B[.C[.D]]]", each part a number from 0 to 65535, into the
// two 32-bit halves of VS_FIXEDFILEINFO (A.B high, C.D low; missing parts
// 0).  False for anything else.
bool ParseVersionNumber(const std::string &text, uint32_t *high, uint32_t *low);

// The VS_VERSIONINFO block: the fixed part (the numbers of fileVersion and
// productVersion, a Win32 application, no date) and one string table in
// US English, Unicode (040904B0), with its translation.  False, with the
// reason, for a version that does not parse or a text that is no UTF-8.
bool BuildVersionResource(const VersionDetails &details, Bytes *block, std::string *error);

#endif
