// The table of messages, built from the catalogue's descriptors: each entry reaches its message's
// exported functions, the fixed encoder, the explain walk and its shape, instantiated for its
// structure.
#include <array>

#include "codec/encode.hpp"
#include "codec/fixed.hpp"
#include "explain.hpp"
#include "messages/descriptors.hpp"

namespace kav::inspect::impl {
namespace {

template <class M>
Json unpack(ByteView in, JsonOptions o) {
  using T = typename M::type;
  static const u8 empty = 0;  // an empty input is a short buffer, not a null pointer
  T out{};
  M::unpack_fn(in.empty() ? &empty : in.data(), static_cast<u32>(in.size()), &out);
  Json j = to_json(out, o);
  M::free_fn(&out);
  return j;
}

template <class M>
Bytes encode(const Json& j, Encoding e, const SourceMap* map) {
  using T = typename M::type;
  ItemStore store;
  T v{};
  from_json(j, v, "", store, map);
  if (e == Encoding::fixed) {
    if constexpr (has_vector<T>) {
      throw Error(ErrorKind::usage,
                  std::string(M::full_name) + " has no fixed layout: it carries a list and is always sent compact");
    } else {
      Bytes b(fixed_length<T>);
      bind_cache(M::send_unit);  // fixes the send unit's byte-swap flag, as the send path does
      detail::encode_fixed(b.data(), v, swap_flag(M::send_unit));
      return b;
    }
  }
  const u64 size = detail::compact_size(v);
  if (size > 0xFFFFFFFFu)
    throw Error(ErrorKind::bad_input,
                "the compact encoding would take " + std::to_string(size) + " bytes, over 32 bits");
  Bytes b(static_cast<std::size_t>(size));
  u32 len = static_cast<u32>(size);
  if (M::pack_fn(&v, b.data(), &len) != 0 || len != size)
    throw Error(ErrorKind::bad_input, std::string(M::full_name) + "__pack refused the structure");
  return b;
}

template <class T>
std::vector<Slot> slots_of();

// Each slot's kind, widths and place in the structure.
struct ShapeOf {
  const u8* base;
  std::vector<Slot>& out;
  u32 at(const void* p) const { return static_cast<u32>(static_cast<const u8*>(p) - base); }
  template <class U>
  void scalar(u32 k, const U& x) {
    out.push_back({k, "u" + std::to_string(8 * sizeof(U)), sizeof(U), 0, at(&x), sizeof(U), "", {}});
  }
  template <std::size_t N>
  void byte_array(u32 k, const u8 (&a)[N]) {
    out.push_back({k, "bytes", 1, static_cast<u32>(N), at(&a), static_cast<u32>(N), "", {}});
  }
  template <class E, std::size_t N>
  void struct_array(u32 k, const E (&a)[N]) {
    if constexpr (std::is_unsigned_v<E>) {
      out.push_back(
          {k, "array", sizeof(E), static_cast<u32>(N), at(&a), sizeof a, "u" + std::to_string(8 * sizeof(E)), {}});
    } else {
      out.push_back({k, "array", sizeof(E), static_cast<u32>(N), at(&a), sizeof a, record_name<E>(), slots_of<E>()});
    }
  }
  template <class R>
  void nested(u32 k, const R& r) {
    out.push_back({k, "record", sizeof(R), 0, at(&r), sizeof(R), record_name<R>(), slots_of<R>()});
  }
  template <class R>
  void vector(u32 k, const u32& n, R* const& items) {
    const u32 from = at(&n);
    out.push_back({k, "list", sizeof(R), 0, from, at(&items) + static_cast<u32>(sizeof items) - from, record_name<R>(),
                   slots_of<R>()});
  }
};

template <class T>
std::vector<Slot> slots_of() {
  static const T probe{};
  std::vector<Slot> out;
  visit_slots(probe, ShapeOf{reinterpret_cast<const u8*>(&probe), out});
  return out;
}

// One zero item in every list.
struct OneItem {
  ItemStore& store;
  template <class U>
  void scalar(u32, U&) {}
  template <std::size_t N>
  void byte_array(u32, u8 (&)[N]) {}
  template <class E, std::size_t N>
  void struct_array(u32, E (&)[N]) {}
  template <class R>
  void nested(u32, R&) {}
  template <class R>
  void vector(u32, u32& n, R*& items) {
    n = 1;
    items = store.make<R>(1);
  }
};

template <class M>
Json skeleton(JsonOptions o) {
  typename M::type v{};
  ItemStore store;
  visit_slots(v, OneItem{store});
  return to_json(v, o);
}

template <class M>
constexpr Ops kOps{&unpack<M>, &walk_message<M>, &encode<M>, &slots_of<typename M::type>, &skeleton<M>};

}  // namespace

std::vector<Message> build_catalogue() {
  std::vector<Message> t;
  u32 index = 0;
  auto add = [&]<class M>() {
    using T = typename M::type;
    u32 fixed = 0;
    if constexpr (!has_vector<T>) fixed = fixed_length<T>;
    t.push_back(Message{M::full_name, M::wire_name, M::package == Package::kav ? "kav" : "kav_sync", M::id,
                        static_cast<u32>(sizeof(T)), static_cast<u32>(slots_of<T>().size()), fixed,
                        M::root == RootForm::in_place, index++, &kOps<M>});
  };
  catalogue::for_each_message(catalogue::kav_messages{}, add);
  index = 0;
  catalogue::for_each_message(catalogue::kav_sync_messages{}, add);
  return t;
}

}  // namespace kav::inspect::impl
