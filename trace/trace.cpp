// libkav_trace.so: loaded with LD_PRELOAD in front of the messaging library, it appends every
// message the process sends or receives to a capture file (kav_capture.h) and forwards each call
// unchanged. It needs nothing beyond libc: no C++ runtime, no allocation on the send path beyond
// growing a thread's own buffer, no lock on the send path.
#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "kav.h"
#include "kav_sync.h"
#include "kav_capture.h"
#include "mesh/ids.hpp"
#pragma GCC visibility push(default)
#include "varelmesh.h"
#pragma GCC visibility pop

namespace {

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "blocks are stored in host order, read as little-endian");

using u8 = std::uint8_t;
using u16 = std::uint16_t;
using u32 = std::uint32_t;
using u64 = std::uint64_t;

using SendFn = u32 (*)(u32, MeshMsgBuf*, u32);
using SendToFn = u32 (*)(u32, MeshMsgBuf*, u32, u64);
using RegisterFn = u32 (*)(u32, MeshUnpackHook, MeshFreeHook);
using CleanFn = u32 (*)(MeshCleanHook);

constexpr u32 kMissing = 0xFFFFFFFFu;  // returned when no library after this one defines the call
constexpr u32 kHeader = KAV_CAPTURE_HEADER_SIZE;
constexpr u32 kMaxBytes = KAV_CAPTURE_SNAPLEN - kHeader;  // message bytes a record carries at most
constexpr u32 kBlockFixed = 28 + kHeader + 4;             // packet block head, record header, trailing length
constexpr u32 kResultAt = 28 + 32;                        // the result word within a packet block
constexpr std::size_t kSlots = 1024;                      // message ids whose deliveries are recorded

// ---- Messages by name -----------------------------------------------------------------------

struct Known {
  const char* wire;
  u32 id;
};
#define KAV_TRACE_KNOWN(pkg, name) Known{#pkg "." #name, kav::fnv1a(#pkg "." #name)},
constexpr Known kKnown[] = {KAV_MESSAGES(KAV_TRACE_KNOWN) KAV_SYNC_MESSAGES(KAV_TRACE_KNOWN)};
#undef KAV_TRACE_KNOWN

// ---- Process-wide state, set once by init() -------------------------------------------------

struct Config {
  SendFn send = nullptr;
  SendToFn send_to = nullptr;
  RegisterFn reg = nullptr;
  CleanFn clean = nullptr;
  bool tracing = false;   // the environment could be read: records are wanted
  bool filtered = false;  // only the ids below are recorded
  u32* ids = nullptr;     // sorted
  std::size_t n_ids = 0;
  bool limited = false;  // KAV_TRACE_MAX_BYTES is set
  u64 budget = 0;        // bytes the file may reach before the note, which then still fits
  char note[96] = {};    // the note's text
  u32 note_len = 0;
  const char* file_env = nullptr;
  char path[4096] = {};  // set when the file is opened
};

Config g_cfg;
pthread_once_t g_init_once = PTHREAD_ONCE_INIT;
std::atomic<bool> g_ready{false};
pthread_key_t g_buffer_key;
u32 g_pid = 0;  // cached; a forked child sets its own

pthread_once_t g_open_once = PTHREAD_ONCE_INIT;
int g_fd = -1;
std::atomic<bool> g_stopped{false};  // nothing more is recorded: limit reached, or the file failed
std::atomic<bool> g_write_failed{false};
std::atomic<bool> g_note_claimed{false};
std::atomic<u64> g_written{0};    // the file's size at open plus what this process wrote (limited only)
std::atomic<int> g_in_flight{0};  // writers between their reservation and the end of their write

[[gnu::format(printf, 1, 2)]] void say(const char* format, ...) {
  char line[512];
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  if (n > 0) {
    const auto len = static_cast<std::size_t>(n) < sizeof line ? static_cast<std::size_t>(n) : sizeof line - 1;
    [[maybe_unused]] const auto ignored = ::write(2, line, len);
  }
}

// ---- Per-thread state -------------------------------------------------------------------------

// A thread's record buffer, used as a stack: a send builds its records before calling the
// messaging library, which may deliver (and so record) on the same thread before it returns.
struct Buffer {
  u8* data;
  std::size_t capacity;
  std::size_t used;
};
[[gnu::tls_model("initial-exec")]] thread_local Buffer t_buffer{nullptr, 0, 0};
[[gnu::tls_model("initial-exec")]] thread_local u32 t_tid = 0;

