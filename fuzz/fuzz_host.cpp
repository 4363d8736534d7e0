// The counting host behind fuzz_host.hpp. The executable exports these RVX_ symbols (ENABLE_EXPORTS),
// so the library binds them through its lookups by name. They are declared by the platform's own
// header, as a host would declare them: under clang's function-type check the library's call through
// its log-writer pointer must match this definition exactly.
#include "fuzz_host.hpp"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "osal_services.h"

namespace {

constexpr std::uint32_t kModuleId = 0x6200;
constexpr std::uint32_t kCachePool = 12;
constexpr unsigned char kFreshFill = 0xA5;  // the library must zero what it reads back

struct Block {
  std::size_t size;
  std::uint32_t arg;  // module id or pool it was allocated with
};

struct State {
  std::mutex mu;
  std::unordered_map<const void*, Block> blocks;
  std::uint64_t logs = 0;
};

State& state() {
  static State* s = new State;  // never destroyed: calls during exit still work
  return *s;
}

[[noreturn]] void stop(const char* what) {
  std::fprintf(stderr, "fuzz host: %s\n", what);
  std::fflush(stderr);
  std::abort();
}

void* allocate(std::uint32_t size, std::uint32_t arg, const char* func) {
  if (func == nullptr || func[0] == '\0') stop("allocation without a function name");
  void* p = std::malloc(size);
  if (p == nullptr) stop("out of memory");
  std::memset(p, kFreshFill, size);
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mu);
  s.blocks[p] = Block{size, arg};
  return p;
}

}  // namespace

extern "C" {

[[gnu::visibility("default")]] void RVX_OsalLogWrite(const SerialLogModule* mod, std::uint32_t level,
                                                     std::uint32_t code, const char* file, std::uint32_t line,
                                                     const char* func, const char* fmt, ...) {
  if (mod == nullptr || mod->module_id != kModuleId || std::strcmp(mod->module_name, "KESMO") != 0)
    stop("log record without the library's module");
  if (level != 2 || (code != 22 && code != 12)) stop("log record with an unexpected level or code");
  if (file == nullptr || file[0] != '\0' || line == 0) stop("log record with a file name or no line");
  if (func == nullptr || func[0] == '\0') stop("log record without a function name");
  if (fmt == nullptr || std::strncmp(fmt, "[KESMO]:", 8) != 0) stop("log record with a foreign format");
  char text[512];
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(text, sizeof text, fmt, ap);  // every argument the format names is read
  va_end(ap);
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mu);
  ++s.logs;
}

[[gnu::visibility("default")]] void* RVX_OsalMemAlloc(std::uint32_t size, std::uint32_t module_id, const char* func) {
  if (module_id != kModuleId) stop("general allocation with a foreign module id");
  return allocate(size, module_id, func);
}

[[gnu::visibility("default")]] void* RVX_OsalMemCacheAlloc(std::uint32_t size, std::uint32_t pool, const char* func) {
  if (pool != kCachePool) stop("cache allocation from a foreign pool");
  return allocate(size, pool, func);
}

[[gnu::visibility("default")]] void RVX_OsalMemFree(void* ptr, std::uint32_t arg, const char* func) {
  if (func == nullptr || func[0] == '\0') stop("release without a function name");
  {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mu);
    const auto it = s.blocks.find(ptr);
    if (it == s.blocks.end()) stop("release of a block that is not live");
    if (it->second.arg != arg) stop("release with other arguments than its allocation");
    s.blocks.erase(it);
  }
  std::free(ptr);
}

[[gnu::visibility("default")]] std::uint32_t RVX_OsalMemUseFlagGet(std::uint32_t pool) {
  if (pool != kCachePool) stop("use flag asked for a foreign pool");
  return 1;  // the cache allocator above serves unpacking
}

}  // extern "C"

namespace kav::fuzz::host {

std::uint32_t live_blocks() {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mu);
  return static_cast<std::uint32_t>(s.blocks.size());
}

std::size_t block_size(const void* p) {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mu);
  const auto it = s.blocks.find(p);
  return it == s.blocks.end() ? SIZE_MAX : it->second.size;
}

std::uint64_t log_count() {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mu);
  return s.logs;
}

}  // namespace kav::fuzz::host
