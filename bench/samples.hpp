// Message structures the benchmarks and the instruction counter work on. Every scalar is
// non-zero, so the compact encodings carry every field (their largest form).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "kav.h"

namespace bench {

// A record whose every byte is non-zero: all scalars present, all arrays full of data.
template <class T>
T filled(unsigned seed = 1) {
  T v;
  auto* p = reinterpret_cast<unsigned char*>(&v);
  for (std::size_t i = 0; i < sizeof v; ++i) p[i] = static_cast<unsigned char>(1 + (seed + i * 29) % 251);
  return v;
}

inline kav_pid_state pid_state() { return {4711, 3, 1700000000}; }
inline kav_pid_state_chg pid_state_chg() { return {2, pid_state()}; }

// A statistics-reset request over n interfaces; the items live as long as the object.
struct ResetstatUpdate {
  std::vector<kav_resetstat> items;
  kav_resetstat_update msg{};
  explicit ResetstatUpdate(std::uint32_t n) : items(n) {
    for (std::uint32_t i = 0; i < n; ++i) items[i] = {100 + i, 1, 2, 0x8000 + i, 60, 1700000000 + i};
    msg = {7, n, items.data()};
  }
};

// A host list of n records, each with every byte non-zero; the items live as long as the object.
struct HostUpdate {
  std::vector<kav_host> items;
  kav_host_update msg{};
  explicit HostUpdate(std::uint32_t n) : items(n) {
    for (std::uint32_t i = 0; i < n; ++i) items[i] = filled<kav_host>(i + 1);
    msg = {7, n, items.data()};
  }
};

}  // namespace bench
