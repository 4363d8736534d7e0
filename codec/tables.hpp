// From a record's description to its constant table (codec/layout.hpp), all at compile time: the
// slots, the compact layout with every field present, the fixed layout, and the zero-test words.
#pragma once

#include <algorithm>
#include <array>
#include <bit>

#include "codec/fast.hpp"
#include "codec/layout.hpp"

namespace kav::detail {

template <class T>
struct TableOf;

// The constant table of a record or message layout.
template <class T>
inline constexpr const Table& table_of = TableOf<T>::table;

namespace build {

inline constexpr u32 kImageCap = 1024;
inline constexpr u32 kListCap = 64;

// What a byte of a plan's image is: written from the structure, compared by the decoder, or
// neither (table lengths, padding, the root's own vtable reference and entries).
enum class Byte : u8 { ignore, data, structural };

struct Scratch {
  std::array<u8, kImageCap> image{};
  std::array<Byte, kImageCap> cls{};
  std::array<Run, kListCap> runs{};
  std::array<u16, kListCap> entries{};  // the root table's slot entries
  u32 nruns = 0;
  u32 len = 0;          // image length
  u32 table_at = 0;     // the root table's position in the image
  u32 table_len = 0;    // the root table's length (a list: without its vector's words)
  u32 vector_word = 0;  // a list: table-relative position of the vector's offset word

