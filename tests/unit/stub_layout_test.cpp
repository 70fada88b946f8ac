// The post-link step and the stub check: where the placeholder ends up, that
// nothing else moves or breaks, and which stubs are refused.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>

#include "package/manifest.h"
#include "scrpack/pe/pe_image.h"
#include "scrpack/pe/stub_layout.h"
#include "scrpack/system/file_io.h"
#include "synthetic_pe.h"

namespace {

// Writes an image to a temporary file and runs the installer's own
// manifest walk on it; returns the position it ends at, or -1.
long WalkToManifest(const Bytes &image, unsigned optionalHeaderSize)
{
    char path[] = "/tmp/stub_layout_test-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0)
        return -2;
    close(fd);
    std::string error;
    long position = -1;
    if (ReplaceFile(path, image, 0644, &error)) {
        HFILE file = OpenManifestFile(path, optionalHeaderSize);
        if (file != HFILE_ERROR) {
            position = _llseek(file, 0, FILE_CURRENT);
            _lclose(file);
        }
    }
    unlink(path);
    return position;
}

struct Resources {
    PeImage pe;
    ResourceTree tree;
};

Resources Read(const Bytes &image)
{
    Resources r;
    std::string error;
    EXPECT_TRUE(ParsePeImage(image, &r.pe, &error)) << error;
    int rsrc = FindSection(r.pe, ".rsrc");
    EXPECT_GE(rsrc, 0);
    if (rsrc >= 0) {
        EXPECT_TRUE(ReadResourceTree(image, r.pe.sections[rsrc], &r.tree, &error)) << error;
    }
    return r;
}

Bytes DataOf(const Bytes &image, uint32_t type, uint32_t id)
{
    Resources r = Read(image);
    const ResourceLeaf *leaf = FindResourceLeaf(r.tree, type, id);
    Bytes data;
    EXPECT_NE(leaf, nullptr);
    if (leaf) {
        EXPECT_TRUE(ReadResourceData(image, r.pe, *leaf, &data));
    }
    return data;
}

std::string FixError(Bytes image)
{
    std::string error;
    EXPECT_FALSE(FixStubLayout(&image, &error));
    return error;
}

} // namespace

TEST(StubFix, PlaceholderBecomesTheLastBytesAndTheWalkFindsIt)
{
    for (bool pe32plus : {false, true}) {
        Bytes image = BuildStubLikePe(pe32plus);
        std::string error;
        StubLayout layout;
        EXPECT_FALSE(CheckStubLayout(image, &layout, &error)) << "an unfixed stub has the placeholder first";

        ASSERT_TRUE(FixStubLayout(&image, &error)) << error;
        ASSERT_TRUE(CheckStubLayout(image, &layout, &error)) << error;
        EXPECT_EQ(layout.optionalHeaderSize, pe32plus ? 240u : 224u);
        // The placeholder is the last four bytes of the file: any manifest
        // reaches past the section's raw data, so the file never ends
        // inside a section.
        EXPECT_EQ(layout.manifestOffset + 4, image.size());
        EXPECT_EQ(WalkToManifest(image, layout.optionalHeaderSize), (long)layout.manifestOffset);

        Resources r = Read(image);
        const PeSection &rsrc = r.pe.sections[FindSection(r.pe, ".rsrc")];
        EXPECT_EQ(rsrc.virtualSize, rsrc.rawSize);
        EXPECT_EQ(LoadLe32(image, r.pe.checksumOffset), 0u);
        EXPECT_EQ(LoadLe32(image, r.pe.dataDirectories + 8 * kDirectoryResource + 4), rsrc.virtualSize);
        EXPECT_GE(LoadLe32(image, r.pe.sizeOfImageOffset), rsrc.virtualAddress + rsrc.virtualSize);
    }
}

TEST(StubFix, OtherResourcesKeepTheirBytesAndOrder)
{
    SyntheticPeOptions options;
    options.resources = StubLikeResources();
    for (size_t i = 1; i < options.resources.size(); i++)
        for (size_t k = 0; k < options.resources[i].data.size(); k++)
            options.resources[i].data[k] = (uint8_t)(i * 31 + k);
    Bytes image = BuildSyntheticPe(options);
    Bytes fixed = image;
    std::string error;
    ASSERT_TRUE(FixStubLayout(&fixed, &error)) << error;
    for (const SyntheticResource &r : options.resources) {
        if (r.typeName.empty()) {
            EXPECT_EQ(DataOf(fixed, r.type, r.id), r.data) << r.type << "/" << r.id;
        }
    }
    Resources before = Read(image), after = Read(fixed);
    ASSERT_EQ(before.tree.leaves.size(), after.tree.leaves.size());
    uint32_t previous = 0;
    for (size_t i = 1; i < after.tree.leaves.size(); i++) {
        EXPECT_EQ(after.tree.leaves[i].size, before.tree.leaves[i].size);
        EXPECT_EQ(after.tree.leaves[i].dataRva % 8, 0u);
        EXPECT_GT(after.tree.leaves[i].dataRva, previous);
        previous = after.tree.leaves[i].dataRva;
    }
    // The code section is untouched.
    EXPECT_TRUE(std::equal(image.begin() + 0x200, image.begin() + 0x400, fixed.begin() + 0x200));
}

