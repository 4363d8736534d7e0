// Many threads making the first calls into the library's units at once, against a host that
// records its OSAL services. Each unit must bind exactly once (its cache binding asks the host's
// use flag exactly once), every allocation must go through the host's allocators (a thread that
// saw a half-made binding would fall back to malloc or crash), and every failure must be logged.
//
// The first call is what is under test, so every test needs a process of its own: CTest runs each
// one alone. Run by hand, only the first test of a process counts; the others skip.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <functional>
#include <latch>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "kav.h"
#include "kav_sync.h"
#include "osal_host.h"
#include "varelmesh_control.h"

namespace {

constexpr unsigned kThreads = 16;
constexpr unsigned kRounds = 4;  // calls of each kind per thread
constexpr std::uint32_t kDest = 3;
constexpr std::uint32_t kAllOnes = 0xFFFFFFFFu;

std::vector<std::uint8_t> bytes(std::initializer_list<unsigned> list) {
  std::vector<std::uint8_t> out;
  for (unsigned b : list) out.push_back(static_cast<std::uint8_t>(b));
  return out;
}

// A root offset of 8 in an 8-byte buffer: no room for the table's vtable reference.
const std::vector<std::uint8_t> kRootOutside = bytes({0x08, 0, 0, 0, 0, 0, 0, 0});
// A 4-byte buffer whose root offset is 4.
const std::vector<std::uint8_t> kRootAtEnd = bytes({0x04, 0, 0, 0});
// An update list of two items whose tables have no slots (every field absent), both at 36.
const std::vector<std::uint8_t> kTwoEmptyItems = bytes({
    0x0C, 0, 0, 0,                          // root table at 12
    0x08, 0, 0x00, 0, 0x00, 0, 0x04, 0,     // root vtable: 2 slots, slot 0 absent, slot 1 at +4
    0x08, 0, 0, 0,                          // vtable reference 8
    0x04, 0, 0, 0,                          // offset word: the list header at 20
    0x02, 0, 0, 0,                          // 2 items
    0x0C, 0, 0, 0, 0x08, 0, 0, 0,           // item tables at 24 + 12 and 28 + 8
    0x04, 0, 0x04, 0,                       // item vtable: no slots
    0x04, 0, 0, 0});                        // item table at 36, its vtable at 32
// A valid table of a two-slot record with both slots absent.
const std::vector<std::uint8_t> kEmptyPair = bytes({0x0C, 0, 0, 0, 0x08, 0, 0x04, 0, 0, 0, 0, 0, 0x08, 0, 0, 0});

// What one thread saw that the main thread checks afterwards.
struct Seen {
  std::uint32_t wrong_results = 0;
  std::uint32_t wrong_structures = 0;
};

// The four units' kinds of first call. Each returns the number of log records it must cause.
std::uint32_t main_unpack_failing(Seen& s) {
  kav_host host;
  std::memset(&host, 0xA5, sizeof host);
  // Delegating root: binds the cache, zeroes the structure, then its table decoder logs.
  if (kav_host__unpack(kRootOutside.data(), 8, &host) != 56) ++s.wrong_results;
  kav_host zero{};
  if (std::memcmp(&host, &zero, sizeof host) != 0) ++s.wrong_structures;
  // In-place root: refused before the cache binding, logged by the unpack function.
  kav_pid_state ps{7, 8, 9};
  if (kav_pid_state__unpack(kRootAtEnd.data(), 4, &ps) != 12) ++s.wrong_results;
  if (ps.field0 != 7 || ps.field1 != 8 || ps.field2 != 9) ++s.wrong_structures;
  return 2;
}

std::uint32_t main_unpack_allocating(Seen& s) {
  kav_host_update list;
  std::memset(&list, 0xA5, sizeof list);
  if (kav_host_update__unpack(kTwoEmptyItems.data(), static_cast<std::uint32_t>(kTwoEmptyItems.size()), &list) != 16)
    ++s.wrong_results;
  if (list.field0 != 0 || list.n_field1 != 2 || list.field1 == nullptr) {
    ++s.wrong_structures;
  } else {
    const kav_host zero{};
    for (unsigned i = 0; i < 2; ++i)
      if (std::memcmp(&list.field1[i], &zero, sizeof zero) != 0) ++s.wrong_structures;
  }
  kav_host_update_free__unpacked(&list);
  if (list.field1 != nullptr) ++s.wrong_structures;
  return 0;
}

std::uint32_t main_send_allocating(Seen& s) {
  const kav_pid_state three[3] = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
  if (kav_pid_state__sendbatch(kDest, three, 3, 0) != 0) ++s.wrong_results;
  kav_host items[2] = {};
  items[0].field0 = 1;
  kav_host_update list{5, 2, items};
  if (kav_host_update__sendmsg(kDest, &list, 1) != 0) ++s.wrong_results;
  return 0;
}

std::uint32_t main_send_failing(Seen& s) {
  const kav_pid_state ps{1, 2, 3};
  std::uint32_t len = 100;
  // A null buffer is a size query: logged, and the size reported.
  if (kav_pid_state__pack(&ps, nullptr, &len) != 0 || len != 30) ++s.wrong_results;
  if (kav_pid_state__sendmsg(kDest, &ps, 0) != kAllOnes) ++s.wrong_results;  // refused, not logged
  return 1;
}

std::uint32_t sync_unpack_failing(Seen& s) {
  kav_sync_host_update host;
  std::memset(&host, 0xA5, sizeof host);
  if (kav_sync_host_update__unpack(kRootOutside.data(), 8, &host) != 56) ++s.wrong_results;
  kav_sync_host_update zero{};
  if (std::memcmp(&host, &zero, sizeof host) != 0) ++s.wrong_structures;
  kav_sync_ethlen_update e{7, 8};
  if (kav_sync_ethlen_update__unpack(kRootAtEnd.data(), 4, &e) != 8) ++s.wrong_results;
  if (e.field0 != 7 || e.field1 != 8) ++s.wrong_structures;
  return 2;
}

std::uint32_t sync_unpack_valid(Seen& s) {
  kav_sync_ethlen_update e{7, 8};
  if (kav_sync_ethlen_update__unpack(kEmptyPair.data(), static_cast<std::uint32_t>(kEmptyPair.size()), &e) != 8)
    ++s.wrong_results;
  if (e.field0 != 0 || e.field1 != 0) ++s.wrong_structures;
  return 0;
}

std::uint32_t sync_send_allocating(Seen& s) {
  const kav_sync_host_update two[2] = {};
  if (kav_sync_host_update__sendbatch(kDest, two, 2, 9) != 0) ++s.wrong_results;
  return 0;
}

std::uint32_t sync_send_failing(Seen& s) {
  const kav_sync_ethlen_update e{1, 2};
  std::uint32_t len = kAllOnes;
  if (kav_sync_ethlen_update__pack(&e, nullptr, &len) != 0 || len != 24) ++s.wrong_results;
  return 1;
}

using Call = std::uint32_t (*)(Seen&);

// What a scenario expects from the host once every thread is done.
struct Expect {
  std::uint32_t use_flag_calls;                   // units whose cache binding ran
  std::map<std::string, std::uint32_t> allocs;    // function name -> allocations per round of calls
  std::map<std::string, std::uint32_t> log_funcs; // function name -> log records per round of calls
  std::uint32_t sends;                            // library calls per round of calls
};

struct Scenario {
  const char* name;
  std::vector<Call> calls;  // thread t starts at calls[t % size] and goes round
  Expect expect;
};

bool fresh_process() {
  return osal_host_use_flag_calls() == 0 && osal_host_log_count() == 0 && osal_host_mem_event_count() == 0 &&
         vmesh_send_count() == 0;
}

void run(const Scenario& sc) {
  SCOPED_TRACE(sc.name);
  if (!fresh_process()) GTEST_SKIP() << "the first calls of this process were made by another test";

  std::latch start(kThreads);
  std::vector<Seen> seen(kThreads);
  std::vector<std::uint32_t> logs_due(kThreads, 0);
  std::vector<std::thread> threads;
  for (unsigned t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      start.arrive_and_wait();  // every thread makes its first call at the same moment
      for (unsigned r = 0; r < kRounds; ++r)
        for (std::size_t k = 0; k < sc.calls.size(); ++k)
          logs_due[t] += sc.calls[(t + k) % sc.calls.size()](seen[t]);
    });
  }
  for (auto& th : threads) th.join();

  const std::uint32_t rounds = kThreads * kRounds;
  for (unsigned t = 0; t < kThreads; ++t) {
    EXPECT_EQ(seen[t].wrong_results, 0u) << "thread " << t;
    EXPECT_EQ(seen[t].wrong_structures, 0u) << "thread " << t;
  }

  // Bound once per unit: one use-flag question each, always about pool 12.
  EXPECT_EQ(osal_host_use_flag_calls(), sc.expect.use_flag_calls);
  for (std::uint32_t i = 0; i < osal_host_use_flag_calls(); ++i) EXPECT_EQ(osal_host_use_flag_arg(i), 12u);

  // Every failure logged, once, by the function that failed, with its unit's module record.
  std::uint32_t due = 0;
  for (auto n : logs_due) due += n;
  EXPECT_EQ(osal_host_log_count(), due);
  std::map<std::string, std::uint32_t> log_funcs;
  std::map<std::string, std::set<const void*>> modules_by_unit;
  for (std::uint32_t i = 0; i < osal_host_log_count(); ++i) {
    OsalHostLogRecord rec{};
    ASSERT_EQ(osal_host_log_record(i, &rec), 1);
    ASSERT_NE(rec.func, nullptr);
    ++log_funcs[rec.func];
    EXPECT_EQ(rec.level, 2u);
    EXPECT_EQ(rec.code, 22u);
    EXPECT_STREQ(rec.module_name, "KESMO");
    const std::string f = rec.func;
    const bool sync = f.rfind("kav_sync_", 0) == 0;
    const bool pack = f.size() > 5 && f.compare(f.size() - 5, 5, "_pack") == 0;
    modules_by_unit[std::string(sync ? "sync" : "main") + (pack ? " send" : " unpack")].insert(rec.module);
  }
  std::map<std::string, std::uint32_t> want_logs;
  for (const auto& [f, n] : sc.expect.log_funcs) want_logs[f] = n * rounds;
  EXPECT_EQ(log_funcs, want_logs);
  for (const auto& [unit, modules] : modules_by_unit) EXPECT_EQ(modules.size(), 1u) << unit;

  // Every allocation through the host's allocators, every block released with its own arguments.
  std::map<std::string, std::uint32_t> allocs;
  std::uint32_t releases = 0;
  for (std::uint32_t i = 0; i < osal_host_mem_event_count(); ++i) {
    OsalHostMemEvent ev{};
    ASSERT_EQ(osal_host_mem_event(i, &ev), 1);
    ASSERT_NE(ev.func, nullptr);
    if (ev.service == OSAL_HOST_MEM_FREE) {
      ++releases;
      EXPECT_EQ(ev.arg, ev.origin == OSAL_HOST_MEM_CACHE_ALLOC ? 12u : 0x6200u) << ev.func;
    } else {
      ASSERT_NE(ev.ptr, nullptr) << ev.func;
      ++allocs[ev.func];
      EXPECT_EQ(ev.service, std::string(ev.func).find("_unpack") != std::string::npos ? OSAL_HOST_MEM_CACHE_ALLOC
                                                                                        : OSAL_HOST_MEM_ALLOC)
          << ev.func;
    }
  }
  std::map<std::string, std::uint32_t> want_allocs;
  for (const auto& [f, n] : sc.expect.allocs) want_allocs[f] = n * rounds;
  EXPECT_EQ(allocs, want_allocs);
  std::uint32_t total_allocs = 0;
  for (const auto& [f, n] : allocs) total_allocs += n;
  EXPECT_EQ(releases, total_allocs);
  EXPECT_EQ(osal_host_live_blocks(), 0u);
  EXPECT_EQ(osal_host_bad_free_count(), 0u);

  EXPECT_EQ(vmesh_send_count(), sc.expect.sends * rounds);
}

