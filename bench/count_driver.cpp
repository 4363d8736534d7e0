// Runs one named operation of the library N times, for tools/callgrind_counts.sh, which counts
// the instructions of `function` (inclusive, minus the `excluded` callees) under callgrind.
//   kav_count --list         one line per operation: name|function|excluded|per|target
//   kav_count --allocs       allocations per operation: name|measured|target
//   kav_count <name> <N>     runs the operation N times
// Built twice: against libkav.so (the exported functions) and, with KAV_COUNT_FIXED, against the
// static library (the fixed send encoder, which has no export of its own).
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "samples.hpp"

#if KAV_COUNT_FIXED
#include "codec/fixed.hpp"
#include "messages/descriptors.hpp"
#endif

namespace {
unsigned long g_allocs = 0;
}

// The host's allocation services, exported so that the library binds them: they count.
extern "C" {
void* RVX_OsalMemAlloc(uint32_t size, uint32_t, const char*) {
  ++g_allocs;
  return std::malloc(size);
}
void* RVX_OsalMemCacheAlloc(uint32_t size, uint32_t, const char*) {
  ++g_allocs;
  return std::malloc(size);
}
void RVX_OsalMemFree(void* ptr, uint32_t, const char*) { std::free(ptr); }
uint32_t RVX_OsalMemUseFlagGet(uint32_t) { return 1; }
}

namespace {

alignas(8) uint8_t g_buf[1 << 16];
const kav_pid_state g_pid = bench::pid_state();
const kav_recordcfg g_rec = bench::filled<kav_recordcfg>();
const kav_templateflow g_tf = bench::filled<kav_templateflow>();
const kav_ot_cachelocalmsg g_clm = bench::filled<kav_ot_cachelocalmsg>();

struct Op {
  const char* name;
  const char* function;  // counted inclusively
  const char* excluded;  // callees left out, space-separated
  unsigned per;          // operations per run: the count is divided by it
  int target;            // instructions allowed per operation (the per-message engine's count + 15 %, or less); 0: none
  int allocs;            // allocations expected per run; -1: not checked
  void (*run)();
};

#if !KAV_COUNT_FIXED
const bench::ResetstatUpdate g_reset(256);
const bench::HostUpdate g_hosts(100);
kav_pid_state g_batch[64];
// compact encodings: pid_state, resetstat_update, recordcfg, templateflow, cachelocalmsg, host_update
uint8_t g_wire[6][1 << 15];
uint32_t g_wire_len[6];

template <class T, auto Pack>
void pack(const T* msg) {
  uint32_t len = sizeof g_buf;
  Pack(msg, g_buf, &len);
}
template <class T, auto Unpack>
void unpack(int k) {
  T out;
  Unpack(g_wire[k], g_wire_len[k], &out);
}

const Op kOps[] = {
    {"kav_pid_state pack", "kav_pid_state__pack", "", 1, 60, -1,
     [] { pack<kav_pid_state, kav_pid_state__pack>(&g_pid); }},
    {"kav_pid_state unpack", "kav_pid_state__unpack", "", 1, 79, -1,
     [] { unpack<kav_pid_state, kav_pid_state__unpack>(0); }},
    {"kav_resetstat_update(256) pack, per item", "kav_resetstat_update__pack", "", 256, 45, 0,
     [] { pack<kav_resetstat_update, kav_resetstat_update__pack>(&g_reset.msg); }},
    {"kav_resetstat_update(256) unpack, per item", "kav_resetstat_update__unpack", "", 256, 60, 1,
     [] {
       kav_resetstat_update out;
       kav_resetstat_update__unpack(g_wire[1], g_wire_len[1], &out);
       kav_resetstat_update_free__unpacked(&out);
     }},
    {"kav_host_update(100) pack, per host", "kav_host_update__pack", "", 100, 60, 0,
     [] { pack<kav_host_update, kav_host_update__pack>(&g_hosts.msg); }},
    {"kav_host_update(100) unpack, per host", "kav_host_update__unpack", "", 100, 80, 1,
     [] {
       kav_host_update out;
       kav_host_update__unpack(g_wire[5], g_wire_len[5], &out);
       kav_host_update_free__unpacked(&out);
     }},
    {"kav_pid_state sendsingle, beyond the library call", "kav_pid_state__sendsingle", "MESH_SendMsg", 1, 42, 0,
     [] { kav_pid_state__sendsingle(1, &g_pid, 0, 0); }},
    {"kav_pid_state sendbatch(64), per message", "kav_pid_state__sendbatch",
     "MESH_SendMsg RVX_OsalMemAlloc RVX_OsalMemFree", 64, 21, 1, [] { kav_pid_state__sendbatch(1, g_batch, 64, 0); }},
    {"kav_recordcfg pack", "kav_recordcfg__pack", "", 1, 111, -1,
     [] { pack<kav_recordcfg, kav_recordcfg__pack>(&g_rec); }},
    {"kav_recordcfg unpack", "kav_recordcfg__unpack", "", 1, 94, -1,
     [] { unpack<kav_recordcfg, kav_recordcfg__unpack>(2); }},
    {"kav_templateflow pack", "kav_templateflow__pack", "", 1, 118, -1,
     [] { pack<kav_templateflow, kav_templateflow__pack>(&g_tf); }},
    {"kav_templateflow unpack", "kav_templateflow__unpack", "", 1, 178, -1,
     [] { unpack<kav_templateflow, kav_templateflow__unpack>(3); }},
    {"kav_ot_cachelocalmsg pack", "kav_ot_cachelocalmsg__pack", "", 1, 179, -1,
     [] { pack<kav_ot_cachelocalmsg, kav_ot_cachelocalmsg__pack>(&g_clm); }},
    {"kav_ot_cachelocalmsg unpack", "kav_ot_cachelocalmsg__unpack", "", 1, 258, -1,
     [] { unpack<kav_ot_cachelocalmsg, kav_ot_cachelocalmsg__unpack>(4); }},
};

void prepare() {
  for (auto& m : g_batch) m = g_pid;
  const auto keep = [](int k, auto pack_fn, const auto* msg) {
    g_wire_len[k] = sizeof g_wire[k];
    if (pack_fn(msg, g_wire[k], &g_wire_len[k]) != 0) std::abort();
  };
  keep(0, kav_pid_state__pack, &g_pid);
  keep(1, kav_resetstat_update__pack, &g_reset.msg);
  keep(2, kav_recordcfg__pack, &g_rec);
  keep(3, kav_templateflow__pack, &g_tf);
  keep(4, kav_ot_cachelocalmsg__pack, &g_clm);
  keep(5, kav_host_update__pack, &g_hosts.msg);
}
#else
// The single-message send path's encoding step: binding check, then the fixed encoder.
#define FIXED(msg, obj)                                           \
  extern "C" [[gnu::noinline]] void fixed_##msg() {               \
    constexpr kav::Unit u = kav::catalogue::msg##_msg::send_unit; \
    kav::bind_cache(u);                                           \
    kav::detail::encode_fixed(g_buf, obj, kav::swap_flag(u));     \
    asm volatile("" ::: "memory");                                \
  }
