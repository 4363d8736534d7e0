// How a record is described: its structure's members in slot order, each member's type giving its
// wire kind. Everything else the engine needs is derived from this at compile time (codec/tables.hpp).
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
namespace detail {
template <std::size_t K, auto S>
struct IndexedSlot {
  static constexpr auto value = S;
};
template <class Indices, auto... Slots>
struct SlotIndex;
template <std::size_t... K, auto... Slots>
struct SlotIndex<std::index_sequence<K...>, Slots...> : IndexedSlot<K, Slots>... {};
// The one base of a SlotIndex with index K: a single deduction, however many slots.
template <std::size_t K, auto S>
constexpr auto slot_value(const IndexedSlot<K, S>&) {
  return S;
}
}  // namespace detail

template <auto... Slots>
struct Fields {
  static constexpr u32 count = sizeof...(Slots);
  template <std::size_t K>
  static constexpr auto at =
      detail::slot_value<K>(detail::SlotIndex<std::make_index_sequence<sizeof...(Slots)>, Slots...>{});
};

enum class RootForm : u8 { in_place, delegating };

// Specialised once per record or array element structure (messages/catalogue.hpp):
//   using fields = Fields<...>;                 the members in slot order
//   static constexpr std::size_t offset[];      their offsetof, in the same order
//   static constexpr RootForm root;             how __unpack reads the root table
//   static constexpr const char* non_root;      the name its table decoder logs under
template <class T>
struct Layout;

// Every update and delete list: field0 beside a vector of records in slot 1. One layout serves all.
template <class T>
concept ListMessage = requires(T t) {
  t.field0;
  t.n_field1;
  *t.field1;
};
template <ListMessage T>
struct Layout<T> {
  using fields = Fields<&T::field0, Vec<&T::n_field1, &T::field1>{}>;
  static constexpr std::size_t offset[2] = {offsetof(T, field0), offsetof(T, n_field1)};
  static constexpr RootForm root = RootForm::in_place;
  static constexpr const char* non_root = nullptr;  // a list is never a nested table
};

namespace detail {

template <class T>
concept described = requires {
  typename Layout<T>::fields;
};

template <class>
struct member_ptr;
template <class C, class F>
struct member_ptr<F C::*> {
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
template <class T, std::size_t K>
inline constexpr u32 member_offset = static_cast<u32>(Layout<T>::offset[K]);

// Vtable length of a record type: all of its slots, always.
template <class T>
inline constexpr u32 vtable_len = 4 + 2 * slot_count<T>;

template <class F>
inline constexpr bool is_scalar_type = std::is_unsigned_v<F> && !std::is_same_v<F, bool>;

enum class Kind : u8 { scalar, byte_array, struct_array, nested, vector };

// The wire kind of a slot; a member type with no wire kind does not compile.
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

// Widths of an array element's members, in order (a scalar element is its own one member).
template <class E>
consteval std::array<u8, 4> element_parts() {
  std::array<u8, 4> parts{};
  if constexpr (is_scalar_type<E>) {
    parts[0] = sizeof(E);
  } else {
    static_assert(slot_count<E> <= 4, "array elements have at most four members");
    [&]<std::size_t... K>(std::index_sequence<K...>) {
      ((parts[K] = static_cast<u8>(sizeof(member_t<slot_at<E, K>>))), ...);
    }
    (std::make_index_sequence<slot_count<E>>{});
  }
  return parts;
}

template <auto S>
struct array_traits {
  using F = member_t<S>;
  using element = std::remove_extent_t<F>;
  static constexpr u32 count = static_cast<u32>(std::extent_v<F>);
  static constexpr u32 element_size = [] {
    u32 n = 0;
    for (u8 w : element_parts<element>()) n += w;
    return n;
  }();
  static constexpr u32 bytes = count * element_size;
  // Elements lie in memory exactly as on the wire, so with no swap an array moves as one copy.
  static_assert(sizeof(element) == element_size, "array element must have no padding");
};

template <auto S>
consteval u32 scalar_width() {
  if constexpr (kind_of<S>() == Kind::scalar)
    return sizeof(member_t<S>);
  else
    return 0;
}

constexpr u32 round_up(u32 v, u32 m) { return (v + m - 1) / m * m; }

// The structure the slots describe, laid out member by member at natural alignment, must be the
// structure itself: a member left out of the list, or listed at the wrong place, does not build.
template <class T>
consteval bool covers_structure() {
  u32 end = 0;
  u32 align = 1;
  bool in_order = true;
  [&]<std::size_t... K>(std::index_sequence<K...>) {
    (
        [&] {
          constexpr auto S = slot_at<T, K>;
          u32 a = 0;
          if constexpr (is_vec<decltype(S)>) {  // the u32 count, then the pointer
            a = alignof(void*);
            end = round_up(end, 4);
            in_order = in_order && member_offset<T, K> == end;
            end = round_up(end + 4, a) + static_cast<u32>(sizeof(void*));
          } else {
            using F = member_t<S>;
            a = alignof(F);
            end = round_up(end, a);
            in_order = in_order && member_offset<T, K> == end;
            end += sizeof(F);
          }
          align = a > align ? a : align;
        }(),
        ...);
  }
  (std::make_index_sequence<slot_count<T>>{});
  return in_order && round_up(end, align) == sizeof(T) && std::size(Layout<T>::offset) == slot_count<T>;
}

}  // namespace detail
}  // namespace kav