  constexpr void put(u32 pos, u32 value, u32 width, Byte c) {
    for (u32 i = 0; i < width; ++i) {
      image[pos + i] = static_cast<u8>(value >> (8 * i));
      cls[pos + i] = c;
    }
    len = std::max(len, pos + width);
  }
  // Bytes taken from the structure; a run continues the previous one when both sides are contiguous.
  constexpr void data(u32 pos, u32 mem, u32 n) {
    for (u32 i = 0; i < n; ++i) cls[pos + i] = Byte::data;
    len = std::max(len, pos + n);
    const u32 wire = pos - table_at;
    if (nruns > 0) {
      Run& r = runs[nruns - 1];
      if (r.wire + r.len == wire && r.mem + r.len == mem) {
        r.len = static_cast<u16>(r.len + n);
        return;
      }
    }
    runs[nruns++] = Run{static_cast<u16>(wire), static_cast<u16>(mem), static_cast<u16>(n)};
  }
};

template <class T, class F>
constexpr void for_slots(F&& f) {
  [&]<std::size_t... K>(std::index_sequence<K...>) { (f.template operator()<K, slot_at<T, K>>(), ...); }
  (std::make_index_sequence<slot_count<T>>{});
}

// The compact layout of a table whose scalars are all non-zero, its vtable at vt: the vtable, the
// table (vtable reference, scalars, offset words), then the out-of-line data in slot order.
template <class T>
constexpr u32 compact_table(Scratch& s, u32 vt, u32 mem, bool root) {
  constexpr u32 n = slot_count<T>;
  constexpr u32 vlen = vtable_len<T>;
  const Byte frame = root ? Byte::ignore : Byte::structural;  // the root's own are checked apart
  const u32 tbl = vt + vlen;
  s.put(vt, vlen, 2, frame);
  s.put(tbl, vlen, 4, frame);
  std::array<u32, n> at{};
  u32 cur = tbl + 4;
  for_slots<T>([&]<std::size_t K, auto S>() {
    if constexpr (kind_of<S>() == Kind::scalar) {
      at[K] = cur;
      s.data(cur, mem + member_offset<T, K>, sizeof(member_t<S>));
      cur += sizeof(member_t<S>);
    }
  });
  for_slots<T>([&]<std::size_t K, auto S>() {
    if constexpr (kind_of<S>() != Kind::scalar) {
      at[K] = cur;
      cur += 4;
    }
  });
  const u32 inline_end = cur;
  u32 out_of_line = 0;
  for_slots<T>([&]<std::size_t K, auto S>() {
    constexpr Kind kind = kind_of<S>();
    if constexpr (kind == Kind::byte_array || kind == Kind::struct_array) {
      using A = array_traits<S>;
      s.put(at[K], cur - at[K], 4, Byte::structural);
      s.put(cur, A::count, 4, Byte::structural);
      s.data(cur + 4, mem + member_offset<T, K>, A::bytes);
      cur += 4 + A::bytes;
      out_of_line += 4 + A::bytes;
    } else if constexpr (kind == Kind::nested) {
      using R = member_t<S>;
      s.put(at[K], cur + vtable_len<R> - at[K], 4, Byte::structural);
      cur = compact_table<R>(s, cur, mem + member_offset<T, K>, false);
    } else if constexpr (kind == Kind::vector) {
      static_assert(K + 1 == n, "a table vector is the last slot");
      s.put(at[K], 4, 4, Byte::structural);  // the count follows its offset word at once
      s.vector_word = at[K] - s.table_at;
      out_of_line += 4;  // the count; the element words are added at run time
    }
  });
  for (u32 k = 0; k < n; ++k) s.put(vt + 4 + 2 * k, at[k] - tbl, 2, frame);
  s.put(vt + 2, inline_end - tbl + out_of_line, 2, Byte::ignore);  // the table length is never read
  if (root) {
    s.table_len = inline_end - tbl + out_of_line;
    for (u32 k = 0; k < n; ++k) s.entries[k] = static_cast<u16>(at[k] - tbl);
  }
  return cur;
}

template <class T>
constexpr u32 fixed_table_length();

template <auto S>
constexpr u32 fixed_width() {
  constexpr Kind k = kind_of<S>();
  if constexpr (k == Kind::scalar) {
    return sizeof(member_t<S>);
  } else if constexpr (k == Kind::byte_array || k == Kind::struct_array) {
    return 8 + array_traits<S>::bytes;  // offset word, count, elements
  } else if constexpr (k == Kind::nested) {
    using R = member_t<S>;
    return 4 + round_up(fixed_table_length<R>() + vtable_len<R>, 4);  // offset word, nested block
  } else {
    static_assert(dependent_false<decltype(S)>, "a table vector has no fixed layout");
    return 0;
  }
}

// Vtable reference and every field, in slot order with no alignment.
template <class T>
constexpr u32 fixed_table_length() {
  u32 len = 4;
  for_slots<T>([&]<std::size_t, auto S>() { len += fixed_width<S>(); });
  return len;
}

// The fixed layout of a table at t: every field at a constant offset, the vtable behind the table.
template <class T>
constexpr void fixed_table(Scratch& s, u32 t, u32 mem, bool root) {
  constexpr u32 n = slot_count<T>;
  constexpr u32 len = fixed_table_length<T>();
  const Byte frame = root ? Byte::ignore : Byte::structural;
  s.put(t, 0u - (root ? round_up(len, 4) : len), 4, frame);
  std::array<u32, n> at{};
  u32 pos = t + 4;
  for_slots<T>([&]<std::size_t K, auto S>() {
    constexpr Kind kind = kind_of<S>();
    at[K] = pos - t;
    if constexpr (kind == Kind::scalar) {
      s.data(pos, mem + member_offset<T, K>, sizeof(member_t<S>));
    } else if constexpr (kind == Kind::byte_array || kind == Kind::struct_array) {
      s.put(pos, 4, 4, Byte::structural);  // the array starts right behind its offset word
      s.put(pos + 4, array_traits<S>::count, 4, Byte::structural);
      s.data(pos + 8, mem + member_offset<T, K>, array_traits<S>::bytes);
    } else if constexpr (kind == Kind::nested) {
      s.put(pos, 4, 4, Byte::structural);
      fixed_table<member_t<S>>(s, pos + 4, mem + member_offset<T, K>, false);
    }
    pos += fixed_width<S>();
  });
  const u32 vt = root ? t + round_up(len, 4) : t + len;  // a nested vtable follows its table at once
  s.put(vt, vtable_len<T>, 2, frame);
  s.put(vt + 2, len, 2, Byte::ignore);
  for (u32 k = 0; k < n; ++k) s.put(vt + 4 + 2 * k, at[k], 2, frame);
  if (root) {
    s.table_len = len;
    s.len = round_up(vt + vtable_len<T>, 8);  // padding to the fixed length is part of the image
    for (u32 k = 0; k < n; ++k) s.entries[k] = static_cast<u16>(at[k]);
  }
}

template <class T>
constexpr bool has_vector() {
  bool v = false;
  for_slots<T>([&]<std::size_t, auto S>() { v = v || kind_of<S>() == Kind::vector; });
  return v;
}

template <class T>
constexpr Scratch compact_scratch() {
  Scratch s;
  s.table_at = vtable_len<T>;
  compact_table<T>(s, 0, 0, true);
  return s;
}

template <class T>
constexpr Scratch fixed_scratch() {
  Scratch s;
  if constexpr (!has_vector<T>()) {
    s.table_at = 4;
    s.put(0, 4, 4, Byte::ignore);  // root offset
    fixed_table<T>(s, 4, 0, true);
  }
  return s;
}

// Stretches of the image: every byte that is not data (what an encoder writes from the image), or
// the structural bytes of the table and behind it (what a decoder compares).
struct Spans {
  std::array<Span, kListCap> span{};
  u32 n = 0;
};
constexpr Spans spans(const Scratch& s, bool compare) {
  Spans out;
  const u32 from = compare ? s.table_at : 0;
  for (u32 i = from; i < s.len;) {
    const bool take = compare ? s.cls[i] == Byte::structural : s.cls[i] != Byte::data;
    if (!take) {
      ++i;
      continue;
    }
    u32 e = i;
    while (e < s.len && (compare ? s.cls[e] == Byte::structural : s.cls[e] != Byte::data)) ++e;
    out.span[out.n++] = Span{static_cast<u16>(i - from), static_cast<u16>(e - i)};
    i = e;
  }
  return out;
}

// The structure's bytes no run of the plan writes: its padding.
template <u32 size>
constexpr Spans gaps(const Scratch& s) {
  std::array<bool, size> written{};
  for (u32 r = 0; r < s.nruns; ++r)
    for (u32 i = 0; i < s.runs[r].len; ++i) written[s.runs[r].mem + i] = true;
  Spans out;
  for (u32 i = 0; i < size;) {
    if (written[i]) {
      ++i;
      continue;
    }
    u32 e = i;
    while (e < size && !written[e]) ++e;
    out.span[out.n++] = Span{static_cast<u16>(i), static_cast<u16>(e - i)};
    i = e;
  }
  return out;
}
constexpr u32 covered(const Scratch& s) {
  u32 n = 0;
  for (u32 r = 0; r < s.nruns; ++r) n += s.runs[r].len;
  return n;
}

// Bytes from the table's first byte to the end of the last one a decoding plan reads.
constexpr u32 extent(const Scratch& s) {
  u32 end = 0;
  for (u32 i = s.table_at; i < s.len; ++i)
    if (s.cls[i] != Byte::ignore) end = i + 1 - s.table_at;
  return end;
}

template <std::size_t N, class A>
constexpr std::array<typename A::value_type, N> first(const A& a) {
  std::array<typename A::value_type, N> out{};
  for (std::size_t i = 0; i < N; ++i) out[i] = a[i];
  return out;
}

// Scalars of the structure (nested records included) in slot order: offset and width.
struct Scalars {
  std::array<u32, 2 * kListCap> mem{};
  std::array<u32, 2 * kListCap> width{};
  u32 n = 0;
};
template <class T>
constexpr void collect_scalars(Scalars& out, u32 mem) {
  for_slots<T>([&]<std::size_t K, auto S>() {
    if constexpr (kind_of<S>() == Kind::scalar) {
      out.mem[out.n] = mem + member_offset<T, K>;
      out.width[out.n++] = sizeof(member_t<S>);
    } else if constexpr (kind_of<S>() == Kind::nested) {
      collect_scalars<member_t<S>>(out, mem + member_offset<T, K>);
    }
  });
}

// Scalars of one width that lie back to back, cut into words of eight bytes.
struct ZeroWords {
  std::array<ZeroWord, kListCap> word{};
  u32 n = 0;
};
template <class T>
constexpr ZeroWords zero_words() {
  Scalars sc;
  collect_scalars<T>(sc, 0);
  ZeroWords z;
  for (u32 i = 0; i < sc.n;) {
    const u32 w = sc.width[i];
    u32 e = i + 1;
    while (e < sc.n && sc.width[e] == w && sc.mem[e] == sc.mem[e - 1] + w) ++e;
    const u32 start = sc.mem[i];
    const u32 end = sc.mem[e - 1] + w;
    for (u32 at = start; at < end; at += 8) {
      const u32 stop = std::min(at + 8, end);
      z.word[z.n++] = ZeroWord{static_cast<u16>(at), static_cast<u8>(stop - at), static_cast<u8>(std::countr_zero(w))};
    }
    i = e;
  }
  return z;
}

template <class T>
constexpr std::array<Slot, slot_count<T>> slots();

struct Steps {
  std::array<Step, kListCap> step{};
  u32 n = 0;
};
template <std::size_t N>
constexpr Steps steps(const std::array<Slot, N>& slot) {
  Steps out;
  for (std::size_t k = 0; k < N;) {
    if (slot[k].kind != Kind::scalar) {
      out.step[out.n++] = Step{slot[k].mem, static_cast<u8>(k), 0, 0};
      ++k;
      continue;
    }
    const u32 w = slot[k].width;
    std::size_t e = k + 1;
    while (e < N && slot[e].kind == Kind::scalar && slot[e].width == w && slot[e].mem == slot[e - 1].mem + w) ++e;
    out.step[out.n++] =
        Step{slot[k].mem, static_cast<u8>(k), static_cast<u8>(e - k), static_cast<u8>(std::countr_zero(w))};
    k = e;
  }
  return out;
}

constexpr fast::ScalarShape scalar_shape(const Steps& steps) {
  fast::ScalarShape out;
  for (u32 i = 0; i < steps.n; ++i)
    if (steps.step[i].count != 0) out.step[out.n++] = steps.step[i];
  return out;
}

// The scalar slots of one width, as bits by slot index.
template <std::size_t N>
constexpr u64 of_width(const std::array<Slot, N>& slot, u32 width) {
  u64 bits = 0;
  for (std::size_t k = 0; k < N; ++k)
    if (slot[k].kind == Kind::scalar && slot[k].width == width) bits |= u64{1} << k;
  return bits;
}

// The indices of the scalar slots, or of the others, in slot order.
template <std::size_t N, std::size_t M>
constexpr std::array<u8, M> indices(const std::array<Slot, N>& slot, bool scalar) {
  std::array<u8, M> out{};
  std::size_t j = 0;
  for (std::size_t k = 0; k < N; ++k)
    if ((slot[k].kind == Kind::scalar) == scalar) out[j++] = static_cast<u8>(k);
  return out;
}

}  // namespace build

// Every list has the same structure, a u32 beside a vector of records (codec/describe.hpp), so one
// set of paths serves them all: those of this list, whose items stand for any record. The paths
// read nothing of the items (a list's items go through their own record's paths).
struct ListShapeItem {
  u32 field0;
};
struct ListShape {
  u32 field0;
  u32 n_field1;
  ListShapeItem* field1;
};

}  // namespace kav::detail

