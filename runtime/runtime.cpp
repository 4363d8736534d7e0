// The four units' runtime state and the one-time binding of the host's services.
#include "runtime.hpp"

#include <dlfcn.h>

#include <cstdlib>

namespace kav {
namespace {

void* fallback_alloc(u32 size, u32, const char*) { return std::malloc(size); }
void fallback_release(void* ptr, u32, const char*) { std::free(ptr); }

template <class F>
F lookup(const char* name) noexcept {
  return reinterpret_cast<F>(dlsym(RTLD_DEFAULT, name));
}

struct MutexLock {
  explicit MutexLock(pthread_mutex_t& m) noexcept : m_(m) { pthread_mutex_lock(&m_); }
  ~MutexLock() { pthread_mutex_unlock(&m_); }
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;
  pthread_mutex_t& m_;
};

}  // namespace

namespace detail {

#define KAV_RUNTIME_INIT                                                                                     \
  CodecRuntime {                                                                                             \
    {"KESMO", "KESMO_MERIDAN_SERIAL", kModuleId}, PTHREAD_MUTEX_INITIALIZER, nullptr, nullptr, nullptr, {0}, \
        PTHREAD_MUTEX_INITIALIZER, {0}, fallback_alloc, fallback_release                                     \
  }
constinit CodecRuntime g_runtime[4] = {KAV_RUNTIME_INIT, KAV_RUNTIME_INIT, KAV_RUNTIME_INIT, KAV_RUNTIME_INIT};
#undef KAV_RUNTIME_INIT

constinit std::atomic<u32> g_swap[4] = {0, 0, 0, 0};
constinit std::atomic<u32> g_ready{0};

// Loading the library clears the four byte-swap flags and does nothing else.
[[gnu::constructor]] static void clear_swap_flags_at_load() {
  for (auto& flag : g_swap) flag.store(0, std::memory_order_relaxed);
}

void bind_base_slow(CodecRuntime& rt) noexcept {
  MutexLock lock(rt.base_mutex);
  if (rt.base_bound.load(std::memory_order_relaxed) != 0) return;
  if (rt.log_writer == nullptr) rt.log_writer = lookup<LogWriteFn>("RVX_OsalLogWrite");
  rt.alloc = lookup<AllocFn>("RVX_OsalMemAlloc");
  rt.release = lookup<ReleaseFn>("RVX_OsalMemFree");
  if (rt.alloc == nullptr || rt.release == nullptr) {  // never a mix of host and fallback
    rt.alloc = fallback_alloc;
    rt.release = fallback_release;
  }
  rt.base_bound.store(1, std::memory_order_release);
}

void bind_cache_slow(Unit u) noexcept {
  CodecRuntime& rt = runtime(u);
  MutexLock lock(rt.cache_mutex);
  if (rt.cache_bound.load(std::memory_order_relaxed) != 0) return;
  g_swap[static_cast<u32>(u)].store(0, std::memory_order_relaxed);
  if (auto use_flag = lookup<UseFlagFn>("RVX_OsalMemUseFlagGet"); use_flag && use_flag(kCachePool) == 1) {
    rt.cache_alloc = lookup<AllocFn>("RVX_OsalMemCacheAlloc");
    rt.cache_release = lookup<ReleaseFn>("RVX_OsalMemFree");
  }
  if (rt.cache_alloc == nullptr || rt.cache_release == nullptr) {
    rt.cache_alloc = fallback_alloc;
    rt.cache_release = fallback_release;
  }
  rt.cache_bound.store(1, std::memory_order_release);
  g_ready.fetch_or(1u << static_cast<u32>(u), std::memory_order_release);
}

}  // namespace detail

void* general_alloc(Unit u, u32 size, const char* func) noexcept {
  bind_base(u);
  return runtime(u).alloc(size, kModuleId, func);
}

void general_release(Unit u, void* ptr, const char* func) noexcept {
  bind_base(u);
  runtime(u).release(ptr, kModuleId, func);
}

void* cache_alloc(Unit u, u32 size, const char* func) noexcept {
  bind_cache(u);
  return runtime(u).cache_alloc(size, kCachePool, func);
}

void cache_release(Unit u, void* ptr, const char* func) noexcept {
  bind_cache(u);
  runtime(u).cache_release(ptr, kCachePool, func);
}

void testing::set_swap_flag(Unit u, u32 value) noexcept {
  detail::g_swap[static_cast<u32>(u)].store(value, std::memory_order_relaxed);
  const u32 bit = 1u << static_cast<u32>(u);
  if (value != 0)
    detail::g_ready.fetch_and(~bit, std::memory_order_release);
  else if (runtime(u).cache_bound.load(std::memory_order_acquire) != 0)
    detail::g_ready.fetch_or(bit, std::memory_order_release);
}

}  // namespace kav
