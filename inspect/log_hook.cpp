// The host's log writer, which the library finds by name (the program exports it): its lines go
// to the active capture of the calling thread, and nowhere without one. This unit sees the
// platform's declaration of the writer, not the engine's.
#include <cstdarg>
#include <cstdio>

#include "log_capture.hpp"
#include "platform/osal/osal_services.h"

namespace kav::inspect::impl {
namespace {
thread_local LogCapture* g_capture = nullptr;
}

LogCapture::LogCapture() : outer(g_capture) { g_capture = this; }
LogCapture::~LogCapture() { g_capture = outer; }

}  // namespace kav::inspect::impl

extern "C" void RVX_OsalLogWrite(const SerialLogModule* mod, uint32_t level, uint32_t code, const char* file,
                                 uint32_t line, const char* func, const char* fmt, ...) {
  (void)mod;
  (void)file;
  using kav::inspect::impl::g_capture;
  if (g_capture == nullptr) return;
  char text[512];
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(text, sizeof text, fmt, ap);
  va_end(ap);
  g_capture->lines.push_back(std::string(func != nullptr ? func : "?") + ": " + text + " (level " +
                             std::to_string(level) + ", code " + std::to_string(code) + ", line " +
                             std::to_string(line) + ")");
}
