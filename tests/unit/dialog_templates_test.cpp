// The dialog templates and the icon as the resource compiler wrote them
// into the built installers: styles, control order, ids, texts and
// rectangles are what the dialog procedures and the dialog manager rely on
// (a hidden OK button, a progress dialog that stays hidden, a read-only
// wrapping licence box).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resource.h"
#include "scrpack/file_io.h"
#include "scrpack/pe_image.h"

namespace {

enum : uint32_t {
    kWsPopup = 0x80000000,
    kWsChild = 0x40000000,
    kWsVisible = 0x10000000,
    kWsCaption = 0x00C00000,
    kWsBorder = 0x00800000,
    kWsVscroll = 0x00200000,
    kWsSysmenu = 0x00080000,
    kWsGroup = 0x00020000,
    kWsTabstop = 0x00010000,
    kDsSetfont = 0x40,
    kDsModalframe = 0x80,
    kDsCenter = 0x800,
    kSsCenter = 0x1,
    kSsNoprefix = 0x80,
    kBsDefpushbutton = 0x1,
    kEsMultiline = 0x4,
    kEsNohidesel = 0x100,
    kEsReadonly = 0x800,
    kStatic = kWsChild | kWsVisible | kWsGroup | kSsCenter,
    kDefaultButton = kWsChild | kWsVisible | kWsTabstop | kBsDefpushbutton,
    kPushButton = kWsChild | kWsVisible | kWsTabstop,
};

enum { kButton = 0x80, kEdit = 0x81, kStaticClass = 0x82 };

struct Control {
    uint32_t style;
    uint32_t extendedStyle;
    int16_t x, y, cx, cy;
    uint16_t id;
    uint16_t classAtom; // 0 when the class is given by name
    std::string text;
};

struct Dialog {
    uint32_t style;
    uint32_t extendedStyle;
    int16_t x, y, cx, cy;
    bool hasMenu;
    bool hasClass;
    std::string caption;
    uint16_t pointSize;
    std::string font;
    std::vector<Control> controls;
};

// Reads the classic DLGTEMPLATE form; fails the test on anything else.
class TemplateReader {
  public:
    explicit TemplateReader(const Bytes &data) : data_(data) {}

    bool Read(Dialog *dialog)
    {
        if (data_.size() >= 4 && LoadLe16(data_, 2) == 0xFFFF)
            return false; // the extended form
        dialog->style = U32();
        dialog->extendedStyle = U32();
        uint16_t count = U16();
        dialog->x = (int16_t)U16();
        dialog->y = (int16_t)U16();
        dialog->cx = (int16_t)U16();
        dialog->cy = (int16_t)U16();
        uint16_t atom;
        std::string text;
        dialog->hasMenu = NameOrOrdinal(&atom, &text) || !text.empty();
        dialog->hasClass = NameOrOrdinal(&atom, &text) || !text.empty();
        dialog->caption = String();
        if (dialog->style & kDsSetfont) {
            dialog->pointSize = U16();
            dialog->font = String();
        }
        for (uint16_t i = 0; i < count && ok_; i++) {
            Align4();
            Control control;
            control.style = U32();
            control.extendedStyle = U32();
            control.x = (int16_t)U16();
            control.y = (int16_t)U16();
            control.cx = (int16_t)U16();
            control.cy = (int16_t)U16();
            control.id = U16();
            std::string className;
            if (!NameOrOrdinal(&control.classAtom, &className))
                control.classAtom = 0;
            uint16_t textAtom;
            NameOrOrdinal(&textAtom, &control.text);
            uint16_t extra = U16();
            position_ += extra;
            dialog->controls.push_back(control);
        }
        return ok_ && position_ <= data_.size();
    }

  private:
    uint16_t U16()
    {
        if (position_ + 2 > data_.size()) {
            ok_ = false;
            return 0;
        }
        uint16_t value = LoadLe16(data_, position_);
        position_ += 2;
        return value;
    }
    uint32_t U32()
    {
        uint32_t low = U16();
        return low | (uint32_t)U16() << 16;
    }
    std::string String()
    {
        std::string text;
        for (uint16_t c; ok_ && (c = U16()) != 0;)
            text.push_back(c < 0x80 ? (char)c : '?');
        return text;
    }
    // True with the atom for an ordinal, false with the text for a name.
    bool NameOrOrdinal(uint16_t *atom, std::string *text)
    {
        if (position_ + 2 <= data_.size() && LoadLe16(data_, position_) == 0xFFFF) {
            position_ += 2;
            *atom = U16();
            return true;
        }
        *text = String();
        return false;
    }
    void Align4() { position_ = (position_ + 3) & ~(size_t)3; }

