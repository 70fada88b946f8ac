// guidriver: starts a GUI program, watches its top-level windows, answers
// them as a scenario says and prints a transcript of what it saw.
//
//   guidriver [--timeout SECONDS] [--rule "MATCH => ACTION"]... [--rules FILE]
//             [--shots FOLDER] [--] PROGRAM [COMMAND-LINE]
//
// PROGRAM (a Windows path) is started with the command line "PROGRAM"
// followed by a space and COMMAND-LINE, which is passed on verbatim: "/x -s"
// reaches the program as that one text.
//
// Rules are tried in order; the first whose MATCH occurs in the window's
// caption or in any of its controls' texts answers the window ("*" matches
// every window).  ACTION is one of:
//   a button's text, ignoring '&' and case ("OK", "Cancel", "Yes", ...),
//   #N       the WM_COMMAND of control id N,
//   enter    the Enter key, through the dialog's own keyboard handling,
//   escape   the Esc key, likewise,
//   close    the close box (WM_SYSCOMMAND SC_CLOSE),
//   wait     leave the window alone: it ends by itself.
// "@N ACTION" answers the window only while the program is stopped at one
// of its calls of WriteFile, the first from its Nth on at which the window
// is shown; an "N*" count then answers it again at the first such call
// after the modal window it owns has come and gone.  The answer is posted
// before the write goes on, so the program takes it at its next message
// pump step: a Cancel lands at the same byte on any machine, however busy.
// Polls leave such a window alone.
// "N*ACTION" (N of 2 or more) answers the window up to N times: after each
// answer it is answered again once a modal window it owns has come and gone
// (the window was disabled and is enabled again), e.g. "2*Cancel" presses
// Cancel, and once the question that raised is answered, presses it again.
// A rules file holds one rule a line; blank lines and lines starting with
// '#' are skipped.
//
// --shots FOLDER saves a picture of each shown window as the transcript
// records it, before it is answered, as FOLDER\N.bmp (N: the window's
// number): the window's place on the screen, frame included, copied from
// the screen.
//
// The program runs as this driver's debuggee, and so does every process it
// starts.  A breakpoint on user32's EndDialog stops the program each time
// one of its dialogs or message boxes ends, so that a dialog too short-lived
// for a poll to find (a progress dialog that ends at once, or one that is
// never shown) is still recorded, as it is at that moment, with its result.
// Windows that wait for an answer are found by polling and recorded once
// their texts have settled.  Only the program's own windows are watched.
// The driver ends when the program and every process it started have
// ended, or at the time-out, when it kills them all.
//
// Transcript (stdout), one record a line:
//   window N: class "C", caption "T", shown|hidden
//     control CLASS ID: "TEXT"             (" hidden" follows a hidden one)
//   window N: answer ACTION
//   window N: no button "ACTION"          (the rule's button is not there)
//   window N: ended with R
//   window N: no rule                      (at a time-out: left unanswered)
//   crashed with exception 0xC0000005
//   exit code X  |  killed after time-out
//   started "COMMAND LINE", exit code X   (one for each process the program
//                                           started, in the order they
//                                           started; "by started process M"
//                                           before the comma when the Mth
//                                           of them started it; ", killed"
//                                           at a time-out)
//   left over: class "C", caption "T"     (a window that outlived the program)
// Texts are escaped C-style (\r \n \t \\ \" and \xNN), so that each record
// is one line and transcripts compare exactly.  Which windows a poll finds
// first never shows in the transcript: a window that waits for its "wait"
// rule, or for none, prints nothing until the program ends or the time-out;
// processes are listed after the program's end, whenever they ran.
//
// Exit status: 0 when the program ended by itself, 1 when it was killed or
// could not be started, 2 for a usage error.
#include <windows.h>
#include <tlhelp32.h>

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <deque>
#include <string>
#include <vector>

