// The seven exported functions of one message, from its descriptor (messages/descriptors.hpp).
#pragma once

#include "codec/decode.hpp"
#include "codec/encode.hpp"
#include "mesh/ids.hpp"
#include "mesh/send.hpp"
#include "messages/descriptors.hpp"


#define KAV_EXPORTS(pkg, name, Type)                                                                    \
  extern "C" {                                                                                          \
  uint32_t pkg##_##name##__pack(const Type* msg, uint8_t* buf, uint32_t* len) {                         \
    return ::kav::detail::pack<::kav::catalogue::pkg##_##name##_msg>(msg, buf, len);                    \
  }                                                                                                     \
  uint32_t pkg##_##name##__unpack(const uint8_t* buf, uint32_t len, Type* out) {                        \
    return ::kav::detail::unpack<::kav::catalogue::pkg##_##name##_msg>(buf, len, out);                  \
  }                                                                                                     \
  void pkg##_##name##_free__unpacked(Type* msg) {                                                       \
    ::kav::detail::free_unpacked<::kav::catalogue::pkg##_##name##_msg>(msg);                            \
  }                                                                                                     \
  uint32_t pkg##_##name##__sendmsg(uint32_t dest, const Type* msgs, uint32_t count) {                   \
    return ::kav::detail::sendtomsg<::kav::catalogue::pkg##_##name##_msg>(dest, msgs, count, 0);        \
  }                                                                                                     \
  uint32_t pkg##_##name##__sendtomsg(uint32_t dest, const Type* msgs, uint32_t count, uint64_t to) {    \
    return ::kav::detail::sendtomsg<::kav::catalogue::pkg##_##name##_msg>(dest, msgs, count, to);       \
  }                                                                                                     \
  uint32_t pkg##_##name##__sendsingle(uint32_t dest, const Type* msg, uint64_t, uint64_t to) {          \
    return ::kav::detail::sendsingle<::kav::catalogue::pkg##_##name##_msg>(dest, msg, to);              \
  }                                                                                                     \
  uint32_t pkg##_##name##__sendbatch(uint32_t dest, const Type* msgs, uint32_t count, uint64_t to) {    \
    return ::kav::detail::sendbatch<::kav::catalogue::pkg##_##name##_msg>(dest, msgs, count, to);       \
  }                                                                                                     \
  }
