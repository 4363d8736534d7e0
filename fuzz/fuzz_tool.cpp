// The inspector's core on hostile input: any bytes to explain, decode and identify, any text to
// the JSON reader and encoder and to the hex reader.
//
// Input: byte 0 chooses the entry (modulo 5), byte 1 the message (modulo the catalogue), the rest
// is the payload. Invariants:
//   - bytes (0): explain's reading agrees with __unpack, and decode's verdict is explain's;
//   - JSON text (1): a document either fails with an inspect::Error or encodes, in both layouts
//     where the message has a fixed one; what it encodes to decodes without a fault and encodes
//     again to the same compact bytes;
//   - hex text (2): either an inspect::Error, or bytes that explain then reads as in (0);
//   - identify (3): every message it names decodes the buffer without a fault;
//   - a capture file (4): the reader yields records and at most one inspect::Error, every record
//     has its JSON line, and a record read as its message decodes as decode reads the bytes alone.
// Any other exception, a crash, a leak or undefined behaviour is a finding.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "capture.hpp"
#include "core.hpp"

namespace {

namespace in = kav::inspect;

#define INSPECT_CHECK(cond, what)                       \
  do {                                                  \
    if (!(cond)) {                                      \
      std::fprintf(stderr, "fuzz_inspect: %s\n", what); \
      std::abort();                                     \
    }                                                   \
  } while (0)

void bytes(const in::Message& m, in::ByteView b) {
  const in::Report r = in::explain(m, b);
  INSPECT_CHECK(r.agrees, "explain disagrees with __unpack");
  const in::Decoded d = in::decode(m, b);
  INSPECT_CHECK(d.fault.has_value() == !r.well_formed, "decode and explain judge the buffer differently");
}

void json(const in::Message& m, std::string_view text) {
  in::Json j;
  try {
    j = in::parse_json(text);
  } catch (const in::Error&) {
    return;
  }
  for (const in::Encoding e : {in::Encoding::compact, in::Encoding::fixed}) {
    if (e == in::Encoding::fixed && m.fixed_length == 0) continue;
    in::Bytes b;
    try {
      b = in::encode(m, j, e);
    } catch (const in::Error&) {
      continue;
    }
    const in::Decoded d = in::decode(m, b);
    INSPECT_CHECK(!d.fault, "an encoded buffer is malformed");
    INSPECT_CHECK(in::encode(m, d.value) == in::encode(m, j), "decoding does not give back what was encoded");
  }
}

void capture(in::ByteView file) {
  if (file.empty()) return;
  std::FILE* f = fmemopen(const_cast<std::uint8_t*>(file.data()), file.size(), "rb");
  INSPECT_CHECK(f != nullptr, "fmemopen failed");
  in::CaptureReader reader(f, "'input'");
  try {
    while (const auto r = reader.next()) {
      const in::Json j = in::capture_json(*r);
      const in::Message* m = in::record_message(*r);
      if (m != nullptr && in::unreadable(*r).empty())
        INSPECT_CHECK(j["fields"] == in::decode(*m, r->bytes).value, "a record decodes unlike its bytes");
    }
  } catch (const in::Error& e) {
    INSPECT_CHECK(e.kind == in::ErrorKind::bad_input, "a capture in memory fails other than as bad input");
  }
  std::fclose(f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const auto all = in::messages();
  const in::Message& m = all[data[1] % all.size()];
  const in::ByteView payload(data + 2, size - 2);
  const std::string_view text(reinterpret_cast<const char*>(payload.data()), payload.size());
  switch (data[0] % 5) {
    case 0:
      bytes(m, payload);
      break;
    case 1:
      json(m, text);
      break;
    case 2:
      try {
        const in::Bytes b = in::parse_hex(text);
        bytes(m, b);
      } catch (const in::Error&) {
      }
      break;
    case 3:
      for (const in::Candidate& c : in::identify(payload))
        INSPECT_CHECK(!in::decode(*c.message, payload).fault, "identify names a message that finds a fault");
      break;
    default:
      capture(payload);
  }
  return 0;
}
