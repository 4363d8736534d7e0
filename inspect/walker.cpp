// The JSON form of a structure and its shape, walked over the engine's tables: field<k> names, byte
// arrays as hex strings, struct arrays as arrays (of objects, or of numbers for scalar elements),
// nested records as objects, lists as n_field<k> beside field<k> (an array of records, or null).
#include "walker.hpp"

#include <algorithm>
#include <set>

#include "codec/fixed.hpp"

namespace kav::inspect::impl {

std::string field_name(u32 k) { return "field" + std::to_string(k); }

std::string scalar_name(u32 w) { return "u" + std::to_string(8 * w); }

std::string record_name(std::string_view non_root) {
  return std::string(non_root.substr(0, non_root.rfind("_unpack_non_root")));
}

u32 element_members(const TableSlot& s) {
  u32 n = 0;
  while (n < 4 && s.parts[n] != 0) ++n;
  return n;
}

std::string kind_text(const Slot& s) {
  if (s.kind == "bytes") return "byte array [" + std::to_string(s.count) + "]";
  if (s.kind == "array") return "array [" + std::to_string(s.count) + " x " + s.record + "]";
  if (s.kind == "record") return "nested " + s.record;
  if (s.kind == "list") return "list of " + s.record;
  return s.kind;
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  const int l = c | 0x20;
  return l >= 'a' && l <= 'f' ? l - 'a' + 10 : -1;
}

void check_length(ByteView b) {
  if (b.size() > 0x7FFFFFFFu)
    throw Error(ErrorKind::bad_input, "the buffer holds 2 GiB or more; no buffer is that long");
}

// ---- structure -> JSON -------------------------------------------------------------------------

namespace {

Json number(u64 x, u32 width, JsonOptions o) {
  if (width == 8 && o.u64_as_string) return std::to_string(x);
  return x;
}

// An element of a struct array: its members as field<k>, back to back.
Json element_json(const TableSlot& s, const u8* e, JsonOptions o) {
  Json j = Json::object();
  for (u32 k = 0, at = 0; k < element_members(s); at += s.parts[k], ++k)
    j[field_name(k)] = number(load_member(e + at, s.parts[k]), s.parts[k], o);
  return j;
}

}  // namespace

Json to_json(const Table& t, const u8* v, JsonOptions o) {
  Json j = Json::object();
  for (u32 k = 0; k < t.slots; ++k) {
    const TableSlot& s = t.slot[k];
    const u8* m = v + s.mem;
    switch (s.kind) {
      case Kind::scalar:
        j[field_name(k)] = number(load_member(m, s.width), s.width, o);
        break;
      case Kind::byte_array:
        j[field_name(k)] = hex_string(ByteView(m, s.count));
        break;
      case Kind::struct_array: {
        const bool records = element_name(t, k) != nullptr;
        Json arr = Json::array();
        for (u32 i = 0; i < s.count; ++i) {
          const u8* e = m + i * s.width;
          arr.push_back(records ? element_json(s, e, o) : Json(load_member(e, s.width)));
        }
        j[field_name(k)] = std::move(arr);
        break;
      }
      case Kind::nested:
        j[field_name(k)] = to_json(*s.sub, m, o);
        break;
      case Kind::vector: {
        const u32 n = count_of(v, s);
        const u8* items = items_of(v, s);
        j["n_" + field_name(k)] = n;
        if (items == nullptr) {
          j[field_name(k)] = nullptr;
          break;
        }
        Json arr = Json::array();
        for (u32 i = 0; i < n; ++i) arr.push_back(to_json(*s.sub, items + u64{i} * s.sub->size, o));
        j[field_name(k)] = std::move(arr);
        break;
      }
    }
  }
  return j;
}

// ---- JSON -> structure -------------------------------------------------------------------------

namespace {

struct FromJson {
  const Json& j;
  const std::string& path;
  ItemStore& store;
  const SourceMap* map;
  std::set<std::string> known{};

  std::string where(const std::string& key) const { return path.empty() ? key : path + "." + key; }
  // The value of a field, or null when the field is left out (it is then zero).
  const Json* find(const std::string& key) {
    known.insert(key);
    auto it = j.find(key);
    return it == j.end() || it->is_null() ? nullptr : &*it;
  }
  u64 number(const Json& v, u32 width, const std::string& at) const { return whole_number(v, 8 * width, at, map); }

  // Fields left out are zero; a field the structure does not have is an error.
  void finish() {
    for (const auto& [key, value] : j.items()) {
      if (!known.contains(key))
        unknown_field(key, path, static_cast<u32>(std::count_if(known.begin(), known.end(), [](const std::string& n) {
                        return n.rfind("n_", 0) != 0;
                      })));
    }
  }

  void element(const Json& v, const TableSlot& s, u8* e, const std::string& at) {
    if (!v.is_object()) value_error(at, "expected an object of fields, got " + excerpt(v));
    FromJson f{v, at, store, map};
    for (u32 k = 0, off = 0; k < element_members(s); off += s.parts[k], ++k) {
      if (const Json* x = f.find(field_name(k)))
        store_member(e + off, s.parts[k], f.number(*x, s.parts[k], f.where(field_name(k))));
    }
    f.finish();
  }

