/* Messaging library interface: the functions a process uses to hand encoded
 * messages to the mesh and to register the hooks the mesh calls back. */
#ifndef VARELMESH_H
#define VARELMESH_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* One encoded message: its bytes, its 32-bit message identifier and its length. */
typedef struct MeshMsgBuf {
    uint8_t *data;
    uint32_t msgId;
    uint32_t length;
} MeshMsgBuf; /* 16 bytes on 64-bit targets */

/* Turns len bytes at buf into a message structure at out; returns the structure's size. */
typedef uint32_t (*MeshUnpackHook)(const uint8_t *buf, uint32_t len, void *out);
/* Releases what the unpack hook attached to out. */
typedef void (*MeshFreeHook)(void *out);
/* Releases a sender's resources. */
typedef void (*MeshCleanHook)(void);

/* Sends count entries to dest. */
uint32_t MESH_SendMsg(uint32_t dest, MeshMsgBuf *entries, uint32_t count);
/* Sends count entries to dest, addressed to the target to. */
uint32_t MESH_SendToMsg(uint32_t dest, MeshMsgBuf *entries, uint32_t count, uint64_t to);
/* Registers the unpack and free hooks of message identifier id; 0 means registered. */
uint32_t MESH_RegIDLFuncHook(uint32_t id, MeshUnpackHook unpack, MeshFreeHook release);
/* Registers a sender's clean-up hook. */
uint32_t MESH_RegIDLResorceCleanFuncHook(MeshCleanHook clean);

#ifdef __cplusplus
}
#endif

#endif /* VARELMESH_H */
