// Message structures to JSON and back, by the engine's slot walk: field<k> names, byte arrays as
// hex strings, struct arrays as arrays (of objects, or of numbers for scalar elements), nested
// records as objects, table vectors as n_field<k> beside field<k> (an array of records, or null).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <set>

#include "codec/visit.hpp"
#include "inspect.hpp"

namespace kav::inspect::impl {

inline std::string field_name(u32 k) { return "field" + std::to_string(k); }

// The record type's name, as the C declaration spells it ("kav_host"), from the compiler's
// rendering of the template argument.
template <class R>
constexpr std::string_view type_name() {
  std::string_view f = __PRETTY_FUNCTION__;
  const std::size_t at = f.find("R = ");
  f.remove_prefix(at + 4);
  return f.substr(0, f.find_first_of(";]"));
}
template <class R>
std::string record_name() {
  return std::string(type_name<R>());
}

template <class T>
Json to_json(const T& v, JsonOptions o);

struct ToJson {
  Json& j;
  JsonOptions o;
  template <class U>
  void scalar(u32 k, const U& x) {
    if (sizeof(U) == 8 && o.u64_as_string) {
      j[field_name(k)] = std::to_string(x);
    } else {
      j[field_name(k)] = static_cast<u64>(x);
    }
  }
  template <std::size_t N>
  void byte_array(u32 k, const u8 (&a)[N]) {
    j[field_name(k)] = hex_string(ByteView(a, N));
  }
  template <class E, std::size_t N>
  void struct_array(u32 k, const E (&a)[N]) {
    Json arr = Json::array();
    for (const E& e : a) {
      if constexpr (std::is_unsigned_v<E>) {
        arr.push_back(static_cast<u64>(e));
      } else {
        arr.push_back(to_json(e, o));
      }
    }
    j[field_name(k)] = std::move(arr);
  }
  template <class R>
  void nested(u32 k, const R& r) {
    j[field_name(k)] = to_json(r, o);
  }
  template <class R>
  void vector(u32 k, const u32& n, R* const& items) {
    j["n_" + field_name(k)] = n;
    if (items == nullptr) {
      j[field_name(k)] = nullptr;
      return;
    }
    Json arr = Json::array();
    for (u32 i = 0; i < n; ++i) arr.push_back(to_json(items[i], o));
    j[field_name(k)] = std::move(arr);
  }
};

template <class T>
Json to_json(const T& v, JsonOptions o) {
  Json j = Json::object();
  visit_slots(v, ToJson{j, o});
  return j;
}

// Owns the item arrays of list messages built from JSON.
struct ItemStore {
  std::vector<std::unique_ptr<void, decltype(&std::free)>> blocks;
  template <class R>
  R* make(std::size_t n) {
    void* p = std::calloc(n == 0 ? 1 : n, sizeof(R));
    if (p == nullptr) throw std::bad_alloc();
    blocks.emplace_back(p, &std::free);
    return static_cast<R*>(p);
  }
};

template <class T>
void from_json(const Json& j, T& out, const std::string& path, ItemStore& store, const SourceMap* map);

[[noreturn]] void value_error(const std::string& path, const std::string& text, std::optional<std::uint64_t> pos = {});
// A whole number of `bits` bits from a JSON number or a string of decimal digits (or 0x hex).
u64 whole_number(const Json& v, unsigned bits, const std::string& path, const SourceMap* map);
// A hex string of exactly n bytes.
void hex_field(const Json& v, u8* out, std::size_t n, const std::string& path, const SourceMap* map);

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
  template <class U>
  U number(const Json& v, const std::string& at) {
    return static_cast<U>(whole_number(v, 8 * sizeof(U), at, map));
  }
  template <class U>
  void scalar(u32 k, U& x) {
    if (const Json* v = find(field_name(k))) x = number<U>(*v, where(field_name(k)));
  }
  template <std::size_t N>
  void byte_array(u32 k, u8 (&a)[N]) {
    if (const Json* v = find(field_name(k))) hex_field(*v, a, N, where(field_name(k)), map);
  }
  template <class E, std::size_t N>
  void struct_array(u32 k, E (&a)[N]) {
    const Json* v = find(field_name(k));
    if (v == nullptr) return;
    const std::string at = where(field_name(k));
    if (!v->is_array() || v->size() != N)
      value_error(at, "expected an array of exactly " + std::to_string(N) + " elements, got " +
                          (v->is_array() ? std::to_string(v->size()) + " elements" : excerpt(*v)));
    for (std::size_t i = 0; i < N; ++i) {
      const std::string ai = at + "[" + std::to_string(i) + "]";
      if constexpr (std::is_unsigned_v<E>) {
        a[i] = number<E>((*v)[i], ai);
      } else {
        from_json((*v)[i], a[i], ai, store, map);
      }
    }
  }
  template <class R>
  void nested(u32 k, R& r) {
    if (const Json* v = find(field_name(k))) from_json(*v, r, where(field_name(k)), store, map);
  }
  template <class R>
  void vector(u32 k, u32& n, R*& items) {
    const std::string count_key = "n_" + field_name(k);
    const Json* c = find(count_key);
    const Json* v = find(field_name(k));
    if (v == nullptr) {  // no items: the list is left out, whatever the count says
      n = c != nullptr ? number<u32>(*c, where(count_key)) : 0;
      items = nullptr;
      if (n != 0)
        value_error(where(count_key), "a count of " + std::to_string(n) + " needs " + field_name(k) + " items");
      return;
    }
    const std::string at = where(field_name(k));
    if (!v->is_array()) value_error(at, "expected an array of records, got " + excerpt(*v));
    if (v->size() > 0xFFFFFFFFu) value_error(at, "too many records");
    n = static_cast<u32>(v->size());
    if (c != nullptr && number<u32>(*c, where(count_key)) != n)
      value_error(where(count_key), "says " + excerpt(*c) + " but " + field_name(k) + " lists " + std::to_string(n) +
                                        (n == 1 ? " record" : " records"));
    items = n == 0 ? nullptr : store.make<R>(n);
    for (u32 i = 0; i < n; ++i) from_json((*v)[i], items[i], at + "[" + std::to_string(i) + "]", store, map);
  }
};

[[noreturn]] void unknown_field(const std::string& key, const std::string& path, u32 slots);

// Fields left out are zero; a field the structure does not have is an error.
template <class T>
void from_json(const Json& j, T& out, const std::string& path, ItemStore& store, const SourceMap* map) {
  if (!j.is_object()) value_error(path, "expected an object of fields, got " + excerpt(j));
  FromJson f{j, path, store, map};
  visit_slots(out, f);
  for (const auto& [key, value] : j.items()) {
    if (!f.known.contains(key))
      unknown_field(key, path, static_cast<u32>(std::count_if(f.known.begin(), f.known.end(), [](const std::string& n) {
                      return n.rfind("n_", 0) != 0;
                    })));
  }
}

}  // namespace kav::inspect::impl
