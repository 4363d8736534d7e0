// What the inspector takes from the catalogue's descriptions rather than from the engine's tables:
// the explain walk instantiated for every message's structure (an independent reading of the
// format beside the engine), and the element types of struct arrays, which the tables leave out.
#include <cstring>

#include "explain.hpp"
#include "messages/descriptors.hpp"

namespace kav::inspect::impl {

std::span<const WalkFn> message_walks() {
#define KAV_WALK(pkg, name) &walk_message<catalogue::pkg##_##name##_msg>,
  static constexpr WalkFn kWalks[] = {KAV_MESSAGES(KAV_WALK) KAV_SYNC_MESSAGES(KAV_WALK)};
#undef KAV_WALK
  return kWalks;
}

namespace {

// A struct array whose elements are structures: its record and slot (by the name the record's
// table decoder logs under, as its table carries it) and the element's structure.
struct ElementOf {
  const char* record;
  u32 slot;
  const char* element;
};
struct Elements {
  std::array<ElementOf, 16> at{};
  std::size_t n = 0;
};

template <class T>
constexpr void add_elements(Elements& out) {
  [&]<std::size_t... K>(std::index_sequence<K...>) {
    (
        [&] {
          constexpr auto S = detail::slot_at<T, K>;
          if constexpr (detail::kind_of<S>() == Kind::struct_array) {
            using E = typename detail::array_traits<S>::element;
            if constexpr (!detail::is_scalar_type<E>) out.at[out.n++] = {Layout<T>::non_root, K, Layout<E>::non_root};
          } else if constexpr (detail::kind_of<S>() == Kind::nested) {
            add_elements<detail::member_t<S>>(out);
          } else if constexpr (detail::kind_of<S>() == Kind::vector) {
            add_elements<typename detail::vec_parts<S>::element>(out);
          }
        }(),
        ...);
  }
  (std::make_index_sequence<detail::slot_count<T>>{});
}

template <class... M>
constexpr Elements elements(catalogue::MessageList<M...>, Elements out = {}) {
  (
      [&] {
        if constexpr (!std::is_same_v<M, catalogue::end_of_list>) add_elements<typename M::type>(out);
      }(),
      ...);
  return out;
}
constexpr Elements kElements = elements(catalogue::kav_sync_messages{}, elements(catalogue::kav_messages{}));

}  // namespace

const char* element_name(const Table& t, u32 k) {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> v;
    for (std::size_t i = 0; i < kElements.n; ++i) v.push_back(record_name(kElements.at[i].element));
    return v;
  }();
  if (t.non_root == nullptr) return nullptr;
  for (std::size_t i = 0; i < kElements.n; ++i) {
    if (kElements.at[i].slot == k && std::strcmp(kElements.at[i].record, t.non_root) == 0) return names[i].c_str();
  }
  return nullptr;
}

}  // namespace kav::inspect::impl
