/* kav: message structures and codec entry points of the kav package. */
#ifndef KAV_H
#define KAV_H

#include <stdint.h>

/* Version of the library these declarations belong to. */
#define KAV_VERSION_MAJOR 1
#define KAV_VERSION_MINOR 0
#define KAV_VERSION_PATCH 0
#define KAV_VERSION_STRING "1.0.0"

#ifndef KAV_API
#define KAV_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Every message <m> has seven entry points. All results are uint32_t;
 * "all-ones" is 0xFFFFFFFF. Log lines go to the host's log writer (see
 * kav_osal.h), always with level 2 and code 22 (bad argument or malformed
 * buffer) or 12 (out of memory), the text starting "[KESMO]:".
 *
 *   <m>__pack(msg, buf, len)
 *       Encodes *msg into buf in the compact layout. *len is the capacity
 *       of buf on entry and the encoded size after a 0 result.
 *         - msg or len null, or the size beyond 32 bits: all-ones.
 *         - capacity below the encoded size: all-ones, *len and buf
 *           untouched (a capacity of 0 is no size query).
 *         - size query: buf null and a capacity of at least the size
 *           (0xFFFFFFFF will do): 0, *len set to the size, nothing written,
 *           and one log line "Param invalid(null, <capacity>, nonNull)"
 *           under "<m>_pack".
 *         - otherwise: 0, exactly *len bytes written.
 *       A list with a non-zero n_fieldK must have its fieldK set.
 *   <m>__unpack(buf, len, out)
 *       Decodes buf into *out and returns sizeof(*out) on every path, so
 *       the result never tells success from failure.
 *         - buf or out null, or len below 4 (read as a signed 32-bit
 *           value): one log line, *out untouched.
 *         - a bad root header: one log line. *out is left untouched by the
 *           messages decoded in place and zeroed by the others, so clear
 *           *out before the call if it is read afterwards.
 *         - a field that fails its checks: no log line; the fields before
 *           it are kept, the rest are zero; a list being decoded is
 *           released (fieldK null, n_fieldK kept). Test fieldK for null
 *           before using n_fieldK.
 *         - no memory for a list: one log line (code 12), fieldK null.
 *   <m>_free__unpacked(msg)
 *       Releases the item array that unpack attached to an _update or
 *       _delete list and sets fieldK to null, so a second call is harmless;
 *       *msg itself stays with the caller. Does nothing for a message
 *       without a list or for a null msg.
 *   <m>__sendsingle(dest, msg, reserved, to)
 *       Encodes *msg and makes one call into the messaging library:
 *       MESH_SendToMsg with target `to` when it is non-zero, otherwise
 *       MESH_SendMsg. Returns the library's result unchanged; all-ones,
 *       with no call, for a null msg or when memory runs out. `reserved`
 *       is never read.
 *   <m>__sendbatch(dest, msgs, count, to)
 *       Encodes msgs[0..count-1] into one allocation and hands them all
 *       over in one call (target as above); returns the library's result.
 *       Count 0 is not refused: it still allocates (0 bytes, or 64 KiB
 *       for a message with a list) and, if the allocator returns a block,
 *       calls the library with count 0 and returns its result. All-ones
 *       with no call: msgs null with a non-zero count, no memory, a count
 *       whose batch would pass 4 GiB, or, for a message with a list,
 *       encodings of more than 64 KiB in total.
 *   <m>__sendmsg(dest, msgs, count)
 *   <m>__sendtomsg(dest, msgs, count, to)
 *       Count 0: all-ones, nothing allocated, no call. Count 1: as
 *       __sendsingle (__sendmsg never passes a target). More: as
 *       __sendbatch.
 *   Send functions write no log lines and never interpret the library's
 *   result; the library must be done with the bytes when its call returns.
 *
 * Ownership: structures, buffers and message arrays belong to the caller
 * and are only read, except the structure unpack fills. The only memory
 * the library hands out is a list's item array, owned by the unpacked
 * structure until its free function runs. Send functions release their
 * working memory before they return.
 *
 * Threads: every function may be called from any thread at any time. The
 * library starts no thread; its only shared state is the one-time lookup
 * of the host's services. Two threads must not use the same structure or
 * buffer while one of them writes it.
 *
 * Structures are plain data: member fieldK is the field in wire slot K. A
 * list in slot K is the pair n_fieldK (count) and fieldK (records). Sizes
 * in the comments below are those of the LP64 layout.
 */

/* ---- Control messages -------------------------------------------------- */

/* 12 bytes */
typedef struct kav_pid_state {
  uint32_t field0;
  uint32_t field1;
  uint32_t field2;
} kav_pid_state;

/* 8 bytes */
typedef struct kav_smooth {
  uint32_t field0;
  uint32_t field1;
} kav_smooth;

/* 16 bytes; 2 bytes of padding after field0 */
typedef struct kav_pid_state_chg {
  uint16_t field0;
  kav_pid_state field1;
} kav_pid_state_chg;

/* 12 bytes */
typedef struct kav_smooth_begin_msg {
  uint32_t field0;
  kav_smooth field1;
} kav_smooth_begin_msg;

/* 12 bytes */
typedef struct kav_smooth_end_msg {
  uint32_t field0;
  kav_smooth field1;
} kav_smooth_end_msg;

/* 20 bytes */
typedef struct kav_resetcache {
  uint32_t field0;
  uint32_t field1;
  uint32_t field2;
  uint32_t field3;
  uint32_t field4;
} kav_resetcache;

/* field0 beside n_field1 kav_resetcache records; 16 bytes */
typedef struct kav_resetcache_update {
  uint32_t field0;
  uint32_t n_field1;
  kav_resetcache* field1;
} kav_resetcache_update;

/* 24 bytes */
typedef struct kav_resetstat {
  uint32_t field0;
  uint32_t field1;
  uint32_t field2;
  uint32_t field3;
  uint32_t field4;
  uint32_t field5;
} kav_resetstat;

/* field0 beside n_field1 kav_resetstat records; 16 bytes */
typedef struct kav_resetstat_update {
  uint32_t field0;
  uint32_t n_field1;
  kav_resetstat* field1;
} kav_resetstat_update;

/*
 * Each configuration record kav_<r> is a message of its own and the item of
 * two lists, kav_<r>_update and kav_<r>_delete: field0 travels beside
 * n_field1 records at field1. Lists are 16 bytes; the record size given is
 * also the stride of field1.
 */

/* ---- Address records --------------------------------------------------- */

/* 56 bytes */
typedef struct kav_host {
  uint32_t field0;
  uint32_t field1;
  uint32_t field2;
  uint16_t field3;
  uint16_t field4;
  uint32_t field5;
  uint32_t field6;
  uint8_t field7[16];
  uint8_t field8;
  uint8_t field9;
  uint8_t field10;
  uint8_t field11;
  uint32_t field12;
  uint8_t field13[6];
} kav_host;

typedef struct kav_host_update {
  uint32_t field0;
  uint32_t n_field1;
  kav_host* field1;
} kav_host_update;

typedef struct kav_host_delete {
  uint32_t field0;
  uint32_t n_field1;
  kav_host* field1;
} kav_host_delete;

/* 16 bytes */
typedef struct kav_srcaddr {
  uint32_t field0;
  uint32_t field1;
  uint16_t field2;
  uint8_t field3;
  uint8_t field4;
  uint32_t field5;
} kav_srcaddr;

typedef struct kav_srcaddr_update {
  uint32_t field0;
  uint32_t n_field1;
  kav_srcaddr* field1;
} kav_srcaddr_update;

typedef struct kav_srcaddr_delete {
  uint32_t field0;
  uint32_t n_field1;
  kav_srcaddr* field1;
} kav_srcaddr_delete;

/* 28 bytes */
typedef struct kav_srcaddrv6 {
  uint32_t field0;
  uint32_t field1;
  uint16_t field2;
  uint8_t field3;
  uint8_t field4;
  uint8_t field5[16];
} kav_srcaddrv6;

typedef struct kav_srcaddrv6_update {
  uint32_t field0;
  uint32_t n_field1;
  kav_srcaddrv6* field1;
} kav_srcaddrv6_update;

typedef struct kav_srcaddrv6_delete {
  uint32_t field0;
  uint32_t n_field1;
  kav_srcaddrv6* field1;
} kav_srcaddrv6_delete;

/* ---- Sampling records -------------------------------------------------- */

/* 28 bytes */
typedef struct kav_ifsamplecfg {
  uint32_t field0;
  uint32_t field1;
  uint32_t field2;
  uint8_t field3;
  uint8_t field4;
  uint8_t field5;
  uint8_t field6;
  uint8_t field7;
  uint8_t field8;
  uint16_t field9;
  uint32_t field10;
  uint32_t field11;
} kav_ifsamplecfg;

typedef struct kav_ifsamplecfg_update {
  uint32_t field0;
  uint32_t n_field1;
  kav_ifsamplecfg* field1;
} kav_ifsamplecfg_update;

typedef struct kav_ifsamplecfg_delete {
  uint32_t field0;
  uint32_t n_field1;
  kav_ifsamplecfg* field1;
} kav_ifsamplecfg_delete;

/* 20 bytes */
typedef struct kav_ifsamplerate {
  uint32_t field0;
  uint32_t field1;
  uint32_t field2;
  uint32_t field3;
  uint8_t field4;
} kav_ifsamplerate;

typedef struct kav_ifsamplerate_update {
  uint32_t field0;
  uint32_t n_field1;
  kav_ifsamplerate* field1;
} kav_ifsamplerate_update;

typedef struct kav_ifsamplerate_delete {
  uint32_t field0;
  uint32_t n_field1;
  kav_ifsamplerate* field1;
} kav_ifsamplerate_delete;

/* 16 bytes */
typedef struct kav_globalsamplerate {
  uint32_t field0;
  uint8_t field1;
  uint8_t field2;
  uint32_t field3;
  uint32_t field4;
} kav_globalsamplerate;

typedef struct kav_globalsamplerate_update {
  uint32_t field0;
  uint32_t n_field1;
  kav_globalsamplerate* field1;
} kav_globalsamplerate_update;

typedef struct kav_globalsamplerate_delete {
  uint32_t field0;
  uint32_t n_field1;
  kav_globalsamplerate* field1;
} kav_globalsamplerate_delete;

/* 28 bytes */
typedef struct kav_intsamplerate {
  uint32_t field0;
  uint32_t field1;
  uint32_t field2;
  uint32_t field3;
  uint32_t field4;
  uint8_t field5;
  uint8_t field6;
  uint8_t field7;
  uint8_t field8;
  uint8_t field9;
} kav_intsamplerate;

typedef struct kav_intsamplerate_update {
  uint32_t field0;
  uint32_t n_field1;
  kav_intsamplerate* field1;
} kav_intsamplerate_update;

