// The capture reader on files built block by block: what it reads back from a well-formed
// capture, and what it makes of every kind of broken one (a clear error naming the offset, or a
// record marked with its problem, and reading goes on).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <thread>

#include "capture.hpp"
#include "kav_capture.h"

namespace {

namespace in = kav::inspect;
using in::Bytes;

constexpr std::uint32_t kPidState = 0x95130b44;

// A pcapng file, block by block, in either byte order.
struct Capture {
  bool big = false;
  Bytes bytes;

  void put(std::uint64_t v, int n) {
    for (int i = 0; i < n; ++i) bytes.push_back(static_cast<std::uint8_t>(v >> (8 * (big ? n - 1 - i : i))));
  }
  Capture& block(std::uint32_t type, const Bytes& body, std::optional<std::uint32_t> length = {}) {
    const auto padded = static_cast<std::uint32_t>((body.size() + 3) & ~std::size_t{3});
    const std::uint32_t n = length.value_or(12 + padded);
    put(type, 4);
    put(n, 4);
    bytes.insert(bytes.end(), body.begin(), body.end());
    bytes.resize(bytes.size() + padded - body.size());
    put(length ? *length : n, 4);
    return *this;
  }
  Bytes body(const std::function<void(Capture&)>& f) const {
    Capture c{big, {}};
    f(c);
    return c.bytes;
  }
  Capture& section() {
    return block(0x0A0D0D0A, body([](Capture& c) {
                   c.put(0x1A2B3C4D, 4);
                   c.put(1, 2), c.put(0, 2);
                   c.put(~0ull, 8);
                 }));
  }
  Capture& interface(std::uint16_t link = KAV_CAPTURE_LINKTYPE, std::uint8_t resolution = 9) {
    return block(1, body([&](Capture& c) {
                   c.put(link, 2), c.put(0, 2), c.put(KAV_CAPTURE_SNAPLEN, 4);
                   c.put(9, 2), c.put(1, 2), c.put(resolution, 1), c.put(0, 3);  // if_tsresol
                   c.put(0, 4);                                                  // end of options
                 }));
  }
  Capture& packet(const Bytes& data, std::uint64_t ts = 1234567890123, std::uint32_t interface_id = 0,
                  std::optional<std::uint32_t> original = {}) {
    return block(6, body([&](Capture& c) {
                   c.put(interface_id, 4), c.put(ts >> 32, 4), c.put(ts & 0xFFFFFFFF, 4);
                   c.put(data.size(), 4), c.put(original.value_or(static_cast<std::uint32_t>(data.size())), 4);
                   c.bytes.insert(c.bytes.end(), data.begin(), data.end());
                   c.bytes.resize((c.bytes.size() + 3) & ~std::size_t{3});
                 }));
  }
};

// A record header (always little-endian) and the message after it.
Bytes record(std::uint8_t direction, std::uint32_t msgid, const Bytes& message, std::uint8_t version = 1,
             std::uint16_t flags = KAV_CAPTURE_HAS_RESULT) {
  Bytes h(KAV_CAPTURE_HEADER_SIZE, 0);
  const auto le = [&](std::size_t at, std::uint64_t v, int n) {
    for (int i = 0; i < n; ++i) h[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  le(0, version, 1), le(1, direction, 1), le(2, flags, 2), le(4, 41, 4), le(8, 42, 4), le(12, 7, 4);
  le(16, 0x2A, 8), le(24, msgid, 4), le(28, message.size(), 4), le(32, 5, 4), le(40, 1, 4);
  h.insert(h.end(), message.begin(), message.end());
  return h;
}

// kav_pid_state {1, 2, 3} in the compact layout.
const Bytes kPidStateBytes = {0x0e, 0, 0, 0, 0x0a, 0, 0x10, 0, 0x04, 0, 0x08, 0, 0x0c, 0, 0x0a,
                              0,    0, 0, 1, 0,    0, 0,    2, 0,    0, 0,    3, 0,    0, 0};

struct Read {
  std::vector<in::CaptureRecord> records;
  std::string error;  // "" when the whole file was read
};
Read read_all(const Bytes& file) {
  Read out;
  std::FILE* f = fmemopen(const_cast<std::uint8_t*>(file.data()), file.size(), "rb");
  if (file.empty()) f = std::tmpfile();
  in::CaptureReader reader(f, "'capture'");
  try {
    while (auto r = reader.next()) out.records.push_back(*r);
  } catch (const in::Error& e) {
    out.error = e.what();
  }
  std::fclose(f);
  return out;
}

TEST(CaptureReader, ReadsRecordsInEitherByteOrder) {
  for (const bool big : {false, true}) {
    Capture c{big, {}};
    c.section().interface().block(5, {1, 2, 3, 4}).packet(record(KAV_CAPTURE_SEND, kPidState, kPidStateBytes));
    const Read r = read_all(c.bytes);
    ASSERT_EQ(r.error, "");
    ASSERT_EQ(r.records.size(), 1u);
    const in::CaptureRecord& x = r.records[0];
    EXPECT_EQ(x.time_ns, 1234567890123u);
    EXPECT_EQ(x.pid, 41u);
    EXPECT_EQ(x.tid, 42u);
    EXPECT_EQ(x.dest, 7u);
    EXPECT_FALSE(x.target);
    EXPECT_EQ(x.result, 5u);
    EXPECT_EQ(x.bytes, kPidStateBytes);
    const in::Json j = in::capture_json(x);
    EXPECT_EQ(j["message"], "kav_pid_state");
    EXPECT_EQ(j["fields"], (in::Json{{"field0", 1}, {"field1", 2}, {"field2", 3}}));
    EXPECT_FALSE(j.contains("problem"));
  }
}

// Blocks the reader cannot frame end the reading with an error naming the offset; records before
// them have been read.
TEST(CaptureReader, BrokenFramingIsAnErrorAtItsOffset) {
  const Bytes one = record(KAV_CAPTURE_SEND, kPidState, kPidStateBytes);
  Capture good;
  good.section().interface().packet(one);
  const std::size_t end = good.bytes.size();
  struct Case {
    const char* name;
    std::function<void(Capture&)> damage;
    std::string error;
  };
  const std::vector<Case> cases = {
      {"a pcap file", [](Capture& c) { c.bytes = {0xd4, 0xc3, 0xb2, 0xa1, 2, 0, 4, 0, 0, 0, 0, 0}; },
       "offset 0: not a pcapng capture"},
      {"cut in a block header", [](Capture& c) { c.put(6, 4); }, "ends inside the block's header"},
      {"cut in a block", [&](Capture& c) { c.packet(one), c.bytes.resize(c.bytes.size() - 5); }, "bytes into this"},
      {"length not a multiple of 4", [](Capture& c) { c.block(6, Bytes(8), 18); }, "not a multiple of 4"},
      {"a 2 GB block", [](Capture& c) { c.put(6, 4), c.put(0x80000000u, 4); }, "more than any capture block"},
      {"trailing length differs", [](Capture& c) { c.block(6, Bytes(8)), c.bytes.back() ^= 4; }, "trailing length"},
      {"captured length overruns", [&](Capture& c) { c.packet(one), c.bytes[end + 20] = 0xff; }, "overruns"},
      {"section without magic", [](Capture& c) { c.block(0x0A0D0D0A, Bytes(16)); }, "byte-order magic"},
  };
  for (const Case& k : cases) {
    Capture c = good;
    k.damage(c);
    const Read r = read_all(c.bytes);
    EXPECT_NE(r.error.find(k.error), std::string::npos) << k.name << ": " << r.error;
    EXPECT_EQ(r.records.size(), std::string(k.name) == "a pcap file" ? 0u : 1u) << k.name;
  }
}

// Records the reader can frame but not read as a message carry their problem.
TEST(CaptureReader, RecordsItCannotReadCarryTheirProblem) {
  struct Case {
    const char* name;
    std::function<void(Capture&)> build;
    std::string problem;
  };
  const Bytes good = record(KAV_CAPTURE_SEND, kPidState, kPidStateBytes);
  const std::vector<Case> cases = {
      {"no interface", [&](Capture& c) { c.section().packet(good); }, "not described"},
      {"another link type", [&](Capture& c) { c.section().interface(1).packet(good); }, "link type 1,"},
      {"short header", [](Capture& c) { c.section().interface().packet(Bytes(20)); }, "shorter than its 48-byte"},
      {"unknown version", [](Capture& c) { c.section().interface().packet(record(0, kPidState, {}, 2)); },
       "record version 2"},
      {"unknown direction", [](Capture& c) { c.section().interface().packet(record(7, kPidState, {})); },
       "direction 7"},
      {"cut at the snap length",
       [&](Capture& c) { c.section().interface().packet(good, 0, 0, static_cast<std::uint32_t>(good.size() + 9)); },
       ""},
      {"null data",
       [](Capture& c) {
         c.section().interface().packet(record(KAV_CAPTURE_SEND, kPidState, {}, 1, KAV_CAPTURE_NULL_DATA));
       },
       "null data pointer"},
      {"malformed message",
       [](Capture& c) {
         c.section().interface().packet(record(KAV_CAPTURE_RECV, kPidState, {9, 0, 0, 0}));
       },
       "malformed at position"},
  };
  for (const Case& k : cases) {
    Capture c;
    k.build(c);
    const Read r = read_all(c.bytes);
    ASSERT_EQ(r.error, "") << k.name;
    ASSERT_EQ(r.records.size(), 1u) << k.name;
    const in::Json j = in::capture_json(r.records[0]);
    ASSERT_TRUE(j.contains("problem")) << k.name << ": " << j.dump();
    if (!k.problem.empty()) {
      EXPECT_NE(j["problem"].get<std::string>().find(k.problem), std::string::npos) << k.name;
    }
  }
}

TEST(CaptureReader, NotesUnknownMessagesAndTimeUnits) {
  Capture c;
  c.section().interface(KAV_CAPTURE_LINKTYPE, 6).packet(record(KAV_CAPTURE_NOTE, 0, {'s', 't', 'o', 'p'}), 5);
  c.section().interface().packet(record(KAV_CAPTURE_RECV, 0x12345678, {1, 2}), 5);
  const Read r = read_all(c.bytes);
  ASSERT_EQ(r.records.size(), 2u) << r.error;
  const in::Json note = in::capture_json(r.records[0]);
  EXPECT_EQ(note["note"], "stop");
  EXPECT_EQ(note["time"], 5000u);  // microseconds in the first section
  const in::Json unknown = in::capture_json(r.records[1]);
  EXPECT_EQ(unknown["time"], 5u);
  EXPECT_TRUE(unknown["message"].is_null());
  EXPECT_TRUE(unknown["dest"].is_null());
  EXPECT_FALSE(unknown.contains("problem"));
}

// With follow, the end of the file waits for the rest of a block being written.
TEST(CaptureReader, FollowWaitsForABlockStillBeingWritten) {
  Capture c;
  c.section().interface().packet(record(KAV_CAPTURE_SEND, kPidState, kPidStateBytes));
  std::FILE* w = std::tmpfile();
  ASSERT_NE(w, nullptr);
  const std::size_t cut = c.bytes.size() - 10;
  std::fwrite(c.bytes.data(), 1, cut, w);
  std::fflush(w);
  std::FILE* f = std::fopen(("/proc/self/fd/" + std::to_string(fileno(w))).c_str(), "rb");
  ASSERT_NE(f, nullptr);
  std::thread writer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    std::fwrite(c.bytes.data() + cut, 1, 10, w);
    std::fflush(w);
  });
  in::CaptureReader reader(f, "'growing'", true);
  const auto r = reader.next();
  writer.join();
  ASSERT_TRUE(r);
  EXPECT_EQ(r->bytes, kPidStateBytes);
  std::fclose(f);
  std::fclose(w);
}

}  // namespace
