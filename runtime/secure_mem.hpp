// Zeroing and copying through the platform's bounds-checked memory functions when the build found
// them, otherwise through a small built-in layer with the same effect.
#pragma once

#include <cstddef>
#include <cstring>

#if defined(KAV_HAVE_SAFEC)
extern "C" {
#include <safe_mem_lib.h>
}
#endif

namespace kav {

inline void zero_bytes(void* dest, std::size_t n) noexcept {
#if defined(KAV_HAVE_SAFEC)
  if (memset_s(dest, n, 0, n) == 0) return;  // the checked call refuses blocks above its own limit
#endif
  std::memset(dest, 0, n);
}

inline void copy_bytes(void* dest, std::size_t dest_max, const void* src, std::size_t n) noexcept {
#if defined(KAV_HAVE_SAFEC)
  if (memcpy_s(dest, dest_max, src, n) == 0) return;
#endif
  std::memcpy(dest, src, n < dest_max ? n : dest_max);
}

}  // namespace kav
