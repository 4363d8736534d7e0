// The main job end to end: initialise both packages over the loopback messaging library, send
// every message type singly, as a batch and to a target, receive each through the registered
// hooks and check it arrived intact.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "messages/descriptors.hpp"
#include "tests/support/structures.hpp"
#include "varelmesh_control.h"

namespace {

// What the receiver expects next: the compact encodings of the structures in flight, in order.
struct Expectation {
  std::vector<std::vector<uint8_t>> encodings;
  std::size_t next = 0;
  unsigned intact = 0;
  unsigned broken = 0;
  uint32_t (*repack)(const void* msg, uint8_t* buf, uint32_t* len) = nullptr;
};

// Re-encodes what arrived; equal compact encodings mean equal field values.
void on_receive(uint32_t, const void* unpacked, uint32_t, void* ctx) {
  auto& e = *static_cast<Expectation*>(ctx);
  std::vector<uint8_t> got(1 << 16);
  auto len = static_cast<uint32_t>(got.size());
  const bool ok = e.next < e.encodings.size() && e.repack(unpacked, got.data(), &len) == 0 && got.size() >= len &&
                  e.encodings[e.next] == std::vector<uint8_t>(got.begin(), got.begin() + len);
  ++(ok ? e.intact : e.broken);
  ++e.next;
}

// The message's __pack behind the receiver's untyped pointer.
template <class M>
uint32_t repack(const void* msg, uint8_t* buf, uint32_t* len) {
  return M::pack_fn(static_cast<const typename M::type*>(msg), buf, len);
}

template <class M>
std::vector<uint8_t> compact(const typename M::type& msg) {
  std::vector<uint8_t> buf(1 << 16);
  auto len = static_cast<uint32_t>(buf.size());
  if (M::pack_fn(&msg, buf.data(), &len) != 0) return {};
  buf.resize(len);
  return buf;
}

struct Totals {
  unsigned messages = 0;
  unsigned sends = 0;
  unsigned failed = 0;
};

template <class M>
void demo_message(std::mt19937_64& rng, Totals& totals) {
  using T = typename M::type;
  kav::test::Arena arena;
  std::vector<T> batch;
  for (int i = 0; i < 3; ++i) batch.push_back(kav::test::random_structure<T>(rng, arena, 3));

  Expectation e;
  e.repack = repack<M>;
  vmesh_set_receiver(on_receive, &e);
  const uint32_t first_call = vmesh_send_count();

  // Singly, as a batch of three, and to a target.
  e.encodings = {compact<M>(batch[0])};
  const uint32_t single = M::sendsingle_fn(1, &batch[0], 0, 0);
  for (const T& m : batch) e.encodings.push_back(compact<M>(m));
  const uint32_t many = M::sendmsg_fn(1, batch.data(), 3);
  e.encodings.push_back(compact<M>(batch[1]));
  const uint32_t targeted = M::sendtomsg_fn(1, &batch[1], 1, 0x2A);

  VmeshSentEntry entry{};
  vmesh_sent_entry(first_call, 0, &entry);
  const bool ok = single == 0 && many == 0 && targeted == 0 && e.intact == 5 && e.broken == 0;
  std::printf("%-34s 0x%08" PRIX32 "  %-12s %5u   %s\n", M::full_name, M::id, kav::has_vector<T> ? "compact" : "fixed",
              entry.length, ok ? "yes" : "NO");
  totals.messages += 1;
  totals.sends += 3;
  totals.failed += ok ? 0 : 1;
}

}  // namespace

int main() {
  vmesh_reset();
  const uint32_t init = kav_recv_init() | kav_sync_recv_init() | kav_send_init() | kav_sync_send_init();
  std::printf("initialised both packages over the loopback (result %u, %u hooks registered)\n\n", init,
              vmesh_registered_id_count());
  std::printf("%-34s %-10s  %-12s %5s   %s\n", "message", "id", "encoder", "bytes", "round trip equal");
  std::mt19937_64 rng(20261205);
  Totals totals;
  auto each = [&]<class M>() { demo_message<M>(rng, totals); };
  kav::catalogue::for_each_message(kav::catalogue::kav_messages{}, each);
  kav::catalogue::for_each_message(kav::catalogue::kav_sync_messages{}, each);
  std::printf("\n%u messages, %u sends (single, batch of 3, to a target): %s\n", totals.messages, totals.sends,
              totals.failed == 0 ? "every message arrived intact" : "SOME MESSAGES DID NOT ARRIVE INTACT");
  return totals.failed == 0 && init == 0 ? 0 : 1;
}
