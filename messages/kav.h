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
 * message package_name, whose structure type has the same name.
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
 * message kav_name. KAV_MESSAGES(KAV_DECLARE_MESSAGE) declares them all; a
 * program may pass a macro of its own to visit every message.
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

KAV_MESSAGES(KAV_DECLARE_MESSAGE)

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
