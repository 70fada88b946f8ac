// scrpack's system layer: every call scrpack makes to the operating
// system, each in the one form scrpack needs.  system_posix.cpp holds the
// POSIX side, system_windows.cpp the Windows side, find_on_path.cpp what
// the two share.  Only stdio, which both C runtimes share, is called
// directly.
#ifndef SCRPACK_SYSTEM_SYSTEM_H
#define SCRPACK_SYSTEM_SYSTEM_H

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The characters that end a folder name in a path, and the one that paths
// made here take.
#ifdef _WIN32
constexpr const char *kPathSeparators = "/\\";
constexpr char kPathSeparator = '\\';
#else
constexpr const char *kPathSeparators = "/";
constexpr char kPathSeparator = '/';
#endif

// The character between the folders of PATH, and what a program's file
// name ends in.
#ifdef _WIN32
constexpr char kPathListSeparator = ';';
constexpr const char *kProgramSuffix = ".exe";
#else
constexpr char kPathListSeparator = ':';
constexpr const char *kProgramSuffix = "";
#endif

// Opens an existing file for reading (binary, not inherited by child
// processes).  -1 with errno set on failure; a folder fails with EISDIR.
int OpenForReading(const std::string &path);

// Opens an existing file for reading and writing (binary, not inherited
// by child processes).  -1 with errno set on failure.
int OpenForUpdate(const std::string &path);

// Writes size bytes at offset: the count written, -1 with errno set.  On
// Windows it moves the file position.
long long WriteAt(int fd, const void *data, size_t size, uint64_t offset);

// Reads up to size bytes at the file position: the count read, 0 at the
// end of the file, -1 with errno set.
long long ReadSome(int fd, void *buffer, size_t size);

// Writes up to size bytes at the file position: the count written, -1
// with errno set.
long long WriteSome(int fd, const void *data, size_t size);

// Closes a file; false with errno set when its last writes failed.
bool CloseFile(int fd);

// Removes a file, or an empty folder; false with errno set.
bool RemoveFile(const std::string &path);
bool RemoveFolder(const std::string &path);

// The size of an open file; false with errno set when it can't be told or
// the file is no regular file (EISDIR for a folder).
bool RegularFileSize(int fd, uint64_t *size);

// Reads up to size bytes at offset (pread): the count read, 0 at the end
// of the file, -1 with errno set.  On Windows it moves the file position,
// so an fd is read by one thread at a time.
long long ReadAt(int fd, void *buffer, size_t size, uint64_t offset);

// Creates and opens (read-write, binary) a new file named by pattern, whose
// trailing XXXXXX it replaces (mkstemp).  -1 with errno set on failure.
int CreateUniqueFile(std::string *pattern);

// Gives an open file the permission bits mode; Windows files have none to
// give, and there it does nothing.
bool SetFileMode(int fd, unsigned mode);

// The permission bits open() gives a new file: 0666 less the umask.
unsigned NewFileMode();

// Writes the file's data through to the disk (fsync).
bool SyncFile(int fd);

// Renames from to to, replacing the file to names in one step; false with
// errno set.
bool RenameOver(const std::string &from, const std::string &to);

// Gives the file to the permission bits of the file from, where files
// have them; nothing when from can't be looked at.
void CopyFileMode(const std::string &from, const std::string &to);

// Makes a folder; false with errno set (EEXIST when something is there).
bool MakeFolder(const std::string &path);

// Whether path names a folder (or a link to one).
bool IsFolder(const std::string &path);

// Whether something, a file or a folder, is at path.
bool PathExists(const std::string &path);

// What is at path itself, a link not followed (Windows: a reparse point
// is a link; the NUL and CON devices are devices).  Unknown leaves errno
// set.
enum class PathKind { Missing, RegularFile, Folder, Link, Device, Fifo, Socket, Unknown };
PathKind KindOfPath(const std::string &path);

// Where a link at path points, as it is written; empty when it can't be
// told.
std::string LinkTarget(const std::string &path);

// The permission bits a compiler gives a new program: 0777 less the umask.
unsigned NewProgramMode();

// The permission bits of the regular file at path; false when it can't
// be looked at.
bool ExistingFileMode(const std::string &path, unsigned *mode);

// Whether two paths name the same file, however each is written.  False
// when either can't be looked at.
bool SameFile(const std::string &a, const std::string &b);

// Whether the file at path is read-only: no write permission bits (on
// Windows the read-only attribute), whoever runs scrpack.
bool IsReadOnlyFile(const std::string &path);

// The length of path's drive prefix ("C:" on Windows), which no ':' option
// separator can be part of; 0 without one.
size_t DrivePrefixLength(const std::string &path);

// Whether fd is a terminal that takes the progress bar's control
// sequences, and how many columns it shows (0 when unknown).
bool IsTerminal(int fd);
unsigned TerminalColumns(int fd);

// The folder the running program's file is in, without a separator at the
// end; empty when it can't be told.
std::string ProgramFolder();

// Whether path names a file that scrpack could run as a program.
bool IsProgram(const std::string &path);

// The full path of the first program named name (".exe" added on
// Windows) in a folder that PATH lists; false when there is none.
bool FindOnPath(const std::string &name, std::string *program);

// How one run of another program went: its exit status and everything it
// printed on stdout and stderr, which scrpack keeps off its own output.
struct ProgramRun {
    bool started = false;
    bool exited = false; // false: ended by a signal, whose number is status
    int status = 0;
    std::string output;
};

// Runs the program arguments[0] with arguments and waits for it; its
// standard input is empty (never scrpack's own, so a question it asks goes
// to the terminal, if any), its output is collected.
ProgramRun RunProgram(const std::vector<std::string> &arguments);

// The signals that ask scrpack to stop: SIGINT, SIGTERM and SIGHUP (on
// Windows SIGBREAK, Ctrl-Break, for SIGHUP), and their handlers as they
// were before CatchStopSignals.
struct StopSignalHandlers {
#ifdef _WIN32
    void (*saved[3])(int); // the C runtime has signal() only
#else
    struct sigaction saved[3];
#endif
};

// Sends the stop signals to handler, but for one the caller ignores (nohup,
// a background job), which stays ignored.  The handler calls KeepCatching
// first: the Windows C runtime puts back the default action before calling
// it.
void CatchStopSignals(void (*handler)(int), StopSignalHandlers *saved);
void KeepCatching(int signal, void (*handler)(int));

// Puts back the handlers that CatchStopSignals found.
void RestoreStopSignals(const StopSignalHandlers &saved);

// Standard output and error as scrpack writes them, called first thing:
// on Windows binary (LF line ends, the same bytes as on Linux) and, on a
// console, in UTF-8; elsewhere as they are.
void PrepareStandardStreams();

#endif
