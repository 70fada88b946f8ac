// Rewriting an installer stub's resource section with other resources:
// the named "LASTRES" type stays the first entry of the directory and its
// placeholder the last data item (stubfix's layout), so that the result is
// a stub as the installer and BuildPackage expect.
#ifndef SCRPACK_PE_RESOURCE_SECTION_H
#define SCRPACK_PE_RESOURCE_SECTION_H

#include <string>
#include <vector>

#include "scrpack/pe/pe_image.h"
#include "scrpack/text/bytes.h"

struct ResourceItem {
    ResourceKey type;
    ResourceKey name;
    uint32_t language = 0;
    uint32_t codePage = 0;
    Bytes data;
};

// Every resource of the image's .rsrc section, in directory order.
bool ReadResourceItems(const Bytes &image, std::vector<ResourceItem> *items, std::string *error);

// Replaces the .rsrc section, which must end the image, by one that holds
// items (sorted as Windows wants them: names before ids, each in order),
// fixes the headers that describe it, and lays it out as stubfix does.
// Anything after the section (a package's manifest and blocks) is dropped.
bool WriteResourceSection(Bytes *image, std::vector<ResourceItem> items, std::string *error);

#endif
