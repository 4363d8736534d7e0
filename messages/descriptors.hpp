// One descriptor per message of both packages, from the .def lists: its structure, root form,
// runtime units, identifier and log texts, and its exported functions (declared in kav.h and
// kav_sync.h). Tests and tools iterate over kav::catalogue::all_messages.
#pragma once

#include "codec/describe.hpp"
#include "mesh/ids.hpp"
#include "messages/catalogue.hpp"

namespace kav {

enum class Package { kav, kav_sync };

template <Package P>
struct PackageUnits;
template <>
struct PackageUnits<Package::kav> {
  static constexpr Unit unpack = Unit::main_unpack;
  static constexpr Unit send = Unit::main_send;
};
template <>
struct PackageUnits<Package::kav_sync> {
  static constexpr Unit unpack = Unit::sync_unpack;
  static constexpr Unit send = Unit::sync_send;
};

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
template <class... M>
constexpr std::size_t message_count(MessageList<M...>) {
  return sizeof...(M) - 1;
}
}  // namespace catalogue

}  // namespace kav

// KAV_DESCRIBE(package, name, StructureType, root_form): the wire name is "package.name"; the
// exported names and the log texts follow from it.
#define KAV_DESCRIBE(pkg, name, Type, form)                                                   \
  namespace kav::catalogue {                                                                  \
  struct pkg##_##name##_msg {                                                                 \
    using type = ::Type;                                                                      \
    static constexpr Package package = Package::pkg;                                          \
    static constexpr RootForm root = RootForm::form;                                          \
    static constexpr Unit unpack_unit = PackageUnits<Package::pkg>::unpack;                   \
    static constexpr Unit send_unit = PackageUnits<Package::pkg>::send;                       \
    static constexpr const char* full_name = #pkg "_" #name;                                      \
    static constexpr const char* wire_name = #pkg "." #name;                                  \
    static constexpr u32 id = fnv1a(#pkg "." #name);                                          \
    static constexpr const char* unpack_name = #pkg "_" #name "_unpack";                      \
    static constexpr const char* non_root_name = #pkg "_" #name "_unpack_non_root";           \
    static constexpr const char* pack_name = #pkg "_" #name "_pack";                          \
    static constexpr const char* free_name = #pkg "_" #name "_free_unpacked";                 \
    static constexpr const char* sendsingle_name = #pkg "_" #name "__sendsingle";             \
    static constexpr const char* sendbatch_name = #pkg "_" #name "__sendbatch";               \
    static constexpr auto pack_fn = &pkg##_##name##__pack;                                    \
    static constexpr auto unpack_fn = &pkg##_##name##__unpack;                                \
    static constexpr auto free_fn = &pkg##_##name##_free__unpacked;                           \
    static constexpr auto sendmsg_fn = &pkg##_##name##__sendmsg;                              \
    static constexpr auto sendtomsg_fn = &pkg##_##name##__sendtomsg;                          \
    static constexpr auto sendsingle_fn = &pkg##_##name##__sendsingle;                        \
    static constexpr auto sendbatch_fn = &pkg##_##name##__sendbatch;                          \
  };                                                                                          \
  }

#define KAV_MSG(name, Type, form) KAV_DESCRIBE(kav, name, Type, form)
#include "messages/kav_lead.def"
#include "messages/kav_records.def"
#include "messages/kav_control.def"
#include "messages/kav_reports.def"
#undef KAV_MSG
#define KAV_MSG(name, Type, form) KAV_DESCRIBE(kav_sync, name, Type, form)
#include "messages/kav_sync.def"
#undef KAV_MSG

namespace kav::catalogue {
// Every message of both packages, in registration order (kav, then kav_sync).
#define KAV_MSG(name, Type, form) kav_##name##_msg,
using kav_messages = MessageList<
#include "messages/kav_lead.def"
#include "messages/kav_records.def"
#include "messages/kav_control.def"
#include "messages/kav_reports.def"
    end_of_list>;
#undef KAV_MSG
#define KAV_MSG(name, Type, form) kav_sync_##name##_msg,
using kav_sync_messages = MessageList<
#include "messages/kav_sync.def"
    end_of_list>;
#undef KAV_MSG
static_assert(message_count(kav_messages{}) == 78 && message_count(kav_sync_messages{}) == 30);
}  // namespace kav::catalogue
