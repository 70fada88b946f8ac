// ProgressBar: one line on the terminal, redrawn in place with CR.
#include "scrpack/commands/progress_bar.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "scrpack/system/file_io.h"
#include "scrpack/system/system.h"

std::string RenderProgressLine(const std::string &label, uint64_t done, uint64_t total, unsigned width)
{
    if (done > total)
        done = total;
    unsigned percent = total ? (unsigned)(done * 100 / total) : 100;
    char figures[64];
    std::snprintf(figures, sizeof figures, " %3u%%  %.1f of %.1f MB", percent, done / 1e6, total / 1e6);
    std::string line = label + " [";
    // The bar takes what the label and the figures leave, within limits.
    size_t fixed = line.size() + 1 + std::strlen(figures);
    size_t cells = width > fixed + 10 ? std::min<size_t>(width - fixed, 50) : 10;
    size_t filled = total ? (size_t)(done * cells / total) : cells;
    line += std::string(filled, '#') + std::string(cells - filled, '.') + "]" + figures;
    if (line.size() > width && width > 0)
        line.resize(width);
    return line;
}

static bool ShowsBar(int fd)
{
    const char *term = std::getenv("TERM");
    return !(term && std::strcmp(term, "dumb") == 0) && IsTerminal(fd);
}

// Writes the whole text; a terminal that fails to take it only loses the bar.
static void Put(int fd, const std::string &text)
{
    WriteAll(fd, text.data(), text.size());
}

ProgressBar::ProgressBar(const std::string &label, uint64_t total, int fd, std::chrono::milliseconds firstDrawAfter)
    : label_(label), total_(total), fd_(fd), firstDrawAfter_(firstDrawAfter), active_(ShowsBar(fd)),
      lastDraw_(std::chrono::steady_clock::now())
{
}

ProgressBar::~ProgressBar()
{
    Finish();
}

void ProgressBar::Advance(uint64_t bytes)
{
    done_ += bytes;
    if (active_)
        Draw();
}

void ProgressBar::Draw()
{
    std::lock_guard<std::mutex> lock(drawing_);
    auto now = std::chrono::steady_clock::now();
    auto wait = drawn_ ? std::chrono::milliseconds(100) : firstDrawAfter_;
    if (!active_ || now - lastDraw_ < wait)
        return;
    lastDraw_ = now;
    unsigned columns = TerminalColumns(fd_);
    unsigned width = columns > 0 ? columns : 80;
    // One column stays free: writing into the last one wraps on some terminals.
    Put(fd_, "\r" + RenderProgressLine(label_, done_.load(), total_, width - 1) + "\033[K");
    drawn_ = true;
    visible_ = true;
}

void ProgressBar::Erase()
{
    if (visible_) {
        Put(fd_, "\r\033[K");
        visible_ = false;
    }
}

void ProgressBar::Clear()
{
    std::lock_guard<std::mutex> lock(drawing_);
    Erase();
}

void ProgressBar::Finish()
{
    std::lock_guard<std::mutex> lock(drawing_);
    Erase();
    active_ = false;
}
