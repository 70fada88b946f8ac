#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/portable/rules.h"
#include "package/link_levels.h"

namespace {

// A file system of attributes by path; every read is recorded.
struct FakeSystem {
    std::map<std::string, uint32_t> attributes;
    std::vector<std::string> read;
};

uint32_t Read(const char *path, void *context)
{
    FakeSystem *system = static_cast<FakeSystem *>(context);
    system->read.push_back(path);
    auto found = system->attributes.find(path);
    return found == system->attributes.end() ? kAttributesInvalid : found->second;
}

} // namespace

TEST(LinkLevels, EveryKindOfReparsePointIsALink)
{
    // Junctions and mount points are folders, symbolic links either; the
    // other bits change nothing.
    for (uint32_t attributes : {0x400u, 0x410u, 0x420u, 0x411u, 0x2410u})
        EXPECT_TRUE(IsLinkAttributes(attributes)) << attributes;
    for (uint32_t attributes : {0x10u, 0x20u, 0x80u, 0x1u, 0x2010u, uint32_t{kAttributesInvalid}})
        EXPECT_FALSE(IsLinkAttributes(attributes)) << attributes;
}

TEST(LinkLevels, LevelsBelowTheBaseThatHoldsThePathAreReadOutermostFirst)
{
    const char *bases[] = {"c:\\programdata", "C:\\Windows\\"};
    const std::string tooLong = "C:\\" + std::string(300, 'a'); // not walked: counts as a link
    struct Case {
        const char *path;
        std::map<std::string, uint32_t> attributes;
        std::vector<std::string> read;
        const char *found;
    } cases[] = {
        {"C:\\ProgramData\\Q\\G\\N\\f.dat", {{"C:\\ProgramData", 0x410}, {"C:\\ProgramData\\Q", 0x10}},
         {"C:\\ProgramData\\Q", "C:\\ProgramData\\Q\\G", "C:\\ProgramData\\Q\\G\\N", "C:\\ProgramData\\Q\\G\\N\\f.dat"},
         ""},
        {"C:\\ProgramData\\Q\\G\\N\\f.dat", {{"C:\\ProgramData\\Q\\G", 0x410}},
         {"C:\\ProgramData\\Q", "C:\\ProgramData\\Q\\G"}, "C:\\ProgramData\\Q\\G"},
        {"C:\\WINDOWS\\Night.scr", {{"C:\\WINDOWS\\Night.scr", 0x410}}, {"C:\\WINDOWS\\Night.scr"},
         "C:\\WINDOWS\\Night.scr"},
        // Below neither base (a name that only starts like one): from the root.
        {"C:\\ProgramDataX\\a\\f.txt", {}, {"C:\\ProgramDataX", "C:\\ProgramDataX\\a", "C:\\ProgramDataX\\a\\f.txt"}, ""},
        {"\\\\server\\share\\a\\f.txt", {{"\\\\server\\share\\a\\f.txt", 0x420}},
         {"\\\\server\\share\\a", "\\\\server\\share\\a\\f.txt"}, "\\\\server\\share\\a\\f.txt"},
        {tooLong.c_str(), {}, {}, tooLong.c_str()},
    };
    for (const Case &c : cases) {
        FakeSystem system{c.attributes, {}};
        char found[260];
        int link = FindLinkBelow(c.path, bases, 2, Read, &system, found, sizeof found);
        EXPECT_EQ(system.read, c.read) << c.path;
        EXPECT_EQ(link, c.found[0] != '\0') << c.path;
        EXPECT_EQ(std::string(found), std::string(c.found).substr(0, 259)) << c.path;
    }
}

TEST(AdminOnlyDescriptor, OwnedByAdministratorsProtectedAndOnlyAdministratorsWrite)
{
    const std::string sddl = TEXT_ADMIN_ONLY_SDDL;
    const size_t first = sddl.find('(');
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(sddl.substr(0, first), "O:BAD:P"); // owner Administrators, the DACL protected
    std::set<std::string> aces;
    for (size_t at = first; at < sddl.size() && sddl[at] == '(';) {
        const size_t end = sddl.find(')', at);
        ASSERT_NE(end, std::string::npos);
        aces.insert(sddl.substr(at, end + 1 - at));
        at = end + 1;
    }
    EXPECT_EQ(aces, (std::set<std::string>{"(A;OICI;FA;;;SY)", "(A;OICI;FA;;;BA)", "(A;OICI;0x1200a9;;;BU)"}));
}
