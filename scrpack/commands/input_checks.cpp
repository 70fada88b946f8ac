// CheckOutput, CheckScreenSaverImage and WarnAboutNames.
#include "scrpack/commands/input_checks.h"

#include <cctype>
#include <cstring>

#include "package/package_format.h"
#include "scrpack/commands/output_checks.h"
#include "scrpack/pe/pe_image.h"
#include "scrpack/system/system.h"

namespace {

std::string Lower(std::string text)
{
    for (char &c : text)
        c = (char)std::tolower((unsigned char)c);
    return text;
}

// Every file the build reads, with the option that names it.
std::vector<std::pair<std::string, std::string>> Inputs(const Options &options)
{
    std::vector<std::pair<std::string, std::string>> inputs = {
        {"--stub", options.stub},
        {"--saver", options.roles[kRecordScreenSaver]},
        {"--data", options.roles[kRecordDataFile]},
        {"--uninstaller", options.roles[kRecordUninstaller]},
        {"--license", options.license},
        {"--sign-cert", options.sign.certificate},
        {"--sign-key", options.sign.key},
        {"--sign-pass-file", options.sign.passFile},
        {"--icon", options.face.icon},
    };
    for (const MediaOption &media : options.media)
        inputs.push_back({"--media", media.path});
    return inputs;
}

// Types that a stock Windows plays through its media layer (MCI and the
// media player it ships): wave, MIDI, AVI, MPEG-1/2 and MP3, Windows Media,
// AIFF and Sun audio.  Data files may be anything (pictures, texts), so
// only media types outside that set are warned of: they need a codec or a
// player the end user may not have.
const char *const kMediaNeedingCodecs[] = {
    ".ogg", ".oga", ".ogv", ".opus", ".flac", ".mp4", ".m4a", ".m4v", ".aac", ".mkv",
    ".mka", ".webm", ".mov", ".qt", ".3gp", ".amr", ".ape", ".wv", ".spx",
};

} // namespace

std::string CheckOutput(const Options &options)
{
    const std::string &output = options.output;
    for (const auto &input : Inputs(options))
        if (!input.second.empty() && SameFile(output, input.second))
            return "-o " + output + " is the same file as " + input.first + " " + input.second +
                   "; writing the package would destroy it";
    std::string place = CheckOutputPlace(output);
    if (!place.empty())
        return place;
    if (PathExists(output) && IsReadOnlyFile(output))
        return output + " is read-only; make it writable or choose another output";
    return "";
}

// Whether the image has string resource 1, the second entry of string
// block 1: 16 counted UTF-16 strings, each a 16-bit length and its
// characters.
static bool HasDescription(const Bytes &image, const PeImage &pe)
{
    int section = FindSection(pe, ".rsrc");
    ResourceTree tree;
    std::string ignored;
    if (section < 0 || !ReadResourceTree(image, pe.sections[(size_t)section], &tree, &ignored))
        return false;
    const ResourceLeaf *leaf = FindResourceLeaf(tree, 6 /* RT_STRING */, 1);
    Bytes block;
    if (!leaf || !ReadResourceData(image, pe, *leaf, &block) || block.size() < 4)
        return false;
    size_t length0 = LoadLe16(block, 0);
    size_t at = 2 + 2 * length0;
    return at + 2 <= block.size() && LoadLe16(block, at) != 0;
}

bool CheckScreenSaverImage(const Bytes &image, std::vector<std::string> *warnings, std::string *error)
{
    PeImage pe;
    std::string why;
    if (!ParsePeImage(image, &pe, &why)) {
        *error = "is not a Windows program: " + why + "; Windows could never run it";
        return false;
    }
    // IMAGE_FILE_DLL in the file header's Characteristics: Windows loads a
    // DLL into a program but never starts one.
    size_t characteristics = pe.peHeader + 4 + 18;
    if (characteristics + 2 <= image.size() && (LoadLe16(image, characteristics) & 0x2000)) {
        *error = "is a DLL, not a program; Windows could never run it as a screen saver";
        return false;
    }
    // Subsystem: the same offset in PE32 and PE32+.
    size_t subsystemField = pe.optionalHeader + 68;
    unsigned subsystem = subsystemField + 2 <= image.size() ? LoadLe16(image, subsystemField) : 0;
    if (subsystem != 2) // IMAGE_SUBSYSTEM_WINDOWS_GUI
        warnings->push_back("is not a GUI program (subsystem " + std::to_string(subsystem) +
                            "); a screen saver runs without a console");
    if (pe.magic == kPe32PlusMagic)
        warnings->push_back("is a 64-bit program; it runs only on 64-bit Windows");
    if (!HasDescription(image, pe))
        warnings->push_back("has no description string (string resource 1), which Windows lists screen savers by");
    return true;
}

void WarnAboutNames(const Options &options, const PackageInput &spec, std::vector<std::string> *warnings)
{
    for (size_t i = kRecordFirstMedia; i < spec.files.size(); i++) {
        std::string tail = Lower(spec.files[i].nameTail);
        size_t dot = tail.find_last_of('.');
        if (dot == std::string::npos)
            continue;
        for (const char *type : kMediaNeedingCodecs)
            if (tail.compare(dot, std::string::npos, type) == 0)
                warnings->push_back(spec.files[i].label + ": Windows does not play " + type +
                                    " files out of the box; the end user may need a codec or player");
    }
    for (const MediaOption &media : options.media)
        if (media.tailGiven && media.tail.find('.') == std::string::npos)
            warnings->push_back(media.path + ": the tail \"" + media.tail + "\" has no dot, so the name gets no " +
                                "extension; a tail includes its dot (:." + media.tail + ")");
    for (size_t i = 0; i < spec.files.size(); i++)
        for (size_t j = i + 1; j < spec.files.size(); j++)
            if (SameFile(spec.files[i].label, spec.files[j].label))
                warnings->push_back(spec.files[j].label +
                                    (spec.files[j].label == spec.files[i].label
                                         ? " is given twice"
                                         : " is the same file as " + spec.files[i].label) +
                                    "; it is packed twice");
    std::string output = Lower(options.output);
    if (output.size() < 4 || output.compare(output.size() - 4, 4, ".exe") != 0)
        warnings->push_back(options.output + " does not end in .exe; Windows runs a package only by such a name");
}