typedef struct kav_intsamplerate_delete {
  uint32_t field0;
  uint32_t n_field1;
  kav_intsamplerate* field1;
} kav_intsamplerate_delete;

/* ---- Monitor records --------------------------------------------------- */

/* 48 bytes */
typedef struct kav_monitorcfg {
  uint32_t field0;
  uint32_t field1;
  uint8_t field2;
  uint8_t field3;
  uint8_t field4;
  uint8_t field5;
  uint32_t field6;
  uint32_t field7;
  uint32_t field8;
  uint32_t field9;
  uint32_t field10;
  uint32_t field11;
  uint8_t field12;
  uint8_t field13;
  uint8_t field14;
  uint8_t field15;
  uint32_t field16;
  uint32_t field17;
} kav_monitorcfg;

typedef struct kav_monitorcfg_update {
  uint32_t field0;
  uint32_t n_field1;
  kav_monitorcfg* field1;
} kav_monitorcfg_update;

typedef struct kav_monitorcfg_delete {
  uint32_t field0;
  uint32_t n_field1;
  kav_monitorcfg* field1;
} kav_monitorcfg_delete;

/* 12 bytes */
typedef struct kav_ifindexswitch {
  uint32_t field0;
  uint32_t field1;
  uint32_t field2;
} kav_ifindexswitch;

typedef struct kav_ifindexswitch_update {
  uint32_t field0;
  uint32_t n_field1;
  kav_ifindexswitch* field1;
} kav_ifindexswitch_update;

typedef struct kav_ifindexswitch_delete {
  uint32_t field0;
  uint32_t n_field1;
  kav_ifindexswitch* field1;
} kav_ifindexswitch_delete;

/* 56 bytes */
typedef struct kav_globalcfg {
  uint32_t field0;
  uint32_t field1;
  uint32_t field2;
  uint32_t field3;
  uint32_t field4;
  uint32_t field5;
  uint32_t field6;
  uint32_t field7;
  uint32_t field8;
  uint32_t field9;
  uint32_t field10;
  uint32_t field11;
  uint32_t field12;
  uint8_t field13;
  uint8_t field14;
  uint16_t field15;
} kav_globalcfg;

typedef struct kav_globalcfg_update {
  uint32_t field0;
  uint32_t n_field1;
  kav_globalcfg* field1;
} kav_globalcfg_update;

typedef struct kav_globalcfg_delete {
  uint32_t field0;
  uint32_t n_field1;
  kav_globalcfg* field1;
} kav_globalcfg_delete;

/* 16 bytes */
typedef struct kav_globaltmpcfg {
  uint32_t field0;
  uint32_t field1;
  uint32_t field2;
  uint16_t field3;
  uint8_t field4;
  uint8_t field5;
} kav_globaltmpcfg;

typedef struct kav_globaltmpcfg_update {
  uint32_t field0;
  uint32_t n_field1;
  kav_globaltmpcfg* field1;
} kav_globaltmpcfg_update;

typedef struct kav_globaltmpcfg_delete {
  uint32_t field0;
  uint32_t n_field1;
  kav_globaltmpcfg* field1;
} kav_globaltmpcfg_delete;

/* ---- Template records -------------------------------------------------- */

/* element of kav_templateflow.field9; 4 bytes */
typedef struct kav_templateflow_entry {
  uint16_t field0;
  uint8_t field1;
  uint8_t field2;
} kav_templateflow_entry;

/* 188 bytes; field9 always holds all 42 entries */
typedef struct kav_templateflow {
  uint32_t field0;
  uint32_t field1;
  uint8_t field2;
  uint8_t field3;
  uint16_t field4;
  uint16_t field5;
  uint16_t field6;
  uint16_t field7;
  uint16_t field8;
  kav_templateflow_entry field9[42];
} kav_templateflow;

typedef struct kav_templateflow_update {
  uint32_t field0;
  uint32_t n_field1;
  kav_templateflow* field1;
} kav_templateflow_update;

typedef struct kav_templateflow_delete {
  uint32_t field0;
  uint32_t n_field1;
  kav_templateflow* field1;
} kav_templateflow_delete;

/* 48 bytes */
typedef struct kav_recordcfg {
  uint32_t field0;
  uint8_t field1;
  uint8_t field2;
  uint8_t field3;
  uint8_t field4;
  uint8_t field5;
  uint8_t field6;
  uint8_t field7;
  uint8_t field8;
  uint8_t field9;
  uint8_t field10;
  uint8_t field11;
  uint8_t field12;
  uint8_t field13;
  uint8_t field14;
  uint8_t field15;
  uint8_t field16;
  uint8_t field17;
  uint8_t field18;
  uint8_t field19;
  uint8_t field20;
  uint8_t field21;
  uint8_t field22;
  uint8_t field23;
  uint8_t field24;
  uint8_t field25;
  uint8_t field26;
  uint8_t field27;
  uint8_t field28;
  uint8_t field29;
  uint8_t field30;
  uint32_t field31;
  uint8_t field32;
  uint8_t field33;
  uint8_t field34;
  uint8_t field35;
  uint8_t field36;
  uint8_t field37;
  uint8_t field38;
} kav_recordcfg;

typedef struct kav_recordcfg_update {
  uint32_t field0;
  uint32_t n_field1;
  kav_recordcfg* field1;
} kav_recordcfg_update;

typedef struct kav_recordcfg_delete {
  uint32_t field0;
  uint32_t n_field1;
  kav_recordcfg* field1;
} kav_recordcfg_delete;

/* ---- Switch records ---------------------------------------------------- */

/* 8 bytes */
typedef struct kav_queenable {
  uint32_t field0;
  uint8_t field1;
} kav_queenable;

typedef struct kav_queenable_update {
  uint32_t field0;
  uint32_t n_field1;
  kav_queenable* field1;
} kav_queenable_update;

typedef struct kav_queenable_delete {
  uint32_t field0;
  uint32_t n_field1;
  kav_queenable* field1;
} kav_queenable_delete;

/* 8 bytes */
typedef struct kav_extenable {
  uint32_t field0;
  uint8_t field1;
} kav_extenable;

typedef struct kav_extenable_update {
  uint32_t field0;
  uint32_t n_field1;
  kav_extenable* field1;
} kav_extenable_update;

typedef struct kav_extenable_delete {
  uint32_t field0;
  uint32_t n_field1;
  kav_extenable* field1;
} kav_extenable_delete;

/* 8 bytes */
typedef struct kav_ethlen {
  uint32_t field0;
  uint32_t field1;
} kav_ethlen;

typedef struct kav_ethlen_update {
  uint32_t field0;
  uint32_t n_field1;
  kav_ethlen* field1;
} kav_ethlen_update;

typedef struct kav_ethlen_delete {
  uint32_t field0;
  uint32_t n_field1;
  kav_ethlen* field1;
} kav_ethlen_delete;

/* 76 bytes */
typedef struct kav_cachelog {
  uint32_t field0;
  uint32_t field1;
  uint32_t field2;
  uint8_t field3[64];
} kav_cachelog;

typedef struct kav_cachelog_update {
  uint32_t field0;
  uint32_t n_field1;
  kav_cachelog* field1;
} kav_cachelog_update;

typedef struct kav_cachelog_delete {
  uint32_t field0;
  uint32_t n_field1;
  kav_cachelog* field1;
} kav_cachelog_delete;

/* ---- Reports ----------------------------------------------------------- */

/* Flat report messages: unpacking writes into *out and allocates nothing. */

/* 40 bytes */
typedef struct kav_ot_dstaddr {
  uint32_t field0;
  uint8_t field1;
  uint16_t field2;
  uint8_t field3;
  uint32_t field4;
  uint16_t field5;
  uint8_t field6;
  uint32_t field7;
  uint8_t field8[16];
} kav_ot_dstaddr;

/* 8 bytes */
typedef struct kav_ot_ethlen {
  uint32_t field0;
  uint32_t field1;
} kav_ot_ethlen;

/* 48 bytes */
typedef struct kav_ot_flexrecord {
  uint32_t field0;
  uint8_t field1;
  uint8_t field2;
  uint32_t field3;
  uint8_t field4;
  uint8_t field5;
  uint8_t field6;
  uint8_t field7;
  uint8_t field8;
  uint8_t field9;
  uint8_t field10;
  uint8_t field11;
  uint8_t field12;
  uint8_t field13;
  uint8_t field14;
  uint8_t field15;
  uint8_t field16;
  uint8_t field17;
  uint8_t field18;
  uint8_t field19;
  uint8_t field20;
  uint8_t field21;
  uint8_t field22;
  uint8_t field23;
  uint8_t field24;
  uint8_t field25;
  uint8_t field26;
  uint8_t field27;
  uint8_t field28;
  uint8_t field29;
  uint8_t field30;
  uint8_t field31;
  uint8_t field32;
  uint8_t field33;
  uint8_t field34;
  uint8_t field35;
  uint8_t field36;
} kav_ot_flexrecord;

/* 184 bytes */
typedef struct kav_ot_flextemplate {
  uint32_t field0;
  uint8_t field1;
  uint8_t field2;
  uint16_t field3;
  uint16_t field4;
  uint16_t field5;
  uint16_t field6;
  uint16_t field7[42];
  uint8_t field8[42];
  uint8_t field9[42];
} kav_ot_flextemplate;

/* 40 bytes */
typedef struct kav_ot_patch_res {
  uint32_t field0;
  uint32_t field1;
  uint32_t field2;
  uint32_t field3;
  uint32_t field4;
  uint32_t field5;
  uint32_t field6;
  uint32_t field7;
  uint32_t field8;
  uint32_t field9;
} kav_ot_patch_res;

/* 36 bytes */
typedef struct kav_ot_globaldata {
  uint32_t field0;
  uint8_t field1;
  uint32_t field2;
  uint32_t field3;
  uint32_t field4;
  uint32_t field5;
  uint32_t field6;
  uint32_t field7;
  uint32_t field8;
} kav_ot_globaldata;

/* 12 bytes */
typedef struct kav_ot_ifindexswitch {
  uint32_t field0;
  uint32_t field1;
  uint32_t field2;
} kav_ot_ifindexswitch;

/* 24 bytes */
typedef struct kav_ot_mainifsamplerate {
  uint32_t field0;
  uint32_t field1;
  uint8_t field2;
  uint8_t field3;
  uint32_t field4;
  uint32_t field5;
  uint32_t field6;
} kav_ot_mainifsamplerate;

/* 24 bytes */
typedef struct kav_ot_monitorcfg {
  uint32_t field0;
  uint32_t field1;
  uint32_t field2;
  uint32_t field3;
  uint32_t field4;
  uint32_t field5;
} kav_ot_monitorcfg;

