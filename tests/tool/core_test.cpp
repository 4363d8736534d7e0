// The inspector's core as a library: identify on a buffer of every message, its JSON form and shape
// against the structures' descriptions, skeletons that encode,
// u64 values through a reader that keeps numbers as doubles, hex dumps, and the ways to name a
// message.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <random>
#include <sstream>

#include "codec/fixed.hpp"
#include "codec/visit.hpp"
#include "core.hpp"
#include "messages/descriptors.hpp"
#include "support/structures.hpp"

namespace {

namespace in = kav::inspect;
using in::Bytes;
using in::Json;

// Messages whose fields read the same bytes alike: equal kinds, widths and record shapes slot by
// slot (names aside). A buffer of one of them may rank any of the others first.
Json shape_only(const std::vector<in::Slot>& slots) {
  Json a = Json::array();
  for (const auto& s : slots) a.push_back({s.kind, s.width, s.count, shape_only(s.fields)});
  return a;
}

template <class M>
void identify_one(std::mt19937_64& rng, bool fixed) {
  using T = typename M::type;
  kav::test::Arena arena;
  const T s = kav::test::random_structure<T>(rng, arena, 3, false);
  Bytes b;
  if constexpr (!kav::has_vector<T>) {
    if (fixed) {
      b.resize(kav::fixed_length<T>);
      kav::test::encode_fixed(b.data(), s);
    }
  }
  if (!fixed) {
    b.resize(65536);
    kav::u32 len = static_cast<kav::u32>(b.size());
    ASSERT_EQ(M::pack_fn(&s, b.data(), &len), 0u);
    b.resize(len);
  }
  const auto found = in::identify(b);
  ASSERT_FALSE(found.empty());
  const in::Message& self = in::find_message(M::full_name);
  const Json mine = shape_only(in::shape(self).slots);
  // A list without items says nothing of its record: every list message then reads alike.
  const bool no_items = mine.back()[0] == "list" && in::decode(self, b).value["n_field1"] == 0;
  bool listed = false;
  for (const auto& c : found) {
    if (c.rank != 1) break;
    listed = listed || c.message == &self;
    EXPECT_EQ(c.layout, fixed ? in::Encoding::fixed : in::Encoding::compact);
    if (!no_items) {
      EXPECT_EQ(shape_only(in::shape(*c.message).slots), mine) << c.message->name << " ties";
    }
  }
  EXPECT_TRUE(listed) << "ranked first: " << found[0].message->name;
  const in::Decoded d = in::decode(self, b);
  EXPECT_FALSE(d.fault.has_value());
  EXPECT_TRUE(d.better.empty()) << d.better[0]->name;
}

TEST(InspectIdentify, EveryMessageRanksFirstOrTiesWithItsShape) {
  std::mt19937_64 rng(15);
  auto each = [&]<class M>() {
    SCOPED_TRACE(M::full_name);
    identify_one<M>(rng, false);
    if constexpr (!kav::has_vector<typename M::type>) identify_one<M>(rng, true);
  };
  kav::catalogue::for_each_message(kav::catalogue::kav_messages{}, each);
  kav::catalogue::for_each_message(kav::catalogue::kav_sync_messages{}, each);
}

// A table's length entry holds 16 bits; a list of 20,000 records runs past them, and its buffer is
// still exactly what the encoder writes (no search through the catalogue for a better fit).
TEST(InspectIdentify, AListPastSixteenBitsOfTableLengthFitsExactly) {
  kav::test::Arena arena;
  kav_host_update s{};
  s.field0 = 1;
  s.n_field1 = 20000;
  s.field1 = arena.make<kav_host>(s.n_field1);
  Bytes b(1u << 21);
  kav::u32 len = static_cast<kav::u32>(b.size());
  ASSERT_EQ(kav_host_update__pack(&s, b.data(), &len), 0u);
  b.resize(len);
  const in::Decoded d = in::decode(in::find_message("kav_host_update"), b);
  EXPECT_TRUE(d.fit.exact());
  EXPECT_TRUE(d.better.empty());
  EXPECT_EQ(d.value["n_field1"], 20000);
}

// decode judges the bytes of a buffer from the bits its walk claimed, explain from its byte map:
// both see the same bytes unreferenced, claimed twice, or padding of the fixed layout.
Bytes golden_bytes(const char* name) {
  std::ifstream in(std::string(KAV_GOLDEN) + "/" + name);
  std::stringstream text;
  text << in.rdbuf();
  return in::parse_hex(text.str());
}

TEST(InspectCoverage, DecodeAndExplainAccountForTheSameBytes) {
  const struct {
    const char* name;
    const char* message;
    const char* file;
    std::size_t cut;       // length kept, 0 for all
    std::size_t extra;     // zero bytes appended
    std::uint32_t second;  // a new offset word of the second list item, 0 to keep it
    bool every_byte;
  } rows[] = {
      {"two hosts, every byte their own", "kav_host_update", "host_update.hex", 0, 0, 0, true},
      {"bytes behind the list, across words of the map", "kav_host_update", "host_update.hex", 0, 70, 0, false},
      {"both items on the first table: its bytes claimed twice", "kav_host_update", "host_update.hex", 114, 0, 36,
       false},
      {"fixed layout, the rest is padding", "kav_pid_state_chg", "pid_state_chg.fixed.hex", 0, 0, 0, true},
      {"fixed layout with 8 bytes more than its padding", "kav_ot_flextemplate", "ot_flextemplate.fixed.hex", 0, 8, 0,
       false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Bytes b = golden_bytes(row.file);
    if (row.second != 0) std::memcpy(b.data() + 32, &row.second, 4);
    if (row.cut != 0) b.resize(row.cut);
    b.resize(b.size() + row.extra);
    const in::Message& m = in::find_message(row.message);
    const in::Decoded d = in::decode(m, b);
    const in::Report r = in::explain(m, b);
    EXPECT_TRUE(d.fit.well_formed);
    EXPECT_EQ(d.fit.every_byte, row.every_byte);
    EXPECT_EQ(r.fit.every_byte, row.every_byte);
  }
}

TEST(InspectSkeleton, EveryMessageEncodesAndDecodesBack) {
  for (const auto& m : in::messages()) {
    SCOPED_TRACE(m.name);
    const Json sk = in::skeleton(m);
    EXPECT_EQ(in::decode(m, in::encode(m, sk)).value, sk);
    if (m.fixed_length != 0) {
      EXPECT_EQ(in::decode(m, in::encode(m, sk, in::Encoding::fixed)).value, sk);
    }
  }
}

// The JSON form and the shape read straight from the C structure by its description, as an oracle
// for the inspector's walk over the engine's tables. Record names come from the compiler.
template <class R>
std::string type_name() {
  std::string_view f = __PRETTY_FUNCTION__;
  f.remove_prefix(f.find("R = ") + 4);
  return std::string(f.substr(0, f.find_first_of(";]")));
}
template <class T>
Json oracle_json(const T& v);
template <class T>
std::vector<in::Slot> oracle_slots();
struct Oracle {
  Json& j;
  std::vector<in::Slot>& slots;
  const kav::u8* base;
  kav::u32 at(const void* p) const { return static_cast<kav::u32>(static_cast<const kav::u8*>(p) - base); }
  static std::string f(kav::u32 k) { return "field" + std::to_string(k); }
  template <class U>
  void scalar(kav::u32 k, const U& x) {
    j[f(k)] = sizeof(U) == 8 ? Json(std::to_string(x)) : Json(static_cast<std::uint64_t>(x));
    slots.push_back({k, "u" + std::to_string(8 * sizeof(U)), sizeof(U), 0, at(&x), sizeof(U), "", {}});
  }
  template <std::size_t N>
  void byte_array(kav::u32 k, const kav::u8 (&a)[N]) {
    j[f(k)] = in::hex_string(in::ByteView(a, N));
    slots.push_back({k, "bytes", 1, N, at(&a), N, "", {}});
  }
  template <class E, std::size_t N>
  void struct_array(kav::u32 k, const E (&a)[N]) {
    Json arr = Json::array();
    for (const E& e : a) {
      if constexpr (std::is_unsigned_v<E>)
        arr.push_back(static_cast<std::uint64_t>(e));
      else
        arr.push_back(oracle_json(e));
    }
    j[f(k)] = arr;
    if constexpr (std::is_unsigned_v<E>)
      slots.push_back({k, "array", sizeof(E), N, at(&a), sizeof a, "u" + std::to_string(8 * sizeof(E)), {}});
    else
      slots.push_back({k, "array", sizeof(E), N, at(&a), sizeof a, type_name<E>(), oracle_slots<E>()});
  }
  template <class R>
  void nested(kav::u32 k, const R& r) {
    j[f(k)] = oracle_json(r);
    slots.push_back({k, "record", sizeof(R), 0, at(&r), sizeof(R), type_name<R>(), oracle_slots<R>()});
  }
  template <class R>
  void vector(kav::u32 k, const kav::u32& n, R* const& items) {
    j["n_" + f(k)] = n;
    Json arr = items == nullptr ? Json(nullptr) : Json::array();
    for (kav::u32 i = 0; items != nullptr && i < n; ++i) arr.push_back(oracle_json(items[i]));
    j[f(k)] = arr;
    slots.push_back({k, "list", sizeof(R), 0, at(&n), at(&items) + kav::u32{sizeof items} - at(&n), type_name<R>(),
                     oracle_slots<R>()});
  }
};
template <class T>
Json oracle_json(const T& v) {
  Json j = Json::object();
  std::vector<in::Slot> slots;
  kav::visit_slots(v, Oracle{j, slots, reinterpret_cast<const kav::u8*>(&v)});
  return j;
}
template <class T>
std::vector<in::Slot> oracle_slots() {
  static const T probe{};
  Json j;
  std::vector<in::Slot> slots;
  kav::visit_slots(probe, Oracle{j, slots, reinterpret_cast<const kav::u8*>(&probe)});
  return slots;
}
Json slots_json(const std::vector<in::Slot>& slots) {
  Json a = Json::array();
  for (const auto& s : slots)
    a.push_back({s.index, s.kind, s.width, s.count, s.offset, s.size, s.record, slots_json(s.fields)});
  return a;
}

TEST(InspectWalk, JsonAndShapeOfEveryMessageFollowItsDescription) {
  std::mt19937_64 rng(7);
  auto each = [&]<class M>() {
    using T = typename M::type;
    SCOPED_TRACE(M::full_name);
    const in::Message& m = in::find_message(M::full_name);
    EXPECT_EQ(slots_json(in::shape(m).slots), slots_json(oracle_slots<T>()));
    kav::test::Arena arena;
    const T s = kav::test::random_structure<T>(rng, arena, 3, true);
    Bytes b(65536);
    kav::u32 len = static_cast<kav::u32>(b.size());
    ASSERT_EQ(M::pack_fn(&s, b.data(), &len), 0u);
    b.resize(len);
    T out{};
    M::unpack_fn(b.data(), len, &out);
    const Json expected = oracle_json(out);
    M::free_fn(&out);
    EXPECT_EQ(in::unpack(m, b), expected);
    EXPECT_EQ(in::encode(m, expected), b);
  };
  kav::catalogue::for_each_message(kav::catalogue::kav_messages{}, each);
  kav::catalogue::for_each_message(kav::catalogue::kav_sync_messages{}, each);
}

// A reader like jq keeps every number as a double; u64 values written as strings pass through it.
Json through_doubles(const Json& j) {
  if (j.is_number()) return Json(j.get<double>());
  Json out = j;
  if (j.is_structured())
    for (auto it = out.begin(); it != out.end(); ++it) *it = through_doubles(*it);
  return out;
}

TEST(InspectJson, U64ExtremesSurviveADoubleReader) {
  const in::Message& m = in::find_message("kav_ot_cachelocalmsg");
  for (const char* v : {"0", "9007199254740993", "18446744073709551615"}) {
    SCOPED_TRACE(v);
    Json j = in::skeleton(m);
    j["field18"] = v;
    const Bytes b = in::encode(m, j);
    const Json out = in::decode(m, b).value;
    EXPECT_EQ(out["field18"], v);
    EXPECT_EQ(in::encode(m, through_doubles(in::parse_json(in::dump(out)))), b);
  }
}

TEST(InspectJson, ErrorsCarryTheirKindFieldPathAndPosition) {
  const std::string text = "{\"field1\": [{\"field13\": \"0001020x0405\"}]}";
  in::SourceMap map;
  const Json j = in::parse_json(text, &map);
  try {
    in::encode(in::find_message("kav_host_update"), j, in::Encoding::compact, &map);
    FAIL();
  } catch (const in::Error& e) {
    EXPECT_EQ(e.kind, in::ErrorKind::bad_input);
    EXPECT_EQ(e.path, "field1[0].field13");
    EXPECT_EQ(e.position, text.find('x'));
  }
}

TEST(InspectHex, CommonDumpFormats) {
  const Bytes want = {0x0e, 0, 0, 0, 0x0a, 0, 0x10, 0, 4, 0, 8, 0, 0x0c, 0, 0x0a, 0, 0, 0, 0x41};
  // clang-format off
  const std::pair<const char*, const char*> rows[] = {
    {"plain", "0e 00 00 00 0a 00 10 00 04 00 08 00 0c 00 0a 00 00 00 41"},
    {"0x and commas", "0x0e,0x00,0x00,0x00, 0x0a,0x00,0x10,0x00,0x04,0x00,0x08,0x00,0x0c,0x00,0x0a,0x00,0x00,0x00,0x41"},
    {"xxd", "00000000: 0e00 0000 0a00 1000 0400 0800 0c00 0a00  ................\n00000010: 0000 41                                  ..A\n"},
    {"hexdump -C", "00000000  0e 00 00 00 0a 00 10 00  04 00 08 00 0c 00 0a 00  |................|\n"
                   "00000010  00 00 41                                          |..A|\n00000013\n"},
    {"od -Ax -tx1", "000000 0e 00 00 00 0a 00 10 00 04 00 08 00 0c 00 0a 00\n000010 00 00 41\n000013\n"},
    {"od -tx1 (octal offsets)", "0000000 0e 00 00 00 0a 00 10 00 04 00 08 00 0c 00 0a 00\n0000020 00 00 41\n0000023\n"},
    {"xxd -g4, its text column showing byte order",
     "00000000: 0e000000 0a001000 04000800 0c000a00  ................\n00000010: 000041                             ..A\n"},
    {"zero bytes, not a dump", "00000000 0a00100004000800 0c000a00 000041"},
  };
  // clang-format on
  for (const auto& [name, text] : rows) {
    SCOPED_TRACE(name);
    Bytes w = want;
    w[0] = text[1] == 'x' || text[1] == 'e' ? 0x0e : 0;  // the last row's first word is zero
    if (std::string_view(name).substr(0, 4) != "zero") w[0] = 0x0e;
    EXPECT_EQ(in::parse_hex(text), w);
  }
}

TEST(InspectLookup, NamesInAnyCaseAndMsgIdsInEveryForm) {
  for (const char* key :
       {"kav_pid_state", "KAV_PID_STATE", "Kav.Pid_State", "0x95130b44", "0X95130B44", "95130b44", "2501053252"}) {
    SCOPED_TRACE(key);
    EXPECT_STREQ(in::find_message(key).name, "kav_pid_state");
  }
  try {
    in::find_message("KAV_HOST_UPDATE_");
    FAIL();
  } catch (const in::Error& e) {
    EXPECT_EQ(e.kind, in::ErrorKind::usage);
    EXPECT_EQ(std::string(e.what()).rfind("unknown message 'KAV_HOST_UPDATE_'; closest names: kav_host_update, ", 0),
              0u)
        << e.what();
  }
}

}  // namespace