namespace {

const DWORD kPollMilliseconds = 20;
// A polled window is recorded once its texts have stayed the same this long.
const ULONGLONG kSettleMilliseconds = 100;
// An edit control's text must be asked of the control; the program may be
// stopped at a breakpoint meanwhile, so the question is not waited on long.
const DWORD kEditTextMilliseconds = 250;
const size_t kTextCapacity = 70000; // a licence text holds up to 65,535 bytes

struct Rule {
    std::string match;
    std::string action;
    int atWrite; // "@N": answered at the program's writes from the Nth on; 0: by polls
    bool used;   // an "@N" rule has answered its window
};

struct Control {
    std::string className;
    int id;
    std::string text;
    bool visible;
};

struct Snapshot {
    std::string className;
    std::string caption;
    bool visible;
    bool complete; // false when a text could not be read
    std::vector<Control> controls;
};

struct Window {
    HWND handle;
    int number;          // 0 until the window is in the transcript
    Snapshot last;       // as the previous poll found it
    ULONGLONG sameSince; // when the texts last changed
    bool waitingWithoutRule;
    bool ended;
    int answersLeft;          // further answers of an "N*ACTION" rule
    std::string againAction;  // the ACTION of that rule
    bool disabledSinceAnswer; // a modal window it owns came since the last answer
    bool held;                // answered at the program's writes, never by polls
};

// A process under the driver: the program, or one it started (and so on).
struct Process {
    DWORD id;
    DWORD parentId;
    HANDLE handle;
    std::string commandLine;
    bool loaderBreakSeen;
    bool exited;
    bool crashed;
    DWORD exitCode;
};

std::vector<Rule> rules;
std::deque<Window> windows; // a deque: records stay put as it grows
int windowCount;
std::vector<Process> processes; // in the order they started; the program first
HANDLE childProcess;            // the program
DWORD childProcessId;
std::string shotsFolder;        // empty: no pictures

void Print(const char *format, ...)
{
    char line[512];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    fputs(line, stdout);
    fflush(stdout);
}

std::string Escape(const std::string &text)
{
    std::string out;
    for (unsigned char c : text) {
        switch (c) {
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        default:
            if (c < 0x20 || c >= 0x7f) {
                char code[8];
                snprintf(code, sizeof code, "\\x%02X", c);
                out += code;
            } else {
                out += (char)c;
            }
        }
    }
    return out;
}

// Prints before, the escaped text in quotes, then after.
void PrintQuoted(const char *before, const std::string &text, const char *after)
{
    fputs(before, stdout);
    fputc('"', stdout);
    fputs(Escape(text).c_str(), stdout);
    fputc('"', stdout);
    fputs(after, stdout);
    fflush(stdout);
}

std::string Trim(const std::string &text)
{
    size_t begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos)
        return "";
    size_t end = text.find_last_not_of(" \t\r\n");
    return text.substr(begin, end - begin + 1);
}

bool ParseRule(const std::string &line, Rule *rule)
{
    size_t arrow = line.find("=>");
    if (arrow == std::string::npos)
        return false;
    rule->match = Trim(line.substr(0, arrow));
    rule->action = Trim(line.substr(arrow + 2));
    rule->atWrite = 0;
    rule->used = false;
    if (!rule->action.empty() && rule->action[0] == '@') {
        char *end = NULL;
        long count = strtol(rule->action.c_str() + 1, &end, 10);
        if (count < 1 || count > 1000000000 || *end != ' ')
            return false;
        rule->atWrite = (int)count;
        rule->action = Trim(end);
    }
    return !rule->match.empty() && !rule->action.empty();
}

bool LoadRules(const char *path)
{
    FILE *file = fopen(path, "rb");
    if (file == NULL) {
        fprintf(stderr, "guidriver: cannot read %s\n", path);
        return false;
    }
    char line[4096];
    bool ok = true;
    while (fgets(line, sizeof line, file) != NULL) {
        std::string text = Trim(line);
        if (text.empty() || text[0] == '#')
            continue;
        Rule rule;
        if (!ParseRule(text, &rule)) {
            fprintf(stderr, "guidriver: bad rule in %s: %s\n", path, text.c_str());
            ok = false;
            break;
        }
        rules.push_back(rule);
    }
    fclose(file);
    return ok;
}

