// Recording host for the platform's OSAL services. Which RVX_ services are
// defined is chosen at compile time, so one source serves every host flavour:
//   OSAL_HOST_WITH_LOG, OSAL_HOST_WITH_ALLOC, OSAL_HOST_WITH_FREE,
//   OSAL_HOST_WITH_USE_FLAG, OSAL_HOST_WITH_CACHE_ALLOC  (each 0 or 1)
//   OSAL_HOST_USE_FLAG_DEFAULT  (what RVX_OsalMemUseFlagGet returns after reset)
// Allocated blocks are filled with 0xA5 and released blocks with 0xDD, so code
// that reads memory it never wrote, or after releasing it, sees garbage.
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#pragma GCC visibility push(default)
#include "osal_host.h"
#include "osal_services.h"
#pragma GCC visibility pop

#ifndef OSAL_HOST_WITH_LOG
#define OSAL_HOST_WITH_LOG 0
#endif
#ifndef OSAL_HOST_WITH_ALLOC
#define OSAL_HOST_WITH_ALLOC 0
#endif
#ifndef OSAL_HOST_WITH_FREE
#define OSAL_HOST_WITH_FREE 0
#endif
#ifndef OSAL_HOST_WITH_USE_FLAG
#define OSAL_HOST_WITH_USE_FLAG 0
#endif
#ifndef OSAL_HOST_WITH_CACHE_ALLOC
#define OSAL_HOST_WITH_CACHE_ALLOC 0
#endif
#ifndef OSAL_HOST_USE_FLAG_DEFAULT
#define OSAL_HOST_USE_FLAG_DEFAULT 1
#endif

namespace {

constexpr unsigned char kFreshFill = 0xA5;
constexpr unsigned char kReleasedFill = 0xDD;

using OptText = std::optional<std::string>;

OptText copy_text(const char *s) {
    if (s == nullptr) return std::nullopt;
    return std::string(s);
}

const char *text_ptr(const OptText &t) { return t ? t->c_str() : nullptr; }

struct ArgRecord {
    int kind = 0;
    int64_t i = 0;
    uint64_t u = 0;
    double f = 0.0;
    OptText s;
};

struct LogRecord {
    const void *module = nullptr;
    OptText module_name;
    OptText subsystem_name;
    uint32_t module_id = 0;
    uint32_t level = 0;
    uint32_t code = 0;
    OptText file;
    uint32_t line = 0;
    OptText func;
    OptText fmt;
    std::vector<ArgRecord> args;
    std::vector<OsalHostLogArg> c_args;  // views of args, built once args is final
    std::string text;
};

struct MemRecord {
    uint32_t service = 0;
    uint32_t size = 0;
    uint32_t arg = 0;
    OptText func;
    void *ptr = nullptr;
    uint32_t origin = OSAL_HOST_MEM_UNKNOWN;
};

struct Block {
    uint32_t size = 0;
    uint32_t service = 0;
    uint64_t epoch = 0;
};

struct State {
    std::mutex mu;
    // Held by pointer so text handed out stays put while others append.
    std::vector<std::unique_ptr<LogRecord>> logs;
    std::vector<std::unique_ptr<MemRecord>> mem;
    std::unordered_map<void *, Block> blocks;  // every block not yet released, also from before a reset
    uint64_t epoch = 0;                        // bumped by reset
    uint32_t live = 0;                         // blocks of the current epoch still held
    uint32_t bad_frees = 0;
    uint32_t fail_countdown = 0;
    uint32_t use_flag = OSAL_HOST_USE_FLAG_DEFAULT;
    std::vector<uint32_t> use_flag_args;
};

State &state() {
    static State *s = new State;  // never destroyed: late calls at exit still work
    return *s;
}

[[maybe_unused]] bool should_fail_allocation() {
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mu);
    return s.fail_countdown != 0 && --s.fail_countdown == 0;
}

[[maybe_unused]] void *record_allocation(uint32_t service, uint32_t size, uint32_t arg, const char *func) {
    void *p = nullptr;
    if (!should_fail_allocation()) {
        p = std::malloc(size == 0 ? 1u : size);
        if (p != nullptr) std::memset(p, kFreshFill, size);
    }
    auto rec = std::make_unique<MemRecord>();
    rec->service = service;
    rec->size = size;
    rec->arg = arg;
    rec->func = copy_text(func);
    rec->ptr = p;
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mu);
    s.mem.push_back(std::move(rec));
    if (p != nullptr) {
        s.blocks[p] = Block{size, service, s.epoch};
        ++s.live;
    }
    return p;
}

