// The catalogue's stated values for every message of both packages, written out by hand.
//
// One row per message: 78 of package kav in registration order, then 30 of package kav_sync in
// registration order. Every number is copied from the catalogue's summary lines and tables; where a
// value is not given in so many words but follows from given values by the format rules, the row
// carries a comment saying how it was worked out by hand. Nothing here is computed by code, so the
// tests that read this table check the library against an independent transcription.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kav_catalogue {

enum class Form : std::uint8_t { in_place, delegating };  // how __unpack treats a bad root header
enum class Encoder : std::uint8_t { fixed, compact };     // what the send functions transmit

struct Row {
  const char* package;        // "kav" or "kav_sync"
  const char* name;           // symbol prefix, e.g. "kav_host_update"
  const char* wire;           // text hashed into the message id, e.g. "kav.host_update"
  std::uint32_t size;         // unpacked structure size, the value __unpack returns
  std::uint32_t slots;        // slots of the root table
  std::uint32_t vtable_len;   // root vtable length in bytes
  Form form;
  Encoder encoder;
  std::uint32_t fixed_len;    // fixed length L handed to the messaging library (fixed messages), else 0
  std::uint32_t send_table;   // table length in the send encoding's vtable (fixed messages), else 0
  std::uint32_t packed_zero;  // __pack output size with every scalar zero (wrappers: empty list, field0 0)
  std::uint32_t packed_full;  // ... with every scalar non-zero (wrappers: empty list, field0 non-zero)
  const char* item;           // wrappers: the record carried in the list; otherwise nullptr
};

inline constexpr Form kInPlace = Form::in_place;
inline constexpr Form kDelegating = Form::delegating;
inline constexpr Encoder kFixed = Encoder::fixed;
inline constexpr Encoder kCompact = Encoder::compact;

// A wrapper row: two slots (vtable 8), unpacked size 16, in-place root, sent in the compact layout;
// packed into 16 bytes when empty, 20 when field0 is non-zero.
#define KAV_WRAPPER(pkg, name, wire, item) \
  { pkg, name, wire, 16, 2, 8, kInPlace, kCompact, 0, 0, 16, 20, item }

