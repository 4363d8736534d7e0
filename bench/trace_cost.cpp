// What a send costs over the loopback messaging library with delivery off, beside a memcpy of the
// bytes it hands over, measured in alternating batches. tools/trace_cost.sh runs it with and
// without libkav_trace.so preloaded; the difference is what capturing adds to a send.
#include <benchmark/benchmark.h>

#include <string>

#include "kav.h"
#include "paired.hpp"
#include "varelmesh_control.h"

namespace {

void fresh_loopback() {
  vmesh_reset();  // the loopback keeps every call it sees; forgetting them is never timed
  vmesh_set_loopback(0);
}

// The length of the one entry a call of `send` hands the messaging library.
template <class Send>
std::size_t sent_length(const Send& send) {
  fresh_loopback();
  send();
  VmeshSentEntry e{};
  vmesh_sent_entry(0, 0, &e);
  return e.length;
}

template <class Send>
void add(const std::string& name, Send send) {
  const std::size_t bytes = sent_length(send);
  benchmark::RegisterBenchmark(name.c_str(),
                               [=](benchmark::State& st) { bench::paired(st, send, bytes, 0, fresh_loopback); })
      ->UseManualTime()
      ->Iterations(50)  // 12,800 sends a repetition
      ->Repetitions(5)
      ->ReportAggregatesOnly(true);
}

}  // namespace

int main(int argc, char** argv) {
  static const kav_pid_state pid{7, 0x12345678u, 0xFFFFFFFFu};
  static kav_host hosts[4];
  for (uint32_t i = 0; i < 4; ++i)
    hosts[i] = kav_host{i + 1, 0x0A000001u + i, 24, 80, 443, 1, 2, {9, 9}, 1, 0, 1, 0, 60, {2}};
  static const kav_host_update update{1, 4, hosts};
  add("send/kav_pid_state", [] { kav_pid_state__sendsingle(1, &pid, 0, 0); });
  add("send/kav_host_update/4", [] { kav_host_update__sendsingle(1, &update, 0, 0); });
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
