// Every allocation the library makes, made to fail in turn: sends give up with all-ones before
// calling the messaging library, unpacking a list logs code 12 and drops the list, and nothing
// stays allocated either way.
#include <random>

#include "messages/descriptors.hpp"
#include "mesh_support.hpp"
#include "tests/support/structures.hpp"

namespace {

using namespace meshtest;

// Runs `run` once to count its allocations, then again once per allocation with that one failing.
template <class Run, class Failed>
void fail_each_allocation(const char* path, Run run, Failed failed) {
  SCOPED_TRACE(path);
  fresh();
  run();
  u32 n = 0;
  for (const OsalHostMemEvent& e : mem_events()) n += e.service != OSAL_HOST_MEM_FREE ? 1 : 0;
  ASSERT_GE(n, 1u) << "this path allocates";
  EXPECT_EQ(osal_host_live_blocks(), 0u);
  for (u32 k = 1; k <= n; ++k) {
    SCOPED_TRACE("failing allocation " + std::to_string(k) + " of " + std::to_string(n));
    fresh();
    osal_host_fail_alloc_at(k);
    failed(run());
    EXPECT_EQ(osal_host_live_blocks(), 0u);
    EXPECT_EQ(osal_host_bad_free_count(), 0u);
  }
}

void send_gave_up(u32 result) {
  EXPECT_EQ(result, kAllOnes);
  EXPECT_EQ(vmesh_send_count(), 0u);
  EXPECT_EQ(osal_host_log_count(), 0u) << "send failures are not logged";
}

TEST(AllocationFailure, EveryAllocatingPathOfEveryMessage) {
  std::mt19937_64 rng(77);
  u32 lists = 0;
  auto each = [&]<class M>() {
    using T = typename M::type;
    SCOPED_TRACE(M::full_name);
    kav::test::Arena arena;
    if constexpr (requires(T t) { t.n_field1; }) {
      ++lists;
      using E = std::remove_pointer_t<decltype(T::field1)>;
      E* items = arena.make<E>(3);
      for (u32 i = 0; i < 3; ++i) items[i] = kav::test::random_structure<E>(rng, arena);
      T w[2]{};
      w[0].field0 = 0x5A5A5A5A;
      w[0].n_field1 = 3;
      w[0].field1 = items;
      w[1] = w[0];
      w[1].n_field1 = 1;
      fail_each_allocation("single send", [&] { return M::sendsingle_fn(1, w, 0, 0); }, send_gave_up);
      fail_each_allocation("batch send", [&] { return M::sendbatch_fn(1, w, 2, 0); }, send_gave_up);

      std::vector<u8> buf(65536);
      u32 len = static_cast<u32>(buf.size());
      ASSERT_EQ(M::pack_fn(w, buf.data(), &len), 0u);
      bool dropped = false;
      u32 field0 = 0;
      auto unpack = [&] {
        T out;
        std::memset(static_cast<void*>(&out), 0xEE, sizeof out);
        const u32 r = M::unpack_fn(buf.data(), len, &out);
        dropped = out.field1 == nullptr;
        field0 = out.field0;
        M::free_fn(&out);
        return r;
      };
      fail_each_allocation("unpack", unpack, [&](u32 result) {
        EXPECT_EQ(result, 16u);
        EXPECT_TRUE(dropped) << "field1 is null after a failed allocation";
        EXPECT_EQ(field0, 0x5A5A5A5Au);
        ASSERT_EQ(osal_host_log_count(), 1u);
        OsalHostLogRecord rec{};
        osal_host_log_record(0, &rec);
        EXPECT_EQ(rec.level, 2u);
        EXPECT_EQ(rec.code, 12u);
        EXPECT_EQ(text(rec.file), "");
        EXPECT_EQ(text(rec.func), std::string(M::full_name) + "_unpack");
        EXPECT_EQ(text(rec.fmt), "[KESMO]:Malloc unpack data unsuccess, size(%u)");
        ASSERT_EQ(rec.arg_count, 1u);
        EXPECT_EQ(rec.args[0].u, 3 * sizeof(E));
      });
    } else {
      T msgs[2] = {kav::test::random_structure<T>(rng, arena), kav::test::random_structure<T>(rng, arena)};
      fail_each_allocation("batch send", [&] { return M::sendbatch_fn(1, msgs, 2, 0); }, send_gave_up);
    }
  };
  kav::catalogue::for_each_message(kav::catalogue::kav_messages{}, each);
  kav::catalogue::for_each_message(kav::catalogue::kav_sync_messages{}, each);
  EXPECT_EQ(lists, 36u);
}

}  // namespace
