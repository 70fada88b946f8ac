// The system layer on POSIX (Linux).
#include "scrpack/system/system.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

bool IsProgram(const std::string &path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

int OpenForReading(const std::string &path)
{
    return open(path.c_str(), O_RDONLY | O_CLOEXEC);
}

int OpenForUpdate(const std::string &path)
{
    return open(path.c_str(), O_RDWR | O_CLOEXEC);
}

long long WriteAt(int fd, const void *data, size_t size, uint64_t offset)
{
    return pwrite(fd, data, size, (off_t)offset);
}

long long ReadSome(int fd, void *buffer, size_t size)
{
    return read(fd, buffer, size);
}

long long WriteSome(int fd, const void *data, size_t size)
{
    return write(fd, data, size);
}

bool CloseFile(int fd)
{
    return close(fd) == 0;
}

bool RemoveFile(const std::string &path)
{
    return unlink(path.c_str()) == 0;
}

bool RemoveFolder(const std::string &path)
{
    return rmdir(path.c_str()) == 0;
}

bool RegularFileSize(int fd, uint64_t *size)
{
    struct stat info;
    if (fstat(fd, &info) != 0)
        return false;
    if (!S_ISREG(info.st_mode)) {
        errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        return false;
    }
    *size = (uint64_t)info.st_size;
    return true;
}

long long ReadAt(int fd, void *buffer, size_t size, uint64_t offset)
{
    return pread(fd, buffer, size, (off_t)offset);
}

int CreateUniqueFile(std::string *pattern)
{
    return mkstemp(&(*pattern)[0]);
}

bool SetFileMode(int fd, unsigned mode)
{
    return fchmod(fd, (mode_t)mode) == 0;
}

unsigned NewFileMode()
{
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~(unsigned)mask;
}

bool SyncFile(int fd)
{
    return fsync(fd) == 0;
}

bool RenameOver(const std::string &from, const std::string &to)
{
    return rename(from.c_str(), to.c_str()) == 0;
}

void CopyFileMode(const std::string &from, const std::string &to)
{
    struct stat info;
    if (stat(from.c_str(), &info) == 0)
        chmod(to.c_str(), info.st_mode & 07777);
}

bool MakeFolder(const std::string &path)
{
    return mkdir(path.c_str(), 0777) == 0;
}

bool IsFolder(const std::string &path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool PathExists(const std::string &path)
{
    return access(path.c_str(), F_OK) == 0;
}

PathKind KindOfPath(const std::string &path)
{
    struct stat info;
    if (lstat(path.c_str(), &info) != 0)
        return errno == ENOENT || errno == ENOTDIR ? PathKind::Missing : PathKind::Unknown;
    if (S_ISREG(info.st_mode))
        return PathKind::RegularFile;
    if (S_ISDIR(info.st_mode))
        return PathKind::Folder;
    if (S_ISLNK(info.st_mode))
        return PathKind::Link;
    if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode))
        return PathKind::Device;
    if (S_ISFIFO(info.st_mode))
        return PathKind::Fifo;
    return S_ISSOCK(info.st_mode) ? PathKind::Socket : PathKind::Unknown;
}

std::string LinkTarget(const std::string &path)
{
    std::string target(4096, '\0');
    ssize_t length = readlink(path.c_str(), &target[0], target.size());
    if (length <= 0 || (size_t)length >= target.size())
        return "";
    target.resize((size_t)length);
    return target;
}

unsigned NewProgramMode()
{
    mode_t mask = umask(0);
    umask(mask);
    return 0777 & ~(unsigned)mask;
}

bool ExistingFileMode(const std::string &path, unsigned *mode)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    *mode = info.st_mode & 07777;
    return true;
}

bool SameFile(const std::string &a, const std::string &b)
{
    struct stat first, second;
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

bool IsReadOnlyFile(const std::string &path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & 0222) == 0;
}

size_t DrivePrefixLength(const std::string &)
{
    return 0;
}

bool IsTerminal(int fd)
{
    return isatty(fd) != 0;
}

unsigned TerminalColumns(int fd)
{
    struct winsize size;
    return ioctl(fd, TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
}

std::string ProgramFolder()
{
    std::string path(4096, '\0');
    ssize_t length = readlink("/proc/self/exe", &path[0], path.size());
    if (length <= 0 || (size_t)length >= path.size())
        return "";
    path.resize((size_t)length);
    return path.substr(0, path.find_last_of('/'));
}

ProgramRun RunProgram(const std::vector<std::string> &arguments)
{
    ProgramRun run;
    // The program's output goes to an unnamed file: nothing to clean up.
    std::FILE *log = std::tmpfile();
    if (!log)
        return run;
    std::vector<char *> argv;
    argv.reserve(arguments.size() + 1);
    for (const std::string &argument : arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fileno(log), 1);
    posix_spawn_file_actions_adddup2(&actions, fileno(log), 2);
    pid_t child;
    run.started = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    if (run.started) {
        int status = 0;
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        run.exited = WIFEXITED(status);
        run.status = run.exited ? WEXITSTATUS(status) : WTERMSIG(status);
        std::rewind(log);
        char buffer[4096];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, log)) > 0)
            run.output.append(buffer, got);
    }
    std::fclose(log);
    return run;
}

static const int kStopSignals[3] = {SIGINT, SIGTERM, SIGHUP};

void CatchStopSignals(void (*handler)(int), StopSignalHandlers *saved)
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < 3; i++) {
        sigaction(kStopSignals[i], &action, &saved->saved[i]);
        if (saved->saved[i].sa_handler == SIG_IGN)
            sigaction(kStopSignals[i], &saved->saved[i], nullptr);
    }
}

void KeepCatching(int, void (*)(int))
{
}

void RestoreStopSignals(const StopSignalHandlers &saved)
{
    for (int i = 0; i < 3; i++)
        sigaction(kStopSignals[i], &saved.saved[i], nullptr);
}

void PrepareStandardStreams()
{
}