  void array(u32 k, const TableSlot& s, bool records, u8* m) {
    const Json* v = find(field_name(k));
    if (v == nullptr) return;
    const std::string at = where(field_name(k));
    const u32 n = s.count;
    if (!v->is_array() || v->size() != n)
      value_error(at, "expected an array of exactly " + std::to_string(n) + " elements, got " +
                          (v->is_array() ? std::to_string(v->size()) + " elements" : excerpt(*v)));
    for (u32 i = 0; i < n; ++i) {
      const std::string ai = at + "[" + std::to_string(i) + "]";
      u8* e = m + i * s.width;
      if (records)
        element((*v)[i], s, e, ai);
      else
        store_member(e, s.width, number((*v)[i], s.width, ai));
    }
  }

  void vector(u32 k, const TableSlot& s, u8* out) {
    const std::string count_key = "n_" + field_name(k);
    const Json* c = find(count_key);
    const Json* v = find(field_name(k));
    if (v == nullptr) {  // no items: the list is left out, whatever the count says
      const u64 n = c != nullptr ? number(*c, 4, where(count_key)) : 0;
      store_member(out + s.mem, 4, n);
      set_items(out, s, nullptr);
      if (n != 0)
        value_error(where(count_key), "a count of " + std::to_string(n) + " needs " + field_name(k) + " items");
      return;
    }
    const std::string at = where(field_name(k));
    if (!v->is_array()) value_error(at, "expected an array of records, got " + excerpt(*v));
    if (v->size() > 0xFFFFFFFFu) value_error(at, "too many records");
    const auto n = static_cast<u32>(v->size());
    store_member(out + s.mem, 4, n);
    if (c != nullptr && number(*c, 4, where(count_key)) != n)
      value_error(where(count_key), "says " + excerpt(*c) + " but " + field_name(k) + " lists " + std::to_string(n) +
                                        (n == 1 ? " record" : " records"));
    const Table& item = *s.sub;
    u8* items = n == 0 ? nullptr : store.make(n, item.size);
    set_items(out, s, items);
    for (u32 i = 0; i < n; ++i)
      from_json((*v)[i], item, items + u64{i} * item.size, at + "[" + std::to_string(i) + "]", store, map);
  }
};

}  // namespace

void from_json(const Json& j, const Table& t, u8* out, const std::string& path, ItemStore& store,
               const SourceMap* map) {
  if (!j.is_object()) value_error(path, "expected an object of fields, got " + excerpt(j));
  FromJson f{j, path, store, map};
  for (u32 k = 0; k < t.slots; ++k) {
    const TableSlot& s = t.slot[k];
    u8* m = out + s.mem;
    switch (s.kind) {
      case Kind::scalar:
        if (const Json* v = f.find(field_name(k)))
          store_member(m, s.width, f.number(*v, s.width, f.where(field_name(k))));
        break;
      case Kind::byte_array:
        if (const Json* v = f.find(field_name(k))) hex_field(*v, m, s.count, f.where(field_name(k)), map);
        break;
      case Kind::struct_array:
        f.array(k, s, element_name(t, k) != nullptr, m);
        break;
      case Kind::nested:
        if (const Json* v = f.find(field_name(k))) from_json(*v, *s.sub, m, f.where(field_name(k)), store, map);
        break;
      case Kind::vector:
        f.vector(k, s, out);
        break;
    }
  }
  f.finish();
}

// ---- shapes --------------------------------------------------------------------------------------

namespace {

std::vector<Slot> element_slots(const TableSlot& s) {
  std::vector<Slot> out;
  for (u32 k = 0, at = 0; k < element_members(s); at += s.parts[k], ++k)
    out.push_back({k, scalar_name(s.parts[k]), s.parts[k], 0, at, s.parts[k], "", {}});
  return out;
}

}  // namespace

std::vector<Slot> slots_of(const Table& t) {
  std::vector<Slot> out;
  for (u32 k = 0; k < t.slots; ++k) {
    const TableSlot& s = t.slot[k];
    switch (s.kind) {
      case Kind::scalar:
        out.push_back({k, scalar_name(s.width), s.width, 0, s.mem, s.width, "", {}});
        break;
      case Kind::byte_array:
        out.push_back({k, "bytes", 1, s.count, s.mem, s.count, "", {}});
        break;
      case Kind::struct_array: {
        const char* e = element_name(t, k);
        out.push_back({k, "array", s.width, s.count, s.mem, static_cast<u32>(s.width * s.count),
                       e != nullptr ? std::string(e) : scalar_name(s.width),
                       e != nullptr ? element_slots(s) : std::vector<Slot>{}});
        break;
      }
      case Kind::nested:
        out.push_back({k, "record", s.sub->size, 0, s.mem, s.sub->size, record_name(*s.sub), slots_of(*s.sub)});
        break;
      case Kind::vector:
        out.push_back({k, "list", s.sub->size, 0, s.mem, s.items + static_cast<u32>(sizeof(void*)) - s.mem,
                       record_name(*s.sub), slots_of(*s.sub)});
        break;
    }
  }
  return out;
}

// ---- one message ---------------------------------------------------------------------------------

void encode_fixed(const Ops& ops, const u8* v, u8* out) {
  const Unit send = ops.info->send_unit;
  bind_cache(send);  // fixes the send unit's byte-swap flag
  detail::encode_fixed_one(ops.table(), out, v, swap_flag(send));
}

Json unpack_json(const Ops& ops, ByteView in, JsonOptions o) {
  static const u8 empty = 0;  // an empty input is a short buffer, not a null pointer
  ItemStore store;
  u8* out = store.make(1, ops.table().size);
  ops.unpack(in.empty() ? &empty : in.data(), static_cast<u32>(in.size()), out);
  Json j = to_json(ops.table(), out, o);
  ops.free(out);
  return j;
}

}  // namespace kav::inspect::impl
