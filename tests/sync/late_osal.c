/* OSAL services that a host makes available only after start-up: loaded with dlopen into the
 * global scope. The log writer counts its calls and keeps the last function name. */
#include <stdarg.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "osal_services.h"

#define LATE_OSAL_API __attribute__((visibility("default")))

static unsigned g_log_count;
static char g_last_func[128];

LATE_OSAL_API unsigned late_osal_log_count(void) { return g_log_count; }
LATE_OSAL_API const char *late_osal_last_func(void) { return g_last_func; }

LATE_OSAL_API void RVX_OsalLogWrite(const SerialLogModule *mod, uint32_t level, uint32_t code,
                                    const char *file, uint32_t line, const char *func,
                                    const char *fmt, ...) {
    (void)mod, (void)level, (void)code, (void)file, (void)line, (void)fmt;
    ++g_log_count;
    strncpy(g_last_func, func != NULL ? func : "", sizeof g_last_func - 1);
}

LATE_OSAL_API void *RVX_OsalMemAlloc(uint32_t size, uint32_t module_id, const char *func) {
    (void)module_id, (void)func;
    return malloc(size != 0 ? size : 1u);
}

LATE_OSAL_API void RVX_OsalMemFree(void *ptr, uint32_t module_id, const char *func) {
    (void)module_id, (void)func;
    free(ptr);
}

LATE_OSAL_API uint32_t RVX_OsalMemUseFlagGet(uint32_t pool) {
    (void)pool;
    return 1;
}

LATE_OSAL_API void *RVX_OsalMemCacheAlloc(uint32_t size, uint32_t pool, const char *func) {
    (void)pool, (void)func;
    return malloc(size != 0 ? size : 1u);
}
