/* The messaging library's interface as this library uses it: four calls and the hooks it calls back. */
#ifndef VARELMESH_H
#define VARELMESH_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* One encoded message handed to the library; arrays of it are contiguous. 16 bytes. */
typedef struct MeshMsgBuf {
  uint8_t* data;
  uint32_t msgId;
  uint32_t length;
} MeshMsgBuf;

/* Fills *out from buf and returns the structure's size on every path. */
typedef uint32_t (*MeshUnpackHook)(const uint8_t* buf, uint32_t len, void* out);
/* Releases what the unpack hook attached to *out; a null out is ignored. */
typedef void (*MeshFreeHook)(void* out);
typedef void (*MeshCleanHook)(void);

uint32_t MESH_SendMsg(uint32_t dest, MeshMsgBuf* entries, uint32_t count);
uint32_t MESH_SendToMsg(uint32_t dest, MeshMsgBuf* entries, uint32_t count, uint64_t to);
uint32_t MESH_RegIDLFuncHook(uint32_t id, MeshUnpackHook unpack, MeshFreeHook release);
uint32_t MESH_RegIDLResorceCleanFuncHook(MeshCleanHook clean);

#ifdef __cplusplus
}
#endif

#endif
