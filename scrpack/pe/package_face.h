// The package's own face: the author's icon in place of the stub's, and a
// version resource that names the screen saver, so that in Windows' file
// properties one package differs from another.
#ifndef SCRPACK_PE_PACKAGE_FACE_H
#define SCRPACK_PE_PACKAGE_FACE_H

#include <string>

#include "scrpack/text/bytes.h"

struct FaceOptions {
    std::string icon;           // --icon: an .ico file; empty keeps the stub's icon
    std::string fileVersion;    // --file-version; empty: kDefaultVersion
    std::string productVersion; // --product-version; empty: the file version
    std::string company;        // --company: CompanyName; empty leaves it out
    std::string copyright;      // --copyright: LegalCopyright; empty leaves it out
};

// The problem with a version option's value, or empty.
std::string CheckFaceOptions(const FaceOptions &face);

// Rewrites the stub's resources: the icon group (and its images) replaced
// by the icon file's when one is given, the version resource replaced by
// one whose ProductName is the display name (ANSI, as packed) and whose
// FileDescription is the installer's caption.  The stub keeps stubfix's
// layout.  False with one line on failure.
bool ApplyPackageFace(const FaceOptions &face, const std::string &ansiName, Bytes *stub, std::string *error);

#endif
