// The inspector's questions that know no message: lookup, decode beside the walk, explain,
// identify, and the shape of a message as text and JSON.
#include <algorithm>
#include <cctype>
#include <cstdio>

#include "codec/encode.hpp"
#include "explain.hpp"

namespace kav::inspect {

namespace impl {
std::vector<Message> build_catalogue();
}

int exit_status(ErrorKind kind) noexcept {
  switch (kind) {
    case ErrorKind::malformed_buffer:
      return 1;
    case ErrorKind::usage:
      return 2;
    case ErrorKind::bad_input:
    case ErrorKind::io:
      return 3;
  }
  return 3;
}

const char* encoding_name(Encoding e) noexcept { return e == Encoding::fixed ? "fixed" : "compact"; }

std::span<const Message> messages() {
  static const std::vector<Message> all = impl::build_catalogue();
  return all;
}

namespace {

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool all_of(std::string_view s, int (*pred)(int)) {
  return !s.empty() &&
         std::all_of(s.begin(), s.end(), [&](char c) { return pred(static_cast<unsigned char>(c)) != 0; });
}

std::optional<u64> parse_unsigned(std::string_view s, int base) {
  u64 v = 0;
  for (char c : s) {
    const int d = impl::hex_digit(c);
    if (d < 0 || d >= base || v > (~u64{0} - static_cast<u64>(d)) / static_cast<u64>(base)) return {};
    v = v * static_cast<u64>(base) + static_cast<u64>(d);
  }
  return v;
}

const Message* by_id(u64 id) {
  for (const Message& m : messages()) {
    if (m.id == id) return &m;
  }
  return nullptr;
}

using impl::check_length;

std::optional<Fault> fault_of(const impl::Walk& w) {
  if (!w.fault_pos) return {};
  return Fault{*w.fault_pos, w.fault_path, w.fault_text, w.fault_log != nullptr ? w.fault_log : ""};
}

std::optional<Encoding> layout_of(const impl::Walk& w) {
  if (!w.fixed_order) return {};
  return *w.fixed_order ? Encoding::fixed : Encoding::compact;
}

// Higher is better: well-formed, every byte accounted for, exact vtables, exact fixed length.
int score(const Fit& f) {
  return (f.well_formed ? 8 : 0) + (f.every_byte ? 4 : 0) + (f.exact_vtables ? 2 : 0) + (f.length_matches ? 1 : 0);
}

// What a reading of the buffer can score at most, before any walk: the root offset, the root
// vtable and so the layout are the same bytes whatever the message, and only a reading whose root
// vtable lists all of its slots can have exact vtables, only a fixed one of its length L match the
// length. Nothing (-1) when the root header fails: then every message's reading fails alike.
struct RootHeader {
  bool ok = false;
  bool fixed = false;  // the root vtable lies behind its table
  u32 vlen = 0;
  int ceiling(const Message& c, u32 len) const {
    if (!ok) return -1;
    return 12 + (vlen == 4 + 2 * c.slots ? 2 : 0) + (fixed && c.fixed_length == len ? 1 : 0);
  }
};

RootHeader root_header(ByteView b) {
  RootHeader h;
  const auto len = static_cast<u32>(b.size());
  if (len < 4) return h;
  const auto load = [&](u32 p, u32 n) {
    u32 v = 0;
    for (u32 i = 0; i < n; ++i) v |= u32{b[p + i]} << (8 * i);
    return v;
  };
  const u32 t = load(0, 4);
  if (!detail::table_at(t, len)) return h;
  const u32 r = load(t, 4);
  const u32 vt = t - r;
  if (!detail::vtable_at(vt, len)) return h;
  h.vlen = load(vt, 2);
  h.ok = detail::vtable_fits(vt, h.vlen, len);
  h.fixed = static_cast<i32>(r) < 0;
  return h;
}

// The messages a buffer fits exactly when it fits m less well. An exact fit leaves nothing better
// unless its root has the fixed layout at a length other than m's L: only a fixed-layout reading
// can score the length, and every message reads the same root the same way. Otherwise only the
// messages whose ceiling beats m's fit are walked, highest ceiling first, until no ceiling left can
// reach the best fit found: the answer is identify's first rank, without walking all of them.
std::vector<const Message*> better_fits(ByteView b, const Message& m, const Fit& fit, std::optional<Encoding> layout) {
  std::vector<const Message*> out;
  if (fit.exact() && (fit.length_matches || m.fixed_length == 0 || layout == Encoding::compact)) return out;
  const RootHeader h = root_header(b);
  const int mine = score(fit);
  std::vector<std::pair<int, const Message*>> order;
  for (const Message& c : messages()) {
    if (const int most = h.ceiling(c, static_cast<u32>(b.size())); most > mine) order.emplace_back(most, &c);
  }
  std::stable_sort(order.begin(), order.end(), [](const auto& x, const auto& y) { return x.first > y.first; });
  int best = mine + 1;  // a reading must beat m's to count
  for (const auto& [most, c] : order) {
    if (most < best) break;
    const Fit f = impl::fit_of(c->ops->walk(b, true, c->ops->table()).w, *c);
    if (!f.well_formed || !f.every_byte || score(f) < best) continue;
    if (score(f) > best) out.clear();
    best = score(f);
    out.push_back(c);
  }
  std::sort(out.begin(), out.end());  // catalogue order, as identify ranks ties
  return out;
}

}  // namespace

std::size_t edit_distance(std::string_view a, std::string_view b) {
  // Optimal string alignment: insertions, deletions, substitutions and swaps of neighbours.
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    for (std::size_t j = 1; j <= b.size(); ++j) {
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  }
  return d[a.size()][b.size()];
}

std::vector<std::string> closest(std::string_view key, const std::vector<std::string>& all, std::size_t n) {
  const std::string k = lower(key.substr(0, 200));
  std::vector<std::pair<std::size_t, const std::string*>> near;
  for (const std::string& s : all) near.emplace_back(edit_distance(k, lower(s)), &s);
  std::stable_sort(near.begin(), near.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> out;
  for (std::size_t i = 0; i < n && i < near.size(); ++i) out.push_back(*near[i].second);
  return out;
}

const Message& find_message(std::string_view key) {
  const std::string k = lower(key);
  for (const Message& m : messages()) {
    if (k == m.name || k == m.wire) return m;
  }
  // A MsgId: 0x-prefixed hex, bare hex, or decimal.
  std::optional<u64> id;
  if (k.size() > 2 && k[0] == '0' && k[1] == 'x') {
    if (!all_of(std::string_view(k).substr(2), std::isxdigit) ||
        !(id = parse_unsigned(std::string_view(k).substr(2), 16)) || *id > 0xFFFFFFFFu)
      throw Error(ErrorKind::usage, "'" + std::string(key.substr(0, 40)) + "' is not a 32-bit MsgId");
  } else if (all_of(k, std::isdigit)) {
    const auto dec = parse_unsigned(k, 10);
    const auto hex = k.size() <= 8 ? parse_unsigned(k, 16) : std::nullopt;
    if (dec && by_id(*dec) != nullptr) return *by_id(*dec);
    if (hex && by_id(*hex) != nullptr) return *by_id(*hex);
    id = dec ? dec : hex;
  } else if (all_of(k, std::isxdigit) && k.size() <= 8) {
    id = parse_unsigned(k, 16);
  }
  if (id) {
    if (const Message* m = by_id(*id)) return *m;
    throw Error(ErrorKind::usage,
                "no message has MsgId " + std::string(key.substr(0, 40)) + " (kav list shows every MsgId)");
  }
  std::vector<std::string> names;
  for (const Message& m : messages()) names.emplace_back(m.name);
  const auto near = closest(key, names, 3);
  std::string msg = "unknown message '" + std::string(key.substr(0, 60)) + "'; closest names: ";
  for (std::size_t i = 0; i < near.size(); ++i) msg += (i ? ", " : "") + near[i];
  throw Error(ErrorKind::usage, msg + " (kav list shows them all)");
}

Bytes encode(const Message& m, const Json& value, Encoding e, const SourceMap* map) {
  const impl::Ops& ops = *m.ops;
  const impl::Table& t = ops.table();
  impl::ItemStore store;
  u8* v = store.make(1, t.size);
  impl::from_json(value, t, v, "", store, map);
  if (e == Encoding::fixed) {
    if (t.has_vector)
      throw Error(ErrorKind::usage,
                  std::string(m.name) + " has no fixed layout: it carries a list and is always sent compact");
    Bytes b(t.fixed_len);
    impl::encode_fixed(ops, v, b.data());
    return b;
  }
  const u64 size = detail::compact_size(t, v);
  if (size > 0xFFFFFFFFu)
    throw Error(ErrorKind::bad_input,
                "the compact encoding would take " + std::to_string(size) + " bytes, over 32 bits");
  Bytes b(static_cast<std::size_t>(size));
  u32 len = static_cast<u32>(size);
  if (ops.pack(v, b.data(), &len) != 0 || len != size)
    throw Error(ErrorKind::bad_input, std::string(m.name) + "__pack refused the structure");
  return b;
}

Json unpack(const Message& m, ByteView buffer, JsonOptions options, std::vector<std::string>* log) {
  check_length(buffer);
  impl::LogCapture capture;
  Json j = impl::unpack_json(*m.ops, buffer, options);
  if (log != nullptr) *log = std::move(capture.lines);
  return j;
}

Decoded decode(const Message& m, ByteView buffer, JsonOptions options) {
  check_length(buffer);
  Decoded d;
  {
    impl::LogCapture capture;
    d.value = impl::unpack_json(*m.ops, buffer, options);
    d.log = std::move(capture.lines);
  }
  const impl::Walked w = m.ops->walk(buffer, true, m.ops->table());
  d.layout = layout_of(w.w);
  d.fault = fault_of(w.w);
  d.fit = impl::fit_of(w.w, m);
  d.better = better_fits(buffer, m, d.fit, d.layout);
  return d;
}

std::optional<Fault> first_fault(const Message& m, ByteView buffer) {
  check_length(buffer);
  return fault_of(m.ops->walk(buffer, true, m.ops->table()).w);
}

Report explain(const Message& m, ByteView buffer) {
  check_length(buffer);
  Report r;
  const impl::Walked w = m.ops->walk(buffer, false, m.ops->table());
  Json actual;
  {
    impl::LogCapture capture;
    actual = impl::unpack_json(*m.ops, buffer, JsonOptions{});
    r.log = std::move(capture.lines);
  }
  char id[16];
  std::snprintf(id, sizeof id, "0x%08x", m.id);
  r.text = impl::render(w.w, std::string(m.name) + " (" + m.wire + ", MsgId " + id + ")", w.predicted, actual, r.log,
                        r.agrees);
  r.layout = layout_of(w.w);
  r.fault = fault_of(w.w);
  r.well_formed = !r.fault.has_value();
  r.fit = impl::fit_of(w.w, m);
  r.better = better_fits(buffer, m, r.fit, r.layout);
  if (r.well_formed && !r.fit.every_byte)
    r.text += "note: not every byte of the buffer is part of " + std::string(m.name) + "\n";
  if (r.layout == Encoding::fixed && r.well_formed && m.fixed_length != 0 && m.fixed_length != buffer.size())
    r.text += "note: the fixed layout of " + std::string(m.name) + " is " + std::to_string(m.fixed_length) +
              " bytes, not " + std::to_string(buffer.size()) + "\n";
  if (!r.better.empty()) {
    r.text += "note: the buffer fits ";
    for (std::size_t i = 0; i < r.better.size() && i < 5; ++i)
      r.text += (i ? ", " : "") + std::string(r.better[i]->name);
    r.text += r.better.size() > 5 ? " and others" : "";
    r.text += " better (kav identify lists every match)\n";
  }
  return r;
}

std::vector<Candidate> identify(ByteView buffer) {
  check_length(buffer);
  std::vector<Candidate> out;
  for (const Message& m : messages()) {
    const impl::Walked w = m.ops->walk(buffer, true, m.ops->table());
    const Fit f = impl::fit_of(w.w, m);
    if (!f.well_formed || !f.every_byte) continue;
    out.push_back({&m, *layout_of(w.w), 0, f});
  }
  std::stable_sort(out.begin(), out.end(),
                   [](const Candidate& a, const Candidate& b) { return score(a.fit) > score(b.fit); });
  for (std::size_t i = 0; i < out.size(); ++i)
    out[i].rank = i == 0 ? 1 : score(out[i].fit) == score(out[i - 1].fit) ? out[i - 1].rank : static_cast<u32>(i + 1);
  return out;
}

// ---- shapes ----------------------------------------------------------------------------------

Shape shape(const Message& m) { return Shape{&m, impl::slots_of(m.ops->table())}; }

Json skeleton(const Message& m, JsonOptions options) {
  const impl::Table& t = m.ops->table();
  impl::ItemStore store;
  u8* v = store.make(1, t.size);
  for (u32 k = 0; k < t.slots; ++k) {  // one zero item in every list
    const impl::TableSlot& s = t.slot[k];
    if (s.kind != impl::Kind::vector) continue;
    impl::store_member(v + s.mem, 4, 1);
    impl::set_items(v, s, store.make(1, s.sub->size));
  }
  return impl::to_json(t, v, options);
}

namespace {

Json slots_json(const std::vector<Slot>& slots) {
  Json arr = Json::array();
  for (const Slot& s : slots) {
    Json j{{"slot", s.index}, {"name", "field" + std::to_string(s.index)}, {"kind", s.kind}, {"width", s.width}};
    if (s.kind == "bytes" || s.kind == "array") j["count"] = s.count;
    if (!s.record.empty()) j[s.kind == "array" ? "element" : "record"] = s.record;
    j["offset"] = s.offset;
    j["size"] = s.size;
    if (!s.fields.empty()) j["fields"] = slots_json(s.fields);
    arr.push_back(std::move(j));
  }
  return arr;
}

void slots_text(const std::vector<Slot>& slots, int depth, std::string& out) {
  for (const Slot& s : slots) {
    char line[160];
    const std::string name = std::string(static_cast<std::size_t>(2 * depth), ' ') +
                             (s.kind == "list" ? "n_field" + std::to_string(s.index) + ", " : "") + "field" +
                             std::to_string(s.index);
    std::snprintf(line, sizeof line, "%4u  %-24s %-32s %6u %6u\n", s.index, name.c_str(), impl::kind_text(s).c_str(),
                  s.offset, s.size);
    out += line;
    slots_text(s.fields, depth + 1, out);
  }
}

}  // namespace

Json shape_json(const Shape& s) {
  const Message& m = *s.message;
  char id[16];
  std::snprintf(id, sizeof id, "0x%08x", m.id);
  return Json{{"name", m.name},
              {"package", m.package},
              {"wire_name", m.wire},
              {"msg_id", id},
              {"index", m.index},
              {"size", m.size},
              {"encoder", m.fixed_length != 0 ? "fixed" : "compact"},
              {"fixed_length", m.fixed_length != 0 ? Json(m.fixed_length) : Json(nullptr)},
              {"root", m.in_place ? "in_place" : "delegating"},
              {"slots", slots_json(s.slots)}};
}

std::string shape_text(const Shape& s) {
  const Message& m = *s.message;
  char head[256];
  std::snprintf(
      head, sizeof head,
      "%s (%s, MsgId 0x%08x): package %s, registration index %u\n"
      "unpacked size %u bytes, %s, root %s\n\n",
      m.name, m.wire, m.id, m.package, m.index, m.size,
      m.fixed_length != 0 ? ("fixed layout L=" + std::to_string(m.fixed_length)).c_str() : "compact layout only",
      m.in_place ? "in place" : "delegating");
  std::string out = head;
  out += "slot  field                    kind                             offset   size\n";
  slots_text(s.slots, 0, out);
  return out;
}

}  // namespace kav::inspect