// clang-format off
inline constexpr Row kRows[] = {
  // ---- package kav: control messages ------------------------------------------------------
  // send table 16: the worked send layout of kav_pid_state (table length at vtable byte 2).
  {"kav", "kav_pid_state", "kav.pid_state", 12, 3, 10, kInPlace, kFixed, 32, 16, 18, 30, nullptr},
  // vtable 4 + 2 x 2; send table by hand: reference 4 + two u32 = 12; packed 16 + 4 per field.
  {"kav", "kav_smooth", "kav.smooth", 8, 2, 8, kInPlace, kFixed, 24, 12, 16, 24, nullptr},

  // ---- address records (records and their update/delete lists) ------------------------------
  {"kav", "kav_host", "kav.host", 56, 14, 32, kDelegating, kFixed, 112, 74, 78, 110, nullptr},
  KAV_WRAPPER("kav", "kav_host_update", "kav.host_update", "kav_host"),
  KAV_WRAPPER("kav", "kav_host_delete", "kav.host_delete", "kav_host"),
  {"kav", "kav_srcaddr", "kav.srcaddr", 16, 6, 16, kDelegating, kFixed, 40, 20, 24, 40, nullptr},
  KAV_WRAPPER("kav", "kav_srcaddr_update", "kav.srcaddr_update", "kav_srcaddr"),
  KAV_WRAPPER("kav", "kav_srcaddr_delete", "kav.srcaddr_delete", "kav_srcaddr"),
  {"kav", "kav_srcaddrv6", "kav.srcaddrv6", 28, 6, 16, kDelegating, kFixed, 64, 40, 48, 60, nullptr},
  KAV_WRAPPER("kav", "kav_srcaddrv6_update", "kav.srcaddrv6_update", "kav_srcaddrv6"),
  KAV_WRAPPER("kav", "kav_srcaddrv6_delete", "kav.srcaddrv6_delete", "kav_srcaddrv6"),

  // ---- sampling records ----------------------------------------------------------------------
  {"kav", "kav_ifsamplecfg", "kav.ifsamplecfg", 28, 12, 28, kDelegating, kFixed, 64, 32, 36, 64, nullptr},
  KAV_WRAPPER("kav", "kav_ifsamplecfg_update", "kav.ifsamplecfg_update", "kav_ifsamplecfg"),
  KAV_WRAPPER("kav", "kav_ifsamplecfg_delete", "kav.ifsamplecfg_delete", "kav_ifsamplecfg"),
  {"kav", "kav_ifsamplerate", "kav.ifsamplerate", 20, 5, 14, kInPlace, kFixed, 48, 21, 22, 39, nullptr},
  KAV_WRAPPER("kav", "kav_ifsamplerate_update", "kav.ifsamplerate_update", "kav_ifsamplerate"),
  KAV_WRAPPER("kav", "kav_ifsamplerate_delete", "kav.ifsamplerate_delete", "kav_ifsamplerate"),
  {"kav", "kav_globalsamplerate", "kav.globalsamplerate", 16, 5, 14, kInPlace, kFixed, 40, 18, 22, 36, nullptr},
  KAV_WRAPPER("kav", "kav_globalsamplerate_update", "kav.globalsamplerate_update", "kav_globalsamplerate"),
  KAV_WRAPPER("kav", "kav_globalsamplerate_delete", "kav.globalsamplerate_delete", "kav_globalsamplerate"),

  // ---- monitor records -----------------------------------------------------------------------
  {"kav", "kav_monitorcfg", "kav.monitorcfg", 48, 18, 40, kDelegating, kFixed, 96, 52, 48, 96, nullptr},
  KAV_WRAPPER("kav", "kav_monitorcfg_update", "kav.monitorcfg_update", "kav_monitorcfg"),
  KAV_WRAPPER("kav", "kav_monitorcfg_delete", "kav.monitorcfg_delete", "kav_monitorcfg"),
  {"kav", "kav_ifindexswitch", "kav.ifindexswitch", 12, 3, 10, kInPlace, kFixed, 32, 16, 18, 30, nullptr},
  KAV_WRAPPER("kav", "kav_ifindexswitch_update", "kav.ifindexswitch_update", "kav_ifindexswitch"),
  KAV_WRAPPER("kav", "kav_ifindexswitch_delete", "kav.ifindexswitch_delete", "kav_ifindexswitch"),
  {"kav", "kav_globalcfg", "kav.globalcfg", 56, 16, 36, kDelegating, kFixed, 104, 60, 44, 100, nullptr},
  KAV_WRAPPER("kav", "kav_globalcfg_update", "kav.globalcfg_update", "kav_globalcfg"),
  KAV_WRAPPER("kav", "kav_globalcfg_delete", "kav.globalcfg_delete", "kav_globalcfg"),
  {"kav", "kav_globaltmpcfg", "kav.globaltmpcfg", 16, 6, 16, kDelegating, kFixed, 40, 20, 24, 40, nullptr},
  KAV_WRAPPER("kav", "kav_globaltmpcfg_update", "kav.globaltmpcfg_update", "kav_globaltmpcfg"),
  KAV_WRAPPER("kav", "kav_globaltmpcfg_delete", "kav.globaltmpcfg_delete", "kav_globaltmpcfg"),

  // ---- template records ----------------------------------------------------------------------
  {"kav", "kav_templateflow", "kav.templateflow", 188, 10, 24, kInPlace, kFixed, 232, 200, 208, 228, nullptr},
  KAV_WRAPPER("kav", "kav_templateflow_update", "kav.templateflow_update", "kav_templateflow"),
  KAV_WRAPPER("kav", "kav_templateflow_delete", "kav.templateflow_delete", "kav_templateflow"),
  {"kav", "kav_recordcfg", "kav.recordcfg", 48, 39, 82, kDelegating, kFixed, 144, 49, 90, 135, nullptr},
  KAV_WRAPPER("kav", "kav_recordcfg_update", "kav.recordcfg_update", "kav_recordcfg"),
  KAV_WRAPPER("kav", "kav_recordcfg_delete", "kav.recordcfg_delete", "kav_recordcfg"),

  // ---- switch records (first two; ethlen and cachelog follow in registration order) -----------
  {"kav", "kav_queenable", "kav.queenable", 8, 2, 8, kInPlace, kFixed, 24, 9, 16, 21, nullptr},
  KAV_WRAPPER("kav", "kav_queenable_update", "kav.queenable_update", "kav_queenable"),
  KAV_WRAPPER("kav", "kav_queenable_delete", "kav.queenable_delete", "kav_queenable"),
  {"kav", "kav_extenable", "kav.extenable", 8, 2, 8, kInPlace, kFixed, 24, 9, 16, 21, nullptr},
  KAV_WRAPPER("kav", "kav_extenable_update", "kav.extenable_update", "kav_extenable"),
  KAV_WRAPPER("kav", "kav_extenable_delete", "kav.extenable_delete", "kav_extenable"),

  // ---- sampling record registered late, then ethlen ------------------------------------------
  {"kav", "kav_intsamplerate", "kav.intsamplerate", 28, 10, 24, kDelegating, kFixed, 64, 29, 32, 57, nullptr},
  KAV_WRAPPER("kav", "kav_intsamplerate_update", "kav.intsamplerate_update", "kav_intsamplerate"),
  KAV_WRAPPER("kav", "kav_intsamplerate_delete", "kav.intsamplerate_delete", "kav_intsamplerate"),
  {"kav", "kav_ethlen", "kav.ethlen", 8, 2, 8, kInPlace, kFixed, 24, 12, 16, 24, nullptr},
  KAV_WRAPPER("kav", "kav_ethlen_update", "kav.ethlen_update", "kav_ethlen"),
  KAV_WRAPPER("kav", "kav_ethlen_delete", "kav.ethlen_delete", "kav_ethlen"),

  // ---- control messages with nested tables, cachelog, resets ---------------------------------
  // send table 38: the worked send layout of kav_pid_state_chg. Full packed size by hand:
  // 34 + 2 (field0) + 3 x 4 (nested fields) = 48.
  {"kav", "kav_pid_state_chg", "kav.pid_state_chg", 16, 2, 8, kInPlace, kFixed, 56, 38, 34, 48, nullptr},
  {"kav", "kav_cachelog", "kav.cachelog", 76, 4, 12, kInPlace, kFixed, 104, 88, 92, 104, nullptr},
  KAV_WRAPPER("kav", "kav_cachelog_update", "kav.cachelog_update", "kav_cachelog"),
  KAV_WRAPPER("kav", "kav_cachelog_delete", "kav.cachelog_delete", "kav_cachelog"),
  // Send table by hand: reference 4 + field0 4 + offset word 4 + nested block (table 12, vtable 8)
  // = 32, which puts the vtable at 36 and ends it at 44, inside the stated L 48. Full packed size:
  // 32 + 4 (field0) + 2 x 4 (nested fields) = 44.
  {"kav", "kav_smooth_begin_msg", "kav.smooth_begin_msg", 12, 2, 8, kInPlace, kFixed, 48, 32, 32, 44, nullptr},
  {"kav", "kav_smooth_end_msg", "kav.smooth_end_msg", 12, 2, 8, kInPlace, kFixed, 48, 32, 32, 44, nullptr},
  // vtable 4 + 2 x 5; send table by hand 4 + 5 x 4 = 24; full packed 22 + 5 x 4 = 42.
  {"kav", "kav_resetcache", "kav.resetcache", 20, 5, 14, kInPlace, kFixed, 48, 24, 22, 42, nullptr},
  KAV_WRAPPER("kav", "kav_resetcache_update", "kav.resetcache_update", "kav_resetcache"),
  // vtable 4 + 2 x 6; send table by hand 4 + 6 x 4 = 28; full packed 24 + 6 x 4 = 48.
  {"kav", "kav_resetstat", "kav.resetstat", 24, 6, 16, kDelegating, kFixed, 48, 28, 24, 48, nullptr},
  KAV_WRAPPER("kav", "kav_resetstat_update", "kav.resetstat_update", "kav_resetstat"),

  // ---- report messages -----------------------------------------------------------------------
  // Slots, sizes, forms, packed sizes and lengths are the report summary tables' values; vtable
  // length is 4 + 2 x slots. The send table length is not stated for reports; it is worked out by
  // hand from each field list (4 for the reference, every field at its width, 8 + N x S per fixed
  // array) and agrees with the stated "bytes written" (table end rounded up to 4, plus the vtable).
  {"kav", "kav_ot_dstaddr", "kav.ot_dstaddr", 40, 9, 22, kDelegating, kFixed, 80, 47, 54, 73, nullptr},
  {"kav", "kav_ot_ethlen", "kav.ot_ethlen", 8, 2, 8, kInPlace, kFixed, 24, 12, 16, 24, nullptr},
  {"kav", "kav_ot_flexrecord", "kav.ot_flexrecord", 48, 37, 78, kDelegating, kFixed, 136, 47, 86, 129, nullptr},
  // 4 + 14 scalar bytes + (8 + 84) + (8 + 42) + (8 + 42) = 210.
  {"kav", "kav_ot_flextemplate", "kav.ot_flextemplate", 184, 10, 24, kDelegating, kFixed, 240, 210, 224, 238, nullptr},
  {"kav", "kav_ot_patch_res", "kav.ot_patch_res", 40, 10, 24, kDelegating, kFixed, 72, 44, 32, 72, nullptr},
  {"kav", "kav_ot_globaldata", "kav.ot_globaldata", 36, 9, 22, kDelegating, kFixed, 72, 37, 30, 63, nullptr},
  {"kav", "kav_ot_ifindexswitch", "kav.ot_ifindexswitch", 12, 3, 10, kInPlace, kFixed, 32, 16, 18, 30, nullptr},
  {"kav", "kav_ot_mainifsamplerate", "kav.ot_mainifsamplerate", 24, 7, 18, kDelegating, kFixed, 56, 26, 26, 48, nullptr},
  {"kav", "kav_ot_monitorcfg", "kav.ot_monitorcfg", 24, 6, 16, kDelegating, kFixed, 48, 28, 24, 48, nullptr},
  {"kav", "kav_ot_samplecfg", "kav.ot_samplecfg", 20, 7, 18, kDelegating, kFixed, 48, 23, 26, 45, nullptr},
  {"kav", "kav_ot_samplerate", "kav.ot_samplerate", 20, 5, 14, kInPlace, kFixed, 48, 21, 22, 39, nullptr},
  {"kav", "kav_ot_srcaddr", "kav.ot_srcaddr", 28, 6, 16, kDelegating, kFixed, 64, 40, 48, 60, nullptr},
  {"kav", "kav_ot_tmptimeout", "kav.ot_tmptimeout", 12, 3, 10, kInPlace, kFixed, 32, 13, 18, 27, nullptr},
  {"kav", "kav_ot_globalsamplerate", "kav.ot_globalsamplerate", 16, 5, 14, kInPlace, kFixed, 40, 18, 22, 36, nullptr},
  {"kav", "kav_ot_queenable", "kav.ot_queenable", 8, 2, 8, kInPlace, kFixed, 24, 9, 16, 21, nullptr},
  {"kav", "kav_ot_extenable", "kav.ot_extenable", 8, 2, 8, kInPlace, kFixed, 24, 9, 16, 21, nullptr},
  {"kav", "kav_ot_cachelog", "kav.ot_cachelog", 80, 5, 14, kInPlace, kFixed, 112, 92, 94, 110, nullptr},
  // 4 + 84 scalar bytes + (8 + 16) + (8 + 33) + (8 + 3) = 164.
  {"kav", "kav_ot_cachelocalmsg", "kav.ot_cachelocalmsg", 136, 29, 62, kDelegating, kFixed, 232, 164, 146, 230, nullptr},

  // ---- package kav_sync: each row takes its reference record's values ------------------------
  {"kav_sync", "kav_sync_host_update", "kav_sync.host_update", 56, 14, 32, kDelegating, kFixed, 112, 74, 78, 110, nullptr},
  {"kav_sync", "kav_sync_host_delete", "kav_sync.host_delete", 56, 14, 32, kDelegating, kFixed, 112, 74, 78, 110, nullptr},
  {"kav_sync", "kav_sync_srcaddr_update", "kav_sync.srcaddr_update", 16, 6, 16, kDelegating, kFixed, 40, 20, 24, 40, nullptr},
  {"kav_sync", "kav_sync_srcaddr_delete", "kav_sync.srcaddr_delete", 16, 6, 16, kDelegating, kFixed, 40, 20, 24, 40, nullptr},
  {"kav_sync", "kav_sync_srcaddrv6_update", "kav_sync.srcaddrv6_update", 28, 6, 16, kDelegating, kFixed, 64, 40, 48, 60, nullptr},
  {"kav_sync", "kav_sync_srcaddrv6_delete", "kav_sync.srcaddrv6_delete", 28, 6, 16, kDelegating, kFixed, 64, 40, 48, 60, nullptr},
  {"kav_sync", "kav_sync_ifsamplecfg_update", "kav_sync.ifsamplecfg_update", 28, 12, 28, kDelegating, kFixed, 64, 32, 36, 64, nullptr},
  {"kav_sync", "kav_sync_ifsamplecfg_delete", "kav_sync.ifsamplecfg_delete", 28, 12, 28, kDelegating, kFixed, 64, 32, 36, 64, nullptr},
  // The four-slot sampling-rate pair has values of its own.
  {"kav_sync", "kav_sync_ifsamplerate_update", "kav_sync.ifsamplerate_update", 16, 4, 12, kInPlace, kFixed, 40, 20, 20, 36, nullptr},
  {"kav_sync", "kav_sync_ifsamplerate_delete", "kav_sync.ifsamplerate_delete", 16, 4, 12, kInPlace, kFixed, 40, 20, 20, 36, nullptr},
  {"kav_sync", "kav_sync_monitorcfg_update", "kav_sync.monitorcfg_update", 48, 18, 40, kDelegating, kFixed, 96, 52, 48, 96, nullptr},
  {"kav_sync", "kav_sync_monitorcfg_delete", "kav_sync.monitorcfg_delete", 48, 18, 40, kDelegating, kFixed, 96, 52, 48, 96, nullptr},
  {"kav_sync", "kav_sync_ifindexswitch_update", "kav_sync.ifindexswitch_update", 12, 3, 10, kInPlace, kFixed, 32, 16, 18, 30, nullptr},
  {"kav_sync", "kav_sync_ifindexswitch_delete", "kav_sync.ifindexswitch_delete", 12, 3, 10, kInPlace, kFixed, 32, 16, 18, 30, nullptr},
  {"kav_sync", "kav_sync_queenable_update", "kav_sync.queenable_update", 8, 2, 8, kInPlace, kFixed, 24, 9, 16, 21, nullptr},
  {"kav_sync", "kav_sync_queenable_delete", "kav_sync.queenable_delete", 8, 2, 8, kInPlace, kFixed, 24, 9, 16, 21, nullptr},
  {"kav_sync", "kav_sync_globalcfg_update", "kav_sync.globalcfg_update", 56, 16, 36, kDelegating, kFixed, 104, 60, 44, 100, nullptr},
  {"kav_sync", "kav_sync_globalcfg_delete", "kav_sync.globalcfg_delete", 56, 16, 36, kDelegating, kFixed, 104, 60, 44, 100, nullptr},
  {"kav_sync", "kav_sync_globaltmpcfg_update", "kav_sync.globaltmpcfg_update", 16, 6, 16, kDelegating, kFixed, 40, 20, 24, 40, nullptr},
  {"kav_sync", "kav_sync_globaltmpcfg_delete", "kav_sync.globaltmpcfg_delete", 16, 6, 16, kDelegating, kFixed, 40, 20, 24, 40, nullptr},
  {"kav_sync", "kav_sync_templateflow_update", "kav_sync.templateflow_update", 188, 10, 24, kInPlace, kFixed, 232, 200, 208, 228, nullptr},
  {"kav_sync", "kav_sync_templateflow_delete", "kav_sync.templateflow_delete", 188, 10, 24, kInPlace, kFixed, 232, 200, 208, 228, nullptr},
  {"kav_sync", "kav_sync_recordcfg_update", "kav_sync.recordcfg_update", 48, 39, 82, kDelegating, kFixed, 144, 49, 90, 135, nullptr},
  {"kav_sync", "kav_sync_recordcfg_delete", "kav_sync.recordcfg_delete", 48, 39, 82, kDelegating, kFixed, 144, 49, 90, 135, nullptr},
  {"kav_sync", "kav_sync_intsamplerate_update", "kav_sync.intsamplerate_update", 28, 10, 24, kDelegating, kFixed, 64, 29, 32, 57, nullptr},
  {"kav_sync", "kav_sync_intsamplerate_delete", "kav_sync.intsamplerate_delete", 28, 10, 24, kDelegating, kFixed, 64, 29, 32, 57, nullptr},
  {"kav_sync", "kav_sync_ethlen_update", "kav_sync.ethlen_update", 8, 2, 8, kInPlace, kFixed, 24, 12, 16, 24, nullptr},
  {"kav_sync", "kav_sync_ethlen_delete", "kav_sync.ethlen_delete", 8, 2, 8, kInPlace, kFixed, 24, 12, 16, 24, nullptr},
  {"kav_sync", "kav_sync_resetcache_update", "kav_sync.resetcache_update", 20, 5, 14, kInPlace, kFixed, 48, 24, 22, 42, nullptr},
  {"kav_sync", "kav_sync_resetstat_update", "kav_sync.resetstat_update", 24, 6, 16, kDelegating, kFixed, 48, 28, 24, 48, nullptr},
};
// clang-format on

#undef KAV_WRAPPER

inline constexpr std::size_t kRowCount = sizeof kRows / sizeof kRows[0];
static_assert(kRowCount == 108, "78 kav messages and 30 kav_sync messages");

// Looks a row up by message name; nullptr when the catalogue has no such message.
inline const Row* find_row(const char* name) {
  for (const Row& r : kRows) {
    const char* a = r.name;
    const char* b = name;
    while (*a != '\0' && *a == *b) ++a, ++b;
    if (*a == *b) return &r;
  }
  return nullptr;
}

}  // namespace kav_catalogue
