// The parts of explain that know no message: table headers, byte coverage, and the report itself.
#include "explain.hpp"

#include <algorithm>
#include <bit>
#include <cstdio>

namespace kav::inspect::impl {

std::string num(u64 v) {
  if (v < 10) return std::to_string(v);
  char hex[24];
  std::snprintf(hex, sizeof hex, "0x%llx", static_cast<unsigned long long>(v));
  return std::to_string(v) + " (" + hex + ")";
}

std::vector<std::string> slot_kinds(const detail::Table& t) {
  std::vector<std::string> out;
  for (const Slot& s : slots_of(t)) out.push_back(field_name(s.index) + ", " + kind_text(s));
  return out;
}

bool SlotWalkBase::present(u32 k, u32& o) {
  if (!ok) {
    state(SlotState::not_reached);
    return false;
  }
  cur = k;
  o = tr.vlen < 6 + 2 * k ? 0 : w.half(tr.vt + 4 + 2 * k);  // the vtable may stop before the slot
  if (o == 0) {
    state(SlotState::absent);
    return false;
  }
  return true;
}

bool SlotWalkBase::failed(u32 pos, std::string text, const char* log) {
  state(SlotState::failed);
  w.fault_path = name(cur);
  ok = false;
  return w.fail(pos, std::move(text), log);
}

bool SlotWalkBase::offset_word(u32 k, u32 o, const std::string& what, u32& q) {
  const u32 p = tr.t + o;
  if (!detail::field_fits(o, 4, tr.room))
    return failed(p, "the offset word of " + name(k) + " at table offset " + std::to_string(o) + " would end at " +
                         std::to_string(u64{p} + 4) + ", " + past_end());
  const u32 v = w.word(p);
  if (!detail::target_ok(p, v, q))
    return failed(p, "the offset word of " + name(k) + " at " + std::to_string(p) + " holds " + std::to_string(v) +
                         ", and " + std::to_string(p) + " + " + std::to_string(v) + " wraps around 2^32");
  w.add(p, 4, depth,
        [&] { return name(k) + ": offset " + std::to_string(v) + " -> " + what + " at " + std::to_string(q); });
  reach(u64{p} + 4, true);
  return true;
}

bool SlotWalkBase::counted(u32 k, u32 q, u32 size, const std::string& what, u32& n) {
  if (!detail::count_at(q, w.len))
    return failed(q, "the count of " + name(k) + " at " + std::to_string(q) + " would end at " +
                         std::to_string(u64{q} + 4) + ", " + past_end());
  n = w.word(q);
  w.add(q, 4, depth, [&] { return name(k) + ": count " + std::to_string(n); });
  if (detail::elements_fit(q, n, size, w.len)) return true;
  if (size == 4 && (n >> 30) != 0)
    return failed(q, name(k) + ": a count of " + std::to_string(n) + " " + what + " is refused (2^30 or more)");
  if (size == 2 && static_cast<i32>(n) < 0)
    return failed(q, name(k) + ": a count of " + std::to_string(n) + " " + what + " is refused (2^31 or more)");
  const u64 end = u64{q} + 4 + u64{n} * size;
  return failed(q, name(k) + ": " + std::to_string(n) + " " + what + " of " + std::to_string(size) +
                       (size == 1 ? " byte from " : " bytes from ") + std::to_string(q + 4) + " would end at " +
                       std::to_string(end) + ", " + past_end());
}

void SlotWalkBase::scalar_at(u32 k, u32 width, u8* dst) {
  u32 o;
  if (!present(k, o)) return;
  const u32 p = tr.t + o;
  if (!detail::field_fits(o, width, tr.room)) {
    failed(p, name(k) + " (slot " + std::to_string(k) + ", " + scalar_name(width) + ") at table offset " +
                  std::to_string(o) + " would end at " + std::to_string(u64{p} + width) + ", " + past_end());
    return;
  }
  std::memcpy(dst, w.buf + p, width);  // the wire is little-endian, as the host
  reach(u64{p} + width, true);
  w.add(p, width, depth, [&] { return name(k) + " = " + num(load_member(dst, width)); });
  state(SlotState::decoded);
}

void SlotWalkBase::array_at(u32 k, u32 count, u32 size, u8* dst) {
  u32 o, q, n;
  if (!present(k, o) || !offset_word(k, o, "count", q) || !counted(k, q, size, "elements", n)) return;
  if (n != count) {
    failed(q, name(k) + " holds " + std::to_string(n) + " elements, but it is a fixed array of exactly " +
                  std::to_string(count));
    return;
  }
  std::memcpy(dst, w.buf + q + 4, u64{count} * size);
  reach(u64{q} + 4 + u64{count} * size, true);  // both layouts count an array's data in its table
  w.add(q + 4, count * size, depth, [&] {
    return name(k) + ": " + std::to_string(count) +
           (size == 1 ? " bytes" : " elements of " + std::to_string(size) + " bytes");
  });
  state(SlotState::decoded);
}

bool SlotWalkBase::nested_at(u32 k, u32& o, u32& q, std::size_t& first_vtable) {
  if (!present(k, o) || !offset_word(k, o, "nested table", q)) return false;
  first_vtable = w.vtables.size();
  return true;
}

void SlotWalkBase::nested_done(bool walked, u32 q, std::size_t first_vtable) {
  if (!walked) {
    state(SlotState::failed);
    ok = false;
    return;
  }
  if (first_vtable < w.vtables.size())  // the nested block: its table and vtable, rounded up to 4
    reach(u64{q} + (w.vtables[first_vtable].second - q + 3) / 4 * 4, false);
  state(SlotState::decoded);
}

bool SlotWalkBase::list_at(u32 k, u32 size, u32& count, u32& q, u32& n) {
  u32 o;
  if (!present(k, o) || !offset_word(k, o, "list", q) || !counted(k, q, 4, "items", n)) return false;
  count = n;
  const u64 bytes = u64{n} * size;
  if (bytes > 0xFFFFFFFFu)
    return failed(q, name(k) + ": " + std::to_string(n) + " items of " + std::to_string(size) + " bytes need " +
                         std::to_string(bytes) + " bytes, more than 32 bits can say");
  reach(u64{q} + 4 + 4 * u64{n}, true);  // and a list's count and offset words, but not its items
  if (n == 0) {
    state(SlotState::decoded);
    return false;
  }
  return true;
}

bool SlotWalkBase::item_at(u32 k, u32 q, u32 i, u32& qi, std::string& item) {
  const u32 at = q + 4 + 4 * i;
  const u32 v = w.word(at);
  item = name(k) + "[" + std::to_string(i) + "]";
  if (!detail::target_ok(at, v, qi))
    return failed(at, "the offset word of " + item + " at " + std::to_string(at) + " holds " + std::to_string(v) +
                          ", and " + std::to_string(at) + " + " + std::to_string(v) + " wraps around 2^32");
  w.add(at, 4, depth, [&] { return item + ": offset " + std::to_string(v) + " -> table at " + std::to_string(qi); });
  return true;
}

bool SlotWalkBase::item_done(bool walked) {
  if (walked) return true;
  state(SlotState::failed);
  ok = false;
  return false;
}

namespace {
std::string str(u64 v) { return std::to_string(v); }

// Marks the bytes [pos, pos + size) inside the buffer in a bitmap of len bits, sized on first use;
// true when one of them was marked already.
bool mark(std::vector<u64>& bits, u32 pos, u32 size, u32 len) {
  if (bits.empty()) bits.assign((u64{len} + 63) / 64, 0);
  bool twice = false;
  for (u64 i = pos; i < u64{pos} + size && i < len; ++i) {
    u64& word = bits[i / 64];
    const u64 bit = u64{1} << (i % 64);
    twice = twice || (word & bit) != 0;
    word |= bit;
  }
  return twice;
}
}  // namespace

void Walk::claim(u32 pos, u32 size) { claimed_twice = mark(claimed, pos, size, len) || claimed_twice; }

bool Walk::header(u32 from, u32 t, const std::string& label, const char* log, const std::vector<std::string>& slots,
                  int depth, detail::TableRef& tr) {
  if (!detail::table_at(t, len))
    return fail(from,
                label + " would start at " + str(t) + ", but a table must start between 4 and " + str(len - 4) +
                    " (the length minus 4)",
                log);
  tables.push_back(t);
  const u32 r = word(t);
  const u32 vt = t - r;  // wrap-around, as the decoder computes it
  const bool behind = static_cast<i32>(r) < 0;
  if (depth == 0) fixed_order = behind;
  add(t, 4, depth, [&] {
    return label + ": vtable reference " + std::to_string(static_cast<i32>(r)) + " -> vtable at " + str(vt) +
           (behind ? " (behind the table)" : " (before the table)");
  });
  if (!detail::vtable_at(vt, len)) {
    const bool wraps = behind ? vt < t : vt > t;
    return fail(t,
                label + " at " + str(t) + " has the vtable reference " + std::to_string(static_cast<i32>(r)) +
                    ", so its vtable would be at " + str(vt) + (wraps ? " (wrapped around 2^32)" : "") +
                    ", outside the range 4 to " + str(len - 4),
                log);
  }
  const u32 vlen = half(vt);
  if (!detail::vtable_fits(vt, vlen, len))
    return fail(vt,
                "the vtable of " + label + " at " + str(vt) + " says it is " + str(vlen) +
                    " bytes long, so it would end at " + str(u64{vt} + vlen) + ", past the end of the " + str(len) +
                    "-byte buffer",
                log);
  vtables.emplace_back(vt, u64{vt} + vlen);
  const u32 entries = vlen < 4 ? 0 : (vlen - 4) / 2;
  const u32 n = static_cast<u32>(slots.size());
  if (vlen != 4 + 2 * n) exact_vtables = false;
  std::string note = str(entries) + (entries == 1 ? " slot entry" : " slot entries");
  if (entries + 1 == n) note += "; slot " + str(entries) + " lies beyond it and is absent";
  if (entries + 1 < n) note += "; slots " + str(entries) + " to " + str(n - 1) + " lie beyond it and are absent";
  add(vt, 2, depth, [&] { return "vtable of " + label + ": length " + str(vlen) + ", " + note; });
  if (vlen >= 4) add(vt + 2, 2, depth + 1, [&] { return "table length " + str(half(vt + 2)) + " (never checked)"; });
  for (u32 k = 0; k < std::min(entries, n); ++k) {
    const u32 o = half(vt + 4 + 2 * k);
    add(vt + 4 + 2 * k, 2, depth + 1, [&] {
      return "slot " + str(k) + " (" + slots[k] + "): " + (o == 0 ? "absent, stays zero" : "at table + " + str(o));
    });
  }
  if (entries > n)
    add(vt + 4 + 2 * n, 2 * (entries - n), depth + 1,
        [&] { return str(entries - n) + " more entries beyond the record's " + str(n) + " slots, ignored"; });
  tr = detail::TableRef{t, vt, vlen, len - t};
  return true;
}

namespace {

// The first place where two structures in JSON form differ, or "" when they are equal.
std::string first_difference(const Json& a, const Json& b, const std::string& path) {
  if (a.type() != b.type() || (!a.is_object() && !a.is_array())) {
    return a == b ? "" : (path.empty() ? "the structure" : path);
  }
  if (a.size() != b.size()) return path.empty() ? "the structure" : path;
  if (a.is_array()) {
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (auto d = first_difference(a[i], b[i], path + "[" + str(i) + "]"); !d.empty()) return d;
    }
    return "";
  }
  for (const auto& [key, value] : a.items()) {
    const std::string at = path.empty() ? key : path + "." + key;
    if (!b.contains(key)) return at;
    if (auto d = first_difference(value, b[key], at); !d.empty()) return d;
  }
  return "";
}

const Json* at_path(const Json& j, const std::string& path) {
  const Json* cur = &j;
  std::size_t i = 0;
  while (i < path.size() && cur != nullptr) {
    if (path[i] == '.') ++i;
    if (path[i] == '[') {
      const std::size_t close = path.find(']', i);
      const std::size_t idx = std::stoul(path.substr(i + 1, close - i - 1));
      cur = cur->is_array() && idx < cur->size() ? &(*cur)[idx] : nullptr;
      i = close + 1;
    } else {
      const std::size_t end = std::min(path.find_first_of(".[", i), path.size());
      const std::string key = path.substr(i, end - i);
      cur = cur->is_object() && cur->contains(key) ? &(*cur)[key] : nullptr;
      i = end;
    }
  }
  return cur;
}

void put_line(std::string& out, u32 pos, const u8* bytes, u32 n, int depth, const std::string& text) {
  char head[16];
  std::snprintf(head, sizeof head, "%8u  ", pos);
  std::string hex;
  for (u32 i = 0; i < n; ++i) {
    char b[4];
    std::snprintf(b, sizeof b, "%02x ", bytes[i]);
    hex += b;
  }
  hex.resize(26, ' ');
  out += head + hex;
  if (!text.empty()) out += std::string(static_cast<std::size_t>(2 * depth), ' ') + text;
  while (!out.empty() && out.back() == ' ') out.pop_back();
  out += '\n';
}

}  // namespace