TEST(StubFix, RunningAgainChangesNothing)
{
    for (bool fill : {false, true}) {
        SyntheticPeOptions options;
        options.resources = StubLikeResources();
        options.fillRawExactly = fill;
        Bytes once = BuildSyntheticPe(options);
        std::string error;
        ASSERT_TRUE(FixStubLayout(&once, &error)) << error;
        Bytes twice = once;
        ASSERT_TRUE(FixStubLayout(&twice, &error)) << error;
        EXPECT_EQ(once, twice);
    }
}

TEST(StubFix, SectionGrowsWhenThePlaceholderHasNoRoom)
{
    // Data packed at four-byte alignment up to the very end of the raw
    // data: repacked at eight, the items alone take the room the
    // placeholder left.
    SyntheticPeOptions options;
    options.resources = StubLikeResources();
    options.resources[2].data.resize(250);
    options.resources[3].data.resize(190);
    options.dataAlignment = 4;
    options.fillRawExactly = true;
    Bytes image = BuildSyntheticPe(options);
    uint32_t before = Read(image).pe.sections[1].rawSize;

    std::string error;
    ASSERT_TRUE(FixStubLayout(&image, &error)) << error;
    Resources after = Read(image);
    const PeSection &rsrc = after.pe.sections[1];
    EXPECT_EQ(rsrc.rawSize, AlignUp(before + 4, 0x200));
    EXPECT_EQ(rsrc.rawPointer + rsrc.rawSize, image.size());
    EXPECT_EQ(LoadLe32(image, after.pe.sizeOfInitializedDataOffset), rsrc.rawSize);
    EXPECT_EQ(LoadLe32(image, after.pe.sizeOfImageOffset), AlignUp(rsrc.virtualAddress + rsrc.virtualSize, 0x1000));
    StubLayout layout;
    ASSERT_TRUE(CheckStubLayout(image, &layout, &error)) << error;
    EXPECT_EQ(layout.manifestOffset + 4, image.size());
    EXPECT_EQ(WalkToManifest(image, layout.optionalHeaderSize), (long)layout.manifestOffset);
    for (size_t i = 1; i < options.resources.size(); i++)
        EXPECT_EQ(DataOf(image, options.resources[i].type, options.resources[i].id), options.resources[i].data);
}

TEST(StubFix, RefusesStubsTheInstallerCouldNotUse)
{
    {
        SyntheticPeOptions o;
        o.resources = StubLikeResources();
        o.resources.erase(o.resources.begin());
        EXPECT_NE(FixError(BuildSyntheticPe(o)).find("LASTRES"), std::string::npos);
    }
    {
        // Another named type sorts before it: the first-entry walk would
        // land on the wrong resource.
        SyntheticPeOptions o;
        o.resources = StubLikeResources();
        o.resources.push_back({"ABOUT", 0, 1, 1033, Bytes(8, 1)});
        EXPECT_NE(FixError(BuildSyntheticPe(o)).find("first resource type"), std::string::npos);
    }
    {
        SyntheticPeOptions o;
        o.resources = StubLikeResources();
        o.resources.push_back({"ZZZ", 0, 1, 1033, Bytes(8, 1)});
        EXPECT_NE(FixError(BuildSyntheticPe(o)).find("only resource type"), std::string::npos);
    }
    {
        SyntheticPeOptions o;
        o.resources = StubLikeResources();
        o.resources.push_back({LASTRES_TYPE_NAME, 0, 1001, 1033, Bytes(4, 0)});
        EXPECT_NE(FixError(BuildSyntheticPe(o)).find("exactly one"), std::string::npos);
    }
    {
        SyntheticPeOptions o;
        o.resources = StubLikeResources();
        o.resources[0].language = 1031;
        EXPECT_NE(FixError(BuildSyntheticPe(o)).find("1033"), std::string::npos);
    }
    {
        SyntheticPeOptions o;
        o.resources = StubLikeResources();
        o.resources[0].data.resize(8);
        EXPECT_NE(FixError(BuildSyntheticPe(o)).find("4 bytes"), std::string::npos);
    }
    {
        SyntheticPeOptions o;
        o.resources = StubLikeResources();
        o.sectionAfterResources = true;
        EXPECT_NE(FixError(BuildSyntheticPe(o)).find("does not end the file"), std::string::npos);
    }
    {
        Bytes image = BuildStubLikePe();
        image.push_back(0); // trailing data after the section
        EXPECT_NE(FixError(image).find("does not end the file"), std::string::npos);
    }
    {
        Bytes image = BuildStubLikePe();
        Resources r = Read(image);
        image[r.pe.sections[1].headerOffset + 1] = 'x'; // ".xsrc"
        EXPECT_NE(FixError(image).find("no .rsrc"), std::string::npos);
    }
}

