// Hostile buffers into every message's unpack function, through the exported C functions.
//
// Input: byte 0 selects the message, the rest is the buffer, copied into a heap block of exactly its
// length. Each buffer is unpacked twice, into structures filled with two different patterns, and:
//   - unpack returns the structure's size, and writes at most one log record;
//   - either both structures were written and hold the same fields, or neither was touched at all
//     (the buffer was refused before decoding began, which only an in-place root or a buffer
//     shorter than 4 bytes may do, and which is always logged);
//   - every item block a structure holds is a live block of exactly count x record size;
//   - what was decoded packs and unpacks to the same fields, and (for messages without a list)
//     fixed-encodes and unpacks to the same fields;
//   - after the free functions every pointer is null and the live block count is where it began.
#include <cstddef>
#include <cstdint>
#include <string>

#include "codec/fixed.hpp"
#include "fuzz_support.hpp"
#include "osal_host.h"
#include "structures.hpp"

namespace {

// The host stops the process on a release it did not hand out, a foreign module id or pool, or a
// log record that is not the library's.
[[maybe_unused]] const bool kStrictHost = (osal_host_strict(1), true);

using namespace kav;
using kav::fuzz::all_bytes;
using kav::fuzz::Erased;
using kav::fuzz::exact_bytes;

constexpr u8 kFillA = 0xA5;
constexpr u8 kFillB = 0x5A;

// Every list a structure holds is either null or a live block of exactly its count of records
// (list records hold no lists themselves).
void owns_exact_blocks(const detail::Table& t, const u8* v) {
  for (u32 k = 0; k < t.slots; ++k) {
    const detail::Slot& s = t.slot[k];
    if (s.kind != detail::Kind::vector || test::items_of(v, s) == nullptr) continue;
    const u32 count = test::count_of(v, s);
    FUZZ_CHECK(count != 0, "an empty list holds a block");
    FUZZ_CHECK(osal_host_block_size(test::items_of(v, s)) == std::uint64_t{count} * s.sub->size,
               "a list's block is not a live block of count x record size");
  }
}

void pointers_null(const detail::Table& t, const u8* v) {
  for (u32 k = 0; k < t.slots; ++k)
    if (t.slot[k].kind == detail::Kind::vector)
      FUZZ_CHECK(test::items_of(v, t.slot[k]) == nullptr, "a list pointer survives its free function");
}

// Encodes `v` both ways the library can and checks that unpacking gives `v` back.
void reencode(const Erased& m, const u8* v) {
  const detail::Table& t = *m.table;
  u32 size = 0xFFFFFFFFu;
  FUZZ_CHECK(m.pack(v, nullptr, &size) == 0, "size query of a decoded structure fails");
  auto packed = exact_bytes(size, 0xEE);
  u32 len = size;
  FUZZ_CHECK(m.pack(v, packed.get(), &len) == 0 && len == size, "a decoded structure does not pack");
  auto back = exact_bytes(t.size, kFillA);
  FUZZ_CHECK(m.unpack(packed.get(), len, back.get()) == t.size, "unpack returned another size");
  const std::string diff = test::difference(t, v, back.get());
  FUZZ_CHECK(diff.empty(), diff.c_str());
  m.free(back.get());

  if (!t.has_vector) {
    const u32 L = t.fixed_len;
    auto fixed = exact_bytes(L, 0xEE);
    detail::encode_fixed_one(t, fixed.get(), v, false);
    auto again = exact_bytes(t.size, kFillA);
    FUZZ_CHECK(m.unpack(fixed.get(), L, again.get()) == t.size, "unpack returned another size");
    const std::string fixed_diff = test::difference(t, v, again.get());
    FUZZ_CHECK(fixed_diff.empty(), fixed_diff.c_str());
  }
}

void unpack_hostile(const Erased& m, const u8* buf, u32 len) {
  const detail::Table& t = *m.table;
  const u32 blocks_before = osal_host_live_blocks();
  auto a = exact_bytes(t.size, kFillA);
  auto b = exact_bytes(t.size, kFillB);

  const std::uint64_t logs_before = osal_host_log_count();
  FUZZ_CHECK(m.unpack(buf, len, a.get()) == t.size, "unpack returned another size");
  const std::uint64_t logs_a = osal_host_log_count() - logs_before;
  FUZZ_CHECK(logs_a <= 1, "one unpack wrote more than one log record");
  FUZZ_CHECK(m.unpack(buf, len, b.get()) == t.size, "unpack returned another size");
  FUZZ_CHECK(osal_host_log_count() - logs_before == 2 * logs_a, "the same buffer logged differently");

  const bool untouched = all_bytes(a.get(), t.size, kFillA) && all_bytes(b.get(), t.size, kFillB);
  if (untouched) {
    FUZZ_CHECK(t.root == RootForm::in_place || len < 4, "a delegating root left its structure unwritten");
    FUZZ_CHECK(logs_a == 1, "a refused buffer was not logged");
    FUZZ_CHECK(osal_host_live_blocks() == blocks_before, "a refused buffer allocated");
    return;
  }
  owns_exact_blocks(t, a.get());
  owns_exact_blocks(t, b.get());
  const std::string diff = test::difference(t, a.get(), b.get());
  FUZZ_CHECK(diff.empty(), diff.c_str());

  reencode(m, a.get());

  m.free(a.get());
  m.free(b.get());
  pointers_null(t, a.get());
  pointers_null(t, b.get());
  m.free(a.get());  // a second free finds nothing to release
  m.free(nullptr);
  FUZZ_CHECK(osal_host_live_blocks() == blocks_before, "blocks left after the free functions");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size - 1 > 0x7FFFFFFFu) return 0;
  const u32 len = static_cast<u32>(size - 1);
  auto buf = exact_bytes(len, 0);
  if (len != 0) std::memcpy(buf.get(), data + 1, len);
  unpack_hostile(fuzz::erased_message(data[0] % fuzz::kMessageCount), buf.get(), len);
  return 0;
}
