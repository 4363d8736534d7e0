// The catalogue's stated values (values.txt, written out by hand beside this header) as rows for
// C++ tests. Nothing is computed here: the rows are the file's lines, in its order.
#pragma once

#include <cstdint>
#include <deque>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace kav_catalogue {

enum class Form : std::uint8_t { in_place, delegating };  // how __unpack treats a bad root header
enum class Encoder : std::uint8_t { fixed, compact };     // what the send functions transmit
inline constexpr Form kInPlace = Form::in_place;
inline constexpr Encoder kFixed = Encoder::fixed;

struct Row {
  const char *package, *name, *wire;
  std::uint32_t size, slots, vtable_len;
  Form form;
  Encoder encoder;
  std::uint32_t fixed_len, send_table, packed_zero, packed_full;
  const char* item;  // lists: the record carried; otherwise nullptr
};

inline const std::vector<Row> kRows = [] {
  static std::deque<std::string> text;  // owns what the rows point at
  std::vector<Row> rows;
  const std::string here = __FILE__;
  std::ifstream in(here.substr(0, here.find_last_of('/') + 1) + "values.txt");
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream f(line);
    std::string wire, form, encoder, item;
    Row r{};
    f >> wire >> r.size >> r.slots >> r.vtable_len >> form >> encoder >> r.fixed_len >> r.send_table >> r.packed_zero >>
        r.packed_full >> item;
    r.wire = text.emplace_back(wire).c_str();
    r.package = text.emplace_back(wire.substr(0, wire.find('.'))).c_str();
    r.name = text.emplace_back(wire.replace(wire.find('.'), 1, "_")).c_str();
    r.item = item == "-" ? nullptr : text.emplace_back(item).c_str();
    r.form = form == "in_place" ? Form::in_place : Form::delegating;
    r.encoder = encoder == "fixed" ? Encoder::fixed : Encoder::compact;
    rows.push_back(r);
  }
  return rows;
}();

}  // namespace kav_catalogue
