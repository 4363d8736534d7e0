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
  bool quiet = false;          // coverage only (identify, fit): no regions, only the bytes they claim
  std::vector<u64> claimed{};  // quiet: one bit per byte of the buffer that a region claims
  bool claimed_twice = false;  // quiet: some byte was claimed by two regions
  template <class Text>
  void add(u32 pos, u32 size, int depth, Text&& text) {
    if (quiet) return claim(pos, size);
    regions.push_back({pos, size, depth, std::string(text())});
  }
  void claim(u32 pos, u32 size);
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

// Visits the slots of one table after its header passed; stops at the first failing field. The
// part that does not depend on the record's type is compiled once (explain.cpp).
struct SlotWalkBase {
  Walk& w;
  const detail::Table& table;
  detail::TableRef tr;
  const std::string& path;
  int depth;
  bool root;
  bool ok = true;
  u32 cur = 0;       // the slot being decoded; its name is spelled only for a fault
  u64 furthest = 0;  // end of the table's content as its layout counts it (its table length entry);
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
  bool present(u32 k, u32& o);
  bool failed(u32 pos, std::string text, const char* log = nullptr);
  std::string past_end() const { return "past the end of the " + std::to_string(w.len) + "-byte buffer"; }
  // The offset word of a non-scalar slot; its target in q.
  bool offset_word(u32 k, u32 o, const std::string& what, u32& q);
  // The count word at q and the room for `n` elements of `size` bytes behind it.
  bool counted(u32 k, u32 q, u32 size, const std::string& what, u32& n);

  // A scalar of `width` bytes, read into dst.
  void scalar_at(u32 k, u32 width, u8* dst);
  // A fixed array of `count` elements of `size` bytes, read into dst (elements lie in memory as on
  // the wire).
  void array_at(u32 k, u32 count, u32 size, u8* dst);
  // A nested table: its slot's offset o and target q, or false when it is absent or fails; then
  // the end of its walk.
  bool nested_at(u32 k, u32& o, u32& q, std::size_t& first_vtable);
  void nested_done(bool walked, u32 q, std::size_t first_vtable);
  // A list of items of `size` bytes: its count, stored into `count` and n, behind the target q;
  // false when there is no item to walk.
  bool list_at(u32 k, u32 size, u32& count, u32& q, u32& n);
  // Item i's offset word: the item's table qi and its path, or false.
  bool item_at(u32 k, u32 q, u32 i, u32& qi, std::string& item);
  bool item_done(bool walked);  // false: the walk stops
};

template <class R>
struct SlotWalk : SlotWalkBase {
  template <class U>
  void scalar(u32 k, U& x) {
    scalar_at(k, sizeof(U), reinterpret_cast<u8*>(&x));
  }
  template <std::size_t N>
  void byte_array(u32 k, u8 (&a)[N]) {
    array_at(k, N, 1, a);
  }
  template <class E, std::size_t N>
  void struct_array(u32 k, E (&a)[N]) {
    array_at(k, N, sizeof(E), reinterpret_cast<u8*>(a));
  }
  template <class Rn>
  void nested(u32 k, Rn& r) {
    u32 o, q;
    std::size_t first_vtable;
    if (!nested_at(k, o, q, first_vtable)) return;
    const detail::Table& sub = *table.slot[k].sub;
    nested_done(walk_table(w, sub, tr.t + o, q, r, name(k), "nested table " + name(k) + " (" + record_name(sub) + ")",
                           sub.non_root, depth + 1, false),
                q, first_vtable);
  }
  template <class Rn>
  void vector(u32 k, u32& count, Rn*& items) {
    u32 q, n;
    if (!list_at(k, sizeof(Rn), count, q, n)) return;
    items = reinterpret_cast<Rn*>(w.store.make(n, sizeof(Rn)));
    const detail::Table& sub = *table.slot[k].sub;
    for (u32 i = 0; i < n; ++i) {
      u32 qi;
      std::string item;
      if (!item_at(k, q, i, qi, item) ||
          !item_done(walk_table(w, sub, q + 4 + 4 * i, qi, items[i], item,
                                "item " + item + " (" + record_name(sub) + ")", sub.non_root, depth + 1, false)))
        return;
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
  SlotWalk<R> sw{{w, table, tr, path, depth + 1, root}};
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
// byte was claimed twice. Linear in the buffer, however many tables it holds. A quiet walk gets no
// gaps, only the verdict, and its pass stops at the first gap that is not padding.
struct Coverage {
  std::vector<Region> gaps;  // explain's walks only
  bool padding_only = true;  // every gap is padding of the fixed layout
  bool overlap = false;
};
Coverage coverage(const Walk& w);
Fit fit_of(const Walk& w, const Message& m);

// Renders the map, the first failing check and the cross-check.
std::string render(const Walk& w, const std::string& title, const Json& predicted, const Json& actual,
                   const std::vector<std::string>& log, bool& agrees);

}  // namespace kav::inspect::impl