void release_buffer(void* p) {
  auto* b = static_cast<Buffer*>(p);
  std::free(b->data);
  *b = Buffer{nullptr, 0, 0};
}

// Makes room for `n` more bytes on top of the buffer; false when memory runs out.
[[nodiscard]] bool make_room(Buffer& b, std::size_t n) {
  const std::size_t need = b.used + n;
  if (need <= b.capacity) return true;
  std::size_t capacity = b.capacity < 4096 ? 4096 : b.capacity;
  while (capacity < need) capacity *= 2;
  void* grown = std::realloc(b.data, capacity);
  if (grown == nullptr) {
    say("kav_trace: out of memory for a record of %zu bytes; not recorded\n", n);
    return false;
  }
  if (b.data == nullptr) pthread_setspecific(g_buffer_key, &b);
  b.data = static_cast<u8*>(grown);
  b.capacity = capacity;
  return true;
}

u32 thread_id() {
  if (t_tid == 0) t_tid = static_cast<u32>(::syscall(SYS_gettid));
  return t_tid;
}

void after_fork_in_child() {
  g_pid = static_cast<u32>(::getpid());
  t_tid = 0;  // the child's one thread is this one
}

// ---- The environment ------------------------------------------------------------------------

// The MsgId a KAV_TRACE_MESSAGES item names: a wire name, a symbol name or a number.
[[nodiscard]] bool message_id(const char* item, std::size_t len, u32& id) {
  char text[128];
  if (len == 0 || len >= sizeof text - 8) return false;
  std::memcpy(text, item, len);
  text[len] = 0;
  if (text[0] >= '0' && text[0] <= '9') {
    const bool hex = len > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = std::strtoull(hex ? text + 2 : text, &end, hex ? 16 : 10);
    if (errno != 0 || *end != 0 || v > 0xFFFFFFFFull) return false;
    id = static_cast<u32>(v);
    return true;
  }
  char wire[sizeof text];
  if (std::strchr(text, '.') != nullptr) {
    std::memcpy(wire, text, len + 1);
  } else {
    const std::size_t pkg = std::strncmp(text, "kav_sync_", 9) == 0 ? 8 : std::strncmp(text, "kav_", 4) == 0 ? 3 : 0;
    if (pkg == 0) return false;
    std::memcpy(wire, text, len + 1);
    wire[pkg] = '.';
  }
  for (const Known& k : kKnown) {
    if (std::strcmp(k.wire, wire) == 0) {
      id = k.id;
      return true;
    }
  }
  return false;
}

void read_messages(const char* list) {
  std::size_t items = 1;
  for (const char* c = list; *c != 0; ++c) items += *c == ',' ? 1 : 0;
  g_cfg.ids = static_cast<u32*>(std::malloc(items * sizeof(u32)));
  if (g_cfg.ids == nullptr) return;
  g_cfg.filtered = true;
  for (const char* item = list;;) {
    const char* end = std::strchr(item, ',');
    if (end == nullptr) end = item + std::strlen(item);
    const char* first = item;
    const char* last = end;
    while (first < last && (*first == ' ' || *first == '\t')) ++first;
    while (last > first && (last[-1] == ' ' || last[-1] == '\t')) --last;
    u32 id = 0;
    const auto len = static_cast<std::size_t>(last - first);
    if (message_id(first, len, id)) {
      std::size_t at = g_cfg.n_ids++;
      for (; at > 0 && g_cfg.ids[at - 1] > id; --at) g_cfg.ids[at] = g_cfg.ids[at - 1];
      g_cfg.ids[at] = id;
    } else if (len != 0) {
      say("kav_trace: KAV_TRACE_MESSAGES: cannot read '%.*s' as a message name or MsgId; not recorded\n",
          static_cast<int>(len), first);
    }
    if (*end == 0) break;
    item = end + 1;
  }
}