Coverage coverage(const Walk& w) {
  Coverage c;
  // The bytes the regions claim: a quiet walk marked them as it went, explain's are marked here.
  std::vector<u64> marked;
  const std::vector<u64>* bits = &w.claimed;
  c.overlap = w.claimed_twice;
  if (!w.quiet) {
    for (const Region& r : w.regions) c.overlap = mark(marked, r.pos, r.size, w.len) || c.overlap;
    bits = &marked;
  }
  // The first byte from `from` on whose bit is `set`, or the length: a word at a time.
  const auto next = [&](u32 from, bool set) {
    if (bits->empty()) return set ? w.len : from;
    for (u64 i = from; i < w.len; i = (i / 64 + 1) * 64) {
      const u64 word = (set ? (*bits)[i / 64] : ~(*bits)[i / 64]) >> (i % 64);
      if (word != 0) return static_cast<u32>(std::min<u64>(i + static_cast<u64>(std::countr_zero(word)), w.len));
    }
    return w.len;
  };
  // Padding of the fixed layout: up to 3 bytes before a vtable (the table rounded up to 4), up to 3
  // behind a nested vtable (its block rounded up to 4 from its table), and up to 7 at the end of a
  // buffer whose length is a multiple of 8. Fields inside a table lie back to back. The vtables'
  // starts and ends are sorted and the tables kept as the first one of each position modulo 4, so
  // that a gap is judged without a pass over every vtable.
  const bool may_pad = w.fixed_order.value_or(false) && !w.fault_pos;
  std::vector<u32> starts;
  std::vector<u64> ends;
  u64 first_table[4] = {~u64{0}, ~u64{0}, ~u64{0}, ~u64{0}};
  if (may_pad) {
    for (const auto& [start, end] : w.vtables) {
      starts.push_back(start);
      ends.push_back(end);
    }
    std::sort(starts.begin(), starts.end());
    std::sort(ends.begin(), ends.end());
    for (u32 t : w.tables) first_table[t % 4] = std::min<u64>(first_table[t % 4], t);
  }
  for (u32 a = next(0, false); a < w.len; a = next(a, false)) {
    const u32 b = next(a, true);
    const bool before_vtable = may_pad && std::binary_search(starts.begin(), starts.end(), b);
    const bool after_vtable = may_pad && std::binary_search(ends.begin(), ends.end(), u64{a}) && first_table[b % 4] < a;
    const bool tail = b == w.len && w.len % 8 == 0 && b - a < 8;
    const u32 room = before_vtable && after_vtable ? 7 : 4;  // a nested block's padding, then the table's
    const bool padding = may_pad && (tail || (b - a < room && (before_vtable || after_vtable)));
    if (!padding) {
      c.padding_only = false;
      if (w.quiet) return c;  // a fit needs no more than that
    }
    if (!w.quiet) {
      const std::string what = padding       ? "padding"
                               : w.fault_pos ? "not reached: decoding stopped before these bytes"
                                             : "unreferenced: nothing refers to these bytes";
      c.gaps.push_back({a, b - a, 0, str(b - a) + (b - a == 1 ? " byte " : " bytes ") + what});
    }
    a = b;
  }
  return c;
}

