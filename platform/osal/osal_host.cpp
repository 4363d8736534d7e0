// The recording OSAL test host behind osal_host.h. Allocated blocks are filled with 0xA5 and
// released ones with 0xDD, so reading memory that was never written, or was released, shows.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#pragma GCC visibility push(default)
#include "osal_host.h"
#include "osal_services.h"
#pragma GCC visibility pop

#ifndef OSAL_HOST_SERVICES
#define OSAL_HOST_SERVICES 31u
#endif
#define OSAL_HOST_HAS(svc) ((OSAL_HOST_SERVICES & OSAL_HOST_SVC_##svc) != 0)

namespace {

constexpr std::size_t kKept = 1u << 16;  // records kept per kind; a fuzzer makes millions of calls

struct Log {
  const void* module = nullptr;
  std::string module_name, subsystem_name, file, func, fmt, text;
  uint32_t module_id = 0, level = 0, code = 0, line = 0;
};
struct Mem {
  OsalHostMemEvent e{};
  std::string func;
};
struct Block {
  uint32_t size, service, arg;
  uint64_t epoch;
};

struct State {
  std::mutex mu;
  std::deque<Log> logs;  // a deque keeps handed-out text in place while others append
  std::deque<Mem> mem;
  uint32_t log_total = 0, mem_total = 0;
  std::unordered_map<const void*, Block> blocks;
  uint64_t epoch = 0;
  uint32_t live = 0, bad_frees = 0, fail_countdown = 0, use_flag = 1;
  bool strict = false;
  std::vector<uint32_t> use_flag_args;
};

State& state() {
  static State* s = new State;  // never destroyed: calls during exit still work
  return *s;
}

void check(bool ok, const char* what) {
  if (ok || !state().strict) return;
  std::fprintf(stderr, "osal host: %s\n", what);
  std::abort();
}

[[maybe_unused]] void* allocate(uint32_t service, uint32_t size, uint32_t arg, const char* func) {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mu);
  check(service == OSAL_HOST_MEM_ALLOC ? arg == 0x6200 : arg == 12, "allocation with a foreign module id or pool");
  check(func != nullptr && func[0] != '\0', "allocation without a function name");
  void* p = nullptr;
  if (s.fail_countdown == 0 || --s.fail_countdown != 0) {
    p = std::malloc(size == 0 ? 1u : size);
    std::memset(p, 0xA5, size);
    s.blocks[p] = Block{size, service, arg, s.epoch};
    ++s.live;
  }
  ++s.mem_total;
  if (s.mem.size() < kKept)
    s.mem.push_back(Mem{{service, size, arg, nullptr, p, OSAL_HOST_MEM_UNKNOWN}, func ? func : ""});
  return p;
}

[[maybe_unused]] void release(void* p, uint32_t arg, const char* func) {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mu);
  Mem m{{OSAL_HOST_MEM_FREE, 0, arg, nullptr, p, OSAL_HOST_MEM_UNKNOWN}, func ? func : ""};
  const auto it = s.blocks.find(p);
  check(it != s.blocks.end() && it->second.arg == arg, "release of a block that is not live, or with other arguments");
  if (it != s.blocks.end()) {
    m.e.size = it->second.size;
    m.e.origin = it->second.service;
    if (it->second.epoch == s.epoch) --s.live;
    std::memset(p, 0xDD, it->second.size);
    std::free(p);
    s.blocks.erase(it);
  } else if (p != nullptr) {
    ++s.bad_frees;  // not passed on to free()
  }
  ++s.mem_total;
  if (s.mem.size() < kKept) s.mem.push_back(std::move(m));
}

[[maybe_unused]] std::string text(const char* s) { return s ? s : ""; }

}  // namespace

