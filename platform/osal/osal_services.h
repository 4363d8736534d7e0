/* The host platform's OSAL services: log writer and the general and cache
 * allocators (installed as kav_osal.h). libkav looks each one up by name in
 * the program with dlsym(NULL, name), once, on first need, so a host defines
 * whichever it offers with exactly these types and exports them from the
 * program (pkg-config --libs kav adds -Wl,--export-dynamic-symbol=<name> for
 * each; -rdynamic also does). Absent services: malloc/free, no log.
 *
 * RVX_OsalLogWrite: one call per failure; level 2, code 22 (bad argument or
 *   malformed buffer) or 12 (out of memory), file "", a fixed line per call
 *   site, the failing function's name and a printf format with arguments.
 * RVX_OsalMemAlloc/RVX_OsalMemFree: the send functions' working memory, used
 *   only when both exist; module_id is 0x6200.
 * RVX_OsalMemUseFlagGet/RVX_OsalMemCacheAlloc: the item arrays of unpacked
 *   lists come from the cache allocator when RVX_OsalMemUseFlagGet(12)
 *   returns 1 and RVX_OsalMemCacheAlloc and RVX_OsalMemFree both exist; pool
 *   is 12, and the release goes through RVX_OsalMemFree with 12.
 * The services may be called from any thread. */
#ifndef OSAL_SERVICES_H
#define OSAL_SERVICES_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Identifies the writer of a log record. */
typedef struct SerialLogModule {
  const char* module_name;
  const char* subsystem_name;
  uint32_t module_id;
} SerialLogModule;

void RVX_OsalLogWrite(const SerialLogModule* mod, uint32_t level, uint32_t code, const char* file, uint32_t line,
                      const char* func, const char* fmt, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 7, 8)))
#endif
    ;
void* RVX_OsalMemAlloc(uint32_t size, uint32_t module_id, const char* func);
void RVX_OsalMemFree(void* ptr, uint32_t module_id, const char* func);
uint32_t RVX_OsalMemUseFlagGet(uint32_t pool);
void* RVX_OsalMemCacheAlloc(uint32_t size, uint32_t pool, const char* func);

#ifdef __cplusplus
}
#endif

#endif /* OSAL_SERVICES_H */