[[nodiscard]] bool read_limit(const char* text) {
  char* end = nullptr;
  errno = 0;
  const unsigned long long v = std::strtoull(text, &end, 10);
  if (text[0] < '0' || text[0] > '9' || errno != 0 || *end != 0) {
    say("kav_trace: KAV_TRACE_MAX_BYTES=%s is not a number of bytes; not tracing\n", text);
    return false;
  }
  g_cfg.limited = true;
  const int n = std::snprintf(g_cfg.note, sizeof g_cfg.note, "capture stopped: KAV_TRACE_MAX_BYTES=%llu reached", v);
  g_cfg.note_len = static_cast<u32>(n);
  const u64 note_block = kBlockFixed + ((g_cfg.note_len + 3u) & ~3u);
  g_cfg.budget = v > note_block ? v - note_block : 0;
  return true;
}

void init() {
  g_cfg.send = reinterpret_cast<SendFn>(::dlsym(RTLD_NEXT, "MESH_SendMsg"));
  g_cfg.send_to = reinterpret_cast<SendToFn>(::dlsym(RTLD_NEXT, "MESH_SendToMsg"));
  g_cfg.reg = reinterpret_cast<RegisterFn>(::dlsym(RTLD_NEXT, "MESH_RegIDLFuncHook"));
  g_cfg.clean = reinterpret_cast<CleanFn>(::dlsym(RTLD_NEXT, "MESH_RegIDLResorceCleanFuncHook"));
  g_pid = static_cast<u32>(::getpid());
  pthread_atfork(nullptr, nullptr, after_fork_in_child);
  g_cfg.tracing = pthread_key_create(&g_buffer_key, release_buffer) == 0;
  if (const char* limit = std::getenv(KAV_TRACE_MAX_BYTES_ENV); limit != nullptr && *limit != 0)
    g_cfg.tracing = g_cfg.tracing && read_limit(limit);
  if (const char* list = std::getenv(KAV_TRACE_MESSAGES_ENV); g_cfg.tracing && list != nullptr && *list != 0)
    read_messages(list);
  g_cfg.file_env = std::getenv(KAV_TRACE_FILE_ENV);
  g_ready.store(true, std::memory_order_release);
}

inline void ensure_init() {
  if (!g_ready.load(std::memory_order_acquire)) pthread_once(&g_init_once, init);
}

[[gnu::constructor]] void on_load() { ensure_init(); }

u32 missing(const char* name) {
  static std::atomic<bool> said{false};
  if (!said.exchange(true)) say("kav_trace: no library after libkav_trace.so defines %s\n", name);
  return kMissing;
}

[[nodiscard]] inline bool recording() { return g_cfg.tracing && !g_stopped.load(std::memory_order_relaxed); }

