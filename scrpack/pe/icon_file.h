// An icon file (.ico) as the resources of a program carry it: each image
// becomes an RT_ICON resource, and the directory an RT_GROUP_ICON that
// names them by id.
#ifndef SCRPACK_PE_ICON_FILE_H
#define SCRPACK_PE_ICON_FILE_H

#include <cstdint>
#include <string>
#include <vector>

#include "scrpack/text/bytes.h"

struct IconResources {
    std::vector<Bytes> images; // RT_ICON data, one per image, in the file's order
    Bytes group;               // RT_GROUP_ICON data naming firstId, firstId + 1, ...
};

// Splits an .ico file; the group names the images from firstId on.  False,
// with the reason, for a file that is no icon file or whose images lie
// outside it.
bool ReadIconFile(const Bytes &file, uint16_t firstId, IconResources *icon, std::string *error);

#endif
