#include "progress_bar.h"

#include <unistd.h>

#include <iostream>

namespace orvalis::cli {

namespace {
constexpr size_t kWidth = 40;
}

ProgressBar::ProgressBar(std::string unit)
    : unit_(std::move(unit)), on_terminal_(isatty(STDERR_FILENO) == 1) {}

ProgressBar::~ProgressBar() {
  if (drawn_) std::cerr << "\n";
}

void ProgressBar::Show(size_t done, size_t total) {
  if (!on_terminal_ || total == 0) return;
  const size_t filled = done * kWidth / total;
  std::cerr << "\r[" << std::string(filled, '#') << std::string(kWidth - filled, '.') << "] "
            << done << "/" << total << " " << unit_ << std::flush;
  drawn_ = true;
}

}  // namespace orvalis::cli