std::string ClassOf(HWND window)
{
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

// The text the system holds for a window of another process: a caption,
// or the text of a static control or a button.  It can be read while the
// program is stopped.
std::string HeldText(HWND window)
{
    std::vector<char> buffer(kTextCapacity, '\0');
    GetWindowTextA(window, buffer.data(), (int)buffer.size());
    buffer.back() = '\0';
    return buffer.data();
}

// An edit control keeps its text to itself: it is asked for it.
bool AskedText(HWND window, std::string *text)
{
    std::vector<char> buffer(kTextCapacity, '\0');
    DWORD_PTR length = 0;
    if (SendMessageTimeoutA(window, WM_GETTEXT, buffer.size(), (LPARAM)buffer.data(), SMTO_ABORTIFHUNG,
                            kEditTextMilliseconds, &length) == 0)
        return false;
    buffer.back() = '\0';
    *text = buffer.data();
    return true;
}

// running: the program runs, so an edit control can be asked for its text.
Snapshot Take(HWND window, bool running)
{
    Snapshot snapshot;
    snapshot.className = ClassOf(window);
    snapshot.caption = HeldText(window);
    snapshot.visible = IsWindowVisible(window) != FALSE;
    snapshot.complete = true;
    for (HWND child = GetWindow(window, GW_CHILD); child != NULL; child = GetWindow(child, GW_HWNDNEXT)) {
        Control control;
        control.className = ClassOf(child);
        control.id = (int)(unsigned short)GetDlgCtrlID(child);
        if (running && _stricmp(control.className.c_str(), "Edit") == 0) {
            if (!AskedText(child, &control.text))
                snapshot.complete = false;
        } else {
            control.text = HeldText(child);
        }
        control.visible = (GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE) != 0;
        snapshot.controls.push_back(control);
    }
    return snapshot;
}

bool Same(const Snapshot &a, const Snapshot &b)
{
    if (a.className != b.className || a.caption != b.caption || a.visible != b.visible ||
        a.complete != b.complete || a.controls.size() != b.controls.size())
        return false;
    for (size_t i = 0; i < a.controls.size(); i++) {
        const Control &x = a.controls[i];
        const Control &y = b.controls[i];
        if (x.className != y.className || x.id != y.id || x.text != y.text || x.visible != y.visible)
            return false;
    }
    return true;
}

// Writes the screen's pixels under the window to shotsFolder\N.bmp, a
// 24-bit bottom-up bitmap.
void SaveShot(HWND handle, int number)
{
    RECT place;
    if (!GetWindowRect(handle, &place))
        return;
    int width = place.right - place.left;
    int height = place.bottom - place.top;
    if (width <= 0 || height <= 0)
        return;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    DWORD stride = ((DWORD)width * 3 + 3) & ~3u;
    info.bmiHeader.biSizeImage = stride * (DWORD)height;
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    void *bits = NULL;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    if (bitmap != NULL) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, place.left, place.top, SRCCOPY);
        GdiFlush();
        BITMAPFILEHEADER file = {};
        file.bfType = 0x4D42; // "BM"
        file.bfOffBits = sizeof file + sizeof info.bmiHeader;
        file.bfSize = file.bfOffBits + info.bmiHeader.biSizeImage;
        std::string path = shotsFolder + "\\" + std::to_string(number) + ".bmp";
        if (FILE *out = fopen(path.c_str(), "wb")) {
            fwrite(&file, sizeof file, 1, out);
            fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out);
            fwrite(bits, 1, info.bmiHeader.biSizeImage, out);
            fclose(out);
        }
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
}

void Record(Window *window, const Snapshot &snapshot)
{
    window->number = ++windowCount;
    if (!shotsFolder.empty() && snapshot.visible)
        SaveShot(window->handle, window->number);
    Print("window %d: class ", window->number);
    PrintQuoted("", snapshot.className, ", caption ");
    PrintQuoted("", snapshot.caption, snapshot.visible ? ", shown\n" : ", hidden\n");
    for (const Control &control : snapshot.controls) {
        Print("  control %s %d: ", control.className.c_str(), control.id);
        PrintQuoted("", control.text, control.visible ? "\n" : " hidden\n");
    }
}

Window *Track(HWND handle)
{
    for (Window &window : windows)
        if (window.handle == handle)
            return &window;
    Window window = {};
    window.handle = handle;
    windows.push_back(window);
    return &windows.back();
}

std::string WithoutAmpersands(const std::string &text)
{
    std::string out;
    for (char c : text)
        if (c != '&')
            out += c;
    return out;
}

bool Matches(const Snapshot &snapshot, const std::string &match)
{
    if (match == "*" || snapshot.caption.find(match) != std::string::npos)
        return true;
    for (const Control &control : snapshot.controls)
        if (control.text.find(match) != std::string::npos)
            return true;
    return false;
}

// A key press through the window's modal loop, so that the dialog manager
// handles it as it would a real one.
void PostKey(HWND window, WPARAM key)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    HWND target = window;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(window, NULL), &info) && info.hwndFocus != NULL)
        target = info.hwndFocus;
    PostMessageA(target, WM_KEYDOWN, key, 1);
    PostMessageA(target, WM_KEYUP, key, (LPARAM)0xC0000001u);
}

void PostCommand(HWND window, int id)
{
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(window, id));
}

