// The byte map of a buffer: the decoder's own walk (same slot order, same checks from
// codec/checks.hpp, same stop at the first failing field), recording what every byte is. The walk
// also fills the structure it predicts __unpack to produce, so the two can be compared.
#pragma once

#include <optional>

#include "codec/checks.hpp"
#include "codec/decode.hpp"
#include "codec/wire.hpp"
#include "codec/visit.hpp"
#include "log_capture.hpp"
#include "walker.hpp"

namespace kav::inspect::impl {

struct Region {
  u32 pos;
  u32 size;
  int depth;
  std::string text;
};

enum class SlotState { decoded, absent, failed, not_reached };

struct Walk {
  const u8* buf;
  u32 len;
  std::vector<Region> regions{};
  std::vector<u32> tables{};                   // positions of the tables reached
  std::vector<std::pair<u32, u64>> vtables{};  // start and end of the vtables read
  std::optional<u32> fault_pos{};
  std::string fault_text{};
  std::string fault_path{};
  const char* fault_log = nullptr;    // the function name __unpack logs the fault under, if it logs
  bool exact_vtables = true;          // every vtable so far as long as its record type
  std::optional<bool> fixed_order{};  // the root vtable lies behind its table
  std::vector<SlotState> root_states{};
  ItemStore store{};

  u32 word(u32 p) const { return detail::load_le<u32>(buf + p, false); }
  u16 half(u32 p) const { return detail::load_le<u16>(buf + p, false); }
  bool quiet = false;  // coverage only: the regions carry no text (identify, fit)
  template <class Text>
  void add(u32 pos, u32 size, int depth, Text&& text) {
    regions.push_back({pos, size, depth, quiet ? std::string() : std::string(text())});
  }
  bool fail(u32 pos, std::string text, const char* log = nullptr) {
    fault_pos = pos;
    fault_text = std::move(text);
    fault_log = log;
    return false;
  }
  // The header checks of a table, as __unpack makes them; on success also maps its vtable.
  // `from` is the position of the word that names the table.
  bool header(u32 from, u32 t, const std::string& label, const char* log, const std::vector<std::string>& slots,
              int depth, detail::TableRef& tr);
};

std::string num(u64 v);  // "513 (0x201)"

// What each slot of a record holds, for the vtable lines: "field0, u16", "field7, byte array [16]", ...
std::vector<std::string> slot_kinds(const detail::Table& t);

// `table` is the engine's table of R, for names and descriptions only: the walk itself follows R's
// description.
template <class R>
bool walk_table(Walk& w, const detail::Table& table, u32 from, u32 t, R& out, const std::string& path,
                const std::string& label, const char* log, int depth, bool root);

// Visits the slots of one table after its header passed; stops at the first failing field.
template <class R>
struct SlotWalk {
  Walk& w;
  const detail::Table& table;
  detail::TableRef tr;
  const std::string& path;
  int depth;
  bool root;
  bool ok = true;
  std::string cur{};  // the field being decoded
  u64 furthest = 0;   // end of the table's content as its layout counts it (its table length entry);
                      // a nested table's block counts only in the fixed layout
  bool fixed() const { return tr.vt > tr.t; }
  void reach(u64 end, bool inline_item) {
    if (inline_item || fixed()) furthest = std::max(furthest, end);
  }

  std::string name(u32 k) const { return path.empty() ? field_name(k) : path + "." + field_name(k); }
  void state(SlotState s) {
    if (root) w.root_states.push_back(s);
  }
  // Whether the slot is present (reached and with a non-zero offset); its offset in o.
  bool present(u32 k, u32& o) {
    if (!ok) {
      state(SlotState::not_reached);
      return false;
    }
    cur = name(k);
    o = tr.vlen < 6 + 2 * k ? 0 : w.half(tr.vt + 4 + 2 * k);  // the vtable may stop before the slot
    if (o == 0) {
      state(SlotState::absent);
      return false;
    }
    return true;
  }
  bool failed(u32 pos, std::string text, const char* log = nullptr) {
    state(SlotState::failed);
    w.fault_path = cur;
    ok = false;
    return w.fail(pos, std::move(text), log);
  }
  std::string past_end() const { return "past the end of the " + std::to_string(w.len) + "-byte buffer"; }

