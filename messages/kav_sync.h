/* kav_sync: one configuration record per message, sharing the kav record layouts. */
#ifndef KAV_SYNC_H
#define KAV_SYNC_H

#include "kav.h"

#ifdef __cplusplus
extern "C" {
#endif

/*
 * A kav_sync message is the record itself, not a list: each type below is
 * the kav record of the same name, and its encodings are byte for byte
 * those of that record. Only the ifsamplerate messages have their own
 * layout (the first four fields of kav_ifsamplerate). No kav_sync message
 * holds a pointer, so unpacking never allocates and every free function is
 * a no-op. The entry points follow the conventions described in kav.h.
 */

/* ---- Message types ----------------------------------------------------- */

typedef kav_host kav_sync_host_update;
typedef kav_host kav_sync_host_delete;

typedef kav_srcaddr kav_sync_srcaddr_update;
typedef kav_srcaddr kav_sync_srcaddr_delete;

typedef kav_srcaddrv6 kav_sync_srcaddrv6_update;
typedef kav_srcaddrv6 kav_sync_srcaddrv6_delete;

typedef kav_ifsamplecfg kav_sync_ifsamplecfg_update;
typedef kav_ifsamplecfg kav_sync_ifsamplecfg_delete;

/* 16 bytes */
typedef struct kav_sync_ifsamplerate_update {
  uint32_t field0;
  uint32_t field1;
  uint32_t field2;
  uint32_t field3;
} kav_sync_ifsamplerate_update;

typedef kav_sync_ifsamplerate_update kav_sync_ifsamplerate_delete;

typedef kav_monitorcfg kav_sync_monitorcfg_update;
typedef kav_monitorcfg kav_sync_monitorcfg_delete;

typedef kav_ifindexswitch kav_sync_ifindexswitch_update;
typedef kav_ifindexswitch kav_sync_ifindexswitch_delete;

typedef kav_queenable kav_sync_queenable_update;
typedef kav_queenable kav_sync_queenable_delete;

typedef kav_globalcfg kav_sync_globalcfg_update;
typedef kav_globalcfg kav_sync_globalcfg_delete;

typedef kav_globaltmpcfg kav_sync_globaltmpcfg_update;
typedef kav_globaltmpcfg kav_sync_globaltmpcfg_delete;

typedef kav_templateflow kav_sync_templateflow_update;
typedef kav_templateflow kav_sync_templateflow_delete;

typedef kav_recordcfg kav_sync_recordcfg_update;
typedef kav_recordcfg kav_sync_recordcfg_delete;

typedef kav_intsamplerate kav_sync_intsamplerate_update;
typedef kav_intsamplerate kav_sync_intsamplerate_delete;

typedef kav_ethlen kav_sync_ethlen_update;
typedef kav_ethlen kav_sync_ethlen_delete;

typedef kav_resetcache kav_sync_resetcache_update;
typedef kav_resetstat kav_sync_resetstat_update;

/* ---- Entry points ------------------------------------------------------ */

/* Every message of the package, in registration order: X(kav_sync, name). */
#define KAV_SYNC_MESSAGES(X)        \
  X(kav_sync, host_update)          \
  X(kav_sync, host_delete)          \
  X(kav_sync, srcaddr_update)       \
  X(kav_sync, srcaddr_delete)       \
  X(kav_sync, srcaddrv6_update)     \
  X(kav_sync, srcaddrv6_delete)     \
  X(kav_sync, ifsamplecfg_update)   \
  X(kav_sync, ifsamplecfg_delete)   \
  X(kav_sync, ifsamplerate_update)  \
  X(kav_sync, ifsamplerate_delete)  \
  X(kav_sync, monitorcfg_update)    \
  X(kav_sync, monitorcfg_delete)    \
  X(kav_sync, ifindexswitch_update) \
  X(kav_sync, ifindexswitch_delete) \
  X(kav_sync, queenable_update)     \
  X(kav_sync, queenable_delete)     \
  X(kav_sync, globalcfg_update)     \
  X(kav_sync, globalcfg_delete)     \
  X(kav_sync, globaltmpcfg_update)  \
  X(kav_sync, globaltmpcfg_delete)  \
  X(kav_sync, templateflow_update)  \
  X(kav_sync, templateflow_delete)  \
  X(kav_sync, recordcfg_update)     \
  X(kav_sync, recordcfg_delete)     \
  X(kav_sync, intsamplerate_update) \
  X(kav_sync, intsamplerate_delete) \
  X(kav_sync, ethlen_update)        \
  X(kav_sync, ethlen_delete)        \
  X(kav_sync, resetcache_update)    \
  X(kav_sync, resetstat_update)

/* ---- Declarations generated from the list above by tools/gen_prototypes.sh ---- */
/* clang-format off */

KAV_API uint32_t kav_sync_host_update__pack(const kav_sync_host_update* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_sync_host_update__unpack(const uint8_t* buf, uint32_t len, kav_sync_host_update* out);
KAV_API void kav_sync_host_update_free__unpacked(kav_sync_host_update* msg);
KAV_API uint32_t kav_sync_host_update__sendmsg(uint32_t dest, const kav_sync_host_update* msgs, uint32_t count);
KAV_API uint32_t kav_sync_host_update__sendtomsg(uint32_t dest, const kav_sync_host_update* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_sync_host_update__sendsingle(uint32_t dest, const kav_sync_host_update* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_sync_host_update__sendbatch(uint32_t dest, const kav_sync_host_update* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_sync_host_delete__pack(const kav_sync_host_delete* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_sync_host_delete__unpack(const uint8_t* buf, uint32_t len, kav_sync_host_delete* out);
KAV_API void kav_sync_host_delete_free__unpacked(kav_sync_host_delete* msg);
KAV_API uint32_t kav_sync_host_delete__sendmsg(uint32_t dest, const kav_sync_host_delete* msgs, uint32_t count);
KAV_API uint32_t kav_sync_host_delete__sendtomsg(uint32_t dest, const kav_sync_host_delete* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_sync_host_delete__sendsingle(uint32_t dest, const kav_sync_host_delete* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_sync_host_delete__sendbatch(uint32_t dest, const kav_sync_host_delete* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_sync_srcaddr_update__pack(const kav_sync_srcaddr_update* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_sync_srcaddr_update__unpack(const uint8_t* buf, uint32_t len, kav_sync_srcaddr_update* out);
KAV_API void kav_sync_srcaddr_update_free__unpacked(kav_sync_srcaddr_update* msg);
KAV_API uint32_t kav_sync_srcaddr_update__sendmsg(uint32_t dest, const kav_sync_srcaddr_update* msgs, uint32_t count);
KAV_API uint32_t kav_sync_srcaddr_update__sendtomsg(uint32_t dest, const kav_sync_srcaddr_update* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_sync_srcaddr_update__sendsingle(uint32_t dest, const kav_sync_srcaddr_update* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_sync_srcaddr_update__sendbatch(uint32_t dest, const kav_sync_srcaddr_update* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_sync_srcaddr_delete__pack(const kav_sync_srcaddr_delete* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_sync_srcaddr_delete__unpack(const uint8_t* buf, uint32_t len, kav_sync_srcaddr_delete* out);
KAV_API void kav_sync_srcaddr_delete_free__unpacked(kav_sync_srcaddr_delete* msg);
KAV_API uint32_t kav_sync_srcaddr_delete__sendmsg(uint32_t dest, const kav_sync_srcaddr_delete* msgs, uint32_t count);
KAV_API uint32_t kav_sync_srcaddr_delete__sendtomsg(uint32_t dest, const kav_sync_srcaddr_delete* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_sync_srcaddr_delete__sendsingle(uint32_t dest, const kav_sync_srcaddr_delete* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_sync_srcaddr_delete__sendbatch(uint32_t dest, const kav_sync_srcaddr_delete* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_sync_srcaddrv6_update__pack(const kav_sync_srcaddrv6_update* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_sync_srcaddrv6_update__unpack(const uint8_t* buf, uint32_t len, kav_sync_srcaddrv6_update* out);
KAV_API void kav_sync_srcaddrv6_update_free__unpacked(kav_sync_srcaddrv6_update* msg);
KAV_API uint32_t kav_sync_srcaddrv6_update__sendmsg(uint32_t dest, const kav_sync_srcaddrv6_update* msgs, uint32_t count);
KAV_API uint32_t kav_sync_srcaddrv6_update__sendtomsg(uint32_t dest, const kav_sync_srcaddrv6_update* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_sync_srcaddrv6_update__sendsingle(uint32_t dest, const kav_sync_srcaddrv6_update* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_sync_srcaddrv6_update__sendbatch(uint32_t dest, const kav_sync_srcaddrv6_update* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_sync_srcaddrv6_delete__pack(const kav_sync_srcaddrv6_delete* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_sync_srcaddrv6_delete__unpack(const uint8_t* buf, uint32_t len, kav_sync_srcaddrv6_delete* out);
KAV_API void kav_sync_srcaddrv6_delete_free__unpacked(kav_sync_srcaddrv6_delete* msg);
KAV_API uint32_t kav_sync_srcaddrv6_delete__sendmsg(uint32_t dest, const kav_sync_srcaddrv6_delete* msgs, uint32_t count);
KAV_API uint32_t kav_sync_srcaddrv6_delete__sendtomsg(uint32_t dest, const kav_sync_srcaddrv6_delete* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_sync_srcaddrv6_delete__sendsingle(uint32_t dest, const kav_sync_srcaddrv6_delete* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_sync_srcaddrv6_delete__sendbatch(uint32_t dest, const kav_sync_srcaddrv6_delete* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_sync_ifsamplecfg_update__pack(const kav_sync_ifsamplecfg_update* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_sync_ifsamplecfg_update__unpack(const uint8_t* buf, uint32_t len, kav_sync_ifsamplecfg_update* out);
KAV_API void kav_sync_ifsamplecfg_update_free__unpacked(kav_sync_ifsamplecfg_update* msg);
KAV_API uint32_t kav_sync_ifsamplecfg_update__sendmsg(uint32_t dest, const kav_sync_ifsamplecfg_update* msgs, uint32_t count);
KAV_API uint32_t kav_sync_ifsamplecfg_update__sendtomsg(uint32_t dest, const kav_sync_ifsamplecfg_update* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_sync_ifsamplecfg_update__sendsingle(uint32_t dest, const kav_sync_ifsamplecfg_update* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_sync_ifsamplecfg_update__sendbatch(uint32_t dest, const kav_sync_ifsamplecfg_update* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_sync_ifsamplecfg_delete__pack(const kav_sync_ifsamplecfg_delete* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_sync_ifsamplecfg_delete__unpack(const uint8_t* buf, uint32_t len, kav_sync_ifsamplecfg_delete* out);
KAV_API void kav_sync_ifsamplecfg_delete_free__unpacked(kav_sync_ifsamplecfg_delete* msg);
KAV_API uint32_t kav_sync_ifsamplecfg_delete__sendmsg(uint32_t dest, const kav_sync_ifsamplecfg_delete* msgs, uint32_t count);
KAV_API uint32_t kav_sync_ifsamplecfg_delete__sendtomsg(uint32_t dest, const kav_sync_ifsamplecfg_delete* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_sync_ifsamplecfg_delete__sendsingle(uint32_t dest, const kav_sync_ifsamplecfg_delete* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_sync_ifsamplecfg_delete__sendbatch(uint32_t dest, const kav_sync_ifsamplecfg_delete* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_sync_ifsamplerate_update__pack(const kav_sync_ifsamplerate_update* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_sync_ifsamplerate_update__unpack(const uint8_t* buf, uint32_t len, kav_sync_ifsamplerate_update* out);
KAV_API void kav_sync_ifsamplerate_update_free__unpacked(kav_sync_ifsamplerate_update* msg);
KAV_API uint32_t kav_sync_ifsamplerate_update__sendmsg(uint32_t dest, const kav_sync_ifsamplerate_update* msgs, uint32_t count);
KAV_API uint32_t kav_sync_ifsamplerate_update__sendtomsg(uint32_t dest, const kav_sync_ifsamplerate_update* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_sync_ifsamplerate_update__sendsingle(uint32_t dest, const kav_sync_ifsamplerate_update* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_sync_ifsamplerate_update__sendbatch(uint32_t dest, const kav_sync_ifsamplerate_update* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_sync_ifsamplerate_delete__pack(const kav_sync_ifsamplerate_delete* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_sync_ifsamplerate_delete__unpack(const uint8_t* buf, uint32_t len, kav_sync_ifsamplerate_delete* out);
KAV_API void kav_sync_ifsamplerate_delete_free__unpacked(kav_sync_ifsamplerate_delete* msg);
KAV_API uint32_t kav_sync_ifsamplerate_delete__sendmsg(uint32_t dest, const kav_sync_ifsamplerate_delete* msgs, uint32_t count);
KAV_API uint32_t kav_sync_ifsamplerate_delete__sendtomsg(uint32_t dest, const kav_sync_ifsamplerate_delete* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_sync_ifsamplerate_delete__sendsingle(uint32_t dest, const kav_sync_ifsamplerate_delete* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_sync_ifsamplerate_delete__sendbatch(uint32_t dest, const kav_sync_ifsamplerate_delete* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_sync_monitorcfg_update__pack(const kav_sync_monitorcfg_update* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_sync_monitorcfg_update__unpack(const uint8_t* buf, uint32_t len, kav_sync_monitorcfg_update* out);
KAV_API void kav_sync_monitorcfg_update_free__unpacked(kav_sync_monitorcfg_update* msg);
KAV_API uint32_t kav_sync_monitorcfg_update__sendmsg(uint32_t dest, const kav_sync_monitorcfg_update* msgs, uint32_t count);
KAV_API uint32_t kav_sync_monitorcfg_update__sendtomsg(uint32_t dest, const kav_sync_monitorcfg_update* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_sync_monitorcfg_update__sendsingle(uint32_t dest, const kav_sync_monitorcfg_update* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_sync_monitorcfg_update__sendbatch(uint32_t dest, const kav_sync_monitorcfg_update* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_sync_monitorcfg_delete__pack(const kav_sync_monitorcfg_delete* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_sync_monitorcfg_delete__unpack(const uint8_t* buf, uint32_t len, kav_sync_monitorcfg_delete* out);
KAV_API void kav_sync_monitorcfg_delete_free__unpacked(kav_sync_monitorcfg_delete* msg);
KAV_API uint32_t kav_sync_monitorcfg_delete__sendmsg(uint32_t dest, const kav_sync_monitorcfg_delete* msgs, uint32_t count);
KAV_API uint32_t kav_sync_monitorcfg_delete__sendtomsg(uint32_t dest, const kav_sync_monitorcfg_delete* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_sync_monitorcfg_delete__sendsingle(uint32_t dest, const kav_sync_monitorcfg_delete* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_sync_monitorcfg_delete__sendbatch(uint32_t dest, const kav_sync_monitorcfg_delete* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_sync_ifindexswitch_update__pack(const kav_sync_ifindexswitch_update* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_sync_ifindexswitch_update__unpack(const uint8_t* buf, uint32_t len, kav_sync_ifindexswitch_update* out);
KAV_API void kav_sync_ifindexswitch_update_free__unpacked(kav_sync_ifindexswitch_update* msg);
KAV_API uint32_t kav_sync_ifindexswitch_update__sendmsg(uint32_t dest, const kav_sync_ifindexswitch_update* msgs, uint32_t count);
KAV_API uint32_t kav_sync_ifindexswitch_update__sendtomsg(uint32_t dest, const kav_sync_ifindexswitch_update* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_sync_ifindexswitch_update__sendsingle(uint32_t dest, const kav_sync_ifindexswitch_update* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_sync_ifindexswitch_update__sendbatch(uint32_t dest, const kav_sync_ifindexswitch_update* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_sync_ifindexswitch_delete__pack(const kav_sync_ifindexswitch_delete* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_sync_ifindexswitch_delete__unpack(const uint8_t* buf, uint32_t len, kav_sync_ifindexswitch_delete* out);
KAV_API void kav_sync_ifindexswitch_delete_free__unpacked(kav_sync_ifindexswitch_delete* msg);
KAV_API uint32_t kav_sync_ifindexswitch_delete__sendmsg(uint32_t dest, const kav_sync_ifindexswitch_delete* msgs, uint32_t count);
KAV_API uint32_t kav_sync_ifindexswitch_delete__sendtomsg(uint32_t dest, const kav_sync_ifindexswitch_delete* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_sync_ifindexswitch_delete__sendsingle(uint32_t dest, const kav_sync_ifindexswitch_delete* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_sync_ifindexswitch_delete__sendbatch(uint32_t dest, const kav_sync_ifindexswitch_delete* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_sync_queenable_update__pack(const kav_sync_queenable_update* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_sync_queenable_update__unpack(const uint8_t* buf, uint32_t len, kav_sync_queenable_update* out);
KAV_API void kav_sync_queenable_update_free__unpacked(kav_sync_queenable_update* msg);
KAV_API uint32_t kav_sync_queenable_update__sendmsg(uint32_t dest, const kav_sync_queenable_update* msgs, uint32_t count);
KAV_API uint32_t kav_sync_queenable_update__sendtomsg(uint32_t dest, const kav_sync_queenable_update* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_sync_queenable_update__sendsingle(uint32_t dest, const kav_sync_queenable_update* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_sync_queenable_update__sendbatch(uint32_t dest, const kav_sync_queenable_update* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_sync_queenable_delete__pack(const kav_sync_queenable_delete* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_sync_queenable_delete__unpack(const uint8_t* buf, uint32_t len, kav_sync_queenable_delete* out);
KAV_API void kav_sync_queenable_delete_free__unpacked(kav_sync_queenable_delete* msg);
KAV_API uint32_t kav_sync_queenable_delete__sendmsg(uint32_t dest, const kav_sync_queenable_delete* msgs, uint32_t count);
KAV_API uint32_t kav_sync_queenable_delete__sendtomsg(uint32_t dest, const kav_sync_queenable_delete* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_sync_queenable_delete__sendsingle(uint32_t dest, const kav_sync_queenable_delete* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_sync_queenable_delete__sendbatch(uint32_t dest, const kav_sync_queenable_delete* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_sync_globalcfg_update__pack(const kav_sync_globalcfg_update* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_sync_globalcfg_update__unpack(const uint8_t* buf, uint32_t len, kav_sync_globalcfg_update* out);
KAV_API void kav_sync_globalcfg_update_free__unpacked(kav_sync_globalcfg_update* msg);
KAV_API uint32_t kav_sync_globalcfg_update__sendmsg(uint32_t dest, const kav_sync_globalcfg_update* msgs, uint32_t count);
KAV_API uint32_t kav_sync_globalcfg_update__sendtomsg(uint32_t dest, const kav_sync_globalcfg_update* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_sync_globalcfg_update__sendsingle(uint32_t dest, const kav_sync_globalcfg_update* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_sync_globalcfg_update__sendbatch(uint32_t dest, const kav_sync_globalcfg_update* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_sync_globalcfg_delete__pack(const kav_sync_globalcfg_delete* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_sync_globalcfg_delete__unpack(const uint8_t* buf, uint32_t len, kav_sync_globalcfg_delete* out);
KAV_API void kav_sync_globalcfg_delete_free__unpacked(kav_sync_globalcfg_delete* msg);
KAV_API uint32_t kav_sync_globalcfg_delete__sendmsg(uint32_t dest, const kav_sync_globalcfg_delete* msgs, uint32_t count);
KAV_API uint32_t kav_sync_globalcfg_delete__sendtomsg(uint32_t dest, const kav_sync_globalcfg_delete* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_sync_globalcfg_delete__sendsingle(uint32_t dest, const kav_sync_globalcfg_delete* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_sync_globalcfg_delete__sendbatch(uint32_t dest, const kav_sync_globalcfg_delete* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_sync_globaltmpcfg_update__pack(const kav_sync_globaltmpcfg_update* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_sync_globaltmpcfg_update__unpack(const uint8_t* buf, uint32_t len, kav_sync_globaltmpcfg_update* out);
KAV_API void kav_sync_globaltmpcfg_update_free__unpacked(kav_sync_globaltmpcfg_update* msg);
KAV_API uint32_t kav_sync_globaltmpcfg_update__sendmsg(uint32_t dest, const kav_sync_globaltmpcfg_update* msgs, uint32_t count);
KAV_API uint32_t kav_sync_globaltmpcfg_update__sendtomsg(uint32_t dest, const kav_sync_globaltmpcfg_update* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_sync_globaltmpcfg_update__sendsingle(uint32_t dest, const kav_sync_globaltmpcfg_update* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_sync_globaltmpcfg_update__sendbatch(uint32_t dest, const kav_sync_globaltmpcfg_update* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_sync_globaltmpcfg_delete__pack(const kav_sync_globaltmpcfg_delete* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_sync_globaltmpcfg_delete__unpack(const uint8_t* buf, uint32_t len, kav_sync_globaltmpcfg_delete* out);
KAV_API void kav_sync_globaltmpcfg_delete_free__unpacked(kav_sync_globaltmpcfg_delete* msg);
KAV_API uint32_t kav_sync_globaltmpcfg_delete__sendmsg(uint32_t dest, const kav_sync_globaltmpcfg_delete* msgs, uint32_t count);
KAV_API uint32_t kav_sync_globaltmpcfg_delete__sendtomsg(uint32_t dest, const kav_sync_globaltmpcfg_delete* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_sync_globaltmpcfg_delete__sendsingle(uint32_t dest, const kav_sync_globaltmpcfg_delete* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_sync_globaltmpcfg_delete__sendbatch(uint32_t dest, const kav_sync_globaltmpcfg_delete* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_sync_templateflow_update__pack(const kav_sync_templateflow_update* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_sync_templateflow_update__unpack(const uint8_t* buf, uint32_t len, kav_sync_templateflow_update* out);
KAV_API void kav_sync_templateflow_update_free__unpacked(kav_sync_templateflow_update* msg);
KAV_API uint32_t kav_sync_templateflow_update__sendmsg(uint32_t dest, const kav_sync_templateflow_update* msgs, uint32_t count);
KAV_API uint32_t kav_sync_templateflow_update__sendtomsg(uint32_t dest, const kav_sync_templateflow_update* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_sync_templateflow_update__sendsingle(uint32_t dest, const kav_sync_templateflow_update* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_sync_templateflow_update__sendbatch(uint32_t dest, const kav_sync_templateflow_update* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_sync_templateflow_delete__pack(const kav_sync_templateflow_delete* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_sync_templateflow_delete__unpack(const uint8_t* buf, uint32_t len, kav_sync_templateflow_delete* out);
KAV_API void kav_sync_templateflow_delete_free__unpacked(kav_sync_templateflow_delete* msg);
KAV_API uint32_t kav_sync_templateflow_delete__sendmsg(uint32_t dest, const kav_sync_templateflow_delete* msgs, uint32_t count);
KAV_API uint32_t kav_sync_templateflow_delete__sendtomsg(uint32_t dest, const kav_sync_templateflow_delete* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_sync_templateflow_delete__sendsingle(uint32_t dest, const kav_sync_templateflow_delete* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_sync_templateflow_delete__sendbatch(uint32_t dest, const kav_sync_templateflow_delete* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_sync_recordcfg_update__pack(const kav_sync_recordcfg_update* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_sync_recordcfg_update__unpack(const uint8_t* buf, uint32_t len, kav_sync_recordcfg_update* out);
KAV_API void kav_sync_recordcfg_update_free__unpacked(kav_sync_recordcfg_update* msg);
KAV_API uint32_t kav_sync_recordcfg_update__sendmsg(uint32_t dest, const kav_sync_recordcfg_update* msgs, uint32_t count);
KAV_API uint32_t kav_sync_recordcfg_update__sendtomsg(uint32_t dest, const kav_sync_recordcfg_update* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_sync_recordcfg_update__sendsingle(uint32_t dest, const kav_sync_recordcfg_update* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_sync_recordcfg_update__sendbatch(uint32_t dest, const kav_sync_recordcfg_update* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_sync_recordcfg_delete__pack(const kav_sync_recordcfg_delete* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_sync_recordcfg_delete__unpack(const uint8_t* buf, uint32_t len, kav_sync_recordcfg_delete* out);
KAV_API void kav_sync_recordcfg_delete_free__unpacked(kav_sync_recordcfg_delete* msg);
KAV_API uint32_t kav_sync_recordcfg_delete__sendmsg(uint32_t dest, const kav_sync_recordcfg_delete* msgs, uint32_t count);
KAV_API uint32_t kav_sync_recordcfg_delete__sendtomsg(uint32_t dest, const kav_sync_recordcfg_delete* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_sync_recordcfg_delete__sendsingle(uint32_t dest, const kav_sync_recordcfg_delete* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_sync_recordcfg_delete__sendbatch(uint32_t dest, const kav_sync_recordcfg_delete* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_sync_intsamplerate_update__pack(const kav_sync_intsamplerate_update* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_sync_intsamplerate_update__unpack(const uint8_t* buf, uint32_t len, kav_sync_intsamplerate_update* out);
KAV_API void kav_sync_intsamplerate_update_free__unpacked(kav_sync_intsamplerate_update* msg);
KAV_API uint32_t kav_sync_intsamplerate_update__sendmsg(uint32_t dest, const kav_sync_intsamplerate_update* msgs, uint32_t count);
KAV_API uint32_t kav_sync_intsamplerate_update__sendtomsg(uint32_t dest, const kav_sync_intsamplerate_update* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_sync_intsamplerate_update__sendsingle(uint32_t dest, const kav_sync_intsamplerate_update* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_sync_intsamplerate_update__sendbatch(uint32_t dest, const kav_sync_intsamplerate_update* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_sync_intsamplerate_delete__pack(const kav_sync_intsamplerate_delete* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_sync_intsamplerate_delete__unpack(const uint8_t* buf, uint32_t len, kav_sync_intsamplerate_delete* out);
KAV_API void kav_sync_intsamplerate_delete_free__unpacked(kav_sync_intsamplerate_delete* msg);
KAV_API uint32_t kav_sync_intsamplerate_delete__sendmsg(uint32_t dest, const kav_sync_intsamplerate_delete* msgs, uint32_t count);
KAV_API uint32_t kav_sync_intsamplerate_delete__sendtomsg(uint32_t dest, const kav_sync_intsamplerate_delete* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_sync_intsamplerate_delete__sendsingle(uint32_t dest, const kav_sync_intsamplerate_delete* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_sync_intsamplerate_delete__sendbatch(uint32_t dest, const kav_sync_intsamplerate_delete* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_sync_ethlen_update__pack(const kav_sync_ethlen_update* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_sync_ethlen_update__unpack(const uint8_t* buf, uint32_t len, kav_sync_ethlen_update* out);
KAV_API void kav_sync_ethlen_update_free__unpacked(kav_sync_ethlen_update* msg);
KAV_API uint32_t kav_sync_ethlen_update__sendmsg(uint32_t dest, const kav_sync_ethlen_update* msgs, uint32_t count);
KAV_API uint32_t kav_sync_ethlen_update__sendtomsg(uint32_t dest, const kav_sync_ethlen_update* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_sync_ethlen_update__sendsingle(uint32_t dest, const kav_sync_ethlen_update* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_sync_ethlen_update__sendbatch(uint32_t dest, const kav_sync_ethlen_update* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_sync_ethlen_delete__pack(const kav_sync_ethlen_delete* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_sync_ethlen_delete__unpack(const uint8_t* buf, uint32_t len, kav_sync_ethlen_delete* out);
KAV_API void kav_sync_ethlen_delete_free__unpacked(kav_sync_ethlen_delete* msg);
KAV_API uint32_t kav_sync_ethlen_delete__sendmsg(uint32_t dest, const kav_sync_ethlen_delete* msgs, uint32_t count);
KAV_API uint32_t kav_sync_ethlen_delete__sendtomsg(uint32_t dest, const kav_sync_ethlen_delete* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_sync_ethlen_delete__sendsingle(uint32_t dest, const kav_sync_ethlen_delete* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_sync_ethlen_delete__sendbatch(uint32_t dest, const kav_sync_ethlen_delete* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_sync_resetcache_update__pack(const kav_sync_resetcache_update* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_sync_resetcache_update__unpack(const uint8_t* buf, uint32_t len, kav_sync_resetcache_update* out);
KAV_API void kav_sync_resetcache_update_free__unpacked(kav_sync_resetcache_update* msg);
KAV_API uint32_t kav_sync_resetcache_update__sendmsg(uint32_t dest, const kav_sync_resetcache_update* msgs, uint32_t count);
KAV_API uint32_t kav_sync_resetcache_update__sendtomsg(uint32_t dest, const kav_sync_resetcache_update* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_sync_resetcache_update__sendsingle(uint32_t dest, const kav_sync_resetcache_update* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_sync_resetcache_update__sendbatch(uint32_t dest, const kav_sync_resetcache_update* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_sync_resetstat_update__pack(const kav_sync_resetstat_update* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_sync_resetstat_update__unpack(const uint8_t* buf, uint32_t len, kav_sync_resetstat_update* out);
KAV_API void kav_sync_resetstat_update_free__unpacked(kav_sync_resetstat_update* msg);
KAV_API uint32_t kav_sync_resetstat_update__sendmsg(uint32_t dest, const kav_sync_resetstat_update* msgs, uint32_t count);
KAV_API uint32_t kav_sync_resetstat_update__sendtomsg(uint32_t dest, const kav_sync_resetstat_update* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_sync_resetstat_update__sendsingle(uint32_t dest, const kav_sync_resetstat_update* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_sync_resetstat_update__sendbatch(uint32_t dest, const kav_sync_resetstat_update* msgs, uint32_t count, uint64_t to);

/* clang-format on */
/* ---- End of generated declarations ---- */

/* Package set-up, as kav_recv_init, kav_send_init and kav__send_resource_clean. */
KAV_API uint32_t kav_sync_recv_init(void);
KAV_API uint32_t kav_sync_send_init(void);
KAV_API void kav_sync__send_resource_clean(void);

#ifdef __cplusplus
}
#endif

#endif /* KAV_SYNC_H */
