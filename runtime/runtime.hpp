// Per-unit runtime state: lazily bound host services (log writer, allocators) and the byte-swap flags.
#pragma once

#include <pthread.h>

#include <atomic>
#include <cstdint>

// The record every log call passes first, by address. Field order and types are part of the
// host's interface. It lives at global scope with C linkage, under the name hosts use, so a log
// writer declared by a C++ host has exactly the type of the pointer the library calls through.
extern "C" {
struct SerialLogModule {
  const char* module_name;
  const char* subsystem_name;
  std::uint32_t module_id;
};
}

namespace kav {

using ::SerialLogModule;
using u8 = std::uint8_t;
using u16 = std::uint16_t;
using u32 = std::uint32_t;
using u64 = std::uint64_t;
using i32 = std::int32_t;

using LogWriteFn = void (*)(const SerialLogModule*, u32 level, u32 code, const char* file, u32 line, const char* func,
                            const char* fmt, ...);
using AllocFn = void* (*)(u32 size, u32 module_id, const char* func);
using ReleaseFn = void (*)(void* ptr, u32 module_id, const char* func);
using UseFlagFn = u32 (*)(u32 pool);

// One per unit, constant-initialised: loading the library runs no constructor for it. The bound
// flags are published with release stores after every pointer they guard has been written, and
// tested with acquire loads, so a thread that sees a flag set also sees the pointers.
struct CodecRuntime {
  SerialLogModule log_module;
  pthread_mutex_t base_mutex;
  LogWriteFn log_writer;
  AllocFn alloc;
  ReleaseFn release;
  std::atomic<u32> base_bound;
  pthread_mutex_t cache_mutex;
  std::atomic<u32> cache_bound;
  AllocFn cache_alloc;
  ReleaseFn cache_release;
};

enum class Unit : u32 { main_unpack = 0, main_send = 1, sync_unpack = 2, sync_send = 3 };

inline constexpr u32 kModuleId = 0x6200;
inline constexpr u32 kCachePool = 12;
inline constexpr u32 kLogLevel = 2;
inline constexpr u32 kErrInvalid = 22;
inline constexpr u32 kErrNoMemory = 12;

namespace detail {

extern CodecRuntime g_runtime[4];
extern std::atomic<u32> g_swap[4];
// Bit u set: unit u's cache binding is made and its swap flag clear. Set with release after both.
extern std::atomic<u32> g_ready;

void bind_base_slow(CodecRuntime& rt) noexcept;
void bind_cache_slow(Unit u) noexcept;

}  // namespace detail

[[gnu::always_inline]] inline CodecRuntime& runtime(Unit u) noexcept { return detail::g_runtime[static_cast<u32>(u)]; }

// Makes the log writer and the general allocator usable; one flag test once bound.
[[gnu::always_inline]] inline void bind_base(Unit u) noexcept {
  CodecRuntime& rt = runtime(u);
  if (rt.base_bound.load(std::memory_order_acquire) == 0) [[unlikely]]
    detail::bind_base_slow(rt);
}

// Makes the cache allocator usable and fixes the byte-swap flag; one flag test once bound.
[[gnu::always_inline]] inline void bind_cache(Unit u) noexcept {
  if (runtime(u).cache_bound.load(std::memory_order_acquire) == 0) [[unlikely]]
    detail::bind_cache_slow(u);
}

// The unit's byte-swap flag. Read without a lock; only the cache binding writes it (to 0).
[[gnu::always_inline]] inline bool swap_flag(Unit u) noexcept {
  return detail::g_swap[static_cast<u32>(u)].load(std::memory_order_relaxed) != 0;
}

// The cache binding is made and bytes are not reversed: what the codecs' fast paths need.
[[gnu::always_inline]] inline bool cache_ready(Unit u) noexcept {
  return (detail::g_ready.load(std::memory_order_acquire) >> static_cast<u32>(u) & 1u) != 0;
}

// General allocator of the unit (send working memory), with the unit's module id.
void* general_alloc(Unit u, u32 size, const char* func) noexcept;
void general_release(Unit u, void* ptr, const char* func) noexcept;
// Cache allocator of the unit (vector blocks made by unpacking), with pool 12.
void* cache_alloc(Unit u, u32 size, const char* func) noexcept;
void cache_release(Unit u, void* ptr, const char* func) noexcept;

// One log record through the unit's writer, or nothing when the host offers no writer. Cold and
// out of line: a failing call site costs a compare, a branch and a call.
template <class... A>
[[gnu::cold, gnu::noinline]] void log_fault(Unit u, u32 line, u32 code, const char* func, const char* fmt,
                                            A... args) noexcept {
  bind_base(u);
  CodecRuntime& rt = runtime(u);
  if (LogWriteFn w = rt.log_writer) w(&rt.log_module, kLogLevel, code, "", line, func, fmt, args...);
}

// Fixed line numbers handed to the log writer, one per call site.
enum LogLine : u32 {
  kLineUnpackParam = 101,
  kLineRootTable = 111,
  kLineRootVtable = 112,
  kLineRootVtableLen = 113,
  kLineTable = 121,
  kLineVtable = 122,
  kLineVtableLen = 123,
  kLineVectorAlloc = 131,
  kLinePackParam = 201,
};

namespace testing {
// Internal hook for tests (not exported from the shared library): sets a unit's byte-swap flag.
void set_swap_flag(Unit u, u32 value) noexcept;
}  // namespace testing

}  // namespace kav
