// Mixed traffic: every message of both packages in turn (round-robin) against the same calls made
// message by message (hot loops), timed in alternating batches of one run so that both see the same
// machine, beside a memcpy of the same compact bytes. The values sweep presence: 100, 67, 33 and
// 10 percent of the scalars non-zero, each message with its own random zeros (p67 is the random
// traffic of earlier runs, p100 the non-zero); every list carries two records. A hot loop repeats
// one message's values, so the branch predictor learns which of its fields are present; with
// random values that is about half the gap between the two.
//   kav_mixed [benchmark flags]          codec (unpack, pack, free) and __sendsingle through the
//                                        no-op messaging library; a summary of the ratios closes
//   kav_mixed --count PERCENT K          only the round-robin codec loop of one presence (100, 67,
//                                        33 or 10), K rounds; prints the messages per round, their
//                                        scalars and present scalars (for tools/cachegrind_mixed.sh)
// Every call goes through a pointer to the exported symbol, looked up once in libkav.so.1.
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "messages/descriptors.hpp"
#include "tests/support/structures.hpp"

namespace {

using kav::u32;
using PackFn = u32 (*)(const void*, uint8_t*, u32*);
using UnpackFn = u32 (*)(const uint8_t*, u32, void*);
using FreeFn = void (*)(void*);
using SendFn = u32 (*)(u32, const void*, uint64_t, uint64_t);

constexpr int kHot = 64;        // calls per message in a hot loop; rounds per round-robin batch
constexpr double kLimit = 1.3;  // round-robin time per message over hot-loop time
// Percent of scalars non-zero, per value kind.
constexpr kav::u32 kPresence[] = {100, 67, 33, 10};
constexpr int kKindCount = sizeof kPresence / sizeof kPresence[0];

struct Message {
  PackFn pack;
  UnpackFn unpack;
  FreeFn free;
  SendFn send;
  struct Value {
    const void* obj;            // the structure (lives to exit)
    std::vector<uint8_t> wire;  // its compact encoding
    u32 scalars;                // the wire scalars of the message (nested records and list items included)
    u32 present;                // those of them non-zero
  } value[kKindCount];
};

std::vector<Message> g_messages;
alignas(64) unsigned char g_out[1024];  // unpack target
alignas(64) uint8_t g_buf[1 << 16];     // pack target, memcpy destination

[[noreturn]] void die(const std::string& what) {
  std::fprintf(stderr, "kav_mixed: %s\n", what.c_str());
  std::exit(2);
}

// Random scalars, non-zero with the kind's probability; every list exactly two records.
struct Fill : kav::test::RandomFill {
  template <class R>
  void vector(u32, u32& count, R*& items) {
    count = 2;
    items = arena.make<R>(count);
    for (u32 i = 0; i < count; ++i) kav::visit_slots(items[i], static_cast<RandomFill&>(*this));
  }
};

// Counts the scalars that go on the wire as slots, and the non-zero ones among them.
struct CountScalars {
  u32 scalars = 0;
  u32 present = 0;
  template <class U>
  void scalar(u32, const U& x) {
    ++scalars;
    present += x != 0;
  }
  template <class A>
  void byte_array(u32, const A&) {}
  template <class A>
  void struct_array(u32, const A&) {}
  template <class R>
  void nested(u32, const R& r) {
    kav::visit_slots(r, *this);
  }
  template <class R>
  void vector(u32, const u32& count, R* const& items) {
    for (u32 i = 0; items != nullptr && i < count; ++i) kav::visit_slots(items[i], *this);
  }
};

template <class M>
void add(void* lib, std::mt19937_64& rng, kav::test::Arena& arena) {
  using T = typename M::type;
  static_assert(sizeof(T) <= sizeof g_out);
  const auto sym = [&](const char* suffix) {
    const std::string name = std::string(M::full_name) + suffix;
    void* p = dlsym(lib, name.c_str());
    if (p == nullptr) die("no exported " + name);
    return p;
  };
  Message m{reinterpret_cast<PackFn>(sym("__pack")),
            reinterpret_cast<UnpackFn>(sym("__unpack")),
            reinterpret_cast<FreeFn>(sym("_free__unpacked")),
            reinterpret_cast<SendFn>(sym("__sendsingle")),
            {}};
  for (int k = 0; k < kKindCount; ++k) {
    T* v = new T;
    std::memset(static_cast<void*>(v), 0, sizeof *v);
    kav::visit_slots(*v, Fill{{rng, arena, 2, kPresence[k] != 100, kPresence[k]}});
    u32 len = sizeof g_buf;
    if (m.pack(v, g_buf, &len) != 0) die(std::string("cannot pack ") + M::full_name);
    CountScalars counted;
    kav::visit_slots(static_cast<const T&>(*v), counted);
    m.value[k] = {v, std::vector<uint8_t>(g_buf, g_buf + len), counted.scalars, counted.present};
    // The loops below must do full work: unpack and re-pack give the same bytes, the send succeeds.
    m.unpack(g_buf, len, g_out);
    u32 again = sizeof g_buf;
    if (m.pack(g_out, g_buf, &again) != 0 || m.value[k].wire != std::vector<uint8_t>(g_buf, g_buf + again))
      die(std::string("round trip changes ") + M::full_name);
    m.free(g_out);
    if (m.send(1, v, 0, 0) != 0) die(std::string("cannot send ") + M::full_name);
  }
  g_messages.push_back(std::move(m));
}

void prepare() {
  void* lib = dlopen("libkav.so.1", RTLD_NOW | RTLD_NOLOAD);
  if (lib == nullptr) die("libkav.so.1 is not loaded");
  std::mt19937_64 rng(12);
  static kav::test::Arena arena;  // the items of the lists
  const auto each = [&]<class M>() { add<M>(lib, rng, arena); };
  kav::catalogue::for_each_message(kav::catalogue::kav_messages{}, each);
  kav::catalogue::for_each_message(kav::catalogue::kav_sync_messages{}, each);
}

void codec(const Message& m, int k) {
  const Message::Value& v = m.value[k];
  m.unpack(v.wire.data(), static_cast<u32>(v.wire.size()), g_out);
  u32 len = sizeof g_buf;
  m.pack(g_out, g_buf, &len);
  m.free(g_out);
}
void send(const Message& m, int k) { m.send(1, m.value[k].obj, 0, 0); }
void copy(const Message& m, int k) { std::memcpy(g_buf, m.value[k].wire.data(), m.value[k].wire.size()); }

template <auto Op>
[[gnu::noinline]] void round_robin(int k, long rounds) {
  for (long r = 0; r < rounds; ++r)
    for (const Message& m : g_messages) Op(m, k);
  benchmark::ClobberMemory();
}
template <auto Op>
[[gnu::noinline]] void hot_loops(int k, long reps) {
  for (const Message& m : g_messages)
    for (long r = 0; r < reps; ++r) Op(m, k);
  benchmark::ClobberMemory();
}

// One iteration: kHot rounds of every message, the same calls in hot loops, the memcpy floor.
template <auto Op>
void mixed(benchmark::State& st, int k) {
  using clock = std::chrono::steady_clock;
  clock::duration rr{}, hot{}, floor{};
  for (auto _ : st) {
    const auto a = clock::now();
    round_robin<Op>(k, kHot);
    const auto b = clock::now();
    hot_loops<Op>(k, kHot);
    const auto c = clock::now();
    round_robin<copy>(k, kHot);
    const auto d = clock::now();
    rr += b - a, hot += c - b, floor += d - c;
    st.SetIterationTime(std::chrono::duration<double>(b - a).count());
  }
  const double calls = static_cast<double>(st.iterations()) * kHot * static_cast<double>(g_messages.size());
  const auto ns = [&](clock::duration t) { return std::chrono::duration<double, std::nano>(t).count() / calls; };
  st.counters["rr_ns"] = ns(rr);
  st.counters["hot_ns"] = ns(hot);
  st.counters["memcpy_ns"] = ns(floor);
  st.counters["rr_x_hot"] = ns(rr) / ns(hot);
}

// Shows the median and coefficient of variation of each benchmark, then the ratios against the limit.
class Summary : public benchmark::ConsoleReporter {
 public:
  Summary() : ConsoleReporter(OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    std::vector<Run> shown;
    for (const Run& r : runs) {
      if (r.run_type != Run::RT_Aggregate || (r.aggregate_name != "median" && r.aggregate_name != "cv")) continue;
      shown.push_back(r);
      if (r.aggregate_name != "median") continue;
      const auto c = [&](const char* name) { return r.counters.at(name).value; };
      char row[160];
      std::snprintf(row, sizeof row, "%-22s %10.1f %10.1f %10.1f %10.2f %6.2f  %s", r.run_name.function_name.c_str(),
                    c("rr_ns"), c("hot_ns"), c("memcpy_ns"), c("rr_x_hot"), kLimit,
                    c("rr_x_hot") <= kLimit ? "pass" : "FAIL");
      rows_.emplace_back(row);
    }
    ConsoleReporter::ReportRuns(shown);
  }
  void Print() const {
    std::printf("\n%-22s %10s %10s %10s %10s %6s  %s\n", "per message (median)", "rr ns", "hot ns", "memcpy ns",
                "rr / hot", "limit", "result");
    for (const std::string& row : rows_) std::printf("%s\n", row.c_str());
  }

