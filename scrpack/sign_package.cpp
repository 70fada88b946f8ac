// Running the signer on a finished package.
#include "scrpack/sign_package.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char **environ;
#endif

#include "scrpack/file_io.h"
#include "scrpack/interrupt_guard.h"
#include "scrpack/signature_status.h"

const char kSignerName[] = "osslsigncode";

static bool Fail(std::string *error, const std::string &text)
{
    if (error)
        *error = text;
    return false;
}

namespace {

// The outcome of one run of the signer: its exit status and everything it
// printed on stdout and stderr, which scrpack keeps off its own output.
struct SignerRun {
    bool started = false;
    bool exited = false; // false: ended by a signal
    int status = 0;
    std::string output;
};

#ifdef _WIN32

const char kPathSeparator = ';';

std::wstring Wide(const std::string &text)
{
    int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(length > 0 ? (size_t)length : 1, L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &wide[0], length);
    wide.resize(wide.size() - 1);
    return wide;
}

bool IsProgram(const std::string &path)
{
    DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// One argument as the C runtime's command-line parser reads it back.
void AppendQuoted(std::wstring *line, const std::wstring &argument)
{
    if (!line->empty())
        *line += L' ';
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        *line += argument;
        return;
    }
    *line += L'"';
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            backslashes++;
            continue;
        }
        *line += std::wstring(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        *line += c;
    }
    *line += std::wstring(2 * backslashes, L'\\');
    *line += L'"';
}

SignerRun Run(const std::vector<std::string> &arguments)
{
    SignerRun run;
    std::wstring line;
    for (const std::string &argument : arguments)
        AppendQuoted(&line, Wide(argument));
    wchar_t folder[MAX_PATH], logPath[MAX_PATH];
    if (!GetTempPathW(MAX_PATH, folder) || !GetTempFileNameW(folder, L"scr", 0, logPath))
        return run;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE log = CreateFileW(logPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    HANDLE input = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                               nullptr);
    if (log == INVALID_HANDLE_VALUE || input == INVALID_HANDLE_VALUE) {
        if (log != INVALID_HANDLE_VALUE)
            CloseHandle(log);
        if (input != INVALID_HANDLE_VALUE)
            CloseHandle(input);
        return run;
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = log;
    startup.hStdError = log;
    PROCESS_INFORMATION process;
    std::wstring program = Wide(arguments[0]);
    run.started = CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                 nullptr, &startup, &process) != 0;
    CloseHandle(input);
    if (run.started) {
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 1;
        GetExitCodeProcess(process.hProcess, &code);
        run.exited = true;
        run.status = (int)code;
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        SetFilePointer(log, 0, nullptr, FILE_BEGIN);
        char buffer[4096];
        DWORD got;
        while (ReadFile(log, buffer, sizeof buffer, &got, nullptr) && got > 0)
            run.output.append(buffer, got);
    }
    CloseHandle(log);
    return run;
}

#else

const char kPathSeparator = ':';

