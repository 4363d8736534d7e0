// Message identifiers: the 32-bit FNV-1a hash of the wire name "<package>.<message>", computed
// while the library is built.
#pragma once

#include <string_view>

#include "runtime/runtime.hpp"

namespace kav {

[[nodiscard]] consteval u32 fnv1a(std::string_view text) {
  u32 h = 2166136261u;
  for (const char ch : text) {
    h ^= static_cast<u8>(ch);
    h *= 16777619u;
  }
  return h;
}

static_assert(fnv1a("a") == 0xE40C292Cu, "the published FNV-1a test vector");

}  // namespace kav
