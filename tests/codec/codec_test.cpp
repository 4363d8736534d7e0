// The literal byte layouts and the decoder's bounds, from cases.txt: each case is a buffer, what a
// message makes of it, and the exact log records and cache blocks on the way. The format of the
// file is described at its top.
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "messages/descriptors.hpp"
#include "osal_host.h"
#include "support/structures.hpp"
#include "varelmesh_control.h"

namespace {

using namespace kav;
using Bytes = std::vector<u8>;

// ---- a structure written as text: {v0 v1 {nested} [array bytes in hex] <count {item} ...>} --------
struct Reader {
  std::vector<std::string>& tok;
  std::size_t& at;
  test::Arena& arena;
  bool more() const { return at < tok.size() && tok[at] != "}" && tok[at] != ">"; }
  std::string next() { return at < tok.size() ? tok[at++] : ""; }
  template <class U>
  void scalar(u32, U& x) {
    x = more() ? static_cast<U>(std::stoull(next(), nullptr, 0)) : 0;
  }
  template <class A>
  void bytes(A& a) {
    if (!more()) return;
    if (tok[at] == "0") return (void)next();  // all zero
    const std::string h = next();
    ASSERT_EQ(h.size(), 2 + 2 * sizeof a) << h;
    for (std::size_t i = 0; i < sizeof a; ++i)
      reinterpret_cast<u8*>(&a)[i] = static_cast<u8>(std::stoul(h.substr(1 + 2 * i, 2), nullptr, 16));
  }
  template <class A>
  void byte_array(u32, A& a) {
    bytes(a);
  }
  template <class A>
  void struct_array(u32, A& a) {
    bytes(a);
  }
  template <class R>
  void record(R& r) {
    ASSERT_EQ(next(), "{");
    visit_slots(r, *this);
    ASSERT_EQ(next(), "}");
  }
  template <class R>
  void nested(u32, R& r) {
    if (more()) record(r);
  }
  template <class R>
  void vector(u32, u32& count, R*& items) {
    if (!more()) return;
    ASSERT_EQ(next(), "<");
    count = static_cast<u32>(std::stoul(next()));
    if (more()) items = arena.make<R>(count);
    for (u32 i = 0; more(); ++i) record(items[i]);
    ASSERT_EQ(next(), ">");
  }
};

Bytes hex(const std::vector<std::string>& tok) {
  std::string d;
  for (const std::string& t : tok) d += t;
  Bytes b(d.size() / 2);
  for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<u8>(std::stoul(d.substr(2 * i, 2), nullptr, 16));
  return b;
}

// ---- one case -----------------------------------------------------------------------------------
struct Case {
  int line = 0;
  std::string kind, message;
  std::vector<std::string> input, output;  // tokens
  std::vector<std::string> logs;           // "func line code text"
  u32 alloc = 0, fail = 0;
  bool swapped = false;
};

// What a case does with its message, whatever the message's type.
using Runner = std::function<void(const Case&)>;

constexpr u8 kFill = 0xEE;

template <class T>
bool untouched(const T& v) {
  const auto* p = reinterpret_cast<const u8*>(&v);
  return std::all_of(p, p + sizeof v, [](u8 b) { return b == kFill; });
}

void expect_host(const Case& c, const std::string& message) {
  std::vector<std::string> logs;
  for (u32 i = 0; i < osal_host_log_count(); ++i) {
    OsalHostLogRecord r{};
    osal_host_log_record(i, &r);
    EXPECT_EQ(std::string(r.module_name) + " " + r.subsystem_name + " " + std::to_string(r.module_id) + " " +
                  std::to_string(r.level) + " '" + r.file + "'",
              "KESMO KESMO_MERIDAN_SERIAL 25088 2 ''");
    logs.push_back(std::string(r.func) + " " + std::to_string(r.line) + " " + std::to_string(r.code) + " " + r.text);
  }
  EXPECT_EQ(logs, c.logs);
  std::vector<std::string> mem, want;
  for (u32 i = 0; i < osal_host_mem_event_count(); ++i) {
    OsalHostMemEvent e{};
    osal_host_mem_event(i, &e);
    mem.push_back(std::to_string(e.service) + " " + std::to_string(e.size) + " " + std::to_string(e.arg) + " " +
                  e.func);
  }
  if (c.alloc != 0) {
    want.push_back(std::to_string(OSAL_HOST_MEM_CACHE_ALLOC) + " " + std::to_string(c.alloc) + " 12 " + message +
                   "_unpack");
    if (c.fail == 0)
      want.push_back(std::to_string(OSAL_HOST_MEM_FREE) + " " + std::to_string(c.alloc) + " 12 " + message +
                     "_free_unpacked");
  }
  EXPECT_EQ(mem, want);
  EXPECT_EQ(osal_host_live_blocks(), 0u);
}

template <class M>
void run(const Case& c) {
  using T = typename M::type;
  test::Arena arena;
  alignas(16) T out, want{};
  std::memset(static_cast<void*>(&out), kFill, sizeof out);
  const Bytes in = hex(c.input);
  const bool swapped = c.kind == "swap" || c.swapped;
  std::size_t at = 0;
  std::vector<std::string> tok = c.output;
  osal_host_reset();
  osal_host_fail_alloc_at(c.fail);
  kav::testing::set_swap_flag(M::unpack_unit, swapped);
  EXPECT_EQ(M::unpack_fn(in.data(), static_cast<u32>(in.size()), &out), u32{sizeof(T)});
  kav::testing::set_swap_flag(M::unpack_unit, 0);
  if (tok.size() == 1 && tok[0] == "untouched") {
    EXPECT_TRUE(untouched(out)) << "the structure was written";
  } else {
    Reader{tok, at, arena}.record(want);
    EXPECT_EQ(test::difference(out, want), "");
    if constexpr (has_vector<T>) {
      EXPECT_EQ(out.n_field1, want.n_field1);
    }
  }
  if (c.kind == "pack" || c.kind == "swap") {  // the decoded structure packs back to the same bytes
    kav::testing::set_swap_flag(M::send_unit, swapped);
    Bytes b(4096, 0xCC);
    u32 len = 4096;
    EXPECT_EQ(M::pack_fn(&out, b.data(), &len), 0u);
    kav::testing::set_swap_flag(M::send_unit, 0);
    b.resize(len);
    EXPECT_EQ(b, in);
  }
  M::free_fn(&out);
  expect_host(c, M::full_name);
  if (c.kind == "fixed") {  // the single send and a batch of one: exactly these bytes
    vmesh_reset();
    vmesh_set_loopback(0);
    kav::testing::set_swap_flag(M::send_unit, swapped);
    EXPECT_EQ(M::sendsingle_fn(1, &out, 0, 0) | M::sendbatch_fn(1, &out, 1, 0), 0u);
    kav::testing::set_swap_flag(M::send_unit, 0);
    for (u32 call = 0; call < 2; ++call) {
      VmeshSentEntry e{};
      ASSERT_EQ(vmesh_sent_entry(call, 0, &e), 1);
      EXPECT_EQ(Bytes(e.bytes, e.bytes + e.length), in) << (call == 0 ? "single" : "batch");
    }
  }
}

std::map<std::string, Runner> runners() {
  std::map<std::string, Runner> r;
  auto add = [&]<class M>() { r[M::full_name] = run<M>; };
  catalogue::for_each_message(catalogue::kav_messages{}, add);
  catalogue::for_each_message(catalogue::kav_sync_messages{}, add);
  return r;
}

std::vector<Case> cases() {
  std::vector<Case> out;
  std::ifstream in(KAV_CASES);
  int n = 0;
  bool arrow = false;
  for (std::string line; std::getline(in, line);) {
    ++n;
    for (const char* s : {"{", "}", "<", ">"})  // each a word of its own; "=>" becomes "= >"
      for (std::size_t p = 0; (p = line.find(s, p)) != std::string::npos; p += 3)
        line.replace(p, 1, std::string(" ") + s + " ");
    std::istringstream words(line);
    std::string w;
    if (!(words >> w) || w[0] == '#') continue;
    if (w == "unpack" || w == "pack" || w == "fixed" || w == "swap") {
      out.emplace_back().line = n;
      out.back().kind = w;
      words >> out.back().message;
      arrow = false;
    } else if (w == "log") {
      std::string rest;
      std::getline(words >> std::ws, rest);
      out.back().logs.push_back(rest);
      continue;
    } else if (w == "swapped") {
      out.back().swapped = true;
      continue;
    } else if (w == "alloc" || w == "fail") {
      words >> (w == "alloc" ? out.back().alloc : out.back().fail);
      continue;
    } else if (w != "+") {
      ADD_FAILURE() << "cases.txt:" << n << ": unknown line";
      continue;
    }
    for (std::string t; words >> t;) {
      if (t == "=")
        arrow = true, words >> t;  // the ">" of "=>"
      else
        (arrow ? out.back().output : out.back().input).push_back(t);
    }
  }
  return out;
}

TEST(Cases, EveryCaseOfTheFile) {
  const auto run = runners();
  const auto all = cases();
  ASSERT_FALSE(all.empty());
  for (const Case& c : all) {
    SCOPED_TRACE("cases.txt:" + std::to_string(c.line) + " " + c.kind + " " + c.message);
    ASSERT_EQ(run.count(c.message), 1u);
    run.at(c.message)(c);
  }
}

// Each unit has its own byte-swap flag, and binding a unit clears it (in a process of its own, as
// ctest runs every test, the sync send unit binds here).
TEST(ByteSwap, EachUnitHasItsOwnFlagAndBindingClearsIt) {
  const kav_sync_ethlen_update e = {1, 2};
  Bytes b(24);
  u32 len = 24;
  kav::testing::set_swap_flag(Unit::main_send, 1);
  kav::testing::set_swap_flag(Unit::sync_send, kav::runtime(Unit::sync_send).cache_bound.load() == 0);
  EXPECT_EQ(kav_sync_ethlen_update__pack(&e, b.data(), &len), 0u);
  kav::testing::set_swap_flag(Unit::main_send, 0);
  kav::testing::set_swap_flag(Unit::sync_send, 0);
  EXPECT_EQ(b, hex({"0C000000", "0800", "0C00", "0400", "0800", "08000000", "01000000", "02000000"}));
}

// A count whose block (count x record size) passes 32 bits, or wraps to 0, is never asked for,
// in a buffer long enough for its item words; the largest that fits is asked for (and refused).
TEST(Lists, BlocksBeyond32BitsAreNeverAllocated) {
  struct Row {
    u32 (*unpack)(const u8*, u32, void*);
    u32 count, block;  // block: the size asked for, 0 for none
  };
  const auto host = reinterpret_cast<u32 (*)(const u8*, u32, void*)>(&kav_host_update__unpack);
  const auto flow = reinterpret_cast<u32 (*)(const u8*, u32, void*)>(&kav_templateflow_update__unpack);
  const auto addr = reinterpret_cast<u32 (*)(const u8*, u32, void*)>(&kav_srcaddr_update__unpack);
  const Bytes header = hex({"0C000000", "0800", "0C00", "0000", "0400", "08000000", "04000000"});
  for (const Row& r : {Row{host, 76695844u, 4294967264u}, Row{host, 76695845u, 0}, Row{flow, 22845570u, 4294967160u},
                       Row{flow, 22845571u, 0}, Row{addr, 0x10000000u, 0}}) {
    SCOPED_TRACE(r.count);
    const std::size_t length = 24 + std::size_t{4} * r.count;  // reads as zero, costs no memory
    void* map = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    ASSERT_NE(map, MAP_FAILED);
    auto* buf = static_cast<u8*>(map);
    std::memcpy(buf, header.data(), header.size());
    std::memcpy(buf + 20, &r.count, 4);
    osal_host_reset();
    osal_host_fail_alloc_at(1);
    alignas(8) u8 out[16];
    EXPECT_EQ(r.unpack(buf, static_cast<u32>(length), out), 16u);
    EXPECT_EQ(osal_host_mem_event_count(), r.block != 0 ? 1u : 0u);
    OsalHostMemEvent e{};
    if (r.block != 0 && osal_host_mem_event(0, &e) == 1) {
      EXPECT_EQ(e.size, r.block);
    }
    munmap(map, length);
  }
  osal_host_reset();
}

}  // namespace
