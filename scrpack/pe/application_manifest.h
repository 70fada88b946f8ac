// The application manifest an installer stub carries (resource type
// RT_MANIFEST, id 1): Windows reads it before the program's first
// instruction.  A manifest that is not well-formed XML stops the program
// from starting at all ("side-by-side configuration is incorrect"), and one
// without requireAdministrator lets Windows run the installer unelevated,
// with its writes into the Windows folder and HKLM redirected into the
// user's VirtualStore.  scrpack refuses to build on such a stub.
#ifndef SCRPACK_PE_APPLICATION_MANIFEST_H
#define SCRPACK_PE_APPLICATION_MANIFEST_H

#include <string>

#include "scrpack/text/bytes.h"

// What the manifest asks of Windows; empty when it does not say.
struct ApplicationManifest {
    std::string level;    // requestedExecutionLevel's level
    std::string uiAccess; // requestedExecutionLevel's uiAccess
};

// Checks that text (UTF-8, or UTF-16 with its byte order mark) is one
// well-formed XML document and reads the execution level from it.  On
// failure error says where: "line N: what".
bool ParseApplicationManifest(const Bytes &text, ApplicationManifest *manifest, std::string *error);

// Finds the stub's manifest and checks that it parses and asks for
// requireAdministrator.  The error is one line for the user.
bool CheckStubManifest(const Bytes &image, std::string *error);

#endif
