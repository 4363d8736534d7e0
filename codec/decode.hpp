// Unpacking: the table decoder of every record, the two root forms and the free body. Field
// decoding runs in slot order and stops at the first field that fails its checks.
#pragma once

#include <cstring>

#include "codec/checks.hpp"
#include "codec/describe.hpp"
#include "codec/runs.hpp"
#include "codec/wire.hpp"
#include "runtime/secure_mem.hpp"

namespace kav::detail {

template <bool Swap>
struct Cursor {
  const u8* buf;
  u32 len;
  static constexpr bool swap = Swap;
  template <class U>
  [[nodiscard, gnu::always_inline]] U load(u32 pos) const noexcept {
    return load_le<U>(buf + pos, Swap);
  }
};

// A table that passed its header checks. `room` is len - t: what the table may use.
struct TableRef {
  u32 t;
  u32 vt;
  u32 vlen;
  u32 room;
};

enum class HeaderFault : u32 { none, table, vtable, vtable_len };

// The values a header fault is reported with.
struct Header {
  u32 t = 0;
  u32 vt = 0;
  u32 vlen = 0;
};

template <class Cursor>
[[nodiscard, gnu::always_inline]] inline HeaderFault read_header(const Cursor c, u32 t, TableRef& tr,
                                                                 Header& h) noexcept {
  h.t = t;
  if (!table_at(t, c.len)) [[unlikely]] return HeaderFault::table;
  h.vt = t - c.template load<u32>(t);  // wrap-around: the vtable may lie before or after its table
  if (!vtable_at(h.vt, c.len)) [[unlikely]] return HeaderFault::vtable;
  h.vlen = c.template load<u16>(h.vt);
  if (!vtable_fits(h.vt, h.vlen, c.len)) [[unlikely]] return HeaderFault::vtable_len;
  tr = TableRef{t, h.vt, h.vlen, c.len - t};
  return HeaderFault::none;
}

// Logs a header fault: `root` when the unpack function itself found it, otherwise a table decoder.
[[gnu::cold, gnu::noinline]] void log_header_fault(Unit u, bool root, const char* func, HeaderFault f,
                                                   Header h, u32 len) noexcept;

template <class M, class T, class Cursor>
[[nodiscard]] bool decode_table(const Cursor c, u32 t, T& out, const char* log_name) noexcept;
template <class M, class T, class Cursor>
[[nodiscard, gnu::always_inline]] inline bool decode_table_body(const Cursor c, u32 t, T& out,
                                                                const char* log_name) noexcept;

// Copies a fixed array's elements from the wire into the structure.
template <auto S, class T, class Cursor>
[[gnu::always_inline]] inline void copy_array_in(const Cursor c, u32 from, T& out) noexcept {
  using A = array_traits<S>;
  using E = typename A::element;
  auto& dst = out.*S;
  if constexpr (std::is_same_v<E, u8>) {
    std::memcpy(dst, c.buf + from, A::count);
  } else {
    if (!c.swap && std::endian::native == std::endian::little) {
      copy_bytes(dst, sizeof dst, c.buf + from, A::bytes);  // the elements move as one copy
      return;
    }
    for (u32 i = 0; i < A::count; ++i) {
      const u32 at = from + i * A::element_size;
      if constexpr (is_scalar_type<E>) {
        dst[i] = c.template load<E>(at);
      } else {
        u32 pos = at;
        [&]<std::size_t... K>(std::index_sequence<K...>) {
          ((dst[i].*slot_at<E, K> = c.template load<member_t<slot_at<E, K>>>(pos), pos += sizeof(member_t<slot_at<E, K>>)),
           ...);
        }(std::make_index_sequence<slot_count<E>>{});
      }
    }
  }
}

template <class M, auto S, class T, class Cursor>
[[nodiscard, gnu::always_inline]] inline bool decode_target(const Cursor c, u32 p, T& out) noexcept;

template <class M, std::size_t K, auto S, class T, class Cursor>
[[nodiscard, gnu::always_inline]] inline bool decode_slot(const Cursor c, const TableRef& tr, T& out) noexcept {
  if (tr.vlen < 6 + 2 * K) return true;  // the vtable stops before this slot: absent
  const u32 o = c.template load<u16>(tr.vt + 4 + 2 * K);
  if (o == 0) return true;  // absent: stays zero
  constexpr Kind kind = kind_of<S>();
  if constexpr (kind == Kind::scalar) {
    using F = member_t<S>;
    if (!field_fits(o, sizeof(F), tr.room)) return false;
    out.*S = c.template load<F>(tr.t + o);
    return true;
  } else {
    if (!field_fits(o, 4, tr.room)) return false;
    return decode_target<M, S>(c, tr.t + o, out);
  }
}

// A nested table, vector or fixed array whose offset word at p lies inside the buffer.
template <class M, auto S, class T, class Cursor>
[[nodiscard, gnu::always_inline]] inline bool decode_target(const Cursor c, u32 p, T& out) noexcept {
  constexpr Kind kind = kind_of<S>();
  {
    u32 q;
    if (!target_ok(p, c.template load<u32>(p), q)) return false;
    if constexpr (kind == Kind::nested) {
      using R = member_t<S>;
      return decode_table<M>(c, q, out.*S, Layout<R>::non_root);
    } else {
      if (!count_at(q, c.len)) return false;
      const u32 n = c.template load<u32>(q);
      if constexpr (kind == Kind::vector) {
        using V = vec_parts<S>;
        using R = typename V::element;
        constexpr Unit U = M::unpack_unit;
        if (!elements_fit(q, n, 4, c.len)) return false;
        out.*V::count = n;
        const u64 bytes = u64{n} * sizeof(R);
        if (bytes > 0xFFFFFFFFu) return false;  // never allocate a truncated size
        if (bytes == 0) return true;
        auto* items = static_cast<R*>(cache_alloc(U, static_cast<u32>(bytes), M::unpack_name));
        if (items == nullptr) [[unlikely]] {
          log_fault(U, kLineVectorAlloc, kErrNoMemory, M::unpack_name, "[KESMO]:Malloc unpack data unsuccess, size(%u)",
                    static_cast<u32>(bytes));
          return false;
        }
        zero_bytes(items, bytes);
        out.*V::pointer = items;
        for (u32 i = 0; i < n; ++i) {
          const u32 w = q + 4 + 4 * i;  // inside the header checked above
          u32 qi;
          if (!target_ok(w, c.template load<u32>(w), qi)) return false;
          if (!decode_table_body<M>(c, qi, items[i], Layout<R>::non_root)) return false;
        }
        return true;
      } else {
        using A = array_traits<S>;
        if (!elements_fit(q, n, A::element_size, c.len)) return false;
        if (n != A::count) return false;  // only the exact count is accepted
        copy_array_in<S>(c, q + 4, out);
        return true;
      }
    }
  }
}

// A vtable that lists every slot at the offsets this library's own encoders give them (compact
// with every scalar present, or fixed) lets every field load from a constant offset once one
// check has shown that the scalars and offset words all lie inside the buffer. What the offset
// words point at is checked as usual, in slot order.
template <class M, class T, class Cursor, const auto& Entry>
[[nodiscard, gnu::always_inline]] inline bool decode_known(const Cursor c, const TableRef& tr, T& out) noexcept {
  const u8* const base = c.buf + tr.t;
  return [&]<std::size_t... K>(std::index_sequence<K...>) __attribute__((always_inline)) {
    return ([&]() __attribute__((always_inline)) {
      constexpr auto S = slot_at<T, K>;
      if constexpr (kind_of<S>() == Kind::scalar) {
        run_in<T, Entry, K>(out, base);
        return true;
      } else {
        return decode_target<M, S>(c, tr.t + Entry[K], out);
      }
    }() && ...);
  }(std::make_index_sequence<slot_count<T>>{});
}

template <class M, class T, class Cursor>
[[nodiscard, gnu::always_inline]] inline bool decode_fields(const Cursor c, const TableRef& tr, T& out) noexcept {
  if constexpr (!Cursor::swap && std::endian::native == std::endian::little) {
    constexpr std::size_t bytes = 2 * slot_count<T>;
    if (tr.vlen == vtable_len<T>) {
      const u8* entries = c.buf + tr.vt + 4;
      using Compact = CompactFull<T>;
      if (bytes_equal<bytes>(entries, reinterpret_cast<const u8*>(Compact::entry.data())) &&
          tr.room >= Compact::image.inline_end)
        return decode_known<M, T, Cursor, Compact::entry>(c, tr, out);
      if constexpr (!has_vector<T>) {
        using Fixed = FixedEntries<T>;
        if (bytes_equal<bytes>(entries, reinterpret_cast<const u8*>(Fixed::entry.data())) &&
            tr.room >= Fixed::inline_end)
          return decode_known<M, T, Cursor, Fixed::entry>(c, tr, out);
      }
    }
  }
  return [&]<std::size_t... K>(std::index_sequence<K...>) __attribute__((always_inline)) {
    return (decode_slot<M, K, slot_at<T, K>>(c, tr, out) && ...);
  }(std::make_index_sequence<slot_count<T>>{});
}

// Decodes the table at t into a record the caller has zeroed. Header faults are logged under
// `log_name`; field faults are not. Returns false on either.
template <class M, class Cursor>
[[gnu::cold, gnu::noinline]] bool table_fault(const Cursor c, u32 t, const char* log_name) noexcept {
  TableRef tr;
  Header h;
  log_header_fault(M::unpack_unit, false, log_name, read_header(c, t, tr, h), h, c.len);
  return false;
}

template <class M, class T, class Cursor>
[[nodiscard, gnu::always_inline]] inline bool decode_table_body(const Cursor c, u32 t, T& out,
                                                                const char* log_name) noexcept {
  TableRef tr;
  Header h;
  if (read_header(c, t, tr, h) != HeaderFault::none) [[unlikely]] return table_fault<M>(c, t, log_name);
  return decode_fields<M>(c, tr, out);
}

template <class M, class T, class Cursor>
[[nodiscard]] bool decode_table(const Cursor c, u32 t, T& out, const char* log_name) noexcept {
  return decode_table_body<M>(c, t, out, log_name);
}

// Releases the blocks unpacking attached to msg and leaves their pointers null.
template <class M>
void free_body(typename M::type* msg) noexcept {
  using T = typename M::type;
  bind_cache(M::unpack_unit);
  if (msg == nullptr) return;
  [&]<std::size_t... K>(std::index_sequence<K...>) {
    (
        [&] {
          constexpr auto S = slot_at<T, K>;
          if constexpr (is_vec<decltype(S)>) {
            auto& ptr = msg->*vec_parts<S>::pointer;
            if (ptr != nullptr) {
              cache_release(M::unpack_unit, ptr, M::free_name);
              ptr = nullptr;
            }
          }
        }(),
        ...);
  }(std::make_index_sequence<slot_count<T>>{});
}

template <class M, bool Swap>
u32 unpack_as(const u8* buf, u32 len, typename M::type* out) noexcept;

// First use of the unit, or a root header fault: check, log, bind, then decode as usual.
template <class M, bool Swap>
[[gnu::cold, gnu::noinline]] u32 unpack_first(const u8* buf, u32 len, typename M::type* out) noexcept {
  using T = typename M::type;
  constexpr Unit U = M::unpack_unit;
  const Cursor<Swap> c{buf, len};
  if constexpr (M::root == RootForm::in_place) {
    TableRef tr;
    Header h;
    if (const HeaderFault f = read_header(c, c.template load<u32>(0), tr, h); f != HeaderFault::none) {
      log_header_fault(U, true, M::unpack_name, f, h, len);
      return sizeof(T);  // the structure is left as the caller passed it
    }
  }
  bind_cache(U);
  return swap_flag(U) ? unpack_as<M, true>(buf, len, out) : unpack_as<M, false>(buf, len, out);
}

template <class M, bool Swap>
u32 unpack_as(const u8* buf, u32 len, typename M::type* out) noexcept {
  using T = typename M::type;
  constexpr u32 size = sizeof(T);
  constexpr Unit U = M::unpack_unit;
  const Cursor<Swap> c{buf, len};
  const u32 root = c.template load<u32>(0);
  const bool ready = runtime(U).cache_bound.load(std::memory_order_acquire) != 0 && swap_flag(U) == Swap;
  if constexpr (M::root == RootForm::in_place) {
    TableRef tr;
    Header h;
    if (read_header(c, root, tr, h) != HeaderFault::none || !ready) [[unlikely]]
      return unpack_first<M, Swap>(buf, len, out);
    std::memset(static_cast<void*>(out), 0, size);
    if (!decode_fields<M>(c, tr, *out)) {
      if constexpr (has_vector<T>) free_body<M>(out);
    }
  } else {
    static_assert(!has_vector<T>, "a structure that owns blocks unpacks in place");
    if (!ready) [[unlikely]] return unpack_first<M, Swap>(buf, len, out);
    std::memset(static_cast<void*>(out), 0, size);
    (void)decode_table<M>(c, root, *out, M::non_root_name);
  }
  return size;
}

template <class M>
u32 unpack(const u8* buf, u32 len, typename M::type* out) noexcept {
  using T = typename M::type;
  constexpr Unit U = M::unpack_unit;
  if (!buffer_ok(buf, len, out)) [[unlikely]] {
    log_fault(U, kLineUnpackParam, kErrInvalid, M::unpack_name, "[KESMO]:Param invalid(%s, %d, %s)",
              buf != nullptr ? "nonNull" : "null", static_cast<i32>(len), out != nullptr ? "nonNull" : "null");
    return sizeof(T);
  }
  return swap_flag(U) ? unpack_as<M, true>(buf, len, out) : unpack_as<M, false>(buf, len, out);
}

template <class M>
void free_unpacked(typename M::type* msg) noexcept {
  if constexpr (has_vector<typename M::type>) {
    if (msg != nullptr) free_body<M>(msg);
  }
}

}  // namespace kav::detail
