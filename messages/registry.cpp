// The package initialisers: every message's unpack and free hooks, registered in catalogue order.
#include "mesh/ids.hpp"
#include "mesh/register.hpp"
#include "messages/kav.h"
#include "messages/kav_sync.h"

namespace {

#define KAV_MSG(name, Type, form)                                                   \
  kav::Registration{kav::fnv1a("kav." #name), reinterpret_cast<MeshUnpackHook>(&kav_##name##__unpack), \
                    reinterpret_cast<MeshFreeHook>(&kav_##name##_free__unpacked)},
const kav::Registration kKav[] = {
#include "messages/kav_lead.def"
#include "messages/kav_records.def"
#include "messages/kav_control.def"
#include "messages/kav_reports.def"
};
#undef KAV_MSG

#define KAV_MSG(name, Type, form)                                                             \
  kav::Registration{kav::fnv1a("kav_sync." #name),                                            \
                    reinterpret_cast<MeshUnpackHook>(&kav_sync_##name##__unpack),             \
                    reinterpret_cast<MeshFreeHook>(&kav_sync_##name##_free__unpacked)},
const kav::Registration kKavSync[] = {
#include "messages/kav_sync.def"
};
#undef KAV_MSG

static_assert(std::size(kKav) == 78 && std::size(kKavSync) == 30);

}  // namespace

extern "C" {
uint32_t kav_recv_init(void) { return kav::register_all(kKav); }
uint32_t kav_sync_recv_init(void) { return kav::register_all(kKavSync); }
void kav__send_resource_clean(void) {}
void kav_sync__send_resource_clean(void) {}
uint32_t kav_send_init(void) { return MESH_RegIDLResorceCleanFuncHook(&kav__send_resource_clean); }
uint32_t kav_sync_send_init(void) { return MESH_RegIDLResorceCleanFuncHook(&kav_sync__send_resource_clean); }
}
