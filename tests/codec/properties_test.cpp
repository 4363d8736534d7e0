// Properties of every message of both packages, on random structures: packing round-trips and is
// deterministic, each scalar left out costs exactly its width, the send functions deliver every
// message intact through the loopback, no prefix of a valid buffer does harm, and every allocation
// made to fail in turn leaves nothing behind.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <random>

#include "messages/descriptors.hpp"
#include "osal_host.h"
#include "support/structures.hpp"
#include "varelmesh_control.h"

namespace {

using namespace kav;
using Bytes = std::vector<u8>;
constexpr u32 kFail = 0xFFFFFFFFu;

template <class F>
void for_every_message(F&& f) {
  catalogue::for_each_message(catalogue::kav_messages{}, f);
  catalogue::for_each_message(catalogue::kav_sync_messages{}, f);
}

template <class T>
T filled(u8 b) {
  T v;
  std::memset(static_cast<void*>(&v), b, sizeof v);
  return v;
}

// Packs v over zeros and over ones: both must write the same bytes, all of them.
template <class M>
Bytes pack_checked(const typename M::type& v) {
  u32 len = kFail;
  EXPECT_EQ(M::pack_fn(&v, nullptr, &len), 0u);
  Bytes zeros(len, 0x00), ones(len, 0xFF);
  u32 a = len, b = len;
  EXPECT_EQ(M::pack_fn(&v, zeros.data(), &a), 0u);
  EXPECT_EQ(M::pack_fn(&v, ones.data(), &b), 0u);
  EXPECT_EQ(a + b, 2 * len);
  EXPECT_EQ(zeros, ones) << "a byte was left unwritten or the output varies";
  return zeros;
}

// The structure's padding bytes that are not zero (a list's vector members are left out).
template <class T>
std::string padding_left(const T& v) {
  if constexpr (has_vector<T>) {
    return "";
  } else {
    std::string bad;
    const auto* p = reinterpret_cast<const u8*>(&v);
    for (const auto& gap : detail::TableOf<T>::gaps)
      for (u32 i = gap.pos; i < gap.pos + gap.len; ++i)
        if (p[i] != 0) bad += " " + std::to_string(i);
    return bad;
  }
}

// Unpacks b over a structure of 0xEE bytes, compares with want (padding zero, as every unpack
// leaves it) and frees what unpacking attached.
template <class M>
void expect_decodes_to(const Bytes& b, const typename M::type& want) {
  osal_host_reset();
  auto out = filled<typename M::type>(0xEE);
  EXPECT_EQ(M::unpack_fn(b.data(), static_cast<u32>(b.size()), &out), u32{sizeof out});
  EXPECT_EQ(test::difference(out, want), "");
  EXPECT_EQ(padding_left(out), "") << "padding bytes not zeroed";
  EXPECT_EQ(osal_host_log_count(), 0u);
  M::free_fn(&out);
  EXPECT_EQ(osal_host_live_blocks(), 0u);
}

TEST(EveryMessage, PackedThenUnpackedGivesTheStructureBack) {
  std::mt19937_64 rng(20240611);
  for_every_message([&]<class M>() {
    SCOPED_TRACE(M::full_name);
    for (int round = 0; round < 20; ++round) {
      test::Arena arena;
      const auto v = test::random_structure<typename M::type>(rng, arena);
      expect_decodes_to<M>(pack_checked<M>(v), v);
    }
  });
}

// Zeroes the n-th scalar met in slot order, nested records and list items included.
struct ZeroNth {
  u32 n, seen = 0, width = 0;  // width: of the scalar zeroed, 0 when there are not n + 1 scalars
  template <class U>
  void scalar(u32, U& x) {
    if (seen++ == n) x = 0, width = sizeof x;
  }
  template <class A>
  void byte_array(u32, A&) {}
  template <class A>
  void struct_array(u32, A&) {}
  template <class R>
  void nested(u32, R& r) {
    visit_slots(r, *this);
  }
  template <class R>
  void vector(u32, u32& count, R*& items) {
    for (u32 i = 0; i < count; ++i) visit_slots(items[i], *this);
  }
};

// Every scalar present, then each one left out in turn: the encoder's word-at-a-time presence
// test must give exactly the field-by-field result.
TEST(EveryMessage, EachScalarLeftOutInTurn) {
  for_every_message([&]<class M>() {
    using T = typename M::type;
    SCOPED_TRACE(M::full_name);
    const auto make = [](test::Arena& arena) {
      std::mt19937_64 rng(31);  // the same structure every time
      return test::random_structure<T>(rng, arena, 2, false);
    };
    test::Arena full_arena;
    const std::size_t full_len = pack_checked<M>(make(full_arena)).size();
    for (u32 n = 0;; ++n) {
      test::Arena arena;
      T v = make(arena);
      ZeroNth zero{n};
      visit_slots(v, zero);
      if (zero.width == 0) break;
      SCOPED_TRACE(n);
      const Bytes b = pack_checked<M>(v);
      EXPECT_EQ(b.size(), full_len - zero.width);
      expect_decodes_to<M>(b, v);
    }
  });
}

// Room for a buffer that ends where an unreadable page begins: a read past its end faults.
struct GuardedEnd {
  const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE)), room = 16 * page;
  u8* base = static_cast<u8*>(mmap(nullptr, room + page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  GuardedEnd() { EXPECT_EQ(mprotect(base + room, page, PROT_NONE), 0); }
  ~GuardedEnd() { munmap(base, room + page); }
  const u8* place(const Bytes& b, std::size_t n) const {
    return static_cast<u8*>(std::memcpy(base + room - n, b.data(), n));
  }
};

// No prefix of a valid buffer (placed right before an unreadable page) reads outside it, leaks a
// block or frees one twice; the whole buffer decodes.
TEST(EveryMessage, EveryPrefixOfAValidBufferIsSafe) {
  std::mt19937_64 rng(99);
  const GuardedEnd guarded;
  ASSERT_NE(static_cast<void*>(guarded.base), MAP_FAILED);
  for_every_message([&]<class M>() {
    using T = typename M::type;
    SCOPED_TRACE(M::full_name);
    for (int round = 0; round < 3; ++round) {
      test::Arena arena;
      const T v = test::random_structure<T>(rng, arena, 3);
      const Bytes full = pack_checked<M>(v);
      ASSERT_LE(full.size(), guarded.room);
      for (std::size_t n = 0; n <= full.size(); ++n) {
        osal_host_reset();
        auto out = filled<T>(0);  // a header fault leaves it as it was, and it is freed below
        ASSERT_EQ(M::unpack_fn(guarded.place(full, n), static_cast<u32>(n), &out), u32{sizeof(T)}) << n << " bytes";
        if (n == full.size()) {
          EXPECT_EQ(test::difference(out, v), "");
        }
        M::free_fn(&out);
        ASSERT_EQ(osal_host_live_blocks() + osal_host_bad_free_count(), 0u) << n << " bytes";
      }
    }
  });
}

// Sent alone and as a batch of three (fixed layout, or packed for lists), every message arrives at
// its registered unpack hook intact, and the free hook releases what unpacking took.
TEST(EveryMessage, LoopbackDeliversEveryMessageIntact) {
  vmesh_reset();
  ASSERT_EQ(kav_recv_init() | kav_sync_recv_init(), 0u);
  std::mt19937_64 rng(7);
  for_every_message([&]<class M>() {
    using T = typename M::type;
    SCOPED_TRACE(M::full_name);
    for (u32 trial = 0; trial < 6; ++trial) {
      test::Arena arena;
      T msgs[3];
      for (T& m : msgs) m = test::random_structure<T>(rng, arena);
      struct Seen {
        const T* sent = nullptr;
        u32 k = 0;
        std::vector<std::string> faults;
      } seen;
      seen.sent = msgs;
      vmesh_set_receiver(
          [](u32 id, const void* got, u32 size, void* ctx) {
            auto* s = static_cast<Seen*>(ctx);
            const u32 k = s->k++ % 3;  // the single send: message 0; then the batch
            if (id != M::id || size != sizeof(T)) s->faults.push_back("id or size");
            const std::string d = test::difference(*static_cast<const T*>(got), s->sent[k]);
            if (!d.empty()) s->faults.push_back("message " + std::to_string(k) + ": " + d);
          },
          &seen);
      osal_host_reset();
      ASSERT_EQ(M::sendsingle_fn(1, &msgs[0], 0, 0), 0u);
      seen.k = 3;
      ASSERT_EQ(M::sendmsg_fn(1, msgs, 3), 0u);
      EXPECT_EQ(seen.k, 6u);
      EXPECT_EQ(seen.faults, std::vector<std::string>{});
      EXPECT_EQ(osal_host_live_blocks(), 0u);
    }
  });
  vmesh_set_receiver(nullptr, nullptr);
  vmesh_reset();
}

// Runs `run` once to count its allocations, then once per allocation with that one failing: the
// result is `failed`'s to judge, and nothing may stay allocated.
template <class Run, class Failed>
void fail_each_allocation(const char* path, Run run, Failed failed) {
  SCOPED_TRACE(path);
  osal_host_reset();
  vmesh_reset();
  run();
  u32 n = 0;
  for (u32 i = 0; i < osal_host_mem_event_count(); ++i) {
    OsalHostMemEvent e{};
    osal_host_mem_event(i, &e);
    n += e.service != OSAL_HOST_MEM_FREE;
  }
  ASSERT_GE(n, 1u) << "this path allocates";
  for (u32 k = 1; k <= n; ++k) {
    SCOPED_TRACE("allocation " + std::to_string(k) + " of " + std::to_string(n) + " fails");
    osal_host_reset();
    vmesh_reset();
    osal_host_fail_alloc_at(k);
    failed(run());
    EXPECT_EQ(osal_host_live_blocks() + osal_host_bad_free_count(), 0u);
  }
}

// Sends give up with all-ones before the messaging library is called, without a log record;
// unpacking a list logs code 12 and drops the list.
TEST(EveryMessage, EveryAllocationFailingInTurn) {
  std::mt19937_64 rng(77);
  vmesh_set_loopback(0);
  const auto gave_up = [](u32 result) {
    EXPECT_EQ(result, kFail);
    EXPECT_EQ(vmesh_send_count() + osal_host_log_count(), 0u);
  };
  for_every_message([&]<class M>() {
    using T = typename M::type;
    SCOPED_TRACE(M::full_name);
    test::Arena arena;
    T w[2] = {test::random_structure<T>(rng, arena), test::random_structure<T>(rng, arena)};
    fail_each_allocation(
        "batch send", [&] { return M::sendbatch_fn(1, w, 2, 0); }, gave_up);
    if constexpr (has_vector<T>) {
      w[0].n_field1 = 3;
      w[0].field1 = arena.make<std::remove_pointer_t<decltype(w[0].field1)>>(3);
      fail_each_allocation(
          "single send", [&] { return M::sendsingle_fn(1, w, 0, 0); }, gave_up);
      Bytes buf = pack_checked<M>(w[0]);
      T out;
      const auto unpack = [&] {
        out = filled<T>(0xEE);
        const u32 r = M::unpack_fn(buf.data(), static_cast<u32>(buf.size()), &out);
        M::free_fn(&out);
        return r;
      };
      fail_each_allocation("unpack", unpack, [&](u32 result) {
        EXPECT_EQ(result, u32{sizeof(T)});
        EXPECT_EQ(std::tuple(out.field0, out.n_field1, out.field1), std::tuple(w[0].field0, 3u, nullptr));
        OsalHostLogRecord rec{};
        ASSERT_EQ(osal_host_log_record(0, &rec), 1);
        EXPECT_EQ(
            std::string(rec.func) + " " + std::to_string(rec.line) + " " + std::to_string(rec.code) + " " + rec.text,
            std::string(M::full_name) + "_unpack 131 12 [KESMO]:Malloc unpack data unsuccess, size(" +
                std::to_string(3 * sizeof(*out.field1)) + ")");
      });
    }
  });
}

}  // namespace
