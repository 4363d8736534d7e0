// Checks the loopback messaging library: what it records, the order in which
// it calls hooks back, and its scripted answers.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "varelmesh.h"
#include "varelmesh_control.h"

namespace {

struct Event {
    char what;  // 'u' unpack, 'r' receiver, 'f' free
    uint32_t msgId;
    const void *out;
    uint32_t value;  // unpack: first data byte; receiver: size
    bool zeroed;     // unpack: scratch area was all zero on entry
};

std::vector<Event> g_events;
uint32_t g_current_id = 0;  // the unpack hook does not get the id; the test knows it

uint32_t fake_unpack(const uint8_t *buf, uint32_t len, void *out) {
    auto *bytes = static_cast<uint8_t *>(out);
    bool zeroed = true;
    for (int i = 0; i < 1024; ++i) zeroed = zeroed && bytes[i] == 0;
    g_events.push_back({'u', g_current_id, out, len > 0 ? buf[0] : 0u, zeroed});
    std::memset(out, 0x5A, 1024);  // dirty the whole area: the next entry must get it clean again
    return len + 100;
}

uint32_t other_unpack(const uint8_t *, uint32_t, void *out) {
    g_events.push_back({'U', 0, out, 0, true});
    return 1;
}

void fake_free(void *out) { g_events.push_back({'f', 0, out, 0, true}); }

void fake_receive(uint32_t msgId, const void *unpacked, uint32_t size, void *ctx) {
    ++*static_cast<int *>(ctx);
    g_events.push_back({'r', msgId, unpacked, size, true});
}

void fake_clean(void) {}

class VmeshTest : public ::testing::Test {
protected:
    void SetUp() override {
        vmesh_reset();
        g_events.clear();
    }
};

TEST_F(VmeshTest, RecordsEverySendWithItsEntriesAndACopyOfTheBytes) {
    struct Case {
        const char *name;
        bool to_variant;
        uint64_t to;
    };
    const Case cases[] = {{"SendMsg", false, 0}, {"SendToMsg", true, 0x1122334455667788ull}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        vmesh_reset();
        uint8_t a[3] = {1, 2, 3};
        uint8_t b[2] = {9, 8};
        MeshMsgBuf entries[2] = {{a, 0xAAu, 3}, {b, 0xBBu, 2}};
        const uint32_t r = c.to_variant ? MESH_SendToMsg(42, entries, 2, c.to) : MESH_SendMsg(42, entries, 2);
        EXPECT_EQ(r, 0u);
        a[0] = 77;  // the recording must not follow the caller's buffer

        ASSERT_EQ(vmesh_send_count(), 1u);
        VmeshSendCall call;
        ASSERT_EQ(vmesh_send_call(0, &call), 1);
        EXPECT_EQ(call.function, c.to_variant ? VMESH_SEND_TO_MSG : VMESH_SEND_MSG);
        EXPECT_EQ(call.dest, 42u);
        EXPECT_EQ(call.count, 2u);
        EXPECT_EQ(call.to, c.to);
        EXPECT_EQ(call.entries, entries);

        const std::vector<uint8_t> want[2] = {{1, 2, 3}, {9, 8}};
        const uint8_t *want_data[2] = {a, b};
        const uint32_t want_id[2] = {0xAAu, 0xBBu};
        for (uint32_t j = 0; j < 2; ++j) {
            VmeshSentEntry e;
            ASSERT_EQ(vmesh_sent_entry(0, j, &e), 1);
            EXPECT_EQ(e.msgId, want_id[j]);
            EXPECT_EQ(e.length, want[j].size());
            EXPECT_EQ(e.data, want_data[j]);
            ASSERT_NE(e.bytes, nullptr);
            EXPECT_EQ(std::vector<uint8_t>(e.bytes, e.bytes + e.length), want[j]);
        }
        VmeshSentEntry missing;
        EXPECT_EQ(vmesh_sent_entry(0, 2, &missing), 0);
        EXPECT_EQ(vmesh_send_call(1, &call), 0);
        EXPECT_EQ(call.entries, nullptr);
    }
}

TEST_F(VmeshTest, DeliversEachKnownEntryAsUnpackThenReceiverThenFree) {
    ASSERT_EQ(MESH_RegIDLFuncHook(0x10, fake_unpack, fake_free), 0u);
    int received = 0;
    vmesh_set_receiver(fake_receive, &received);
    uint8_t d0[4] = {0xC0, 0, 0, 0};
    uint8_t d1[1] = {0xC1};
    uint8_t d2[2] = {0xC2, 0};
    MeshMsgBuf entries[3] = {{d0, 0x10, 4}, {d1, 0x99, 1}, {d2, 0x10, 2}};  // 0x99 is unknown
    g_current_id = 0x10;
    ASSERT_EQ(MESH_SendMsg(1, entries, 3), 0u);

    ASSERT_EQ(g_events.size(), 6u);
    const char order[] = {'u', 'r', 'f', 'u', 'r', 'f'};
    const uint32_t first_byte[] = {0xC0, 0xC2};
    const uint32_t size[] = {104, 102};
    for (std::size_t k = 0; k < 2; ++k) {
        const Event *e = &g_events[3 * k];
        for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(e[i].what, order[3 * k + i]) << "event " << 3 * k + i;
        EXPECT_EQ(e[0].value, first_byte[k]);
        EXPECT_TRUE(e[0].zeroed) << "scratch area not zeroed for entry " << k;
        EXPECT_EQ(reinterpret_cast<uintptr_t>(e[0].out) % 16, 0u);
        EXPECT_EQ(e[1].msgId, 0x10u);
        EXPECT_EQ(e[1].value, size[k]) << "receiver must get the unpack hook's result";
        EXPECT_EQ(e[1].out, e[0].out);
        EXPECT_EQ(e[2].out, e[0].out);
    }
    EXPECT_EQ(received, 2);
    EXPECT_EQ(vmesh_delivery_count(), 2u);
    EXPECT_EQ(vmesh_send_count(), 1u);
    VmeshSentEntry skipped;
    ASSERT_EQ(vmesh_sent_entry(0, 1, &skipped), 1);  // unknown id still recorded
    EXPECT_EQ(skipped.msgId, 0x99u);
}

TEST_F(VmeshTest, LoopbackOffRecordsWithoutDelivering) {
    ASSERT_EQ(MESH_RegIDLFuncHook(0x10, fake_unpack, fake_free), 0u);
    vmesh_set_loopback(0);
    uint8_t d[1] = {1};
    MeshMsgBuf entry = {d, 0x10, 1};
    EXPECT_EQ(MESH_SendToMsg(1, &entry, 1, 5), 0u);
    EXPECT_TRUE(g_events.empty());
    EXPECT_EQ(vmesh_send_count(), 1u);
    EXPECT_EQ(vmesh_delivery_count(), 0u);
}

TEST_F(VmeshTest, LaterRegistrationOfAnIdReplacesTheEarlierOne) {
    ASSERT_EQ(MESH_RegIDLFuncHook(7, fake_unpack, fake_free), 0u);
    ASSERT_EQ(MESH_RegIDLFuncHook(8, fake_unpack, nullptr), 0u);
    ASSERT_EQ(MESH_RegIDLFuncHook(7, other_unpack, nullptr), 0u);
    EXPECT_EQ(vmesh_registration_count(), 3u);
    EXPECT_EQ(vmesh_registered_id_count(), 2u);
    const VmeshRegistration want[3] = {{7, fake_unpack, fake_free, 0}, {8, fake_unpack, nullptr, 0},
                                       {7, other_unpack, nullptr, 0}};
    for (uint32_t i = 0; i < 3; ++i) {
        VmeshRegistration r;
        ASSERT_EQ(vmesh_registration(i, &r), 1);
        EXPECT_EQ(r.id, want[i].id);
        EXPECT_EQ(r.unpack, want[i].unpack);
        EXPECT_EQ(r.release, want[i].release);
    }
    VmeshRegistration now;
    ASSERT_EQ(vmesh_lookup(7, &now), 1);
    EXPECT_EQ(now.unpack, other_unpack);
    uint8_t d[1] = {1};
    MeshMsgBuf entry = {d, 7, 1};
    MESH_SendMsg(0, &entry, 1);
    ASSERT_EQ(g_events.size(), 1u);  // the replacement's hook, and no free hook any more
    EXPECT_EQ(g_events[0].what, 'U');
}

TEST_F(VmeshTest, ScriptedRefusalHitsExactlyTheKthRegistration) {
    struct Case {
        uint32_t k, value;
        std::vector<uint32_t> results;  // of five registrations of ids 1..5
    };
    const Case cases[] = {{3, 7, {0, 0, 7, 0, 0}}, {1, 0xFFFFFFFFu, {0xFFFFFFFFu, 0, 0, 0, 0}}, {0, 9, {0, 0, 0, 0, 0}}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.k);
        vmesh_reset();
        vmesh_script_refuse_registration(c.k, c.value);
        for (uint32_t i = 0; i < 5; ++i) {
            EXPECT_EQ(MESH_RegIDLFuncHook(i + 1, fake_unpack, fake_free), c.results[i]) << "call " << i + 1;
            VmeshRegistration r;
            EXPECT_EQ(vmesh_lookup(i + 1, &r), c.results[i] == 0 ? 1 : 0);
            ASSERT_EQ(vmesh_registration(i, &r), 1);
            EXPECT_EQ(r.result, c.results[i]);
        }
    }
}

