/* The recording OSAL test host: one source, configured per scenario. The services it exports are
 * chosen when it is built (OSAL_HOST_SERVICES, a mask of OSAL_HOST_SVC_*); what the use flag
 * returns and which allocation fails are set at run time. Every function is thread-safe; text
 * handed out stays valid until the next osal_host_reset(). */
#ifndef OSAL_HOST_H
#define OSAL_HOST_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define OSAL_HOST_SVC_LOG 1u          /* RVX_OsalLogWrite */
#define OSAL_HOST_SVC_ALLOC 2u        /* RVX_OsalMemAlloc */
#define OSAL_HOST_SVC_FREE 4u         /* RVX_OsalMemFree */
#define OSAL_HOST_SVC_USE_FLAG 8u     /* RVX_OsalMemUseFlagGet */
#define OSAL_HOST_SVC_CACHE_ALLOC 16u /* RVX_OsalMemCacheAlloc */

typedef struct OsalHostLogRecord {
  const void* module; /* the module record as passed */
  const char *module_name, *subsystem_name;
  uint32_t module_id, level, code, line;
  const char *file, *func, *fmt;
  const char* text; /* the formatted message */
} OsalHostLogRecord;

#define OSAL_HOST_MEM_ALLOC 0u       /* RVX_OsalMemAlloc */
#define OSAL_HOST_MEM_CACHE_ALLOC 1u /* RVX_OsalMemCacheAlloc */
#define OSAL_HOST_MEM_FREE 2u        /* RVX_OsalMemFree */
#define OSAL_HOST_MEM_UNKNOWN 3u     /* origin of a released pointer that is not a live block */

typedef struct OsalHostMemEvent {
  uint32_t service; /* OSAL_HOST_MEM_* */
  uint32_t size;    /* requested size; for a release the block's size */
  uint32_t arg;     /* module id or pool */
  const char* func;
  void* ptr;       /* block returned (null: the allocation failed) or released */
  uint32_t origin; /* release: the service that allocated ptr */
} OsalHostMemEvent;

uint32_t osal_host_services(void);
/* Forgets logs, memory events and use-flag calls, cancels the failure, sets the use flag to 1. */
void osal_host_reset(void);
/* Aborts the process on a release of a block that is not live, a foreign module id or pool, or a
 * log record that is not the library's: for programs that cannot look after every call. */
void osal_host_strict(int on);
void osal_host_set_use_flag(uint32_t value);
/* The k-th allocation from now (both allocators, 1-based) returns null; 0 cancels. */
void osal_host_fail_alloc_at(uint32_t k);

uint32_t osal_host_log_count(void);
int osal_host_log_record(uint32_t i, OsalHostLogRecord* out); /* 0 when absent */
uint32_t osal_host_mem_event_count(void);
int osal_host_mem_event(uint32_t i, OsalHostMemEvent* out); /* 0 when absent */
uint32_t osal_host_live_blocks(void);                       /* allocated since reset, not released */
uint64_t osal_host_block_size(const void* p);               /* UINT64_MAX: not a live block */
uint32_t osal_host_bad_free_count(void);
uint32_t osal_host_use_flag_calls(void);
uint32_t osal_host_use_flag_arg(uint32_t i);

#ifdef __cplusplus
}
#endif

#endif /* OSAL_HOST_H */
