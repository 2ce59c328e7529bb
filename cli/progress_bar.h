// A progress bar on standard error, drawn only when standard error is a terminal, so that
// redirected output and scripts never see it.
#pragma once

#include <cstddef>
#include <string>

namespace orvalis::cli {

class ProgressBar {
 public:
  // `unit` names what is counted ("arquivos").
  explicit ProgressBar(std::string unit);
  // Ends the bar's line.
  ~ProgressBar();
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  // Redraws the bar: `done` of `total`.
  void Show(size_t done, size_t total);

 private:
  std::string unit_;
  bool drawn_ = false;
  bool on_terminal_;
};

}  // namespace orvalis::cli
