// Loopback messaging library: records every call made into it and, when
// loopback is on, hands each sent entry straight back through the hooks
// registered for its message identifier.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#pragma GCC visibility push(default)
#include "varelmesh.h"
#include "varelmesh_control.h"
#pragma GCC visibility pop

static_assert(sizeof(void*) != 8 || sizeof(MeshMsgBuf) == 16, "MeshMsgBuf must be 16 bytes");

namespace {

constexpr std::size_t kScratchBytes = 1024;

struct EntryRecord {
  uint32_t msgId = 0;
  uint32_t length = 0;
  const uint8_t* data = nullptr;
  std::vector<uint8_t> bytes;
};

struct SendRecord {
  VmeshSendCall call{};
  std::vector<EntryRecord> entries;
};

struct Hooks {
  MeshUnpackHook unpack = nullptr;
  MeshFreeHook release = nullptr;
};

struct CleanRecord {
  MeshCleanHook hook = nullptr;
};

struct State {
  std::mutex mu;
  std::unordered_map<uint32_t, Hooks> table;
  std::vector<VmeshRegistration> registrations;
  std::vector<CleanRecord> cleans;
  // Records are held by pointer so the copies handed out stay put while
  // other threads keep appending.
  std::vector<std::unique_ptr<SendRecord>> sends;
  uint32_t deliveries = 0;
  bool loopback = true;
  VmeshReceiveFn receiver = nullptr;
  void* receiver_ctx = nullptr;
  uint32_t refuse_countdown = 0;  // 0: no refusal scripted
  uint32_t refuse_value = 0;
  uint32_t send_result = 0;
  uint32_t clean_result = 0;

  void clear() {
    table.clear();
    registrations.clear();
    cleans.clear();
    sends.clear();
    deliveries = 0;
    loopback = true;
    receiver = nullptr;
    receiver_ctx = nullptr;
    refuse_countdown = 0;
    refuse_value = 0;
    send_result = 0;
    clean_result = 0;
  }
};

// Never destroyed, so calls made while the process exits still find it.
State& state() {
  static State* s = new State;
  return *s;
}

std::unique_ptr<SendRecord> record_send(uint32_t function, uint32_t dest, const MeshMsgBuf* entries, uint32_t count,
                                        uint64_t to) {
  auto rec = std::make_unique<SendRecord>();
  rec->call = VmeshSendCall{function, dest, count, to, entries};
  if (entries != nullptr) {
    rec->entries.reserve(count);
    for (uint32_t j = 0; j < count; ++j) {
      EntryRecord e;
      e.msgId = entries[j].msgId;
      e.length = entries[j].length;
      e.data = entries[j].data;
      if (e.data != nullptr && e.length != 0) {
        e.bytes.assign(e.data, e.data + e.length);
      }
      rec->entries.push_back(std::move(e));
    }
  }
  return rec;
}

void deliver(const MeshMsgBuf& entry, const Hooks& hooks, VmeshReceiveFn receiver, void* ctx) {
  alignas(16) unsigned char out[kScratchBytes];
  std::memset(out, 0, sizeof out);
  const uint32_t size = hooks.unpack(entry.data, entry.length, out);
  if (receiver != nullptr) {
    receiver(entry.msgId, out, size, ctx);
  }
  if (hooks.release != nullptr) {
    hooks.release(out);
  }
}

uint32_t send_common(uint32_t function, uint32_t dest, MeshMsgBuf* entries, uint32_t count, uint64_t to) {
  State& s = state();
  auto rec = record_send(function, dest, entries, count, to);
  bool loopback = false;
  VmeshReceiveFn receiver = nullptr;
  void* ctx = nullptr;
  uint32_t result = 0;
  {
    std::lock_guard<std::mutex> lock(s.mu);
    s.sends.push_back(std::move(rec));
    loopback = s.loopback;
    receiver = s.receiver;
    ctx = s.receiver_ctx;
    result = s.send_result;
  }
  if (loopback && entries != nullptr) {
    for (uint32_t j = 0; j < count; ++j) {
      Hooks hooks;
      {
        std::lock_guard<std::mutex> lock(s.mu);
        auto it = s.table.find(entries[j].msgId);
        if (it == s.table.end() || it->second.unpack == nullptr) {
          continue;
        }
        hooks = it->second;
        ++s.deliveries;
      }
      // Hooks and receiver run without the lock so they may call back in.
      deliver(entries[j], hooks, receiver, ctx);
    }
  }
  return result;
}

}  // namespace

