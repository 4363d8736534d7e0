// The program the capture tests run under the capture library. It sends and receives over the
// loopback messaging library and prints its own ledger: every entry the loopback recorded, with
// the result its call returned ("send ..."), every buffer its unpack hooks were handed ("recv ..."),
// and what the calls returned.
// Usage: trace_subject threads|kill|hooks|pool
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "kav.h"
#include "kav_sync.h"
#include "varelmesh_control.h"

namespace {

constexpr uint32_t kPidState = 0x95130B44u;
constexpr uint32_t kHostUpdate = 0x6668DE3Du;

std::mutex g_mu;
std::vector<std::string> g_received;
std::vector<uint32_t> g_results;  // of each send call, in order, where not 0

uint32_t sent(uint32_t result) {
  g_results.push_back(result);
  return result;
}

std::string hex(const uint8_t* p, uint32_t n) {
  if (p == nullptr) return "-";
  std::string s;
  char b[3];
  for (uint32_t i = 0; i < n; ++i) s.append(b, static_cast<std::size_t>(std::snprintf(b, sizeof b, "%02x", p[i])));
  return s;
}

// An unpack hook that notes what it is handed, then unpacks as the library's own would.
template <uint32_t Id, class T, uint32_t (*Unpack)(const uint8_t*, uint32_t, T*)>
uint32_t noting_hook(const uint8_t* buf, uint32_t len, void* out) {
  std::string line = "recv " + std::to_string(Id) + " " + std::to_string(len) + " " + hex(buf, len);
  {
    std::lock_guard<std::mutex> lock(g_mu);
    g_received.push_back(std::move(line));
  }
  return Unpack(buf, len, static_cast<T*>(out));
}

template <class T, void (*Free)(T*)>
void free_hook(void* out) {
  Free(static_cast<T*>(out));
}

void register_noting_hooks() {
  MESH_RegIDLFuncHook(kPidState, noting_hook<kPidState, kav_pid_state, kav_pid_state__unpack>, nullptr);
  MESH_RegIDLFuncHook(kHostUpdate, noting_hook<kHostUpdate, kav_host_update, kav_host_update__unpack>,
                      free_hook<kav_host_update, kav_host_update_free__unpacked>);
}

void print_ledger() {
  for (uint32_t i = 0; i < vmesh_send_count(); ++i) {
    VmeshSendCall call{};
    vmesh_send_call(i, &call);
    VmeshSentEntry e{};
    for (uint32_t j = 0; vmesh_sent_entry(i, j, &e) != 0; ++j) {
      std::printf("send %u %u %" PRIu64 " %u %u %u %u %u %s\n", call.function, call.dest, call.to, call.count, j,
                  e.msgId, e.length, i < g_results.size() ? g_results[i] : 0,
                  e.data == nullptr    ? "-"
                  : e.bytes == nullptr ? ""
                                       : hex(e.bytes, e.length).c_str());
    }
  }
  for (const std::string& line : g_received) std::printf("%s\n", line.c_str());
}

// 16 threads each send singles, batches and targeted messages of a fixed and a list message.
int threads() {
  register_noting_hooks();
  std::vector<std::thread> pool;
  for (uint32_t t = 0; t < 16; ++t) {
    pool.emplace_back([t] {
      for (uint32_t i = 0; i < 100; ++i) {
        const kav_pid_state one{t, i, 0xA5A5A5A5u};
        const kav_pid_state three[3] = {{t, i, 1}, {t, i, 2}, {0, 0, 0}};
        kav_host hosts[3] = {};
        for (uint32_t h = 0; h < 3; ++h) hosts[h] = kav_host{t, i, h, 1, 2, 3, 4, {5}, 6, 7, 8, 9, 10, {11}};
        const kav_host_update updates[2] = {{t, 1 + i % 3, hosts}, {i, 0, nullptr}};
        kav_pid_state__sendsingle(t, &one, 0, 0);
        kav_pid_state__sendmsg(t, three, 3);
        kav_pid_state__sendtomsg(t, three, 2, (uint64_t{t} << 32) | (i + 1));
        kav_host_update__sendmsg(t, updates, 2);
        kav_host_update__sendsingle(t, updates, 0, 0x1000 + i);
      }
    });
  }
  for (auto& th : pool) th.join();
  print_ledger();
  return 0;
}

// Sends until killed, saying how many sends have returned.
int until_killed() {
  register_noting_hooks();
  for (uint32_t i = 0; i < 10000000; ++i) {
    const kav_pid_state p{i, 0, 0};
    kav_pid_state__sendsingle(i, &p, 0, 0);
    if (i % 500 == 0) {
      std::printf("sent %u\n", i + 1);
      std::fflush(stdout);
    }
  }
  return 1;
}

uint32_t other_hook(const uint8_t* buf, uint32_t len, void*) {
  std::printf("other hook: %u bytes\n", len);
  g_received.push_back("recv " + std::to_string(kPidState) + " " + std::to_string(len) + " " + hex(buf, len));
  return 77;
}
void other_release(void*) {}

void on_receive(uint32_t id, const void*, uint32_t size, void*) { std::printf("received 0x%08x: %u\n", id, size); }

// Registrations refused and accepted, scripted results, targets, null and oversized entries.
int hooks() {
  vmesh_set_receiver(on_receive, nullptr);
  const uint32_t init = kav_recv_init();
  std::printf("init: %u, %u ids\n", init, vmesh_registered_id_count());
  register_noting_hooks();
  vmesh_script_refuse_registration(1, 7);
  std::printf("refused: %u\n", MESH_RegIDLFuncHook(kPidState, other_hook, other_release));
  const kav_pid_state p{1, 2, 3};
  std::printf("send: %u\n", sent(kav_pid_state__sendsingle(1, &p, 0, 0)));
  std::printf("accepted: %u\n", MESH_RegIDLFuncHook(kPidState, other_hook, other_release));
  VmeshRegistration reg{};
  const int found = vmesh_lookup(kPidState, &reg);
  std::printf("lookup: %d, release kept: %d\n", found, reg.release == other_release);
  vmesh_script_send_result(0x55);
  std::printf("send: 0x%x\n", sent(kav_pid_state__sendtomsg(2, &p, 1, 0xFEEDFACECAFEull)));
  std::printf("removed: %u\n", MESH_RegIDLFuncHook(kPidState, nullptr, nullptr));
  std::printf("send: 0x%x\n", sent(kav_pid_state__sendsingle(3, &p, 0, 0)));
  kav_host host{};
  const kav_host_update u{9, 1, &host};
  std::printf("sync send: 0x%x\n", sent(kav_sync_host_update__sendsingle(4, &host, 0, 0)));
  std::printf("send: 0x%x\n", sent(kav_host_update__sendsingle(4, &u, 0, 0)));

  std::vector<uint8_t> big(300000);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7);
  MeshMsgBuf raw[3] = {
      {big.data(), kPidState, static_cast<uint32_t>(big.size())}, {nullptr, kHostUpdate, 12}, {big.data(), 0x1234, 0}};
  vmesh_script_send_result(0);
  std::printf("raw: %u\n", sent(MESH_SendMsg(5, raw, 3)));
  std::printf("none: %u\n", sent(MESH_SendMsg(6, raw, 0)));
  vmesh_script_clean_result(9);
  const uint32_t clean = kav_send_init();
  std::printf("clean hook: %u, %u registered\n", clean, vmesh_clean_registration_count());
  std::printf("deliveries: %u\n", vmesh_delivery_count());
  print_ledger();
  return 3;
}

