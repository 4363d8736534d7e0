/* A plain C99 user of both public headers.
 *
 * At compile time it pins the size of every message structure to the catalogue's unpacked size and
 * the offset and width of every member to what natural alignment gives for the catalogue's field
 * lists; the numbers are written out by hand, so a member of the wrong type or in the wrong place
 * fails the build. At run time it packs, unpacks and sends one message through the library. */
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "kav.h"
#include "kav_sync.h"
#include "varelmesh_control.h"

/* C99 has no static assertion: a false condition declares an array of negative size. Repeating a
 * compatible extern declaration is allowed, so one name serves every check. */
#define KAV_CHECK(cond) extern char kav_layout_check[(cond) ? 1 : -1]
#define SIZE(T, n) KAV_CHECK(sizeof(T) == (n))
#define MEMBER(T, m, off, width) \
    KAV_CHECK(offsetof(T, m) == (off)); \
    KAV_CHECK(sizeof(((T *)0)->m) == (width))

/* ---- control messages --------------------------------------------------------------------- */

#define LAYOUT_PID_STATE(T) \
    SIZE(T, 12); MEMBER(T, field0, 0, 4); MEMBER(T, field1, 4, 4); MEMBER(T, field2, 8, 4)
#define LAYOUT_SMOOTH(T) SIZE(T, 8); MEMBER(T, field0, 0, 4); MEMBER(T, field1, 4, 4)
#define LAYOUT_SMOOTH_NOTICE(T) \
    SIZE(T, 12); MEMBER(T, field0, 0, 4); MEMBER(T, field1, 4, 8); \
    MEMBER(T, field1.field0, 4, 4); MEMBER(T, field1.field1, 8, 4)
#define LAYOUT_RESETCACHE(T) \
    SIZE(T, 20); MEMBER(T, field0, 0, 4); MEMBER(T, field1, 4, 4); MEMBER(T, field2, 8, 4); \
    MEMBER(T, field3, 12, 4); MEMBER(T, field4, 16, 4)
#define LAYOUT_RESETSTAT(T) \
    SIZE(T, 24); MEMBER(T, field0, 0, 4); MEMBER(T, field1, 4, 4); MEMBER(T, field2, 8, 4); \
    MEMBER(T, field3, 12, 4); MEMBER(T, field4, 16, 4); MEMBER(T, field5, 20, 4)

LAYOUT_PID_STATE(kav_pid_state);
LAYOUT_SMOOTH(kav_smooth);
SIZE(kav_pid_state_chg, 16);
MEMBER(kav_pid_state_chg, field0, 0, 2);
MEMBER(kav_pid_state_chg, field1, 4, 12);
MEMBER(kav_pid_state_chg, field1.field0, 4, 4);
MEMBER(kav_pid_state_chg, field1.field2, 12, 4);
LAYOUT_SMOOTH_NOTICE(kav_smooth_begin_msg);
LAYOUT_SMOOTH_NOTICE(kav_smooth_end_msg);
LAYOUT_RESETCACHE(kav_resetcache);
LAYOUT_RESETSTAT(kav_resetstat);

/* ---- lists: field0, the count, the pointer to records of the item's size ------------------ */

#define LAYOUT_LIST(T, item_size) \
    SIZE(T, 16); MEMBER(T, field0, 0, 4); MEMBER(T, n_field1, 4, 4); MEMBER(T, field1, 8, 8); \
    KAV_CHECK(sizeof(((T *)0)->field1[0]) == (item_size))
