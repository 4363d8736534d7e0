// Structures built from input bytes through pack, fixed encoding, unpack and the send functions.
//
// Input: byte 0 selects the message, the rest fills its structure (fill_from_input in
// fuzz_support.hpp; lists get at most 8 items in exactly-sized blocks). Then:
//   - a size query (null buffer) reports the size and logs once; a buffer one byte short is refused
//     with the length and every byte of the buffer untouched;
//   - packing into an exact buffer succeeds, and packing twice gives identical bytes;
//   - the packed bytes unpack to the same fields, logging nothing; the fixed encoding (messages
//     without a list) is the same in two differently filled areas and unpacks to the same fields;
//   - one message and a batch of two go out as exactly those encodings, with the message's
//     identifier, and the send functions release all they allocated.
#include <cstddef>
#include <cstdint>
#include <string>

#include "codec/fixed.hpp"
#include "fuzz_support.hpp"
#include "osal_host.h"
#include "structures.hpp"
#include "varelmesh_control.h"

namespace {

// The host stops the process on a release it did not hand out, a foreign module id or pool, or a
// log record that is not the library's.
[[maybe_unused]] const bool kStrictHost = (osal_host_strict(1), true);

using namespace kav;
using kav::fuzz::all_bytes;
using kav::fuzz::Erased;
using kav::fuzz::exact_bytes;

constexpr u32 kFail = 0xFFFFFFFFu;
constexpr u32 kDest = 7;

void expect_unpacks_to(const Erased& m, const u8* v, const u8* buf, u32 len) {
  const detail::Table& t = *m.table;
  const std::uint64_t logs_before = osal_host_log_count();
  auto out = exact_bytes(t.size, 0xA5);
  FUZZ_CHECK(m.unpack(buf, len, out.get()) == t.size, "unpack returned another size");
  FUZZ_CHECK(osal_host_log_count() == logs_before, "a valid buffer was logged as faulty");
  const std::string diff = test::difference(t, v, out.get());
  FUZZ_CHECK(diff.empty(), diff.c_str());
  m.free(out.get());
}

// The send functions hand the library exactly `expected` for each of `count` entries.
void expect_sent(const Erased& m, u32 call, u32 count, std::uint64_t to, const u8* expected, u32 len) {
  VmeshSendCall c{};
  FUZZ_CHECK(vmesh_send_call(call, &c) == 1, "no library call recorded");
  FUZZ_CHECK(c.dest == kDest && c.count == count && c.to == to, "library call with other arguments");
  FUZZ_CHECK(c.function == (to != 0 ? VMESH_SEND_TO_MSG : VMESH_SEND_MSG), "wrong library function");
  for (u32 j = 0; j < count; ++j) {
    VmeshSentEntry e{};
    FUZZ_CHECK(vmesh_sent_entry(call, j, &e) == 1, "entry missing");
    FUZZ_CHECK(e.msgId == m.id && e.length == len, "entry with another identifier or length");
    FUZZ_CHECK(e.bytes != nullptr && std::memcmp(e.bytes, expected, len) == 0, "entry bytes differ");
  }
}

void roundtrip(const Erased& m, fuzz::Consumer& in) {
  const detail::Table& t = *m.table;
  const u32 blocks_before = osal_host_live_blocks();
  std::vector<std::unique_ptr<u8, fuzz::FreeDeleter>> owned;
  auto msg = exact_bytes(t.size, 0);
  fuzz::fill_from_input(in, owned, t, msg.get());
  const u8* v = msg.get();
  const std::uint64_t to = in.byte();

  // Compact encoding.
  std::uint64_t logs = osal_host_log_count();
  u32 size = 0xFFFFFFFFu;
  FUZZ_CHECK(m.pack(v, nullptr, &size) == 0, "size query failed");
  FUZZ_CHECK(osal_host_log_count() == logs + 1, "a size query is logged once");
  FUZZ_CHECK(size >= 4 && size != 0xFFFFFFFFu, "size query left no size");
  auto packed = exact_bytes(size, 0x11);
  u32 short_len = size - 1;
  FUZZ_CHECK(m.pack(v, packed.get(), &short_len) == kFail, "a short buffer was accepted");
  FUZZ_CHECK(short_len == size - 1 && all_bytes(packed.get(), size, 0x11), "a refused pack wrote");
  u32 len = size;
  FUZZ_CHECK(m.pack(v, packed.get(), &len) == 0 && len == size, "pack into an exact buffer failed");
  auto repacked = exact_bytes(size, 0x22);
  u32 len2 = size;
  FUZZ_CHECK(m.pack(v, repacked.get(), &len2) == 0 && len2 == size, "second pack failed");
  FUZZ_CHECK(std::memcmp(packed.get(), repacked.get(), size) == 0, "packing twice gave other bytes");
  expect_unpacks_to(m, v, packed.get(), size);

  // Fixed encoding, written whole whatever the area held.
  const u8* sent_form = packed.get();
  u32 sent_len = size;
  std::unique_ptr<u8, fuzz::FreeDeleter> fixed;
  if (!t.has_vector) {
    const u32 L = t.fixed_len;
    fixed = exact_bytes(L, 0x33);
    auto other = exact_bytes(L, 0xCC);
    detail::encode_fixed_one(t, fixed.get(), v, false);
    detail::encode_fixed_one(t, other.get(), v, false);
    FUZZ_CHECK(std::memcmp(fixed.get(), other.get(), L) == 0, "the fixed encoding depends on the area");
    expect_unpacks_to(m, v, fixed.get(), L);
    sent_form = fixed.get();
    sent_len = L;
  }

  // Sending: one message, then a batch of two.
  vmesh_reset();
  FUZZ_CHECK(m.sendtomsg(kDest, v, 1, to) == 0, "single send failed");
  expect_sent(m, 0, 1, to, sent_form, sent_len);
  auto pair = exact_bytes(2 * std::size_t{t.size}, 0);
  std::memcpy(pair.get(), v, t.size);
  std::memcpy(pair.get() + t.size, v, t.size);
  FUZZ_CHECK(m.sendtomsg(kDest, pair.get(), 2, to) == 0, "batch send failed");
  expect_sent(m, 1, 2, to, sent_form, sent_len);
  vmesh_reset();

  FUZZ_CHECK(osal_host_live_blocks() == blocks_before, "blocks left after packing, unpacking and sending");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  fuzz::Consumer in{data + 1, size - 1};
  roundtrip(fuzz::erased_message(data[0] % fuzz::kMessageCount), in);
  return 0;
}
