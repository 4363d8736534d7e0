// The inspector run as a program: golden outputs for each kind of message, round trips of every
// message through both layouts, its error messages, and its byte map of each kind of damage.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>
#include <string_view>

#include "catalogue/catalogue_values.hpp"
#include "codec/fixed.hpp"
#include "core.hpp"
#include "messages/descriptors.hpp"
#include "support/structures.hpp"

extern char** environ;

namespace {

namespace fs = std::filesystem;
namespace in = kav::inspect;
using Json = nlohmann::json;
using Bytes = std::vector<std::uint8_t>;

// ---- running the tool ------------------------------------------------------------------------

struct Scratch {
  fs::path dir;
  Scratch() {
    std::string tmpl = (fs::temp_directory_path() / "kav_tool_test.XXXXXX").string();
    dir = ::mkdtemp(tmpl.data());
  }
  ~Scratch() { fs::remove_all(dir); }
};

const fs::path& scratch() {
  static Scratch s;
  return s.dir;
}

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

fs::path put(const std::string& name, const std::string& content) {
  const fs::path p = scratch() / name;
  std::ofstream(p, std::ios::binary) << content;
  return p;
}

struct Outcome {
  int status;  // exit status, or minus the signal that ended the tool
  std::string out;
  std::string err;
};

// Runs the tool with the given arguments and standard input; no shell is involved.
Outcome kav(std::vector<std::string> args, const std::string& input = "") {
  const fs::path in = put("stdin", input), out = scratch() / "stdout", err = scratch() / "stderr";
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, in.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&fa, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  args.insert(args.begin(), KAV_TOOL);
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid;
  const int rc = posix_spawn(&pid, KAV_TOOL, &fa, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&fa);
  if (rc != 0) return {-1000, "", "spawn failed"};
  int ws = 0;
  waitpid(pid, &ws, 0);
  return {WIFEXITED(ws) ? WEXITSTATUS(ws) : -WTERMSIG(ws), slurp(out), slurp(err)};
}

Bytes bytes_of(const std::string& s) { return Bytes(s.begin(), s.end()); }

// Hex text as the tool prints it (or as the golden files hold it) to bytes.
Bytes from_hex(const std::string& text) {
  Bytes b;
  std::string digits;
  for (char c : text)
    if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
  for (std::size_t i = 0; i + 1 < digits.size(); i += 2)
    b.push_back(static_cast<std::uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
  return b;
}

std::string to_hex(const Bytes& b) {
  std::string s;
  char buf[4];
  for (auto x : b) {
    std::snprintf(buf, sizeof buf, "%02x ", x);
    s += buf;
  }
  return s;
}

fs::path golden(const std::string& name) { return fs::path(KAV_GOLDEN) / name; }

// ---- golden outputs ------------------------------------------------------------------------------

struct GoldenRow {
  const char* name;
  std::vector<std::string> args;  // "@file" stands for a golden file's path
  const char* expected;           // golden file with the expected standard output
  enum Compare { text, json, hex } compare;
};

// clang-format off
const GoldenRow kGolden[] = {
  {"record: the worked compact example decodes to 1, 2, 3", {"decode", "kav_pid_state", "--hex", "@pid_state.hex"}, "pid_state.json", GoldenRow::json},
  {"record: byte map of the worked compact example", {"explain", "kav.pid_state", "--hex", "@pid_state.hex"}, "pid_state.explain.txt", GoldenRow::text},
  {"record: a MsgId names the message", {"decode", "0x95130b44", "--hex", "@pid_state.hex"}, "pid_state.json", GoldenRow::json},
  {"record: JSON to the worked compact example", {"encode", "kav_pid_state", "--hex", "@pid_state.json"}, "pid_state.hex", GoldenRow::hex},
  {"nested: the worked fixed layout decodes", {"decode", "kav_pid_state_chg", "--hex", "@pid_state_chg.fixed.hex"}, "pid_state_chg.json", GoldenRow::json},
  {"nested: byte map of the fixed layout, padding included", {"explain", "kav_pid_state_chg", "--hex", "@pid_state_chg.fixed.hex"}, "pid_state_chg.explain.txt", GoldenRow::text},
  {"nested: JSON to the worked fixed layout", {"encode", "kav_pid_state_chg", "--fixed", "--hex", "@pid_state_chg.json"}, "pid_state_chg.fixed.hex", GoldenRow::hex},
  {"wrapper: two hosts decode with their count", {"decode", "kav_host_update", "--hex", "@host_update.hex"}, "host_update.json", GoldenRow::json},
  {"wrapper: byte map with item offsets", {"explain", "kav_host_update", "--hex", "@host_update.hex"}, "host_update.explain.txt", GoldenRow::text},
  {"wrapper: JSON to the compact layout", {"encode", "kav_host_update", "--compact", "--hex", "@host_update.json"}, "host_update.hex", GoldenRow::hex},
  {"report: fixed layout of three arrays of 42", {"encode", "kav_ot_flextemplate", "--fixed", "--hex", "@ot_flextemplate.json"}, "ot_flextemplate.fixed.hex", GoldenRow::hex},
  {"report: the fixed layout decodes", {"decode", "kav_ot_flextemplate", "--hex", "@ot_flextemplate.fixed.hex"}, "ot_flextemplate.json", GoldenRow::json},
  {"show: a nested record with its own slots", {"show", "kav_pid_state_chg"}, "pid_state_chg.show.txt", GoldenRow::text},
  {"show: a struct array's element record", {"show", "KAV.TEMPLATEFLOW", "--json"}, "templateflow.show.json", GoldenRow::json},
  {"report: byte map of the fixed layout", {"explain", "kav_ot_flextemplate", "--hex", "@ot_flextemplate.fixed.hex"}, "ot_flextemplate.explain.txt", GoldenRow::text},
};
// clang-format on

// A message's place in its package's list, from the lists themselves.
std::size_t list_index(std::string_view full_name) {
  std::size_t found = 0;
  auto search = [&](auto list) {
    std::size_t k = 0;
    kav::catalogue::for_each_message(list, [&]<class M>() {
      if (full_name == M::full_name) found = k;
      ++k;
    });
  };
  search(kav::catalogue::kav_messages{});
  search(kav::catalogue::kav_sync_messages{});
  return found;
}

// The goldens write a message's registration index as @ ("registration index @", "index": "@"):
// the test puts in the place the lists give, so a message added before it changes no golden file.
constexpr std::string_view kIndexAt = ", registration index @";
std::string with_index(std::string text) {
  const auto at = text.find(kIndexAt);
  if (at == std::string::npos) return text;
  const std::string index = std::to_string(list_index(std::string_view(text).substr(0, text.find(' '))));
  return text.replace(at + kIndexAt.size() - 1, 1, index);
}
Json with_index(Json j) {
  if (j.contains("index") && j["index"] == "@") j["index"] = list_index(j["name"].get<std::string>());
  return j;
}

// KAV_UPDATE_GOLDEN=1 rewrites the text goldens from the tool's output (review the diff, and put
// the @ back in place of a registration index).
TEST(ToolGolden, OutputsMatchTheCommittedFiles) {
  for (const auto& row : kGolden) {
    SCOPED_TRACE(row.name);
    std::vector<std::string> args;
    for (const auto& a : row.args) args.push_back(a[0] == '@' ? golden(a.substr(1)).string() : a);
    const Outcome r = kav(args);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string want = slurp(golden(row.expected));
    switch (row.compare) {
      case GoldenRow::text:
        if (std::getenv("KAV_UPDATE_GOLDEN") != nullptr) std::ofstream(golden(row.expected)) << r.out;
        EXPECT_EQ(r.out, with_index(want));
        break;
      case GoldenRow::json:
        EXPECT_EQ(Json::parse(r.out), with_index(Json::parse(want))) << r.out;
        break;
      case GoldenRow::hex:
        EXPECT_EQ(to_hex(from_hex(r.out)), to_hex(from_hex(want)));
        break;
    }
  }
}

TEST(ToolGolden, StructArrayOfRecordsRoundTrips) {
  const Outcome enc = kav({"encode", "kav_templateflow", golden("templateflow.json").string()});
  ASSERT_EQ(enc.status, 0) << enc.err;
  // Root offset 4, vtable 4 + 2 x 10, vtable reference 4, the non-zero scalars (u32, u8, three
  // u16: 11 bytes), the array's offset word 4, its count 4 and 42 entries of {u16, u8, u8}.
  EXPECT_EQ(enc.out.size(), 4u + 24u + 4u + 11u + 4u + 4u + 168u);
  const Outcome dec = kav({"decode", "kav_templateflow", put("tf.bin", enc.out).string()});
  ASSERT_EQ(dec.status, 0) << dec.err;
  EXPECT_EQ(Json::parse(dec.out), Json::parse(slurp(golden("templateflow.json"))));
}

// ---- list ------------------------------------------------------------------------------------------

constexpr std::uint32_t fnv1a(const char* text) {
  std::uint32_t h = 2166136261u;
  for (; *text != '\0'; ++text) h = (h ^ static_cast<std::uint8_t>(*text)) * 16777619u;
  return h;
}

TEST(ToolList, JsonAgreesWithTheCatalogueTable) {
  const Outcome r = kav({"list", "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  const Json all = Json::parse(r.out);
  ASSERT_EQ(all.size(), std::size(kav_catalogue::kRows));
  for (std::size_t i = 0; i < all.size(); ++i) {
    const auto& row = kav_catalogue::kRows[i];
    const Json& m = all[i];
    SCOPED_TRACE(row.name);
    char id[16];
    std::snprintf(id, sizeof id, "0x%08x", fnv1a(row.wire));
    EXPECT_EQ(m["name"], row.name);
    EXPECT_EQ(m["package"], row.package);
    EXPECT_EQ(m["wire_name"], row.wire);
    EXPECT_EQ(m["msg_id"], id);
    EXPECT_EQ(m["size"], row.size);
    EXPECT_EQ(m["slots"], row.slots);
    EXPECT_EQ(m["root"], row.form == kav_catalogue::kInPlace ? "in_place" : "delegating");
    if (row.encoder == kav_catalogue::kFixed) {
      EXPECT_EQ(m["encoder"], "fixed");
      EXPECT_EQ(m["fixed_length"], row.fixed_len);
    } else {
      EXPECT_EQ(m["encoder"], "compact");
      EXPECT_TRUE(m["fixed_length"].is_null());
    }
  }
}

TEST(ToolList, TextHasOneLinePerMessage) {
  const Outcome r = kav({"list"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto messages = kav::catalogue::message_count(kav::catalogue::kav_messages{}) +
                        kav::catalogue::message_count(kav::catalogue::kav_sync_messages{});
  EXPECT_EQ(static_cast<std::size_t>(std::count(r.out.begin(), r.out.end(), '\n')), 1 + messages);  // and a heading
  EXPECT_NE(r.out.find("kav       kav_pid_state                  kav.pid_state                  0x95130b44    12  "
                       "fixed L=32       3\n"),
            std::string::npos);
  EXPECT_NE(r.out.find("kav       kav_host_update                kav.host_update                0x6668de3d    16  "
                       "compact          2\n"),
            std::string::npos);
}

// ---- round trips of every message ------------------------------------------------------------------

// The JSON form, written here independently of the tool: field<k>, byte arrays as hex strings,
// arrays of records as arrays of objects, lists as n_field<k> and field<k>.
struct TestJson {
  Json& j;
  static std::string key(kav::u32 k) { return "field" + std::to_string(k); }
  template <class R>
  static Json of(const R& r) {
    Json o = Json::object();
    kav::visit_slots(r, TestJson{o});
    return o;
  }
  template <class U>
  void scalar(kav::u32 k, const U& x) {
    if constexpr (sizeof(U) == 8)
      j[key(k)] = std::to_string(x);  // u64 as a decimal string
    else
      j[key(k)] = x;
  }
  template <std::size_t N>
  void byte_array(kav::u32 k, const kav::u8 (&a)[N]) {
    std::string s;
    for (auto x : a) s += to_hex({x}).substr(0, 2);
    j[key(k)] = s;
  }
  template <class E, std::size_t N>
  void struct_array(kav::u32 k, const E (&a)[N]) {
    Json arr = Json::array();
    for (const E& e : a) {
      if constexpr (std::is_unsigned_v<E>)
        arr.push_back(e);
      else
        arr.push_back(of(e));
    }
    j[key(k)] = arr;
  }
  template <class R>
  void nested(kav::u32 k, const R& r) {
    j[key(k)] = of(r);
  }
  template <class R>
  void vector(kav::u32 k, const kav::u32& n, R* const& items) {
    j["n_" + key(k)] = items == nullptr ? 0 : n;
    Json arr = items == nullptr ? Json(nullptr) : Json::array();
    for (kav::u32 i = 0; items != nullptr && i < n; ++i) arr.push_back(of(items[i]));
    j[key(k)] = arr;
  }
};

// Through the inspector's core: the bytes of the library's own __pack and of the send path's
// fixed encoder, and back to the same JSON.
template <class M>
void round_trip(std::mt19937_64& rng) {
  using T = typename M::type;
  kav::test::Arena arena;
  const T s = kav::test::random_structure<T>(rng, arena, 3);
  const Json j = TestJson::of(s);
  const in::Message& m = in::find_message(M::full_name);

  Bytes packed(65536);
  kav::u32 len = static_cast<kav::u32>(packed.size());
  ASSERT_EQ(M::pack_fn(&s, packed.data(), &len), 0u);
  packed.resize(len);
  const in::Json ij = in::parse_json(j.dump());
  EXPECT_EQ(to_hex(in::encode(m, ij, in::Encoding::compact)), to_hex(packed));
  const in::Decoded dec = in::decode(m, packed);
  EXPECT_FALSE(dec.fault);
  EXPECT_EQ(Json::parse(in::dump(dec.value, -1)), j);

  if constexpr (!kav::has_vector<T>) {
    Bytes fixed(kav::fixed_length<T>);
    kav::test::encode_fixed(fixed.data(), s);
    EXPECT_EQ(to_hex(in::encode(m, ij, in::Encoding::fixed)), to_hex(fixed));
    const in::Decoded fdec = in::decode(m, fixed);
    EXPECT_FALSE(fdec.fault);
    EXPECT_EQ(Json::parse(in::dump(fdec.value, -1)), j);
  }
}

TEST(ToolRoundTrip, EveryMessageThroughBothLayouts) {
  std::mt19937_64 rng(20240611);
  auto each = [&]<class M>() {
    SCOPED_TRACE(M::full_name);
    round_trip<M>(rng);
  };
  kav::catalogue::for_each_message(kav::catalogue::kav_messages{}, each);
  kav::catalogue::for_each_message(kav::catalogue::kav_sync_messages{}, each);
}

// The same through the program, for a message of each shape: fixed, nested records, a list.
TEST(ToolRoundTrip, ThroughTheProgram) {
  const struct {
    const char* name;
    const char* layout;
  } rows[] = {{"kav_pid_state", "--fixed"},
              {"kav.pid_state", "--compact"},
              {"kav_host", "--compact"},
              {"kav_host_update", "--compact"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const in::Message& m = in::find_message(row.name);
    const in::Json j = in::skeleton(m);
    const Outcome enc = kav({"encode", row.name, row.layout, put("msg.json", j.dump()).string()});
    ASSERT_EQ(enc.status, 0) << enc.err;
    const Bytes want =
        in::encode(m, j, std::string_view(row.layout) == "--fixed" ? in::Encoding::fixed : in::Encoding::compact);
    EXPECT_EQ(to_hex(bytes_of(enc.out)), to_hex(want));
    const Outcome dec = kav({"decode", row.name, put("msg.bin", enc.out).string()});
    ASSERT_EQ(dec.status, 0) << dec.err;
    EXPECT_EQ(Json::parse(dec.out), Json::parse(in::dump(in::decode(m, want).value, -1)));
  }
}

// ---- errors --------------------------------------------------------------------------------------

struct ErrorRow {
  const char* name;
  std::vector<std::string> args;
  std::string input;    // standard input
  const char* message;  // expected on standard error
  int status = 3;       // 2 usage, 3 input or output
};

// clang-format off
const ErrorRow kErrors[] = {
  {"unknown message, closest names suggested", {"decode", "kav_hots"}, "",
   "kav: unknown message 'kav_hots'; closest names: kav_host, kav_smooth, kav_ethlen (kav list shows them all)\n", 2},
  {"unknown wire name", {"explain", "kav.pid_stat"}, "",
   "kav: unknown message 'kav.pid_stat'; closest names: kav_pid_state, ", 2},
  {"unknown MsgId", {"decode", "0x12345678"}, "", "kav: no message has MsgId 0x12345678 (kav list shows every MsgId)\n", 2},
  {"MsgId wider than 32 bits", {"decode", "0x123456789"}, "", "kav: '0x123456789' is not a 32-bit MsgId\n", 2},
  {"missing file", {"decode", "kav_pid_state", "/nonexistent/buffer.bin"}, "",
   "kav: cannot open '/nonexistent/buffer.bin': No such file or directory\n"},
  {"a directory is no file", {"decode", "kav_pid_state", "/"}, "", "kav: cannot read '/': Is a directory\n"},
  {"an output that cannot be opened", {"encode", "kav_pid_state", "-o", "/nonexistent/out.bin"}, "{}",
   "kav: cannot open '/nonexistent/out.bin' for writing: No such file or directory\n"},
  {"hex: a digit that is not hex", {"decode", "kav_pid_state", "--hex"}, "0e 00\n00 0g",
   "kav: malformed hex input: 'g' is not a hex digit (at line 2, column 5)\n"},
  {"hex: an odd number of digits", {"decode", "kav_pid_state", "--hex"}, "0x0e 0x0",
   "kav: malformed hex input: '0x0' has an odd number of hex digits (at line 1, column 6)\n"},
  {"JSON: syntax error with its position", {"encode", "kav_pid_state"}, "{\"field0\": }",
   "kav: malformed JSON: parse error at line 1, column 12: syntax error while parsing value - unexpected '}'; "
   "expected '[', '{', or a literal\n"},
  {"JSON: not an object", {"encode", "kav_pid_state"}, "[1, 2]", "kav: the message: expected an object of fields, got [1,2]\n"},
  {"JSON: u16 value too wide", {"encode", "kav_pid_state_chg"}, "{\"field0\": 65536}",
   "kav: field0: 65536 does not fit a u16 field (0 to 65535)\n"},
  {"JSON: u8 value too wide", {"encode", "kav_host"}, "{\"field8\": 256}", "kav: field8: 256 does not fit a u8 field (0 to 255)\n"},
  {"JSON: nested u32 value too wide", {"encode", "kav_pid_state_chg"}, "{\"field1\": {\"field2\": 4294967296}}",
   "kav: field1.field2: 4294967296 does not fit a u32 field (0 to 4294967295)\n"},
  {"JSON: negative value", {"encode", "kav_pid_state"}, "{\"field0\": -1}",
   "kav: field0: -1 is negative; a u32 field holds 0 to 4294967295\n"},
  {"JSON: fraction", {"encode", "kav_pid_state"}, "{\"field0\": 1.5}", "kav: field0: 1.5 is not a whole number\n"},
  {"JSON: text for a number", {"encode", "kav_pid_state"}, "{\"field0\": \"7x\"}",
   "kav: field0: expected a whole number for a u32 field, got \"7x\" (at line 1, column 14)\n"},
  {"JSON: unknown field", {"encode", "kav_pid_state"}, "{\"field3\": 1}",
   "kav: no field named \"field3\" in the message (its fields are field0 to field2)\n"},
  {"JSON: byte array one byte short", {"encode", "kav_host"}, "{\"field7\": \"000102030405060708090a0b0c0d0e\"}",
   "kav: field7: the byte array holds exactly 16 bytes (32 hex digits), got 15 bytes\n"},
  {"JSON: byte array one byte long", {"encode", "kav_host"}, "{\"field13\": \"00010203040506\"}",
   "kav: field13: the byte array holds exactly 6 bytes (12 hex digits), got 7 bytes\n"},
  {"JSON: byte array not hex", {"encode", "kav_host"}, "{\"field13\": \"00010203040x\"}",
   "kav: field13: 'x' is not a hex digit (at line 1, column 25)\n"},
  {"JSON: struct array of the wrong length", {"encode", "kav_templateflow"}, "{\"field9\": [{}, {}]}",
   "kav: field9: expected an array of exactly 42 elements, got 2 elements\n"},
  {"JSON: list count that disagrees with its items", {"encode", "kav_host_update"}, "{\"n_field1\": 2, \"field1\": [{}]}",
   "kav: n_field1: says 2 but field1 lists 1 record\n"},
  {"JSON: bad field inside a list item", {"encode", "kav_host_update"}, "{\"field1\": [{}, {\"field3\": 65536}]}",
   "kav: field1[1].field3: 65536 does not fit a u16 field (0 to 65535)\n"},
  {"mistyped subcommand", {"decod", "kav_host"}, "", "kav: unknown subcommand 'decod'; did you mean 'decode'?", 2},
  {"mistyped subcommand after help", {"help", "skeletn"}, "", "kav: unknown subcommand 'skeletn'; did you mean 'skeleton'?", 2},
  {"upper case names, suggestions by edit distance", {"show", "KAV_HOST_UPDAT"}, "",
   "kav: unknown message 'KAV_HOST_UPDAT'; closest names: kav_host_update, kav_host_delete", 2},
  {"an unknown option", {"list", "--bogus"}, "", "kav: The following argument was not expected: --bogus", 2},
  {"no subcommand", {}, "", "kav: a subcommand is required\n\nkav: inspect, decode", 2},
  {"JSON: duplicate key", {"encode", "kav_pid_state"}, "{\"field0\": 1,\n \"field0\": 2}",
   "kav: malformed JSON: duplicate key \"field0\" (at line 2, column 9)\n"},
  {"JSON: nesting deeper than any message needs", {"encode", "kav_pid_state"}, std::string(200000, '[').c_str(),
   "kav: malformed JSON: nested deeper than 16 levels; no message needs more than 5 (at line 1, column 17)\n"},
  {"JSON: a long value is cut short", {"encode", "kav_pid_state"}, ("{\"field0\": \"" + std::string(5000, '7') + "\"}").c_str(),
   "kav: field0: \"777777777777777777777777777777777777777... (5002 characters) does not fit a u32 field"},
  {"JSON: u64 beyond 2^64 - 1", {"encode", "kav_ot_cachelocalmsg"}, "{\"field18\": \"18446744073709551616\"}",
   "kav: field18: \"18446744073709551616\" does not fit a u64 field (0 to 18446744073709551615)\n"},
  {"JSON: a u64 rounded by a double", {"encode", "kav_ot_cachelocalmsg"}, "{\"field18\": 1.8446744073709552e+19}",
   "kav: field18: 1.8446744073709552e+19 is too large to be exact as a JSON number; write it as a string of digits\n"},
  {"JSON: an exact u64 too large for a double", {"encode", "kav_ot_cachelocalmsg"}, "{\"field18\": 9007199254740993.0}",
   "kav: field18: 9.007199254740992e+15 is too large to be exact as a JSON number; write it as a string of digits\n"},
  {"hex: a dump whose offsets skip", {"decode", "kav_pid_state", "--hex"}, "00000000  0e 00 00 00\n00000010  0a 00\n",
   "kav: malformed hex input: the offset column says 00000010 but 4 bytes came before (at line 2, column 1)\n"},
  {"hex: a dump cut from its middle", {"decode", "kav_pid_state", "--hex"}, "00000010: 0e00 0000  ....\n",
   "kav: malformed hex input: ':' is not a hex digit; a dump's offset column starts at zero (at line 1, column 9)\n"},
  {"hex: hexdump's 16-bit words", {"decode", "kav_pid_state", "--hex"}, "0000000 000e 0000 000a 0010\n",
   "kav: malformed hex input: groups of 4 hex digits behind the offset column are 16-bit words"},
  {"hex: xxd -e's 32-bit words, shown by the text column", {"decode", "kav_pid_state", "--hex"},
   "00000000: 44434241 48474645  ABCDEFGH\n", "kav: malformed hex input: the text column shows this group's bytes in the other order"},
  {"hex: groups of 8 hex digits nothing tells apart", {"decode", "kav_pid_state", "--hex"},
   "00000000: 0000000e 0010000a  ........\n", "kav: malformed hex input: groups of 8 hex digits may be 32-bit words"},
  {"stream: a frame cut short", {"decode", "kav_pid_state", "--framed"}, std::string("\x20\x00\x00\x00\x01", 5),
   "kav: frame 1: its length says 32 bytes but only 1 follow\n"},
  {"a list has no fixed layout", {"encode", "kav_host_update", "--fixed"}, "{}",
   "kav: kav_host_update has no fixed layout: it carries a list and is always sent compact\n", 2},
  {"capture: a message as well", {"decode", "kav_pid_state", "--capture", "x.pcapng"}, "",
   "kav: --capture reads a capture file: no MSG, FILE, --hex, --lines or --framed\n", 2},
  {"capture: --follow alone", {"decode", "kav_pid_state", "--follow"}, "", "kav: --follow goes with --capture FILE\n", 2},
  {"best: a message as well", {"decode", "--best", "kav_pid_state", "x.bin"}, "",
   "kav: --best takes no MSG: the buffer is decoded as its best match\n", 2},
  {"best: a capture instead of buffers", {"decode", "--best", "--capture", "x.pcapng"}, "",
   "kav: --best decodes buffers, not a capture", 2},
  {"capture: no message and no capture", {"explain"}, "", "kav: MSG is required (kav list names them), or --capture", 2},
  {"capture: missing file", {"decode", "--capture", "/nonexistent/x.pcapng"}, "",
   "kav: cannot open '/nonexistent/x.pcapng': No such file or directory\n"},
  {"capture: not a capture", {"explain", "--capture", "/proc/self/cmdline"}, "",
   "kav: '/proc/self/cmdline': block at offset 0: not a pcapng capture"},
  {"trace: no output file", {"trace", "--", "true"}, "", "kav: kav trace needs -o FILE, the capture to write\n", 2},
  {"trace: no program", {"trace", "-o", "/tmp/never.pcapng"}, "", "kav: kav trace needs a program to run", 2},
  {"trace: an unknown message", {"trace", "-o", "/tmp/never.pcapng", "--messages", "kav_hots", "--", "true"}, "",
   "kav: unknown message 'kav_hots'; closest names: kav_host", 2},
  {"trace: an unknown option", {"trace", "--bogus", "-o", "x"}, "", "kav: unknown option '--bogus'", 2},
  {"trace: a capture that cannot be written", {"trace", "-o", "/nonexistent/x.pcapng", "--", "true"}, "",
   "kav: cannot open '/nonexistent/x.pcapng' for writing: No such file or directory\n"},
};
// clang-format on

TEST(ToolErrors, ClearMessageAndExitStatusByCause) {
  for (const auto& row : kErrors) {
    SCOPED_TRACE(row.name);
    const Outcome r = kav(row.args, row.input);
    EXPECT_EQ(r.status, row.status) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.substr(0, std::strlen(row.message)), row.message);
  }
}

// -c puts JSON on one line; -q leaves only errors and faults on standard error, before or after
// the subcommand's own options.
TEST(ToolOptions, OneLineAndQuiet) {
  const std::string ps = "0e0000000a001000040008000c000a000000010000000200000003000000";
  const struct {
    std::vector<std::string> args;
    std::string input, out, err;
    int status;
  } rows[] = {
      {{"decode", "kav_pid_state", "--hex", "-c", "-q"}, ps, "{\"field0\":1,\"field1\":2,\"field2\":3}\n", "", 0},
      {{"-q", "decode", "kav_pid_state", "--hex", "--compact-output"},
       ps,
       "{\"field0\":1,\"field1\":2,\"field2\":3}\n",
       "",
       0},
      {{"skeleton", "kav_pid_state", "-c"}, "", "{\"field0\":0,\"field1\":0,\"field2\":0}\n", "", 0},
      {{"decode", "kav_pid_state", "--hex", "--quiet", "-c"},
       "04000000",
       "{\"field0\":0,\"field1\":0,\"field2\":0}\n",
       "kav: malformed buffer: at position 0: root table (kav_pid_state) would start at 4, but a table must start "
       "between 4 and 0 (the length minus 4) (kav explain shows the byte map)\n",
       1},
  };
  for (const auto& row : rows) {
    const Outcome r = kav(row.args, row.input);
    EXPECT_EQ(r.status, row.status) << r.err;
    EXPECT_EQ(r.out, row.out);
    EXPECT_EQ(r.err, row.err);
  }
}

// kav trace answers with the program's own exit status, also when the program cannot start or dies.
TEST(ToolTrace, ExitsWithTheProgramsStatus) {
  const std::string capture = (scratch() / "trace.pcapng").string();
  const struct {
    std::vector<std::string> program;
    int status;
    const char* says;
  } rows[] = {
      {{"sh", "-c", "exit 7"}, 7, "exited with 7; 0 messages sent and 0 received"},
      {{"/nonexistent/program"}, 127, "kav: cannot run '/nonexistent/program': No such file or directory"},
      {{"sh", "-c", "kill -9 $$"}, 128 + 9, "was killed by signal 9"},
  };
  for (const auto& row : rows) {
    std::vector<std::string> args = {"trace", "-o", capture, "--"};
    args.insert(args.end(), row.program.begin(), row.program.end());
    const Outcome r = kav(args);
    EXPECT_EQ(r.status, row.status) << r.err;
    EXPECT_NE(r.err.find(row.says), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("open it with: " KAV_TOOL " decode --capture " + capture), std::string::npos) << r.err;
  }
}

// ---- decode reports the library's log lines --------------------------------------------------------

TEST(ToolDecode, MalformedBufferPrintsTheStructureAndExitsOne) {
  // A 4-byte buffer whose root offset is 4: the table position check fails and is logged.
  const Outcome r = kav({"decode", "kav_pid_state", "--hex"}, "04 00 00 00");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(Json::parse(r.out), Json::parse(R"({"field0": 0, "field1": 0, "field2": 0})"));
  EXPECT_EQ(r.err,
            "kav: library log: kav_pid_state_unpack: [KESMO]:Table offset(4) is out of range(4 - 4) "
            "(level 2, code 22, line 111)\n"
            "kav: malformed buffer: at position 0: root table (kav_pid_state) would start at 4, but a table must "
            "start between 4 and 0 (the length minus 4) (kav explain shows the byte map)\n");
}

// ---- decode --best: the message identify ranks first, named in the output ---------------------------

// The MsgId of a message as list prints it, from the transcribed catalogue table.
std::string msg_id_of(const std::string& name) {
  for (const auto& row : kav_catalogue::kRows) {
    char id[16];
    std::snprintf(id, sizeof id, "0x%08x", fnv1a(row.wire));
    if (name == row.name) return id;
  }
  return "";
}

TEST(ToolDecodeBest, NamesTheFirstRankedMessageOfEachBuffer) {
  const std::string ps = slurp(golden("pid_state.hex"));
  const struct {
    const char* name;
    std::vector<std::string> args;
    std::string input;
    std::vector<const char*> names;  // per output line: the message, or nullptr for null
    const char* layout;              // of the first line
    const char* fields;              // golden JSON of the first line's fields
    int status;
    const char* err;  // expected on standard error, or nullptr for anything
  } rows[] = {
      {"record: five messages share its shape, the first in the catalogue is named",
       {"--hex"},
       ps,
       {"kav_pid_state"},
       "compact",
       "pid_state.json",
       0,
       "kav: 5 messages share rank 1; the first is kav_pid_state (kav identify lists them)\n"},
      {"list: read as the update, not the delete",
       {"--hex", "-q"},
       slurp(golden("host_update.hex")),
       {"kav_host_update"},
       "compact",
       "host_update.json",
       0,
       ""},
      {"fixed layout: the message of length L",
       {"--hex", "-q"},
       slurp(golden("ot_flextemplate.fixed.hex")),
       {"kav_ot_flextemplate"},
       "fixed",
       "ot_flextemplate.json",
       0,
       ""},
      {"no message accepts a bare root offset",
       {"--hex"},
       "04 00 00 00",
       {},
       nullptr,
       nullptr,
       1,
       "kav: no message accepts this 4-byte buffer with every byte accounted for\n"},
      {"stream: a buffer, a line that is no hex, a buffer nothing accepts",
       {"--lines", "-q"},
       "0e0000000a001000040008000c000a000000010000000200000003000000\nzz\n04000000\n",
       {"kav_pid_state", nullptr, nullptr},
       "compact",
       "pid_state.json",
       3,
       nullptr},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<std::string> args = {"decode", "--best"};
    args.insert(args.end(), row.args.begin(), row.args.end());
    const Outcome r = kav(args, row.input);
    EXPECT_EQ(r.status, row.status) << r.err;
    if (row.err != nullptr) {
      EXPECT_EQ(r.err, row.err);
    }
    std::vector<Json> lines;  // one document, or one per line of a stream
    std::istringstream out(r.out);
    if (row.args[0] == "--lines")
      for (std::string l; std::getline(out, l);) lines.push_back(Json::parse(l));
    else if (!r.out.empty())
      lines.push_back(Json::parse(r.out));
    ASSERT_EQ(lines.size(), row.names.size()) << r.out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (row.names[i] == nullptr) {
        EXPECT_TRUE(lines[i].is_null()) << lines[i];
        continue;
      }
      EXPECT_EQ(lines[i]["name"], row.names[i]);
      EXPECT_EQ(lines[i]["msg_id"], msg_id_of(row.names[i]));
    }
    if (!lines.empty() && row.fields != nullptr) {
      EXPECT_EQ(lines[0]["layout"], row.layout);
      EXPECT_EQ(lines[0]["fields"], Json::parse(slurp(golden(row.fields))));
    }
  }
}

// ---- explain: one kind of damage per row -----------------------------------------------------------

struct ExplainRow {
  const char* name;
  const char* message;
  const char* hex;
  int status;          // 0 well-formed, 1 malformed
  const char* fields;  // the "fields:" line
  const char* check;   // the "first failing check" line, or nullptr
  const char* log;     // the library's log line, or nullptr
};

// Buffers: the worked 30-byte kav_pid_state {1, 2, 3}; kav_pid_state_chg {7, {1, 2, 3}} in the
// compact layout (48 bytes: root table at 12, nested vtable at 22, nested table at 32); an
// all-zero kav_host (78 bytes: offset words at 40 and 44, counts 16 at 48 and 6 at 68); and
// kav_host_update of two hosts (190 bytes: count 2 at 24, item offsets at 28 and 32, items at
// 68 and 146).
#define PS_VT "0a 00 10 00 04 00 08 00 0c 00 "
#define PS_TABLE "0a 00 00 00 01 00 00 00 02 00 00 00 03 00 00 00"
#define CHG_HEAD "0c 00 00 00 08 00 0a 00 04 00 06 00 08 00 00 00 07 00 "
#define CHG_NESTED "0a 00 10 00 04 00 08 00 0c 00 0a 00 00 00 01 00 00 00 02 00 00 00 03 00 00 00"
#define HOST_HEAD                                                                                                      \
  "24 00 00 00 20 00 2a 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 04 00 00 00 00 00 00 00 00 00 00 00 08 00 20 00 " \
  "00 00 "
#define HOST_ZEROS16 "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
// clang-format off
const ExplainRow kExplain[] = {
  {"well-formed compact buffer", "kav_pid_state", "0e 00 00 00 " PS_VT PS_TABLE, 0,
   "fields: field0 to field2 decoded", nullptr, nullptr},
  {"vtable shorter than the record: later slots absent", "kav_pid_state",
   "0e 00 00 00 06 00 10 00 04 00 08 00 0c 00 " PS_TABLE, 0,
   "fields: field0 decoded, field1 and field2 absent (zero)", nullptr, nullptr},
  {"table at length - 4 is accepted", "kav_pid_state", "1a 00 00 00 " PS_VT PS_TABLE, 0,
   "fields: field0 to field2 absent (zero)", nullptr, nullptr},
  {"buffer shorter than 4 bytes", "kav_pid_state", "0e 00 00", 1,
   "fields: none decoded; the structure stays zero",
   "first failing check, at position 0: the buffer holds 3 bytes; the smallest buffer is 4 bytes (its root offset)",
   "kav_pid_state_unpack: [KESMO]:Param invalid(nonNull, 3, nonNull)"},
  {"root offset 3", "kav_pid_state", "03 00 00 00 " PS_VT PS_TABLE, 1,
   "fields: none decoded; the structure stays zero",
   "first failing check, at position 0: root table (kav_pid_state) would start at 3, but a table must start between 4 "
   "and 26 (the length minus 4)",
   "kav_pid_state_unpack: [KESMO]:Table offset(3) is out of range(4 - 30)"},
  {"root offset length - 3", "kav_pid_state", "1b 00 00 00 " PS_VT PS_TABLE, 1,
   "fields: none decoded; the structure stays zero",
   "first failing check, at position 0: root table (kav_pid_state) would start at 27, but a table must start between 4 "
   "and 26 (the length minus 4)",
   "kav_pid_state_unpack: [KESMO]:Table offset(27) is out of range(4 - 30)"},
  {"vtable reference pointing past the buffer", "kav_pid_state",
   "0e 00 00 00 " PS_VT "f0 ff ff ff 01 00 00 00 02 00 00 00 03 00 00 00", 1,
   "fields: none decoded; the structure stays zero",
   "first failing check, at position 14: root table (kav_pid_state) at 14 has the vtable reference -16, so its vtable "
   "would be at 30, outside the range 4 to 26",
   "kav_pid_state_unpack: [KESMO]:Vtable offset(30) is out of range(4 - 26)"},
  {"vtable longer than the buffer", "kav_pid_state",
   "0e 00 00 00 c8 00 10 00 04 00 08 00 0c 00 " PS_TABLE, 1,
   "fields: none decoded; the structure stays zero",
   "first failing check, at position 4: the vtable of root table (kav_pid_state) at 4 says it is 200 bytes long, so it "
   "would end at 204, past the end of the 30-byte buffer",
   "kav_pid_state_unpack: [KESMO]:Vtable Len(200) is out of range(0 - 26)"},
  {"scalar ending one byte past the buffer", "kav_pid_state",
   "0e 00 00 00 0a 00 10 00 04 00 08 00 0d 00 " PS_TABLE, 1,
   "fields: field0 and field1 decoded, field2 failed (zero)",
   "first failing check, at position 27: field2 (slot 2, u32) at table offset 13 would end at 31, past the end of the "
   "30-byte buffer", nullptr},
  {"offset word ending past the buffer", "kav_pid_state_chg",
   "0c 00 00 00 08 00 0a 00 04 00 22 00 08 00 00 00 07 00 0e 00 00 00 " CHG_NESTED, 1,
   "fields: field0 decoded, field1 failed (zero)",
   "first failing check, at position 46: the offset word of field1 at table offset 34 would end at 50, past the end of "
   "the 48-byte buffer", nullptr},
  {"offset word whose target wraps", "kav_pid_state_chg", CHG_HEAD "ff ff ff ff " CHG_NESTED, 1,
   "fields: field0 decoded, field1 failed (zero)",
   "first failing check, at position 18: the offset word of field1 at 18 holds 4294967295, and 18 + 4294967295 wraps "
   "around 2^32", nullptr},
  {"nested table outside the buffer", "kav_pid_state_chg", CHG_HEAD "28 00 00 00 " CHG_NESTED, 1,
   "fields: field0 decoded, field1 failed (zero)",
   "first failing check, at position 18: nested table field1 (kav_pid_state) would start at 58, but a table must start "
   "between 4 and 44 (the length minus 4)",
   "kav_pid_state_unpack_non_root: [KESMO]:Table offset(58) is out of range(4 - 48)"},
  {"count word of a byte array outside the buffer", "kav_host",
   HOST_HEAD "24 00 00 00 18 00 00 00 10 00 00 00 " HOST_ZEROS16 "06 00 00 00 00 00 00 00 00 00", 1,
   "fields: field0 to field6 absent (zero), field7 failed (zero), field8 to field13 not reached (zero)",
   "first failing check, at position 76: the count of field7 at 76 would end at 80, past the end of the 78-byte buffer",
   nullptr},
  {"array elements running past the buffer", "kav_host",
   HOST_HEAD "08 00 00 00 18 00 00 00 10 00 00 00 " HOST_ZEROS16 "07 00 00 00 00 00 00 00 00 00", 1,
   "fields: field0 to field6 absent (zero), field7 decoded, field8 to field12 absent (zero), field13 failed (zero)",
   "first failing check, at position 68: field13: 7 elements of 1 byte from 72 would end at 79, past the end of the "
   "78-byte buffer", nullptr},
  {"byte array [16] with count 15", "kav_host",
   HOST_HEAD "08 00 00 00 18 00 00 00 0f 00 00 00 " HOST_ZEROS16 "06 00 00 00 00 00 00 00 00 00", 1,
   "fields: field0 to field6 absent (zero), field7 failed (zero), field8 to field13 not reached (zero)",
   "first failing check, at position 48: field7 holds 15 elements, but it is a fixed array of exactly 16", nullptr},
  {"byte array [16] with count 17", "kav_host",
   HOST_HEAD "08 00 00 00 18 00 00 00 11 00 00 00 " HOST_ZEROS16 "06 00 00 00 00 00 00 00 00 00", 1,
   "fields: field0 to field6 absent (zero), field7 failed (zero), field8 to field13 not reached (zero)",
   "first failing check, at position 48: field7 holds 17 elements, but it is a fixed array of exactly 16", nullptr},
};
// clang-format on

// Rows that patch a golden buffer: the two-host list (count 2 at 24, item offsets at 28 and 32,
// items at 68 and 146) and the fixed kav_ot_flextemplate (count 42 of field7 at 26).
struct PatchRow {
  const char* name;
  const char* message;
  const char* file;
  std::uint32_t pos;
  Bytes bytes;
  const char* fields;
  const char* check;
  const char* log;
  const char* null_list;  // the warning about a list dropped after its count was read, or ""
};
#define LIST_FIELDS "fields: field0 decoded, field1 failed (zero)"
#define LIST_NULL "field1 is null while n_field1 keeps 2: test field1 before n_field1"
// clang-format off
const PatchRow kPatches[] = {
  {"list count of 2^30 refused before multiplying", "kav_host_update", "host_update.hex", 24, {0x00, 0x00, 0x00, 0x40},
   LIST_FIELDS, "first failing check, at position 24: field1: a count of 1073741824 items is refused (2^30 or more)",
   nullptr, ""},
  {"list running past the buffer", "kav_host_update", "host_update.hex", 24, {0x00, 0x00, 0x00, 0x10},
   LIST_FIELDS, "first failing check, at position 24: field1: 268435456 items of 4 bytes from 28 would end at "
   "1073741852, past the end of the 190-byte buffer", nullptr, ""},
  {"item offset word whose target wraps", "kav_host_update", "host_update.hex", 28, {0xff, 0xff, 0xff, 0xff},
   LIST_FIELDS, "first failing check, at position 28: the offset word of field1[0] at 28 holds 4294967295, and 28 + "
   "4294967295 wraps around 2^32", nullptr, LIST_NULL},
  {"second item's vtable reference pointing outside", "kav_host_update", "host_update.hex", 146, {0x00, 0x01, 0x00, 0x00},
   LIST_FIELDS, "first failing check, at position 146: item field1[1] (kav_host) at 146 has the vtable reference 256, so "
   "its vtable would be at 4294967186 (wrapped around 2^32), outside the range 4 to 186",
   "kav_host_unpack_non_root: [KESMO]:Vtable offset(4294967186) is out of range(4 - 186)", LIST_NULL},
  {"array of 2-byte elements with a count of 2^31", "kav_ot_flextemplate", "ot_flextemplate.fixed.hex", 26,
   {0x00, 0x00, 0x00, 0x80},
   "fields: field0 to field6 decoded, field7 failed (zero), field8 and field9 not reached (zero)",
   "first failing check, at position 26: field7: a count of 2147483648 elements is refused (2^31 or more)", nullptr, ""},
  {"array [42] with count 41 in the fixed layout", "kav_ot_flextemplate", "ot_flextemplate.fixed.hex", 118,
   {0x29, 0x00, 0x00, 0x00},
   "fields: field0 to field7 decoded, field8 failed (zero), field9 not reached (zero)",
   "first failing check, at position 118: field8 holds 41 elements, but it is a fixed array of exactly 42", nullptr, ""},
};
// clang-format on

std::string line_starting(const std::string& text, const std::string& prefix) {
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (line.rfind(prefix, 0) == 0) return line;
  return "";
}

void expect_explained(const Outcome& r, int status, const char* fields, const char* check, const char* log) {
  EXPECT_EQ(r.status, status) << r.out << r.err;
  EXPECT_EQ(line_starting(r.out, "fields:"), fields);
  if (check != nullptr) {
    EXPECT_EQ(line_starting(r.out, "first failing check"), check);
  } else {
    EXPECT_EQ(line_starting(r.out, "every check passes"), "every check passes: the buffer is well-formed");
  }
  const std::string logged = line_starting(r.out, "library log: ");
  if (log != nullptr) {
    EXPECT_EQ(logged.substr(0, 13 + std::strlen(log)), std::string("library log: ") + log);
  } else {
    EXPECT_EQ(logged, "");
  }
  EXPECT_EQ(line_starting(r.out, "cross-check"), "cross-check: __unpack produced exactly the fields predicted above");
}

TEST(ToolExplain, OneRowPerFailingCheck) {
  for (const auto& row : kExplain) {
    SCOPED_TRACE(row.name);
    expect_explained(kav({"explain", row.message, "--hex"}, row.hex), row.status, row.fields, row.check, row.log);
  }
}

TEST(ToolExplain, PatchedGoldenBuffers) {
  for (const auto& row : kPatches) {
    SCOPED_TRACE(row.name);
    Bytes b = from_hex(slurp(golden(row.file)));
    ASSERT_LE(row.pos + row.bytes.size(), b.size());
    std::copy(row.bytes.begin(), row.bytes.end(), b.begin() + row.pos);
    const Outcome r = kav({"explain", row.message, put("patched.bin", std::string(b.begin(), b.end())).string()});
    expect_explained(r, 1, row.fields, row.check, row.log);
    EXPECT_EQ(line_starting(r.out, "field1 is null"), row.null_list);
  }
}

TEST(ToolExplain, BytesNothingRefersTo) {
  const Outcome r = kav({"explain", "kav_pid_state", "--hex"}, "0e 00 00 00 " PS_VT PS_TABLE " de ad be ef");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("      30  de ad be ef               4 bytes unreferenced: nothing refers to these bytes\n"),
            std::string::npos)
      << r.out;
}

// Damaged copies of every message's buffers: the inspector never crashes, explain and __unpack
// never disagree, and decode always gives a structure.
TEST(ToolExplain, AgreesWithUnpackOnDamagedBuffers) {
  std::mt19937_64 rng(7);
  auto each = [&]<class M>() {
    using T = typename M::type;
    SCOPED_TRACE(M::full_name);
    kav::test::Arena arena;
    const T s = kav::test::random_structure<T>(rng, arena, 2);
    Bytes b(65536);
    kav::u32 len = static_cast<kav::u32>(b.size());
    ASSERT_EQ(M::pack_fn(&s, b.data(), &len), 0u);
    b.resize(len);
    for (int round = 0; round < 2; ++round) {
      Bytes d = b;
      if (round == 0) {
        d.resize(rng() % d.size());  // cut short
      } else {
        for (int i = 0; i < 3; ++i) d[rng() % d.size()] = static_cast<std::uint8_t>(rng() % 3 == 0 ? 0xff : rng());
      }
      const in::Message& m = in::find_message(M::full_name);
      const in::Report e = in::explain(m, d);
      EXPECT_TRUE(e.agrees) << to_hex(d) << "\n" << e.text;
      const in::Decoded dec = in::decode(m, d);
      EXPECT_EQ(dec.fault.has_value(), !e.well_formed);  // decode and explain judge a buffer alike
      EXPECT_TRUE(Json::accept(in::dump(dec.value, -1)));
    }
  };
  kav::catalogue::for_each_message(kav::catalogue::kav_messages{}, each);
  kav::catalogue::for_each_message(kav::catalogue::kav_sync_messages{}, each);
}

}  // namespace

// ---- streams, terminals, output ------------------------------------------------------------------

namespace {

// Through pipes, each record is answered before the next arrives: the tool is usable as a filter
// on a live stream, in both directions.
TEST(ToolStream, EachRecordIsAnsweredBeforeTheNextArrives) {
  const struct {
    std::vector<std::string> args;
    std::string record, answer;
  } rows[] = {
      {{"decode", "kav_pid_state", "--lines"},
       "0e0000000a001000040008000c000a000000010000000200000003000000\n",
       "{\"field0\":1,\"field1\":2,\"field2\":3}\n"},
      {{"encode", "kav_pid_state", "--lines"},
       "{\"field0\":1,\"field1\":2,\"field2\":3}\n",
       "0e0000000a001000040008000c000a000000010000000200000003000000\n"},
  };
  for (const auto& row : rows) {
    int to[2], from[2];
    ASSERT_EQ(::pipe(to), 0);
    ASSERT_EQ(::pipe(from), 0);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, to[0], 0);
    posix_spawn_file_actions_adddup2(&fa, from[1], 1);
    posix_spawn_file_actions_addclose(&fa, to[1]);
    posix_spawn_file_actions_addclose(&fa, from[0]);
    std::vector<std::string> args = row.args;
    args.insert(args.begin(), KAV_TOOL);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid;
    ASSERT_EQ(posix_spawn(&pid, KAV_TOOL, &fa, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&fa);
    ::close(to[0]);
    ::close(from[1]);
    std::string got;
    for (int round = 0; round < 2; ++round) {  // the input stays open while the answer is awaited
      ASSERT_EQ(::write(to[1], row.record.data(), row.record.size()), static_cast<ssize_t>(row.record.size()));
      std::string answer;
      char c;
      pollfd ready{from[0], POLLIN, 0};
      while (answer.size() < row.answer.size() && ::poll(&ready, 1, 10000) == 1 && ::read(from[0], &c, 1) == 1)
        answer += c;
      EXPECT_EQ(answer, row.answer) << row.args[0] << " round " << round;
    }
    ::close(to[1]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(from[0]);
    EXPECT_EQ(status, 0);
  }
}

TEST(ToolStream, ABadLineInTheMiddleKeepsTheRestAndSetsTheWorstStatus) {
  const std::string good = slurp(golden("pid_state.hex"));
  std::string flat;
  for (char c : good) flat += c == '\n' ? ' ' : c;
  // good, not hex, malformed (root offset 4 in 4 bytes), empty (a record that failed), good
  const std::string in = flat + "\nzz\n04 00 00 00\n\n" + flat + "\n";
  const Outcome d = kav({"decode", "kav_pid_state", "--lines"}, in);
  EXPECT_EQ(d.status, 3);
  EXPECT_EQ(d.out,
            "{\"field0\":1,\"field1\":2,\"field2\":3}\nnull\n{\"field0\":0,\"field1\":0,\"field2\":0}\n"
            "null\n{\"field0\":1,\"field1\":2,\"field2\":3}\n");
  EXPECT_NE(d.err.find("kav: line 2: malformed hex: 'z' is not a hex digit"), std::string::npos) << d.err;
  EXPECT_NE(d.err.find("kav: line 3: malformed buffer: at position 0"), std::string::npos) << d.err;
  EXPECT_NE(d.err.find("kav: line 4: an empty line where a buffer should be"), std::string::npos) << d.err;

  // JSON Lines to hex lines and back: a failed or empty record keeps its place in both directions.
  const Outcome enc_lines = kav({"encode", "kav_pid_state", "--lines"}, "{\"field0\": 1}\n{\"field0\": -1}\n\n{}\n");
  EXPECT_EQ(enc_lines.status, 3);
  EXPECT_NE(enc_lines.err.find("kav: line 3: an empty line where a record should be"), std::string::npos);
  const Outcome dec_lines = kav({"decode", "kav_pid_state", "--lines"}, enc_lines.out);
  EXPECT_EQ(dec_lines.out,
            "{\"field0\":1,\"field1\":0,\"field2\":0}\nnull\nnull\n{\"field0\":0,\"field1\":0,\"field2\":0}\n");

  const Outcome e = kav({"explain", "kav_pid_state", "--lines"}, flat + "\n04 00 00 00\n");
  EXPECT_EQ(e.status, 1);
  std::istringstream lines(e.out);
  std::string l1, l2;
  std::getline(lines, l1);
  std::getline(lines, l2);
  EXPECT_EQ(Json::parse(l1)["well_formed"], true);
  EXPECT_EQ(Json::parse(l1)["layout"], "compact");
  EXPECT_EQ(Json::parse(l2)["line"], 2);
  EXPECT_EQ(Json::parse(l2)["fault"]["log"], "kav_pid_state_unpack");

  // JSON Lines to frames and back; a value that does not fit leaves its line out.
  const Outcome enc = kav({"encode", "kav_pid_state", "--framed"}, "{\"field0\": 1}\n{\"field0\": -1}\n{}\n");
  EXPECT_EQ(enc.status, 3);
  EXPECT_NE(enc.err.find("kav: line 2: field0: -1 is negative"), std::string::npos) << enc.err;
  const Outcome dec = kav({"decode", "kav_pid_state", "--framed"}, enc.out);
  EXPECT_EQ(dec.status, 0) << dec.err;
  EXPECT_EQ(dec.out, "{\"field0\":1,\"field1\":0,\"field2\":0}\n{\"field0\":0,\"field1\":0,\"field2\":0}\n");
}

TEST(ToolOutput, AFullDiskIsAnError) {
  for (const char* sub : {"list", "show", "skeleton"}) {
    SCOPED_TRACE(sub);
    const std::string cmd = std::string(KAV_TOOL) + " " + sub + (std::string(sub) == "list" ? "" : " kav_host") +
                            " > /dev/full 2>/dev/null";
    const int ws = std::system(cmd.c_str());
    EXPECT_EQ(WEXITSTATUS(ws), 3);
  }
}

// Runs the tool with standard input or standard output on a pseudo-terminal.
Outcome kav_on_tty(std::vector<std::string> args, bool tty_in, const std::string& input) {
  int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return {-1000, "", "no pty"};
  const int slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY);  // held open: the line discipline is live
  const fs::path in = put("stdin", input), out = scratch() / "stdout", err = scratch() / "stderr";
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  if (tty_in) {
    posix_spawn_file_actions_adddup2(&fa, slave, 0);
    posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  } else {
    posix_spawn_file_actions_addopen(&fa, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&fa, slave, 1);
  }
  posix_spawn_file_actions_addopen(&fa, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  args.insert(args.begin(), KAV_TOOL);
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid;
  posix_spawn(&pid, KAV_TOOL, &fa, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&fa);
  if (tty_in) {
    const std::string typed = input + "\n\x04";  // a line, then Ctrl-D
    (void)!::write(master, typed.data(), typed.size());
  }
  ::close(slave);
  int ws = 0;
  waitpid(pid, &ws, 0);
  std::string shown;
  char buf[4096];
  ::fcntl(master, F_SETFL, O_NONBLOCK);
  for (ssize_t n; (n = ::read(master, buf, sizeof buf)) > 0;) shown.append(buf, static_cast<std::size_t>(n));
  ::close(master);
  return {WIFEXITED(ws) ? WEXITSTATUS(ws) : -WTERMSIG(ws), tty_in ? slurp(out) : shown, slurp(err)};
}

TEST(ToolTerminal, BinaryIsRefusedAndWaitingIsAnnounced) {
  const Outcome bin = kav_on_tty({"encode", "kav_pid_state"}, false, "{}");
  EXPECT_EQ(bin.status, 2);
  EXPECT_EQ(bin.err, "kav: refusing to write binary to a terminal; use --hex, -o FILE or --force\n");
  const Outcome hex = kav_on_tty({"encode", "kav_pid_state", "--hex"}, false, "{}");
  EXPECT_EQ(hex.status, 0) << hex.err;
  EXPECT_EQ(from_hex(hex.out).size(), 18u);
  const Outcome forced = kav_on_tty({"encode", "kav_pid_state", "--force"}, false, "{}");
  EXPECT_EQ(forced.status, 0) << forced.err;

  const Outcome waiting = kav_on_tty({"encode", "kav_pid_state", "--hex"}, true, "{\"field0\": 1}");
  EXPECT_EQ(waiting.status, 0) << waiting.err;
  EXPECT_EQ(waiting.err, "kav: reading kav_pid_state as JSON from standard input (end with Ctrl-D)...\n");
  EXPECT_EQ(from_hex(waiting.out).size(), 22u);
}

}  // namespace
