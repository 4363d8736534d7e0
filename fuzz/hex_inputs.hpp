// Inputs written as hex text: one input per line, bytes as hex digit pairs (spaces allowed),
// anything from '#' to the end of the line a comment. Regression inputs are kept this way.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace kav::fuzz {

// Parses one line; false for a line with no bytes or with a stray character.
inline bool parse_hex_line(const std::string& line, std::vector<std::uint8_t>& out) {
  out.clear();
  int high = -1;
  for (const char ch : line) {
    if (ch == '#') break;
    if (ch == ' ' || ch == '\t' || ch == '\r') continue;
    int v;
    if (ch >= '0' && ch <= '9')
      v = ch - '0';
    else if (ch >= 'a' && ch <= 'f')
      v = ch - 'a' + 10;
    else if (ch >= 'A' && ch <= 'F')
      v = ch - 'A' + 10;
    else
      return false;
    if (high < 0) {
      high = v;
    } else {
      out.push_back(static_cast<std::uint8_t>(high * 16 + v));
      high = -1;
    }
  }
  return high < 0 && !out.empty();
}

// Every input of a hex file, in order. A malformed line is reported through `bad_line` (1-based).
inline std::vector<std::vector<std::uint8_t>> read_hex_file(const std::string& path, int& bad_line) {
  std::vector<std::vector<std::uint8_t>> inputs;
  std::ifstream in(path);
  std::string line;
  bad_line = 0;
  for (int n = 1; std::getline(in, line); ++n) {
    const auto first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos || line[first] == '#') continue;
    std::vector<std::uint8_t> bytes;
    if (!parse_hex_line(line, bytes)) {
      bad_line = n;
      return inputs;
    }
    inputs.push_back(std::move(bytes));
  }
  return inputs;
}

}  // namespace kav::fuzz