// Returns false when the action names a button the window lacks.
bool Perform(HWND window, const Snapshot &snapshot, const std::string &action)
{
    if (_stricmp(action.c_str(), "wait") == 0)
        return true;
    if (_stricmp(action.c_str(), "enter") == 0) {
        PostKey(window, VK_RETURN);
        return true;
    }
    if (_stricmp(action.c_str(), "escape") == 0) {
        PostKey(window, VK_ESCAPE);
        return true;
    }
    if (_stricmp(action.c_str(), "close") == 0) {
        PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        return true;
    }
    if (action[0] == '#') {
        PostCommand(window, (int)strtol(action.c_str() + 1, NULL, 10));
        return true;
    }
    std::string wanted = WithoutAmpersands(action);
    for (const Control &control : snapshot.controls) {
        if (_stricmp(control.className.c_str(), "Button") != 0 || !control.visible)
            continue;
        if (_stricmp(WithoutAmpersands(control.text).c_str(), wanted.c_str()) == 0) {
            PostCommand(window, control.id);
            return true;
        }
    }
    return false;
}

// Splits "N*ACTION" into its count and action; a plain action counts 1.
int AnswerCount(const std::string &action, std::string *single)
{
    size_t star = action.find('*');
    if (star == std::string::npos || star == 0 || star + 1 >= action.size() ||
        action.find_first_not_of("0123456789") != star) {
        *single = action;
        return 1;
    }
    *single = Trim(action.substr(star + 1));
    return (int)strtol(action.substr(0, star).c_str(), NULL, 10);
}

void AnswerWith(Window *window, const Snapshot &snapshot, const std::string &action)
{
    if (!Perform(window->handle, snapshot, action))
        PrintQuoted(("window " + std::to_string(window->number) + ": no button ").c_str(), action, "\n");
    else if (_stricmp(action.c_str(), "wait") != 0)
        Print("window %d: answer %s\n", window->number, Escape(action).c_str());
}

// The first rule whose MATCH the window's texts hold; NULL when none does.
Rule *FirstRule(const Snapshot &snapshot)
{
    for (Rule &rule : rules)
        if (Matches(snapshot, rule.match))
            return &rule;
    return NULL;
}

void Answer(Window *window, const Snapshot &snapshot)
{
    Rule *rule = FirstRule(snapshot);
    if (rule == NULL) {
        window->waitingWithoutRule = true;
        return;
    }
    std::string action;
    int count = AnswerCount(rule->action, &action);
    AnswerWith(window, snapshot, action);
    window->answersLeft = count - 1;
    window->againAction = action;
    window->held = rule->atWrite > 0;
    rule->used = true;
}

// A window of an "N*ACTION" rule is answered again once it is enabled after
// a modal window it owned has ended.  running: as for Take.
void AnswerAgain(Window *window, bool running)
{
    if (window->answersLeft <= 0 || window->ended)
        return;
    if (!IsWindowEnabled(window->handle)) {
        window->disabledSinceAnswer = true;
        return;
    }
    if (!window->disabledSinceAnswer)
        return;
    window->disabledSinceAnswer = false;
    window->answersLeft--;
    AnswerWith(window, Take(window->handle, running), window->againAction);
}

BOOL CALLBACK CollectVisible(HWND window, LPARAM found)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == childProcessId && IsWindowVisible(window))
        ((std::vector<HWND> *)found)->push_back(window);
    return TRUE;
}

// One poll: each visible top-level window of the program whose texts have
// settled is recorded and answered.
void Poll(void)
{
    std::vector<HWND> found;
    EnumWindows(CollectVisible, (LPARAM)&found);
    ULONGLONG now = GetTickCount64();
    for (HWND handle : found) {
        Window *window = Track(handle);
        if (window->number != 0) {
            if (!window->held)
                AnswerAgain(window, true);
            else if (!IsWindowEnabled(handle))
                window->disabledSinceAnswer = true; // answered again at a write
            continue;
        }
        Snapshot snapshot = Take(handle, true);
        const Rule *rule = FirstRule(snapshot);
        if (rule != NULL && rule->atWrite > 0)
            continue; // answered at a write
        if (window->sameSince == 0 || !Same(snapshot, window->last)) {
            window->last = snapshot;
            window->sameSince = now;
            continue;
        }
        if (snapshot.visible && snapshot.complete && now - window->sameSince >= kSettleMilliseconds) {
            Record(window, snapshot);
            Answer(window, snapshot);
        }
    }
}

// The program is stopped at its writeCount-th call of WriteFile: each shown
// window whose "@N" rule has come due is recorded and answered, and each
// window of such a rule that is due to be answered again is.
void PollAtWrite(int writeCount)
{
    std::vector<HWND> found;
    EnumWindows(CollectVisible, (LPARAM)&found);
    for (HWND handle : found) {
        Window *window = Track(handle);
        if (window->number != 0) {
            if (window->held)
                AnswerAgain(window, false);
            continue;
        }
        Snapshot snapshot = Take(handle, false);
        const Rule *rule = FirstRule(snapshot);
        if (rule != NULL && rule->atWrite > 0 && rule->atWrite <= writeCount) {
            Record(window, snapshot);
            Answer(window, snapshot);
        }
    }
}

