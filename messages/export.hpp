// One line per message turns its description into the seven exported functions:
//   KAV_MESSAGE(package, name, StructureType, root_form)
// The wire name is "package.name"; the exported names and log texts follow from it.
#pragma once

#include "codec/decode.hpp"
#include "codec/encode.hpp"
#include "mesh/ids.hpp"
#include "mesh/send.hpp"
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

}  // namespace kav

#define KAV_MESSAGE(pkg, name, Type, form)                                                              \
  namespace kav::catalogue {                                                                            \
  struct pkg##_##name##_msg {                                                                                 \
    using type = ::Type;                                                                                 \
    static constexpr RootForm root = RootForm::form;                                                    \
    static constexpr Unit unpack_unit = PackageUnits<Package::pkg>::unpack;                             \
    static constexpr Unit send_unit = PackageUnits<Package::pkg>::send;                                 \
    static constexpr u32 id = fnv1a(#pkg "." #name);                                                    \
    static constexpr const char* unpack_name = #pkg "_" #name "_unpack";                                \
    static constexpr const char* non_root_name = #pkg "_" #name "_unpack_non_root";                     \
    static constexpr const char* pack_name = #pkg "_" #name "_pack";                                    \
    static constexpr const char* free_name = #pkg "_" #name "_free_unpacked";                           \
    static constexpr const char* sendsingle_name = #pkg "_" #name "__sendsingle";                       \
    static constexpr const char* sendbatch_name = #pkg "_" #name "__sendbatch";                         \
  };                                                                                                    \
  }                                                                                                     \
  extern "C" {                                                                                          \
  uint32_t pkg##_##name##__pack(const Type* msg, uint8_t* buf, uint32_t* len) {                         \
    return ::kav::detail::pack<::kav::catalogue::pkg##_##name##_msg>(msg, buf, len);                          \
  }                                                                                                     \
  uint32_t pkg##_##name##__unpack(const uint8_t* buf, uint32_t len, Type* out) {                        \
    return ::kav::detail::unpack<::kav::catalogue::pkg##_##name##_msg>(buf, len, out);                        \
  }                                                                                                     \
  void pkg##_##name##_free__unpacked(Type* msg) {                                                       \
    ::kav::detail::free_unpacked<::kav::catalogue::pkg##_##name##_msg>(msg);                                  \
  }                                                                                                     \
  uint32_t pkg##_##name##__sendmsg(uint32_t dest, const Type* msgs, uint32_t count) {                   \
    return ::kav::detail::sendtomsg<::kav::catalogue::pkg##_##name##_msg>(dest, msgs, count, 0);              \
  }                                                                                                     \
  uint32_t pkg##_##name##__sendtomsg(uint32_t dest, const Type* msgs, uint32_t count, uint64_t to) {    \
    return ::kav::detail::sendtomsg<::kav::catalogue::pkg##_##name##_msg>(dest, msgs, count, to);             \
  }                                                                                                     \
  uint32_t pkg##_##name##__sendsingle(uint32_t dest, const Type* msg, uint64_t, uint64_t to) {          \
    return ::kav::detail::sendsingle<::kav::catalogue::pkg##_##name##_msg>(dest, msg, to);                    \
  }                                                                                                     \
  uint32_t pkg##_##name##__sendbatch(uint32_t dest, const Type* msgs, uint32_t count, uint64_t to) {    \
    return ::kav::detail::sendbatch<::kav::catalogue::pkg##_##name##_msg>(dest, msgs, count, to);             \
  }                                                                                                     \
  }
