// CheckOutputPlace and OutputMode.
#include "scrpack/commands/output_checks.h"

#include <cerrno>
#include <cstring>

#include "scrpack/system/system.h"

namespace {

// What is at the output, when it is no regular file: the reason it is
// refused.
std::string RefusedKind(const std::string &output, PathKind kind)
{
    const std::string only = "; scrpack replaces only a regular file";
    switch (kind) {
    case PathKind::Folder:
        return "-o " + output + " is a folder; give the package's file name in it";
    case PathKind::Link: {
        std::string target = LinkTarget(output);
        return "-o " + output + " is a symbolic link" + (target.empty() ? "" : " to " + target) + only +
               ", and replacing the link would leave its target stale: name the target itself or another file";
    }
    case PathKind::Device: return "-o " + output + " is a device, not a regular file" + only;
    case PathKind::Fifo: return "-o " + output + " is a named pipe (FIFO), not a regular file" + only;
    case PathKind::Socket: return "-o " + output + " is a socket, not a regular file" + only;
    case PathKind::Unknown: return "-o " + output + ": " + std::strerror(errno);
    case PathKind::Missing:
    case PathKind::RegularFile: break;
    }
    return "";
}

// The folder's faults: missing, no folder, or no file can be made in it.
std::string CheckFolder(const std::string &folder, const std::string &shown)
{
    if (!IsFolder(folder)) {
        if (PathExists(shown))
            return "the output's folder " + shown + " is a file, not a folder";
        // The nearest part of the path that is there tells why.
        std::string up = shown;
        for (size_t cut; (cut = up.find_last_of(kPathSeparators)) != std::string::npos && cut > 0;) {
            up.resize(cut);
            if (PathExists(up) && !IsFolder(up))
                return "the output's folder " + shown + " lies under " + up + ", which is a file, not a folder";
        }
        return "the output's folder " + shown + " does not exist";
    }
    std::string probe = folder + ".scrpack-XXXXXX";
    int fd = CreateUniqueFile(&probe);
    if (fd < 0)
        return "cannot write in the output's folder " + shown + ": " + std::strerror(errno);
    CloseFile(fd);
    RemoveFile(probe);
    return "";
}

} // namespace

std::string CheckOutputPlace(const std::string &output)
{
    PathKind kind = KindOfPath(output);
    std::string refused = RefusedKind(output, kind);
    if (!refused.empty())
        return refused;
    size_t cut = output.find_last_of(kPathSeparators);
    if (kind == PathKind::Missing && cut != std::string::npos && cut + 1 == output.size())
        return "-o " + output + " ends in " + output.substr(cut) + ", so it names a folder; give the package's file name";
    // The folder with its separator, so that the root ("/", "C:\\") stays
    // a folder; shown without it.
    size_t drive = DrivePrefixLength(output);
    std::string folder = output.substr(0, drive) + "." + kPathSeparator, shown = output.substr(0, drive) + ".";
    if (cut != std::string::npos) {
        folder = output.substr(0, cut + 1);
        shown = cut <= drive ? folder : output.substr(0, cut);
    }
    return CheckFolder(folder, shown);
}

unsigned OutputMode(const std::string &output)
{
    unsigned mode;
    return ExistingFileMode(output, &mode) ? mode : NewProgramMode();
}
