// Inputs written as hex text, one per line: the full name of the message the input selects, a
// colon, then the rest of the input as hex digit pairs (spaces allowed, none for an empty rest);
// anything from '#' to the end of the line is a comment. Regression inputs are kept this way.
// A line names its message rather than holding the selector byte: the byte is looked up when the
// line is read, so a message added anywhere in a list never makes a kept input select another.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace kav::fuzz {

// Appends the hex digit pairs of `text` to `out`; false for a stray character or an odd digit.
inline bool parse_hex(std::string_view text, std::vector<std::uint8_t>& out) {
  int high = -1;
  for (const char ch : text) {
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
  return high < 0;
}

// Every input of a hex file, in order, each beginning with the selector byte that `select` gives
// for its message's name (a negative result: no such message). A malformed line, or one naming no
// message, is reported through `bad_line` (1-based).
template <class Select>
std::vector<std::vector<std::uint8_t>> read_hex_file(const std::string& path, Select&& select, int& bad_line) {
  std::vector<std::vector<std::uint8_t>> inputs;
  std::ifstream in(path);
  std::string line;
  bad_line = 0;
  for (int n = 1; std::getline(in, line); ++n) {
    const auto first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos || line[first] == '#') continue;
    const auto colon = line.find(':', first);
    const int selector = colon == std::string::npos ? -1 : select(std::string_view(line).substr(first, colon - first));
    std::vector<std::uint8_t> bytes;
    if (selector < 0 || selector > 0xFF || !parse_hex(std::string_view(line).substr(colon + 1), bytes)) {
      bad_line = n;
      return inputs;
    }
    bytes.insert(bytes.begin(), static_cast<std::uint8_t>(selector));
    inputs.push_back(std::move(bytes));
  }
  return inputs;
}

}  // namespace kav::fuzz