TEST(StubCheck, RefusesWhatTheFixCannotRepair)
{
    std::string error;
    {
        // The installer skips exactly 224 bytes of optional header.
        SyntheticPeOptions o;
        o.resources = StubLikeResources();
        o.declaredOptionalSizeDelta = 16;
        Bytes image = BuildSyntheticPe(o);
        EXPECT_FALSE(FixStubLayout(&image, &error));
        EXPECT_NE(error.find("optional header"), std::string::npos) << error;
    }
    {
        SyntheticPeOptions o;
        o.resources = StubLikeResources();
        o.signedImage = true;
        Bytes image = BuildSyntheticPe(o);
        EXPECT_FALSE(FixStubLayout(&image, &error));
        EXPECT_NE(error.find("signed"), std::string::npos) << error;
    }
    {
        Bytes image = BuildStubLikePe();
        ASSERT_TRUE(FixStubLayout(&image, &error)) << error;
        Resources r = Read(image);
        StoreLe32(image, r.pe.checksumOffset, 0xBEEF);
        EXPECT_FALSE(CheckStubLayout(image, nullptr, &error));
        EXPECT_NE(error.find("checksum"), std::string::npos) << error;
    }
    {
        // A stub whose placeholder is not the last data: cutting there
        // would lose the dialogs behind it.
        SyntheticPeOptions o;
        o.resources = StubLikeResources();
        o.checksum = 0;
        EXPECT_FALSE(CheckStubLayout(BuildSyntheticPe(o), nullptr, &error));
        EXPECT_NE(error.find("not the last resource data"), std::string::npos) << error;
    }
}

TEST(StubCheck, PackagedInstallerStillPasses)
{
    // A package keeps the stub's headers, so it can serve as a stub again.
    Bytes image = BuildStubLikePe();
    std::string error;
    ASSERT_TRUE(FixStubLayout(&image, &error)) << error;
    StubLayout layout;
    ASSERT_TRUE(CheckStubLayout(image, &layout, &error)) << error;
    image.resize(layout.manifestOffset);
    image.resize(image.size() + 5000, 0x5A);
    StubLayout again;
    ASSERT_TRUE(CheckStubLayout(image, &again, &error)) << error;
    EXPECT_EQ(again.manifestOffset, layout.manifestOffset);
}

TEST(StubCheck, DamagedImagesGiveErrorsNotCrashes)
{
    Bytes good = BuildStubLikePe();
    std::string error;
    ASSERT_TRUE(FixStubLayout(&good, &error)) << error;
    // Every cut of the file, and every single-byte change in the headers
    // and the resource directory, must be handled within bounds.
    for (size_t length = 0; length < good.size(); length += 7) {
        Bytes cut(good.begin(), good.begin() + (ptrdiff_t)length);
        CheckStubLayout(cut, nullptr, &error);
        FixStubLayout(&cut, &error);
    }
    Resources r = Read(good);
    size_t directoryEnd = r.pe.sections[1].rawPointer + r.tree.structureEnd;
    for (size_t at = 0; at < directoryEnd; at++) {
        if (at >= 0x200 && at < 0x400)
            continue; // code bytes
        for (uint8_t value : {0x00, 0x7F, 0x80, 0xFF}) {
            Bytes bad = good;
            bad[at] = value;
            CheckStubLayout(bad, nullptr, &error);
            FixStubLayout(&bad, &error);
        }
    }
}

TEST(StubCheck, SelfReferencingTreeIsRefused)
{
    Bytes image = BuildStubLikePe();
    Resources r = Read(image);
    size_t root = r.pe.sections[1].rawPointer;
    // Point the first type's subdirectory back at the root table.
    StoreLe32(image, root + 16 + 4, 0x80000000u);
    std::string error;
    EXPECT_FALSE(FixStubLayout(&image, &error));
    EXPECT_FALSE(error.empty());
}

// The stubs this build produced: both must have passed the post-link step,
// and the product must be the 32-bit image the installer is specified as.
TEST(BuiltStubs, PassTheCheck)
{
    struct Case {
        const char *path;
        uint16_t machine;
        unsigned optionalSize;
    };
    int found = 0;
    for (Case c : {Case{"/win32/installer.exe", 0x14C, 224}, Case{"/win64/installer.exe", 0x8664, 240}}) {
        Bytes image;
        std::string error;
        if (!ReadWholeFile(std::string(BUILD_ROOT) + c.path, &image, &error))
            continue;
        found++;
        PeImage pe;
        ASSERT_TRUE(ParsePeImage(image, &pe, &error)) << error;
        EXPECT_EQ(pe.machine, c.machine) << c.path;
        StubLayout layout;
        ASSERT_TRUE(CheckStubLayout(image, &layout, &error)) << c.path << ": " << error;
        EXPECT_EQ(layout.optionalHeaderSize, c.optionalSize);
        EXPECT_EQ(layout.manifestOffset + 4, image.size()) << c.path;
        EXPECT_EQ(FindSection(pe, ".rsrc"), (int)pe.sections.size() - 1) << c.path;
    }
    if (found == 0)
        GTEST_SKIP() << "no cross-built installer under " << BUILD_ROOT;
}