template <>
struct kav::Layout<kav::detail::ListShapeItem> {
  using fields = Fields<&detail::ListShapeItem::field0>;
  static constexpr std::size_t offset[] = {0};
  static constexpr RootForm root = RootForm::delegating;
  static constexpr const char* non_root = nullptr;  // never decoded: it only gives the list its shape
};

namespace kav::detail {

namespace build {

// Two records laid out alike: the same size and alignment, and slot by slot the same kind at the
// same member offset, of the same width and count (a nested record: laid out alike in turn). Their
// tables then differ in nothing a path reads.
template <class T, class U>
constexpr bool same_shape() {
  if constexpr (sizeof(T) != sizeof(U) || alignof(T) != alignof(U) || slot_count<T> != slot_count<U>) {
    return false;
  } else {
    return []<std::size_t... K>(std::index_sequence<K...>) {
      return (true && ... && [] {
        constexpr auto S = slot_at<T, K>;
        constexpr auto R = slot_at<U, K>;
        constexpr Kind kind = kind_of<S>();
        if constexpr (kind != kind_of<R>() || member_offset<T, K> != member_offset<U, K>) {
          return false;
        } else if constexpr (kind == Kind::scalar) {
          return sizeof(member_t<S>) == sizeof(member_t<R>);
        } else if constexpr (kind == Kind::byte_array || kind == Kind::struct_array) {
          using A = array_traits<S>;
          using B = array_traits<R>;
          return A::count == B::count && A::element_size == B::element_size &&
                 element_parts<typename A::element>() == element_parts<typename B::element>();
        } else if constexpr (kind == Kind::nested) {
          return same_shape<member_t<S>, member_t<R>>();
        } else {
          return false;  // a list: every one shares ListShape's paths already
        }
      }());
    }
    (std::make_index_sequence<slot_count<T>>{});
  }
}

// The first of Us laid out like T, or T when none before T is.
template <class T, class U, class... Us>
constexpr auto first_alike() {
  if constexpr (std::is_same_v<T, U> || same_shape<T, U>())
    return std::type_identity<U>{};
  else if constexpr (sizeof...(Us) == 0)
    return std::type_identity<T>{};
  else
    return first_alike<T, Us...>();
}

}  // namespace build

// Records in an order, for Alike: whether it names T, and the first of them laid out like T.
template <class... Us>
struct RecordOrder {
  template <class T>
  static constexpr bool names = (std::is_same_v<T, Us> || ...);
  template <class T>
  using first_alike = typename decltype(build::first_alike<T, Us...>())::type;
};

// The record whose paths a record uses: the first of the catalogue's records laid out alike
// (messages/catalogue.hpp names them, in order), so that records alike share one set of paths; a
// record the catalogue does not name keeps its own.
template <class T>
struct Alike {
  using type = T;
};

// Whose paths a layout uses: those of the record it is laid out like, or for a list the shared ones.
template <class T>
struct PathsOf {
  using type = TableOf<typename Alike<T>::type>;
};
template <ListMessage T>
requires(!std::is_same_v<T, ListShape>) struct PathsOf<T> {
  using type = TableOf<ListShape>;
};

// A list's table holds its items' layout's paths, so that only item layouts have them.
template <class T, bool List = build::has_vector<T>()>
struct ItemPaths {
  static constexpr EncodeItems encode_items = nullptr;
  static constexpr DecodeItems decode_items = nullptr;
};
template <class T>
struct ItemPaths<T, true> {
  using P = typename TableOf<typename vec_parts<slot_at<T, slot_count<T> - 1>>::element>::P;
  static constexpr EncodeItems encode_items = &P::encode_items;
  static constexpr DecodeItems decode_items = &P::decode_items;
};

template <class T>
struct TableOf {
  static_assert(covers_structure<T>(), "the slots must describe the whole structure, in order");
  static_assert(slot_count<T> <= 64, "a layout's scalar slots are kept as bits of one word");
  using type = T;
  static constexpr u32 n = slot_count<T>;
  static constexpr bool vector = build::has_vector<T>();

