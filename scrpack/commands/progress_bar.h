// A progress bar for long work, drawn on stderr when stderr is a terminal
// and silent otherwise, so logs and pipes get only the results.
#ifndef SCRPACK_COMMANDS_PROGRESS_BAR_H
#define SCRPACK_COMMANDS_PROGRESS_BAR_H

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

// The bar's line: label, bar, percentage and megabytes, at most width
// columns.  done is clipped to total; a total of 0 counts as finished.
std::string RenderProgressLine(const std::string &label, uint64_t done, uint64_t total, unsigned width);

class ProgressBar {
public:
    // Draws only when fd is a terminal (and TERM is not "dumb"), once the
    // work has taken firstDrawAfter: short work shows nothing.
    ProgressBar(const std::string &label, uint64_t total, int fd = 2,
                std::chrono::milliseconds firstDrawAfter = std::chrono::milliseconds(500));
    ~ProgressBar();
    ProgressBar(const ProgressBar &) = delete;
    ProgressBar &operator=(const ProgressBar &) = delete;

    // Counts bytes done; may be called from several threads.  The bar is
    // redrawn at most ten times a second.
    void Advance(uint64_t bytes);
    // Takes the bar off the line so that a message can be printed there;
    // the next Advance draws it again.
    void Clear();
    // Removes the bar for good, leaving the line empty for what follows.
    void Finish();

private:
    void Draw();
    void Erase(); // with drawing_ held

    std::string label_;
    uint64_t total_;
    int fd_;
    std::chrono::milliseconds firstDrawAfter_;
    std::atomic<bool> active_;
    bool drawn_ = false;   // drawn at least once
    bool visible_ = false; // on the line now
    std::atomic<uint64_t> done_{0};
    std::mutex drawing_;
    std::chrono::steady_clock::time_point lastDraw_; // the start until the first drawing
};

#endif