/* 20 bytes */
typedef struct kav_ot_samplecfg {
  uint32_t field0;
  uint32_t field1;
  uint8_t field2;
  uint8_t field3;
  uint8_t field4;
  uint32_t field5;
  uint32_t field6;
} kav_ot_samplecfg;

/* 20 bytes */
typedef struct kav_ot_samplerate {
  uint32_t field0;
  uint32_t field1;
  uint32_t field2;
  uint32_t field3;
  uint8_t field4;
} kav_ot_samplerate;

/* 28 bytes */
typedef struct kav_ot_srcaddr {
  uint32_t field0;
  uint8_t field1;
  uint8_t field2;
  uint16_t field3;
  uint32_t field4;
  uint8_t field5[16];
} kav_ot_srcaddr;

/* 12 bytes */
typedef struct kav_ot_tmptimeout {
  uint32_t field0;
  uint8_t field1;
  uint32_t field2;
} kav_ot_tmptimeout;

/* 16 bytes */
typedef struct kav_ot_globalsamplerate {
  uint32_t field0;
  uint8_t field1;
  uint8_t field2;
  uint32_t field3;
  uint32_t field4;
} kav_ot_globalsamplerate;

/* 8 bytes */
typedef struct kav_ot_queenable {
  uint32_t field0;
  uint8_t field1;
} kav_ot_queenable;

/* 8 bytes */
typedef struct kav_ot_extenable {
  uint32_t field0;
  uint8_t field1;
} kav_ot_extenable;

/* 80 bytes */
typedef struct kav_ot_cachelog {
  uint32_t field0;
  uint32_t field1;
  uint32_t field2;
  uint32_t field3;
  uint8_t field4[64];
} kav_ot_cachelog;

/* 136 bytes */
typedef struct kav_ot_cachelocalmsg {
  uint16_t field0;
  uint16_t field1;
  uint16_t field2;
  uint16_t field3;
  uint16_t field4;
  uint16_t field5;
  uint16_t field6;
  uint16_t field7;
  uint32_t field8;
  uint32_t field9;
  uint32_t field10;
  uint32_t field11;
  uint32_t field12;
  uint32_t field13;
  uint32_t field14;
  uint16_t field15;
  uint16_t field16;
  uint64_t field17;
  uint64_t field18;
  uint32_t field19;
  uint32_t field20;
  uint64_t field21;
  uint8_t field22;
  uint8_t field23;
  uint8_t field24;
  uint8_t field25;
  uint8_t field26[16];
  uint8_t field27[33];
  uint8_t field28[3];
} kav_ot_cachelocalmsg;

/* ---- Entry points ------------------------------------------------------ */

/*
 * KAV_DECLARE_MESSAGE(package, name) declares the seven entry points of the
 * message package_name, whose structure type has the same name, exactly as
 * they are spelled out after the list below.
 */
#define KAV_DECLARE_MESSAGE(pkg, name)                                                                                 \
  KAV_API uint32_t pkg##_##name##__pack(const pkg##_##name* msg, uint8_t* buf, uint32_t* len);                         \
  KAV_API uint32_t pkg##_##name##__unpack(const uint8_t* buf, uint32_t len, pkg##_##name* out);                        \
  KAV_API void pkg##_##name##_free__unpacked(pkg##_##name* msg);                                                       \
  KAV_API uint32_t pkg##_##name##__sendmsg(uint32_t dest, const pkg##_##name* msgs, uint32_t count);                   \
  KAV_API uint32_t pkg##_##name##__sendtomsg(uint32_t dest, const pkg##_##name* msgs, uint32_t count, uint64_t to);    \
  KAV_API uint32_t pkg##_##name##__sendsingle(uint32_t dest, const pkg##_##name* msg, uint64_t reserved, uint64_t to); \
  KAV_API uint32_t pkg##_##name##__sendbatch(uint32_t dest, const pkg##_##name* msgs, uint32_t count, uint64_t to);

/*
 * Every message of the package, in registration order: X(kav, name) for the
 * message kav_name. A program may pass a macro of its own to visit every
 * message. The declarations that follow the list are written from it by
 * tools/gen_prototypes.sh, which the test suite runs to check them.
 */
#define KAV_MESSAGES(X)           \
  X(kav, pid_state)               \
  X(kav, smooth)                  \
  X(kav, host)                    \
  X(kav, host_update)             \
  X(kav, host_delete)             \
  X(kav, srcaddr)                 \
  X(kav, srcaddr_update)          \
  X(kav, srcaddr_delete)          \
  X(kav, srcaddrv6)               \
  X(kav, srcaddrv6_update)        \
  X(kav, srcaddrv6_delete)        \
  X(kav, ifsamplecfg)             \
  X(kav, ifsamplecfg_update)      \
  X(kav, ifsamplecfg_delete)      \
  X(kav, ifsamplerate)            \
  X(kav, ifsamplerate_update)     \
  X(kav, ifsamplerate_delete)     \
  X(kav, globalsamplerate)        \
  X(kav, globalsamplerate_update) \
  X(kav, globalsamplerate_delete) \
  X(kav, monitorcfg)              \
  X(kav, monitorcfg_update)       \
  X(kav, monitorcfg_delete)       \
  X(kav, ifindexswitch)           \
  X(kav, ifindexswitch_update)    \
  X(kav, ifindexswitch_delete)    \
  X(kav, globalcfg)               \
  X(kav, globalcfg_update)        \
  X(kav, globalcfg_delete)        \
  X(kav, globaltmpcfg)            \
  X(kav, globaltmpcfg_update)     \
  X(kav, globaltmpcfg_delete)     \
  X(kav, templateflow)            \
  X(kav, templateflow_update)     \
  X(kav, templateflow_delete)     \
  X(kav, recordcfg)               \
  X(kav, recordcfg_update)        \
  X(kav, recordcfg_delete)        \
  X(kav, queenable)               \
  X(kav, queenable_update)        \
  X(kav, queenable_delete)        \
  X(kav, extenable)               \
  X(kav, extenable_update)        \
  X(kav, extenable_delete)        \
  X(kav, intsamplerate)           \
  X(kav, intsamplerate_update)    \
  X(kav, intsamplerate_delete)    \
  X(kav, ethlen)                  \
  X(kav, ethlen_update)           \
  X(kav, ethlen_delete)           \
  X(kav, pid_state_chg)           \
  X(kav, cachelog)                \
  X(kav, cachelog_update)         \
  X(kav, cachelog_delete)         \
  X(kav, smooth_begin_msg)        \
  X(kav, smooth_end_msg)          \
  X(kav, resetcache)              \
  X(kav, resetcache_update)       \
  X(kav, resetstat)               \
  X(kav, resetstat_update)        \
  X(kav, ot_dstaddr)              \
  X(kav, ot_ethlen)               \
  X(kav, ot_flexrecord)           \
  X(kav, ot_flextemplate)         \
  X(kav, ot_patch_res)            \
  X(kav, ot_globaldata)           \
  X(kav, ot_ifindexswitch)        \
  X(kav, ot_mainifsamplerate)     \
  X(kav, ot_monitorcfg)           \
  X(kav, ot_samplecfg)            \
  X(kav, ot_samplerate)           \
  X(kav, ot_srcaddr)              \
  X(kav, ot_tmptimeout)           \
  X(kav, ot_globalsamplerate)     \
  X(kav, ot_queenable)            \
  X(kav, ot_extenable)            \
  X(kav, ot_cachelog)             \
  X(kav, ot_cachelocalmsg)

/* ---- Declarations generated from the list above by tools/gen_prototypes.sh ---- */
/* clang-format off */