[[maybe_unused]] void record_release(void *ptr, uint32_t arg, const char *func) {
    auto rec = std::make_unique<MemRecord>();
    rec->service = OSAL_HOST_MEM_FREE;
    rec->arg = arg;
    rec->func = copy_text(func);
    rec->ptr = ptr;
    bool owned = false;
    uint32_t size = 0;
    {
        State &s = state();
        std::lock_guard<std::mutex> lock(s.mu);
        if (ptr != nullptr) {
            auto it = s.blocks.find(ptr);
            if (it != s.blocks.end()) {
                owned = true;
                size = it->second.size;
                rec->size = size;
                rec->origin = it->second.service;
                if (it->second.epoch == s.epoch) --s.live;
                s.blocks.erase(it);
            } else {
                ++s.bad_frees;
            }
        }
        s.mem.push_back(std::move(rec));
    }
    if (owned) {
        std::memset(ptr, kReleasedFill, size);
        std::free(ptr);
    }
}

// Walks the conversions of fmt and takes one argument per conversion from ap.
[[maybe_unused]] std::vector<ArgRecord> decode_args(const char *fmt, va_list *ap) {
    std::vector<ArgRecord> out;
    if (fmt == nullptr) return out;
    for (const char *p = fmt; *p != '\0'; ++p) {
        if (*p != '%') continue;
        ++p;
        if (*p == '%') continue;
        while (*p != '\0' && std::strchr("-+ #0'", *p) != nullptr) ++p;
        if (*p == '*') {
            (void)va_arg(*ap, int);
            ++p;
        } else {
            while (*p >= '0' && *p <= '9') ++p;
        }
        if (*p == '.') {
            ++p;
            if (*p == '*') {
                (void)va_arg(*ap, int);
                ++p;
            } else {
                while (*p >= '0' && *p <= '9') ++p;
            }
        }
        int longs = 0;  // 0 int, 1 long, 2 long long / intmax / size / ptrdiff
        bool long_double = false;
        for (;; ++p) {
            if (*p == 'h') continue;
            if (*p == 'l') { ++longs; continue; }
            if (*p == 'j' || *p == 'z' || *p == 't' || *p == 'q') { longs = 2; continue; }
            if (*p == 'L') { long_double = true; continue; }
            break;
        }
        ArgRecord a;
        switch (*p) {
            case 'd':
            case 'i':
                a.kind = OSAL_HOST_ARG_INT;
                a.i = longs == 0 ? va_arg(*ap, int) : longs == 1 ? va_arg(*ap, long) : va_arg(*ap, long long);
                break;
            case 'c':
                a.kind = OSAL_HOST_ARG_INT;
                a.i = va_arg(*ap, int);
                break;
            case 'u':
            case 'o':
            case 'x':
            case 'X':
                a.kind = OSAL_HOST_ARG_UINT;
                a.u = longs == 0   ? va_arg(*ap, unsigned int)
                      : longs == 1 ? va_arg(*ap, unsigned long)
                                   : va_arg(*ap, unsigned long long);
                break;
            case 's':
                a.kind = OSAL_HOST_ARG_STR;
                a.s = copy_text(va_arg(*ap, const char *));
                break;
            case 'p':
            case 'n':
                a.kind = OSAL_HOST_ARG_PTR;
                a.u = reinterpret_cast<uintptr_t>(va_arg(*ap, void *));
                break;
            case 'f': case 'F': case 'e': case 'E':
            case 'g': case 'G': case 'a': case 'A':
                a.kind = OSAL_HOST_ARG_FLOAT;
                a.f = long_double ? static_cast<double>(va_arg(*ap, long double)) : va_arg(*ap, double);
                break;
            default:
                return out;  // unknown conversion: the argument types that follow are unknowable
        }
        out.push_back(std::move(a));
    }
    return out;
}

[[maybe_unused]] std::string format_text(const char *fmt, va_list ap) {
    if (fmt == nullptr) return std::string();
    char small[512];
    va_list again;
    va_copy(again, ap);
    const int n = std::vsnprintf(small, sizeof small, fmt, ap);
    std::string text;
    if (n >= 0 && static_cast<std::size_t>(n) < sizeof small) {
        text.assign(small, static_cast<std::size_t>(n));
    } else if (n >= 0) {
        text.resize(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(text.data(), text.size(), fmt, again);
        text.resize(static_cast<std::size_t>(n));
    }
    va_end(again);
    return text;
}

}  // namespace

extern "C" {

#if OSAL_HOST_WITH_LOG
void RVX_OsalLogWrite(const SerialLogModule *mod, uint32_t level, uint32_t code, const char *file,
                      uint32_t line, const char *func, const char *fmt, ...) {
    auto rec = std::make_unique<LogRecord>();
    rec->module = mod;
    if (mod != nullptr) {
        rec->module_name = copy_text(mod->module_name);
        rec->subsystem_name = copy_text(mod->subsystem_name);
        rec->module_id = mod->module_id;
    }
    rec->level = level;
    rec->code = code;
    rec->file = copy_text(file);
    rec->line = line;
    rec->func = copy_text(func);
    rec->fmt = copy_text(fmt);

    va_list ap;
    va_start(ap, fmt);
    va_list for_args;
    va_copy(for_args, ap);
    rec->args = decode_args(fmt, &for_args);
    va_end(for_args);
    rec->text = format_text(fmt, ap);
    va_end(ap);

    rec->c_args.reserve(rec->args.size());
    for (const ArgRecord &a : rec->args) {
        rec->c_args.push_back(OsalHostLogArg{a.kind, a.i, a.u, a.f, text_ptr(a.s)});
    }
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mu);
    s.logs.push_back(std::move(rec));
}
#endif

