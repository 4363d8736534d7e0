// The units bind the host's services independently and once: a host that offers its OSAL
// services only after the kav unpack functions have run gets log lines from kav_sync (first
// use after the services appeared) but still none from kav.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "kav.h"
#include "kav_sync.h"

namespace {

const std::uint8_t kNoTable[4] = {4, 0, 0, 0};  // root offset 4 in a 4-byte buffer

TEST(LateServices, EachUnitKeepsWhatItFoundFirst) {
  ASSERT_EQ(dlsym(RTLD_DEFAULT, "RVX_OsalLogWrite"), nullptr) << "the process starts without services";
  kav_ethlen e;
  std::memset(&e, 0xEE, sizeof e);
  EXPECT_EQ(kav_ethlen__unpack(kNoTable, 4, &e), 8u);  // nowhere to log; the main unpack unit is bound
  EXPECT_EQ(e.field0, 0xEEEEEEEEu);

  void* services = dlopen(LATE_OSAL_PATH, RTLD_NOW | RTLD_GLOBAL);
  ASSERT_NE(services, nullptr) << dlerror();
  ASSERT_NE(dlsym(RTLD_DEFAULT, "RVX_OsalLogWrite"), nullptr);
  auto log_count = reinterpret_cast<unsigned (*)()>(dlsym(services, "late_osal_log_count"));
  auto last_func = reinterpret_cast<const char* (*)()>(dlsym(services, "late_osal_last_func"));
  ASSERT_NE(log_count, nullptr);
  ASSERT_NE(last_func, nullptr);
  EXPECT_EQ(log_count(), 0u);

  kav_sync_ethlen_update s;
  EXPECT_EQ(kav_sync_ethlen_update__unpack(kNoTable, 4, &s), 8u);
  EXPECT_EQ(log_count(), 1u) << "the sync unpack unit binds now and finds the writer";
  EXPECT_STREQ(last_func(), "kav_sync_ethlen_update_unpack");

  EXPECT_EQ(kav_ethlen__unpack(kNoTable, 4, &e), 8u);
  EXPECT_EQ(log_count(), 1u) << "the main unpack unit's binding is never redone";

  // The main send unit has not bound yet either: its first notice reaches the writer.
  const kav_pid_state p{1, 2, 3};
  std::uint32_t len = 0xFFFFFFFFu;
  EXPECT_EQ(kav_pid_state__pack(&p, nullptr, &len), 0u);
  EXPECT_EQ(len, 30u);
  EXPECT_EQ(log_count(), 2u);
  EXPECT_STREQ(last_func(), "kav_pid_state_pack");
}

}  // namespace
