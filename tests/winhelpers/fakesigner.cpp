// A stand-in for osslsigncode, for the tests of scrpack's signing step on
// both systems (installed as osslsigncode.exe on Windows; the Linux side
// is its twin in tests/e2e/test_scrpack_windows.py).  It copies -in to
// -out and appends a certificate table, as the real signer does, whose
// content is every argument it was given but the two file names, one per
// line: the table shows what reached the signer through scrpack's command
// line, and for the same arguments the signed package is the same bytes on
// both systems.  An argument that holds "refuse" makes it print a line and
// exit with status 3, writing nothing.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

static bool ReadAll(const char *path, std::string *data)
{
    std::FILE *file = std::fopen(path, "rb");
    if (!file)
        return false;
    char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        data->append(buffer, got);
    bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

static void PutLe32(std::string *data, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; i++)
        (*data)[at + (size_t)i] = (char)(value >> (8 * i));
}

static uint32_t GetLe32(const std::string &data, size_t at)
{
    uint32_t value = 0;
    for (int i = 3; i >= 0; i--)
        value = value << 8 | (uint8_t)data[at + (size_t)i];
    return value;
}

int main(int argc, char **argv)
{
    const char *in = nullptr, *out = nullptr;
    std::string said;
    for (int i = 1; i < argc; i++) {
        if ((!std::strcmp(argv[i], "-in") || !std::strcmp(argv[i], "-out")) && i + 1 < argc) {
            (argv[i][1] == 'i' ? in : out) = argv[i + 1];
            i++;
            continue;
        }
        if (std::strstr(argv[i], "refuse")) {
            std::printf("fake signer refuses %s\n", argv[i]);
            return 3;
        }
        said += argv[i];
        said += '\n';
    }
    std::string image;
    if (!in || !out || !ReadAll(in, &image) || image.size() < 0x40) {
        std::printf("fake signer: no -in or -out, or an unreadable input\n");
        return 2;
    }
    size_t pe = GetLe32(image, 0x3C);
    if (pe + 24 + 2 > image.size()) {
        std::printf("fake signer: not a PE image\n");
        return 2;
    }
    size_t optional = pe + 24;
    bool plus = (uint8_t)image[optional] == 0x0B && (uint8_t)image[optional + 1] == 0x02;
    size_t security = optional + (plus ? 112 : 96) + 8 * 4;
    if (security + 8 > image.size()) {
        std::printf("fake signer: no data directories\n");
        return 2;
    }
    image.resize((image.size() + 7) & ~(size_t)7, '\0');
    size_t table = image.size();
    std::string entry(8, '\0');
    PutLe32(&entry, 0, (uint32_t)(8 + said.size()));
    entry[4] = 0x00; // revision 2.0
    entry[5] = 0x02;
    entry[6] = 0x02; // PKCS#7 signed data
    entry[7] = 0x00;
    entry += said;
    entry.resize((entry.size() + 7) & ~(size_t)7, '\0');
    image += entry;
    PutLe32(&image, security, (uint32_t)table);
    PutLe32(&image, security + 4, (uint32_t)entry.size());
    std::FILE *file = std::fopen(out, "wb");
    bool written = file && std::fwrite(image.data(), 1, image.size(), file) == image.size();
    if (file && std::fclose(file) != 0)
        written = false;
    if (!written) {
        std::printf("fake signer: cannot write %s\n", out);
        return 2;
    }
    return 0;
}