#if OSAL_HOST_WITH_ALLOC
void *RVX_OsalMemAlloc(uint32_t size, uint32_t module_id, const char *func) {
    return record_allocation(OSAL_HOST_MEM_ALLOC, size, module_id, func);
}
#endif

#if OSAL_HOST_WITH_FREE
void RVX_OsalMemFree(void *ptr, uint32_t module_id, const char *func) {
    record_release(ptr, module_id, func);
}
#endif

#if OSAL_HOST_WITH_USE_FLAG
uint32_t RVX_OsalMemUseFlagGet(uint32_t pool) {
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mu);
    s.use_flag_args.push_back(pool);
    return s.use_flag;
}
#endif

#if OSAL_HOST_WITH_CACHE_ALLOC
void *RVX_OsalMemCacheAlloc(uint32_t size, uint32_t pool, const char *func) {
    return record_allocation(OSAL_HOST_MEM_CACHE_ALLOC, size, pool, func);
}
#endif

uint32_t osal_host_services(void) {
    return (OSAL_HOST_WITH_LOG ? OSAL_HOST_SVC_LOG : 0u) | (OSAL_HOST_WITH_ALLOC ? OSAL_HOST_SVC_ALLOC : 0u) |
           (OSAL_HOST_WITH_FREE ? OSAL_HOST_SVC_FREE : 0u) |
           (OSAL_HOST_WITH_USE_FLAG ? OSAL_HOST_SVC_USE_FLAG : 0u) |
           (OSAL_HOST_WITH_CACHE_ALLOC ? OSAL_HOST_SVC_CACHE_ALLOC : 0u);
}

void osal_host_reset(void) {
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mu);
    s.logs.clear();
    s.mem.clear();
    ++s.epoch;  // blocks still held stay releasable but no longer count as live
    s.live = 0;
    s.bad_frees = 0;
    s.fail_countdown = 0;
    s.use_flag = OSAL_HOST_USE_FLAG_DEFAULT;
    s.use_flag_args.clear();
}

uint32_t osal_host_log_count(void) {
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mu);
    return static_cast<uint32_t>(s.logs.size());
}

int osal_host_log_record(uint32_t i, OsalHostLogRecord *out) {
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mu);
    if (i >= s.logs.size()) {
        if (out != nullptr) *out = OsalHostLogRecord{};
        return 0;
    }
    if (out != nullptr) {
        const LogRecord &r = *s.logs[i];
        *out = OsalHostLogRecord{r.module,
                                 text_ptr(r.module_name),
                                 text_ptr(r.subsystem_name),
                                 r.module_id,
                                 r.level,
                                 r.code,
                                 text_ptr(r.file),
                                 r.line,
                                 text_ptr(r.func),
                                 text_ptr(r.fmt),
                                 static_cast<uint32_t>(r.c_args.size()),
                                 r.c_args.empty() ? nullptr : r.c_args.data(),
                                 r.text.c_str()};
    }
    return 1;
}

uint32_t osal_host_mem_event_count(void) {
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mu);
    return static_cast<uint32_t>(s.mem.size());
}

int osal_host_mem_event(uint32_t i, OsalHostMemEvent *out) {
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mu);
    if (i >= s.mem.size()) {
        if (out != nullptr) *out = OsalHostMemEvent{};
        return 0;
    }
    if (out != nullptr) {
        const MemRecord &r = *s.mem[i];
        *out = OsalHostMemEvent{r.service, r.size, r.arg, text_ptr(r.func), r.ptr, r.origin};
    }
    return 1;
}

uint32_t osal_host_live_blocks(void) {
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mu);
    return s.live;
}

uint32_t osal_host_bad_free_count(void) {
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mu);
    return s.bad_frees;
}

void osal_host_fail_alloc_at(uint32_t k) {
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mu);
    s.fail_countdown = k;
}

void osal_host_set_use_flag(uint32_t value) {
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mu);
    s.use_flag = value;
}

uint32_t osal_host_use_flag_calls(void) {
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mu);
    return static_cast<uint32_t>(s.use_flag_args.size());
}

uint32_t osal_host_use_flag_arg(uint32_t i) {
    State &s = state();
    std::lock_guard<std::mutex> lock(s.mu);
    return i < s.use_flag_args.size() ? s.use_flag_args[i] : 0u;
}

}  // extern "C"