bool IsProgram(const std::string &path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

SignerRun Run(const std::vector<std::string> &arguments)
{
    SignerRun run;
    // The signer's output goes to an unnamed file: nothing to clean up.
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
    // Never our standard input: a key with a pass phrase and no
    // --sign-pass-file is asked for on the terminal, if there is one.
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

#endif

// The signer's full path: the first program of that name on PATH.
bool FindSigner(std::string *signer)
{
    const char *path = std::getenv("PATH");
    std::string list = path ? path : "";
#ifdef _WIN32
    const std::string name = std::string(kSignerName) + ".exe";
#else
    const std::string name = kSignerName;
#endif
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(kPathSeparator, start);
        if (end == std::string::npos)
            end = list.size();
        std::string folder = list.substr(start, end - start);
        start = end + 1;
        if (folder.empty())
            continue;
        char last = folder.back();
        std::string candidate = folder + (last == '/' || last == '\\' ? "" : "/") + name;
        if (IsProgram(candidate)) {
            *signer = candidate;
            return true;
        }
    }
    return false;
}

bool Contains(const std::string &text, const char *part)
{
    return text.find(part) != std::string::npos;
}

// The signer's words, in one line: the first line of its output that
// says something of its own (not its "Failed" summary, its progress, a
// pass phrase prompt or OpenSSL's error queue).
std::string FirstOwnLine(const std::string &output)
{
    size_t start = 0;
    while (start < output.size()) {
        size_t end = output.find('\n', start);
        if (end == std::string::npos)
            end = output.size();
        std::string line = output.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.pop_back();
        if (line.empty() || line == "Failed" || Contains(line, ":error:") || line.rfind("Connecting to ", 0) == 0 ||
            line.rfind("Enter PEM pass phrase", 0) == 0 || line.rfind("Warning: ", 0) == 0)
            continue;
        return line;
    }
    return "";
}

// Why a run failed, as one line naming the files concerned.
std::string Explain(const SignOptions &options, const SignerRun &run)
{
    const std::string &out = run.output;
    if (!run.exited)
        return std::string(kSignerName) + " was ended by signal " + std::to_string(run.status);
    if (Contains(out, "consistency of a private key"))
        return "the key " + options.key + " does not match the certificate " + options.certificate;
    if (Contains(out, "Failed to decode private key") || Contains(out, "Failed to read private key"))
        return "cannot read the private key " + options.key + " (not a key" +
               (options.passFile.empty() ? ", or it needs a pass phrase: --sign-pass-file)"
                                         : ", or a wrong pass phrase in " + options.passFile + ")");
    if (Contains(out, "No certificate found") || Contains(out, "Failed to read certificate"))
        return "no certificate in " + options.certificate;
    if (!options.timestampUrl.empty() && (Contains(out, "imestamping failed") || Contains(out, "HTTP failure")))
        return "no timestamp from " + options.timestampUrl +
               (Contains(out, "HTTP failure") ? " (the service did not answer)" : "");
    std::string said = FirstOwnLine(out);
    return std::string(kSignerName) + " failed (exit status " + std::to_string(run.status) + ")" +
           (said.empty() ? "" : ": " + said);
}

} // namespace

bool PrepareSigning(const SignOptions &options, std::string *signer, std::string *error)
{
    struct Input {
        const char *option;
        const std::string &path;
    };
    for (const Input &input : {Input{"--sign-cert", options.certificate}, Input{"--sign-key", options.key},
                               Input{"--sign-pass-file", options.passFile}}) {
        Bytes start;
        if (!input.path.empty() && !ReadFileStart(input.path, 1, &start, error))
            return Fail(error, std::string(input.option) + ": " + *error);
        if (!input.path.empty() && start.empty())
            return Fail(error, std::string(input.option) + ": " + input.path + " is empty");
    }
    if (!FindSigner(signer))
        return Fail(error, std::string("cannot sign: ") + kSignerName +
                               " is not installed (not found on PATH; on Debian: apt-get install " + kSignerName +
                               ")");
    return true;
}

bool SignFileInPlace(const std::string &signer, const SignOptions &options, const std::string &path,
                     std::string *error)
{
    // The signer will not write over a file; path's name is one of ours
    // and unique, and so is this one beside it.
    std::string signedPath = path + ".signed";
    std::remove(signedPath.c_str());
    std::vector<std::string> arguments = {signer, "sign", "-certs", options.certificate, "-key", options.key,
                                          "-h", "sha256"};
    if (!options.passFile.empty())
        arguments.insert(arguments.end(), {"-readpass", options.passFile});
    if (!options.timestampUrl.empty())
        arguments.insert(arguments.end(), {"-ts", options.timestampUrl});
    arguments.insert(arguments.end(), {"-in", path, "-out", signedPath});
    SignerRun run = Run(arguments);
    if (!run.started) {
        std::remove(signedPath.c_str());
        return Fail(error, "cannot sign: cannot start " + signer);
    }
    if (!run.exited || run.status != 0 || Interrupted()) {
        std::remove(signedPath.c_str());
        return Fail(error, "signing failed: " + (Interrupted() ? std::string("interrupted") : Explain(options, run)));
    }
    bool changed;
    if (!FixPeChecksum(signedPath, &changed, error)) {
        std::remove(signedPath.c_str());
        return Fail(error, "signing failed: " + *error);
    }
#ifdef _WIN32
    // Windows renames over no file.
    if (std::remove(path.c_str()) != 0 || std::rename(signedPath.c_str(), path.c_str()) != 0) {
#else
    struct stat info;
    if (stat(path.c_str(), &info) == 0)
        chmod(signedPath.c_str(), info.st_mode & 07777);
    if (std::rename(signedPath.c_str(), path.c_str()) != 0) {
#endif
        std::string why = std::strerror(errno);
        std::remove(signedPath.c_str());
        return Fail(error, "signing failed: " + path + ": " + why);
    }
    return true;
}
