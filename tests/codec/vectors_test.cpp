// The item arrays of the list messages: one cache block per unpack, released by the free function
// and by every failing path, allocation failure, and counts whose block would pass 32 bits.
#include <sys/mman.h>

#include "codec_support.hpp"
#include "messages/catalogue.hpp"
#include "support/structures.hpp"

namespace codec_test {
namespace {

// Packs a wrapper of `count` items (item i with field0 = i + 1), unpacks it and frees it twice,
// checking every allocation and release the host saw.
template <class W>
void one_block(u32 (*pack)(const W*, u8*, u32*), u32 (*unpack)(const u8*, u32, W*), void (*release)(W*), u32 count,
               u32 block, const char* unpack_name, const char* free_name) {
  using R = std::remove_pointer_t<decltype(W::field1)>;
  std::vector<R> items(count, zeroed<R>());
  for (u32 i = 0; i < count; ++i) items[i].field0 = static_cast<decltype(R::field0)>(i + 1);
  auto msg = zeroed<W>();
  msg.field0 = 0x55;
  msg.n_field1 = count;
  msg.field1 = items.data();
  u32 len = kAllOnes;
  ASSERT_EQ(pack(&msg, nullptr, &len), 0u);
  Bytes buf(len);
  ASSERT_EQ(pack(&msg, buf.data(), &len), 0u);

  osal_host_reset();
  W out = filled<W>();
  EXPECT_EQ(unpack(buf.data(), len, &out), 16u);
  ASSERT_EQ(osal_host_mem_event_count(), 1u);
  expect_mem(0, OSAL_HOST_MEM_CACHE_ALLOC, block, 12, unpack_name);
  OsalHostMemEvent e;
  osal_host_mem_event(0, &e);
  EXPECT_EQ(static_cast<void*>(out.field1), e.ptr);
  EXPECT_EQ(out.field0, 0x55u);
  EXPECT_EQ(out.n_field1, count);
  EXPECT_EQ(kav::test::difference(out, msg), "");

  release(&out);
  EXPECT_EQ(out.field1, nullptr);
  EXPECT_EQ(out.n_field1, count);
  ASSERT_EQ(osal_host_mem_event_count(), 2u);
  expect_mem(1, OSAL_HOST_MEM_FREE, block, 12, free_name);
  osal_host_mem_event(1, &e);
  EXPECT_EQ(e.origin, OSAL_HOST_MEM_CACHE_ALLOC);
  release(&out);  // a second call finds the pointer null
  release(nullptr);
  EXPECT_EQ(osal_host_mem_event_count(), 2u);
  EXPECT_EQ(osal_host_live_blocks(), 0u);
  EXPECT_EQ(osal_host_bad_free_count(), 0u);
  EXPECT_EQ(osal_host_log_count(), 0u);
}

#define ONE_BLOCK(msg, count, block)                                                               \
  do {                                                                                             \
    SCOPED_TRACE(#msg);                                                                            \
    one_block<msg>(msg##__pack, msg##__unpack, msg##_free__unpacked, count, block, #msg "_unpack", \
                   #msg "_free_unpacked");                                                         \
  } while (0)

TEST(ItemArray, OneCacheBlockOfCountTimesStride) {
  ONE_BLOCK(kav_host_update, 3, 168);
  ONE_BLOCK(kav_host_delete, 2, 112);
  ONE_BLOCK(kav_srcaddrv6_update, 3, 84);
  ONE_BLOCK(kav_resetcache_update, 4, 80);
  ONE_BLOCK(kav_resetstat_update, 2, 48);
  ONE_BLOCK(kav_queenable_update, 5, 40);
  ONE_BLOCK(kav_ifsamplecfg_update, 1, 28);
  ONE_BLOCK(kav_monitorcfg_delete, 2, 96);
  ONE_BLOCK(kav_globalcfg_update, 2, 112);
  ONE_BLOCK(kav_templateflow_delete, 1, 188);
  ONE_BLOCK(kav_recordcfg_update, 2, 96);
  ONE_BLOCK(kav_cachelog_update, 3, 228);
}

TEST(ItemArray, CountZeroAllocatesNothing) {
  // The vector is present with count 0.
  const Bytes b = hex("0C000000 0800 0C00 0400 0800 08000000 07000000 04000000 00000000");
  osal_host_reset();
  kav_host_update out = filled<kav_host_update>();
  EXPECT_EQ(kav_host_update__unpack(b.data(), static_cast<u32>(b.size()), &out), 16u);
  EXPECT_EQ(out.field0, 7u);
  EXPECT_EQ(out.n_field1, 0u);
  EXPECT_EQ(out.field1, nullptr);
  kav_host_update_free__unpacked(&out);
  EXPECT_EQ(osal_host_mem_event_count(), 0u);
  EXPECT_EQ(osal_host_log_count(), 0u);
}

TEST(ItemArray, AllocationFailureIsLoggedWithCode12) {
  kav_resetstat items[3] = {{1, 0, 0, 0, 0, 0}, {2, 0, 0, 0, 0, 0}, {3, 0, 0, 0, 0, 0}};
  auto msg = zeroed<kav_resetstat_update>();
  msg.field0 = 4;
  msg.n_field1 = 3;
  msg.field1 = items;
  Bytes buf(200);
  u32 len = 200;
  ASSERT_EQ(kav_resetstat_update__pack(&msg, buf.data(), &len), 0u);
  osal_host_reset();
  osal_host_fail_alloc_at(1);
  kav_resetstat_update out = filled<kav_resetstat_update>();
  EXPECT_EQ(kav_resetstat_update__unpack(buf.data(), len, &out), 16u);
  EXPECT_EQ(out.field0, 4u);
  EXPECT_EQ(out.n_field1, 3u);
  EXPECT_EQ(out.field1, nullptr);
  expect_logs({{"kav_resetstat_update_unpack", kMalloc, {U(72)}, 12}});
  ASSERT_EQ(osal_host_mem_event_count(), 1u);
  expect_mem(0, OSAL_HOST_MEM_CACHE_ALLOC, 72, 12, "kav_resetstat_update_unpack");
  kav_resetstat_update_free__unpacked(&out);
  EXPECT_EQ(osal_host_mem_event_count(), 1u);
  EXPECT_EQ(osal_host_live_blocks(), 0u);
  // The next unpack allocates again.
  EXPECT_EQ(kav_resetstat_update__unpack(buf.data(), len, &out), 16u);
  ASSERT_NE(out.field1, nullptr);
  EXPECT_EQ(out.field1[2].field0, 3u);
  kav_resetstat_update_free__unpacked(&out);
  EXPECT_EQ(osal_host_live_blocks(), 0u);
}

// A buffer of `length` bytes that reads as zero and costs no memory: only the header page is touched.
struct SparseBuffer {
  u8* data = nullptr;
  std::size_t size = 0;
  explicit SparseBuffer(std::size_t length) : size(length) {
    void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p != MAP_FAILED) data = static_cast<u8*>(p);
  }
  ~SparseBuffer() {
    if (data != nullptr) munmap(data, size);
  }
  SparseBuffer(const SparseBuffer&) = delete;
  SparseBuffer& operator=(const SparseBuffer&) = delete;
};

// Unpacks a list message and frees it; reports the count and whether items were attached.
template <class W>
void unpack_list(u32 (*unpack)(const u8*, u32, W*), void (*release)(W*), const u8* b, u32 len, u32& n, bool& items) {
  W out = filled<W>();
  EXPECT_EQ(unpack(b, len, &out), 16u);
  n = out.n_field1, items = out.field1 != nullptr;
  release(&out);
}
#define LIST_OF(msg)                                                                                  \
  #msg "_unpack", [](const u8* b, u32 len, u32& n, bool& items) {                                     \
    unpack_list<msg>(msg##__unpack, msg##_free__unpacked, b, len, n, items);                          \
  }

// A count large enough that count × stride passes 32 bits (or wraps to exactly 0), in a buffer long
// enough to hold its offset words: the block is never allocated. One item fewer is still attempted
// (the host is told to fail it, so no gigabytes are taken).
TEST(ItemArray, BlockSizesBeyond32BitsAreNeverAllocated) {
  // Make sure the main unpack unit allocates through the host, so failures can be injected.
  ONE_BLOCK(kav_queenable_update, 1, 8);

  struct Row {
    const char* name;
    const char* unpack_name;
    void (*run)(const u8*, u32, u32&, bool&);
    u32 count;
    u32 attempt;  // size of the attempted block, 0 for no attempt at all
  };
  const Row rows[] = {
      {"76695844 × 56 fits 32 bits", LIST_OF(kav_host_update), 76695844u, 4294967264u},
      {"76695845 × 56 does not", LIST_OF(kav_host_update), 76695845u, 0},
      {"22845570 × 188 fits 32 bits", LIST_OF(kav_templateflow_update), 22845570u, 4294967160u},
      {"22845571 × 188 does not", LIST_OF(kav_templateflow_update), 22845571u, 0},
      {"2^28 × 16 is 0 in 32 bits", LIST_OF(kav_srcaddr_update), 0x10000000u, 0},
  };
  const Bytes header = hex("0C000000 0800 0C00 0000 0400 08000000 04000000");
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const std::size_t length = 24 + std::size_t{4} * r.count;  // root table, count, one word per item
    SparseBuffer buf(length);
    ASSERT_NE(buf.data, nullptr);
    std::memcpy(buf.data, header.data(), header.size());
    std::memcpy(buf.data + 20, &r.count, 4);
    osal_host_reset();
    osal_host_fail_alloc_at(1);  // whatever is asked for, nothing is handed out
    u32 n = 0;
    bool items = true;
    r.run(buf.data, static_cast<u32>(length), n, items);
    EXPECT_FALSE(items);
    if (r.attempt != 0) {
      EXPECT_EQ(n, r.count);
      ASSERT_EQ(osal_host_mem_event_count(), 1u);
      expect_mem(0, OSAL_HOST_MEM_CACHE_ALLOC, r.attempt, 12, r.unpack_name);
      expect_logs({{r.unpack_name, kMalloc, {U(r.attempt)}, 12}});
    } else {
      EXPECT_EQ(osal_host_mem_event_count(), 0u) << "a block was asked for";
    }
    osal_host_fail_alloc_at(0);
  }
}

}  // namespace
}  // namespace codec_test
