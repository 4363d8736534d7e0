// Walks a structure's slots in order and hands each member to a visitor, by wire kind. Used where
// code must treat every message alike at run time: tests, the demo, the inspector tool.
#pragma once

#include "codec/describe.hpp"

namespace kav {

using detail::Kind;

// Calls, for every slot K of T in slot order, one of
//   v.scalar(K, member)            unsigned integer of 1, 2, 4 or 8 bytes
//   v.byte_array(K, member)        u8[N]
//   v.struct_array(K, member)      E[N], E an unsigned integer or a described element structure
//   v.nested(K, member)            a described record by value
//   v.vector(K, count, pointer)    the count member and the pointer member of a table vector
// T may be const; the members are passed with the same constness.
template <class T, class V>
constexpr void visit_slots(T& obj, V&& v) {
  using D = std::remove_const_t<T>;
  [&]<std::size_t... K>(std::index_sequence<K...>) {
    (
        [&] {
          constexpr auto S = detail::slot_at<D, K>;
          constexpr Kind kind = detail::kind_of<S>();
          constexpr u32 slot = static_cast<u32>(K);
          if constexpr (kind == Kind::scalar) {
            v.scalar(slot, obj.*S);
          } else if constexpr (kind == Kind::byte_array) {
            v.byte_array(slot, obj.*S);
          } else if constexpr (kind == Kind::struct_array) {
            v.struct_array(slot, obj.*S);
          } else if constexpr (kind == Kind::nested) {
            v.nested(slot, obj.*S);
          } else {
            v.vector(slot, obj.*detail::vec_parts<S>::count, obj.*detail::vec_parts<S>::pointer);
          }
        }(),
        ...);
  }
  (std::make_index_sequence<detail::slot_count<D>>{});
}

template <class T>
inline constexpr u32 slot_count = detail::slot_count<T>;
template <class T>
inline constexpr u32 vtable_length = detail::vtable_len<T>;
template <class T>
inline constexpr bool is_described = detail::described<T>;

}  // namespace kav
