// The codec functions of every message (__pack, __unpack, _free__unpacked): each hands its
// message's identity to the shared engine.
#include "codec/decode.hpp"
#include "codec/encode.hpp"
#include "messages/descriptors.hpp"
#include "messages/index.hpp"

#define KAV_CODEC_EXPORTS(pkg, name)                                                                \
  extern "C" uint32_t pkg##_##name##__pack(const pkg##_##name* msg, uint8_t* buf, uint32_t* len) {  \
    return kav::detail::pack(msg, buf, len, kav::catalogue::pkg##_##name##_msg::info);              \
  }                                                                                                 \
  extern "C" uint32_t pkg##_##name##__unpack(const uint8_t* buf, uint32_t len, pkg##_##name* out) { \
    return kav::detail::unpack(buf, len, out, kav::catalogue::pkg##_##name##_msg::info);            \
  }                                                                                                 \
  extern "C" void pkg##_##name##_free__unpacked(pkg##_##name* msg) {                                \
    if constexpr (kav::detail::table_of<pkg##_##name>.has_vector) /* a record holds no block */     \
      kav::detail::free_unpacked(msg, kav::catalogue::pkg##_##name##_msg::info);                    \
  }

KAV_MESSAGES(KAV_CODEC_EXPORTS)
KAV_SYNC_MESSAGES(KAV_CODEC_EXPORTS)

#undef KAV_CODEC_EXPORTS

std::span<const kav::detail::Message* const> kav::catalogue::message_infos() noexcept {
#define KAV_INFO(pkg, name) &pkg##_##name##_msg::info,
  static constexpr const detail::Message* kInfos[] = {KAV_MESSAGES(KAV_INFO) KAV_SYNC_MESSAGES(KAV_INFO)};
#undef KAV_INFO
  return kInfos;
}
