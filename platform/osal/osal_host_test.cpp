// Checks a recording OSAL host flavour. Every service is reached the way the
// library reaches it, through dlsym in the global scope, so the same source
// checks each flavour against the services it is expected to export.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "osal_host.h"
#include "osal_services.h"

#define ALL_ALLOCATORS (OSAL_HOST_SVC_ALLOC | OSAL_HOST_SVC_FREE | OSAL_HOST_SVC_CACHE_ALLOC)

namespace {

using LogFn = void (*)(const SerialLogModule *, uint32_t, uint32_t, const char *, uint32_t, const char *,
                       const char *, ...);
using AllocFn = void *(*)(uint32_t, uint32_t, const char *);
using FreeFn = void (*)(void *, uint32_t, const char *);
using FlagFn = uint32_t (*)(uint32_t);

template <typename Fn>
Fn lookup(const char *name) {
    return reinterpret_cast<Fn>(dlsym(RTLD_DEFAULT, name));
}

bool has(uint32_t bits) { return (OSAL_TEST_EXPECTED_SERVICES & bits) == bits; }

class OsalHostTest : public ::testing::Test {
protected:
    void SetUp() override { osal_host_reset(); }
};

TEST_F(OsalHostTest, ExportsExactlyTheServicesOfItsFlavour) {
    const struct {
        const char *name;
        uint32_t bit;
    } services[] = {{"RVX_OsalLogWrite", OSAL_HOST_SVC_LOG},
                    {"RVX_OsalMemAlloc", OSAL_HOST_SVC_ALLOC},
                    {"RVX_OsalMemFree", OSAL_HOST_SVC_FREE},
                    {"RVX_OsalMemUseFlagGet", OSAL_HOST_SVC_USE_FLAG},
                    {"RVX_OsalMemCacheAlloc", OSAL_HOST_SVC_CACHE_ALLOC}};
    EXPECT_EQ(osal_host_services(), OSAL_TEST_EXPECTED_SERVICES) << OSAL_TEST_FLAVOUR;
    for (const auto &s : services) {
        EXPECT_EQ(dlsym(RTLD_DEFAULT, s.name) != nullptr, has(s.bit)) << s.name << " in " << OSAL_TEST_FLAVOUR;
    }
}

#if (OSAL_TEST_EXPECTED_SERVICES & OSAL_HOST_SVC_LOG) != 0
TEST_F(OsalHostTest, LogCallRecordsModuleArgumentsAndFormattedText) {
    const auto log = lookup<LogFn>("RVX_OsalLogWrite");
    const SerialLogModule mod = {"MOD", "SUB", 0x6200};
    log(&mod, 2, 22, "", 117, "fn_a", "[X]: %s %d %u", "abc", -5, 4000000000u);
    log(&mod, 3, 12, "f.c", 9, "fn_b", "100%% %5s|%-3d|%lu|%s", "ab", 7, 123456789012ul, static_cast<char *>(nullptr));
    log(nullptr, 1, 0, nullptr, 0, nullptr, "plain");

    struct Want {
        const void *module;
        const char *module_name;
        uint32_t module_id, level, code;
        const char *file;
        uint32_t line;
        const char *func, *fmt, *text;
        std::string args;  // kind:value per argument
    };
    const Want want[] = {
        {&mod, "MOD", 0x6200, 2, 22, "", 117, "fn_a", "[X]: %s %d %u", "[X]: abc -5 4000000000",
         "s:abc d:-5 u:4000000000 "},
        {&mod, "MOD", 0x6200, 3, 12, "f.c", 9, "fn_b", "100%% %5s|%-3d|%lu|%s", "100%    ab|7  |123456789012|(null)",
         "s:ab d:7 u:123456789012 s:<null> "},
        {nullptr, nullptr, 0, 1, 0, nullptr, 0, nullptr, "plain", "plain", ""},
    };
    ASSERT_EQ(osal_host_log_count(), 3u);
    auto same = [](const char *a, const char *b) { return a == nullptr ? b == nullptr : b && !std::strcmp(a, b); };
    for (uint32_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        OsalHostLogRecord r;
        ASSERT_EQ(osal_host_log_record(i, &r), 1);
        const Want &w = want[i];
        EXPECT_EQ(r.module, w.module);
        EXPECT_TRUE(same(r.module_name, w.module_name));
        EXPECT_TRUE(same(r.subsystem_name, w.module ? "SUB" : nullptr));
        EXPECT_EQ(r.module_id, w.module_id);
        EXPECT_EQ(r.level, w.level);
        EXPECT_EQ(r.code, w.code);
        EXPECT_TRUE(same(r.file, w.file));
        EXPECT_EQ(r.line, w.line);
        EXPECT_TRUE(same(r.func, w.func));
        EXPECT_TRUE(same(r.fmt, w.fmt));
        EXPECT_STREQ(r.text, w.text);
        std::string args;
        for (uint32_t k = 0; k < r.arg_count; ++k) {
            const OsalHostLogArg &a = r.args[k];
            args += static_cast<char>(a.kind);
            args += ':';
            if (a.kind == OSAL_HOST_ARG_STR) args += a.s ? a.s : "<null>";
            if (a.kind == OSAL_HOST_ARG_INT) args += std::to_string(a.i);
            if (a.kind == OSAL_HOST_ARG_UINT) args += std::to_string(a.u);
            args += ' ';
        }
        EXPECT_EQ(args, w.args);
    }
    EXPECT_EQ(osal_host_log_record(3, nullptr), 0);
}

#endif

#if (OSAL_TEST_EXPECTED_SERVICES & ALL_ALLOCATORS) == ALL_ALLOCATORS
TEST_F(OsalHostTest, TracksBlocksAcrossBothAllocatorsAndCatchesBadReleases) {
    const auto alloc = lookup<AllocFn>("RVX_OsalMemAlloc");
    const auto cache = lookup<AllocFn>("RVX_OsalMemCacheAlloc");
    const auto release = lookup<FreeFn>("RVX_OsalMemFree");

    void *a = alloc(24, 0x6200, "send_fn");
    void *c = cache(8, 12, "unpack_fn");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(static_cast<unsigned char *>(a)[23], 0xA5) << "fresh blocks must not look zeroed";
    EXPECT_EQ(osal_host_live_blocks(), 2u);
    release(c, 12, "free_fn");
    release(nullptr, 12, "free_fn");
    release(c, 12, "free_fn");  // double release: counted, not passed on
    release(a, 0x6200, "send_fn");
    EXPECT_EQ(osal_host_live_blocks(), 0u);
    EXPECT_EQ(osal_host_bad_free_count(), 1u);

    const OsalHostMemEvent want[] = {
        {OSAL_HOST_MEM_ALLOC, 24, 0x6200, "send_fn", a, OSAL_HOST_MEM_UNKNOWN},
        {OSAL_HOST_MEM_CACHE_ALLOC, 8, 12, "unpack_fn", c, OSAL_HOST_MEM_UNKNOWN},
        {OSAL_HOST_MEM_FREE, 8, 12, "free_fn", c, OSAL_HOST_MEM_CACHE_ALLOC},
        {OSAL_HOST_MEM_FREE, 0, 12, "free_fn", nullptr, OSAL_HOST_MEM_UNKNOWN},
        {OSAL_HOST_MEM_FREE, 0, 12, "free_fn", c, OSAL_HOST_MEM_UNKNOWN},
        {OSAL_HOST_MEM_FREE, 24, 0x6200, "send_fn", a, OSAL_HOST_MEM_ALLOC},
    };
    ASSERT_EQ(osal_host_mem_event_count(), 6u);
    for (uint32_t i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        OsalHostMemEvent e;
        ASSERT_EQ(osal_host_mem_event(i, &e), 1);
        EXPECT_EQ(e.service, want[i].service);
        EXPECT_EQ(e.size, want[i].size);
        EXPECT_EQ(e.arg, want[i].arg);
        EXPECT_STREQ(e.func, want[i].func);
        EXPECT_EQ(e.ptr, want[i].ptr);
        if (e.service == OSAL_HOST_MEM_FREE) {
            EXPECT_EQ(e.origin, want[i].origin);
        }
    }
}

TEST_F(OsalHostTest, FailsExactlyTheKthAllocationCountingBothAllocators) {
    const auto alloc = lookup<AllocFn>("RVX_OsalMemAlloc");
    const auto cache = lookup<AllocFn>("RVX_OsalMemCacheAlloc");
    const auto release = lookup<FreeFn>("RVX_OsalMemFree");
    for (uint32_t k : {0u, 1u, 2u, 3u}) {
        SCOPED_TRACE(k);
        osal_host_reset();
        osal_host_fail_alloc_at(k);
        void *p[4] = {alloc(4, 1, "x"), cache(4, 12, "y"), alloc(4, 1, "x"), cache(4, 12, "y")};
        for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(p[i] == nullptr, i + 1 == k) << "call " << i + 1;
        EXPECT_EQ(osal_host_live_blocks(), k == 0 ? 4u : 3u);
        OsalHostMemEvent e;
        if (k != 0) {
            ASSERT_EQ(osal_host_mem_event(k - 1, &e), 1);  // the failed call is recorded with no block
            EXPECT_EQ(e.ptr, nullptr);
        }
        for (void *q : p) release(q, 0, "z");
        EXPECT_EQ(osal_host_live_blocks(), 0u);
    }
}

#endif

#if (OSAL_TEST_EXPECTED_SERVICES & OSAL_HOST_SVC_USE_FLAG) != 0
TEST_F(OsalHostTest, UseFlagIsSettableAndRecordsItsArgument) {
    const auto flag = lookup<FlagFn>("RVX_OsalMemUseFlagGet");
    EXPECT_EQ(flag(12), OSAL_TEST_EXPECTED_USE_FLAG);
    osal_host_set_use_flag(7);
    EXPECT_EQ(flag(3), 7u);
    ASSERT_EQ(osal_host_use_flag_calls(), 2u);
    EXPECT_EQ(osal_host_use_flag_arg(0), 12u);
    EXPECT_EQ(osal_host_use_flag_arg(1), 3u);
    osal_host_reset();
    EXPECT_EQ(osal_host_use_flag_calls(), 0u);
    EXPECT_EQ(flag(12), OSAL_TEST_EXPECTED_USE_FLAG);
}

#endif

#if OSAL_TEST_EXPECTED_SERVICES == 0
TEST_F(OsalHostTest, HostWithoutServicesReportsNothingRecorded) {
    OsalHostLogRecord r;
    OsalHostMemEvent e;
    EXPECT_EQ(osal_host_log_count(), 0u);
    EXPECT_EQ(osal_host_log_record(0, &r), 0);
    EXPECT_EQ(osal_host_mem_event_count(), 0u);
    EXPECT_EQ(osal_host_mem_event(0, &e), 0);
    EXPECT_EQ(osal_host_live_blocks(), 0u);
    EXPECT_EQ(osal_host_use_flag_calls(), 0u);
}
#endif

}  // namespace
