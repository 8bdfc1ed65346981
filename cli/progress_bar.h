// The progress line on standard error while a batch runs: files done, bytes, saving so far.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace sqzcli {

// The figures behind the progress line.
struct Progress {
    size_t nDone = 0;
    size_t nTotal = 0;
    uint64_t nBytesBefore = 0;  // sizes on disk of the movies compressed so far
    uint64_t nBytesAfter = 0;   // and of their compressed forms
};

// The progress line's text, at most `columns` - 1 characters wide:
// "[#####---------------] 12/100 files, 1,234,567 bytes, saved 37%".
std::string ProgressText(const Progress& progress, int columns);

// Draws the progress line on a terminal; does nothing when it is given no stream.
class ProgressBar {
public:
    // `out` is the terminal's stream (standard error), or null for no progress line.
    explicit ProgressBar(std::FILE* out);
    // Redraws the line, at most ten times a second unless `force`.
    void Show(const Progress& progress, bool force = false);
    // Removes the line, so that other output can be written; the next Show draws it again.
    void Clear();

private:
    std::FILE* out_;
    int columns_ = 80;
    size_t shown_ = 0;  // characters on the line now
    std::chrono::steady_clock::time_point last_{};
};

// The saving of totals in percent, by the rule of one movie's (SavingRatio) without its 32-bit limit: (before -
// after) * 100 / before, truncated toward zero; 0 when `before` is 0.
long long TotalSavingRatio(uint64_t before, uint64_t after);

}  // namespace sqzcli