  template <class U>
  void scalar(u32 k, U& x) {
    u32 o;
    if (!present(k, o)) return;
    constexpr u32 width = sizeof(U);
    const u32 p = tr.t + o;
    if (!detail::field_fits(o, width, tr.room)) {
      failed(p, name(k) + " (slot " + std::to_string(k) + ", " + scalar_name(width) + ") at table offset " +
                    std::to_string(o) + " would end at " + std::to_string(u64{p} + width) + ", " + past_end());
      return;
    }
    x = detail::load_le<U>(w.buf + p, false);
    reach(u64{p} + width, true);
    w.add(p, width, depth, [&] { return name(k) + " = " + num(x); });
    state(SlotState::decoded);
  }

  // The offset word of a non-scalar slot; its target in q.
  bool offset_word(u32 k, u32 o, const std::string& what, u32& q) {
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
  // The count word at q and the room for `n` elements of `size` bytes behind it.
  bool counted(u32 k, u32 q, u32 size, const std::string& what, u32& n) {
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

  template <class E, std::size_t N>
  void array(u32 k, E (&a)[N], u32 size) {
    u32 o, q, n;
    if (!present(k, o) || !offset_word(k, o, "count", q) || !counted(k, q, size, "elements", n)) return;
    if (n != N) {
      failed(q, name(k) + " holds " + std::to_string(n) + " elements, but it is a fixed array of exactly " +
                    std::to_string(N));
      return;
    }
    std::memcpy(a, w.buf + q + 4, sizeof a);  // elements lie in memory as on the wire
    reach(u64{q} + 4 + u64{N} * size, true);  // both layouts count an array's data in its table
    w.add(q + 4, N * size, depth, [&] {
      return name(k) + ": " + std::to_string(N) +
             (size == 1 ? " bytes" : " elements of " + std::to_string(size) + " bytes");
    });
    state(SlotState::decoded);
  }
  template <std::size_t N>
  void byte_array(u32 k, u8 (&a)[N]) {
    array(k, a, 1);
  }
  template <class E, std::size_t N>
  void struct_array(u32 k, E (&a)[N]) {
    array(k, a, static_cast<u32>(sizeof(E)));
  }
  template <class Rn>
  void nested(u32 k, Rn& r) {
    u32 o, q;
    if (!present(k, o) || !offset_word(k, o, "nested table", q)) return;
    const std::size_t first_vtable = w.vtables.size();
    const detail::Table& sub = *table.slot[k].sub;
    if (!walk_table(w, sub, tr.t + o, q, r, name(k), "nested table " + name(k) + " (" + record_name(sub) + ")",
                    sub.non_root, depth + 1, false)) {
      state(SlotState::failed);
      ok = false;
      return;
    }
    if (first_vtable < w.vtables.size())  // the nested block: its table and vtable, rounded up to 4
      reach(u64{q} + (w.vtables[first_vtable].second - q + 3) / 4 * 4, false);
    state(SlotState::decoded);
  }
  template <class Rn>
  void vector(u32 k, u32& count, Rn*& items) {
    u32 o, q, n;
    if (!present(k, o) || !offset_word(k, o, "list", q) || !counted(k, q, 4, "items", n)) return;
    count = n;
    const u64 bytes = u64{n} * sizeof(Rn);
    if (bytes > 0xFFFFFFFFu) {
      failed(q, name(k) + ": " + std::to_string(n) + " items of " + std::to_string(sizeof(Rn)) + " bytes need " +
                    std::to_string(bytes) + " bytes, more than 32 bits can say");
      return;
    }
    reach(u64{q} + 4 + 4 * u64{n}, true);  // and a list's count and offset words, but not its items
    if (n == 0) return state(SlotState::decoded);
    items = reinterpret_cast<Rn*>(w.store.make(n, sizeof(Rn)));
    for (u32 i = 0; i < n; ++i) {
      const u32 at = q + 4 + 4 * i;
      const u32 v = w.word(at);
      const std::string item = name(k) + "[" + std::to_string(i) + "]";
      u32 qi;
      if (!detail::target_ok(at, v, qi)) {
        failed(at, "the offset word of " + item + " at " + std::to_string(at) + " holds " + std::to_string(v) +
                       ", and " + std::to_string(at) + " + " + std::to_string(v) + " wraps around 2^32");
        return;
      }
      w.add(at, 4, depth,
            [&] { return item + ": offset " + std::to_string(v) + " -> table at " + std::to_string(qi); });
      const detail::Table& sub = *table.slot[k].sub;
      if (!walk_table(w, sub, at, qi, items[i], item, "item " + item + " (" + record_name(sub) + ")", sub.non_root,
                      depth + 1, false)) {
        state(SlotState::failed);
        ok = false;
        return;
      }
    }
    state(SlotState::decoded);
  }
};

template <class R>
bool walk_table(Walk& w, const detail::Table& table, u32 from, u32 t, R& out, const std::string& path,
                const std::string& label, const char* log, int depth, bool root) {
  static const std::vector<std::string> kinds = slot_kinds(table);  // one table per record type
  detail::TableRef tr;
  if (!w.header(from, t, label, log, kinds, depth, tr)) {
    w.fault_path = path;
    return false;
  }
  SlotWalk<R> sw{w, table, tr, path, depth + 1, root};
  sw.furthest = u64{t} + 4;
  visit_slots(out, sw);
  // The table length entry: what the encoders write for this content (its low 16 bits: a list of
  // many records runs past 65535), or the table is not theirs.
  if (sw.ok && tr.vlen >= 4 && w.half(tr.vt + 2) != static_cast<u16>(sw.furthest - t)) w.exact_vtables = false;
  return sw.ok;
}

// Releases nothing (the walk's items belong to its store) but leaves every list pointer null,
// as __unpack's clean-up does when a root field fails.
struct DropLists {
  template <class U>
  void scalar(u32, U&) {}
  template <std::size_t N>
  void byte_array(u32, u8 (&)[N]) {}
  template <class E, std::size_t N>
  void struct_array(u32, E (&)[N]) {}
  template <class Rn>
  void nested(u32, Rn&) {}
  template <class Rn>
  void vector(u32, u32&, Rn*& items) {
    items = nullptr;
  }
};

// The walk of a whole buffer as __unpack makes it, and the structure it predicts.
struct Walked {
  Walk w;
  Json predicted;
};

template <class M>
Walked walk_message(ByteView in, bool quiet, const detail::Table& table) {
  using T = typename M::type;
  static const u8 empty = 0;  // an empty input is a short buffer, not a null pointer
  Walked r{Walk{in.empty() ? &empty : in.data(), static_cast<u32>(in.size())}, {}};
  Walk& w = r.w;
  w.quiet = quiet;
  T predicted{};
  if (!detail::buffer_ok(w.buf, w.len, &predicted)) {
    w.fail(0, "the buffer holds " + std::to_string(w.len) + " bytes; the smallest buffer is 4 bytes (its root offset)",
           M::unpack_name);
  } else {
    const u32 t = w.word(0);
    w.add(0, 4, 0, [&] { return "root offset: root table at " + std::to_string(t); });
    const char* log = M::root == RootForm::in_place ? M::unpack_name : M::non_root_name;
    if (!walk_table(w, table, 0, t, predicted, "", std::string("root table (") + M::full_name + ")", log, 0, true)) {
      visit_slots(predicted, DropLists{});
    }
  }
  if (!quiet) r.predicted = to_json(table, reinterpret_cast<const u8*>(&predicted), JsonOptions{});
  return r;
}

// Byte coverage of a walk: the bytes no region covers, as regions of their own, and whether any
// byte was claimed twice.
struct Coverage {
  std::vector<Region> gaps;
  bool padding_only = true;  // every gap is padding of the fixed layout
  bool overlap = false;
};
Coverage coverage(const Walk& w);
Fit fit_of(const Walk& w, const Message& m);

// Renders the map, the first failing check and the cross-check.
std::string render(const Walk& w, const std::string& title, const Json& predicted, const Json& actual,
                   const std::vector<std::string>& log, bool& agrees);

}  // namespace kav::inspect::impl