// True while an "@N" rule may still have to answer at a write.
bool WritesWatched(void)
{
    for (const Rule &rule : rules)
        if (rule.atWrite > 0 && !rule.used)
            return true;
    for (const Window &window : windows)
        if (window.held && window.answersLeft > 0 && !window.ended)
            return true;
    return false;
}

// A dialog is ending: it is recorded now unless a poll has done so.
void OnEndDialog(HWND handle, INT_PTR result)
{
    if (!IsWindow(handle))
        return;
    Window *window = Track(handle);
    if (window->number == 0)
        Record(window, Take(handle, false));
    Print("window %d: ended with %lld\n", window->number, (long long)result);
    window->ended = true;
}

// --- The debugger side -----------------------------------------------------

struct Breakpoint {
    ULONG_PTR address;
    BYTE original;
    bool armed;
};

// Both in the program only.
Breakpoint endDialog;
Breakpoint writeFile; // set only for "@N" rules
int writeCount;       // the program's calls of WriteFile so far
// The breakpoint whose first instruction runs as one step, to be set again
// after it when rearm says so.
Breakpoint *stepping;
DWORD steppingThread;
bool rearm;

bool ReadFrom(HANDLE process, ULONG_PTR address, void *buffer, SIZE_T size)
{
    SIZE_T got = 0;
    return ReadProcessMemory(process, (LPCVOID)address, buffer, size, &got) && got == size;
}

bool ReadTarget(ULONG_PTR address, void *buffer, SIZE_T size)
{
    return ReadFrom(childProcess, address, buffer, size);
}

bool WriteTargetByte(ULONG_PTR address, BYTE value)
{
    SIZE_T put = 0;
    if (!WriteProcessMemory(childProcess, (LPVOID)address, &value, 1, &put) || put != 1)
        return false;
    FlushInstructionCache(childProcess, (LPCVOID)address, 1);
    return true;
}

bool ReadTargetString(ULONG_PTR address, char *buffer, size_t capacity)
{
    for (size_t i = 0; i + 1 < capacity; i++) {
        if (!ReadTarget(address + i, &buffer[i], 1))
            return false;
        if (buffer[i] == '\0')
            return true;
    }
    buffer[capacity - 1] = '\0';
    return true;
}

// The address of an export of a module loaded in the program, read from
// the module's export directory in the program's memory; 0 when the module
// is not the one named or lacks the export.
ULONG_PTR FindExport(ULONG_PTR base, const char *moduleName, const char *exportName)
{
    IMAGE_DOS_HEADER dos;
    if (!ReadTarget(base, &dos, sizeof dos) || dos.e_magic != IMAGE_DOS_SIGNATURE)
        return 0;
    IMAGE_NT_HEADERS nt; // the driver's own kind: it debugs programs of its kind
    if (!ReadTarget(base + dos.e_lfanew, &nt, sizeof nt) || nt.Signature != IMAGE_NT_SIGNATURE ||
        nt.OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR_MAGIC)
        return 0;
    const IMAGE_DATA_DIRECTORY &directory = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (directory.VirtualAddress == 0)
        return 0;
    IMAGE_EXPORT_DIRECTORY exports;
    if (!ReadTarget(base + directory.VirtualAddress, &exports, sizeof exports))
        return 0;
    char name[64];
    if (!ReadTargetString(base + exports.Name, name, sizeof name) || _stricmp(name, moduleName) != 0)
        return 0;
    for (DWORD i = 0; i < exports.NumberOfNames; i++) {
        DWORD nameAddress = 0;
        if (!ReadTarget(base + exports.AddressOfNames + 4 * (ULONG_PTR)i, &nameAddress, 4) ||
            !ReadTargetString(base + nameAddress, name, sizeof name))
            return 0;
        if (strcmp(name, exportName) != 0)
            continue;
        WORD ordinal = 0;
        DWORD function = 0;
        if (!ReadTarget(base + exports.AddressOfNameOrdinals + 2 * (ULONG_PTR)i, &ordinal, 2) ||
            !ReadTarget(base + exports.AddressOfFunctions + 4 * (ULONG_PTR)ordinal, &function, 4))
            return 0;
        return base + function;
    }
    return 0;
}

