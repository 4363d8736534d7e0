// The package initialisers: every message's unpack and free hooks, registered in catalogue order.
#include <array>

#include "mesh/register.hpp"
#include "messages/descriptors.hpp"

namespace {

// Built on each call: the initialisers run once at start-up, and the library keeps no tables
// that would need constructing when it is loaded.
template <class List>
std::array<kav::Registration, kav::catalogue::message_count(List{})> registrations() {
  std::array<kav::Registration, kav::catalogue::message_count(List{})> table{};
  std::size_t i = 0;
  kav::catalogue::for_each_message(List{}, [&]<class M>() {
    // The hooks take untyped structure pointers; the library calls them with the right type.
    table[i++] = {M::id, reinterpret_cast<MeshUnpackHook>(M::unpack_fn), reinterpret_cast<MeshFreeHook>(M::free_fn)};
  });
  return table;
}

}  // namespace

extern "C" {
uint32_t kav_recv_init(void) { return kav::register_all(registrations<kav::catalogue::kav_messages>()); }
uint32_t kav_sync_recv_init(void) { return kav::register_all(registrations<kav::catalogue::kav_sync_messages>()); }
void kav__send_resource_clean(void) {}
void kav_sync__send_resource_clean(void) {}
uint32_t kav_send_init(void) { return MESH_RegIDLResorceCleanFuncHook(&kav__send_resource_clean); }
uint32_t kav_sync_send_init(void) { return MESH_RegIDLResorceCleanFuncHook(&kav_sync__send_resource_clean); }
}
