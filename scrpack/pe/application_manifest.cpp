// Reading an installer stub's application manifest.  A small XML reader of
// our own: scrpack.exe is one static program, and the manifest needs only
// the well-formedness rules (nesting, quoting, names, references) and one
// element's attributes.  DTDs, which no manifest has, are refused.
#include "scrpack/pe/application_manifest.h"

#include <cctype>
#include <cstring>
#include <vector>

#include "scrpack/pe/pe_image.h"

namespace {

const uint32_t kManifestType = 24; // RT_MANIFEST
const uint32_t kManifestId = 1;    // CREATEPROCESS_MANIFEST_RESOURCE_ID

// A cursor over the document that counts lines for the error.
struct XmlReader {
    const std::string &text;
    size_t at;
    std::string *error;
    ApplicationManifest *manifest;

    bool Fail(const std::string &what)
    {
        size_t line = 1;
        for (size_t i = 0; i < at && i < text.size(); i++)
            line += text[i] == '\n';
        *error = "line " + std::to_string(line) + ": " + what;
        return false;
    }

    bool AtEnd() const { return at >= text.size(); }
    bool LooksAt(const char *literal) const { return text.compare(at, std::strlen(literal), literal) == 0; }

    void SkipSpace()
    {
        while (!AtEnd() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\r' || text[at] == '\n'))
            at++;
    }

    // Names: ASCII letters, '_' and ':' first, then also digits, '-' and
    // '.'; bytes of non-ASCII characters are taken as letters.
    static bool NameStart(unsigned char c) { return std::isalpha(c) || c == '_' || c == ':' || c >= 0x80; }
    static bool NameChar(unsigned char c) { return NameStart(c) || std::isdigit(c) || c == '-' || c == '.'; }

    bool Name(std::string *name)
    {
        if (AtEnd() || !NameStart((unsigned char)text[at]))
            return Fail("a name was expected");
        size_t start = at;
        while (!AtEnd() && NameChar((unsigned char)text[at]))
            at++;
        *name = text.substr(start, at - start);
        return true;
    }

    // Up to and past the literal end.
    bool SkipPast(const char *end, const char *what)
    {
        size_t found = text.find(end, at);
        if (found == std::string::npos)
            return Fail(std::string(what) + " is not closed");
        at = found + std::strlen(end);
        return true;
    }

    // A character or entity reference after '&'.
    bool Reference()
    {
        at++;
        size_t end = text.find(';', at);
        if (end == std::string::npos || end == at || end - at > 10)
            return Fail("'&' starts no reference");
        std::string name = text.substr(at, end - at);
        bool known = name == "amp" || name == "lt" || name == "gt" || name == "quot" || name == "apos";
        if (!known && name[0] == '#') {
            bool hex = name.size() > 1 && name[1] == 'x';
            size_t digits = hex ? 2 : 1;
            known = name.size() > digits;
            for (size_t i = digits; i < name.size(); i++)
                known = known && (hex ? std::isxdigit((unsigned char)name[i]) : std::isdigit((unsigned char)name[i]));
        }
        if (!known)
            return Fail("unknown reference &" + name + ";");
        at = end + 1;
        return true;
    }

    // A quoted attribute value, its references kept as written.
    bool AttributeValue(const std::string &name, std::string *value)
    {
        SkipSpace();
        if (AtEnd() || text[at] != '=')
            return Fail("the attribute " + name + " has no '='");
        at++;
        SkipSpace();
        if (AtEnd() || (text[at] != '"' && text[at] != '\''))
            return Fail("the value of " + name + " is not quoted");
        char quote = text[at++];
        while (!AtEnd() && text[at] != quote) {
            if (text[at] == '<')
                return Fail("'<' inside the value of " + name);
            if (text[at] == '&') {
                size_t start = at;
                if (!Reference())
                    return false;
                *value += text.substr(start, at - start);
                continue;
            }
            *value += text[at++];
        }
        if (AtEnd())
            return Fail("the value of " + name + " is not closed");
        at++;
        return true;
    }

    bool Attributes(const std::string &element, bool *empty)
    {
        std::vector<std::string> seen;
        const bool level = LocalName(element) == "requestedExecutionLevel";
        for (;;) {
            size_t before = at;
            SkipSpace();
            if (AtEnd())
                return Fail("the tag <" + element + "> is not closed");
            if (text[at] == '>' || LooksAt("/>")) {
                *empty = text[at] == '/';
                at += *empty ? 2 : 1;
                return true;
            }
            if (at == before)
                return Fail("a space must come before an attribute");
            std::string name, value;
            if (!Name(&name))
                return false;
            for (const std::string &other : seen)
                if (other == name)
                    return Fail("the attribute " + name + " is given twice");
            seen.push_back(name);
            if (!AttributeValue(name, &value))
                return false;
            if (level && name == "level")
                manifest->level = value;
            else if (level && name == "uiAccess")
                manifest->uiAccess = value;
        }
    }

    static std::string LocalName(const std::string &name)
    {
        size_t colon = name.rfind(':');
        return colon == std::string::npos ? name : name.substr(colon + 1);
    }

    // Comments, processing instructions and space between the parts of a
    // document.
    bool Misc(bool *more)
    {
        SkipSpace();
        *more = true;
        if (LooksAt("<!--"))
            return Comment();
        if (LooksAt("<?"))
            return SkipPast("?>", "a processing instruction");
        if (LooksAt("<!"))
            return Fail("a declaration (DTD) has no place in a manifest");
        *more = false;
        return true;
    }

    // A comment, at its "<!--": "--" may stand only at its end.
    bool Comment()
    {
        at += 4;
        size_t dashes = text.find("--", at);
        if (dashes == std::string::npos)
            return Fail("a comment is not closed");
        at = dashes;
        if (text.compare(at, 3, "-->") != 0)
            return Fail("\"--\" inside a comment");
        at += 3;
        return true;
    }

    // Comments, processing instructions and space, before or after the
    // root element.
    bool SkipMisc()
    {
        for (bool more = true; more;)
            if (!Misc(&more))
                return false;
        return true;
    }

    // An end tag, at its "</", which must close the innermost open element.
    bool EndTag(std::vector<std::string> *open)
    {
        at += 2;
        std::string name;
        if (!Name(&name))
            return false;
        SkipSpace();
        if (AtEnd() || text[at] != '>')
            return Fail("the end tag </" + name + "> is not closed");
        if (open->empty() || open->back() != name)
            return Fail("</" + name + "> closes " + (open->empty() ? "nothing" : "<" + open->back() + ">"));
        at++;
        open->pop_back();
        return true;
    }

    // A start tag or an empty element, at its '<'.
    bool StartTag(std::vector<std::string> *open)
    {
        at++;
        std::string name;
        if (!Name(&name))
            return false;
        bool empty = false;
        if (!Attributes(name, &empty))
            return false;
        if (!empty)
            open->push_back(name);
        return true;
    }

    // At '<' of a tag, a comment, CDATA or a processing instruction.
    bool Markup(std::vector<std::string> *open)
    {
        if (LooksAt("<!--"))
            return Comment();
        if (LooksAt("<![CDATA[")) {
            if (open->empty())
                return Fail("text outside the root element");
            return SkipPast("]]>", "a CDATA section");
        }
        if (LooksAt("<?"))
            return SkipPast("?>", "a processing instruction");
        if (LooksAt("</"))
            return EndTag(open);
        return StartTag(open);
    }

    // Character data up to the next '<'.
    bool CharacterData(const std::vector<std::string> &open)
    {
        while (!AtEnd() && text[at] != '<') {
            if (text[at] == '&') {
                if (!Reference())
                    return false;
            } else if (text[at] == '>' && at >= 2 && text.compare(at - 2, 2, "]]") == 0) {
                return Fail("\"]]>\" in text");
            } else {
                at++;
            }
        }
        if (AtEnd())
            return Fail("<" + open.back() + "> is never closed");
        return true;
    }

    bool Document()
    {
        if (LooksAt("\xEF\xBB\xBF"))
            at += 3;
        if (!SkipMisc())
            return false;
        if (AtEnd() || text[at] != '<')
            return Fail("the document has no root element");
        std::vector<std::string> open;
        do {
            if (!Markup(&open) || (!open.empty() && !CharacterData(open)))
                return false;
        } while (!open.empty());
        if (!SkipMisc())
            return false;
        if (!AtEnd())
            return Fail("more follows the root element");
        return true;
    }
};

} // namespace

// The manifest as UTF-8: UTF-16 (either byte order, after its byte order
// mark) is narrowed, every character past ASCII becoming '?', which no
// name or value that matters here holds.
static std::string AsUtf8(const Bytes &bytes)
{
    bool little = bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
    bool big = bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF;
    if (!little && !big)
        return std::string(bytes.begin(), bytes.end());
    std::string text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
        unsigned unit = little ? bytes[i] | bytes[i + 1] << 8 : bytes[i] << 8 | bytes[i + 1];
        text += unit < 0x80 ? (char)unit : '?';
    }
    return text;
}

