// Properties that hold for every message of both packages: packing round-trips, the send encoding
// decodes to the same fields, packing is deterministic and writes every byte, and no prefix of a
// valid buffer crashes the decoder or leaks a block.
#include <random>

#include "codec/fixed.hpp"
#include "codec_support.hpp"
#include "messages/descriptors.hpp"
#include "support/structures.hpp"

namespace codec_test {
namespace {

template <class F>
void for_every_message(F&& f) {
  kav::catalogue::for_each_message(kav::catalogue::kav_messages{}, f);
  kav::catalogue::for_each_message(kav::catalogue::kav_sync_messages{}, f);
}

// Packs v twice, over zeros and over ones: both runs must write the same bytes, all of them.
template <class M>
Bytes pack_checked(const typename M::type& v) {
  u32 len = kAllOnes;
  EXPECT_EQ(M::pack_fn(&v, nullptr, &len), 0u);
  Bytes zeros(len, 0x00), ones(len, 0xFF);
  u32 a = len, b = len;
  EXPECT_EQ(M::pack_fn(&v, zeros.data(), &a), 0u);
  EXPECT_EQ(M::pack_fn(&v, ones.data(), &b), 0u);
  EXPECT_EQ(a, len);
  EXPECT_EQ(b, len);
  EXPECT_EQ(dump(zeros), dump(ones)) << "a byte was left unwritten or the output varies";
  return zeros;
}

// Unpacks b and compares with want; the structure's blocks are released afterwards.
template <class M>
void expect_decodes_to(const Bytes& b, const typename M::type& want) {
  using T = typename M::type;
  osal_host_reset();
  T out = filled<T>();
  EXPECT_EQ(M::unpack_fn(b.data(), static_cast<u32>(b.size()), &out), u32{sizeof(T)});
  EXPECT_EQ(kav::test::difference(out, want), "");
  EXPECT_EQ(osal_host_log_count(), 0u);
  M::free_fn(&out);
  EXPECT_EQ(osal_host_live_blocks(), 0u);
}

TEST(EveryMessage, PackedThenUnpackedGivesTheStructureBack) {
  std::mt19937_64 rng(20240611);
  u32 messages = 0;
  for_every_message([&]<class M>() {
    SCOPED_TRACE(M::full_name);
    ++messages;
    for (int round = 0; round < 20; ++round) {
      kav::test::Arena arena;
      const auto v = kav::test::random_structure<typename M::type>(rng, arena);
      expect_decodes_to<M>(pack_checked<M>(v), v);
    }
    // The all-zero structure as well: every scalar left out.
    expect_decodes_to<M>(pack_checked<M>(zeroed<typename M::type>()), zeroed<typename M::type>());
  });
  EXPECT_EQ(messages, 108u);
}

TEST(EveryMessage, SendEncodingDecodesToTheSameFields) {
  std::mt19937_64 rng(7);
  u32 fixed = 0;
  for_every_message([&]<class M>() {
    using T = typename M::type;
    if constexpr (!kav::has_vector<T>) {
      SCOPED_TRACE(M::full_name);
      ++fixed;
      for (int round = 0; round < 20; ++round) {
        kav::test::Arena arena;
        const T v = kav::test::random_structure<T>(rng, arena);
        Bytes b(kav::fixed_length<T>);
        kav::detail::fixed_encode(b.data(), v, false);
        expect_decodes_to<M>(b, v);
      }
    }
  });
  EXPECT_EQ(fixed, 72u);
}

// Zeroes the n-th scalar met in slot order, nested records and list items included.
struct ZeroNth {
  u32 n;
  u32 seen = 0;
  u32 width = 0;  // bytes of the scalar zeroed, 0 when there are not n + 1 scalars
  template <class U>
  void scalar(u32, U& x) {
    if (seen++ == n) x = 0, width = sizeof x;
  }
  template <std::size_t N>
  void byte_array(u32, u8 (&)[N]) {}
  template <class E, std::size_t N>
  void struct_array(u32, E (&)[N]) {}
  template <class R>
  void nested(u32, R& r) { kav::visit_slots(r, *this); }
  template <class R>
  void vector(u32, u32& count, R*& items) {
    for (u32 i = 0; i < count; ++i) kav::visit_slots(items[i], *this);
  }
};

// Every scalar present, then each one left out in turn: the encoder's word-at-a-time presence
// test and its copies of back-to-back members must give exactly the field-by-field result.
TEST(EveryMessage, EachScalarLeftOutInTurn) {
  for_every_message([&]<class M>() {
    using T = typename M::type;
    SCOPED_TRACE(M::full_name);
    const auto make = [](kav::test::Arena& arena) {
      std::mt19937_64 rng(31);  // the same structure every time
      return kav::test::random_structure<T>(rng, arena, 2, false);
    };
    kav::test::Arena full_arena;
    const T full = make(full_arena);
    const std::size_t full_len = pack_checked<M>(full).size();
    expect_decodes_to<M>(pack_checked<M>(full), full);
    for (u32 n = 0;; ++n) {
      kav::test::Arena arena;
      T v = make(arena);
      ZeroNth zero{n};
      kav::visit_slots(v, zero);
      if (zero.width == 0) break;
      SCOPED_TRACE(n);
      const Bytes b = pack_checked<M>(v);
      EXPECT_EQ(b.size(), full_len - zero.width);
      expect_decodes_to<M>(b, v);
    }
  });
}

TEST(EveryMessage, EveryPrefixOfAValidBufferIsSafe) {
  std::mt19937_64 rng(99);
  for_every_message([&]<class M>() {
    using T = typename M::type;
    SCOPED_TRACE(M::full_name);
    for (int round = 0; round < 3; ++round) {
      kav::test::Arena arena;
      const T v = kav::test::random_structure<T>(rng, arena, 3);
      const Bytes full = pack_checked<M>(v);
      for (std::size_t n = 0; n <= full.size(); ++n) {
        const Bytes part = prefix(full, n);  // a block of exactly n bytes
        osal_host_reset();
        // Zeroed, not filled: a header fault leaves the structure as it was, and it is freed below.
        T out = zeroed<T>();
        ASSERT_EQ(M::unpack_fn(part.data(), static_cast<u32>(n), &out), u32{sizeof(T)}) << n << " bytes";
        if (n < 4) {
          ASSERT_EQ(osal_host_log_count(), 1u) << n << " bytes";
        }
        if (n == full.size()) {
          EXPECT_EQ(kav::test::difference(out, v), "");
        }
        M::free_fn(&out);
        ASSERT_EQ(osal_host_live_blocks(), 0u) << n << " bytes";
        ASSERT_EQ(osal_host_bad_free_count(), 0u) << n << " bytes";
      }
    }
  });
}

}  // namespace
}  // namespace codec_test