[[nodiscard]] inline bool selected(u32 id) {
  if (!g_cfg.filtered) return true;
  std::size_t lo = 0, hi = g_cfg.n_ids;
  while (lo < hi) {
    const std::size_t mid = (lo + hi) / 2;
    if (g_cfg.ids[mid] < id)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo < g_cfg.n_ids && g_cfg.ids[lo] == id;
}

// ---- The file -------------------------------------------------------------------------------

inline void put16(u8* p, u16 v) { std::memcpy(p, &v, 2); }
inline void put32(u8* p, u32 v) { std::memcpy(p, &v, 4); }
inline void put64(u8* p, u64 v) { std::memcpy(p, &v, 8); }
inline u32 get32(const u8* p) {
  u32 v;
  std::memcpy(&v, p, 4);
  return v;
}

// Writes all n bytes, retrying after a signal or a short write. A failure stops the tracing.
void write_all(const u8* p, std::size_t n) {
  while (n > 0) {
    const ssize_t w = ::write(g_fd, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) {
      const int err = w < 0 ? errno : ENOSPC;
      g_stopped.store(true, std::memory_order_relaxed);
      if (!g_write_failed.exchange(true))
        say("kav_trace: cannot write %s: %s; tracing stopped\n", g_cfg.path, std::strerror(err));
      return;
    }
    p += w;
    n -= static_cast<std::size_t>(w);
  }
}

// The section this process opens: a section header naming the writer, then the interface all
// records use (nanosecond timestamps). Written by one write.
// clang-format off
constexpr u8 kSection[] = {
  0x0A, 0x0D, 0x0D, 0x0A,  48, 0, 0, 0,  0x4D, 0x3C, 0x2B, 0x1A,  1, 0, 0, 0,    // block, length, byte order, v1.0
  0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,                                   // section length unknown
  4, 0, 12, 0,  'l', 'i', 'b', 'k', 'a', 'v', '_', 't', 'r', 'a', 'c', 'e',          // shb_userappl
  0, 0, 0, 0,  48, 0, 0, 0,                                                         // end of options, length
  1, 0, 0, 0,  48, 0, 0, 0,  KAV_CAPTURE_LINKTYPE, 0, 0, 0,                         // interface: block, length, link
  KAV_CAPTURE_SNAPLEN & 0xFF, (KAV_CAPTURE_SNAPLEN >> 8) & 0xFF, (KAV_CAPTURE_SNAPLEN >> 16) & 0xFF, 0,
  2, 0, 9, 0,  'v', 'a', 'r', 'e', 'l', 'm', 'e', 's', 'h', 0, 0, 0,                 // if_name
  9, 0, 1, 0,  9, 0, 0, 0,                                                          // if_tsresol: 10^-9 s
  0, 0, 0, 0,  48, 0, 0, 0,                                                         // end of options, length
};
// clang-format on
static_assert(sizeof kSection == 48 + 48);

void open_file() {
  if (g_cfg.file_env != nullptr && *g_cfg.file_env != 0) {
    std::snprintf(g_cfg.path, sizeof g_cfg.path, "%s", g_cfg.file_env);
  } else {
    std::snprintf(g_cfg.path, sizeof g_cfg.path, "kav-trace.%u.pcapng", g_pid);
  }
  int fd = ::open(g_cfg.path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    say("kav_trace: cannot open %s: %s; not tracing\n", g_cfg.path, std::strerror(errno));
    g_stopped.store(true);
    return;
  }
  // Out of the way of the low numbers a program may close wholesale and reuse for files of its own.
  if (const int high = ::fcntl(fd, F_DUPFD_CLOEXEC, 512); high >= 0) {
    ::close(fd);
    fd = high;
  }
  struct stat st {};
  const u64 size = ::fstat(fd, &st) == 0 ? static_cast<u64>(st.st_size) : 0;
  g_written.store(size + sizeof kSection);
  g_fd = fd;
  write_all(kSection, sizeof kSection);
}

// One record: where it goes in the record header, and the bytes it carries.
struct Record {
  u8 direction;
  u16 flags;
  u32 dest;
  u64 target;
  u32 msgid;
  u32 length;
  u32 entry;
  u32 count;
  const u8* bytes;
  u32 captured;  // of the bytes, at most kMaxBytes
  u32 original;  // what the bytes would be without the snap length
};

[[nodiscard]] constexpr std::size_t block_size(u32 captured) {
  return kBlockFixed + ((captured + 3u) & ~std::size_t{3});
}

// Stores one packet block at p and returns its end.
u8* put_block(u8* p, u64 time_ns, const Record& r) {
  const auto total = static_cast<u32>(block_size(r.captured));
  put32(p, 6);
  put32(p + 4, total);
  put32(p + 8, 0);  // the section's one interface
  put32(p + 12, static_cast<u32>(time_ns >> 32));
  put32(p + 16, static_cast<u32>(time_ns));
  put32(p + 20, kHeader + r.captured);
  put32(p + 24, kHeader + r.original);
  u8* h = p + 28;
  h[0] = KAV_CAPTURE_VERSION;
  h[1] = r.direction;
  put16(h + 2, r.flags);
  put32(h + 4, g_pid);
  put32(h + 8, thread_id());
  put32(h + 12, r.dest);
  put64(h + 16, r.target);
  put32(h + 24, r.msgid);
  put32(h + 28, r.length);
  put32(h + 32, 0);  // the result, stored once known
  put32(h + 36, r.entry);
  put32(h + 40, r.count);
  put32(h + 44, 0);
  if (r.captured != 0) std::memcpy(h + kHeader, r.bytes, r.captured);
  std::memset(h + kHeader + r.captured, 0, total - kBlockFixed - r.captured);
  put32(p + total - 4, total);
  return p + total;
}

u64 now_ns() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  return static_cast<u64>(ts.tv_sec) * 1000000000u + static_cast<u64>(ts.tv_nsec);
}

void write_note() {
  alignas(8) u8 block[kBlockFixed + sizeof g_cfg.note];
  const Record r{
      KAV_CAPTURE_NOTE, 0, 0, 0, 0, g_cfg.note_len, 0, 1, reinterpret_cast<const u8*>(g_cfg.note), g_cfg.note_len,
      g_cfg.note_len};
  const u8* end = put_block(block, now_ns(), r);
  write_all(block, static_cast<std::size_t>(end - block));
}

