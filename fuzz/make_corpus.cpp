// Writes the seed corpus of the fuzz targets: make_corpus OUTDIR [REGRESSION_DIR]
//
//   OUTDIR/unpack/     for every message, the compact and the fixed encoding of a few random
//                      structures and of the all-zero structure, each behind the message's
//                      selector byte;
//   OUTDIR/roundtrip/  for every message, the same structures as round-trip payloads;
//   and, for every REGRESSION_DIR/<target>.hex, its inputs in OUTDIR/<target>/ (unpack.hex starts
//   with the worked layouts of the format, hand-written bytes).
// The corpus is generated (fixed seeds, so the same files every time), never committed.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "codec/fixed.hpp"
#include "fuzz_support.hpp"
#include "hex_inputs.hpp"
#include "structures.hpp"

namespace {

namespace fs = std::filesystem;
using namespace kav;

constexpr int kRandomPerMessage = 3;

struct Out {
  fs::path dir;
  int written = 0;
  void write(const std::string& name, u32 selector, const u8* bytes, std::size_t n) {
    std::ofstream f(dir / name, std::ios::binary | std::ios::trunc);
    const char sel = static_cast<char>(selector);
    f.write(&sel, 1);
    f.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(n));
    if (!f) {
      std::fprintf(stderr, "make_corpus: cannot write %s\n", (dir / name).c_str());
      std::exit(1);
    }
    ++written;
  }
};

template <class M>
void seed_message(u32 selector, Out& unpack, Out& roundtrip) {
  using T = typename M::type;
  test::Arena arena;
  for (int s = 0; s <= kRandomPerMessage; ++s) {
    std::mt19937_64 rng(selector * 97u + static_cast<u32>(s));
    T v = test::random_structure<T>(rng, arena, 4);
    if (s == kRandomPerMessage) std::memset(static_cast<void*>(&v), 0, sizeof v);  // the all-zero structure
    const std::string stem = std::string(M::full_name) + "-" + std::to_string(s);

    u32 size = 0xFFFFFFFFu;
    if (M::pack_fn(&v, nullptr, &size) != 0) std::exit(1);
    std::vector<u8> packed(size);
    if (M::pack_fn(&v, packed.data(), &size) != 0) std::exit(1);
    unpack.write(stem + "-compact", selector, packed.data(), packed.size());
    if constexpr (!has_vector<T>) {
      std::vector<u8> fixed(fixed_length<T>, 0);
      test::encode_fixed(fixed.data(), v);
      unpack.write(stem + "-fixed", selector, fixed.data(), fixed.size());
    }

    std::vector<u8> payload;
    fuzz::emit_input(payload, test::table_of_message<T>(), reinterpret_cast<const u8*>(&v));
    payload.push_back(static_cast<u8>(s));  // the send target: 0 for the first structure
    roundtrip.write(stem, selector, payload.data(), payload.size());
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: %s OUTDIR [REGRESSION_DIR]\n", argv[0]);
    return 2;
  }
  const fs::path root = argv[1];
  Out unpack{root / "unpack"};
  Out roundtrip{root / "roundtrip"};
  fs::create_directories(unpack.dir);
  fs::create_directories(roundtrip.dir);

  fuzz::for_all_messages([&]<class M>(u32 k) { seed_message<M>(k, unpack, roundtrip); });

  if (argc == 3) {
    for (Out* target : {&unpack, &roundtrip}) {
      const fs::path hex = fs::path(argv[2]) / (target->dir.filename().string() + ".hex");
      if (!fs::exists(hex)) continue;
      int bad = 0;
      const auto inputs = fuzz::read_hex_file(hex.string(), fuzz::selector_of, bad);
      if (bad != 0) {
        std::fprintf(stderr, "make_corpus: %s:%d: not a message name and hex input\n", hex.c_str(), bad);
        return 1;
      }
      for (std::size_t i = 0; i < inputs.size(); ++i) {
        const auto& in = inputs[i];  // begins with the selector byte of the message it names
        target->write("regression-" + std::to_string(i), in[0], in.data() + 1, in.size() - 1);
      }
    }
  }
  std::printf("make_corpus: %d unpack and %d roundtrip inputs in %s\n", unpack.written, roundtrip.written,
              root.c_str());
  return 0;
}
