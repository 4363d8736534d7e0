// What the engine reads at run time: one constant table per record layout, and one identity record
// per message. The engine's code is shared by every message; only these constants differ.
#pragma once

#include "codec/describe.hpp"

namespace kav::detail {

struct Table;

// One slot of a layout.
struct Slot {
  Kind kind;
  u8 width;             // scalar: 1, 2, 4 or 8 bytes; array: wire bytes of one element
  u16 mem;              // offset of the member in the structure (a vector: of its count)
  u16 count;            // array: its element count N; vector: offset of its pointer member
  u8 parts[4];          // array element: widths of its members, for byte reversal
  const Table* sub;     // nested record, or the record of a vector's items
};

// Bytes copied between the structure and the wire: table-relative position, member offset, length.
struct Run {
  u16 wire;
  u16 mem;
  u16 len;
};

// A stretch of a plan's image: position and length.
struct Span {
  u16 pos;
  u16 len;
};

// Eight bytes of the structure holding scalars of one width, with the lanes that belong to other
// members forced non-zero: zero_lanes() on it says whether one of the scalars is zero.
struct ZeroWord {
  u64 ignore;
  u16 mem;
  u8 width_log2;
};

// A layout in which every position is a constant: the compact layout of a table whose scalars are
// all non-zero (and whose vector is present), or the fixed layout. The encoder writes `fill` from
// `image` and copies `runs` from the structure; the decoder, once the vtable lists exactly
// `entries`, the table has `extent` bytes of room and the bytes at `checks` equal the image, copies
// `runs` into the structure: every rule the field-by-field walk would apply is then known to hold.
struct Plan {
  const u16* entries;   // the vtable's slot entries; null: no such plan
  const u8* image;      // compact: from the table's vtable; fixed: from position 0
  const Run* runs;
  const Span* fill;     // image-relative
  const Span* checks;   // table-relative; image[pos + table_at]
  u16 image_len;
  u16 table_at;         // where the table starts in the image
  u16 extent;           // bytes from the table's first byte that the plan touches
  u8 nruns;
  u8 nfill;
  u8 nchecks;
};

struct Table {
  u32 size;             // of the structure
  u16 slots;
  u16 vlen;             // vtable length, 4 + 2 * slots
  RootForm root;
  bool has_vector;      // only in the last slot, only of a list message
  u8 nzero;
  u8 vector_slot;
  const Slot* slot;
  const ZeroWord* zero;
  const char* non_root;  // the name this record's table decoder logs under
  u32 max_size;          // largest compact table with its vtable and out-of-line data, vector items left out
  u16 full_vector_word;  // compact full plan of a list: table-relative position of the vector's offset word
  u16 full_table_len;    // its table length without the vector's offset words
  u16 fixed_table_len;   // table length of the fixed layout
  u16 fixed_len;         // fixed length L (0: sent compact)
  Plan full;
  Plan fixed;
};

// A message's identity: everything that differs between messages sharing a layout.
struct Message {
  const Table* table;
  u32 id;
  Unit unpack_unit;
  Unit send_unit;
  const char* unpack_name;
  const char* non_root_name;
  const char* pack_name;
  const char* free_name;
  const char* sendsingle_name;
  const char* sendbatch_name;
};

}  // namespace kav::detail
