// The catalogue: how each structure of kav.h and kav_sync.h maps onto wire slots, with the
// catalogue's stated sizes pinned so that a wrong list does not build.
#pragma once

#include <cstddef>

#include "codec/tables.hpp"
#include "kav.h"
#include "kav_sync.h"

// Every structure holds field0 ... field<N-1> in slot order; KAV_F<N>(T, X) lists X(T, member) for
// each of them: their member pointers, or their offsets.
#define KAV_MEMBER(T, m) &T::m
#define KAV_OFFSET(T, m) offsetof(T, m)
// clang-format off
#define KAV_F1(T, X) X(T, field0)
#define KAV_F2(T, X) KAV_F1(T, X), X(T, field1)
#define KAV_F3(T, X) KAV_F2(T, X), X(T, field2)
#define KAV_F4(T, X) KAV_F3(T, X), X(T, field3)
#define KAV_F5(T, X) KAV_F4(T, X), X(T, field4)
#define KAV_F6(T, X) KAV_F5(T, X), X(T, field5)
#define KAV_F7(T, X) KAV_F6(T, X), X(T, field6)
#define KAV_F8(T, X) KAV_F7(T, X), X(T, field7)
#define KAV_F9(T, X) KAV_F8(T, X), X(T, field8)
#define KAV_F10(T, X) KAV_F9(T, X), X(T, field9)
#define KAV_F11(T, X) KAV_F10(T, X), X(T, field10)
#define KAV_F12(T, X) KAV_F11(T, X), X(T, field11)
#define KAV_F13(T, X) KAV_F12(T, X), X(T, field12)
#define KAV_F14(T, X) KAV_F13(T, X), X(T, field13)
#define KAV_F15(T, X) KAV_F14(T, X), X(T, field14)
#define KAV_F16(T, X) KAV_F15(T, X), X(T, field15)
#define KAV_F17(T, X) KAV_F16(T, X), X(T, field16)
#define KAV_F18(T, X) KAV_F17(T, X), X(T, field17)
#define KAV_F19(T, X) KAV_F18(T, X), X(T, field18)
#define KAV_F20(T, X) KAV_F19(T, X), X(T, field19)
#define KAV_F21(T, X) KAV_F20(T, X), X(T, field20)
#define KAV_F22(T, X) KAV_F21(T, X), X(T, field21)
#define KAV_F23(T, X) KAV_F22(T, X), X(T, field22)
#define KAV_F24(T, X) KAV_F23(T, X), X(T, field23)
#define KAV_F25(T, X) KAV_F24(T, X), X(T, field24)
#define KAV_F26(T, X) KAV_F25(T, X), X(T, field25)
#define KAV_F27(T, X) KAV_F26(T, X), X(T, field26)
#define KAV_F28(T, X) KAV_F27(T, X), X(T, field27)
#define KAV_F29(T, X) KAV_F28(T, X), X(T, field28)
#define KAV_F30(T, X) KAV_F29(T, X), X(T, field29)
#define KAV_F31(T, X) KAV_F30(T, X), X(T, field30)
#define KAV_F32(T, X) KAV_F31(T, X), X(T, field31)
#define KAV_F33(T, X) KAV_F32(T, X), X(T, field32)
#define KAV_F34(T, X) KAV_F33(T, X), X(T, field33)
#define KAV_F35(T, X) KAV_F34(T, X), X(T, field34)
#define KAV_F36(T, X) KAV_F35(T, X), X(T, field35)
#define KAV_F37(T, X) KAV_F36(T, X), X(T, field36)
#define KAV_F38(T, X) KAV_F37(T, X), X(T, field37)
#define KAV_F39(T, X) KAV_F38(T, X), X(T, field38)
// clang-format on

