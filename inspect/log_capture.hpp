// The library's log lines, collected per thread while a capture is active.
#pragma once

#include <string>
#include <vector>

namespace kav::inspect::impl {

struct LogCapture {
  LogCapture();
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;
  std::vector<std::string> lines;
  LogCapture* outer;
};

}  // namespace kav::inspect::impl
