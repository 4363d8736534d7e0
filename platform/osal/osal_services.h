/* The host platform's OSAL services: log writer and the general and cache
 * allocators. A host process exports whichever of them it offers. */
#ifndef OSAL_SERVICES_H
#define OSAL_SERVICES_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Identifies the writer of a log record. */
typedef struct SerialLogModule {
    const char *module_name;
    const char *subsystem_name;
    uint32_t module_id;
} SerialLogModule;

void RVX_OsalLogWrite(const SerialLogModule *mod, uint32_t level, uint32_t code, const char *file,
                      uint32_t line, const char *func, const char *fmt, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 7, 8)))
#endif
    ;
void *RVX_OsalMemAlloc(uint32_t size, uint32_t module_id, const char *func);
void RVX_OsalMemFree(void *ptr, uint32_t module_id, const char *func);
uint32_t RVX_OsalMemUseFlagGet(uint32_t pool);
void *RVX_OsalMemCacheAlloc(uint32_t size, uint32_t pool, const char *func);

#ifdef __cplusplus
}
#endif

#endif /* OSAL_SERVICES_H */