  static constexpr build::Scratch full_s = build::compact_scratch<T>();
  static constexpr build::Scratch fixed_s = build::fixed_scratch<T>();
  static constexpr build::Spans full_fill_s = build::spans(full_s, false);
  static constexpr build::Spans full_checks_s = build::spans(full_s, true);
  static constexpr build::Spans fixed_fill_s = build::spans(fixed_s, false);
  static constexpr build::Spans fixed_checks_s = build::spans(fixed_s, true);
  static constexpr build::ZeroWords zero_s = build::zero_words<T>();

  static constexpr std::array<Slot, n> slot = build::slots<T>();
  static constexpr u32 nscalars = [] {
    u32 c = 0;
    for (const Slot& x : slot) c += x.kind == Kind::scalar;
    return c;
  }();
  static constexpr auto others = build::indices<n, n - nscalars>(slot, false);
  static constexpr build::Steps steps_s = build::steps(slot);
  static constexpr auto steps = build::first<steps_s.n>(steps_s.step);
  static constexpr auto zero = build::first<zero_s.n>(zero_s.word);
  static constexpr auto full_entries = build::first<n>(full_s.entries);
  static constexpr auto full_image = build::first<full_s.len>(full_s.image);
  static constexpr auto full_runs = build::first<full_s.nruns>(full_s.runs);
  static constexpr auto full_fill = build::first<full_fill_s.n>(full_fill_s.span);
  static constexpr auto full_checks = build::first<full_checks_s.n>(full_checks_s.span);
  static constexpr auto fixed_entries = build::first < vector ? 0 : n > (fixed_s.entries);
  static constexpr auto fixed_image = build::first<fixed_s.len>(fixed_s.image);
  static constexpr auto fixed_runs = build::first<fixed_s.nruns>(fixed_s.runs);
  static constexpr auto fixed_fill = build::first<fixed_fill_s.n>(fixed_fill_s.span);
  static constexpr auto fixed_checks = build::first<fixed_checks_s.n>(fixed_checks_s.span);
  static constexpr build::Spans gaps_s = build::gaps<sizeof(T)>(full_s);
  static constexpr auto gaps = build::first<gaps_s.n>(gaps_s.span);
  static_assert(vector || build::covered(fixed_s) == build::covered(full_s), "both plans write every member");
  static constexpr u32 full_extent = build::extent(full_s);
  static constexpr u32 fixed_extent = build::extent(fixed_s);