extern "C" {

#if OSAL_HOST_HAS(LOG)
void RVX_OsalLogWrite(const SerialLogModule* mod, uint32_t level, uint32_t code, const char* file, uint32_t line,
                      const char* func, const char* fmt, ...) {
  Log r{mod,
        mod ? text(mod->module_name) : "",
        mod ? text(mod->subsystem_name) : "",
        text(file),
        text(func),
        text(fmt),
        "",
        mod ? mod->module_id : 0,
        level,
        code,
        line};
  char buf[512];
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  r.text = buf;
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mu);
  check(r.module_name == "KESMO" && r.module_id == 0x6200 && level == 2 && (code == 22 || code == 12) &&
            r.file.empty() && line != 0 && !r.func.empty() && r.fmt.rfind("[KESMO]:", 0) == 0,
        "a log record that is not the library's");
  ++s.log_total;
  if (s.logs.size() < kKept) s.logs.push_back(std::move(r));
}
#endif
#if OSAL_HOST_HAS(ALLOC)
void* RVX_OsalMemAlloc(uint32_t size, uint32_t module_id, const char* func) {
  return allocate(OSAL_HOST_MEM_ALLOC, size, module_id, func);
}
#endif
#if OSAL_HOST_HAS(FREE)
void RVX_OsalMemFree(void* ptr, uint32_t module_id, const char* func) { release(ptr, module_id, func); }
#endif
#if OSAL_HOST_HAS(USE_FLAG)
uint32_t RVX_OsalMemUseFlagGet(uint32_t pool) {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mu);
  s.use_flag_args.push_back(pool);
  return s.use_flag;
}
#endif
#if OSAL_HOST_HAS(CACHE_ALLOC)
void* RVX_OsalMemCacheAlloc(uint32_t size, uint32_t pool, const char* func) {
  return allocate(OSAL_HOST_MEM_CACHE_ALLOC, size, pool, func);
}
#endif

uint32_t osal_host_services(void) { return OSAL_HOST_SERVICES; }

void osal_host_reset(void) {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mu);
  s.logs.clear(), s.mem.clear(), s.use_flag_args.clear();
  s.log_total = s.mem_total = s.live = s.bad_frees = s.fail_countdown = 0;
  s.use_flag = 1;
  ++s.epoch;  // blocks still held stay releasable but no longer count as live
}

#define OSAL_HOST_LOCKED(type, name, args, ...) \
  type name args {                              \
    State& s = state();                         \
    std::lock_guard<std::mutex> lock(s.mu);     \
    __VA_ARGS__                                 \
  }
OSAL_HOST_LOCKED(void, osal_host_strict, (int on), s.strict = on != 0;)
OSAL_HOST_LOCKED(void, osal_host_set_use_flag, (uint32_t v), s.use_flag = v;)
OSAL_HOST_LOCKED(void, osal_host_fail_alloc_at, (uint32_t k), s.fail_countdown = k;)
OSAL_HOST_LOCKED(uint32_t, osal_host_log_count, (void), return s.log_total;)
OSAL_HOST_LOCKED(uint32_t, osal_host_mem_event_count, (void), return s.mem_total;)
OSAL_HOST_LOCKED(uint32_t, osal_host_live_blocks, (void), return s.live;)
OSAL_HOST_LOCKED(uint32_t, osal_host_bad_free_count, (void), return s.bad_frees;)
OSAL_HOST_LOCKED(uint32_t, osal_host_use_flag_calls, (void), return static_cast<uint32_t>(s.use_flag_args.size());)
OSAL_HOST_LOCKED(uint32_t, osal_host_use_flag_arg, (uint32_t i),
                 return i < s.use_flag_args.size() ? s.use_flag_args[i] : 0u;)
OSAL_HOST_LOCKED(uint64_t, osal_host_block_size, (const void* p), const auto it = s.blocks.find(p);
                 return it == s.blocks.end() ? UINT64_MAX : it->second.size;)
OSAL_HOST_LOCKED(int, osal_host_log_record, (uint32_t i, OsalHostLogRecord* out), if (i >= s.logs.size()) return 0;
                 const Log& r = s.logs[i];
                 *out = OsalHostLogRecord{r.module, r.module_name.c_str(), r.subsystem_name.c_str(), r.module_id,
                                          r.level, r.code, r.line, r.file.c_str(), r.func.c_str(), r.fmt.c_str(),
                                          r.text.c_str()};
                 return 1;)
OSAL_HOST_LOCKED(int, osal_host_mem_event, (uint32_t i, OsalHostMemEvent* out), if (i >= s.mem.size()) return 0;
                 *out = s.mem[i].e; out->func = s.mem[i].func.c_str(); return 1;)

}  // extern "C"
