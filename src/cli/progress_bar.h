#pragma once
// A progress bar on standard error for long module operations, drawn only when standard
// error is a terminal (scripts that capture it see nothing but messages).

#include <string>

namespace vx42::cli {

class ProgressBar {
  public:
    // `enabled` false draws nothing; by default the bar is drawn when standard error is a
    // terminal.
    ProgressBar();
    explicit ProgressBar(bool enabled) : enabled_(enabled) {}
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void Update(long done, long total, const std::string& text = {});
    // Ends the bar's line (also done when the bar goes out of scope).
    void Finish();

    // The bar's line for a state: "[#####.....]  50% text".
    static std::string Line(long done, long total, const std::string& text, int width = 30);

  private:
    bool enabled_;
    bool drawn_ = false;
    int lastPercent_ = -1;
    std::string lastText_;
};

}  // namespace vx42::cli
