// Running the signer on a finished package.
#include "scrpack/pe/sign_package.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "scrpack/pe/signature_status.h"
#include "scrpack/pe/signing_files.h"
#include "scrpack/system/file_io.h"
#include "scrpack/system/interrupt_guard.h"
#include "scrpack/system/system.h"

const char kSignerName[] = "osslsigncode";

static bool Fail(std::string *error, const std::string &text)
{
    if (error)
        *error = text;
    return false;
}

namespace {

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
std::string Explain(const SignOptions &options, const ProgramRun &run)
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
    // What the signer would refuse only after the whole compression.
    Bytes certificate, key;
    if (!ReadWholeFile(options.certificate, &certificate, error) || !ReadWholeFile(options.key, &key, error))
        return Fail(error, "signing failed: " + *error);
    if (!HoldsCertificate(certificate))
        return Fail(error, "signing failed: no certificate in " + options.certificate +
                               " (neither a PEM CERTIFICATE block nor DER X.509)");
    if (!HoldsPrivateKey(key))
        return Fail(error, "signing failed: cannot read the private key " + options.key +
                               " (neither a PEM PRIVATE KEY block nor a DER key)");
    if (!FindOnPath(kSignerName, signer))
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
    RemoveFile(signedPath);
    std::vector<std::string> arguments = {signer, "sign", "-certs", options.certificate, "-key", options.key,
                                          "-h", "sha256"};
    if (!options.passFile.empty())
        arguments.insert(arguments.end(), {"-readpass", options.passFile});
    if (!options.timestampUrl.empty())
        arguments.insert(arguments.end(), {"-ts", options.timestampUrl});
    arguments.insert(arguments.end(), {"-in", path, "-out", signedPath});
    ProgramRun run = RunProgram(arguments);
    if (!run.started) {
        RemoveFile(signedPath);
        return Fail(error, "cannot sign: cannot start " + signer);
    }
    if (!run.exited || run.status != 0 || Interrupted()) {
        RemoveFile(signedPath);
        return Fail(error, "signing failed: " + (Interrupted() ? std::string("interrupted") : Explain(options, run)));
    }
    bool changed;
    if (!FixPeChecksum(signedPath, &changed, error)) {
        RemoveFile(signedPath);
        return Fail(error, "signing failed: " + *error);
    }
    CopyFileMode(path, signedPath);
    if (!RenameOver(signedPath, path)) {
        std::string why = std::strerror(errno);
        RemoveFile(signedPath);
        return Fail(error, "signing failed: " + path + ": " + why);
    }
    return true;
}