// Sets a breakpoint on an export of the module at base, if it is the one
// named and the breakpoint is not set yet.
void SetBreakpoint(Breakpoint *breakpoint, ULONG_PTR base, const char *moduleName, const char *exportName)
{
    if (breakpoint->address != 0)
        return;
    ULONG_PTR address = FindExport(base, moduleName, exportName);
    BYTE original;
    if (address == 0 || !ReadTarget(address, &original, 1))
        return;
    if (!WriteTargetByte(address, 0xCC)) {
        fprintf(stderr, "guidriver: cannot set the breakpoint on %s\n", exportName);
        return;
    }
    breakpoint->address = address;
    breakpoint->original = original;
    breakpoint->armed = true;
}

void OnModuleLoaded(ULONG_PTR base)
{
    SetBreakpoint(&endDialog, base, "user32.dll", "EndDialog");
    // kernel32's WriteFile (and _lwrite, which calls it) forwards here.
    if (WritesWatched())
        SetBreakpoint(&writeFile, base, "kernelbase.dll", "WriteFile");
}

// EndDialog's arguments at its first instruction.
void ReadEndDialogArguments(const CONTEXT &context, HWND *dialog, INT_PTR *result)
{
#ifdef _WIN64
    *dialog = (HWND)context.Rcx;
    *result = (INT_PTR)context.Rdx;
#else
    DWORD arguments[2] = {0, 0}; // on the stack, above the return address
    ReadTarget(context.Esp + 4, arguments, sizeof arguments);
    *dialog = (HWND)(ULONG_PTR)arguments[0];
    *result = (INT_PTR)arguments[1];
#endif
}

Process *FindProcess(DWORD id)
{
    for (Process &process : processes)
        if (process.id == id && !process.exited)
            return &process;
    return NULL;
}

// Returns how the program goes on after an exception event.
DWORD OnException(const DEBUG_EVENT &event)
{
    const EXCEPTION_RECORD &record = event.u.Exception.ExceptionRecord;
    ULONG_PTR address = (ULONG_PTR)record.ExceptionAddress;
    bool inProgram = event.dwProcessId == childProcessId;
    // The step over a breakpoint's first instruction has ended.  Wine under
    // qemu reports the step as a breakpoint, and may leave the trap flag set.
    if (inProgram && stepping != NULL && event.dwThreadId == steppingThread &&
        (record.ExceptionCode == EXCEPTION_SINGLE_STEP || record.ExceptionCode == EXCEPTION_BREAKPOINT)) {
        if (rearm) {
            WriteTargetByte(stepping->address, 0xCC);
            stepping->armed = true;
        }
        stepping = NULL;
        HANDLE thread = OpenThread(THREAD_GET_CONTEXT | THREAD_SET_CONTEXT, FALSE, event.dwThreadId);
        CONTEXT context = {};
        context.ContextFlags = CONTEXT_CONTROL;
        if (thread != NULL && GetThreadContext(thread, &context) && (context.EFlags & 0x100) != 0) {
            context.EFlags &= ~0x100u;
            SetThreadContext(thread, &context);
        }
        if (thread != NULL)
            CloseHandle(thread);
        return DBG_CONTINUE;
    }
    // The address is the breakpoint's own, or the next byte's where the
    // system reports where the processor stopped (Wine does under qemu).
    Breakpoint *hit = NULL;
    if (inProgram && record.ExceptionCode == EXCEPTION_BREAKPOINT) {
        if (endDialog.armed && (address == endDialog.address || address == endDialog.address + 1))
            hit = &endDialog;
        else if (writeFile.armed && (address == writeFile.address || address == writeFile.address + 1))
            hit = &writeFile;
    }
    if (hit != NULL) {
        HANDLE thread = OpenThread(THREAD_GET_CONTEXT | THREAD_SET_CONTEXT, FALSE, event.dwThreadId);
        CONTEXT context = {};
        // Both flags carry the processor bit, hence "equivalent operands".
        context.ContextFlags = CONTEXT_CONTROL | CONTEXT_INTEGER; // NOLINT(misc-redundant-expression)
        if (thread == NULL || !GetThreadContext(thread, &context)) {
            fprintf(stderr, "guidriver: cannot read the stopped thread\n");
            TerminateProcess(childProcess, 1);
        } else {
            if (hit == &endDialog) {
                HWND dialog;
                INT_PTR result;
                ReadEndDialogArguments(context, &dialog, &result);
                OnEndDialog(dialog, result);
                rearm = true;
            } else {
                PollAtWrite(++writeCount);
                rearm = WritesWatched(); // no more writes to watch: the trap stays off
            }
            // Run the first instruction itself once, then set the trap again.
            WriteTargetByte(hit->address, hit->original);
            hit->armed = false;
            stepping = hit;
            steppingThread = event.dwThreadId;
#ifdef _WIN64
            context.Rip = hit->address;
#else
            context.Eip = hit->address;
#endif
            context.EFlags |= 0x100; // trap flag: one step
            SetThreadContext(thread, &context);
        }
        if (thread != NULL)
            CloseHandle(thread);
        return DBG_CONTINUE;
    }
    Process *process = FindProcess(event.dwProcessId);
    if (record.ExceptionCode == EXCEPTION_BREAKPOINT && process != NULL && !process->loaderBreakSeen) {
        process->loaderBreakSeen = true; // the loader's own breakpoint at the start
        return DBG_CONTINUE;
    }
    if (!event.u.Exception.dwFirstChance && process != NULL && !process->crashed) {
        process->crashed = true;
        if (inProgram)
            Print("crashed with exception 0x%08lX\n", (unsigned long)record.ExceptionCode);
    }
    return DBG_EXCEPTION_NOT_HANDLED;
}

