/* Control and inspection interface of the recording OSAL host linked into test
 * executables. Every function is thread-safe. Text pointers handed out by the
 * accessors stay valid until the next osal_host_reset(). */
#ifndef OSAL_HOST_H
#define OSAL_HOST_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Bits of osal_host_services(): which RVX_ services this host defines. */
#define OSAL_HOST_SVC_LOG 1u          /* RVX_OsalLogWrite */
#define OSAL_HOST_SVC_ALLOC 2u        /* RVX_OsalMemAlloc */
#define OSAL_HOST_SVC_FREE 4u         /* RVX_OsalMemFree */
#define OSAL_HOST_SVC_USE_FLAG 8u     /* RVX_OsalMemUseFlagGet */
#define OSAL_HOST_SVC_CACHE_ALLOC 16u /* RVX_OsalMemCacheAlloc */

/* Kind of a log argument, decoded from the format's conversion. */
#define OSAL_HOST_ARG_STR 's'   /* %s: text in s */
#define OSAL_HOST_ARG_INT 'd'   /* %d, %i, %c (any length modifier): value in i */
#define OSAL_HOST_ARG_UINT 'u'  /* %u, %x, %X, %o (any length modifier): value in u */
#define OSAL_HOST_ARG_PTR 'p'   /* %p, %n: address in u */
#define OSAL_HOST_ARG_FLOAT 'f' /* %f, %e, %g, %a: value in f */

typedef struct OsalHostLogArg {
    int kind;          /* one of OSAL_HOST_ARG_* */
    int64_t i;         /* signed value */
    uint64_t u;        /* unsigned value or address */
    double f;          /* floating value */
    const char *s;     /* copy of the text; null if a null pointer was passed */
} OsalHostLogArg;

typedef struct OsalHostLogRecord {
    const void *module;          /* module pointer as passed */
    const char *module_name;     /* copy of module->module_name (null if it or module was null) */
    const char *subsystem_name;  /* copy of module->subsystem_name (null if it or module was null) */
    uint32_t module_id;          /* module->module_id (0 if module was null) */
    uint32_t level;
    uint32_t code;
    const char *file;            /* copy of the file text (null if null was passed) */
    uint32_t line;
    const char *func;            /* copy of the function text (null if null was passed) */
    const char *fmt;             /* copy of the format text (null if null was passed) */
    uint32_t arg_count;          /* number of arguments the format consumed */
    const OsalHostLogArg *args;  /* arg_count decoded arguments, in order */
    const char *text;            /* the fully formatted message */
} OsalHostLogRecord;

/* Which service a memory event went through. */
#define OSAL_HOST_MEM_ALLOC 0u       /* RVX_OsalMemAlloc */
#define OSAL_HOST_MEM_CACHE_ALLOC 1u /* RVX_OsalMemCacheAlloc */
#define OSAL_HOST_MEM_FREE 2u        /* RVX_OsalMemFree */
#define OSAL_HOST_MEM_UNKNOWN 3u     /* origin of a released pointer that is not a live block */

typedef struct OsalHostMemEvent {
    uint32_t service;   /* OSAL_HOST_MEM_ALLOC, _CACHE_ALLOC or _FREE */
    uint32_t size;      /* requested size; for a release the block's size (0 if unknown) */
    uint32_t arg;       /* second argument: module id or pool */
    const char *func;   /* copy of the function text (null if null was passed) */
    void *ptr;          /* block returned (null when the allocation failed) or released */
    uint32_t origin;    /* release only: service that allocated ptr, or OSAL_HOST_MEM_UNKNOWN */
} OsalHostMemEvent;

/* Bit set of the RVX_ services this host defines (OSAL_HOST_SVC_*). */
uint32_t osal_host_services(void);
/* Forgets logs, memory events, use-flag calls and the failure script; use flag back to its default. */
void osal_host_reset(void);

/* Number of log calls recorded since reset. */
uint32_t osal_host_log_count(void);
/* Fills *out with log record i and returns 1; returns 0 and zeroes *out if absent. */
int osal_host_log_record(uint32_t i, OsalHostLogRecord *out);

/* Number of memory events (allocations and releases, failed ones too) since reset. */
uint32_t osal_host_mem_event_count(void);
/* Fills *out with memory event i and returns 1; returns 0 and zeroes *out if absent. */
int osal_host_mem_event(uint32_t i, OsalHostMemEvent *out);
/* Blocks allocated since reset and not yet released. */
uint32_t osal_host_live_blocks(void);
/* Releases since reset of non-null pointers that were not live blocks (double or foreign frees); they are not passed on to free(). */
uint32_t osal_host_bad_free_count(void);
/* Makes the k-th allocation call from now (general and cache counted together, 1-based) return null; 0 cancels. */
void osal_host_fail_alloc_at(uint32_t k);

/* Sets the value RVX_OsalMemUseFlagGet returns. */
void osal_host_set_use_flag(uint32_t value);
/* Number of RVX_OsalMemUseFlagGet calls since reset. */
uint32_t osal_host_use_flag_calls(void);
/* Argument of RVX_OsalMemUseFlagGet call i (0 if absent). */
uint32_t osal_host_use_flag_arg(uint32_t i);

#ifdef __cplusplus
}
#endif

#endif /* OSAL_HOST_H */