uint32_t any_hook(const uint8_t*, uint32_t len, void*) { return len + 1; }

// More ids than the capture library keeps hooks for.
int pool() {
  vmesh_set_receiver(on_receive, nullptr);
  std::printf("init: %u\n", kav_recv_init());
  uint32_t refused = 0;
  for (uint32_t id = 1; id <= 1100; ++id) refused += MESH_RegIDLFuncHook(id, any_hook, nullptr) != 0 ? 1u : 0u;
  VmeshRegistration last{};
  vmesh_lookup(1100, &last);
  std::printf("refused: %u, %u ids, last hook kept: %d\n", refused, vmesh_registered_id_count(),
              last.unpack == any_hook);
  uint8_t data[4] = {1, 2, 3, 4};
  MeshMsgBuf two[2] = {{data, 1, 4}, {data, 1100, 3}};
  std::printf("send: %u\n", MESH_SendMsg(0, two, 2));
  print_ledger();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  vmesh_reset();
  const std::string scenario = argc > 1 ? argv[1] : "";
  if (scenario == "threads") return threads();
  if (scenario == "kill") return until_killed();
  if (scenario == "hooks") return hooks();
  if (scenario == "pool") return pool();
  std::fprintf(stderr, "usage: trace_subject threads|kill|hooks|pool\n");
  return 2;
}
