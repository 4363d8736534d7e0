// The library's exported functions, called through its C interface, each beside a memcpy of the
// bytes it produces or consumes. The messaging library is the no-op stand-in.
#include <array>
#include <string>
#include <type_traits>
#include <vector>

#include "paired.hpp"
#include "samples.hpp"

namespace {

std::array<uint8_t, 1 << 16> g_out;  // pack output; large enough for every case below

// Pack of *msg and unpack of its compact encoding; a wrapper's unpack is followed by its free.
template <class T, auto Pack, auto Unpack, auto Free>
void add_codec(const std::string& name, const T* msg, double pack_limit, double unpack_limit) {
  uint32_t len = g_out.size();
  Pack(msg, g_out.data(), &len);
  const auto* wire = new std::vector<uint8_t>(g_out.begin(), g_out.begin() + len);  // lives to exit
  bench::add("pack/" + name, len, pack_limit, [msg] {
    uint32_t n = g_out.size();
    Pack(msg, g_out.data(), &n);
  });
  constexpr bool owns = !std::is_null_pointer_v<decltype(Free)>;
  bench::add((owns ? "unpack+free/" : "unpack/") + name, len, unpack_limit, [wire] {
    T out;
    Unpack(wire->data(), static_cast<uint32_t>(wire->size()), &out);
    benchmark::DoNotOptimize(out);
    if constexpr (owns) Free(&out);
  });
}

#define CODEC(msg, v, free, pack_limit, unpack_limit) \
  add_codec<msg, msg##__pack, msg##__unpack, free>(#msg, v, pack_limit, unpack_limit)

}  // namespace

int main(int argc, char** argv) {
  static const kav_pid_state pid = bench::pid_state();
  static const kav_pid_state_chg chg = bench::pid_state_chg();
  CODEC(kav_pid_state, &pid, nullptr, 2.5, 3.5);
  CODEC(kav_pid_state_chg, &chg, nullptr, 0, 0);
  for (uint32_t n : {1u, 16u, 256u}) {
    const auto* u = new bench::ResetstatUpdate(n);  // lives to exit
    add_codec<kav_resetstat_update, kav_resetstat_update__pack, kav_resetstat_update__unpack,
              kav_resetstat_update_free__unpacked>("kav_resetstat_update/" + std::to_string(n), &u->msg, 0, 0);
  }
  static const kav_recordcfg rec = bench::filled<kav_recordcfg>();
  static const kav_templateflow tf = bench::filled<kav_templateflow>();
  static const kav_ot_cachelocalmsg clm = bench::filled<kav_ot_cachelocalmsg>();
  CODEC(kav_recordcfg, &rec, nullptr, 0, 0);
  CODEC(kav_templateflow, &tf, nullptr, 0, 0);
  CODEC(kav_ot_cachelocalmsg, &clm, nullptr, 0, 0);

  // Sends into the no-op messaging library, beside a memcpy of the fixed lengths (32, 56, 64 x 32).
  bench::add("sendsingle/kav_pid_state", 32, 0, [] { kav_pid_state__sendsingle(1, &pid, 0, 0); });
  bench::add("sendsingle/kav_pid_state_chg", 56, 0, [] { kav_pid_state_chg__sendsingle(1, &chg, 0, 0); });
  static std::array<kav_pid_state, 64> batch;
  batch.fill(pid);
  bench::add("sendbatch/kav_pid_state/64", 64 * 32, 0, [] { kav_pid_state__sendbatch(1, batch.data(), 64, 0); });
  return bench::run(argc, argv);
}