extern "C" {

uint32_t MESH_SendMsg(uint32_t dest, MeshMsgBuf* entries, uint32_t count) {
  return send_common(VMESH_SEND_MSG, dest, entries, count, 0);
}

uint32_t MESH_SendToMsg(uint32_t dest, MeshMsgBuf* entries, uint32_t count, uint64_t to) {
  return send_common(VMESH_SEND_TO_MSG, dest, entries, count, to);
}

uint32_t MESH_RegIDLFuncHook(uint32_t id, MeshUnpackHook unpack, MeshFreeHook release) {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mu);
  uint32_t result = 0;
  if (s.refuse_countdown != 0 && --s.refuse_countdown == 0) {
    result = s.refuse_value;
  }
  s.registrations.push_back(VmeshRegistration{id, unpack, release, result});
  if (result == 0) {
    s.table[id] = Hooks{unpack, release};
  }
  return result;
}

uint32_t MESH_RegIDLResorceCleanFuncHook(MeshCleanHook clean) {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mu);
  s.cleans.push_back(CleanRecord{clean});
  return s.clean_result;
}

void vmesh_reset(void) {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mu);
  s.clear();
}

void vmesh_set_loopback(int on) {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mu);
  s.loopback = on != 0;
}

void vmesh_set_receiver(VmeshReceiveFn fn, void* ctx) {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mu);
  s.receiver = fn;
  s.receiver_ctx = ctx;
}

void vmesh_script_refuse_registration(uint32_t k, uint32_t value) {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mu);
  s.refuse_countdown = k;
  s.refuse_value = value;
}

void vmesh_script_send_result(uint32_t value) {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mu);
  s.send_result = value;
}

void vmesh_script_clean_result(uint32_t value) {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mu);
  s.clean_result = value;
}

uint32_t vmesh_send_count(void) {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mu);
  return static_cast<uint32_t>(s.sends.size());
}

int vmesh_send_call(uint32_t i, VmeshSendCall* out) {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mu);
  if (i >= s.sends.size()) {
    if (out != nullptr) *out = VmeshSendCall{};
    return 0;
  }
  if (out != nullptr) *out = s.sends[i]->call;
  return 1;
}

int vmesh_sent_entry(uint32_t i, uint32_t j, VmeshSentEntry* out) {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mu);
  if (i >= s.sends.size() || j >= s.sends[i]->entries.size()) {
    if (out != nullptr) *out = VmeshSentEntry{};
    return 0;
  }
  const EntryRecord& e = s.sends[i]->entries[j];
  if (out != nullptr) {
    *out = VmeshSentEntry{e.msgId, e.length, e.data, e.bytes.empty() ? nullptr : e.bytes.data()};
  }
  return 1;
}

uint32_t vmesh_delivery_count(void) {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mu);
  return s.deliveries;
}

uint32_t vmesh_registration_count(void) {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mu);
  return static_cast<uint32_t>(s.registrations.size());
}

int vmesh_registration(uint32_t i, VmeshRegistration* out) {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mu);
  if (i >= s.registrations.size()) {
    if (out != nullptr) *out = VmeshRegistration{};
    return 0;
  }
  if (out != nullptr) *out = s.registrations[i];
  return 1;
}

int vmesh_lookup(uint32_t id, VmeshRegistration* out) {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mu);
  auto it = s.table.find(id);
  if (it == s.table.end()) {
    if (out != nullptr) *out = VmeshRegistration{};
    return 0;
  }
  if (out != nullptr) *out = VmeshRegistration{id, it->second.unpack, it->second.release, 0};
  return 1;
}

uint32_t vmesh_registered_id_count(void) {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mu);
  return static_cast<uint32_t>(s.table.size());
}

uint32_t vmesh_clean_registration_count(void) {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mu);
  return static_cast<uint32_t>(s.cleans.size());
}

MeshCleanHook vmesh_clean_hook(uint32_t i) {
  State& s = state();
  std::lock_guard<std::mutex> lock(s.mu);
  return i < s.cleans.size() ? s.cleans[i].hook : nullptr;
}

}  // extern "C"