// Appends n bytes of whole blocks. Under a limit, each writer reserves its bytes first; the one
// whose reservation passes the limit stops the tracing, waits for the writers whose reservations
// came before, and writes the one note last.
void emit(const u8* p, std::size_t n) {
  pthread_once(&g_open_once, open_file);
  if (g_fd < 0) return;
  if (!g_cfg.limited) return write_all(p, n);
  g_in_flight.fetch_add(1);
  if (g_stopped.load()) {
    g_in_flight.fetch_sub(1);
    return;
  }
  const u64 before = g_written.fetch_add(n);
  const bool fits = before + n <= g_cfg.budget;
  if (fits) write_all(p, n);
  g_in_flight.fetch_sub(1);
  if (fits || g_note_claimed.exchange(true)) return;
  g_stopped.store(true);
  while (g_in_flight.load() != 0) sched_yield();
  write_note();
}

void record_one(u64 time_ns, const Record& r) {
  Buffer& b = t_buffer;
  const std::size_t size = block_size(r.captured);
  if (!make_room(b, size)) return;
  const std::size_t base = b.used;
  b.used += size;
  put_block(b.data + base, time_ns, r);
  emit(b.data + base, size);
  b.used = base;
}

// ---- Sends ----------------------------------------------------------------------------------

[[nodiscard]] inline u32 captured_of(const MeshMsgBuf& m) {
  return m.data == nullptr ? 0 : m.length < kMaxBytes ? m.length : kMaxBytes;
}

// Records every selected entry of one send call, in one write after the messaging library returns;
// the bytes are copied before it is called, as they were handed to it.
template <class Forward>
u32 traced_send(u32 dest, MeshMsgBuf* entries, u32 count, u16 flags, u64 target, Forward forward) {
  if (!recording() || entries == nullptr || count == 0) return forward();
  std::size_t size = 0;
  for (u32 j = 0; j < count; ++j) size += selected(entries[j].msgId) ? block_size(captured_of(entries[j])) : 0;
  Buffer& b = t_buffer;
  if (size == 0 || !make_room(b, size)) return forward();
  const u64 time_ns = now_ns();
  const std::size_t base = b.used;
  b.used += size;
  u8* p = b.data + base;
  flags = static_cast<u16>(flags | KAV_CAPTURE_HAS_RESULT);
  for (u32 j = 0; j < count; ++j) {
    const MeshMsgBuf& m = entries[j];
    if (!selected(m.msgId)) continue;
    const u32 captured = captured_of(m);
    const u32 original = m.data == nullptr ? 0 : m.length < 0xFFFFFFFFu - kHeader ? m.length : 0xFFFFFFFFu - kHeader;
    const u16 f = m.data == nullptr ? static_cast<u16>(flags | KAV_CAPTURE_NULL_DATA) : flags;
    p = put_block(p, time_ns,
                  Record{KAV_CAPTURE_SEND, f, dest, target, m.msgId, m.length, j, count, m.data, captured, original});
  }
  const u32 result = forward();
  u8* first = b.data + base;  // a delivery on this thread may have moved the buffer
  for (std::size_t at = 0; at < size; at += get32(first + at + 4)) put32(first + at + kResultAt, result);
  emit(first, size);
  b.used = base;
  return result;
}

// ---- Receives -------------------------------------------------------------------------------

// The unpack hook has no MsgId, so each registered id gets a hook of its own from a fixed pool:
// trampoline<k> records what it is handed under slot k's id, then calls the program's hook.
struct Slot {
  std::atomic<u32> id{0};
  std::atomic<MeshUnpackHook> hook{nullptr};  // null: the messaging library does not call slot k
};
std::array<Slot, kSlots> g_slots;
std::size_t g_slots_used = 0;  // under g_register
pthread_mutex_t g_register = PTHREAD_MUTEX_INITIALIZER;