bool ParseApplicationManifest(const Bytes &bytes, ApplicationManifest *manifest, std::string *error)
{
    *manifest = ApplicationManifest();
    std::string text = AsUtf8(bytes);
    // Resource compilers may pad the data with NULs; one inside is damage.
    while (!text.empty() && text.back() == '\0')
        text.pop_back();
    size_t nul = text.find('\0');
    XmlReader reader{text, 0, error, manifest};
    if (nul != std::string::npos) {
        reader.at = nul;
        return reader.Fail("a NUL byte");
    }
    return reader.Document();
}

bool CheckStubManifest(const Bytes &image, std::string *error)
{
    PeImage pe;
    if (!ParsePeImage(image, &pe, error))
        return false;
    int rsrc = FindSection(pe, ".rsrc");
    ResourceTree tree;
    const ResourceLeaf *leaf = nullptr;
    if (rsrc >= 0 && ReadResourceTree(image, pe.sections[(size_t)rsrc], &tree, error))
        leaf = FindResourceLeaf(tree, kManifestType, kManifestId);
    if (!leaf) {
        *error = "it has no application manifest, so Windows would run it unelevated";
        return false;
    }
    Bytes data;
    if (!ReadResourceData(image, pe, *leaf, &data)) {
        *error = "its application manifest lies outside the file";
        return false;
    }
    ApplicationManifest manifest;
    std::string where;
    if (!ParseApplicationManifest(data, &manifest, &where)) {
        *error = "its application manifest does not parse (" + where + "), so Windows would not start it";
        return false;
    }
    if (manifest.level != "requireAdministrator") {
        *error = "its application manifest asks for " +
                 (manifest.level.empty() ? std::string("no execution level") : "level \"" + manifest.level + "\"") +
                 ", not \"requireAdministrator\"; the installer writes into the Windows folder and HKLM";
        return false;
    }
    return true;
}