// The command line a process was started with, read from its parameter
// block.
std::string CommandLineOf(HANDLE process)
{
    typedef LONG(WINAPI * QueryProcess)(HANDLE, int, void *, ULONG, ULONG *);
    QueryProcess query =
        (QueryProcess)(void *)GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess");
    struct {
        LONG_PTR exitStatus;
        ULONG_PTR pebAddress;
        ULONG_PTR rest[4];
    } basic = {};
    ULONG got = 0;
    if (query == NULL || query(process, 0 /* ProcessBasicInformation */, &basic, sizeof basic, &got) != 0)
        return "";
#ifdef _WIN64
    const ULONG_PTR kParametersInPeb = 0x20, kCommandLineInParameters = 0x70;
#else
    const ULONG_PTR kParametersInPeb = 0x10, kCommandLineInParameters = 0x40;
#endif
    ULONG_PTR parameters = 0;
    struct {
        USHORT length;
        USHORT capacity;
        ULONG_PTR buffer; // aligned as in UNICODE_STRING
    } commandLine = {};
    if (!ReadFrom(process, basic.pebAddress + kParametersInPeb, &parameters, sizeof parameters) ||
        !ReadFrom(process, parameters + kCommandLineInParameters, &commandLine, sizeof commandLine))
        return "";
    std::wstring wide(commandLine.length / 2, L'\0');
    if (!wide.empty() && !ReadFrom(process, commandLine.buffer, &wide[0], commandLine.length))
        return "";
    int size = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), (int)wide.size(), NULL, 0, NULL, NULL);
    std::string text(size, '\0');
    if (size > 0)
        WideCharToMultiByte(CP_ACP, 0, wide.c_str(), (int)wide.size(), &text[0], size, NULL, NULL);
    return text;
}

DWORD ParentOf(DWORD processId, const std::vector<PROCESSENTRY32> &list)
{
    for (const PROCESSENTRY32 &entry : list)
        if (entry.th32ProcessID == processId)
            return entry.th32ParentProcessID;
    return 0;
}

std::vector<PROCESSENTRY32> ListProcesses(void)
{
    std::vector<PROCESSENTRY32> list;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return list;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        list.push_back(entry);
    CloseHandle(snapshot);
    return list;
}

void OnProcessCreated(const DEBUG_EVENT &event)
{
    Process process = {};
    process.id = event.dwProcessId;
    process.handle = event.u.CreateProcessInfo.hProcess;
    process.parentId = ParentOf(process.id, ListProcesses());
    if (process.id != childProcessId)
        process.commandLine = CommandLineOf(process.handle);

    processes.push_back(process);
}

// True while a process that one of ours started has not yet reported to
// the driver: its start is on the way, and so it has to be waited for.
bool StartsUnderway(void)
{
    for (const PROCESSENTRY32 &entry : ListProcesses()) {
        bool known = false, parentKnown = false;
        for (const Process &process : processes) {
            known = known || process.id == entry.th32ProcessID;
            parentKnown = parentKnown || process.id == entry.th32ParentProcessID;
        }
        if (parentKnown && !known)
            return true;
    }
    return false;
}

bool AllEnded(void)
{
    for (const Process &process : processes)
        if (!process.exited)
            return false;
    return !processes.empty() && !StartsUnderway();
}

BOOL CALLBACK ReportLeftOver(HWND window, LPARAM)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    std::string className = ClassOf(window);
    if (processId == childProcessId || className == "ZORBInst") {
        PrintQuoted("left over: class ", className, ", caption ");
        PrintQuoted("", HeldText(window), "\n");
    }
    return TRUE;
}

