/* Control and inspection interface of the loopback messaging library used by
 * tests and demos. Every function is thread-safe. Pointers handed out by the
 * accessors stay valid until the next vmesh_reset(). */
#ifndef VARELMESH_CONTROL_H
#define VARELMESH_CONTROL_H

#include <stdint.h>

#include "varelmesh.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Called once per delivered entry with the unpacked structure and the unpack hook's result. */
typedef void (*VmeshReceiveFn)(uint32_t msgId, const void* unpacked, uint32_t size, void* ctx);

/* Which send function a recorded call went through. */
#define VMESH_SEND_MSG 0u
#define VMESH_SEND_TO_MSG 1u

/* One recorded MESH_SendMsg / MESH_SendToMsg call. */
typedef struct VmeshSendCall {
  uint32_t function;         /* VMESH_SEND_MSG or VMESH_SEND_TO_MSG */
  uint32_t dest;             /* dest as passed */
  uint32_t count;            /* count as passed */
  uint64_t to;               /* target as passed; 0 for MESH_SendMsg */
  const MeshMsgBuf* entries; /* address of the entries array as passed */
} VmeshSendCall;

/* One entry of a recorded send call. */
typedef struct VmeshSentEntry {
  uint32_t msgId;       /* entry's msgId */
  uint32_t length;      /* entry's length */
  const uint8_t* data;  /* entry's data address as passed (no longer valid memory) */
  const uint8_t* bytes; /* copy of the length bytes at data; null if length is 0 or data was null */
} VmeshSentEntry;

/* One recorded MESH_RegIDLFuncHook call. */
typedef struct VmeshRegistration {
  uint32_t id;           /* message identifier */
  MeshUnpackHook unpack; /* unpack hook as passed */
  MeshFreeHook release;  /* free hook as passed */
  uint32_t result;       /* value returned to the caller (non-zero: refused, nothing registered) */
} VmeshRegistration;

/* Forgets registrations, recordings, scripts and the receiver; loopback back on. */
void vmesh_reset(void);
/* Turns loopback delivery on (non-zero) or off (0); sends are recorded either way. */
void vmesh_set_loopback(int on);
/* Sets the receiver called for each delivered entry (null: none). */
void vmesh_set_receiver(VmeshReceiveFn fn, void* ctx);

/* The k-th MESH_RegIDLFuncHook call from now (1-based) returns value and registers nothing; k = 0 cancels. */
void vmesh_script_refuse_registration(uint32_t k, uint32_t value);
/* Every later MESH_SendMsg / MESH_SendToMsg returns value (recording and delivery unchanged). */
void vmesh_script_send_result(uint32_t value);
/* Every later MESH_RegIDLResorceCleanFuncHook returns value (the hook is recorded all the same). */
void vmesh_script_clean_result(uint32_t value);

/* Number of send calls recorded since reset. */
uint32_t vmesh_send_count(void);
/* Fills *out with send call i and returns 1; returns 0 and zeroes *out if there is no call i. */
int vmesh_send_call(uint32_t i, VmeshSendCall* out);
/* Fills *out with entry j of send call i and returns 1; returns 0 and zeroes *out if absent. */
int vmesh_sent_entry(uint32_t i, uint32_t j, VmeshSentEntry* out);
/* Number of entries handed to a registered unpack hook since reset. */
uint32_t vmesh_delivery_count(void);

/* Number of MESH_RegIDLFuncHook calls since reset, refused ones included. */
uint32_t vmesh_registration_count(void);
/* Fills *out with registration call i (in call order) and returns 1; 0 and zeroed *out if absent. */
int vmesh_registration(uint32_t i, VmeshRegistration* out);
/* Fills *out with the hooks currently registered for id (result 0) and returns 1; 0 if none. */
int vmesh_lookup(uint32_t id, VmeshRegistration* out);
/* Number of distinct identifiers currently registered. */
uint32_t vmesh_registered_id_count(void);

/* Number of MESH_RegIDLResorceCleanFuncHook calls since reset. */
uint32_t vmesh_clean_registration_count(void);
/* Clean-up hook passed in call i, or null if there is no call i. */
MeshCleanHook vmesh_clean_hook(uint32_t i);

#ifdef __cplusplus
}
#endif

#endif /* VARELMESH_CONTROL_H */
