// C and C++ agree on the size of every structure of the public headers and on every member's size
// and offset.
#include <gtest/gtest.h>

#include <cstring>

extern "C" {
#include "layout.h"
extern const struct kav_layout kav_layout_c[];
extern const size_t kav_layout_c_count;
}

TEST(Layout, CAndCppAgreeOnEveryStructure) {
  const kav_layout cpp[] = KAV_LAYOUT_TABLE;
  ASSERT_EQ(kav_layout_c_count, std::size(cpp));
  for (std::size_t i = 0; i < std::size(cpp); ++i) {
    const kav_layout& c = kav_layout_c[i];
    SCOPED_TRACE(std::string(cpp[i].type) + " " + cpp[i].member);
    EXPECT_STREQ(c.type, cpp[i].type);
    EXPECT_STREQ(c.member, cpp[i].member);
    EXPECT_EQ(c.size, cpp[i].size);
    EXPECT_EQ(c.offset, cpp[i].offset);
  }
}
