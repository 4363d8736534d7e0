// Registration of a package's receive hooks with the messaging library.
#pragma once

#include <span>

#include "mesh/varelmesh.h"
#include "runtime/runtime.hpp"

namespace kav {

struct Registration {
  u32 id;
  MeshUnpackHook unpack;
  MeshFreeHook release;
};

// Registers every entry in order and stops at the first refusal, whose value it returns;
// earlier registrations stay in place.
inline u32 register_all(std::span<const Registration> entries) noexcept {
  u32 result = 0;
  for (const Registration& r : entries) {
    result = MESH_RegIDLFuncHook(r.id, r.unpack, r.release);
    if (result != 0) break;
  }
  return result;
}

}  // namespace kav
