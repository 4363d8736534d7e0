// Shared helpers of the codec tests: buffers written as hex text, and literal expectations for the
// log records and memory events that the recording host captured.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "osal_host.h"

namespace codec_test {

using u8 = std::uint8_t;
using u16 = std::uint16_t;
using u32 = std::uint32_t;
using u64 = std::uint64_t;
using Bytes = std::vector<u8>;

inline constexpr u32 kAllOnes = 0xFFFFFFFFu;

// The formats the library logs with.
inline constexpr const char* kParam = "[KESMO]:Param invalid(%s, %d, %s)";
inline constexpr const char* kPackParam = "[KESMO]:Param invalid(%s, %u, %s)";
inline constexpr const char* kTable = "[KESMO]:Table offset(%u) is out of range(4 - %u)";
inline constexpr const char* kVtable = "[KESMO]:Vtable offset(%u) is out of range(4 - %u)";
inline constexpr const char* kVtableLen = "[KESMO]:Vtable Len(%u) is out of range(0 - %u)";
inline constexpr const char* kMalloc = "[KESMO]:Malloc unpack data unsuccess, size(%u)";

// Bytes from hex text; spaces are ignored. The block holds exactly these bytes, so a read past
// them is a read past the heap block.
inline Bytes hex(const char* text) {
  std::string digits;
  for (const char* p = text; *p != '\0'; ++p)
    if (std::isxdigit(static_cast<unsigned char>(*p)) != 0) digits += *p;
  EXPECT_EQ(digits.size() % 2, 0u) << "odd number of hex digits in: " << text;
  Bytes out(digits.size() / 2);
  for (std::size_t i = 0; i < out.size(); ++i)
    out[i] = static_cast<u8>(std::stoul(digits.substr(2 * i, 2), nullptr, 16));
  return out;
}

// A copy of b with the bytes at pos replaced by the hex bytes given.
inline Bytes patch(const Bytes& b, std::size_t pos, const char* bytes) {
  Bytes out(b);
  const Bytes p = hex(bytes);
  EXPECT_LE(pos + p.size(), out.size());
  std::memcpy(out.data() + pos, p.data(), p.size());
  return out;
}

// The first n bytes of b, in a block of exactly n bytes.
inline Bytes prefix(const Bytes& b, std::size_t n) { return Bytes(b.begin(), b.begin() + static_cast<long>(n)); }

inline std::string dump(const u8* p, std::size_t n) {
  static const char* digits = "0123456789ABCDEF";
  std::string s;
  for (std::size_t i = 0; i < n; ++i) {
    if (i != 0) s += ' ';
    s += digits[p[i] >> 4];
    s += digits[p[i] & 15];
  }
  return s;
}
inline std::string dump(const Bytes& b) { return dump(b.data(), b.size()); }

// One expected log argument.
struct Arg {
  int kind;
  const char* s;
  std::int64_t i;
  u64 u;
};
inline Arg S(const char* s) { return {OSAL_HOST_ARG_STR, s, 0, 0}; }
inline Arg I(std::int64_t i) { return {OSAL_HOST_ARG_INT, nullptr, i, 0}; }
inline Arg U(u64 u) { return {OSAL_HOST_ARG_UINT, nullptr, 0, u}; }

// One expected log record: level 2, the given code, an empty file name, the library's module.
struct Log {
  const char* func;
  const char* fmt;
  std::vector<Arg> args;
  u32 code = 22;
};

inline void expect_log(u32 index, const Log& want) {
  SCOPED_TRACE("log record " + std::to_string(index));
  OsalHostLogRecord r;
  ASSERT_EQ(osal_host_log_record(index, &r), 1);
  EXPECT_STREQ(r.module_name, "KESMO");
  EXPECT_STREQ(r.subsystem_name, "KESMO_MERIDAN_SERIAL");
  EXPECT_EQ(r.module_id, 0x6200u);
  EXPECT_EQ(r.level, 2u);
  EXPECT_EQ(r.code, want.code);
  EXPECT_STREQ(r.file, "");
  EXPECT_STREQ(r.func, want.func);
  EXPECT_STREQ(r.fmt, want.fmt);
  ASSERT_EQ(r.arg_count, want.args.size());
  for (u32 i = 0; i < r.arg_count; ++i) {
    const Arg& a = want.args[i];
    EXPECT_EQ(r.args[i].kind, a.kind) << "argument " << i;
    if (a.kind == OSAL_HOST_ARG_STR) {
      EXPECT_STREQ(r.args[i].s, a.s) << "argument " << i;
    } else if (a.kind == OSAL_HOST_ARG_INT) {
      EXPECT_EQ(r.args[i].i, a.i) << "argument " << i;
    } else {
      EXPECT_EQ(r.args[i].u, a.u) << "argument " << i;
    }
  }
}

// Exactly these records since the last reset.
inline void expect_logs(const std::vector<Log>& want) {
  ASSERT_EQ(osal_host_log_count(), want.size());
  for (u32 i = 0; i < want.size(); ++i) expect_log(i, want[i]);
}

inline void expect_mem(u32 index, u32 service, u32 size, u32 arg, const char* func) {
  SCOPED_TRACE("memory event " + std::to_string(index));
  OsalHostMemEvent e;
  ASSERT_EQ(osal_host_mem_event(index, &e), 1);
  EXPECT_EQ(e.service, service);
  EXPECT_EQ(e.size, size);
  EXPECT_EQ(e.arg, arg);
  EXPECT_STREQ(e.func, func);
}

// A structure whose every byte is 0xEE: what "left untouched" is compared with.
template <class T>
T filled() {
  T v;
  std::memset(static_cast<void*>(&v), 0xEE, sizeof v);
  return v;
}
template <class T>
bool untouched(const T& v) {
  const T f = filled<T>();
  return std::memcmp(&v, &f, sizeof v) == 0;
}
// A structure with every byte 0, padding included, to set fields on.
template <class T>
T zeroed() {
  T v;
  std::memset(static_cast<void*>(&v), 0, sizeof v);
  return v;
}

}  // namespace codec_test