 private:
  std::vector<std::string> rows_;
};

}  // namespace

int main(int argc, char** argv) {
  prepare();
  if (argc == 4 && std::strcmp(argv[1], "--count") == 0) {
    int k = kKindCount - 1;
    while (k >= 0 && std::to_string(kPresence[k]) != argv[2]) --k;
    if (k < 0) die(std::string("unknown presence ") + argv[2] + " (100, 67, 33 or 10)");
    round_robin<codec>(k, std::atol(argv[3]));
    u32 scalars = 0, present = 0;
    for (const Message& m : g_messages) scalars += m.value[k].scalars, present += m.value[k].present;
    std::printf("%zu %u %u\n", g_messages.size(), scalars, present);
    return 0;
  }
  using Variant = std::pair<const char*, void (*)(benchmark::State&, int)>;
  for (int k = 0; k < kKindCount; ++k) {
    for (const auto& [name, fn] : {Variant{"codec/", mixed<codec>}, Variant{"sendsingle/", mixed<send>}}) {
      benchmark::RegisterBenchmark((name + std::string("p") + std::to_string(kPresence[k])).c_str(), fn, k)
          ->UseManualTime()
          ->MinTime(0.5)
          ->Repetitions(5)
          ->ReportAggregatesOnly(true);
    }
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Summary summary;
  benchmark::RunSpecifiedBenchmarks(&summary);
  summary.Print();
  benchmark::Shutdown();
  return 0;
}