FIXED(kav_pid_state, g_pid)
FIXED(kav_recordcfg, g_rec)
FIXED(kav_templateflow, g_tf)
FIXED(kav_ot_cachelocalmsg, g_clm)

const Op kOps[] = {
    {"kav_pid_state fixed encode", "fixed_kav_pid_state", "", 1, 19, -1, fixed_kav_pid_state},
    {"kav_recordcfg fixed encode", "fixed_kav_recordcfg", "", 1, 37, -1, fixed_kav_recordcfg},
    {"kav_templateflow fixed encode", "fixed_kav_templateflow", "", 1, 54, -1, fixed_kav_templateflow},
    {"kav_ot_cachelocalmsg fixed encode", "fixed_kav_ot_cachelocalmsg", "", 1, 60, -1, fixed_kav_ot_cachelocalmsg},
};
void prepare() {}
#endif

}  // namespace

int main(int argc, char** argv) {
  prepare();
  if (argc == 2 && std::strcmp(argv[1], "--list") == 0) {
    for (const Op& op : kOps) std::printf("%s|%s|%s|%u|%d\n", op.name, op.function, op.excluded, op.per, op.target);
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--allocs") == 0) {
    constexpr unsigned kRuns = 100;
    for (const Op& op : kOps) {
      if (op.allocs < 0) continue;
      op.run();  // the first call binds the host's services
      g_allocs = 0;
      for (unsigned i = 0; i < kRuns; ++i) op.run();
      std::printf("%.*s|%.2f|%d\n", static_cast<int>(std::strcspn(op.name, ",")), op.name,
                  static_cast<double>(g_allocs) / kRuns, op.allocs);
    }
    return 0;
  }
  if (argc == 3) {
    for (const Op& op : kOps) {
      if (std::strcmp(op.name, argv[1]) != 0) continue;
      for (long i = std::atol(argv[2]); i > 0; --i) op.run();
      return 0;
    }
  }
  std::fprintf(stderr, "usage: %s --list | --allocs | <operation> <N>\n", argv[0]);
  return 2;
}
