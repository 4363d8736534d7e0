// What the engine reads at run time: one constant table per record layout, and one identity record
// per message. The engine's code is shared by every message; only these constants differ.
//
// Words the engine's code and comments use:
//   layout      a record's structure as the wire sees it: its slots in order, each of one kind
//               (scalar, byte array, struct array, nested table, table vector). Messages that share
//               a structure share its layout and its table.
//   slot        one field of a layout: one vtable entry. A table vector is two members, one slot.
//   slot rules  the decoder's and the compact encoder's general walk, slot by slot in slot order,
//               with every check; decoding stops at the first field that fails. Every input has
//               its result defined by them; whatever else the engine does gives the same result.
//   full        a table whose every scalar is non-zero (and whose vector, if any, is present): the
//               compact encoder then puts every field at a constant position.
//   plan        the constant layout of one whole table with its vtable: the full compact one, or the
//               fixed one (every field at a constant offset, the vtable behind the table). A table
//               whose vtable names exactly a plan's positions is decoded by that plan.
//   image       a plan's bytes as a constant: vtable, offset words, counts, nested headers, padding,
//               with the values left blank; an encoder copies it, a decoder compares against it.
//   run         bytes that lie back to back both in the structure and in a plan's table: moved as one
//               copy (Run).
//   step        consecutive scalar slots of one width whose members lie back to back, or one other
//               slot: what the slot rules walk (Step).
//   scalar path a layout's scalars written or read whatever their zeros, at positions known at
//               compile time: one pair of functions per sequence of scalar steps (codec/fast.hpp,
//               ScalarPaths).
//   root form   how __unpack reads the root table: in place (its header checked by __unpack itself)
//               or delegating (handed to the record's table decoder, which logs under its own name).
//   unit        one of the four runtime states (kav and kav_sync, each unpack and send side): its
//               bindings, its byte-order flag and the module id its log and allocation calls carry.
#pragma once

#include "codec/describe.hpp"

