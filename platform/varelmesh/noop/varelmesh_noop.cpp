// Messaging library that accepts everything and does nothing: lets benchmarks
// measure the encoding work alone.
#include <cstdint>

#pragma GCC visibility push(default)
#include "varelmesh.h"
#pragma GCC visibility pop

extern "C" {

uint32_t MESH_SendMsg(uint32_t, MeshMsgBuf*, uint32_t) { return 0; }

uint32_t MESH_SendToMsg(uint32_t, MeshMsgBuf*, uint32_t, uint64_t) { return 0; }

uint32_t MESH_RegIDLFuncHook(uint32_t, MeshUnpackHook, MeshFreeHook) { return 0; }

uint32_t MESH_RegIDLResorceCleanFuncHook(MeshCleanHook) { return 0; }

}  // extern "C"
