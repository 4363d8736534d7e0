// Each benchmark times one library operation and a libc memcpy of the same number of bytes in
// alternating batches, so both see the same machine state, and reports their ratio ("x_memcpy").
// Runs are repeated; a summary of the median ratios against their limits closes the output.
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace bench {

inline constexpr int kBatch = 256;

// What runs before each batch pair, untimed (nothing, unless a benchmark says otherwise).
struct Untimed {
  void operator()() const {}
};

template <class Op, class Before = Untimed>
void paired(benchmark::State& st, const Op& op, std::size_t bytes, double limit, const Before& before = {}) {
  static unsigned char src[1 << 16], dst[1 << 16];
  std::size_t n = bytes;
  benchmark::DoNotOptimize(n);  // an opaque size: a real memcpy call, as the library's are calls
  using clock = std::chrono::steady_clock;
  clock::duration t_op{}, t_copy{};
  for (auto _ : st) {
    before();
    const auto a = clock::now();
    for (int i = 0; i < kBatch; ++i) {
      op();
      benchmark::ClobberMemory();
    }
    const auto b = clock::now();
    for (int i = 0; i < kBatch; ++i) {
      std::memcpy(dst, src, n);
      benchmark::ClobberMemory();
    }
    const auto c = clock::now();
    t_op += b - a;
    t_copy += c - b;
    st.SetIterationTime(std::chrono::duration<double>(b - a).count());
  }
  const double calls = static_cast<double>(st.iterations()) * kBatch;
  const auto ns = [](clock::duration d) { return std::chrono::duration<double, std::nano>(d).count(); };
  st.SetItemsProcessed(st.iterations() * kBatch);
  st.counters["bytes"] = static_cast<double>(bytes);
  st.counters["op_ns"] = ns(t_op) / calls;
  st.counters["memcpy_ns"] = ns(t_copy) / calls;
  st.counters["x_memcpy"] = ns(t_op) / ns(t_copy);
  if (limit > 0) st.counters["limit"] = limit;
}

// Registers `name`: op against a memcpy of `bytes`; limit 0 means no target for the ratio.
template <class Op>
void add(const std::string& name, std::size_t bytes, double limit, Op op) {
  benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State& st) { paired(st, op, bytes, limit); })
      ->UseManualTime()
      ->MinTime(0.2)
      ->Repetitions(5)
      ->ReportAggregatesOnly(true);
}

// Shows the median and the coefficient of variation of each benchmark, then the summary.
class Summary : public benchmark::ConsoleReporter {
 public:
  Summary() : ConsoleReporter(OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    std::vector<Run> shown;
    for (const Run& r : runs) {
      const bool aggregate = r.run_type == Run::RT_Aggregate;
      if (aggregate && (r.aggregate_name == "median" || r.aggregate_name == "cv")) shown.push_back(r);
    }
    ConsoleReporter::ReportRuns(shown);
    for (const Run& r : runs) {
      if (r.run_type != Run::RT_Aggregate || r.aggregate_name != "median") continue;
      const auto ratio = r.counters.find("x_memcpy");
      const auto limit = r.counters.find("limit");
      if (ratio == r.counters.end()) continue;
      rows_.push_back(
          {r.run_name.function_name, ratio->second.value, limit == r.counters.end() ? 0.0 : limit->second.value});
    }
  }
  void Print() const {
    std::printf("\n%-44s %12s %8s  %s\n", "operation (median of 5)", "x memcpy", "limit", "result");
    for (const Row& row : rows_) {
      if (row.limit > 0) {
        std::printf("%-44s %12.2f %8.2f  %s\n", row.name.c_str(), row.ratio, row.limit,
                    row.ratio <= row.limit ? "pass" : "FAIL");
      } else {
        std::printf("%-44s %12.2f %8s  %s\n", row.name.c_str(), row.ratio, "-", "-");
      }
    }
  }

 private:
  struct Row {
    std::string name;
    double ratio;
    double limit;
  };
  std::vector<Row> rows_;
};

// Runs the registered benchmarks and prints the summary; always exits 0 (timings are advisory).
inline int run(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Summary summary;
  benchmark::RunSpecifiedBenchmarks(&summary);
  summary.Print();
  benchmark::Shutdown();
  return 0;
}

}  // namespace bench