// A record of N slots whose members' types give their wire kinds, unpacked at the root in `form`.
// Update and delete lists need no line: every one has the same layout (codec/describe.hpp).
#define KAV_RECORD(T, N, form)                                         \
  template <>                                                          \
  struct kav::Layout<T> {                                              \
    using fields = Fields<KAV_F##N(T, KAV_MEMBER)>;                    \
    static constexpr std::size_t offset[] = {KAV_F##N(T, KAV_OFFSET)}; \
    static constexpr RootForm root = RootForm::form;                   \
    static constexpr const char* non_root = #T "_unpack_non_root";     \
  }
// An element of a fixed struct array: its members, for byte reversal.
#define KAV_ELEMENT(T, N)                                              \
  template <>                                                          \
  struct kav::Layout<T> {                                              \
    using fields = Fields<KAV_F##N(T, KAV_MEMBER)>;                    \
    static constexpr std::size_t offset[] = {KAV_F##N(T, KAV_OFFSET)}; \
    static constexpr const char* non_root = #T "_unpack_non_root";     \
  }
// The catalogue's stated unpacked size, fixed length and fixed table length.
#define KAV_PIN_SIZE(T, SIZE, L)                                   \
  static_assert(sizeof(T) == (SIZE), #T ": stated unpacked size"); \
  static_assert(kav::fixed_length<T> == (L), #T ": stated fixed length")
#define KAV_PIN(T, SIZE, L, TABLE) \
  KAV_PIN_SIZE(T, SIZE, L);        \
  static_assert(kav::fixed_table_length<T> == (TABLE), #T ": stated fixed table length")

// clang-format off
// ---- control messages ----
KAV_RECORD(kav_pid_state, 3, in_place);          KAV_PIN_SIZE(kav_pid_state, 12, 32);
KAV_RECORD(kav_smooth, 2, in_place);             KAV_PIN_SIZE(kav_smooth, 8, 24);
KAV_RECORD(kav_pid_state_chg, 2, in_place);      KAV_PIN(kav_pid_state_chg, 16, 56, 38);
KAV_RECORD(kav_smooth_begin_msg, 2, in_place);   KAV_PIN_SIZE(kav_smooth_begin_msg, 12, 48);
KAV_RECORD(kav_smooth_end_msg, 2, in_place);     KAV_PIN_SIZE(kav_smooth_end_msg, 12, 48);
KAV_RECORD(kav_resetcache, 5, in_place);         KAV_PIN_SIZE(kav_resetcache, 20, 48);
KAV_RECORD(kav_resetstat, 6, delegating);          KAV_PIN_SIZE(kav_resetstat, 24, 48);

// ---- configuration records ----
KAV_RECORD(kav_host, 14, delegating);              KAV_PIN(kav_host, 56, 112, 74);
KAV_RECORD(kav_srcaddr, 6, delegating);            KAV_PIN(kav_srcaddr, 16, 40, 20);
KAV_RECORD(kav_srcaddrv6, 6, delegating);          KAV_PIN(kav_srcaddrv6, 28, 64, 40);
KAV_RECORD(kav_ifsamplecfg, 12, delegating);       KAV_PIN(kav_ifsamplecfg, 28, 64, 32);
KAV_RECORD(kav_ifsamplerate, 5, in_place);       KAV_PIN(kav_ifsamplerate, 20, 48, 21);
KAV_RECORD(kav_globalsamplerate, 5, in_place);   KAV_PIN(kav_globalsamplerate, 16, 40, 18);
KAV_RECORD(kav_intsamplerate, 10, delegating);     KAV_PIN(kav_intsamplerate, 28, 64, 29);
KAV_RECORD(kav_monitorcfg, 18, delegating);        KAV_PIN(kav_monitorcfg, 48, 96, 52);
KAV_RECORD(kav_ifindexswitch, 3, in_place);      KAV_PIN(kav_ifindexswitch, 12, 32, 16);
KAV_RECORD(kav_globalcfg, 16, delegating);         KAV_PIN(kav_globalcfg, 56, 104, 60);
KAV_RECORD(kav_globaltmpcfg, 6, delegating);       KAV_PIN(kav_globaltmpcfg, 16, 40, 20);
KAV_ELEMENT(kav_templateflow_entry, 3);
KAV_RECORD(kav_templateflow, 10, in_place);      KAV_PIN(kav_templateflow, 188, 232, 200);
KAV_RECORD(kav_recordcfg, 39, delegating);         KAV_PIN(kav_recordcfg, 48, 144, 49);
KAV_RECORD(kav_queenable, 2, in_place);          KAV_PIN(kav_queenable, 8, 24, 9);
KAV_RECORD(kav_extenable, 2, in_place);          KAV_PIN(kav_extenable, 8, 24, 9);
KAV_RECORD(kav_ethlen, 2, in_place);             KAV_PIN(kav_ethlen, 8, 24, 12);
KAV_RECORD(kav_cachelog, 4, in_place);           KAV_PIN(kav_cachelog, 76, 104, 88);

// ---- reports ----
KAV_RECORD(kav_ot_flexrecord, 37, delegating);     KAV_PIN_SIZE(kav_ot_flexrecord, 48, 136);
KAV_RECORD(kav_ot_flextemplate, 10, delegating);   KAV_PIN_SIZE(kav_ot_flextemplate, 184, 240);
KAV_RECORD(kav_ot_cachelocalmsg, 29, delegating);  KAV_PIN_SIZE(kav_ot_cachelocalmsg, 136, 232);
KAV_RECORD(kav_ot_patch_res, 10, delegating);      KAV_PIN_SIZE(kav_ot_patch_res, 40, 72);
KAV_RECORD(kav_ot_globaldata, 9, delegating);      KAV_PIN_SIZE(kav_ot_globaldata, 36, 72);
KAV_RECORD(kav_ot_dstaddr, 9, delegating);         KAV_PIN_SIZE(kav_ot_dstaddr, 40, 80);
KAV_RECORD(kav_ot_srcaddr, 6, delegating);         KAV_PIN_SIZE(kav_ot_srcaddr, 28, 64);
KAV_RECORD(kav_ot_samplecfg, 7, delegating);       KAV_PIN_SIZE(kav_ot_samplecfg, 20, 48);
KAV_RECORD(kav_ot_samplerate, 5, in_place);      KAV_PIN_SIZE(kav_ot_samplerate, 20, 48);
KAV_RECORD(kav_ot_mainifsamplerate, 7, delegating); KAV_PIN_SIZE(kav_ot_mainifsamplerate, 24, 56);
KAV_RECORD(kav_ot_globalsamplerate, 5, in_place); KAV_PIN_SIZE(kav_ot_globalsamplerate, 16, 40);
KAV_RECORD(kav_ot_ifindexswitch, 3, in_place);   KAV_PIN_SIZE(kav_ot_ifindexswitch, 12, 32);
KAV_RECORD(kav_ot_monitorcfg, 6, delegating);      KAV_PIN_SIZE(kav_ot_monitorcfg, 24, 48);
KAV_RECORD(kav_ot_tmptimeout, 3, in_place);      KAV_PIN_SIZE(kav_ot_tmptimeout, 12, 32);
KAV_RECORD(kav_ot_queenable, 2, in_place);       KAV_PIN_SIZE(kav_ot_queenable, 8, 24);
KAV_RECORD(kav_ot_extenable, 2, in_place);       KAV_PIN_SIZE(kav_ot_extenable, 8, 24);
KAV_RECORD(kav_ot_ethlen, 2, in_place);          KAV_PIN_SIZE(kav_ot_ethlen, 8, 24);
KAV_RECORD(kav_ot_cachelog, 5, in_place);        KAV_PIN_SIZE(kav_ot_cachelog, 80, 112);

// ---- kav_sync: every message but these reuses its reference record's description ----
KAV_RECORD(kav_sync_ifsamplerate_update, 4, in_place); KAV_PIN(kav_sync_ifsamplerate_update, 16, 40, 20);
// clang-format on

// Records laid out alike share the paths of the first of them in the packages' order
// (codec/tables.hpp, Alike). Lists are named too; they share ListShape's paths whatever this says.
// The first message opens the list once more, ahead of the commas the macro puts before each name.
#define KAV_RECORD_TYPE(pkg, name) , pkg##_##name
namespace kav::catalogue {
using RecordOrder = detail::RecordOrder<kav_pid_state KAV_MESSAGES(KAV_RECORD_TYPE) KAV_SYNC_MESSAGES(KAV_RECORD_TYPE)>;
}  // namespace kav::catalogue
#undef KAV_RECORD_TYPE
template <class T>
requires(kav::catalogue::RecordOrder::names<T>) struct kav::detail::Alike<T> {
  using type = kav::catalogue::RecordOrder::first_alike<T>;
};
