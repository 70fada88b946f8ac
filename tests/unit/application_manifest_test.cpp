// The application manifest reader: what Windows would refuse to start is
// refused, and the execution level is read wherever the manifest puts it.
#include <gtest/gtest.h>

#include <string>

#include "scrpack/pe/application_manifest.h"

namespace {

bool Parse(const std::string &text, ApplicationManifest *manifest, std::string *error)
{
    return ParseApplicationManifest(Bytes(text.begin(), text.end()), manifest, error);
}

TEST(ApplicationManifest, ReadsTheLevelOfWellFormedManifests)
{
    using namespace std::string_literals;
    const struct {
        std::string text;
        const char *level;
    } cases[] = {
        {"<?xml version='1.0'?>\n<!-- a - comment -->\n<assembly xmlns='urn:schemas-microsoft-com:asm.v1'>"
         "<trustInfo><security><requestedPrivileges>"
         "<requestedExecutionLevel level=\"requireAdministrator\" uiAccess='false'/>"
         "</requestedPrivileges></security></trustInfo></assembly>\n",
         "requireAdministrator"},
        // A prefixed element, references, CDATA and NUL padding.
        {"\xEF\xBB\xBF<asm:assembly xmlns:asm='x'><asm:requestedExecutionLevel level = \"asInvoker\" />"
         "<d>&amp;&#65;&#x42;<![CDATA[<raw>]]></d></asm:assembly>\n\0\0"s,
         "asInvoker"},
        {"<assembly/>", ""},
    };
    for (const auto &c : cases) {
        ApplicationManifest manifest;
        std::string error;
        EXPECT_TRUE(Parse(c.text, &manifest, &error)) << c.text << ": " << error;
        EXPECT_EQ(manifest.level, c.level) << c.text;
    }
    // UTF-16 with its byte order mark, as some resource compilers write it.
    const std::string narrow = "<a><requestedExecutionLevel level='requireAdministrator'/></a>";
    Bytes wide = {0xFF, 0xFE};
    for (char c : narrow) {
        wide.push_back((uint8_t)c);
        wide.push_back(0);
    }
    ApplicationManifest manifest;
    std::string error;
    ASSERT_TRUE(ParseApplicationManifest(wide, &manifest, &error)) << error;
    EXPECT_EQ(manifest.level, "requireAdministrator");
}

TEST(ApplicationManifest, RefusesWhatIsNotWellFormedAndSaysWhere)
{
    const struct {
        const char *text;
        const char *error;
    } cases[] = {
        {"", "line 1: the document has no root element"},
        {"<a>\n<b></a>", "line 2: </a> closes <b>"},
        {"<a>\n<b>", "line 2: <b> is never closed"},
        {"<a x=1/>", "the value of x is not quoted"},
        {"<a x='1' x='2'/>", "the attribute x is given twice"},
        {"<a x='1'y='2'/>", "a space must come before an attribute"},
        {"<a x='<'/>", "'<' inside the value of x"},
        {"<a>&nbsp;</a>", "unknown reference &nbsp;"},
        {"<a>& b</a>", "'&' starts no reference"},
        {"<a><!-- x -- y --></a>", "\"--\" inside a comment"},
        {"<!DOCTYPE a><a/>", "a declaration (DTD) has no place in a manifest"},
        {"<a/><b/>", "more follows the root element"},
        {"<a/>text", "more follows the root element"},
        {"<a>]]></a>", "\"]]>\" in text"},
        {"<a><1/></a>", "a name was expected"},
        {"<a", "the tag <a> is not closed"},
        {"<a><!-- open", "a comment is not closed"},
    };
    for (const auto &c : cases) {
        ApplicationManifest manifest;
        std::string error;
        EXPECT_FALSE(Parse(c.text, &manifest, &error)) << c.text;
        EXPECT_NE(error.find(c.error), std::string::npos) << c.text << ": " << error;
    }
    ApplicationManifest manifest;
    std::string error;
    EXPECT_FALSE(Parse(std::string("<a>\0</a>", 8), &manifest, &error));
    EXPECT_EQ(error, "line 1: a NUL byte");
}

} // namespace
