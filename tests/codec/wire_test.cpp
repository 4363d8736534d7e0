// The byte-block helpers behind the constant-position paths: every byte position matters, the
// overlapping last word included, and nothing outside the block is read as part of it or written.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "codec/wire.hpp"

namespace {

using kav::u32;
using kav::u64;
using kav::u8;

TEST(WireHelpers, EqualBytesSeesADifferenceAtEveryPosition) {
  for (u32 n = 2; n <= 80; n += 2) {
    std::array<u8, 96> a{}, b{};
    for (u32 i = 0; i < a.size(); ++i) a[i] = b[i] = static_cast<u8>(7 * i + 1);
    b[n] ^= 0xFF;  // beyond the block: not compared
    EXPECT_TRUE(kav::detail::equal_bytes(a.data(), b.data(), n)) << n;
    for (u32 i = 0; i < n; ++i) {
      auto c = a;
      c[i] ^= 0x10;
      EXPECT_FALSE(kav::detail::equal_bytes(c.data(), b.data(), n)) << n << " bytes, byte " << i;
    }
  }
}

TEST(WireHelpers, CopyRunAndZeroRunTouchExactlyTheirBytes) {
  for (u32 n = 1; n <= 80; ++n) {
    std::array<u8, 96> src{}, dst{};
    for (u32 i = 0; i < src.size(); ++i) src[i] = static_cast<u8>(i + 1);
    dst.fill(0xEE);
    kav::detail::copy_run(dst.data() + 1, src.data(), n);
    for (u32 i = 0; i < dst.size(); ++i) EXPECT_EQ(dst[i], i >= 1 && i <= n ? src[i - 1] : 0xEE) << n << "/" << i;
    if (n < 4 || n % 4 != 0) continue;
    kav::detail::zero_run(dst.data() + 1, n);
    for (u32 i = 0; i < dst.size(); ++i) EXPECT_EQ(dst[i], i >= 1 && i <= n ? 0 : 0xEE) << n << "/" << i;
  }
}

TEST(WireHelpers, ZeroLanesFindsAZeroLaneOfEachWidthAndOnlyThat) {
  for (u32 log2 = 0; log2 < 4; ++log2) {
    const u32 w = 1u << log2;
    const u64 ones = 0x0101010101010101u;  // every lane non-zero, whatever its width
    EXPECT_EQ(kav::detail::zero_lanes(ones, log2), 0u) << w;
    EXPECT_EQ(kav::detail::zero_lanes(~u64{0}, log2), 0u) << w;
    for (u32 lane = 0; lane < 8 / w; ++lane) {
      const u64 mask = (w == 8 ? ~u64{0} : ((u64{1} << (8 * w)) - 1)) << (8 * w * lane);
      EXPECT_NE(kav::detail::zero_lanes(ones & ~mask, log2), 0u) << w << " lane " << lane;
      // A lane whose low byte is zero but whose high byte is not (0x0100) is not zero.
      if (w > 1) {
        EXPECT_EQ(kav::detail::zero_lanes((ones & ~mask) | (mask & (ones << 8)), log2), 0u);
      }
    }
  }
}

}  // namespace
