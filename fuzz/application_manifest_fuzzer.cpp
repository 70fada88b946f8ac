// scrpack's application manifest reader over arbitrary bytes: it must end,
// stay in bounds, and never accept a document whose tags do not nest.
// Seeds: the manifest the installer and the uninstaller carry.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "scrpack/pe/application_manifest.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Bytes text(data, data + size);
    ApplicationManifest manifest;
    std::string error;
    bool parsed = ParseApplicationManifest(text, &manifest, &error);
    // A failure always says where; a success says nothing.
    if (parsed != error.empty() || (!parsed && error.compare(0, 5, "line ") != 0))
        abort();
    return 0;
}
