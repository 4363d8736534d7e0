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

KAV_SYNC_MESSAGES(KAV_DECLARE_MESSAGE)

/* Package set-up, as kav_recv_init, kav_send_init and kav__send_resource_clean. */
KAV_API uint32_t kav_sync_recv_init(void);
KAV_API uint32_t kav_sync_send_init(void);
KAV_API void kav_sync__send_resource_clean(void);

#ifdef __cplusplus
}
#endif

#endif /* KAV_SYNC_H */
