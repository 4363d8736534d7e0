// The kav_sync messages against their kav reference records: the same bytes from both encoders,
// each side reading the other's output, and only names, identifiers and log texts told apart.
#include <random>
#include <tuple>

#include "messages/descriptors.hpp"
#include "mesh_support.hpp"
#include "tests/support/structures.hpp"

namespace {

using namespace meshtest;
namespace C = kav::catalogue;

struct SyncRow {
  const char* name;
  u32 size;         // unpacked size
  u32 length;       // fixed send length
  bool delegating;  // root header faults logged by the table decoder, structure zeroed
};
const SyncRow kRows[] = {
    {"kav_sync_host_update", 56, 112, true},          {"kav_sync_host_delete", 56, 112, true},
    {"kav_sync_srcaddr_update", 16, 40, true},        {"kav_sync_srcaddr_delete", 16, 40, true},
    {"kav_sync_srcaddrv6_update", 28, 64, true},      {"kav_sync_srcaddrv6_delete", 28, 64, true},
    {"kav_sync_ifsamplecfg_update", 28, 64, true},    {"kav_sync_ifsamplecfg_delete", 28, 64, true},
    {"kav_sync_ifsamplerate_update", 16, 40, false},  {"kav_sync_ifsamplerate_delete", 16, 40, false},
    {"kav_sync_monitorcfg_update", 48, 96, true},     {"kav_sync_monitorcfg_delete", 48, 96, true},
    {"kav_sync_ifindexswitch_update", 12, 32, false}, {"kav_sync_ifindexswitch_delete", 12, 32, false},
    {"kav_sync_queenable_update", 8, 24, false},      {"kav_sync_queenable_delete", 8, 24, false},
    {"kav_sync_globalcfg_update", 56, 104, true},     {"kav_sync_globalcfg_delete", 56, 104, true},
    {"kav_sync_globaltmpcfg_update", 16, 40, true},   {"kav_sync_globaltmpcfg_delete", 16, 40, true},
    {"kav_sync_templateflow_update", 188, 232, false}, {"kav_sync_templateflow_delete", 188, 232, false},
    {"kav_sync_recordcfg_update", 48, 144, true},     {"kav_sync_recordcfg_delete", 48, 144, true},
    {"kav_sync_intsamplerate_update", 28, 64, true},  {"kav_sync_intsamplerate_delete", 28, 64, true},
    {"kav_sync_ethlen_update", 8, 24, false},         {"kav_sync_ethlen_delete", 8, 24, false},
    {"kav_sync_resetcache_update", 20, 48, false},    {"kav_sync_resetstat_update", 24, 48, true},
};

const SyncRow& row_of(const std::string& name) {
  for (const SyncRow& r : kRows) {
    if (name == r.name) return r;
  }
  ADD_FAILURE() << "no row for " << name;
  return kRows[0];
}

u32 sync_id(const std::string& name) { return fnv1a("kav_sync." + name.substr(9)); }

template <class S, class R>
struct Pair {};
// Every kav_sync message but the ifsamplerate pair, with its reference record.
using Pairs = std::tuple<
    Pair<C::kav_sync_host_update_msg, C::kav_host_msg>, Pair<C::kav_sync_host_delete_msg, C::kav_host_msg>,
    Pair<C::kav_sync_srcaddr_update_msg, C::kav_srcaddr_msg>, Pair<C::kav_sync_srcaddr_delete_msg, C::kav_srcaddr_msg>,
    Pair<C::kav_sync_srcaddrv6_update_msg, C::kav_srcaddrv6_msg>,
    Pair<C::kav_sync_srcaddrv6_delete_msg, C::kav_srcaddrv6_msg>,
    Pair<C::kav_sync_ifsamplecfg_update_msg, C::kav_ifsamplecfg_msg>,
    Pair<C::kav_sync_ifsamplecfg_delete_msg, C::kav_ifsamplecfg_msg>,
    Pair<C::kav_sync_monitorcfg_update_msg, C::kav_monitorcfg_msg>,
    Pair<C::kav_sync_monitorcfg_delete_msg, C::kav_monitorcfg_msg>,
    Pair<C::kav_sync_ifindexswitch_update_msg, C::kav_ifindexswitch_msg>,
    Pair<C::kav_sync_ifindexswitch_delete_msg, C::kav_ifindexswitch_msg>,
    Pair<C::kav_sync_queenable_update_msg, C::kav_queenable_msg>,
    Pair<C::kav_sync_queenable_delete_msg, C::kav_queenable_msg>,
    Pair<C::kav_sync_globalcfg_update_msg, C::kav_globalcfg_msg>,
    Pair<C::kav_sync_globalcfg_delete_msg, C::kav_globalcfg_msg>,
    Pair<C::kav_sync_globaltmpcfg_update_msg, C::kav_globaltmpcfg_msg>,
    Pair<C::kav_sync_globaltmpcfg_delete_msg, C::kav_globaltmpcfg_msg>,
    Pair<C::kav_sync_templateflow_update_msg, C::kav_templateflow_msg>,
    Pair<C::kav_sync_templateflow_delete_msg, C::kav_templateflow_msg>,
    Pair<C::kav_sync_recordcfg_update_msg, C::kav_recordcfg_msg>,
    Pair<C::kav_sync_recordcfg_delete_msg, C::kav_recordcfg_msg>,
    Pair<C::kav_sync_intsamplerate_update_msg, C::kav_intsamplerate_msg>,
    Pair<C::kav_sync_intsamplerate_delete_msg, C::kav_intsamplerate_msg>,
    Pair<C::kav_sync_ethlen_update_msg, C::kav_ethlen_msg>, Pair<C::kav_sync_ethlen_delete_msg, C::kav_ethlen_msg>,
    Pair<C::kav_sync_resetcache_update_msg, C::kav_resetcache_msg>,
    Pair<C::kav_sync_resetstat_update_msg, C::kav_resetstat_msg>>;

template <class M>
std::vector<u8> packed(const typename M::type& v) {
  std::vector<u8> buf(4096);
  u32 len = static_cast<u32>(buf.size());
  EXPECT_EQ(M::pack_fn(&v, buf.data(), &len), 0u);
  buf.resize(len);
  return buf;
}

// The bytes the single send of M hands over, with its identifier and length checked.
template <class M>
std::vector<u8> sent_alone(const typename M::type& v, u32 id, u32 length) {
  fresh();
  EXPECT_EQ(M::sendsingle_fn(2, &v, 0, 0), 0u);
  EXPECT_EQ(osal_host_mem_event_count(), 0u);
  const Sent s = sent(0, 0);
  EXPECT_EQ(s.id, id);
  EXPECT_EQ(s.length, length);
  return s.bytes;
}

template <class M, class T>
T unpacked(const std::vector<u8>& bytes, u32 size) {
  T out;
  std::memset(static_cast<void*>(&out), 0xEE, sizeof out);
  EXPECT_EQ(M::unpack_fn(bytes.data(), static_cast<u32>(bytes.size()), &out), size);
  return out;
}

TEST(SyncCorrespondence, SameBytesAsTheReferenceRecordBothWays) {
  std::mt19937_64 rng(6101);
  u32 pairs = 0;
  std::apply([&]<class... P>(P...) {
    ([&]<class S, class R>(Pair<S, R>) {
      using T = typename S::type;
      static_assert(std::is_same_v<T, typename R::type>);
      const SyncRow& row = row_of(S::full_name);
      SCOPED_TRACE(row.name);
      ++pairs;
      const std::string ref = R::full_name;
      const u32 ref_id = fnv1a("kav." + ref.substr(4));
      for (u32 trial = 0; trial < 8; ++trial) {
        SCOPED_TRACE(trial);
        kav::test::Arena arena;
        T v{};
        if (trial > 0) v = kav::test::random_structure<T>(rng, arena);
        const std::vector<u8> p = packed<S>(v);
        EXPECT_EQ(p, packed<R>(v));
        const std::vector<u8> f = sent_alone<S>(v, sync_id(row.name), row.length);
        EXPECT_EQ(f, sent_alone<R>(v, ref_id, row.length));
        EXPECT_EQ(kav::test::difference(unpacked<R, T>(p, row.size), v), "");
        EXPECT_EQ(kav::test::difference(unpacked<S, T>(packed<R>(v), row.size), v), "");
        EXPECT_EQ(kav::test::difference(unpacked<S, T>(f, row.size), v), "");
        EXPECT_EQ(kav::test::difference(unpacked<R, T>(f, row.size), v), "");
      }
    }(P{}), ...);
  }, Pairs{});
  EXPECT_EQ(pairs, 28u);
}

TEST(SyncCorrespondence, HostPackedSizes) {
  kav_sync_host_update h{};
  EXPECT_EQ(packed<C::kav_sync_host_update_msg>(h).size(), 78u);
  h = kav_sync_host_update{1, 2, 3, 4, 5, 6, 7, {}, 8, 9, 10, 11, 12, {}};
  EXPECT_EQ(packed<C::kav_sync_host_update_msg>(h).size(), 110u);
  EXPECT_EQ(packed<C::kav_host_msg>(h), packed<C::kav_sync_host_update_msg>(h));
}

// The ifsamplerate messages hold the first four of kav_ifsamplerate's five fields.
TEST(SyncCorrespondence, IfsamplerateReadsFourOfFiveFields) {
  using SU = C::kav_sync_ifsamplerate_update_msg;
  using SD = C::kav_sync_ifsamplerate_delete_msg;
  using K = C::kav_ifsamplerate_msg;
  const kav_ifsamplerate full{0x01020304, 0x05060708, 0x090A0B0C, 0x0D0E0F10, 0x11};
  const kav_sync_ifsamplerate_update four{0xA1A2A3A4, 0xB1B2B3B4, 0xC1C2C3C4, 0xD1D2D3D4};
  const kav_sync_ifsamplerate_update first_four{0x01020304, 0x05060708, 0x090A0B0C, 0x0D0E0F10};
  const kav_ifsamplerate widened{0xA1A2A3A4, 0xB1B2B3B4, 0xC1C2C3C4, 0xD1D2D3D4, 0};

  EXPECT_EQ(packed<SU>(kav_sync_ifsamplerate_update{}).size(), 20u);
  EXPECT_EQ(packed<SU>(four).size(), 36u);
  EXPECT_EQ(packed<SU>(four), packed<SD>(four));

  const std::vector<u8> fixed_four = sent_alone<SU>(four, fnv1a("kav_sync.ifsamplerate_update"), 40);
  Image img(40);
  img.put(0, 4, 4).put(4, static_cast<u32>(-20), 4).put(8, 0xA1A2A3A4, 4).put(12, 0xB1B2B3B4, 4);
  img.put(16, 0xC1C2C3C4, 4).put(20, 0xD1D2D3D4, 4).u16s(24, {12, 20, 4, 8, 12, 16});
  EXPECT_EQ(mismatch(img, fixed_four), "");
  EXPECT_EQ(sent_alone<SD>(four, fnv1a("kav_sync.ifsamplerate_delete"), 40), fixed_four);
  const std::vector<u8> fixed_full = sent_alone<K>(full, fnv1a("kav.ifsamplerate"), 48);

  for (const auto& [name, bytes] : {std::pair{"packed", packed<K>(full)}, std::pair{"sent", fixed_full}}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(kav::test::difference(unpacked<SU, kav_sync_ifsamplerate_update>(bytes, 16), first_four), "");
    EXPECT_EQ(kav::test::difference(unpacked<SD, kav_sync_ifsamplerate_delete>(bytes, 16), first_four), "");
  }
  for (const auto& [name, bytes] : {std::pair{"packed", packed<SU>(four)}, std::pair{"sent", fixed_four}}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(kav::test::difference(unpacked<K, kav_ifsamplerate>(bytes, 20), widened), "");
  }
}

// A 4-byte buffer whose root offset 4 leaves no room for a table.
TEST(SyncCorrespondence, HeaderFaultsSpeakWithTheSyncNames) {
  u32 rows = 0;
  kav::catalogue::for_each_message(C::kav_sync_messages{}, [&]<class M>() {
    using T = typename M::type;
    const SyncRow& row = row_of(M::full_name);
    SCOPED_TRACE(row.name);
    ++rows;
    const std::vector<u8> buf = {4, 0, 0, 0};
    fresh();
    const T out = unpacked<M, T>(buf, row.size);
    ASSERT_EQ(osal_host_log_count(), 1u);
    OsalHostLogRecord rec{};
    osal_host_log_record(0, &rec);
    EXPECT_EQ(text(rec.module_name), "KESMO");
    EXPECT_EQ(text(rec.subsystem_name), "KESMO_MERIDAN_SERIAL");
    EXPECT_EQ(rec.module_id, 0x6200u);
    EXPECT_EQ(rec.level, 2u);
    EXPECT_EQ(rec.code, 22u);
    EXPECT_EQ(text(rec.fmt), "[KESMO]:Table offset(%u) is out of range(4 - %u)");
    ASSERT_EQ(rec.arg_count, 2u);
    EXPECT_EQ(rec.args[0].u, 4u);
    EXPECT_EQ(rec.args[1].u, 4u);
    if (row.delegating) {
      EXPECT_EQ(text(rec.func), std::string(row.name) + "_unpack_non_root");
      EXPECT_EQ(kav::test::difference(out, T{}), "") << "structure zeroed";
    } else {
      EXPECT_EQ(text(rec.func), std::string(row.name) + "_unpack");
      T untouched;
      std::memset(static_cast<void*>(&untouched), 0xEE, sizeof untouched);
      EXPECT_EQ(kav::test::difference(out, untouched), "") << "structure untouched";
    }
  });
  EXPECT_EQ(rows, 30u);
}

TEST(SyncCorrespondence, BatchOfThreeHostRecords) {
  const kav_sync_host_update hosts[3] = {{1, 2, 3, 4, 5, 6, 7, {}, 8, 9, 10, 11, 12, {}}, {}, {}};
  fresh();
  ASSERT_EQ(kav_sync_host_update__sendbatch(9, hosts, 3, 0), 0u);
  const u8* area = expect_one_area(384, "kav_sync_host_update__sendbatch");
  ASSERT_EQ(vmesh_send_count(), 1u);
  EXPECT_EQ(reinterpret_cast<const u8*>(send_call(0).entries), area + 336);
  for (u32 k = 0; k < 3; ++k) {
    const Sent s = sent(0, k);
    EXPECT_EQ(s.data, area + 112 * k);
    EXPECT_EQ(s.id, fnv1a("kav_sync.host_update"));
    EXPECT_EQ(s.length, 112u);
  }
}

}  // namespace
