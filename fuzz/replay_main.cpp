// Replays inputs through a fuzz target's LLVMFuzzerTestOneInput without libFuzzer, so the targets'
// checks run as ordinary tests in any build: replay PATH...
// A directory contributes each regular file in it (in name order), a file ending in .hex each of
// its lines (hex_inputs.hpp: a message's name, then hex bytes), any other file its whole contents.
// A broken invariant aborts the process.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_support.hpp"
#include "hex_inputs.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

std::size_t replay_file(const fs::path& path) {
  if (path.extension() == ".hex") {
    int bad = 0;
    const auto inputs = kav::fuzz::read_hex_file(path.string(), kav::fuzz::selector_of, bad);
    if (bad != 0) {
      std::fprintf(stderr, "%s:%d: not a message name and hex input\n", path.c_str(), bad);
      std::exit(1);
    }
    for (const auto& in : inputs) LLVMFuzzerTestOneInput(in.data(), in.size());
    return inputs.size();
  }
  std::ifstream f(path, std::ios::binary);
  const std::vector<char> bytes{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
  // Copied to a block of exactly its size, as libFuzzer hands inputs over.
  std::vector<std::uint8_t> exact(bytes.begin(), bytes.end());
  LLVMFuzzerTestOneInput(exact.data(), exact.size());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s PATH...\n", argv[0]);
    return 2;
  }
  std::size_t total = 0;
  for (int i = 1; i < argc; ++i) {
    const fs::path arg = argv[i];
    if (fs::is_directory(arg)) {
      std::vector<fs::path> files;
      for (const auto& e : fs::directory_iterator(arg))
        if (e.is_regular_file()) files.push_back(e.path());
      std::sort(files.begin(), files.end());
      for (const auto& f : files) total += replay_file(f);
    } else if (fs::is_regular_file(arg)) {
      total += replay_file(arg);
    } else {
      std::fprintf(stderr, "replay: no such file or directory: %s\n", argv[i]);
      return 1;
    }
  }
  if (total == 0) {
    std::fprintf(stderr, "replay: no inputs found\n");
    return 1;
  }
  std::printf("replay: %zu inputs, every invariant held\n", total);
  return 0;
}