Fit fit_of(const Walk& w, const Message& m) {
  Fit f;
  f.well_formed = !w.fault_pos.has_value();
  if (!f.well_formed) return f;
  const Coverage c = coverage(w);
  f.every_byte = c.padding_only && !c.overlap;
  f.exact_vtables = w.exact_vtables;
  f.length_matches = w.fixed_order.value_or(false) && m.fixed_length == w.len;
  return f;
}

std::string render(const Walk& w, const std::string& title, const Json& predicted, const Json& actual,
                   const std::vector<std::string>& log, bool& agrees) {
  std::string out;
  std::vector<Region> regions = w.regions;
  const Coverage cov = coverage(w);
  regions.insert(regions.end(), cov.gaps.begin(), cov.gaps.end());
  std::stable_sort(regions.begin(), regions.end(), [](const Region& x, const Region& y) { return x.pos < y.pos; });

  out += title + ": " + str(w.len) + " bytes";
  if (w.fixed_order)
    out += *w.fixed_order ? ", fixed layout (vtable behind its table)" : ", compact layout (vtable before its table)";
  out += "\n\nposition  bytes                     meaning\n";
  for (const Region& r : regions) {
    const u32 end = static_cast<u32>(std::min<u64>(u64{r.pos} + r.size, w.len));
    if (r.size == 0 || r.pos >= w.len) continue;
    for (u32 at = r.pos; at < end; at += 8) {
      put_line(out, at, w.buf + at, std::min<u32>(8, end - at), r.depth, at == r.pos ? r.text : "");
    }
  }

  out += "\nfields:";
  static const char* const kWords[] = {"decoded", "absent (zero)", "failed (zero)", "not reached (zero)"};
  const std::size_t n = w.root_states.size();
  for (std::size_t k = 0; k < n;) {
    std::size_t last = k;
    while (last + 1 < n && w.root_states[last + 1] == w.root_states[k]) ++last;
    out += (k == 0 ? " " : ", ") + field_name(static_cast<u32>(k)) +
           (last > k ? (last == k + 1 ? " and " : " to ") + field_name(static_cast<u32>(last)) : "") + " " +
           kWords[static_cast<int>(w.root_states[k])];
    k = last + 1;
  }
  if (n == 0) out += " none decoded; the structure stays zero";
  out += "\n";
  for (const auto& [key, value] : predicted.items()) {  // a list dropped after its count was stored
    const std::string list = key.substr(2);
    if (key.rfind("n_", 0) == 0 && value != 0 && predicted[list].is_null())
      out += list + " is null while " + key + " keeps " + value.dump() + ": test " + list + " before " + key + "\n";
  }
  if (w.fault_pos) {
    out += "first failing check, at position " + str(*w.fault_pos) + ": " + w.fault_text + "\n";
    out += w.fault_log != nullptr ? std::string("__unpack logs this under ") + w.fault_log + "\n"
                                  : "__unpack stops decoding here without a log line\n";
  } else {
    out += "every check passes: the buffer is well-formed\n";
  }
  for (const std::string& line : log) out += "library log: " + line + "\n";

  const bool predicted_log = w.fault_log != nullptr;
  const std::string diff = first_difference(predicted, actual, "");
  agrees = diff.empty() && predicted_log == !log.empty();
  if (agrees) {
    out += "cross-check: __unpack produced exactly the fields predicted above\n";
  } else if (!diff.empty()) {
    const Json* e = at_path(predicted, diff);
    const Json* a = at_path(actual, diff);
    out += "cross-check FAILED: at " + diff + " explain predicted " + (e ? e->dump() : "nothing") +
           " but __unpack produced " + (a ? a->dump() : "nothing") + "\n";
  } else {
    out += std::string("cross-check FAILED: explain predicted ") + (predicted_log ? "a log line" : "no log line") +
           " but __unpack wrote " + str(log.size()) + "\n";
  }
  return out;
}

}  // namespace kav::inspect::impl
