// Writes the seed packages of the package fuzzers into a folder:
//   make_package_seeds FOLDER
// Each seed is a real package made by scrpack's own writer and encoder, on
// a small stub laid out like the installer (PE32 and PE32+, fixed by the
// post-link step), so the fuzzers start from files only a few kilobytes
// long that still take every path of the walks: licence or none, stored
// and compressed blocks, data files with each name prefix, many records.
#include <cstdio>
#include <string>

#include "scrpack/codec/compress.h"
#include "scrpack/package_file/package_writer.h"
#include "scrpack/pe/stub_layout.h"
#include "scrpack/system/file_io.h"
#include "scrpack/text/ansi_text.h"
#include "tests/unit/synthetic_pe.h"

static PackedFile File(const char *label, size_t size, unsigned seed, const char *tail = nullptr, char selector = ' ')
{
    PackedFile file;
    file.label = label;
    unsigned state = seed;
    for (size_t i = 0; i < size; i++) {
        state = state * 1103515245u + 12345u;
        // Runs and repeats, so the encoder finds matches.
        file.content.push_back((uint8_t)(i % 64 < 40 ? 'a' + i % 7 : state >> 24));
    }
    std::string error;
    if (tail == nullptr)
        MakeFixedNameTail(file.nameTail);
    else if (!MakeGivenNameTail(tail, selector, file.nameTail, &error))
        std::fprintf(stderr, "make_package_seeds: %s\n", error.c_str());
    return file;
}

// firstFileNumber, when given, is patched in after writing: the writer
// refuses serial numbers past 65535, which the installer must still take.
static bool Write(const std::string &folder, const char *name, const PackageInput &spec, bool compress,
                  int firstFileNumber = -1)
{
    Compressor compressor = nullptr;
    if (compress)
        compressor = [](const Bytes &content) { return CompressBlock(content.data(), content.size()); };
    BuiltPackage built;
    std::string error;
    bool made = BuildPackage(spec, compressor, &built, &error);
    if (made && firstFileNumber >= 0)
        StoreLe16(built.bytes, built.manifestOffset + kLicenseLengthSize + spec.license.size() + kNameFieldSize,
                  (uint16_t)firstFileNumber);
    if (!made || !ReplaceFile(folder + "/" + name, built.bytes, 0644, &error)) {
        std::fprintf(stderr, "make_package_seeds: %s: %s\n", name, error.c_str());
        return false;
    }
    return true;
}

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_package_seeds FOLDER\n");
        return 2;
    }
    std::string folder = argv[1];
    bool ok = true;
    for (bool pe32plus : {false, true}) {
        PackageInput spec;
        spec.stub = BuildStubLikePe(pe32plus);
        std::string error;
        if (!FixStubLayout(&spec.stub, &error)) {
            std::fprintf(stderr, "make_package_seeds: %s\n", error.c_str());
            return 1;
        }
        spec.name = "Night Sky";
        spec.firstFileNumber = 16;
        spec.files = {File("saver", 600, 1), File("data", 300, 2), File("uninstaller", 400, 3),
                      File("song", 200, 4, ".MID"), File("clip", 100, 5, ".AVI", PREFIX_SELECT_JUK_),
                      File("tune", 50, 6, ".WAV", PREFIX_SELECT_JUKE)};
        const char *suffix = pe32plus ? "_pe32plus" : "";
        ok = Write(folder, (std::string("compressed") + suffix).c_str(), spec, true) && ok;
        ok = Write(folder, (std::string("stored") + suffix).c_str(), spec, false) && ok;

        spec.license = "Use it kindly.\r\nShare it freely.\r\n";
        spec.files.resize(3);
        ok = Write(folder, (std::string("licence") + suffix).c_str(), spec, true) && ok;

        // The limits: a name of 259 characters, the highest serial number
        // and many small data files.
        spec.license.clear();
        spec.name = std::string(259, 'N');
        spec.firstFileNumber = 0;
        for (unsigned i = 0; i < 40; i++)
            spec.files.push_back(File("many", 1 + i % 3, 10 + i, ".DAT"));
        ok = Write(folder, (std::string("limits") + suffix).c_str(), spec, false, 65535) && ok;
    }
    return ok ? 0 : 1;
}
