// The four send functions of every message: each hands its message's identity to the shared
// send path.
#include "mesh/send.hpp"
#include "messages/descriptors.hpp"

#define KAV_SEND_EXPORTS(pkg, name)                                                                               \
  extern "C" uint32_t pkg##_##name##__sendmsg(uint32_t dest, const pkg##_##name* msgs, uint32_t count) {          \
    return kav::detail::send_to(dest, msgs, count, 0, kav::catalogue::pkg##_##name##_msg::info);                  \
  }                                                                                                               \
  extern "C" uint32_t pkg##_##name##__sendtomsg(uint32_t dest, const pkg##_##name* msgs, uint32_t count,          \
                                                uint64_t to) {                                                    \
    return kav::detail::send_to(dest, msgs, count, to, kav::catalogue::pkg##_##name##_msg::info);                 \
  }                                                                                                               \
  extern "C" uint32_t pkg##_##name##__sendsingle(uint32_t dest, const pkg##_##name* msg, uint64_t, uint64_t to) { \
    return kav::detail::send_single(dest, msg, to, kav::catalogue::pkg##_##name##_msg::info);                     \
  }                                                                                                               \
  extern "C" uint32_t pkg##_##name##__sendbatch(uint32_t dest, const pkg##_##name* msgs, uint32_t count,          \
                                                uint64_t to) {                                                    \
    return kav::detail::send_batch(dest, msgs, count, to, kav::catalogue::pkg##_##name##_msg::info);              \
  }

KAV_MESSAGES(KAV_SEND_EXPORTS)
KAV_SYNC_MESSAGES(KAV_SEND_EXPORTS)