  using P = fast::Paths<typename PathsOf<T>::type>;
  using SP = fast::ScalarPaths<build::scalar_shape(steps_s)>;
  // The paths this layout uses read nothing that differs from its own table: those of a record laid
  // out alike, or for a list those of ListShape.
  static constexpr bool paths_fit() {
    using S = typename PathsOf<T>::type;
    if constexpr (std::is_same_v<S, TableOf>) {
      return true;
    } else if constexpr (vector) {  // S is TableOf<ListShape>
      return sizeof(T) == sizeof(ListShape) && slot[0].mem == S::slot[0].mem && slot[1].mem == S::slot[1].mem &&
             slot[1].items == S::slot[1].items && full_image == S::full_image && full_entries == S::full_entries &&
             full_runs.size() == S::full_runs.size() && gaps.size() == S::gaps.size() && zero.size() == S::zero.size();
    } else {
      const auto eq = [](const auto& a, const auto& b) {
        if (a.size() != b.size()) return false;
        for (std::size_t i = 0; i < a.size(); ++i)
          if (!(a[i] == b[i])) return false;
        return true;
      };
      bool slots_alike = true;
      for (u32 k = 0; k < n; ++k) {
        const Slot &a = slot[k], &b = S::slot[k];
        slots_alike = slots_alike && a.kind == b.kind && a.width == b.width && a.mem == b.mem && a.count == b.count &&
                      a.items == b.items && a.parts[0] == b.parts[0] && a.parts[1] == b.parts[1] &&
                      a.parts[2] == b.parts[2] && a.parts[3] == b.parts[3];
      }
      return sizeof(T) == sizeof(typename S::type) && S::n == n && slots_alike && eq(steps, S::steps) &&
             eq(others, S::others) && eq(zero, S::zero) && eq(gaps, S::gaps) && eq(full_entries, S::full_entries) &&
             eq(full_image, S::full_image) && eq(full_runs, S::full_runs) && eq(full_fill, S::full_fill) &&
             eq(full_checks, S::full_checks) && eq(fixed_entries, S::fixed_entries) &&
             eq(fixed_image, S::fixed_image) && eq(fixed_runs, S::fixed_runs) && eq(fixed_fill, S::fixed_fill) &&
             eq(fixed_checks, S::fixed_checks) && full_extent == S::full_extent && fixed_extent == S::fixed_extent &&
             full_s.table_at == S::full_s.table_at && fixed_s.table_at == S::fixed_s.table_at &&
             full_s.len == S::full_s.len && fixed_s.len == S::fixed_s.len;
    }
  }
  // A list's root goes to the rules of its one shape (unpack_list, pack_list); every other table to
  // its layout's path first.
  static constexpr UnpackFast unpack_entry() {
    if constexpr (vector)
      return &unpack_list;
    else
      return &P::unpack;
  }
  static constexpr PackFast pack_entry() {
    if constexpr (vector)
      return &pack_list;
    else
      return &P::pack;
  }
  static constexpr Table table{
      .size = sizeof(T),
      .slots = static_cast<u16>(n),
      .vlen = static_cast<u16>(vtable_len<T>),
      .root = Layout<T>::root,
      .has_vector = vector,
      .vector_slot = static_cast<u8>(vector ? n - 1 : 0xFF),
      .nothers = static_cast<u8>(n - nscalars),
      .nsteps = static_cast<u8>(steps_s.n),
      .of_width = {build::of_width(slot, 1), build::of_width(slot, 2), build::of_width(slot, 4),
                   build::of_width(slot, 8)},
      .slot = slot.data(),
      .steps = steps.data(),
      .others = others.data(),
      .non_root = Layout<T>::non_root,
      .max_size = full_s.len + (vector ? 4 : 0),
      .full_vector_word = static_cast<u16>(full_s.vector_word),
      .full_table_len = static_cast<u16>(full_s.table_len),
      .fixed_table_len = static_cast<u16>(fixed_s.table_len),
      .fixed_len = static_cast<u16>(fixed_s.len),
      .full_len = static_cast<u16>(full_s.len),
      .full_first = full_s.entries[0],
      .fixed_entries = vector ? nullptr : fixed_entries.data(),
      .decode_fast = &P::decode,
      .encode_fast = &P::encode,
      .fixed_fast = vector ? nullptr : &P::fixed,
      .fixed_one = vector ? nullptr : &P::single,
      .unpack_fast = unpack_entry(),
      .pack_fast = pack_entry(),
      .scalars_out = &SP::out,
      .scalars_in = &SP::in,
      .encode_items = ItemPaths<T>::encode_items,
      .decode_items = ItemPaths<T>::decode_items,
  };
  static_assert(paths_fit(), "a layout shares another's paths only when it is laid out the same");
  static_assert(!vector ||
                    (n == 2 && slot[0].kind == Kind::scalar && slot[0].width == 4 && slot[1].kind == Kind::vector),
                "a list's root is a u32 beside its vector, as unpack_list and pack_list read and write it");
};

namespace build {

template <class T>
constexpr std::array<Slot, slot_count<T>> slots() {
  std::array<Slot, slot_count<T>> out{};
  for_slots<T>([&]<std::size_t K, auto S>() {
    Slot& s = out[K];
    s.kind = kind_of<S>();
    s.mem = static_cast<u16>(member_offset<T, K>);
    if constexpr (kind_of<S>() == Kind::scalar) {
      s.width = sizeof(member_t<S>);
    } else if constexpr (kind_of<S>() == Kind::byte_array || kind_of<S>() == Kind::struct_array) {
      using A = array_traits<S>;
      s.width = static_cast<u8>(A::element_size);
      s.count = static_cast<u16>(A::count);
      const auto parts = element_parts<typename A::element>();
      for (u32 i = 0; i < 4; ++i) s.parts[i] = parts[i];
    } else if constexpr (kind_of<S>() == Kind::nested) {
      s.sub = &TableOf<member_t<S>>::table;
    } else {
      s.items = static_cast<u16>(round_up(member_offset<T, K> + 4, alignof(void*)));  // the pointer member
      s.sub = &TableOf<typename vec_parts<S>::element>::table;
    }
  });
  return out;
}

}  // namespace build

// The catalogue's stated values follow from the layout, as its table has them: fixed length L and
// the fixed table length. Computed apart from the table, so that pinning them does not build it
// before the catalogue has named every record (Alike).
template <class T>
constexpr build::Scratch stated_fixed() {
  static_assert(covers_structure<T>(), "the slots must describe the whole structure, in order");
  return build::fixed_scratch<T>();
}
template <class T>
inline constexpr u32 fixed_length = stated_fixed<T>().len;
template <class T>
inline constexpr u32 fixed_table_length = stated_fixed<T>().table_len;
template <class T>
inline constexpr bool has_vector = build::has_vector<T>();

}  // namespace kav::detail

namespace kav {
using detail::fixed_length;
using detail::fixed_table_length;
using detail::has_vector;
}  // namespace kav
