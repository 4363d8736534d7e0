// One descriptor per message of both packages, from the lists in kav.h and kav_sync.h: its
// structure, its identity (the record the engine reads) and its exported functions. Tests and tools
// iterate over kav::catalogue::all_messages.
#pragma once

#include "codec/layout.hpp"
#include "mesh/ids.hpp"
#include "messages/catalogue.hpp"

namespace kav {

enum class Package { kav, kav_sync };

// The runtime units of a package's unpack side and send side.
template <Package P>
inline constexpr Unit unpack_unit_of = P == Package::kav ? Unit::main_unpack : Unit::sync_unpack;
template <Package P>
inline constexpr Unit send_unit_of = P == Package::kav ? Unit::main_send : Unit::sync_send;

namespace catalogue {
template <class... M>
struct MessageList {};
struct end_of_list {};

// Calls f.template operator()<M>() for every message M of the list, in order.
template <class... M, class F>
constexpr void for_each_message(MessageList<M...>, F&& f) {
  (
      [&] {
        if constexpr (!std::is_same_v<M, end_of_list>) f.template operator()<M>();
      }(),
      ...);
}
// The structure of a list's entry M (void for the end of the list).
template <class M>
struct type_of {
  using type = typename M::type;
};
template <>
struct type_of<end_of_list> {
  using type = void;
};
template <class... M>
constexpr std::size_t message_count(MessageList<M...>) {
  return sizeof...(M) - 1;
}
}  // namespace catalogue

}  // namespace kav

// The descriptor of the message pkg_name: wire name "pkg.name"; the exported names and the log texts
// follow from it.
#define KAV_DESCRIBE(pkg, name)                                                     \
  namespace kav::catalogue {                                                        \
  struct pkg##_##name##_msg {                                                       \
    using type = ::pkg##_##name;                                                    \
    static constexpr Package package = Package::pkg;                                \
    static constexpr RootForm root = detail::table_of<type>.root;                   \
    static constexpr Unit unpack_unit = unpack_unit_of<Package::pkg>;               \
    static constexpr Unit send_unit = send_unit_of<Package::pkg>;                   \
    static constexpr const char* full_name = #pkg "_" #name;                        \
    static constexpr const char* wire_name = #pkg "." #name;                        \
    static constexpr u32 id = fnv1a(#pkg "." #name);                                \
    static constexpr const char* unpack_name = #pkg "_" #name "_unpack";            \
    static constexpr const char* non_root_name = #pkg "_" #name "_unpack_non_root"; \
    static constexpr const char* pack_name = #pkg "_" #name "_pack";                \
    static constexpr const char* free_name = #pkg "_" #name "_free_unpacked";       \
    static constexpr const char* sendsingle_name = #pkg "_" #name "__sendsingle";   \
    static constexpr const char* sendbatch_name = #pkg "_" #name "__sendbatch";     \
    static constexpr detail::Message info{&detail::table_of<type>,                  \
                                          id,                                       \
                                          detail::table_of<type>.fixed_len,         \
                                          unpack_unit,                              \
                                          send_unit,                                \
                                          unpack_name,                              \
                                          non_root_name,                            \
                                          pack_name,                                \
                                          free_name,                                \
                                          sendsingle_name,                          \
                                          sendbatch_name};                          \
    static constexpr auto pack_fn = &pkg##_##name##__pack;                          \
    static constexpr auto unpack_fn = &pkg##_##name##__unpack;                      \
    static constexpr auto free_fn = &pkg##_##name##_free__unpacked;                 \
    static constexpr auto sendmsg_fn = &pkg##_##name##__sendmsg;                    \
    static constexpr auto sendtomsg_fn = &pkg##_##name##__sendtomsg;                \
    static constexpr auto sendsingle_fn = &pkg##_##name##__sendsingle;              \
    static constexpr auto sendbatch_fn = &pkg##_##name##__sendbatch;                \
  };                                                                                \
  }

KAV_MESSAGES(KAV_DESCRIBE)
KAV_SYNC_MESSAGES(KAV_DESCRIBE)

namespace kav::catalogue {
// Every message of each package, in registration order.
#define KAV_LIST_ENTRY(pkg, name) pkg##_##name##_msg,
using kav_messages = MessageList<KAV_MESSAGES(KAV_LIST_ENTRY) end_of_list>;
using kav_sync_messages = MessageList<KAV_SYNC_MESSAGES(KAV_LIST_ENTRY) end_of_list>;
#undef KAV_LIST_ENTRY
}  // namespace kav::catalogue
