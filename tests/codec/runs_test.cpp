// The word-at-a-time helpers behind the encoder's presence test and the decoder's vtable check:
// every byte position matters, the overlapping last word included.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "codec/runs.hpp"

namespace {

using kav::u8;

template <std::size_t... N>
void each_size(auto&& f) {
  (f.template operator()<N>(), ...);
}

TEST(WordHelpers, BytesEqualSeesADifferenceAtEveryPosition) {
  each_size<2, 4, 6, 8, 10, 12, 14, 16, 18, 30, 32, 58, 78>([]<std::size_t N>() {
    std::array<u8, N> image{}, wire{};
    for (std::size_t i = 0; i < N; ++i) image[i] = wire[i] = static_cast<u8>(i * 7 + 1);
    EXPECT_TRUE(kav::detail::bytes_equal<N>(wire.data(), image.data())) << N;
    for (std::size_t i = 0; i < N; ++i) {
      wire[i] ^= 0x80;
      EXPECT_FALSE(kav::detail::bytes_equal<N>(wire.data(), image.data())) << N << " bytes, byte " << i;
      wire[i] ^= 0x80;
    }
  });
}

TEST(WordHelpers, LanesNonzeroFindsEachZeroLane) {
  const auto check = []<kav::u32 W, kav::u32 Bytes>() {
    // Lanes of 0x0100...: non-zero, yet with zero bytes inside, so only whole lanes may count.
    std::array<u8, Bytes> lanes{};
    for (kav::u32 i = 0; i < Bytes; i += W) lanes[i + W - 1] = 1;
    EXPECT_TRUE((kav::detail::lanes_nonzero<W, Bytes>(lanes.data()))) << W << "x" << Bytes / W;
    for (kav::u32 i = 0; i < Bytes; i += W) {
      lanes[i + W - 1] = 0;
      EXPECT_FALSE((kav::detail::lanes_nonzero<W, Bytes>(lanes.data()))) << W << "x" << Bytes / W << " lane " << i / W;
      lanes[i + W - 1] = 1;
    }
  };
  check.operator()<1, 3>();
  check.operator()<1, 7>();
  check.operator()<1, 30>();
  check.operator()<2, 2>();
  check.operator()<2, 6>();
  check.operator()<2, 16>();
  check.operator()<2, 18>();
  check.operator()<4, 4>();
  check.operator()<4, 12>();
  check.operator()<4, 28>();
  check.operator()<8, 16>();
}

}  // namespace
