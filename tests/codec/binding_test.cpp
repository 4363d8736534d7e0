// How the library binds the host's services, one host per process: all five services, none, the
// general allocator without its release, and a cache use flag other than 1. Each scenario is one
// test, so the bindings it observes are the process's first.
#include <malloc.h>

#include "codec_support.hpp"
#include "kav.h"
#include "kav_sync.h"
#include "varelmesh_control.h"

namespace codec_test {
namespace {

// A host_update of two items, packed: 16 + 8 + 8 + 2 × 78 = 188 bytes.
struct HostList {
  kav_host items[2];
  kav_host_update msg;
  Bytes bytes;
  HostList() {
    items[0] = zeroed<kav_host>();
    items[1] = zeroed<kav_host>();
    items[0].field0 = 1;
    items[1].field12 = 2;
    msg = zeroed<kav_host_update>();
    msg.n_field1 = 2;
    msg.field1 = items;
    bytes.assign(300, 0);
    u32 len = 300;
    EXPECT_EQ(kav_host_update__pack(&msg, bytes.data(), &len), 0u);
    EXPECT_EQ(len, 188u);
    bytes.resize(len);
  }
};

// Unpacks the list and checks its items; returns the block's address (still owned by `out`).
void* unpack_list(const HostList& l, kav_host_update& out) {
  out = filled<kav_host_update>();
  EXPECT_EQ(kav_host_update__unpack(l.bytes.data(), static_cast<u32>(l.bytes.size()), &out), 16u);
  EXPECT_EQ(out.n_field1, 2u);
  if (out.field1 == nullptr) {
    ADD_FAILURE() << "no items";
    return nullptr;
  }
  EXPECT_EQ(out.field1[0].field0, 1u);
  EXPECT_EQ(out.field1[1].field12, 2u);
  EXPECT_EQ(out.field1[1].field0, 0u);
  return out.field1;
}

// Sends the list through the recording messaging library: one entry, the packed bytes.
void send_list(const HostList& l) {
  vmesh_reset();
  vmesh_set_loopback(0);
  EXPECT_EQ(kav_host_update__sendsingle(3, &l.msg, 0, 0), 0u);
  ASSERT_EQ(vmesh_send_count(), 1u);
  VmeshSentEntry e;
  ASSERT_EQ(vmesh_sent_entry(0, 0, &e), 1);
  ASSERT_EQ(e.length, l.bytes.size());
  EXPECT_EQ(dump(e.bytes, e.length), dump(l.bytes));
}

// Things that log: a bad buffer and a size query. Both return what they return with a log writer.
[[maybe_unused]] void faults_return_their_results() {
  const Bytes bad = hex("04000000");
  kav_pid_state p = filled<kav_pid_state>();
  EXPECT_EQ(kav_pid_state__unpack(bad.data(), 4, &p), 12u);
  EXPECT_TRUE(untouched(p));
  kav_host h = filled<kav_host>();
  EXPECT_EQ(kav_host__unpack(bad.data(), 4, &h), 56u);
  EXPECT_EQ(h.field0, 0u);
  const kav_pid_state q = {1, 2, 3};
  u32 len = 100;
  EXPECT_EQ(kav_pid_state__pack(&q, nullptr, &len), 0u);
  EXPECT_EQ(len, 30u);
}

#if KAV_HOST_FULL
TEST(HostBinding, AllServices) {
  ASSERT_EQ(osal_host_services(), 31u);
  osal_host_reset();
  vmesh_reset();
  // An in-place header fault comes before the cache binding: logged, no use-flag query yet.
  const Bytes bad = hex("04000000");
  kav_pid_state p = filled<kav_pid_state>();
  kav_pid_state__unpack(bad.data(), 4, &p);
  expect_logs({{"kav_pid_state_unpack", kTable, {U(4), U(4)}}});
  EXPECT_EQ(osal_host_use_flag_calls(), 0u);
  // A delegating root binds the cache allocator before it decodes.
  kav_host h;
  kav_host__unpack(bad.data(), 4, &h);
  ASSERT_EQ(osal_host_use_flag_calls(), 1u);
  EXPECT_EQ(osal_host_use_flag_arg(0), 12u);
  EXPECT_EQ(osal_host_log_count(), 2u);
  expect_log(1, {"kav_host_unpack_non_root", kTable, {U(4), U(4)}});

  HostList list;  // packing binds the main send unit: a second query
  EXPECT_EQ(osal_host_use_flag_calls(), 2u);
  EXPECT_EQ(osal_host_use_flag_arg(1), 12u);

  osal_host_reset();
  kav_host_update out;
  void* block = unpack_list(list, out);
  ASSERT_EQ(osal_host_mem_event_count(), 1u);
  expect_mem(0, OSAL_HOST_MEM_CACHE_ALLOC, 112, 12, "kav_host_update_unpack");
  OsalHostMemEvent e;
  osal_host_mem_event(0, &e);
  EXPECT_EQ(e.ptr, block);
  kav_host_update_free__unpacked(&out);
  expect_mem(1, OSAL_HOST_MEM_FREE, 112, 12, "kav_host_update_free_unpacked");
  EXPECT_EQ(osal_host_use_flag_calls(), 0u);  // bound once

  // The send unit's general allocator: the exact packed size, module id 0x6200.
  osal_host_reset();
  send_list(list);
  ASSERT_EQ(osal_host_mem_event_count(), 2u);
  expect_mem(0, OSAL_HOST_MEM_ALLOC, 188, 0x6200, "kav_host_update__sendsingle");
  expect_mem(1, OSAL_HOST_MEM_FREE, 188, 0x6200, "kav_host_update__sendsingle");
  EXPECT_EQ(osal_host_live_blocks(), 0u);

  // The sync package's units bind on their own.
  osal_host_reset();
  const kav_sync_host_update s = list.items[0];
  Bytes sb(200);
  u32 len = 200;
  ASSERT_EQ(kav_sync_host_update__pack(&s, sb.data(), &len), 0u);
  kav_sync_host_update back;
  kav_sync_host_update__unpack(sb.data(), len, &back);
  EXPECT_EQ(back.field0, 1u);
  ASSERT_EQ(osal_host_use_flag_calls(), 2u);
  EXPECT_EQ(osal_host_use_flag_arg(0), 12u);
  EXPECT_EQ(osal_host_use_flag_arg(1), 12u);
}
#endif

// Unpacks and frees a list, sends it and a batch: with no usable host memory services, none of it
// reaches the host, and the blocks come from malloc.
[[maybe_unused]] void works_on_malloc() {
  faults_return_their_results();
  HostList list;
  kav_host_update out;
  void* block = unpack_list(list, out);
  ASSERT_NE(block, nullptr);
  EXPECT_GE(malloc_usable_size(block), 112u);
  kav_host_update_free__unpacked(&out);
  EXPECT_EQ(out.field1, nullptr);
  send_list(list);
  const kav_pid_state batch[3] = {{1, 0, 0}, {2, 0, 0}, {3, 0, 0}};
  vmesh_reset();
  EXPECT_EQ(kav_pid_state__sendbatch(1, batch, 3, 0), 0u);
  VmeshSendCall c;
  ASSERT_EQ(vmesh_send_call(0, &c), 1);
  EXPECT_EQ(c.count, 3u);
  EXPECT_EQ(osal_host_mem_event_count(), 0u);
}

#if KAV_HOST_NONE
TEST(HostBinding, NoServices) {
  ASSERT_EQ(osal_host_services(), 0u);
  osal_host_reset();
  works_on_malloc();
  EXPECT_EQ(osal_host_log_count(), 0u);
}
#endif

#if KAV_HOST_ALLOC_ONLY
TEST(HostBinding, GeneralAllocatorWithoutReleaseFallsBackToMalloc) {
  ASSERT_EQ(osal_host_services(), 2u);  // RVX_OsalMemAlloc alone
  osal_host_reset();
  works_on_malloc();
}
#endif

#if KAV_HOST_FLAG2
TEST(HostBinding, UseFlagOtherThanOneKeepsTheCacheOnMalloc) {
  ASSERT_EQ(osal_host_services(), 31u);
  osal_host_reset();
  HostList list;
  osal_host_reset();
  kav_host_update out;
  void* block = unpack_list(list, out);
  ASSERT_NE(block, nullptr);
  EXPECT_GE(malloc_usable_size(block), 112u);
  kav_host_update_free__unpacked(&out);
  ASSERT_EQ(osal_host_use_flag_calls(), 1u);
  EXPECT_EQ(osal_host_use_flag_arg(0), 12u);
  EXPECT_EQ(osal_host_mem_event_count(), 0u) << "the cache allocator was the host's";
  // The general allocator and the log writer are the host's all the same.
  send_list(list);
  ASSERT_EQ(osal_host_mem_event_count(), 2u);
  expect_mem(0, OSAL_HOST_MEM_ALLOC, 188, 0x6200, "kav_host_update__sendsingle");
  faults_return_their_results();
  EXPECT_EQ(osal_host_log_count(), 3u);
}
#endif

}  // namespace
}  // namespace codec_test
