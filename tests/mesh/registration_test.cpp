// Registration of the receive hooks under the FNV-1a identifiers of the wire names, the send-side
// initialisers, and every message of both packages travelling through the loopback.
#include <dlfcn.h>

#include <functional>
#include <random>
#include <set>

#include "messages/descriptors.hpp"
#include "mesh_support.hpp"
#include "tests/support/structures.hpp"

namespace {

using namespace meshtest;

// Registration order of kav, as wire names without the package.
const std::vector<std::string> kKavOrder = {
    "pid_state", "smooth",
    "host", "host_update", "host_delete",
    "srcaddr", "srcaddr_update", "srcaddr_delete",
    "srcaddrv6", "srcaddrv6_update", "srcaddrv6_delete",
    "ifsamplecfg", "ifsamplecfg_update", "ifsamplecfg_delete",
    "ifsamplerate", "ifsamplerate_update", "ifsamplerate_delete",
    "globalsamplerate", "globalsamplerate_update", "globalsamplerate_delete",
    "monitorcfg", "monitorcfg_update", "monitorcfg_delete",
    "ifindexswitch", "ifindexswitch_update", "ifindexswitch_delete",
    "globalcfg", "globalcfg_update", "globalcfg_delete",
    "globaltmpcfg", "globaltmpcfg_update", "globaltmpcfg_delete",
    "templateflow", "templateflow_update", "templateflow_delete",
    "recordcfg", "recordcfg_update", "recordcfg_delete",
    "queenable", "queenable_update", "queenable_delete",
    "extenable", "extenable_update", "extenable_delete",
    "intsamplerate", "intsamplerate_update", "intsamplerate_delete",
    "ethlen", "ethlen_update", "ethlen_delete",
    "pid_state_chg", "cachelog", "cachelog_update", "cachelog_delete",
    "smooth_begin_msg", "smooth_end_msg", "resetcache", "resetcache_update",
    "resetstat", "resetstat_update",
    "ot_dstaddr", "ot_ethlen", "ot_flexrecord", "ot_flextemplate", "ot_patch_res",
    "ot_globaldata", "ot_ifindexswitch", "ot_mainifsamplerate", "ot_monitorcfg",
    "ot_samplecfg", "ot_samplerate", "ot_srcaddr", "ot_tmptimeout", "ot_globalsamplerate",
    "ot_queenable", "ot_extenable", "ot_cachelog", "ot_cachelocalmsg"};

const std::vector<std::string> kSyncOrder = {
    "host_update", "host_delete", "srcaddr_update", "srcaddr_delete",
    "srcaddrv6_update", "srcaddrv6_delete", "ifsamplecfg_update", "ifsamplecfg_delete",
    "ifsamplerate_update", "ifsamplerate_delete", "monitorcfg_update", "monitorcfg_delete",
    "ifindexswitch_update", "ifindexswitch_delete", "queenable_update", "queenable_delete",
    "globalcfg_update", "globalcfg_delete", "globaltmpcfg_update", "globaltmpcfg_delete",
    "templateflow_update", "templateflow_delete", "recordcfg_update", "recordcfg_delete",
    "intsamplerate_update", "intsamplerate_delete", "ethlen_update", "ethlen_delete",
    "resetcache_update", "resetstat_update"};

struct Package {
  const char* name;
  const std::vector<std::string>* order;
  u32 (*recv_init)();
  u32 (*send_init)();
  void (*clean)();
};
const Package kPackages[] = {
    {"kav", &kKavOrder, &kav_recv_init, &kav_send_init, &kav__send_resource_clean},
    {"kav_sync", &kSyncOrder, &kav_sync_recv_init, &kav_sync_send_init, &kav_sync__send_resource_clean},
};

void* exported(const std::string& symbol) {
  void* p = dlsym(RTLD_DEFAULT, symbol.c_str());
  EXPECT_NE(p, nullptr) << symbol;
  return p;
}

TEST(Registration, IdentifierRuleMatchesKnownValues) {
  EXPECT_EQ(fnv1a("a"), 0xE40C292Cu);
  EXPECT_EQ(fnv1a(""), 2166136261u);
  EXPECT_EQ(fnv1a("foobar"), 0xBF9CF968u);  // published test vector
}

TEST(Registration, EveryMessageInOrderWithItsHooks) {
  std::set<u32> ids;
  for (const Package& p : kPackages) {
    SCOPED_TRACE(p.name);
    fresh();
    EXPECT_EQ(p.recv_init(), 0u);
    const auto& order = *p.order;
    ASSERT_EQ(vmesh_registration_count(), order.size());
    for (u32 i = 0; i < order.size(); ++i) {
      SCOPED_TRACE(order[i]);
      const std::string symbol = std::string(p.name) + "_" + order[i];
      VmeshRegistration r{};
      ASSERT_EQ(vmesh_registration(i, &r), 1);
      EXPECT_EQ(r.id, fnv1a(std::string(p.name) + "." + order[i]));
      EXPECT_EQ(reinterpret_cast<void*>(r.unpack), exported(symbol + "__unpack"));
      EXPECT_EQ(reinterpret_cast<void*>(r.release), exported(symbol + "_free__unpacked"));
      ids.insert(r.id);
    }
  }
  EXPECT_EQ(ids.size(), 108u) << "identifiers are distinct";
}

TEST(Registration, FirstRefusalStopsTheInitialiser) {
  const std::pair<const Package*, std::vector<std::string>> rows[] = {
      {&kPackages[0], {"kav.pid_state", "kav.smooth", "kav.host"}},
      {&kPackages[1], {"kav_sync.host_update", "kav_sync.host_delete", "kav_sync.srcaddr_update"}},
  };
  for (const auto& [p, attempted] : rows) {
    SCOPED_TRACE(p->name);
    fresh();
    vmesh_script_refuse_registration(3, 7);
    EXPECT_EQ(p->recv_init(), 7u);
    ASSERT_EQ(vmesh_registration_count(), 3u);
    for (u32 i = 0; i < 3; ++i) {
      VmeshRegistration r{};
      vmesh_registration(i, &r);
      EXPECT_EQ(r.id, fnv1a(attempted[i]));
    }
    EXPECT_EQ(vmesh_registered_id_count(), 2u) << "earlier registrations stay";
  }
}

TEST(Registration, SendInitialiserRegistersTheCleanUpHook) {
  for (const Package& p : kPackages) {
    for (u32 result : {0u, 9u, kAllOnes}) {
      SCOPED_TRACE(std::string(p.name) + " " + std::to_string(result));
      fresh();
      vmesh_script_clean_result(result);
      EXPECT_EQ(p.send_init(), result);
      ASSERT_EQ(vmesh_clean_registration_count(), 1u);
      EXPECT_EQ(reinterpret_cast<void*>(vmesh_clean_hook(0)), reinterpret_cast<void*>(p.clean));
      EXPECT_EQ(vmesh_registration_count(), 0u);
      p.clean();
      p.clean();
      EXPECT_EQ(vmesh_send_count() + osal_host_mem_event_count() + osal_host_log_count(), 0u);
    }
  }
}

// Every message, sent alone and in a batch of three, arrives at its registered unpack hook and
// reads back as the structure that was sent.
struct Expectation {
  u32 id = 0;
  u32 size = 0;
  std::function<std::string(const void*, u32)> check;  // difference from the k-th sent message
  u32 received = 0;
  std::vector<std::string> faults;
};

TEST(Registration, LoopbackDeliversEveryMessageIntact) {
  fresh();
  ASSERT_EQ(kav_recv_init(), 0u);
  ASSERT_EQ(kav_sync_recv_init(), 0u);
  std::mt19937_64 rng(20240611);
  u32 messages = 0;
  auto each = [&]<class M>() {
    using T = typename M::type;
    SCOPED_TRACE(M::full_name);
    ++messages;
    for (u32 trial = 0; trial < 6; ++trial) {
      kav::test::Arena arena;
      T msgs[3];
      for (T& m : msgs) m = kav::test::random_structure<T>(rng, arena);
      Expectation e;
      e.id = fnv1a(M::wire_name);
      e.size = sizeof(T);
      e.check = [&msgs](const void* got, u32 k) {
        return k < 3 ? kav::test::difference(*static_cast<const T*>(got), msgs[k]) : "extra delivery";
      };
      vmesh_set_receiver(
          [](u32 id, const void* got, u32 size, void* ctx) {
            auto* x = static_cast<Expectation*>(ctx);
            const u32 k = x->received++ % 3;  // single send: message 0, then the batch 0, 1, 2
            if (id != x->id || size != x->size) x->faults.push_back("id or size");
            const std::string d = x->check(got, k);
            if (!d.empty()) x->faults.push_back("message " + std::to_string(k) + ": " + d);
          },
          &e);
      const u32 before = osal_host_live_blocks();
      ASSERT_EQ(M::sendsingle_fn(1, &msgs[0], 0, 0), 0u);
      ASSERT_EQ(e.received, 1u);
      e.received = 3;  // the batch starts again at message 0
      ASSERT_EQ(M::sendmsg_fn(1, msgs, 3), 0u);
      EXPECT_EQ(e.received, 6u);
      EXPECT_EQ(e.faults, std::vector<std::string>{});
      EXPECT_EQ(osal_host_live_blocks(), before) << "received items are released by the free hook";
    }
  };
  kav::catalogue::for_each_message(kav::catalogue::kav_messages{}, each);
  kav::catalogue::for_each_message(kav::catalogue::kav_sync_messages{}, each);
  EXPECT_EQ(messages, 108u);
  vmesh_set_receiver(nullptr, nullptr);
}

}  // namespace
