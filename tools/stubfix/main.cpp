// stubfix: the installer's post-link step.
//
//   stubfix INSTALLER.EXE
//
// Puts the "LASTRES" placeholder at the end of the resource section, zeroes
// the image checksum, and checks the layout that packaging relies on,
// finally by letting the installer's own manifest walk find the
// placeholder in the rewritten file.  Any failure fails the build.
#include <cstdio>
#include <cstring>
#include <string>

#include "package/manifest.h"
#include "scrpack/pe/stub_layout.h"
#include "scrpack/system/file_io.h"

static int Fail(const std::string &path, const std::string &text)
{
    std::fprintf(stderr, "stubfix: %s: %s\n", path.c_str(), text.c_str());
    return 1;
}

int main(int argc, char **argv)
{
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: stubfix INSTALLER.EXE\n");
        return 2;
    }
    std::string path = argv[1];
    Bytes image;
    std::string error;
    if (!ReadWholeFile(path, &image, &error))
        return Fail(path, error);
    if (!FixStubLayout(&image, &error))
        return Fail(path, error);
    StubLayout layout;
    if (!CheckStubLayout(image, &layout, &error))
        return Fail(path, error);
    if (!ReplaceFile(path, image, 0755, &error))
        return Fail(path, error);

    HFILE file = OpenManifestFile(path.c_str(), layout.optionalHeaderSize);
    if (file == HFILE_ERROR)
        return Fail(path, "the installer's manifest walk fails on the result");
    LONG position = _llseek(file, 0, FILE_CURRENT);
    _lclose(file);
    if (position != (LONG)layout.manifestOffset)
        return Fail(path, "the installer's manifest walk ends at the wrong offset");
    return 0;
}