int Usage(void)
{
    fputs("usage: guidriver [--timeout SECONDS] [--rule \"MATCH => [@N ]ACTION\"]... [--rules FILE] [--shots FOLDER] "
          "[--] PROGRAM [COMMAND-LINE]\n",
          stderr);
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    double timeoutSeconds = 60;
    int i = 1;
    for (; i < argc; i++) {
        std::string option = argv[i];
        if (option == "--") {
            i++;
            break;
        }
        if (option.compare(0, 2, "--") != 0)
            break;
        if (i + 1 >= argc)
            return Usage();
        const char *value = argv[++i];
        if (option == "--timeout") {
            timeoutSeconds = strtod(value, NULL);
            if (!(timeoutSeconds > 0))
                return Usage();
        } else if (option == "--rule") {
            Rule rule;
            if (!ParseRule(value, &rule)) {
                fprintf(stderr, "guidriver: bad rule: %s\n", value);
                return 2;
            }
            rules.push_back(rule);
        } else if (option == "--rules") {
            if (!LoadRules(value))
                return 2;
        } else if (option == "--shots") {
            shotsFolder = value;
        } else {
            return Usage();
        }
    }
    if (i >= argc || argc - i > 2)
        return Usage();

    std::string commandLine = std::string("\"") + argv[i] + "\"";
    if (i + 1 < argc) {
        commandLine += " ";
        commandLine += argv[i + 1];
    }
    std::vector<char> commandBuffer(commandLine.begin(), commandLine.end());
    commandBuffer.push_back('\0');

    // The desktop first: under Wine the first program to use it starts the
    // process that owns it, which would otherwise be the program's child
    // (and so this driver's debuggee) on some runs and not on others.
    GetDesktopWindow();

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(argv[i], commandBuffer.data(), NULL, NULL, FALSE, DEBUG_PROCESS, NULL, NULL, &startup,
                        &started)) {
        fprintf(stderr, "guidriver: cannot start %s (error %lu)\n", argv[i], (unsigned long)GetLastError());
        return 1;
    }
    childProcess = started.hProcess;
    childProcessId = started.dwProcessId;
    // Should the driver end early, what it debugs runs on.
    DebugSetProcessKillOnExit(FALSE);

    ULONGLONG deadline = GetTickCount64() + (ULONGLONG)(timeoutSeconds * 1000);
    bool killed = false;
    while (!AllEnded()) {
        DEBUG_EVENT event;
        if (WaitForDebugEvent(&event, kPollMilliseconds)) {
            DWORD status = DBG_CONTINUE;
            switch (event.dwDebugEventCode) {
            case CREATE_PROCESS_DEBUG_EVENT:
                OnProcessCreated(event);
                if (event.u.CreateProcessInfo.hFile != NULL)
                    CloseHandle(event.u.CreateProcessInfo.hFile);
                break;
            case LOAD_DLL_DEBUG_EVENT:
                if (event.dwProcessId == childProcessId)
                    OnModuleLoaded((ULONG_PTR)event.u.LoadDll.lpBaseOfDll);
                if (event.u.LoadDll.hFile != NULL)
                    CloseHandle(event.u.LoadDll.hFile);
                break;
            case EXCEPTION_DEBUG_EVENT:
                status = OnException(event);
                break;
            case EXIT_PROCESS_DEBUG_EVENT:
                if (Process *process = FindProcess(event.dwProcessId)) {
                    process->exited = true;
                    process->exitCode = event.u.ExitProcess.dwExitCode;
                }
                break;
            default:
                break;
            }
            ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
        } else if (!killed) {
            Poll();
        }
        if (!killed && GetTickCount64() >= deadline) {
            killed = true;
            for (const Window &window : windows)
                if (window.waitingWithoutRule && !window.ended)
                    Print("window %d: no rule\n", window.number);
            for (const Process &process : processes)
                if (!process.exited)
                    TerminateProcess(process.handle, 1);
            TerminateProcess(childProcess, 1); // in case it never reported
            if (processes.empty())
                break;
        }
    }

    // The program's end, then each process it started, in the order they
    // started (a start is reported with the process's end, so that the
    // order of the lines never depends on how the processes ran together).
    if (killed)
        Print("killed after time-out\n");
    else
        Print("exit code %lu\n", (unsigned long)processes[0].exitCode);
    for (size_t n = 1; n < processes.size(); n++) {
        const Process &process = processes[n];
        PrintQuoted("started ", process.commandLine, "");
        if (process.parentId != childProcessId) {
            for (size_t m = 1; m < n; m++)
                if (processes[m].id == process.parentId)
                    Print(" by started process %u", (unsigned)m);
        }
        if (killed && !process.exited)
            Print(", killed\n");
        else
            Print(", exit code %lu\n", (unsigned long)process.exitCode);
    }
    EnumWindows(ReportLeftOver, 0);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return killed ? 1 : 0;
}
