// Writes the seed corpus of fuzz_inspect: inspect_seeds OUTDIR. For every message: its skeleton as
// JSON, its compact and (where it has one) fixed encoding as bytes and as hex, each behind the
// entry and message bytes that fuzz_inspect reads first; and one capture holding a send record of
// every message's compact skeleton.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "core.hpp"
#include "kav_capture.h"

namespace in = kav::inspect;

namespace {

void put(std::string& s, std::uint64_t v, int n) {
  for (int i = 0; i < n; ++i) s += static_cast<char>(v >> (8 * i));
}
// A pcapng block: type, length, body padded to 4, length.
std::string block(std::uint32_t type, std::string body) {
  body.resize((body.size() + 3) & ~std::size_t{3});
  std::string b;
  put(b, type, 4), put(b, body.size() + 12, 4);
  b += body;
  put(b, body.size() + 12, 4);
  return b;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: inspect_seeds OUTDIR\n");
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  std::filesystem::create_directories(dir);
  int written = 0;
  auto write = [&](const std::string& name, int entry, std::size_t index, const std::string& payload) {
    std::ofstream f(dir / name, std::ios::binary | std::ios::trunc);
    f << static_cast<char>(entry) << static_cast<char>(index) << payload;
    if (!f) {
      std::fprintf(stderr, "inspect_seeds: cannot write %s\n", (dir / name).c_str());
      std::exit(1);
    }
    ++written;
  };
  const auto all = in::messages();
  std::string section, link, capture;
  put(section, 0x1A2B3C4D, 4), put(section, 1, 2), put(section, 0, 2), put(section, ~0ull, 8);
  put(link, KAV_CAPTURE_LINKTYPE, 4), put(link, KAV_CAPTURE_SNAPLEN, 4), put(link, 0x00010009, 4), put(link, 9, 4);
  put(link, 0, 4);
  capture = block(0x0A0D0D0A, section) + block(1, link);
  for (std::size_t i = 0; i < all.size(); ++i) {
    const in::Message& m = all[i];
    const in::Json sk = in::skeleton(m);
    const in::Bytes compact = in::encode(m, sk);
    std::string packet, header;
    put(header, KAV_CAPTURE_VERSION | (KAV_CAPTURE_HAS_RESULT << 16), 4), put(header, 1, 4), put(header, 1, 4);
    put(header, 1, 4), put(header, 0, 8), put(header, m.id, 4), put(header, compact.size(), 4), put(header, 0, 4);
    put(header, 0, 4), put(header, 1, 4), put(header, 0, 4);
    header.append(compact.begin(), compact.end());
    put(packet, 0, 4), put(packet, 0, 4), put(packet, i, 4), put(packet, header.size(), 4);
    put(packet, header.size(), 4);
    capture += block(6, packet + header);
    write(std::string(m.name) + "-json", 1, i, in::dump(sk, -1));
    for (const in::Encoding e : {in::Encoding::compact, in::Encoding::fixed}) {
      if (e == in::Encoding::fixed && m.fixed_length == 0) continue;
      const in::Bytes b = in::encode(m, sk, e);
      const std::string stem = std::string(m.name) + "-" + in::encoding_name(e);
      write(stem, 0, i, std::string(b.begin(), b.end()));
      write(stem + "-hex", 2, i, in::hex_string(b));
      write(stem + "-identify", 3, i, std::string(b.begin(), b.end()));
    }
  }
  write("capture", 4, 0, capture);
  std::printf("inspect_seeds: %d inputs in %s\n", written, dir.c_str());
  return 0;
}