// clang-format off
const Scenario kMainUnpack{"main unpack unit: failing and allocating unpacks",
  {main_unpack_failing, main_unpack_allocating},
  {1, {{"kav_host_update_unpack", 1}},
   {{"kav_host_unpack_non_root", 1}, {"kav_pid_state_unpack", 1}}, 0}};
const Scenario kMainSend{"main send unit: allocating sends and logged size queries",
  {main_send_allocating, main_send_failing},
  {1, {{"kav_pid_state__sendbatch", 1}, {"kav_host_update__sendsingle", 1}},
   {{"kav_pid_state_pack", 1}}, 2}};
const Scenario kSyncUnpack{"sync unpack unit: failing and valid unpacks",
  {sync_unpack_failing, sync_unpack_valid},
  {1, {}, {{"kav_sync_host_update_unpack_non_root", 1}, {"kav_sync_ethlen_update_unpack", 1}}, 0}};
const Scenario kSyncSend{"sync send unit: allocating sends and logged size queries",
  {sync_send_allocating, sync_send_failing},
  {1, {{"kav_sync_host_update__sendbatch", 1}}, {{"kav_sync_ethlen_update_pack", 1}}, 1}};
const Scenario kAllUnits{"all four units at once",
  {main_unpack_failing, main_send_allocating, sync_unpack_failing, sync_send_allocating,
   main_unpack_allocating, main_send_failing, sync_unpack_valid, sync_send_failing},
  {4, {{"kav_host_update_unpack", 1}, {"kav_pid_state__sendbatch", 1}, {"kav_host_update__sendsingle", 1},
       {"kav_sync_host_update__sendbatch", 1}},
   {{"kav_host_unpack_non_root", 1}, {"kav_pid_state_unpack", 1}, {"kav_pid_state_pack", 1},
    {"kav_sync_host_update_unpack_non_root", 1}, {"kav_sync_ethlen_update_unpack", 1},
    {"kav_sync_ethlen_update_pack", 1}}, 3}};
// clang-format on

TEST(FirstCalls, MainUnpackUnit) { run(kMainUnpack); }
TEST(FirstCalls, MainSendUnit) { run(kMainSend); }
TEST(FirstCalls, SyncUnpackUnit) { run(kSyncUnpack); }
TEST(FirstCalls, SyncSendUnit) { run(kSyncSend); }
TEST(FirstCalls, AllFourUnits) { run(kAllUnits); }

}  // namespace