namespace kav::detail {

struct Table;

// One slot of a layout.
struct Slot {
  Kind kind;
  u8 width;          // scalar: 1, 2, 4 or 8 bytes; array: wire bytes of one element
  u16 mem;           // offset of the member in the structure (a vector: of its count)
  u16 count;         // array: its element count N
  u8 parts[4];       // array element: widths of its members, for byte reversal
  u16 items;         // vector: offset of its pointer member
  const Table* sub;  // nested record, or the record of a vector's items
};

// Bytes copied between the structure and the wire: table-relative position, member offset, length.
struct Run {
  u16 wire;
  u16 mem;
  u16 len;
  friend constexpr bool operator==(const Run&, const Run&) = default;
};

// A stretch of a plan's image: position and length.
struct Span {
  u16 pos;
  u16 len;
  friend constexpr bool operator==(const Span&, const Span&) = default;
};

// Slots in slot order, a step at a time: either consecutive scalar slots of one width whose members
// lie back to back (their entries, values and members all advance by the width), or one other slot.
struct Step {
  u16 mem;   // offset of the first member
  u8 first;  // its slot
  u8 count;  // scalar slots in the step; 0: the one other slot `first`
  u8 width_log2;
  friend constexpr bool operator==(const Step&, const Step&) = default;
};

// Up to eight bytes of scalars of one width that lie back to back: zero_lanes() on them (the rest
// of the word set non-zero) says whether one of the scalars is zero. Padding is never read.
struct ZeroWord {
  u16 mem;
  u8 len;
  u8 width_log2;
  friend constexpr bool operator==(const ZeroWord&, const ZeroWord&) = default;
};

// The constant-position paths of a layout (codec/fast.hpp): its table laid out as this library's
// compact encoder writes it with every field present, or as the fixed encoder writes it.
using DecodeFast = bool (*)(const u8* buf, u32 t, u32 vt, u32 room, u8* out) noexcept;
using EncodeFast = bool (*)(u8* at, const u8* v) noexcept;
using FixedFast = void (*)(u8* buf, const u8* v, u32 count) noexcept;
using FixedOne = void (*)(u8* buf, const u8* v) noexcept;
struct Message;
using UnpackFast = u32 (*)(const u8* buf, u32 len, u8* out, const Message& m, u32 t, u32 vt) noexcept;
using PackFast = u32 (*)(const u8* v, u8* buf, u32* len, const Message& m) noexcept;
// A layout's scalars in slot order, each as wide as its member (codec/fast.hpp, ScalarPaths):
// written behind the vtable reference of the table at tbl with their slot entries (returns the
// position after the last), or read from the table's slot entries into a record the caller has
// zeroed (false, having written nothing, when one does not end inside the table's room).
using ScalarsOut = u32 (*)(u8* buf, u32 vt, u32 tbl, const u8* v) noexcept;
using ScalarsIn = bool (*)(const u8* table, const u8* entries, u32 room, u8* out) noexcept;
using EncodeItems = u32 (*)(u8* buf, u32 words, u32 cur, const u8* items, u32 n) noexcept;
using DecodeItems = u32 (*)(const u8* buf, u32 len, u32 w, u32 end, u8* item) noexcept;

struct Table {
  u32 size;  // of the structure
  u16 slots;
  u16 vlen;  // vtable length, 4 + 2 * slots
  RootForm root;
  bool has_vector;  // only in the last slot, only of a list message
  u8 vector_slot;
  u8 nothers;
  u8 nsteps;
  u64 of_width[4];  // bit k: slot k is a scalar of 2^i bytes
  const Slot* slot;
  const Step* steps;         // every slot, in slot order
  const u8* others;          // indices of the non-scalar slots, in slot order
  const char* non_root;      // the name this record's table decoder logs under
  u32 max_size;              // largest compact table with its vtable and out-of-line data, vector items left out
  u16 full_vector_word;      // compact full plan of a list: table-relative position of the vector's offset word
  u16 full_table_len;        // its table length without the vector's offset words
  u16 fixed_table_len;       // table length of the fixed layout
  u16 fixed_len;             // fixed length L (0: sent compact)
  u16 full_len;              // the compact table with every field present, its vtable included
  u16 full_first;            // its first slot entry
  const u16* fixed_entries;  // slot offsets of the fixed layout (null: sent compact)
  DecodeFast decode_fast;
  EncodeFast encode_fast;
  FixedFast fixed_fast;
  FixedOne fixed_one;  // the same for one structure
  UnpackFast unpack_fast;
  PackFast pack_fast;
  ScalarsOut scalars_out;
  ScalarsIn scalars_in;
  EncodeItems encode_items;  // a list: the paths of its items' layout (null for a record)
  DecodeItems decode_items;
};

// A message's identity: everything that differs between messages sharing a layout.
struct Message {
  const Table* table;
  u32 id;
  u32 fixed_len;  // the table's, beside the id: together they fill a MeshMsgBuf's tail
  Unit unpack_unit;
  Unit send_unit;
  const char* unpack_name;
  const char* non_root_name;
  const char* pack_name;
  const char* free_name;
  const char* sendsingle_name;
  const char* sendbatch_name;
};

// The shared slot-rule paths the layouts' own fall back on (codec/decode.cpp, codec/encode.cpp).
u32 unpack_slots(const u8* buf, u32 len, u8* out, const Message& m, u32 t, u32 vt) noexcept;
u32 pack_slots(const u8* v, u8* buf, u32* len, const Message& m) noexcept;
// A list's root, by the slot rules of its one shape (codec/tables.hpp, ListShape).
u32 unpack_list(const u8* buf, u32 len, u8* out, const Message& m, u32 t, u32 vt) noexcept;
u32 pack_list(const u8* v, u8* buf, u32* len, const Message& m) noexcept;

}  // namespace kav::detail
