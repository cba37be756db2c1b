// A progress bar on standard error for long module operations, drawn only on a terminal.
#include "cli/progress_bar.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

#ifdef _WIN32
#include <io.h>
#define VX42_ISATTY _isatty
#define VX42_FILENO _fileno
#else
#include <unistd.h>
#define VX42_ISATTY isatty
#define VX42_FILENO fileno
#endif

namespace vx42::cli {

ProgressBar::ProgressBar() : enabled_(VX42_ISATTY(VX42_FILENO(stderr)) != 0) {}

ProgressBar::~ProgressBar() {
    Finish();
}

std::string ProgressBar::Line(long done, long total, const std::string& text, int width) {
    const long shownTotal = std::max(total, 1L);
    const long shownDone = std::clamp(done, 0L, shownTotal);
    const int filled = static_cast<int>(shownDone * width / shownTotal);
    const int percent = static_cast<int>(shownDone * 100 / shownTotal);
    std::string line = "[" + std::string(static_cast<std::size_t>(filled), '#') +
                       std::string(static_cast<std::size_t>(width - filled), '.') + "] ";
    char number[8];
    std::snprintf(number, sizeof number, "%3d%%", percent);
    line += number;
    if (!text.empty()) line += " " + text;
    return line;
}

void ProgressBar::Update(long done, long total, const std::string& text) {
    if (!enabled_) return;
    const int percent =
        static_cast<int>(std::clamp(done, 0L, std::max(total, 1L)) * 100 / std::max(total, 1L));
    if (drawn_ && percent == lastPercent_ && text == lastText_) return;
    lastPercent_ = percent;
    lastText_ = text;
    // "\033[K" clears what a longer previous line left behind.
    std::cerr << "\r" << Line(done, total, text) << "\033[K" << std::flush;
    drawn_ = true;
}

void ProgressBar::Finish() {
    if (drawn_) std::cerr << "\n" << std::flush;
    drawn_ = false;
    lastPercent_ = -1;
}

}  // namespace vx42::cli
