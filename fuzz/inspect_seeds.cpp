// Writes the seed corpus of fuzz_inspect: inspect_seeds OUTDIR. For every message: its skeleton as
// JSON, its compact and (where it has one) fixed encoding as bytes and as hex, each behind the
// entry and message bytes that fuzz_inspect reads first.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "inspect.hpp"

namespace in = kav::inspect;

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
  for (std::size_t i = 0; i < all.size(); ++i) {
    const in::Message& m = all[i];
    const in::Json sk = in::skeleton(m);
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
  std::printf("inspect_seeds: %d inputs in %s\n", written, dir.c_str());
  return 0;
}
