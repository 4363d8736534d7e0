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
using kav::fuzz::exact_bytes;
using kav::fuzz::exact_structure;

constexpr u8 kFillA = 0xA5;
constexpr u8 kFillB = 0x5A;

// A slot walk that looks at the lists only (list records hold no lists themselves).
struct ListsOnly {
  template <class U>
  void scalar(u32, const U&) {}
  template <class A>
  void byte_array(u32, const A&) {}
  template <class A>
  void struct_array(u32, const A&) {}
  template <class R>
  void nested(u32, const R&) {}
};

// Every list a structure holds is either null or a live block of exactly its count of records.
struct OwnsExactBlocks : ListsOnly {
  template <class R>
  void vector(u32, const u32& count, R* const& items) {
    if (items == nullptr) return;
    FUZZ_CHECK(count != 0, "an empty list holds a block");
    FUZZ_CHECK(osal_host_block_size(items) == std::uint64_t{count} * sizeof(R),
               "a list's block is not a live block of count x record size");
  }
};

struct PointersNull : ListsOnly {
  template <class R>
  void vector(u32, const u32&, R* const& items) {
    FUZZ_CHECK(items == nullptr, "a list pointer survives its free function");
  }
};

// Encodes `v` both ways the library can and checks that unpacking gives `v` back.
template <class M>
void reencode(const typename M::type& v) {
  using T = typename M::type;
  u32 size = 0xFFFFFFFFu;
  FUZZ_CHECK(M::pack_fn(&v, nullptr, &size) == 0, "size query of a decoded structure fails");
  auto packed = exact_bytes(size, 0xEE);
  u32 len = size;
  FUZZ_CHECK(M::pack_fn(&v, packed.get(), &len) == 0 && len == size, "a decoded structure does not pack");
  auto back = exact_structure<T>(kFillA);
  FUZZ_CHECK(M::unpack_fn(packed.get(), len, back.get()) == sizeof(T), "unpack returned another size");
  const std::string diff = test::difference(v, *back);
  FUZZ_CHECK(diff.empty(), diff.c_str());
  M::free_fn(back.get());

  if constexpr (!has_vector<T>) {
    constexpr u32 L = fixed_length<T>;
    auto fixed = exact_bytes(L, 0xEE);
    detail::encode_fixed(fixed.get(), v, false);
    auto again = exact_structure<T>(kFillA);
    FUZZ_CHECK(M::unpack_fn(fixed.get(), L, again.get()) == sizeof(T), "unpack returned another size");
    const std::string fixed_diff = test::difference(v, *again);
    FUZZ_CHECK(fixed_diff.empty(), fixed_diff.c_str());
  }
}

template <class M>
void unpack_hostile(const u8* buf, u32 len) {
  using T = typename M::type;
  const u32 blocks_before = osal_host_live_blocks();
  auto a = exact_structure<T>(kFillA);
  auto b = exact_structure<T>(kFillB);

  const std::uint64_t logs_before = osal_host_log_count();
  FUZZ_CHECK(M::unpack_fn(buf, len, a.get()) == sizeof(T), "unpack returned another size");
  const std::uint64_t logs_a = osal_host_log_count() - logs_before;
  FUZZ_CHECK(logs_a <= 1, "one unpack wrote more than one log record");
  FUZZ_CHECK(M::unpack_fn(buf, len, b.get()) == sizeof(T), "unpack returned another size");
  FUZZ_CHECK(osal_host_log_count() - logs_before == 2 * logs_a, "the same buffer logged differently");

  const bool untouched = all_bytes(a.get(), sizeof(T), kFillA) && all_bytes(b.get(), sizeof(T), kFillB);
  if (untouched) {
    FUZZ_CHECK(M::root == RootForm::in_place || len < 4, "a delegating root left its structure unwritten");
    FUZZ_CHECK(logs_a == 1, "a refused buffer was not logged");
    FUZZ_CHECK(osal_host_live_blocks() == blocks_before, "a refused buffer allocated");
    return;
  }
  visit_slots(*a, OwnsExactBlocks{});
  visit_slots(*b, OwnsExactBlocks{});
  const std::string diff = test::difference(*a, *b);
  FUZZ_CHECK(diff.empty(), diff.c_str());

  reencode<M>(*a);

  M::free_fn(a.get());
  M::free_fn(b.get());
  visit_slots(*a, PointersNull{});
  visit_slots(*b, PointersNull{});
  M::free_fn(a.get());  // a second free finds nothing to release
  M::free_fn(nullptr);
  FUZZ_CHECK(osal_host_live_blocks() == blocks_before, "blocks left after the free functions");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size - 1 > 0x7FFFFFFFu) return 0;
  const u32 len = static_cast<u32>(size - 1);
  auto buf = exact_bytes(len, 0);
  if (len != 0) std::memcpy(buf.get(), data + 1, len);
  fuzz::with_message(data[0] % fuzz::kMessageCount, [&]<class M>() { unpack_hostile<M>(buf.get(), len); });
  return 0;
}