[[gnu::noinline]] u32 receive(std::size_t k, const u8* buf, u32 len, void* out) {
  Slot& s = g_slots[k];
  const MeshUnpackHook hook = s.hook.load(std::memory_order_acquire);
  const u32 id = s.id.load(std::memory_order_relaxed);
  if (recording() && selected(id)) {
    // Written before the program's hook runs, so a crash in the hook leaves it in the file.
    const bool bytes = buf != nullptr && static_cast<std::int32_t>(len) >= 0;
    const u32 captured = !bytes ? 0 : len < kMaxBytes ? len : kMaxBytes;
    const u16 flags = buf == nullptr ? KAV_CAPTURE_NULL_DATA : 0;
    record_one(now_ns(), Record{KAV_CAPTURE_RECV, flags, 0, 0, id, len, 0, 1, buf, captured, bytes ? len : 0});
  }
  return hook != nullptr ? hook(buf, len, out) : 0;
}

template <std::size_t K>
u32 trampoline(const u8* buf, u32 len, void* out) {
  return receive(K, buf, len, out);
}

constexpr auto kTrampolines = []<std::size_t... K>(std::index_sequence<K...>) {
  return std::array<MeshUnpackHook, sizeof...(K)>{&trampoline<K>...};
}
(std::make_index_sequence<kSlots>{});

// The slot of id, a fresh one, or null when the pool is used up. Called under g_register.
Slot* slot_for(u32 id) {
  for (std::size_t k = 0; k < g_slots_used; ++k)
    if (g_slots[k].id.load(std::memory_order_relaxed) == id) return &g_slots[k];
  if (g_slots_used == kSlots) return nullptr;
  Slot& s = g_slots[g_slots_used++];
  s.id.store(id, std::memory_order_relaxed);
  return &s;
}

u32 register_hook(u32 id, MeshUnpackHook unpack, MeshFreeHook release) {
  pthread_mutex_lock(&g_register);
  Slot* s = unpack != nullptr ? slot_for(id) : nullptr;
  if (s == nullptr) {
    if (unpack != nullptr) {
      static bool said = false;
      if (!said)
        say("kav_trace: more than %zu message ids registered; what id 0x%08x and later ids receive is not recorded\n",
            kSlots, id);
      said = true;
    }
    const u32 r = g_cfg.reg(id, unpack, release);
    if (unpack == nullptr && r == 0) {
      for (std::size_t k = 0; k < g_slots_used; ++k)
        if (g_slots[k].id.load(std::memory_order_relaxed) == id) g_slots[k].hook.store(nullptr);
    }
    pthread_mutex_unlock(&g_register);
    return r;
  }
  // A slot the library does not call yet takes the hook before the library can call it; one it
  // calls already keeps its hook unless the library accepts the new one.
  const bool fresh = s->hook.load(std::memory_order_relaxed) == nullptr;
  if (fresh) s->hook.store(unpack, std::memory_order_release);
  const u32 r = g_cfg.reg(id, kTrampolines[static_cast<std::size_t>(s - g_slots.data())], release);
  if (r == 0) {
    s->hook.store(unpack, std::memory_order_release);
  } else if (fresh) {
    s->hook.store(nullptr, std::memory_order_release);
  }
  pthread_mutex_unlock(&g_register);
  return r;
}

}  // namespace

extern "C" {

u32 MESH_SendMsg(u32 dest, MeshMsgBuf* entries, u32 count) {
  ensure_init();
  if (g_cfg.send == nullptr) return missing("MESH_SendMsg");
  return traced_send(dest, entries, count, 0, 0, [&] { return g_cfg.send(dest, entries, count); });
}

u32 MESH_SendToMsg(u32 dest, MeshMsgBuf* entries, u32 count, u64 to) {
  ensure_init();
  if (g_cfg.send_to == nullptr) return missing("MESH_SendToMsg");
  return traced_send(dest, entries, count, KAV_CAPTURE_HAS_TARGET, to,
                     [&] { return g_cfg.send_to(dest, entries, count, to); });
}

u32 MESH_RegIDLFuncHook(u32 id, MeshUnpackHook unpack, MeshFreeHook release) {
  ensure_init();
  if (g_cfg.reg == nullptr) return missing("MESH_RegIDLFuncHook");
  if (!g_cfg.tracing) return g_cfg.reg(id, unpack, release);
  return register_hook(id, unpack, release);
}

u32 MESH_RegIDLResorceCleanFuncHook(MeshCleanHook clean) {
  ensure_init();
  if (g_cfg.clean == nullptr) return missing("MESH_RegIDLResorceCleanFuncHook");
  return g_cfg.clean(clean);
}

}  // extern "C"
