// The fixed send encoder, reached inside the static library as the single-message send path
// uses it (binding check, then the encoding), beside a memcpy of the fixed length.
#include <string>

#include "codec/fixed.hpp"
#include "messages/descriptors.hpp"
#include "paired.hpp"
#include "samples.hpp"

namespace {

template <class M>
[[gnu::noinline]] void encode(uint8_t* buf, const typename M::type* msg) {
  kav::bind_cache(M::send_unit);
  kav::detail::encode_fixed(buf, *msg, kav::swap_flag(M::send_unit));
}

template <class M>
void add_fixed(const char* name, const typename M::type* msg, double limit) {
  alignas(8) static uint8_t area[1024];
  bench::add(std::string("fixed/") + name, kav::fixed_length<typename M::type>, limit, [msg] { encode<M>(area, msg); });
}

}  // namespace

int main(int argc, char** argv) {
  using namespace kav::catalogue;
  static const kav_pid_state pid = bench::pid_state();
  static const kav_pid_state_chg chg = bench::pid_state_chg();
  static const kav_recordcfg rec = bench::filled<kav_recordcfg>();
  static const kav_templateflow tf = bench::filled<kav_templateflow>();
  static const kav_ot_cachelocalmsg clm = bench::filled<kav_ot_cachelocalmsg>();
  add_fixed<kav_pid_state_msg>("kav_pid_state", &pid, 1.5);
  add_fixed<kav_pid_state_chg_msg>("kav_pid_state_chg", &chg, 0);
  add_fixed<kav_recordcfg_msg>("kav_recordcfg", &rec, 2.0);
  add_fixed<kav_templateflow_msg>("kav_templateflow", &tf, 2.0);
  add_fixed<kav_ot_cachelocalmsg_msg>("kav_ot_cachelocalmsg", &clm, 2.0);
  return bench::run(argc, argv);
}
