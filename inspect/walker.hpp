// Message structures walked at run time over the engine's constant tables (codec/layout.hpp): the
// JSON form both ways, the shape of a record and the names of its fields. A structure is raw bytes
// of its table's size; a member lies at its slot's offset, a list's count at the slot's offset and
// its items pointer at `items`, a nested record or list item is read through the slot's sub-table.
// Every front end (the kav command, the Python module) reads and writes structures through this one
// walk, and reaches each message's exported functions through its catalogue entry.
#pragma once

#include <bit>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "codec/layout.hpp"
#include "core.hpp"

namespace kav::inspect::impl {

using detail::Kind;
using Table = detail::Table;
using TableSlot = detail::Slot;

// Owns zeroed blocks for structures: a message's structure itself and the item arrays of its
// lists. Blocks come from calloc, aligned for any member.
struct ItemStore {
  std::vector<std::unique_ptr<void, decltype(&std::free)>> blocks;
  u8* make(std::size_t n, std::size_t size) {
    void* p = std::calloc(n == 0 ? 1 : n, size);
    if (p == nullptr) throw std::bad_alloc();
    blocks.emplace_back(p, &std::free);
    return static_cast<u8*>(p);
  }
};

// A scalar member of `width` bytes, widened, and stored back: the host is little-endian, so a
// member's bytes are the low bytes of its value.
static_assert(std::endian::native == std::endian::little);
inline u64 load_member(const u8* p, u32 width) {
  u64 v = 0;
  std::memcpy(&v, p, width);
  return v;
}
inline void store_member(u8* p, u32 width, u64 v) { std::memcpy(p, &v, width); }
inline u8* items_of(const u8* v, const TableSlot& s) {
  u8* p;
  std::memcpy(&p, v + s.items, sizeof p);
  return p;
}
inline void set_items(u8* v, const TableSlot& s, u8* p) { std::memcpy(v + s.items, &p, sizeof p); }
inline u32 count_of(const u8* v, const TableSlot& s) { return static_cast<u32>(load_member(v + s.mem, 4)); }

// A record's type name ("kav_host"), from the name its table decoder logs under
// ("kav_host_unpack_non_root"), which its table carries.
std::string record_name(std::string_view non_root);
inline std::string record_name(const Table& t) { return record_name(t.non_root); }
// What the tables do not say, from the catalogue's descriptions (descriptions.cpp): the type name of
// the element structure of the struct array in slot k (null when its elements are unsigned integers).
const char* element_name(const Table& t, u32 k);
// The members of a struct array's element, in order: their widths (at most four, back to back).
u32 element_members(const TableSlot& s);

std::string field_name(u32 k);   // "field3"
std::string scalar_name(u32 w);  // "u16" for 2 bytes
// What a slot holds: "u16", "byte array [16]", "array [42 x u16]", "nested kav_host", "list of kav_host".
std::string kind_text(const Slot& s);

Json to_json(const Table& t, const u8* v, JsonOptions o);
// Fields left out are zero; a field the structure does not have is an error. `out` is zeroed.
void from_json(const Json& j, const Table& t, u8* out, const std::string& path, ItemStore& store, const SourceMap* map);
// Each slot's kind, widths and place in the structure.
std::vector<Slot> slots_of(const Table& t);

[[noreturn]] void value_error(const std::string& path, const std::string& text, std::optional<std::uint64_t> pos = {});
// A whole number of `bits` bits from a JSON number or a string of decimal digits (or 0x hex).
u64 whole_number(const Json& v, unsigned bits, const std::string& path, const SourceMap* map);
// A hex string of exactly n bytes.
void hex_field(const Json& v, u8* out, std::size_t n, const std::string& path, const SourceMap* map);
[[noreturn]] void unknown_field(const std::string& key, const std::string& path, u32 slots);
// The value of one hex digit, or -1.
int hex_digit(char c);

// The message's exported functions, in the types the catalogue's structures erase to.
using UnpackFn = u32 (*)(const u8*, u32, void*);
using PackFn = u32 (*)(const void*, u8*, u32*);
using FreeFn = void (*)(void*);

struct Walked;
// The explain walk of one message over its description; quiet: no text, no predicted structure.
using WalkFn = Walked (*)(ByteView, bool quiet, const Table&);
// Every message's, in catalogue order (descriptions.cpp).
std::span<const WalkFn> message_walks();

// What the generic code needs of one message: its identity in the engine (and through it the
// tables of its structure), its exported functions and its explain walk.
struct Ops {
  const detail::Message* info;
  UnpackFn unpack;
  PackFn pack;
  FreeFn free;
  WalkFn walk;
  const Table& table() const { return *info->table; }
};

// The fixed layout of the structure v, t.fixed_len bytes, in the send unit's byte order (bound
// first, as the send path does). Only for a message without a list.
void encode_fixed(const Ops& ops, const u8* v, u8* out);
// __unpack into a fresh structure, its JSON form, then _free__unpacked.
Json unpack_json(const Ops& ops, ByteView in, JsonOptions o);
// Refuses buffers of 2 GiB or more.
void check_length(ByteView b);

}  // namespace kav::inspect::impl