    const Bytes &data_;
    size_t position_ = 0;
    bool ok_ = true;
};

struct Installer {
    Bytes image;
    PeImage pe;
    ResourceTree tree;
};

bool LoadInstaller(const char *tree, Installer *installer)
{
    std::string error;
    if (!ReadWholeFile(std::string(BUILD_ROOT) + "/" + tree + "/installer.exe", &installer->image, &error))
        return false;
    EXPECT_TRUE(ParsePeImage(installer->image, &installer->pe, &error)) << error;
    int rsrc = FindSection(installer->pe, ".rsrc");
    EXPECT_GE(rsrc, 0);
    return rsrc >= 0 && ReadResourceTree(installer->image, installer->pe.sections[rsrc], &installer->tree, &error);
}

Bytes ResourceData(const Installer &installer, uint32_t type, uint32_t id)
{
    const ResourceLeaf *leaf = FindResourceLeaf(installer.tree, type, id);
    Bytes data;
    EXPECT_NE(leaf, nullptr) << "resource " << type << "/" << id;
    if (leaf) {
        EXPECT_TRUE(ReadResourceData(installer.image, installer.pe, *leaf, &data));
    }
    return data;
}

Dialog LoadDialog(const Installer &installer, uint32_t id)
{
    Dialog dialog = {};
    Bytes data = ResourceData(installer, 5, id);
    EXPECT_TRUE(TemplateReader(data).Read(&dialog)) << "dialog " << id << " is not a classic template";
    EXPECT_EQ(dialog.extendedStyle, 0u);
    EXPECT_EQ(dialog.x, 0);
    EXPECT_EQ(dialog.y, 0);
    EXPECT_FALSE(dialog.hasMenu);
    EXPECT_FALSE(dialog.hasClass);
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_EQ(dialog.font, "MS Sans Serif");
    return dialog;
}

struct Expected {
    uint16_t id;
    uint16_t classAtom;
    const char *text;
    uint32_t style;
    int16_t x, y, cx, cy;
};

void ExpectControls(const Dialog &dialog, const std::vector<Expected> &expected)
{
    ASSERT_EQ(dialog.controls.size(), expected.size());
    for (size_t i = 0; i < expected.size(); i++) {
        const Control &c = dialog.controls[i];
        const Expected &e = expected[i];
        SCOPED_TRACE("control " + std::to_string(i + 1));
        EXPECT_EQ(c.id, e.id);
        EXPECT_EQ(c.classAtom, e.classAtom);
        if (e.text) {
            EXPECT_EQ(c.text, e.text);
        }
        EXPECT_EQ(c.style, e.style) << std::hex << c.style << " vs " << e.style;
        EXPECT_EQ(c.extendedStyle, 0u);
        EXPECT_EQ(c.x, e.x);
        EXPECT_EQ(c.y, e.y);
        EXPECT_EQ(c.cx, e.cx);
        EXPECT_EQ(c.cy, e.cy);
    }
}

void CheckInstallerResources(const char *tree)
{
    Installer installer;
    if (!LoadInstaller(tree, &installer))
        GTEST_SKIP() << "no " << tree << " installer under " << BUILD_ROOT;
    SCOPED_TRACE(tree);

    for (const ResourceLeaf &leaf : installer.tree.leaves)
        EXPECT_EQ(leaf.language, 1033u) << "resource " << leaf.type.id << "/" << leaf.name.id;

    Dialog progress = LoadDialog(installer, IDD_PROGRESS);
    EXPECT_EQ(progress.style, kWsPopup | kDsModalframe | kDsCenter | kDsSetfont);
    EXPECT_EQ(progress.cx, 187);
    EXPECT_EQ(progress.cy, 99);
    EXPECT_EQ(progress.caption, "");
    ExpectControls(progress, {
        {1, kButton, "OK", kWsChild | kWsTabstop, 131, 6, 50, 14},
        {2, kButton, "Cancel", kDefaultButton, 68, 78, 50, 14},
        {0xFFFF, kStaticClass, "Installing", kStatic, 50, 15, 86, 8},
        {0xFFFF, kStaticClass, "Please Wait...", kStatic, 48, 50, 90, 8},
        {IDC_STATUS, kStaticClass, "", kStatic | kSsNoprefix, 4, 31, 178, 8},
    });

    Dialog order = LoadDialog(installer, IDD_ORDERINFO);
    EXPECT_EQ(order.style, kWsPopup | kWsVisible | kWsCaption | kWsSysmenu | kDsModalframe | kDsSetfont);
    EXPECT_EQ(order.cx, 205);
    EXPECT_EQ(order.cy, 154);
    EXPECT_FALSE(order.caption.empty());
    ExpectControls(order, {
        {0xFFFF, kStaticClass, nullptr, kStatic, 23, 28, 158, 10},
        {1, kButton, "OK", kDefaultButton, 78, 134, 50, 14},
        {0xFFFF, kStaticClass, nullptr, kStatic, 23, 7, 158, 10},
        {0xFFFF, kStaticClass, nullptr, kStatic, 23, 48, 158, 8},
        {0xFFFF, kStaticClass, nullptr, kStatic, 23, 69, 158, 21},
        {0xFFFF, kStaticClass, nullptr, kStatic, 23, 96, 158, 23},
    });
    // The two-line texts break with a line feed.
    if (order.controls.size() == 6) {
        EXPECT_NE(order.controls[4].text.find('\n'), std::string::npos);
        EXPECT_NE(order.controls[5].text.find('\n'), std::string::npos);
    }

    Dialog license = LoadDialog(installer, IDD_LICENSE);
    EXPECT_EQ(license.style, kWsPopup | kWsVisible | kWsCaption | kWsSysmenu | kDsModalframe | kDsSetfont);
    EXPECT_EQ(license.cx, 391);
    EXPECT_EQ(license.cy, 262);
    EXPECT_EQ(license.caption, "License Agreement");
    ExpectControls(license, {
        {1, kButton, "Accept", kDefaultButton, 137, 240, 50, 14},
        {2, kButton, "Decline", kPushButton, 203, 240, 50, 14},
        {IDC_LICENSETEXT, kEdit, "",
         kWsChild | kWsVisible | kWsBorder | kWsVscroll | kWsTabstop | kEsMultiline | kEsNohidesel | kEsReadonly, 12,
         12, 366, 216},
    });

    // One 32 x 32, 16-colour image of 744 bytes as icon 1.
    Bytes group = ResourceData(installer, 14, IDI_INSTALLER);
    ASSERT_EQ(group.size(), 20u);
    EXPECT_EQ(LoadLe16(group, 2), 1);  // type: icon
    EXPECT_EQ(LoadLe16(group, 4), 1);  // one image
    EXPECT_EQ(group[6], 32);
    EXPECT_EQ(group[7], 32);
    EXPECT_EQ(group[8], 16);
    EXPECT_EQ(LoadLe16(group, 10), 1); // planes
    EXPECT_EQ(LoadLe16(group, 12), 4); // bits per pixel
    EXPECT_EQ(LoadLe32(group, 14), 744u);
    EXPECT_EQ(LoadLe16(group, 18), 1); // icon resource 1
    Bytes icon = ResourceData(installer, 3, 1);
    ASSERT_EQ(icon.size(), 744u);
    EXPECT_EQ(LoadLe32(icon, 0), 40u);
    EXPECT_EQ(LoadLe32(icon, 4), 32u);
    EXPECT_EQ(LoadLe32(icon, 8), 64u);
    EXPECT_EQ(LoadLe16(icon, 14), 4);

    // The product-info template is not carried: no code shows it.
    EXPECT_EQ(FindResourceLeaf(installer.tree, 5, IDD_PRODUCTINFO), nullptr);
}

} // namespace

TEST(DialogTemplates, Win32InstallerHasTheTemplatesTheCodeReliesOn)
{
    CheckInstallerResources("win32");
}

TEST(DialogTemplates, Win64InstallerHasTheSameTemplates)
{
    CheckInstallerResources("win64");
}
