// ReadIconFile.  An .ico is ICONDIR (reserved 0, type 1, count) and a
// 16-byte ICONDIRENTRY per image ending in the image's size and file
// offset; in RT_GROUP_ICON each entry is 14 bytes and ends in a 16-bit id
// in place of the offset.
#include "scrpack/pe/icon_file.h"

static bool Fail(std::string *error, const std::string &text)
{
    *error = text;
    return false;
}

bool ReadIconFile(const Bytes &file, uint16_t firstId, IconResources *icon, std::string *error)
{
    *icon = IconResources();
    if (file.size() < 6 || LoadLe16(file, 0) != 0 || LoadLe16(file, 2) != 1)
        return Fail(error, "is not an icon file (.ico)");
    size_t count = LoadLe16(file, 4);
    if (count == 0)
        return Fail(error, "holds no image");
    if (!InRange(file.size(), 6, 16 * (uint64_t)count))
        return Fail(error, "ends inside its directory of images");
    if (count > 0xFFFFu - firstId)
        return Fail(error, "holds too many images");
    icon->group.assign(file.begin(), file.begin() + 6);
    for (size_t i = 0; i < count; i++) {
        size_t entry = 6 + 16 * i;
        uint32_t size = LoadLe32(file, entry + 8), offset = LoadLe32(file, entry + 12);
        if (size == 0 || !InRange(file.size(), offset, size))
            return Fail(error, "has image " + std::to_string(i + 1) + " outside the file");
        icon->images.emplace_back(file.begin() + offset, file.begin() + offset + size);
        icon->group.insert(icon->group.end(), file.begin() + (ptrdiff_t)entry, file.begin() + (ptrdiff_t)entry + 12);
        icon->group.push_back((uint8_t)(firstId + i));
        icon->group.push_back((uint8_t)((firstId + i) >> 8));
    }
    return true;
}