TEST_F(VmeshTest, ScriptedResultsAreReturnedAndResetRestoresDefaults) {
    ASSERT_EQ(MESH_RegIDLFuncHook(1, fake_unpack, fake_free), 0u);
    uint8_t d[1] = {1};
    MeshMsgBuf entry = {d, 1, 1};
    for (uint32_t value : {5u, 0xFFFFFFFFu, 0u}) {
        vmesh_script_send_result(value);
        EXPECT_EQ(MESH_SendMsg(0, &entry, 1), value);
        EXPECT_EQ(MESH_SendToMsg(0, &entry, 1, 3), value);
    }
    vmesh_script_clean_result(4);
    EXPECT_EQ(MESH_RegIDLResorceCleanFuncHook(fake_clean), 4u);
    ASSERT_EQ(vmesh_clean_registration_count(), 1u);
    EXPECT_EQ(vmesh_clean_hook(0), fake_clean);
    EXPECT_EQ(vmesh_clean_hook(1), nullptr);

    vmesh_script_send_result(6);
    vmesh_set_loopback(0);
    vmesh_reset();
    EXPECT_EQ(vmesh_send_count(), 0u);
    EXPECT_EQ(vmesh_registration_count(), 0u);
    EXPECT_EQ(vmesh_clean_registration_count(), 0u);
    EXPECT_EQ(vmesh_registered_id_count(), 0u);
    EXPECT_EQ(MESH_RegIDLFuncHook(1, fake_unpack, fake_free), 0u);
    EXPECT_EQ(MESH_SendMsg(0, &entry, 1), 0u);
    EXPECT_EQ(vmesh_delivery_count(), 1u) << "loopback must be on again after reset";
    EXPECT_EQ(MESH_RegIDLResorceCleanFuncHook(fake_clean), 0u);
}

uint32_t counting_unpack(const uint8_t *, uint32_t len, void *) { return len; }

TEST_F(VmeshTest, ConcurrentSendsAndRegistrationsAreAllRecorded) {
    constexpr int kThreads = 4, kRounds = 200;
    std::atomic<int> received{0};
    vmesh_set_receiver(
        [](uint32_t, const void *, uint32_t, void *ctx) { static_cast<std::atomic<int> *>(ctx)->fetch_add(1); },
        &received);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            uint8_t d[8] = {};
            MeshMsgBuf entry = {d, static_cast<uint32_t>(t), 8};
            MESH_RegIDLFuncHook(static_cast<uint32_t>(t), counting_unpack, nullptr);
            for (int i = 0; i < kRounds; ++i) MESH_SendMsg(0, &entry, 1);
        });
    }
    for (auto &th : threads) th.join();
    EXPECT_EQ(vmesh_send_count(), uint32_t{kThreads * kRounds});
    EXPECT_EQ(vmesh_registration_count(), uint32_t{kThreads});
    EXPECT_EQ(received.load(), kThreads * kRounds);
}

}  // namespace
