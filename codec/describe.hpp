// How a message is described (its structure's members in slot order) and everything the engine
// derives from that description at compile time: wire kinds, vtable lengths, the fixed layout.
#pragma once

#include <array>
#include <cstddef>
#include <tuple>
#include <type_traits>
#include <utility>

#include "runtime/runtime.hpp"

namespace kav {

// A table vector: the count member and the pointer member, together one slot.
template <auto CountMember, auto PointerMember>
struct Vec {};

// The members of a structure in slot order. Each entry is a pointer to member, or a Vec.
template <auto... Slots>
struct Fields {
  static constexpr u32 count = sizeof...(Slots);
  template <std::size_t K>
  static constexpr auto at = std::get<K>(std::tuple{Slots...});
};

// Specialised once per record, message or array element structure:
//   using fields = Fields<...>;   and, for records that appear inside other tables,
//   static constexpr const char* non_root;   the name their table decoder logs under.
template <class T>
struct Layout;

enum class RootForm { in_place, delegating };

namespace detail {

template <class T>
concept described = requires { typename Layout<T>::fields; };

template <class>
struct member_ptr;
template <class C, class F>
struct member_ptr<F C::*> {
  using owner = C;
  using type = F;
};
template <auto M>
using member_t = typename member_ptr<std::remove_cv_t<decltype(M)>>::type;

template <class>
inline constexpr bool is_vec_v = false;
template <auto C, auto P>
inline constexpr bool is_vec_v<Vec<C, P>> = true;
template <class T>
inline constexpr bool is_vec = is_vec_v<std::remove_cv_t<T>>;

template <class>
struct vec_parts_of;
template <auto C, auto P>
struct vec_parts_of<Vec<C, P>> {
  static constexpr auto count = C;
  static constexpr auto pointer = P;
  using element = std::remove_pointer_t<member_t<P>>;
};

template <auto S>
using vec_parts = vec_parts_of<std::remove_cv_t<decltype(S)>>;

template <class>
inline constexpr bool dependent_false = false;

template <class T>
using fields_of = typename Layout<T>::fields;

template <class T>
inline constexpr u32 slot_count = fields_of<T>::count;

template <class T, std::size_t K>
inline constexpr auto slot_at = fields_of<T>::template at<K>;

// Vtable length of a record type: all of its slots, always.
template <class T>
inline constexpr u32 vtable_len = 4 + 2 * slot_count<T>;

template <class F>
inline constexpr bool is_scalar_type = std::is_unsigned_v<F> && !std::is_same_v<F, bool>;

enum class Kind { scalar, byte_array, struct_array, nested, vector };

template <auto S>
consteval Kind kind_of() {
  if constexpr (is_vec<decltype(S)>) {
    return Kind::vector;
  } else {
    using F = member_t<S>;
    if constexpr (is_scalar_type<F>) {
      static_assert(sizeof(F) == 1 || sizeof(F) == 2 || sizeof(F) == 4 || sizeof(F) == 8);
      return Kind::scalar;
    } else if constexpr (std::is_array_v<F> && std::rank_v<F> == 1) {
      using E = std::remove_extent_t<F>;
      if constexpr (std::is_same_v<E, u8>) {
        return Kind::byte_array;
      } else if constexpr (is_scalar_type<E> || described<E>) {
        return Kind::struct_array;
      } else {
        static_assert(dependent_false<F>, "array element has no wire kind");
      }
    } else if constexpr (described<F>) {
      return Kind::nested;
    } else {
      static_assert(dependent_false<F>, "member type has no wire kind");
    }
  }
}

// Bytes an array element takes on the wire: its scalar members back to back.
template <class E>
consteval u32 element_wire_size() {
  if constexpr (is_scalar_type<E>) {
    return sizeof(E);
  } else {
    return [&]<std::size_t... K>(std::index_sequence<K...>) {
      return (u32{0} + ... + u32{sizeof(member_t<slot_at<E, K>>)});
    }(std::make_index_sequence<slot_count<E>>{});
  }
}

template <auto S>
struct array_traits {
  using F = member_t<S>;
  using element = std::remove_extent_t<F>;
  static constexpr u32 count = static_cast<u32>(std::extent_v<F>);
  static constexpr u32 element_size = element_wire_size<element>();
  static constexpr u32 bytes = count * element_size;
  // Elements lie in memory exactly as on the wire (no member padding), so a clear swap flag
  // lets the whole array move as one copy.
  static_assert(sizeof(element) == element_size, "array element must have no padding");
};

constexpr u32 round_up(u32 v, u32 m) { return (v + m - 1) / m * m; }

// ---- fixed layout: every field present, at a constant table offset ----

template <class T>
struct FixedTable;

// Bytes a slot takes inside a fixed-layout table.
template <auto S>
consteval u32 fixed_width() {
  constexpr Kind k = kind_of<S>();
  if constexpr (k == Kind::scalar) {
    return sizeof(member_t<S>);
  } else if constexpr (k == Kind::byte_array || k == Kind::struct_array) {
    return 8 + array_traits<S>::bytes;  // offset word, count, elements
  } else if constexpr (k == Kind::nested) {
    return 4 + FixedTable<member_t<S>>::block;  // offset word, then the nested block
  } else {
    static_assert(dependent_false<decltype(S)>, "a table vector has no fixed layout");
    return 0;
  }
}

template <class T>
struct FixedTable {
  static constexpr u32 slots = slot_count<T>;
  // Table-relative position of every slot, in slot order with no alignment.
  static constexpr std::array<u32, slots> offset = [] {
    std::array<u32, slots> off{};
    u32 pos = 4;  // behind the vtable reference
    [&]<std::size_t... K>(std::index_sequence<K...>) {
      ((off[K] = pos, pos += fixed_width<slot_at<T, K>>()), ...);
    }(std::make_index_sequence<slots>{});
    return off;
  }();
  // Table length: vtable reference and every field.
  static constexpr u32 length = [] {
    u32 pos = 4;
    [&]<std::size_t... K>(std::index_sequence<K...>) {
      ((pos += fixed_width<slot_at<T, K>>()), ...);
    }(std::make_index_sequence<slots>{});
    return pos;
  }();
  // As a nested block: the table, its vtable right behind it, padded to 4 bytes.
  static constexpr u32 block = round_up(length + vtable_len<T>, 4);
};

// The root of a fixed encoding: root offset 4, the table at 4, its vtable behind it.
template <class T>
struct FixedRoot {
  static constexpr u32 table_len = FixedTable<T>::length;
  static constexpr u32 vtable_pos = 4 + round_up(table_len, 4);
  static constexpr u32 length = round_up(vtable_pos + vtable_len<T>, 8);
};

// The compact layout of a table whose scalars are all non-zero and whose vectors are all present:
// every slot offset is then a constant.
template <class T>
struct CompactFull {
  static constexpr std::size_t n = slot_count<T>;
  struct Image {
    std::array<u16, n> entry{};
    u32 inline_end = 4;      // behind the last offset word
    u32 arrays = 0;          // out-of-line bytes of the fixed arrays (count words and elements)
    u32 max_static = 0;      // the table's largest size, vectors' data left out
  };
  static constexpr Image image = [] {
    Image im;
    [&]<std::size_t... K>(std::index_sequence<K...>) {
      (
          [&] {
            constexpr auto S = slot_at<T, K>;
            if constexpr (kind_of<S>() == Kind::scalar) {
              im.entry[K] = static_cast<u16>(im.inline_end);
              im.inline_end += sizeof(member_t<S>);
            }
          }(),
          ...);
      im.max_static = vtable_len<T> + im.inline_end;
      (
          [&] {
            constexpr auto S = slot_at<T, K>;
            constexpr Kind k = kind_of<S>();
            if constexpr (k != Kind::scalar) {
              im.entry[K] = static_cast<u16>(im.inline_end);
              im.inline_end += 4;
              im.max_static += 4;
              if constexpr (k == Kind::byte_array || k == Kind::struct_array) {
                im.arrays += 4 + array_traits<S>::bytes;
                im.max_static += 4 + array_traits<S>::bytes;
              } else if constexpr (k == Kind::nested) {
                im.max_static += CompactFull<member_t<S>>::image.max_static;
              } else {
                im.max_static += 4;
              }
            }
          }(),
          ...);
    }(std::make_index_sequence<n>{});
    return im;
  }();
  static constexpr std::array<u16, n> entry = image.entry;  // usable as a template argument
  // Scalars only: the whole vtable (its length, the table length, the entries) is a constant.
  static constexpr bool flat = []<std::size_t... K>(std::index_sequence<K...>) {
    return (true && ... && (kind_of<slot_at<T, K>>() == Kind::scalar));
  }(std::make_index_sequence<n>{});
  static constexpr std::array<u16, n + 2> vtable = [] {
    std::array<u16, n + 2> v{};
    v[0] = static_cast<u16>(vtable_len<T>);
    v[1] = static_cast<u16>(image.inline_end);
    for (std::size_t k = 0; k < n; ++k) v[k + 2] = image.entry[k];
    return v;
  }();
};

template <class T>
struct FixedEntries {
  static constexpr std::array<u16, slot_count<T>> entry = [] {
    std::array<u16, slot_count<T>> e{};
    for (std::size_t k = 0; k < e.size(); ++k) e[k] = static_cast<u16>(FixedTable<T>::offset[k]);
    return e;
  }();
  static constexpr u32 inline_end = FixedTable<T>::length;  // every field lies inside the table
};

}  // namespace detail

// Fixed length L of a message type whose structure is T.
template <class T>
inline constexpr u32 fixed_length = detail::FixedRoot<T>::length;
// Table length written into the fixed encoding's vtable.
template <class T>
inline constexpr u32 fixed_table_length = detail::FixedRoot<T>::table_len;

template <class T>
inline constexpr bool has_vector = [] {
  return []<std::size_t... K>(std::index_sequence<K...>) {
    return (false || ... || detail::is_vec<decltype(detail::slot_at<T, K>)>);
  }(std::make_index_sequence<detail::slot_count<T>>{});
}();

}  // namespace kav
