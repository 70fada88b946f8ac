// CheckFaceOptions and ApplyPackageFace.
#include "scrpack/pe/package_face.h"

#include <algorithm>

#include "resources/texts.h"
#include "scrpack/pe/icon_file.h"
#include "scrpack/pe/resource_section.h"
#include "scrpack/pe/version_resource.h"
#include "scrpack/system/file_io.h"
#include "scrpack/text/ansi_text.h"

namespace {

enum : uint32_t { kIconType = 3, kIconGroupType = 14, kVersionType = 16, kEnglishUs = 1033 };

bool IsType(const ResourceItem &item, uint32_t type)
{
    return !item.type.named && item.type.id == type;
}

ResourceItem Numbered(uint32_t type, uint32_t id, uint32_t language, Bytes data)
{
    ResourceItem item;
    item.type = {false, "", type};
    item.name = {false, "", id};
    item.language = language;
    item.data = std::move(data);
    return item;
}

// The installer's caption with the name in place of "%s".
std::string Caption(const std::string &name)
{
    std::string caption = TEXT_INSTALL_CAPTION;
    size_t at = caption.find("%s");
    return caption.replace(at, 2, name);
}

} // namespace

std::string CheckFaceOptions(const FaceOptions &face)
{
    uint32_t high, low;
    if (!face.fileVersion.empty() && !ParseVersionNumber(face.fileVersion, &high, &low))
        return "--file-version takes up to four numbers from 0 to 65535 with dots between them, such as 1.2.0.0";
    if (!face.productVersion.empty() && !ParseVersionNumber(face.productVersion, &high, &low))
        return "--product-version takes up to four numbers from 0 to 65535 with dots between them, such as 1.2";
    return "";
}

// The author's icon file in place of the stub's icons.
static bool ReplaceIcons(const std::string &path, std::vector<ResourceItem> *items, std::string *error)
{
    Bytes file;
    if (!ReadWholeFile(path, &file, error))
        return false;
    IconResources icon;
    std::string why;
    if (!ReadIconFile(file, 1, &icon, &why)) {
        *error = "--icon " + path + " " + why;
        return false;
    }
    // The author's group takes the id of the stub's first, which the
    // installer's window shows too.
    auto group = std::find_if(items->begin(), items->end(), [](const ResourceItem &i) { return IsType(i, kIconGroupType); });
    uint32_t groupId = group == items->end() || group->name.named ? 1 : group->name.id;
    uint32_t language = group == items->end() ? kEnglishUs : group->language;
    items->erase(std::remove_if(items->begin(), items->end(),
                                [](const ResourceItem &i) { return IsType(i, kIconType) || IsType(i, kIconGroupType); }),
                 items->end());
    for (size_t i = 0; i < icon.images.size(); i++)
        items->push_back(Numbered(kIconType, 1 + (uint32_t)i, language, icon.images[i]));
    items->push_back(Numbered(kIconGroupType, groupId, language, icon.group));
    return true;
}

bool ApplyPackageFace(const FaceOptions &face, const std::string &ansiName, Bytes *stub, std::string *error)
{
    std::vector<ResourceItem> items;
    std::string why;
    if (!ReadResourceItems(*stub, &items, &why)) {
        *error = "unusable installer stub: " + why;
        return false;
    }
    if (!face.icon.empty() && !ReplaceIcons(face.icon, &items, error))
        return false;
    VersionDetails details;
    std::string name = AnsiToUtf8(ansiName.substr(0, ansiName.find_last_not_of(' ') + 1));
    details.productName = name;
    details.fileDescription = Caption(name);
    details.fileVersion = face.fileVersion.empty() ? kDefaultVersion : face.fileVersion;
    details.productVersion = face.productVersion.empty() ? details.fileVersion : face.productVersion;
    details.company = face.company;
    details.copyright = face.copyright;
    Bytes version;
    if (!BuildVersionResource(details, &version, &why)) {
        *error = "the version resource: " + why;
        return false;
    }
    items.erase(std::remove_if(items.begin(), items.end(), [](const ResourceItem &i) { return IsType(i, kVersionType); }),
                items.end());
    items.push_back(Numbered(kVersionType, 1, kEnglishUs, version));
    if (!WriteResourceSection(stub, items, &why)) {
        *error = "unusable installer stub: " + why;
        return false;
    }
    return true;
}
