// The progress line.
#include "progress_bar.h"

#include "console.h"
#include "file_helpers.h"

namespace sqzcli {

long long TotalSavingRatio(uint64_t before, uint64_t after) {
    if (before == 0) return 0;
    // In long double, so that even sums of many gigabytes times 100 cannot overflow.
    long double r = (static_cast<long double>(before) - static_cast<long double>(after)) * 100 / before;
    return static_cast<long long>(r);
}

std::string ProgressText(const Progress& p, int columns) {
    const size_t width = 20;
    size_t filled = p.nTotal ? p.nDone * width / p.nTotal : 0;
    std::string bar = "[" + std::string(filled, '#') + std::string(width - filled, '-') + "] ";
    std::string text = std::to_string(p.nDone) + "/" + std::to_string(p.nTotal) + " files, " +
                       FormatThousands64(p.nBytesBefore) + " bytes";
    if (p.nBytesBefore > 0) text += ", saved " + std::to_string(TotalSavingRatio(p.nBytesBefore, p.nBytesAfter)) + "%";
    std::string line = bar + text;
    size_t limit = columns > 1 ? static_cast<size_t>(columns - 1) : 0;
    if (line.size() > limit) line = limit >= text.size() ? text : text.substr(0, limit);
    return line;
}

ProgressBar::ProgressBar(std::FILE* out) : out_(out) {
    if (out_) columns_ = TerminalColumns();
}

void ProgressBar::Show(const Progress& progress, bool force) {
    if (!out_) return;
    auto now = std::chrono::steady_clock::now();
    if (!force && shown_ > 0 && now - last_ < std::chrono::milliseconds(100)) return;
    last_ = now;
    std::string line = ProgressText(progress, columns_);
    std::string pad = line.size() < shown_ ? std::string(shown_ - line.size(), ' ') : std::string();
    std::fprintf(out_, "\r%s%s", line.c_str(), pad.c_str());
    std::fflush(out_);
    shown_ = line.size();
}

void ProgressBar::Clear() {
    if (!out_ || shown_ == 0) return;
    std::fprintf(out_, "\r%s\r", std::string(shown_, ' ').c_str());
    std::fflush(out_);
    shown_ = 0;
}

}  // namespace sqzcli