#define LAYOUT_LISTS(rec, item_size) \
    LAYOUT_LIST(rec##_update, item_size); LAYOUT_LIST(rec##_delete, item_size)

LAYOUT_LIST(kav_resetcache_update, 20);
LAYOUT_LIST(kav_resetstat_update, 24);
LAYOUT_LISTS(kav_host, 56);
LAYOUT_LISTS(kav_srcaddr, 16);
LAYOUT_LISTS(kav_srcaddrv6, 28);
LAYOUT_LISTS(kav_ifsamplecfg, 28);
LAYOUT_LISTS(kav_ifsamplerate, 20);
LAYOUT_LISTS(kav_globalsamplerate, 16);
LAYOUT_LISTS(kav_intsamplerate, 28);
LAYOUT_LISTS(kav_monitorcfg, 48);
LAYOUT_LISTS(kav_ifindexswitch, 12);
LAYOUT_LISTS(kav_globalcfg, 56);
LAYOUT_LISTS(kav_globaltmpcfg, 16);
LAYOUT_LISTS(kav_templateflow, 188);
LAYOUT_LISTS(kav_recordcfg, 48);
LAYOUT_LISTS(kav_queenable, 8);
LAYOUT_LISTS(kav_extenable, 8);
LAYOUT_LISTS(kav_ethlen, 8);
LAYOUT_LISTS(kav_cachelog, 76);

/* ---- configuration records -------------------------------------------------------------- */

#define LAYOUT_HOST(T) \
    SIZE(T, 56); MEMBER(T, field0, 0, 4); MEMBER(T, field1, 4, 4); MEMBER(T, field2, 8, 4); \
    MEMBER(T, field3, 12, 2); MEMBER(T, field4, 14, 2); MEMBER(T, field5, 16, 4); \
    MEMBER(T, field6, 20, 4); MEMBER(T, field7, 24, 16); MEMBER(T, field8, 40, 1); \
    MEMBER(T, field9, 41, 1); MEMBER(T, field10, 42, 1); MEMBER(T, field11, 43, 1); \
    MEMBER(T, field12, 44, 4); MEMBER(T, field13, 48, 6)
#define LAYOUT_SRCADDR_HEAD(T) \
    MEMBER(T, field0, 0, 4); MEMBER(T, field1, 4, 4); MEMBER(T, field2, 8, 2); \
    MEMBER(T, field3, 10, 1); MEMBER(T, field4, 11, 1)
#define LAYOUT_SRCADDR(T) SIZE(T, 16); LAYOUT_SRCADDR_HEAD(T); MEMBER(T, field5, 12, 4)
#define LAYOUT_SRCADDRV6(T) SIZE(T, 28); LAYOUT_SRCADDR_HEAD(T); MEMBER(T, field5, 12, 16)
#define LAYOUT_IFSAMPLECFG(T) \
    SIZE(T, 28); MEMBER(T, field0, 0, 4); MEMBER(T, field1, 4, 4); MEMBER(T, field2, 8, 4); \
    MEMBER(T, field3, 12, 1); MEMBER(T, field4, 13, 1); MEMBER(T, field5, 14, 1); \
    MEMBER(T, field6, 15, 1); MEMBER(T, field7, 16, 1); MEMBER(T, field8, 17, 1); \
    MEMBER(T, field9, 18, 2); MEMBER(T, field10, 20, 4); MEMBER(T, field11, 24, 4)
#define LAYOUT_IFSAMPLERATE(T) \
    SIZE(T, 20); MEMBER(T, field0, 0, 4); MEMBER(T, field1, 4, 4); MEMBER(T, field2, 8, 4); \
    MEMBER(T, field3, 12, 4); MEMBER(T, field4, 16, 1)
#define LAYOUT_GLOBALSAMPLERATE(T) \
    SIZE(T, 16); MEMBER(T, field0, 0, 4); MEMBER(T, field1, 4, 1); MEMBER(T, field2, 5, 1); \
    MEMBER(T, field3, 8, 4); MEMBER(T, field4, 12, 4)
#define LAYOUT_INTSAMPLERATE(T) \
    SIZE(T, 28); MEMBER(T, field0, 0, 4); MEMBER(T, field1, 4, 4); MEMBER(T, field2, 8, 4); \
    MEMBER(T, field3, 12, 4); MEMBER(T, field4, 16, 4); MEMBER(T, field5, 20, 1); \
    MEMBER(T, field6, 21, 1); MEMBER(T, field7, 22, 1); MEMBER(T, field8, 23, 1); \
    MEMBER(T, field9, 24, 1)
#define LAYOUT_MONITORCFG(T) \
    SIZE(T, 48); MEMBER(T, field0, 0, 4); MEMBER(T, field1, 4, 4); MEMBER(T, field2, 8, 1); \
    MEMBER(T, field3, 9, 1); MEMBER(T, field4, 10, 1); MEMBER(T, field5, 11, 1); \
    MEMBER(T, field6, 12, 4); MEMBER(T, field7, 16, 4); MEMBER(T, field8, 20, 4); \
    MEMBER(T, field9, 24, 4); MEMBER(T, field10, 28, 4); MEMBER(T, field11, 32, 4); \
    MEMBER(T, field12, 36, 1); MEMBER(T, field13, 37, 1); MEMBER(T, field14, 38, 1); \
    MEMBER(T, field15, 39, 1); MEMBER(T, field16, 40, 4); MEMBER(T, field17, 44, 4)
#define LAYOUT_IFINDEXSWITCH(T) \
    SIZE(T, 12); MEMBER(T, field0, 0, 4); MEMBER(T, field1, 4, 4); MEMBER(T, field2, 8, 4)
#define LAYOUT_GLOBALCFG(T) \
    SIZE(T, 56); MEMBER(T, field0, 0, 4); MEMBER(T, field1, 4, 4); MEMBER(T, field2, 8, 4); \
    MEMBER(T, field3, 12, 4); MEMBER(T, field4, 16, 4); MEMBER(T, field5, 20, 4); \
    MEMBER(T, field6, 24, 4); MEMBER(T, field7, 28, 4); MEMBER(T, field8, 32, 4); \
    MEMBER(T, field9, 36, 4); MEMBER(T, field10, 40, 4); MEMBER(T, field11, 44, 4); \
    MEMBER(T, field12, 48, 4); MEMBER(T, field13, 52, 1); MEMBER(T, field14, 53, 1); \
    MEMBER(T, field15, 54, 2)
#define LAYOUT_GLOBALTMPCFG(T) \
    SIZE(T, 16); MEMBER(T, field0, 0, 4); MEMBER(T, field1, 4, 4); MEMBER(T, field2, 8, 4); \
    MEMBER(T, field3, 12, 2); MEMBER(T, field4, 14, 1); MEMBER(T, field5, 15, 1)
#define LAYOUT_TEMPLATEFLOW(T) \
    SIZE(T, 188); MEMBER(T, field0, 0, 4); MEMBER(T, field1, 4, 4); MEMBER(T, field2, 8, 1); \
    MEMBER(T, field3, 9, 1); MEMBER(T, field4, 10, 2); MEMBER(T, field5, 12, 2); \
    MEMBER(T, field6, 14, 2); MEMBER(T, field7, 16, 2); MEMBER(T, field8, 18, 2); \
    MEMBER(T, field9, 20, 168); MEMBER(T, field9[0], 20, 4); MEMBER(T, field9[41], 184, 4)
#define LAYOUT_RECORDCFG(T) \
    SIZE(T, 48); MEMBER(T, field0, 0, 4); MEMBER(T, field1, 4, 1); MEMBER(T, field2, 5, 1); \
    MEMBER(T, field3, 6, 1); MEMBER(T, field4, 7, 1); MEMBER(T, field5, 8, 1); \
    MEMBER(T, field6, 9, 1); MEMBER(T, field7, 10, 1); MEMBER(T, field8, 11, 1); \
    MEMBER(T, field9, 12, 1); MEMBER(T, field10, 13, 1); MEMBER(T, field11, 14, 1); \
    MEMBER(T, field12, 15, 1); MEMBER(T, field13, 16, 1); MEMBER(T, field14, 17, 1); \
    MEMBER(T, field15, 18, 1); MEMBER(T, field16, 19, 1); MEMBER(T, field17, 20, 1); \
    MEMBER(T, field18, 21, 1); MEMBER(T, field19, 22, 1); MEMBER(T, field20, 23, 1); \
    MEMBER(T, field21, 24, 1); MEMBER(T, field22, 25, 1); MEMBER(T, field23, 26, 1); \
    MEMBER(T, field24, 27, 1); MEMBER(T, field25, 28, 1); MEMBER(T, field26, 29, 1); \
    MEMBER(T, field27, 30, 1); MEMBER(T, field28, 31, 1); MEMBER(T, field29, 32, 1); \
    MEMBER(T, field30, 33, 1); MEMBER(T, field31, 36, 4); MEMBER(T, field32, 40, 1); \
    MEMBER(T, field33, 41, 1); MEMBER(T, field34, 42, 1); MEMBER(T, field35, 43, 1); \
    MEMBER(T, field36, 44, 1); MEMBER(T, field37, 45, 1); MEMBER(T, field38, 46, 1)
#define LAYOUT_QUEENABLE(T) SIZE(T, 8); MEMBER(T, field0, 0, 4); MEMBER(T, field1, 4, 1)
#define LAYOUT_ETHLEN(T) SIZE(T, 8); MEMBER(T, field0, 0, 4); MEMBER(T, field1, 4, 4)
#define LAYOUT_CACHELOG(T) \
    SIZE(T, 76); MEMBER(T, field0, 0, 4); MEMBER(T, field1, 4, 4); MEMBER(T, field2, 8, 4); \
    MEMBER(T, field3, 12, 64)

LAYOUT_HOST(kav_host);
LAYOUT_SRCADDR(kav_srcaddr);
LAYOUT_SRCADDRV6(kav_srcaddrv6);
LAYOUT_IFSAMPLECFG(kav_ifsamplecfg);
LAYOUT_IFSAMPLERATE(kav_ifsamplerate);
LAYOUT_GLOBALSAMPLERATE(kav_globalsamplerate);
LAYOUT_INTSAMPLERATE(kav_intsamplerate);
LAYOUT_MONITORCFG(kav_monitorcfg);
LAYOUT_IFINDEXSWITCH(kav_ifindexswitch);
LAYOUT_GLOBALCFG(kav_globalcfg);
LAYOUT_GLOBALTMPCFG(kav_globaltmpcfg);
SIZE(kav_templateflow_entry, 4);
MEMBER(kav_templateflow_entry, field0, 0, 2);
MEMBER(kav_templateflow_entry, field1, 2, 1);
MEMBER(kav_templateflow_entry, field2, 3, 1);
LAYOUT_TEMPLATEFLOW(kav_templateflow);
LAYOUT_RECORDCFG(kav_recordcfg);
LAYOUT_QUEENABLE(kav_queenable);
LAYOUT_QUEENABLE(kav_extenable);
LAYOUT_ETHLEN(kav_ethlen);
LAYOUT_CACHELOG(kav_cachelog);

/* ---- reports ----------------------------------------------------------------------------- */

/* Three reports carry a configuration record's field list exactly, and so its layout. */
LAYOUT_IFSAMPLERATE(kav_ot_samplerate);
LAYOUT_GLOBALSAMPLERATE(kav_ot_globalsamplerate);
LAYOUT_IFINDEXSWITCH(kav_ot_ifindexswitch);
LAYOUT_QUEENABLE(kav_ot_queenable);
LAYOUT_QUEENABLE(kav_ot_extenable);
LAYOUT_ETHLEN(kav_ot_ethlen);

SIZE(kav_ot_dstaddr, 40);
MEMBER(kav_ot_dstaddr, field0, 0, 4);
MEMBER(kav_ot_dstaddr, field1, 4, 1);
MEMBER(kav_ot_dstaddr, field2, 6, 2);
MEMBER(kav_ot_dstaddr, field3, 8, 1);
MEMBER(kav_ot_dstaddr, field4, 12, 4);
MEMBER(kav_ot_dstaddr, field5, 16, 2);
MEMBER(kav_ot_dstaddr, field6, 18, 1);
MEMBER(kav_ot_dstaddr, field7, 20, 4);
MEMBER(kav_ot_dstaddr, field8, 24, 16);

SIZE(kav_ot_flexrecord, 48);
MEMBER(kav_ot_flexrecord, field0, 0, 4);
MEMBER(kav_ot_flexrecord, field1, 4, 1);
MEMBER(kav_ot_flexrecord, field2, 5, 1);
MEMBER(kav_ot_flexrecord, field3, 8, 4);
MEMBER(kav_ot_flexrecord, field4, 12, 1);
MEMBER(kav_ot_flexrecord, field5, 13, 1);
MEMBER(kav_ot_flexrecord, field6, 14, 1);
MEMBER(kav_ot_flexrecord, field7, 15, 1);
MEMBER(kav_ot_flexrecord, field8, 16, 1);
MEMBER(kav_ot_flexrecord, field9, 17, 1);
MEMBER(kav_ot_flexrecord, field10, 18, 1);
MEMBER(kav_ot_flexrecord, field11, 19, 1);
MEMBER(kav_ot_flexrecord, field12, 20, 1);
MEMBER(kav_ot_flexrecord, field13, 21, 1);
MEMBER(kav_ot_flexrecord, field14, 22, 1);
MEMBER(kav_ot_flexrecord, field15, 23, 1);
MEMBER(kav_ot_flexrecord, field16, 24, 1);
MEMBER(kav_ot_flexrecord, field17, 25, 1);
MEMBER(kav_ot_flexrecord, field18, 26, 1);
MEMBER(kav_ot_flexrecord, field19, 27, 1);
MEMBER(kav_ot_flexrecord, field20, 28, 1);
MEMBER(kav_ot_flexrecord, field21, 29, 1);
MEMBER(kav_ot_flexrecord, field22, 30, 1);
MEMBER(kav_ot_flexrecord, field23, 31, 1);
MEMBER(kav_ot_flexrecord, field24, 32, 1);
MEMBER(kav_ot_flexrecord, field25, 33, 1);
MEMBER(kav_ot_flexrecord, field26, 34, 1);
MEMBER(kav_ot_flexrecord, field27, 35, 1);
MEMBER(kav_ot_flexrecord, field28, 36, 1);
MEMBER(kav_ot_flexrecord, field29, 37, 1);
MEMBER(kav_ot_flexrecord, field30, 38, 1);
MEMBER(kav_ot_flexrecord, field31, 39, 1);
MEMBER(kav_ot_flexrecord, field32, 40, 1);
MEMBER(kav_ot_flexrecord, field33, 41, 1);
MEMBER(kav_ot_flexrecord, field34, 42, 1);
MEMBER(kav_ot_flexrecord, field35, 43, 1);
MEMBER(kav_ot_flexrecord, field36, 44, 1);

SIZE(kav_ot_flextemplate, 184);
MEMBER(kav_ot_flextemplate, field0, 0, 4);
MEMBER(kav_ot_flextemplate, field1, 4, 1);
MEMBER(kav_ot_flextemplate, field2, 5, 1);
MEMBER(kav_ot_flextemplate, field3, 6, 2);
MEMBER(kav_ot_flextemplate, field4, 8, 2);
MEMBER(kav_ot_flextemplate, field5, 10, 2);
MEMBER(kav_ot_flextemplate, field6, 12, 2);
MEMBER(kav_ot_flextemplate, field7, 14, 84);
MEMBER(kav_ot_flextemplate, field7[0], 14, 2);
MEMBER(kav_ot_flextemplate, field8, 98, 42);
MEMBER(kav_ot_flextemplate, field9, 140, 42);

SIZE(kav_ot_cachelocalmsg, 136);
MEMBER(kav_ot_cachelocalmsg, field0, 0, 2);
MEMBER(kav_ot_cachelocalmsg, field1, 2, 2);
MEMBER(kav_ot_cachelocalmsg, field2, 4, 2);
MEMBER(kav_ot_cachelocalmsg, field3, 6, 2);
MEMBER(kav_ot_cachelocalmsg, field4, 8, 2);
MEMBER(kav_ot_cachelocalmsg, field5, 10, 2);
MEMBER(kav_ot_cachelocalmsg, field6, 12, 2);
MEMBER(kav_ot_cachelocalmsg, field7, 14, 2);
MEMBER(kav_ot_cachelocalmsg, field8, 16, 4);
MEMBER(kav_ot_cachelocalmsg, field9, 20, 4);
MEMBER(kav_ot_cachelocalmsg, field10, 24, 4);
MEMBER(kav_ot_cachelocalmsg, field11, 28, 4);
MEMBER(kav_ot_cachelocalmsg, field12, 32, 4);
MEMBER(kav_ot_cachelocalmsg, field13, 36, 4);
MEMBER(kav_ot_cachelocalmsg, field14, 40, 4);
MEMBER(kav_ot_cachelocalmsg, field15, 44, 2);
MEMBER(kav_ot_cachelocalmsg, field16, 46, 2);
MEMBER(kav_ot_cachelocalmsg, field17, 48, 8);
MEMBER(kav_ot_cachelocalmsg, field18, 56, 8);
MEMBER(kav_ot_cachelocalmsg, field19, 64, 4);
MEMBER(kav_ot_cachelocalmsg, field20, 68, 4);
MEMBER(kav_ot_cachelocalmsg, field21, 72, 8);
MEMBER(kav_ot_cachelocalmsg, field22, 80, 1);
MEMBER(kav_ot_cachelocalmsg, field23, 81, 1);
MEMBER(kav_ot_cachelocalmsg, field24, 82, 1);
MEMBER(kav_ot_cachelocalmsg, field25, 83, 1);
MEMBER(kav_ot_cachelocalmsg, field26, 84, 16);
MEMBER(kav_ot_cachelocalmsg, field27, 100, 33);
MEMBER(kav_ot_cachelocalmsg, field28, 133, 3);

SIZE(kav_ot_patch_res, 40);
MEMBER(kav_ot_patch_res, field0, 0, 4);
MEMBER(kav_ot_patch_res, field1, 4, 4);
MEMBER(kav_ot_patch_res, field2, 8, 4);
MEMBER(kav_ot_patch_res, field3, 12, 4);
MEMBER(kav_ot_patch_res, field4, 16, 4);
MEMBER(kav_ot_patch_res, field5, 20, 4);
MEMBER(kav_ot_patch_res, field6, 24, 4);
MEMBER(kav_ot_patch_res, field7, 28, 4);
MEMBER(kav_ot_patch_res, field8, 32, 4);
MEMBER(kav_ot_patch_res, field9, 36, 4);

SIZE(kav_ot_globaldata, 36);
MEMBER(kav_ot_globaldata, field0, 0, 4);
MEMBER(kav_ot_globaldata, field1, 4, 1);
MEMBER(kav_ot_globaldata, field2, 8, 4);
MEMBER(kav_ot_globaldata, field3, 12, 4);
MEMBER(kav_ot_globaldata, field4, 16, 4);
MEMBER(kav_ot_globaldata, field5, 20, 4);
MEMBER(kav_ot_globaldata, field6, 24, 4);
MEMBER(kav_ot_globaldata, field7, 28, 4);
MEMBER(kav_ot_globaldata, field8, 32, 4);

SIZE(kav_ot_mainifsamplerate, 24);
MEMBER(kav_ot_mainifsamplerate, field0, 0, 4);
MEMBER(kav_ot_mainifsamplerate, field1, 4, 4);
MEMBER(kav_ot_mainifsamplerate, field2, 8, 1);
MEMBER(kav_ot_mainifsamplerate, field3, 9, 1);
MEMBER(kav_ot_mainifsamplerate, field4, 12, 4);
MEMBER(kav_ot_mainifsamplerate, field5, 16, 4);
MEMBER(kav_ot_mainifsamplerate, field6, 20, 4);

SIZE(kav_ot_monitorcfg, 24);
MEMBER(kav_ot_monitorcfg, field0, 0, 4);
MEMBER(kav_ot_monitorcfg, field1, 4, 4);
MEMBER(kav_ot_monitorcfg, field2, 8, 4);
MEMBER(kav_ot_monitorcfg, field3, 12, 4);
MEMBER(kav_ot_monitorcfg, field4, 16, 4);
MEMBER(kav_ot_monitorcfg, field5, 20, 4);

SIZE(kav_ot_samplecfg, 20);
MEMBER(kav_ot_samplecfg, field0, 0, 4);
MEMBER(kav_ot_samplecfg, field1, 4, 4);
MEMBER(kav_ot_samplecfg, field2, 8, 1);
MEMBER(kav_ot_samplecfg, field3, 9, 1);
MEMBER(kav_ot_samplecfg, field4, 10, 1);
MEMBER(kav_ot_samplecfg, field5, 12, 4);
MEMBER(kav_ot_samplecfg, field6, 16, 4);

SIZE(kav_ot_srcaddr, 28);
MEMBER(kav_ot_srcaddr, field0, 0, 4);
MEMBER(kav_ot_srcaddr, field1, 4, 1);
MEMBER(kav_ot_srcaddr, field2, 5, 1);
MEMBER(kav_ot_srcaddr, field3, 6, 2);
MEMBER(kav_ot_srcaddr, field4, 8, 4);
MEMBER(kav_ot_srcaddr, field5, 12, 16);

SIZE(kav_ot_tmptimeout, 12);
MEMBER(kav_ot_tmptimeout, field0, 0, 4);
MEMBER(kav_ot_tmptimeout, field1, 4, 1);
MEMBER(kav_ot_tmptimeout, field2, 8, 4);

SIZE(kav_ot_cachelog, 80);
MEMBER(kav_ot_cachelog, field0, 0, 4);
MEMBER(kav_ot_cachelog, field1, 4, 4);
MEMBER(kav_ot_cachelog, field2, 8, 4);
MEMBER(kav_ot_cachelog, field3, 12, 4);
MEMBER(kav_ot_cachelog, field4, 16, 64);

/* ---- package kav_sync: every message has its reference record's layout -------------------- */

#define LAYOUT_SYNC(layout, rec) layout(kav_sync_##rec##_update); layout(kav_sync_##rec##_delete)

LAYOUT_SYNC(LAYOUT_HOST, host);
LAYOUT_SYNC(LAYOUT_SRCADDR, srcaddr);
LAYOUT_SYNC(LAYOUT_SRCADDRV6, srcaddrv6);
LAYOUT_SYNC(LAYOUT_IFSAMPLECFG, ifsamplecfg);
LAYOUT_SYNC(LAYOUT_MONITORCFG, monitorcfg);
LAYOUT_SYNC(LAYOUT_IFINDEXSWITCH, ifindexswitch);
LAYOUT_SYNC(LAYOUT_QUEENABLE, queenable);
LAYOUT_SYNC(LAYOUT_GLOBALCFG, globalcfg);
LAYOUT_SYNC(LAYOUT_GLOBALTMPCFG, globaltmpcfg);
LAYOUT_SYNC(LAYOUT_TEMPLATEFLOW, templateflow);
LAYOUT_SYNC(LAYOUT_RECORDCFG, recordcfg);
LAYOUT_SYNC(LAYOUT_INTSAMPLERATE, intsamplerate);
LAYOUT_SYNC(LAYOUT_ETHLEN, ethlen);
LAYOUT_RESETCACHE(kav_sync_resetcache_update);
LAYOUT_RESETSTAT(kav_sync_resetstat_update);

/* The sampling-rate pair keeps only the first four slots of its record. */
#define LAYOUT_SYNC_IFSAMPLERATE(T) \
    SIZE(T, 16); MEMBER(T, field0, 0, 4); MEMBER(T, field1, 4, 4); MEMBER(T, field2, 8, 4); \
    MEMBER(T, field3, 12, 4)
LAYOUT_SYNC(LAYOUT_SYNC_IFSAMPLERATE, ifsamplerate);

/* ---- run time ----------------------------------------------------------------------------- */

static int fail(const char *what) {
    fprintf(stderr, "c99 consumer: %s\n", what);
    return 1;
}

int main(void) {
    kav_pid_state in;
    kav_pid_state out;
    uint8_t buf[64];
    uint32_t len = sizeof buf;
    VmeshSentEntry entry;

    in.field0 = 1;
    in.field1 = 2;
    in.field2 = 3;
    if (kav_pid_state__pack(&in, buf, &len) != 0) return fail("pack failed");
    if (len != 30) return fail("pack: expected 30 bytes");

    memset(&out, 0, sizeof out);
    if (kav_pid_state__unpack(buf, len, &out) != sizeof out) return fail("unpack: wrong size returned");
    if (out.field0 != 1 || out.field1 != 2 || out.field2 != 3) return fail("unpack: fields differ");
    kav_pid_state_free__unpacked(&out);

    vmesh_reset();
    vmesh_set_loopback(0);
    if (kav_pid_state__sendmsg(1, &in, 1) != 0) return fail("send failed");
    if (vmesh_send_count() != 1) return fail("send: expected one library call");
    if (vmesh_sent_entry(0, 0, &entry) != 1 || entry.length != 32) return fail("send: expected 32 bytes");

    printf("c99 consumer: ok\n");
    return 0;
}
