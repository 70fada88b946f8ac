#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/portable/rules.h"
#include "package/link_levels.h"

// A file system of attributes by path, which records every read.
struct FakeSystem {
    std::map<std::string, uint32_t> attributes;
    std::vector<std::string> read;
};

static uint32_t Read(const char *path, void *context)
{
    FakeSystem *system = static_cast<FakeSystem *>(context);
    system->read.push_back(path);
    return system->attributes.count(path) ? system->attributes[path] : uint32_t{kAttributesInvalid};
}

TEST(LinkLevels, TheFirstLinkBelowTheBaseThatHoldsThePathIsFound)
{
    const char *bases[] = {"c:\\programdata", "C:\\Windows\\"};
    const std::string tooLong = "C:\\" + std::string(300, 'a'); // not walked: counts as a link
    const std::string q = "C:\\ProgramData\\Q", g = q + "\\G", f = g + "\\f.dat";
    struct {
        std::string path;
        std::map<std::string, uint32_t> attributes;
        std::vector<std::string> read;
        std::string found;
    } cases[] = {
        // Junctions and mount points are folders, symbolic links either;
        // other bits do not matter.  The base itself is not read.
        {f, {{"C:\\ProgramData", 0x410}, {q, 0x10}, {g, 0x2010}, {f, 0x21}}, {q, g, f}, ""},
        {f, {{g, 0x410}}, {q, g}, g},
        {f, {{q, 0x400}}, {q}, q},
        {"C:\\WINDOWS\\N.scr", {{"C:\\WINDOWS\\N.scr", 0x420}}, {"C:\\WINDOWS\\N.scr"}, "C:\\WINDOWS\\N.scr"},
        // Below neither base (a name that only starts like one): from the root.
        {"C:\\ProgramDataX\\f", {}, {"C:\\ProgramDataX", "C:\\ProgramDataX\\f"}, ""},
        {"\\\\server\\share\\a\\f", {{"\\\\server\\share\\a", 0x411}}, {"\\\\server\\share\\a"}, "\\\\server\\share\\a"},
        {tooLong, {}, {}, tooLong.substr(0, 259)},
    };
    for (const auto &c : cases) {
        FakeSystem system{c.attributes, {}};
        char found[260];
        EXPECT_EQ(FindLinkBelow(c.path.c_str(), bases, 2, Read, &system, found, sizeof found), !c.found.empty());
        EXPECT_EQ(system.read, c.read) << c.path;
        EXPECT_EQ(found, c.found) << c.path;
    }
}

TEST(AdminOnlyDescriptor, OwnedByAdministratorsProtectedAndOnlyAdministratorsWrite)
{
    const std::string sddl = TEXT_ADMIN_ONLY_SDDL;
    const size_t first = sddl.find('(');
    EXPECT_EQ(sddl.substr(0, first), "O:BAD:P"); // owner Administrators, the DACL protected
    std::set<std::string> aces;
    for (size_t at = first; at < sddl.size() && sddl[at] == '('; at = sddl.find(')', at) + 1)
        aces.insert(sddl.substr(at, sddl.find(')', at) + 1 - at));
    EXPECT_EQ(aces, (std::set<std::string>{"(A;OICI;FA;;;SY)", "(A;OICI;FA;;;BA)", "(A;OICI;0x1200a9;;;BU)"}));
}