KAV_API uint32_t kav_pid_state__pack(const kav_pid_state* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_pid_state__unpack(const uint8_t* buf, uint32_t len, kav_pid_state* out);
KAV_API void kav_pid_state_free__unpacked(kav_pid_state* msg);
KAV_API uint32_t kav_pid_state__sendmsg(uint32_t dest, const kav_pid_state* msgs, uint32_t count);
KAV_API uint32_t kav_pid_state__sendtomsg(uint32_t dest, const kav_pid_state* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_pid_state__sendsingle(uint32_t dest, const kav_pid_state* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_pid_state__sendbatch(uint32_t dest, const kav_pid_state* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_smooth__pack(const kav_smooth* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_smooth__unpack(const uint8_t* buf, uint32_t len, kav_smooth* out);
KAV_API void kav_smooth_free__unpacked(kav_smooth* msg);
KAV_API uint32_t kav_smooth__sendmsg(uint32_t dest, const kav_smooth* msgs, uint32_t count);
KAV_API uint32_t kav_smooth__sendtomsg(uint32_t dest, const kav_smooth* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_smooth__sendsingle(uint32_t dest, const kav_smooth* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_smooth__sendbatch(uint32_t dest, const kav_smooth* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_host__pack(const kav_host* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_host__unpack(const uint8_t* buf, uint32_t len, kav_host* out);
KAV_API void kav_host_free__unpacked(kav_host* msg);
KAV_API uint32_t kav_host__sendmsg(uint32_t dest, const kav_host* msgs, uint32_t count);
KAV_API uint32_t kav_host__sendtomsg(uint32_t dest, const kav_host* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_host__sendsingle(uint32_t dest, const kav_host* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_host__sendbatch(uint32_t dest, const kav_host* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_host_update__pack(const kav_host_update* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_host_update__unpack(const uint8_t* buf, uint32_t len, kav_host_update* out);
KAV_API void kav_host_update_free__unpacked(kav_host_update* msg);
KAV_API uint32_t kav_host_update__sendmsg(uint32_t dest, const kav_host_update* msgs, uint32_t count);
KAV_API uint32_t kav_host_update__sendtomsg(uint32_t dest, const kav_host_update* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_host_update__sendsingle(uint32_t dest, const kav_host_update* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_host_update__sendbatch(uint32_t dest, const kav_host_update* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_host_delete__pack(const kav_host_delete* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_host_delete__unpack(const uint8_t* buf, uint32_t len, kav_host_delete* out);
KAV_API void kav_host_delete_free__unpacked(kav_host_delete* msg);
KAV_API uint32_t kav_host_delete__sendmsg(uint32_t dest, const kav_host_delete* msgs, uint32_t count);
KAV_API uint32_t kav_host_delete__sendtomsg(uint32_t dest, const kav_host_delete* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_host_delete__sendsingle(uint32_t dest, const kav_host_delete* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_host_delete__sendbatch(uint32_t dest, const kav_host_delete* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_srcaddr__pack(const kav_srcaddr* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_srcaddr__unpack(const uint8_t* buf, uint32_t len, kav_srcaddr* out);
KAV_API void kav_srcaddr_free__unpacked(kav_srcaddr* msg);
KAV_API uint32_t kav_srcaddr__sendmsg(uint32_t dest, const kav_srcaddr* msgs, uint32_t count);
KAV_API uint32_t kav_srcaddr__sendtomsg(uint32_t dest, const kav_srcaddr* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_srcaddr__sendsingle(uint32_t dest, const kav_srcaddr* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_srcaddr__sendbatch(uint32_t dest, const kav_srcaddr* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_srcaddr_update__pack(const kav_srcaddr_update* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_srcaddr_update__unpack(const uint8_t* buf, uint32_t len, kav_srcaddr_update* out);
KAV_API void kav_srcaddr_update_free__unpacked(kav_srcaddr_update* msg);
KAV_API uint32_t kav_srcaddr_update__sendmsg(uint32_t dest, const kav_srcaddr_update* msgs, uint32_t count);
KAV_API uint32_t kav_srcaddr_update__sendtomsg(uint32_t dest, const kav_srcaddr_update* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_srcaddr_update__sendsingle(uint32_t dest, const kav_srcaddr_update* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_srcaddr_update__sendbatch(uint32_t dest, const kav_srcaddr_update* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_srcaddr_delete__pack(const kav_srcaddr_delete* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_srcaddr_delete__unpack(const uint8_t* buf, uint32_t len, kav_srcaddr_delete* out);
KAV_API void kav_srcaddr_delete_free__unpacked(kav_srcaddr_delete* msg);
KAV_API uint32_t kav_srcaddr_delete__sendmsg(uint32_t dest, const kav_srcaddr_delete* msgs, uint32_t count);
KAV_API uint32_t kav_srcaddr_delete__sendtomsg(uint32_t dest, const kav_srcaddr_delete* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_srcaddr_delete__sendsingle(uint32_t dest, const kav_srcaddr_delete* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_srcaddr_delete__sendbatch(uint32_t dest, const kav_srcaddr_delete* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_srcaddrv6__pack(const kav_srcaddrv6* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_srcaddrv6__unpack(const uint8_t* buf, uint32_t len, kav_srcaddrv6* out);
KAV_API void kav_srcaddrv6_free__unpacked(kav_srcaddrv6* msg);
KAV_API uint32_t kav_srcaddrv6__sendmsg(uint32_t dest, const kav_srcaddrv6* msgs, uint32_t count);
KAV_API uint32_t kav_srcaddrv6__sendtomsg(uint32_t dest, const kav_srcaddrv6* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_srcaddrv6__sendsingle(uint32_t dest, const kav_srcaddrv6* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_srcaddrv6__sendbatch(uint32_t dest, const kav_srcaddrv6* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_srcaddrv6_update__pack(const kav_srcaddrv6_update* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_srcaddrv6_update__unpack(const uint8_t* buf, uint32_t len, kav_srcaddrv6_update* out);
KAV_API void kav_srcaddrv6_update_free__unpacked(kav_srcaddrv6_update* msg);
KAV_API uint32_t kav_srcaddrv6_update__sendmsg(uint32_t dest, const kav_srcaddrv6_update* msgs, uint32_t count);
KAV_API uint32_t kav_srcaddrv6_update__sendtomsg(uint32_t dest, const kav_srcaddrv6_update* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_srcaddrv6_update__sendsingle(uint32_t dest, const kav_srcaddrv6_update* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_srcaddrv6_update__sendbatch(uint32_t dest, const kav_srcaddrv6_update* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_srcaddrv6_delete__pack(const kav_srcaddrv6_delete* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_srcaddrv6_delete__unpack(const uint8_t* buf, uint32_t len, kav_srcaddrv6_delete* out);
KAV_API void kav_srcaddrv6_delete_free__unpacked(kav_srcaddrv6_delete* msg);
KAV_API uint32_t kav_srcaddrv6_delete__sendmsg(uint32_t dest, const kav_srcaddrv6_delete* msgs, uint32_t count);
KAV_API uint32_t kav_srcaddrv6_delete__sendtomsg(uint32_t dest, const kav_srcaddrv6_delete* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_srcaddrv6_delete__sendsingle(uint32_t dest, const kav_srcaddrv6_delete* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_srcaddrv6_delete__sendbatch(uint32_t dest, const kav_srcaddrv6_delete* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_ifsamplecfg__pack(const kav_ifsamplecfg* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_ifsamplecfg__unpack(const uint8_t* buf, uint32_t len, kav_ifsamplecfg* out);
KAV_API void kav_ifsamplecfg_free__unpacked(kav_ifsamplecfg* msg);
KAV_API uint32_t kav_ifsamplecfg__sendmsg(uint32_t dest, const kav_ifsamplecfg* msgs, uint32_t count);
KAV_API uint32_t kav_ifsamplecfg__sendtomsg(uint32_t dest, const kav_ifsamplecfg* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_ifsamplecfg__sendsingle(uint32_t dest, const kav_ifsamplecfg* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_ifsamplecfg__sendbatch(uint32_t dest, const kav_ifsamplecfg* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_ifsamplecfg_update__pack(const kav_ifsamplecfg_update* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_ifsamplecfg_update__unpack(const uint8_t* buf, uint32_t len, kav_ifsamplecfg_update* out);
KAV_API void kav_ifsamplecfg_update_free__unpacked(kav_ifsamplecfg_update* msg);
KAV_API uint32_t kav_ifsamplecfg_update__sendmsg(uint32_t dest, const kav_ifsamplecfg_update* msgs, uint32_t count);
KAV_API uint32_t kav_ifsamplecfg_update__sendtomsg(uint32_t dest, const kav_ifsamplecfg_update* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_ifsamplecfg_update__sendsingle(uint32_t dest, const kav_ifsamplecfg_update* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_ifsamplecfg_update__sendbatch(uint32_t dest, const kav_ifsamplecfg_update* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_ifsamplecfg_delete__pack(const kav_ifsamplecfg_delete* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_ifsamplecfg_delete__unpack(const uint8_t* buf, uint32_t len, kav_ifsamplecfg_delete* out);
KAV_API void kav_ifsamplecfg_delete_free__unpacked(kav_ifsamplecfg_delete* msg);
KAV_API uint32_t kav_ifsamplecfg_delete__sendmsg(uint32_t dest, const kav_ifsamplecfg_delete* msgs, uint32_t count);
KAV_API uint32_t kav_ifsamplecfg_delete__sendtomsg(uint32_t dest, const kav_ifsamplecfg_delete* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_ifsamplecfg_delete__sendsingle(uint32_t dest, const kav_ifsamplecfg_delete* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_ifsamplecfg_delete__sendbatch(uint32_t dest, const kav_ifsamplecfg_delete* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_ifsamplerate__pack(const kav_ifsamplerate* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_ifsamplerate__unpack(const uint8_t* buf, uint32_t len, kav_ifsamplerate* out);
KAV_API void kav_ifsamplerate_free__unpacked(kav_ifsamplerate* msg);
KAV_API uint32_t kav_ifsamplerate__sendmsg(uint32_t dest, const kav_ifsamplerate* msgs, uint32_t count);
KAV_API uint32_t kav_ifsamplerate__sendtomsg(uint32_t dest, const kav_ifsamplerate* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_ifsamplerate__sendsingle(uint32_t dest, const kav_ifsamplerate* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_ifsamplerate__sendbatch(uint32_t dest, const kav_ifsamplerate* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_ifsamplerate_update__pack(const kav_ifsamplerate_update* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_ifsamplerate_update__unpack(const uint8_t* buf, uint32_t len, kav_ifsamplerate_update* out);
KAV_API void kav_ifsamplerate_update_free__unpacked(kav_ifsamplerate_update* msg);
KAV_API uint32_t kav_ifsamplerate_update__sendmsg(uint32_t dest, const kav_ifsamplerate_update* msgs, uint32_t count);
KAV_API uint32_t kav_ifsamplerate_update__sendtomsg(uint32_t dest, const kav_ifsamplerate_update* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_ifsamplerate_update__sendsingle(uint32_t dest, const kav_ifsamplerate_update* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_ifsamplerate_update__sendbatch(uint32_t dest, const kav_ifsamplerate_update* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_ifsamplerate_delete__pack(const kav_ifsamplerate_delete* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_ifsamplerate_delete__unpack(const uint8_t* buf, uint32_t len, kav_ifsamplerate_delete* out);
KAV_API void kav_ifsamplerate_delete_free__unpacked(kav_ifsamplerate_delete* msg);
KAV_API uint32_t kav_ifsamplerate_delete__sendmsg(uint32_t dest, const kav_ifsamplerate_delete* msgs, uint32_t count);
KAV_API uint32_t kav_ifsamplerate_delete__sendtomsg(uint32_t dest, const kav_ifsamplerate_delete* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_ifsamplerate_delete__sendsingle(uint32_t dest, const kav_ifsamplerate_delete* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_ifsamplerate_delete__sendbatch(uint32_t dest, const kav_ifsamplerate_delete* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_globalsamplerate__pack(const kav_globalsamplerate* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_globalsamplerate__unpack(const uint8_t* buf, uint32_t len, kav_globalsamplerate* out);
KAV_API void kav_globalsamplerate_free__unpacked(kav_globalsamplerate* msg);
KAV_API uint32_t kav_globalsamplerate__sendmsg(uint32_t dest, const kav_globalsamplerate* msgs, uint32_t count);
KAV_API uint32_t kav_globalsamplerate__sendtomsg(uint32_t dest, const kav_globalsamplerate* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_globalsamplerate__sendsingle(uint32_t dest, const kav_globalsamplerate* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_globalsamplerate__sendbatch(uint32_t dest, const kav_globalsamplerate* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_globalsamplerate_update__pack(const kav_globalsamplerate_update* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_globalsamplerate_update__unpack(const uint8_t* buf, uint32_t len, kav_globalsamplerate_update* out);
KAV_API void kav_globalsamplerate_update_free__unpacked(kav_globalsamplerate_update* msg);
KAV_API uint32_t kav_globalsamplerate_update__sendmsg(uint32_t dest, const kav_globalsamplerate_update* msgs, uint32_t count);
KAV_API uint32_t kav_globalsamplerate_update__sendtomsg(uint32_t dest, const kav_globalsamplerate_update* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_globalsamplerate_update__sendsingle(uint32_t dest, const kav_globalsamplerate_update* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_globalsamplerate_update__sendbatch(uint32_t dest, const kav_globalsamplerate_update* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_globalsamplerate_delete__pack(const kav_globalsamplerate_delete* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_globalsamplerate_delete__unpack(const uint8_t* buf, uint32_t len, kav_globalsamplerate_delete* out);
KAV_API void kav_globalsamplerate_delete_free__unpacked(kav_globalsamplerate_delete* msg);
KAV_API uint32_t kav_globalsamplerate_delete__sendmsg(uint32_t dest, const kav_globalsamplerate_delete* msgs, uint32_t count);
KAV_API uint32_t kav_globalsamplerate_delete__sendtomsg(uint32_t dest, const kav_globalsamplerate_delete* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_globalsamplerate_delete__sendsingle(uint32_t dest, const kav_globalsamplerate_delete* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_globalsamplerate_delete__sendbatch(uint32_t dest, const kav_globalsamplerate_delete* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_monitorcfg__pack(const kav_monitorcfg* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_monitorcfg__unpack(const uint8_t* buf, uint32_t len, kav_monitorcfg* out);
KAV_API void kav_monitorcfg_free__unpacked(kav_monitorcfg* msg);
KAV_API uint32_t kav_monitorcfg__sendmsg(uint32_t dest, const kav_monitorcfg* msgs, uint32_t count);
KAV_API uint32_t kav_monitorcfg__sendtomsg(uint32_t dest, const kav_monitorcfg* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_monitorcfg__sendsingle(uint32_t dest, const kav_monitorcfg* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_monitorcfg__sendbatch(uint32_t dest, const kav_monitorcfg* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_monitorcfg_update__pack(const kav_monitorcfg_update* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_monitorcfg_update__unpack(const uint8_t* buf, uint32_t len, kav_monitorcfg_update* out);
KAV_API void kav_monitorcfg_update_free__unpacked(kav_monitorcfg_update* msg);
KAV_API uint32_t kav_monitorcfg_update__sendmsg(uint32_t dest, const kav_monitorcfg_update* msgs, uint32_t count);
KAV_API uint32_t kav_monitorcfg_update__sendtomsg(uint32_t dest, const kav_monitorcfg_update* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_monitorcfg_update__sendsingle(uint32_t dest, const kav_monitorcfg_update* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_monitorcfg_update__sendbatch(uint32_t dest, const kav_monitorcfg_update* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_monitorcfg_delete__pack(const kav_monitorcfg_delete* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_monitorcfg_delete__unpack(const uint8_t* buf, uint32_t len, kav_monitorcfg_delete* out);
KAV_API void kav_monitorcfg_delete_free__unpacked(kav_monitorcfg_delete* msg);
KAV_API uint32_t kav_monitorcfg_delete__sendmsg(uint32_t dest, const kav_monitorcfg_delete* msgs, uint32_t count);
KAV_API uint32_t kav_monitorcfg_delete__sendtomsg(uint32_t dest, const kav_monitorcfg_delete* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_monitorcfg_delete__sendsingle(uint32_t dest, const kav_monitorcfg_delete* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_monitorcfg_delete__sendbatch(uint32_t dest, const kav_monitorcfg_delete* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_ifindexswitch__pack(const kav_ifindexswitch* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_ifindexswitch__unpack(const uint8_t* buf, uint32_t len, kav_ifindexswitch* out);
KAV_API void kav_ifindexswitch_free__unpacked(kav_ifindexswitch* msg);
KAV_API uint32_t kav_ifindexswitch__sendmsg(uint32_t dest, const kav_ifindexswitch* msgs, uint32_t count);
KAV_API uint32_t kav_ifindexswitch__sendtomsg(uint32_t dest, const kav_ifindexswitch* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_ifindexswitch__sendsingle(uint32_t dest, const kav_ifindexswitch* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_ifindexswitch__sendbatch(uint32_t dest, const kav_ifindexswitch* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_ifindexswitch_update__pack(const kav_ifindexswitch_update* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_ifindexswitch_update__unpack(const uint8_t* buf, uint32_t len, kav_ifindexswitch_update* out);
KAV_API void kav_ifindexswitch_update_free__unpacked(kav_ifindexswitch_update* msg);
KAV_API uint32_t kav_ifindexswitch_update__sendmsg(uint32_t dest, const kav_ifindexswitch_update* msgs, uint32_t count);
KAV_API uint32_t kav_ifindexswitch_update__sendtomsg(uint32_t dest, const kav_ifindexswitch_update* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_ifindexswitch_update__sendsingle(uint32_t dest, const kav_ifindexswitch_update* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_ifindexswitch_update__sendbatch(uint32_t dest, const kav_ifindexswitch_update* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_ifindexswitch_delete__pack(const kav_ifindexswitch_delete* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_ifindexswitch_delete__unpack(const uint8_t* buf, uint32_t len, kav_ifindexswitch_delete* out);
KAV_API void kav_ifindexswitch_delete_free__unpacked(kav_ifindexswitch_delete* msg);
KAV_API uint32_t kav_ifindexswitch_delete__sendmsg(uint32_t dest, const kav_ifindexswitch_delete* msgs, uint32_t count);
KAV_API uint32_t kav_ifindexswitch_delete__sendtomsg(uint32_t dest, const kav_ifindexswitch_delete* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_ifindexswitch_delete__sendsingle(uint32_t dest, const kav_ifindexswitch_delete* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_ifindexswitch_delete__sendbatch(uint32_t dest, const kav_ifindexswitch_delete* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_globalcfg__pack(const kav_globalcfg* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_globalcfg__unpack(const uint8_t* buf, uint32_t len, kav_globalcfg* out);
KAV_API void kav_globalcfg_free__unpacked(kav_globalcfg* msg);
KAV_API uint32_t kav_globalcfg__sendmsg(uint32_t dest, const kav_globalcfg* msgs, uint32_t count);
KAV_API uint32_t kav_globalcfg__sendtomsg(uint32_t dest, const kav_globalcfg* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_globalcfg__sendsingle(uint32_t dest, const kav_globalcfg* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_globalcfg__sendbatch(uint32_t dest, const kav_globalcfg* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_globalcfg_update__pack(const kav_globalcfg_update* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_globalcfg_update__unpack(const uint8_t* buf, uint32_t len, kav_globalcfg_update* out);
KAV_API void kav_globalcfg_update_free__unpacked(kav_globalcfg_update* msg);
KAV_API uint32_t kav_globalcfg_update__sendmsg(uint32_t dest, const kav_globalcfg_update* msgs, uint32_t count);
KAV_API uint32_t kav_globalcfg_update__sendtomsg(uint32_t dest, const kav_globalcfg_update* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_globalcfg_update__sendsingle(uint32_t dest, const kav_globalcfg_update* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_globalcfg_update__sendbatch(uint32_t dest, const kav_globalcfg_update* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_globalcfg_delete__pack(const kav_globalcfg_delete* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_globalcfg_delete__unpack(const uint8_t* buf, uint32_t len, kav_globalcfg_delete* out);
KAV_API void kav_globalcfg_delete_free__unpacked(kav_globalcfg_delete* msg);
KAV_API uint32_t kav_globalcfg_delete__sendmsg(uint32_t dest, const kav_globalcfg_delete* msgs, uint32_t count);
KAV_API uint32_t kav_globalcfg_delete__sendtomsg(uint32_t dest, const kav_globalcfg_delete* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_globalcfg_delete__sendsingle(uint32_t dest, const kav_globalcfg_delete* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_globalcfg_delete__sendbatch(uint32_t dest, const kav_globalcfg_delete* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_globaltmpcfg__pack(const kav_globaltmpcfg* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_globaltmpcfg__unpack(const uint8_t* buf, uint32_t len, kav_globaltmpcfg* out);
KAV_API void kav_globaltmpcfg_free__unpacked(kav_globaltmpcfg* msg);
KAV_API uint32_t kav_globaltmpcfg__sendmsg(uint32_t dest, const kav_globaltmpcfg* msgs, uint32_t count);
KAV_API uint32_t kav_globaltmpcfg__sendtomsg(uint32_t dest, const kav_globaltmpcfg* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_globaltmpcfg__sendsingle(uint32_t dest, const kav_globaltmpcfg* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_globaltmpcfg__sendbatch(uint32_t dest, const kav_globaltmpcfg* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_globaltmpcfg_update__pack(const kav_globaltmpcfg_update* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_globaltmpcfg_update__unpack(const uint8_t* buf, uint32_t len, kav_globaltmpcfg_update* out);
KAV_API void kav_globaltmpcfg_update_free__unpacked(kav_globaltmpcfg_update* msg);
KAV_API uint32_t kav_globaltmpcfg_update__sendmsg(uint32_t dest, const kav_globaltmpcfg_update* msgs, uint32_t count);
KAV_API uint32_t kav_globaltmpcfg_update__sendtomsg(uint32_t dest, const kav_globaltmpcfg_update* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_globaltmpcfg_update__sendsingle(uint32_t dest, const kav_globaltmpcfg_update* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_globaltmpcfg_update__sendbatch(uint32_t dest, const kav_globaltmpcfg_update* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_globaltmpcfg_delete__pack(const kav_globaltmpcfg_delete* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_globaltmpcfg_delete__unpack(const uint8_t* buf, uint32_t len, kav_globaltmpcfg_delete* out);
KAV_API void kav_globaltmpcfg_delete_free__unpacked(kav_globaltmpcfg_delete* msg);
KAV_API uint32_t kav_globaltmpcfg_delete__sendmsg(uint32_t dest, const kav_globaltmpcfg_delete* msgs, uint32_t count);
KAV_API uint32_t kav_globaltmpcfg_delete__sendtomsg(uint32_t dest, const kav_globaltmpcfg_delete* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_globaltmpcfg_delete__sendsingle(uint32_t dest, const kav_globaltmpcfg_delete* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_globaltmpcfg_delete__sendbatch(uint32_t dest, const kav_globaltmpcfg_delete* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_templateflow__pack(const kav_templateflow* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_templateflow__unpack(const uint8_t* buf, uint32_t len, kav_templateflow* out);
KAV_API void kav_templateflow_free__unpacked(kav_templateflow* msg);
KAV_API uint32_t kav_templateflow__sendmsg(uint32_t dest, const kav_templateflow* msgs, uint32_t count);
KAV_API uint32_t kav_templateflow__sendtomsg(uint32_t dest, const kav_templateflow* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_templateflow__sendsingle(uint32_t dest, const kav_templateflow* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_templateflow__sendbatch(uint32_t dest, const kav_templateflow* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_templateflow_update__pack(const kav_templateflow_update* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_templateflow_update__unpack(const uint8_t* buf, uint32_t len, kav_templateflow_update* out);
KAV_API void kav_templateflow_update_free__unpacked(kav_templateflow_update* msg);
KAV_API uint32_t kav_templateflow_update__sendmsg(uint32_t dest, const kav_templateflow_update* msgs, uint32_t count);
KAV_API uint32_t kav_templateflow_update__sendtomsg(uint32_t dest, const kav_templateflow_update* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_templateflow_update__sendsingle(uint32_t dest, const kav_templateflow_update* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_templateflow_update__sendbatch(uint32_t dest, const kav_templateflow_update* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_templateflow_delete__pack(const kav_templateflow_delete* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_templateflow_delete__unpack(const uint8_t* buf, uint32_t len, kav_templateflow_delete* out);
KAV_API void kav_templateflow_delete_free__unpacked(kav_templateflow_delete* msg);
KAV_API uint32_t kav_templateflow_delete__sendmsg(uint32_t dest, const kav_templateflow_delete* msgs, uint32_t count);
KAV_API uint32_t kav_templateflow_delete__sendtomsg(uint32_t dest, const kav_templateflow_delete* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_templateflow_delete__sendsingle(uint32_t dest, const kav_templateflow_delete* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_templateflow_delete__sendbatch(uint32_t dest, const kav_templateflow_delete* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_recordcfg__pack(const kav_recordcfg* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_recordcfg__unpack(const uint8_t* buf, uint32_t len, kav_recordcfg* out);
KAV_API void kav_recordcfg_free__unpacked(kav_recordcfg* msg);
KAV_API uint32_t kav_recordcfg__sendmsg(uint32_t dest, const kav_recordcfg* msgs, uint32_t count);
KAV_API uint32_t kav_recordcfg__sendtomsg(uint32_t dest, const kav_recordcfg* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_recordcfg__sendsingle(uint32_t dest, const kav_recordcfg* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_recordcfg__sendbatch(uint32_t dest, const kav_recordcfg* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_recordcfg_update__pack(const kav_recordcfg_update* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_recordcfg_update__unpack(const uint8_t* buf, uint32_t len, kav_recordcfg_update* out);
KAV_API void kav_recordcfg_update_free__unpacked(kav_recordcfg_update* msg);
KAV_API uint32_t kav_recordcfg_update__sendmsg(uint32_t dest, const kav_recordcfg_update* msgs, uint32_t count);
KAV_API uint32_t kav_recordcfg_update__sendtomsg(uint32_t dest, const kav_recordcfg_update* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_recordcfg_update__sendsingle(uint32_t dest, const kav_recordcfg_update* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_recordcfg_update__sendbatch(uint32_t dest, const kav_recordcfg_update* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_recordcfg_delete__pack(const kav_recordcfg_delete* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_recordcfg_delete__unpack(const uint8_t* buf, uint32_t len, kav_recordcfg_delete* out);
KAV_API void kav_recordcfg_delete_free__unpacked(kav_recordcfg_delete* msg);
KAV_API uint32_t kav_recordcfg_delete__sendmsg(uint32_t dest, const kav_recordcfg_delete* msgs, uint32_t count);
KAV_API uint32_t kav_recordcfg_delete__sendtomsg(uint32_t dest, const kav_recordcfg_delete* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_recordcfg_delete__sendsingle(uint32_t dest, const kav_recordcfg_delete* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_recordcfg_delete__sendbatch(uint32_t dest, const kav_recordcfg_delete* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_queenable__pack(const kav_queenable* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_queenable__unpack(const uint8_t* buf, uint32_t len, kav_queenable* out);
KAV_API void kav_queenable_free__unpacked(kav_queenable* msg);
KAV_API uint32_t kav_queenable__sendmsg(uint32_t dest, const kav_queenable* msgs, uint32_t count);
KAV_API uint32_t kav_queenable__sendtomsg(uint32_t dest, const kav_queenable* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_queenable__sendsingle(uint32_t dest, const kav_queenable* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_queenable__sendbatch(uint32_t dest, const kav_queenable* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_queenable_update__pack(const kav_queenable_update* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_queenable_update__unpack(const uint8_t* buf, uint32_t len, kav_queenable_update* out);
KAV_API void kav_queenable_update_free__unpacked(kav_queenable_update* msg);
KAV_API uint32_t kav_queenable_update__sendmsg(uint32_t dest, const kav_queenable_update* msgs, uint32_t count);
KAV_API uint32_t kav_queenable_update__sendtomsg(uint32_t dest, const kav_queenable_update* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_queenable_update__sendsingle(uint32_t dest, const kav_queenable_update* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_queenable_update__sendbatch(uint32_t dest, const kav_queenable_update* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_queenable_delete__pack(const kav_queenable_delete* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_queenable_delete__unpack(const uint8_t* buf, uint32_t len, kav_queenable_delete* out);
KAV_API void kav_queenable_delete_free__unpacked(kav_queenable_delete* msg);
KAV_API uint32_t kav_queenable_delete__sendmsg(uint32_t dest, const kav_queenable_delete* msgs, uint32_t count);
KAV_API uint32_t kav_queenable_delete__sendtomsg(uint32_t dest, const kav_queenable_delete* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_queenable_delete__sendsingle(uint32_t dest, const kav_queenable_delete* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_queenable_delete__sendbatch(uint32_t dest, const kav_queenable_delete* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_extenable__pack(const kav_extenable* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_extenable__unpack(const uint8_t* buf, uint32_t len, kav_extenable* out);
KAV_API void kav_extenable_free__unpacked(kav_extenable* msg);
KAV_API uint32_t kav_extenable__sendmsg(uint32_t dest, const kav_extenable* msgs, uint32_t count);
KAV_API uint32_t kav_extenable__sendtomsg(uint32_t dest, const kav_extenable* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_extenable__sendsingle(uint32_t dest, const kav_extenable* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_extenable__sendbatch(uint32_t dest, const kav_extenable* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_extenable_update__pack(const kav_extenable_update* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_extenable_update__unpack(const uint8_t* buf, uint32_t len, kav_extenable_update* out);
KAV_API void kav_extenable_update_free__unpacked(kav_extenable_update* msg);
KAV_API uint32_t kav_extenable_update__sendmsg(uint32_t dest, const kav_extenable_update* msgs, uint32_t count);
KAV_API uint32_t kav_extenable_update__sendtomsg(uint32_t dest, const kav_extenable_update* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_extenable_update__sendsingle(uint32_t dest, const kav_extenable_update* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_extenable_update__sendbatch(uint32_t dest, const kav_extenable_update* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_extenable_delete__pack(const kav_extenable_delete* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_extenable_delete__unpack(const uint8_t* buf, uint32_t len, kav_extenable_delete* out);
KAV_API void kav_extenable_delete_free__unpacked(kav_extenable_delete* msg);
KAV_API uint32_t kav_extenable_delete__sendmsg(uint32_t dest, const kav_extenable_delete* msgs, uint32_t count);
KAV_API uint32_t kav_extenable_delete__sendtomsg(uint32_t dest, const kav_extenable_delete* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_extenable_delete__sendsingle(uint32_t dest, const kav_extenable_delete* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_extenable_delete__sendbatch(uint32_t dest, const kav_extenable_delete* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_intsamplerate__pack(const kav_intsamplerate* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_intsamplerate__unpack(const uint8_t* buf, uint32_t len, kav_intsamplerate* out);
KAV_API void kav_intsamplerate_free__unpacked(kav_intsamplerate* msg);
KAV_API uint32_t kav_intsamplerate__sendmsg(uint32_t dest, const kav_intsamplerate* msgs, uint32_t count);
KAV_API uint32_t kav_intsamplerate__sendtomsg(uint32_t dest, const kav_intsamplerate* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_intsamplerate__sendsingle(uint32_t dest, const kav_intsamplerate* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_intsamplerate__sendbatch(uint32_t dest, const kav_intsamplerate* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_intsamplerate_update__pack(const kav_intsamplerate_update* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_intsamplerate_update__unpack(const uint8_t* buf, uint32_t len, kav_intsamplerate_update* out);
KAV_API void kav_intsamplerate_update_free__unpacked(kav_intsamplerate_update* msg);
KAV_API uint32_t kav_intsamplerate_update__sendmsg(uint32_t dest, const kav_intsamplerate_update* msgs, uint32_t count);
KAV_API uint32_t kav_intsamplerate_update__sendtomsg(uint32_t dest, const kav_intsamplerate_update* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_intsamplerate_update__sendsingle(uint32_t dest, const kav_intsamplerate_update* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_intsamplerate_update__sendbatch(uint32_t dest, const kav_intsamplerate_update* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_intsamplerate_delete__pack(const kav_intsamplerate_delete* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_intsamplerate_delete__unpack(const uint8_t* buf, uint32_t len, kav_intsamplerate_delete* out);
KAV_API void kav_intsamplerate_delete_free__unpacked(kav_intsamplerate_delete* msg);
KAV_API uint32_t kav_intsamplerate_delete__sendmsg(uint32_t dest, const kav_intsamplerate_delete* msgs, uint32_t count);
KAV_API uint32_t kav_intsamplerate_delete__sendtomsg(uint32_t dest, const kav_intsamplerate_delete* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_intsamplerate_delete__sendsingle(uint32_t dest, const kav_intsamplerate_delete* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_intsamplerate_delete__sendbatch(uint32_t dest, const kav_intsamplerate_delete* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_ethlen__pack(const kav_ethlen* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_ethlen__unpack(const uint8_t* buf, uint32_t len, kav_ethlen* out);
KAV_API void kav_ethlen_free__unpacked(kav_ethlen* msg);
KAV_API uint32_t kav_ethlen__sendmsg(uint32_t dest, const kav_ethlen* msgs, uint32_t count);
KAV_API uint32_t kav_ethlen__sendtomsg(uint32_t dest, const kav_ethlen* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_ethlen__sendsingle(uint32_t dest, const kav_ethlen* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_ethlen__sendbatch(uint32_t dest, const kav_ethlen* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_ethlen_update__pack(const kav_ethlen_update* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_ethlen_update__unpack(const uint8_t* buf, uint32_t len, kav_ethlen_update* out);
KAV_API void kav_ethlen_update_free__unpacked(kav_ethlen_update* msg);
KAV_API uint32_t kav_ethlen_update__sendmsg(uint32_t dest, const kav_ethlen_update* msgs, uint32_t count);
KAV_API uint32_t kav_ethlen_update__sendtomsg(uint32_t dest, const kav_ethlen_update* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_ethlen_update__sendsingle(uint32_t dest, const kav_ethlen_update* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_ethlen_update__sendbatch(uint32_t dest, const kav_ethlen_update* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_ethlen_delete__pack(const kav_ethlen_delete* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_ethlen_delete__unpack(const uint8_t* buf, uint32_t len, kav_ethlen_delete* out);
KAV_API void kav_ethlen_delete_free__unpacked(kav_ethlen_delete* msg);
KAV_API uint32_t kav_ethlen_delete__sendmsg(uint32_t dest, const kav_ethlen_delete* msgs, uint32_t count);
KAV_API uint32_t kav_ethlen_delete__sendtomsg(uint32_t dest, const kav_ethlen_delete* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_ethlen_delete__sendsingle(uint32_t dest, const kav_ethlen_delete* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_ethlen_delete__sendbatch(uint32_t dest, const kav_ethlen_delete* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_pid_state_chg__pack(const kav_pid_state_chg* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_pid_state_chg__unpack(const uint8_t* buf, uint32_t len, kav_pid_state_chg* out);
KAV_API void kav_pid_state_chg_free__unpacked(kav_pid_state_chg* msg);
KAV_API uint32_t kav_pid_state_chg__sendmsg(uint32_t dest, const kav_pid_state_chg* msgs, uint32_t count);
KAV_API uint32_t kav_pid_state_chg__sendtomsg(uint32_t dest, const kav_pid_state_chg* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_pid_state_chg__sendsingle(uint32_t dest, const kav_pid_state_chg* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_pid_state_chg__sendbatch(uint32_t dest, const kav_pid_state_chg* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_cachelog__pack(const kav_cachelog* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_cachelog__unpack(const uint8_t* buf, uint32_t len, kav_cachelog* out);
KAV_API void kav_cachelog_free__unpacked(kav_cachelog* msg);
KAV_API uint32_t kav_cachelog__sendmsg(uint32_t dest, const kav_cachelog* msgs, uint32_t count);
KAV_API uint32_t kav_cachelog__sendtomsg(uint32_t dest, const kav_cachelog* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_cachelog__sendsingle(uint32_t dest, const kav_cachelog* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_cachelog__sendbatch(uint32_t dest, const kav_cachelog* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_cachelog_update__pack(const kav_cachelog_update* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_cachelog_update__unpack(const uint8_t* buf, uint32_t len, kav_cachelog_update* out);
KAV_API void kav_cachelog_update_free__unpacked(kav_cachelog_update* msg);
KAV_API uint32_t kav_cachelog_update__sendmsg(uint32_t dest, const kav_cachelog_update* msgs, uint32_t count);
KAV_API uint32_t kav_cachelog_update__sendtomsg(uint32_t dest, const kav_cachelog_update* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_cachelog_update__sendsingle(uint32_t dest, const kav_cachelog_update* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_cachelog_update__sendbatch(uint32_t dest, const kav_cachelog_update* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_cachelog_delete__pack(const kav_cachelog_delete* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_cachelog_delete__unpack(const uint8_t* buf, uint32_t len, kav_cachelog_delete* out);
KAV_API void kav_cachelog_delete_free__unpacked(kav_cachelog_delete* msg);
KAV_API uint32_t kav_cachelog_delete__sendmsg(uint32_t dest, const kav_cachelog_delete* msgs, uint32_t count);
KAV_API uint32_t kav_cachelog_delete__sendtomsg(uint32_t dest, const kav_cachelog_delete* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_cachelog_delete__sendsingle(uint32_t dest, const kav_cachelog_delete* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_cachelog_delete__sendbatch(uint32_t dest, const kav_cachelog_delete* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_smooth_begin_msg__pack(const kav_smooth_begin_msg* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_smooth_begin_msg__unpack(const uint8_t* buf, uint32_t len, kav_smooth_begin_msg* out);
KAV_API void kav_smooth_begin_msg_free__unpacked(kav_smooth_begin_msg* msg);
KAV_API uint32_t kav_smooth_begin_msg__sendmsg(uint32_t dest, const kav_smooth_begin_msg* msgs, uint32_t count);
KAV_API uint32_t kav_smooth_begin_msg__sendtomsg(uint32_t dest, const kav_smooth_begin_msg* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_smooth_begin_msg__sendsingle(uint32_t dest, const kav_smooth_begin_msg* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_smooth_begin_msg__sendbatch(uint32_t dest, const kav_smooth_begin_msg* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_smooth_end_msg__pack(const kav_smooth_end_msg* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_smooth_end_msg__unpack(const uint8_t* buf, uint32_t len, kav_smooth_end_msg* out);
KAV_API void kav_smooth_end_msg_free__unpacked(kav_smooth_end_msg* msg);
KAV_API uint32_t kav_smooth_end_msg__sendmsg(uint32_t dest, const kav_smooth_end_msg* msgs, uint32_t count);
KAV_API uint32_t kav_smooth_end_msg__sendtomsg(uint32_t dest, const kav_smooth_end_msg* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_smooth_end_msg__sendsingle(uint32_t dest, const kav_smooth_end_msg* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_smooth_end_msg__sendbatch(uint32_t dest, const kav_smooth_end_msg* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_resetcache__pack(const kav_resetcache* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_resetcache__unpack(const uint8_t* buf, uint32_t len, kav_resetcache* out);
KAV_API void kav_resetcache_free__unpacked(kav_resetcache* msg);
KAV_API uint32_t kav_resetcache__sendmsg(uint32_t dest, const kav_resetcache* msgs, uint32_t count);
KAV_API uint32_t kav_resetcache__sendtomsg(uint32_t dest, const kav_resetcache* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_resetcache__sendsingle(uint32_t dest, const kav_resetcache* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_resetcache__sendbatch(uint32_t dest, const kav_resetcache* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_resetcache_update__pack(const kav_resetcache_update* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_resetcache_update__unpack(const uint8_t* buf, uint32_t len, kav_resetcache_update* out);
KAV_API void kav_resetcache_update_free__unpacked(kav_resetcache_update* msg);
KAV_API uint32_t kav_resetcache_update__sendmsg(uint32_t dest, const kav_resetcache_update* msgs, uint32_t count);
KAV_API uint32_t kav_resetcache_update__sendtomsg(uint32_t dest, const kav_resetcache_update* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_resetcache_update__sendsingle(uint32_t dest, const kav_resetcache_update* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_resetcache_update__sendbatch(uint32_t dest, const kav_resetcache_update* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_resetstat__pack(const kav_resetstat* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_resetstat__unpack(const uint8_t* buf, uint32_t len, kav_resetstat* out);
KAV_API void kav_resetstat_free__unpacked(kav_resetstat* msg);
KAV_API uint32_t kav_resetstat__sendmsg(uint32_t dest, const kav_resetstat* msgs, uint32_t count);
KAV_API uint32_t kav_resetstat__sendtomsg(uint32_t dest, const kav_resetstat* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_resetstat__sendsingle(uint32_t dest, const kav_resetstat* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_resetstat__sendbatch(uint32_t dest, const kav_resetstat* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_resetstat_update__pack(const kav_resetstat_update* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_resetstat_update__unpack(const uint8_t* buf, uint32_t len, kav_resetstat_update* out);
KAV_API void kav_resetstat_update_free__unpacked(kav_resetstat_update* msg);
KAV_API uint32_t kav_resetstat_update__sendmsg(uint32_t dest, const kav_resetstat_update* msgs, uint32_t count);
KAV_API uint32_t kav_resetstat_update__sendtomsg(uint32_t dest, const kav_resetstat_update* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_resetstat_update__sendsingle(uint32_t dest, const kav_resetstat_update* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_resetstat_update__sendbatch(uint32_t dest, const kav_resetstat_update* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_ot_dstaddr__pack(const kav_ot_dstaddr* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_ot_dstaddr__unpack(const uint8_t* buf, uint32_t len, kav_ot_dstaddr* out);
KAV_API void kav_ot_dstaddr_free__unpacked(kav_ot_dstaddr* msg);
KAV_API uint32_t kav_ot_dstaddr__sendmsg(uint32_t dest, const kav_ot_dstaddr* msgs, uint32_t count);
KAV_API uint32_t kav_ot_dstaddr__sendtomsg(uint32_t dest, const kav_ot_dstaddr* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_ot_dstaddr__sendsingle(uint32_t dest, const kav_ot_dstaddr* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_ot_dstaddr__sendbatch(uint32_t dest, const kav_ot_dstaddr* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_ot_ethlen__pack(const kav_ot_ethlen* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_ot_ethlen__unpack(const uint8_t* buf, uint32_t len, kav_ot_ethlen* out);
KAV_API void kav_ot_ethlen_free__unpacked(kav_ot_ethlen* msg);
KAV_API uint32_t kav_ot_ethlen__sendmsg(uint32_t dest, const kav_ot_ethlen* msgs, uint32_t count);
KAV_API uint32_t kav_ot_ethlen__sendtomsg(uint32_t dest, const kav_ot_ethlen* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_ot_ethlen__sendsingle(uint32_t dest, const kav_ot_ethlen* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_ot_ethlen__sendbatch(uint32_t dest, const kav_ot_ethlen* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_ot_flexrecord__pack(const kav_ot_flexrecord* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_ot_flexrecord__unpack(const uint8_t* buf, uint32_t len, kav_ot_flexrecord* out);
KAV_API void kav_ot_flexrecord_free__unpacked(kav_ot_flexrecord* msg);
KAV_API uint32_t kav_ot_flexrecord__sendmsg(uint32_t dest, const kav_ot_flexrecord* msgs, uint32_t count);
KAV_API uint32_t kav_ot_flexrecord__sendtomsg(uint32_t dest, const kav_ot_flexrecord* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_ot_flexrecord__sendsingle(uint32_t dest, const kav_ot_flexrecord* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_ot_flexrecord__sendbatch(uint32_t dest, const kav_ot_flexrecord* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_ot_flextemplate__pack(const kav_ot_flextemplate* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_ot_flextemplate__unpack(const uint8_t* buf, uint32_t len, kav_ot_flextemplate* out);
KAV_API void kav_ot_flextemplate_free__unpacked(kav_ot_flextemplate* msg);
KAV_API uint32_t kav_ot_flextemplate__sendmsg(uint32_t dest, const kav_ot_flextemplate* msgs, uint32_t count);
KAV_API uint32_t kav_ot_flextemplate__sendtomsg(uint32_t dest, const kav_ot_flextemplate* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_ot_flextemplate__sendsingle(uint32_t dest, const kav_ot_flextemplate* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_ot_flextemplate__sendbatch(uint32_t dest, const kav_ot_flextemplate* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_ot_patch_res__pack(const kav_ot_patch_res* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_ot_patch_res__unpack(const uint8_t* buf, uint32_t len, kav_ot_patch_res* out);
KAV_API void kav_ot_patch_res_free__unpacked(kav_ot_patch_res* msg);
KAV_API uint32_t kav_ot_patch_res__sendmsg(uint32_t dest, const kav_ot_patch_res* msgs, uint32_t count);
KAV_API uint32_t kav_ot_patch_res__sendtomsg(uint32_t dest, const kav_ot_patch_res* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_ot_patch_res__sendsingle(uint32_t dest, const kav_ot_patch_res* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_ot_patch_res__sendbatch(uint32_t dest, const kav_ot_patch_res* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_ot_globaldata__pack(const kav_ot_globaldata* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_ot_globaldata__unpack(const uint8_t* buf, uint32_t len, kav_ot_globaldata* out);
KAV_API void kav_ot_globaldata_free__unpacked(kav_ot_globaldata* msg);
KAV_API uint32_t kav_ot_globaldata__sendmsg(uint32_t dest, const kav_ot_globaldata* msgs, uint32_t count);
KAV_API uint32_t kav_ot_globaldata__sendtomsg(uint32_t dest, const kav_ot_globaldata* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_ot_globaldata__sendsingle(uint32_t dest, const kav_ot_globaldata* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_ot_globaldata__sendbatch(uint32_t dest, const kav_ot_globaldata* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_ot_ifindexswitch__pack(const kav_ot_ifindexswitch* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_ot_ifindexswitch__unpack(const uint8_t* buf, uint32_t len, kav_ot_ifindexswitch* out);
KAV_API void kav_ot_ifindexswitch_free__unpacked(kav_ot_ifindexswitch* msg);
KAV_API uint32_t kav_ot_ifindexswitch__sendmsg(uint32_t dest, const kav_ot_ifindexswitch* msgs, uint32_t count);
KAV_API uint32_t kav_ot_ifindexswitch__sendtomsg(uint32_t dest, const kav_ot_ifindexswitch* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_ot_ifindexswitch__sendsingle(uint32_t dest, const kav_ot_ifindexswitch* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_ot_ifindexswitch__sendbatch(uint32_t dest, const kav_ot_ifindexswitch* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_ot_mainifsamplerate__pack(const kav_ot_mainifsamplerate* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_ot_mainifsamplerate__unpack(const uint8_t* buf, uint32_t len, kav_ot_mainifsamplerate* out);
KAV_API void kav_ot_mainifsamplerate_free__unpacked(kav_ot_mainifsamplerate* msg);
KAV_API uint32_t kav_ot_mainifsamplerate__sendmsg(uint32_t dest, const kav_ot_mainifsamplerate* msgs, uint32_t count);
KAV_API uint32_t kav_ot_mainifsamplerate__sendtomsg(uint32_t dest, const kav_ot_mainifsamplerate* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_ot_mainifsamplerate__sendsingle(uint32_t dest, const kav_ot_mainifsamplerate* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_ot_mainifsamplerate__sendbatch(uint32_t dest, const kav_ot_mainifsamplerate* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_ot_monitorcfg__pack(const kav_ot_monitorcfg* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_ot_monitorcfg__unpack(const uint8_t* buf, uint32_t len, kav_ot_monitorcfg* out);
KAV_API void kav_ot_monitorcfg_free__unpacked(kav_ot_monitorcfg* msg);
KAV_API uint32_t kav_ot_monitorcfg__sendmsg(uint32_t dest, const kav_ot_monitorcfg* msgs, uint32_t count);
KAV_API uint32_t kav_ot_monitorcfg__sendtomsg(uint32_t dest, const kav_ot_monitorcfg* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_ot_monitorcfg__sendsingle(uint32_t dest, const kav_ot_monitorcfg* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_ot_monitorcfg__sendbatch(uint32_t dest, const kav_ot_monitorcfg* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_ot_samplecfg__pack(const kav_ot_samplecfg* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_ot_samplecfg__unpack(const uint8_t* buf, uint32_t len, kav_ot_samplecfg* out);
KAV_API void kav_ot_samplecfg_free__unpacked(kav_ot_samplecfg* msg);
KAV_API uint32_t kav_ot_samplecfg__sendmsg(uint32_t dest, const kav_ot_samplecfg* msgs, uint32_t count);
KAV_API uint32_t kav_ot_samplecfg__sendtomsg(uint32_t dest, const kav_ot_samplecfg* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_ot_samplecfg__sendsingle(uint32_t dest, const kav_ot_samplecfg* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_ot_samplecfg__sendbatch(uint32_t dest, const kav_ot_samplecfg* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_ot_samplerate__pack(const kav_ot_samplerate* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_ot_samplerate__unpack(const uint8_t* buf, uint32_t len, kav_ot_samplerate* out);
KAV_API void kav_ot_samplerate_free__unpacked(kav_ot_samplerate* msg);
KAV_API uint32_t kav_ot_samplerate__sendmsg(uint32_t dest, const kav_ot_samplerate* msgs, uint32_t count);
KAV_API uint32_t kav_ot_samplerate__sendtomsg(uint32_t dest, const kav_ot_samplerate* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_ot_samplerate__sendsingle(uint32_t dest, const kav_ot_samplerate* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_ot_samplerate__sendbatch(uint32_t dest, const kav_ot_samplerate* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_ot_srcaddr__pack(const kav_ot_srcaddr* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_ot_srcaddr__unpack(const uint8_t* buf, uint32_t len, kav_ot_srcaddr* out);
KAV_API void kav_ot_srcaddr_free__unpacked(kav_ot_srcaddr* msg);
KAV_API uint32_t kav_ot_srcaddr__sendmsg(uint32_t dest, const kav_ot_srcaddr* msgs, uint32_t count);
KAV_API uint32_t kav_ot_srcaddr__sendtomsg(uint32_t dest, const kav_ot_srcaddr* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_ot_srcaddr__sendsingle(uint32_t dest, const kav_ot_srcaddr* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_ot_srcaddr__sendbatch(uint32_t dest, const kav_ot_srcaddr* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_ot_tmptimeout__pack(const kav_ot_tmptimeout* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_ot_tmptimeout__unpack(const uint8_t* buf, uint32_t len, kav_ot_tmptimeout* out);
KAV_API void kav_ot_tmptimeout_free__unpacked(kav_ot_tmptimeout* msg);
KAV_API uint32_t kav_ot_tmptimeout__sendmsg(uint32_t dest, const kav_ot_tmptimeout* msgs, uint32_t count);
KAV_API uint32_t kav_ot_tmptimeout__sendtomsg(uint32_t dest, const kav_ot_tmptimeout* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_ot_tmptimeout__sendsingle(uint32_t dest, const kav_ot_tmptimeout* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_ot_tmptimeout__sendbatch(uint32_t dest, const kav_ot_tmptimeout* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_ot_globalsamplerate__pack(const kav_ot_globalsamplerate* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_ot_globalsamplerate__unpack(const uint8_t* buf, uint32_t len, kav_ot_globalsamplerate* out);
KAV_API void kav_ot_globalsamplerate_free__unpacked(kav_ot_globalsamplerate* msg);
KAV_API uint32_t kav_ot_globalsamplerate__sendmsg(uint32_t dest, const kav_ot_globalsamplerate* msgs, uint32_t count);
KAV_API uint32_t kav_ot_globalsamplerate__sendtomsg(uint32_t dest, const kav_ot_globalsamplerate* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_ot_globalsamplerate__sendsingle(uint32_t dest, const kav_ot_globalsamplerate* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_ot_globalsamplerate__sendbatch(uint32_t dest, const kav_ot_globalsamplerate* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_ot_queenable__pack(const kav_ot_queenable* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_ot_queenable__unpack(const uint8_t* buf, uint32_t len, kav_ot_queenable* out);
KAV_API void kav_ot_queenable_free__unpacked(kav_ot_queenable* msg);
KAV_API uint32_t kav_ot_queenable__sendmsg(uint32_t dest, const kav_ot_queenable* msgs, uint32_t count);
KAV_API uint32_t kav_ot_queenable__sendtomsg(uint32_t dest, const kav_ot_queenable* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_ot_queenable__sendsingle(uint32_t dest, const kav_ot_queenable* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_ot_queenable__sendbatch(uint32_t dest, const kav_ot_queenable* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_ot_extenable__pack(const kav_ot_extenable* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_ot_extenable__unpack(const uint8_t* buf, uint32_t len, kav_ot_extenable* out);
KAV_API void kav_ot_extenable_free__unpacked(kav_ot_extenable* msg);
KAV_API uint32_t kav_ot_extenable__sendmsg(uint32_t dest, const kav_ot_extenable* msgs, uint32_t count);
KAV_API uint32_t kav_ot_extenable__sendtomsg(uint32_t dest, const kav_ot_extenable* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_ot_extenable__sendsingle(uint32_t dest, const kav_ot_extenable* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_ot_extenable__sendbatch(uint32_t dest, const kav_ot_extenable* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_ot_cachelog__pack(const kav_ot_cachelog* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_ot_cachelog__unpack(const uint8_t* buf, uint32_t len, kav_ot_cachelog* out);
KAV_API void kav_ot_cachelog_free__unpacked(kav_ot_cachelog* msg);
KAV_API uint32_t kav_ot_cachelog__sendmsg(uint32_t dest, const kav_ot_cachelog* msgs, uint32_t count);
KAV_API uint32_t kav_ot_cachelog__sendtomsg(uint32_t dest, const kav_ot_cachelog* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_ot_cachelog__sendsingle(uint32_t dest, const kav_ot_cachelog* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_ot_cachelog__sendbatch(uint32_t dest, const kav_ot_cachelog* msgs, uint32_t count, uint64_t to);

KAV_API uint32_t kav_ot_cachelocalmsg__pack(const kav_ot_cachelocalmsg* msg, uint8_t* buf, uint32_t* len);
KAV_API uint32_t kav_ot_cachelocalmsg__unpack(const uint8_t* buf, uint32_t len, kav_ot_cachelocalmsg* out);
KAV_API void kav_ot_cachelocalmsg_free__unpacked(kav_ot_cachelocalmsg* msg);
KAV_API uint32_t kav_ot_cachelocalmsg__sendmsg(uint32_t dest, const kav_ot_cachelocalmsg* msgs, uint32_t count);
KAV_API uint32_t kav_ot_cachelocalmsg__sendtomsg(uint32_t dest, const kav_ot_cachelocalmsg* msgs, uint32_t count, uint64_t to);
KAV_API uint32_t kav_ot_cachelocalmsg__sendsingle(uint32_t dest, const kav_ot_cachelocalmsg* msg, uint64_t reserved, uint64_t to);
KAV_API uint32_t kav_ot_cachelocalmsg__sendbatch(uint32_t dest, const kav_ot_cachelocalmsg* msgs, uint32_t count, uint64_t to);

/* clang-format on */
/* ---- End of generated declarations ---- */

/*
 * Package set-up. kav_recv_init registers every message's unpack and free
 * functions with the messaging library in the order above and returns the
 * first non-zero registration result (0 when all succeed). kav_send_init
 * registers kav__send_resource_clean, which has nothing to release.
 */
KAV_API uint32_t kav_recv_init(void);
KAV_API uint32_t kav_send_init(void);
KAV_API void kav__send_resource_clean(void);

#ifdef __cplusplus
}
#endif

#endif /* KAV_H */
