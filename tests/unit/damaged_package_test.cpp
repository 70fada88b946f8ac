// Damaged packages as the installer's readers and naming rules see them:
// a stub without its "LASTRES" resource, a name field without its NUL, and
// names and tails that would lead a path out of its folder.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "package/installed_names.h"
#include "package/manifest.h"
#include "package/path_buffer.h"
#include "package/text_rules.h"
#include "scrpack/package_file/package_reader.h"
#include "scrpack/package_file/package_writer.h"
#include "scrpack/pe/stub_layout.h"
#include "scrpack/system/file_io.h"
#include "scrpack/text/ansi_text.h"
#include "synthetic_pe.h"

namespace {

// A file of its own for one test; removed at the end.
struct TempFile {
    std::string path;
    explicit TempFile(const Bytes &bytes)
    {
        char name[] = "/tmp/damaged-package-XXXXXX";
        int fd = mkstemp(name);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(write(fd, bytes.data(), bytes.size()), (ssize_t)bytes.size());
        close(fd);
        path = name;
    }
    ~TempFile() { unlink(path.c_str()); }
};

PackageInput ThreeFiles(const std::string &name)
{
    PackageInput spec;
    spec.stub = BuildStubLikePe(false);
    std::string error;
    EXPECT_TRUE(FixStubLayout(&spec.stub, &error)) << error;
    spec.name = name;
    spec.firstFileNumber = 1;
    for (const char *label : {"saver", "data", "uninstaller"}) {
        PackedFile file;
        file.label = label;
        file.content = Bytes(100, (uint8_t)label[0]);
        MakeFixedNameTail(file.nameTail);
        spec.files.push_back(file);
    }
    return spec;
}

// The name as the installer reads it from a package file (OpenManifestFile
// and ReadScreenSaverNameAt), into a buffer with a guard behind it.
std::string InstallerName(const std::string &path)
{
    char name[kNameFieldSize + 4];
    memset(name, 'G', sizeof name);
    name[0] = '\0';
    HFILE manifest = OpenManifestFile(path.c_str(), kOptionalHeaderSizePe32);
    if (manifest != HFILE_ERROR) {
        ReadScreenSaverNameAt(manifest, name);
        _lclose(manifest);
    }
    EXPECT_EQ(std::string(name + kNameFieldSize, 4), "GGGG") << "written past the name buffer";
    return std::string(name, strnlen(name, kNameFieldSize));
}

TEST(DamagedPackage, ManifestIsFoundOnlyThroughTheLastresType)
{
    BuiltPackage built;
    std::string error;
    ASSERT_TRUE(BuildPackage(ThreeFiles("Night Sky"), nullptr, &built, &error)) << error;
    {
        TempFile good(built.bytes);
        EXPECT_EQ(InstallerName(good.path), "Night Sky");
    }

    // The root's first entry, 16 bytes into the resource section, whose
    // raw data the section header (the second, at 0x40 + 24 + 224) gives.
    size_t root = LoadLe32(built.bytes, 0x40 + 24 + kOptionalHeaderSizePe32 + 40 + 20);
    size_t firstEntry = root + 16;
    uint32_t nameField = LoadLe32(built.bytes, firstEntry);
    ASSERT_TRUE(nameField & 0x80000000u);
    size_t nameAt = root + (nameField & 0x7FFFFFFFu);

    // Without "LASTRES" the first type is the icon: its pixels must not be
    // taken for a manifest.  Each way of losing the name: the entry gone
    // (the next, numbered type moves up), another name, a name of another
    // length, a name pointer past the end of the file.
    struct Damage {
        const char *what;
        size_t at;
        Bytes bytes;
    };
    Bytes moved(built.bytes.begin() + firstEntry + 8, built.bytes.begin() + firstEntry + 16);
    const Damage damages[] = {
        {"entry removed", firstEntry, moved},
        {"other name", nameAt + 2 + 2 * 6, {'Z', 0}},
        {"longer name", nameAt, {8, 0}},
        {"name out of the file", firstEntry, {0xF0, 0xFF, 0xFF, 0xFF}},
    };
    for (const Damage &damage : damages) {
        SCOPED_TRACE(damage.what);
        Bytes bytes = built.bytes;
        std::copy(damage.bytes.begin(), damage.bytes.end(), bytes.begin() + damage.at);
        TempFile file(bytes);
        EXPECT_EQ(OpenManifestFile(file.path.c_str(), kOptionalHeaderSizePe32), HFILE_ERROR);
        EXPECT_EQ(InstallerName(file.path), "");
        PackageContents contents;
        EXPECT_FALSE(ReadPackage(file.path, &contents, &error));
        EXPECT_NE(error.find("cannot find a manifest"), std::string::npos) << error;
    }
}

TEST(DamagedPackage, NameFieldWithoutItsNulEndsAt259Characters)
{
    // The field holds 260 letters and no NUL; firstFileNumber follows.
    // Found by the scrpack list fuzzer: the listing showed 260 characters
    // where the installer uses 259.
    BuiltPackage built;
    std::string error;
    ASSERT_TRUE(BuildPackage(ThreeFiles(std::string(kMaxNameLength, 'N')), nullptr, &built, &error)) << error;
    built.bytes[built.manifestOffset + kLicenseLengthSize + kMaxNameLength] = 'X';
    TempFile file(built.bytes);

    EXPECT_EQ(InstallerName(file.path), std::string(kMaxNameLength, 'N'));
    PackageContents contents;
    ASSERT_TRUE(ReadPackage(file.path, &contents, &error)) << error;
    EXPECT_EQ(contents.name, std::string(kMaxNameLength, 'N'));
    EXPECT_EQ(contents.records.size(), 3u);
    EXPECT_EQ(InstalledFileName(contents, 0), std::string(kMaxNameLength, 'N') + ".scr");

    // A field cut short by the end of the file still gives a terminated
    // name of what is there.
    Bytes cut(built.bytes.begin(), built.bytes.begin() + built.manifestOffset + kLicenseLengthSize + 10);
    TempFile shortFile(cut);
    EXPECT_EQ(InstallerName(shortFile.path), std::string(10, 'N'));
}

TEST(DamagedPackage, NamesFromThePackageStayOneFileName)
{
    char text[] = "a\\..\\b/c:d*e?f\"g<h>i|j\x01k\x1Fl";
    MakeFileNameSafe(text);
    EXPECT_STREQ(text, "a_.._b_c_d_e_f_g_h_i_j_k_l");
    char kept[] = "Night Sky. \xE9t\xE9 (2) #1 $%&'+,;=@[]^`{}~\x7F";
    std::string before = kept;
    MakeFileNameSafe(kept);
    EXPECT_EQ(kept, before);

    EXPECT_TRUE(IsBlankFileName(""));
    EXPECT_TRUE(IsBlankFileName("."));
    EXPECT_TRUE(IsBlankFileName(".."));
    EXPECT_TRUE(IsBlankFileName(" . . "));
    EXPECT_FALSE(IsBlankFileName("..a"));
    EXPECT_FALSE(IsBlankFileName("_"));

    // A tail of 15 bytes that climbs four levels stays in the data folder.
    const char folder[] = "C:\\ProgramData\\Quillmoor\\Glimmerkit\\Night Sky\\";
    char path[kPathBufferSize];
    ASSERT_TRUE(BuildDataFileName(path, sizeof path, folder, 16, 3, "\\..\\..\\..\\a.exe "));
    EXPECT_STREQ(path, "C:\\ProgramData\\Quillmoor\\Glimmerkit\\Night Sky\\FILE0016_.._.._.._a.exe");
    ASSERT_TRUE(BuildDataFileName(path, sizeof path, folder, 65535, 40, ".MID:x\x01         "));
    EXPECT_STREQ(path, "C:\\ProgramData\\Quillmoor\\Glimmerkit\\Night Sky\\FILE65572.MID_x_");
}

} // namespace
