// Message structures to JSON and back, by the engine's slot walk: field<k> names, byte arrays as
// hex strings, struct arrays as arrays (of objects, or of numbers for scalar elements), nested
// records as objects, table vectors as n_field<k> beside field<k> (an array of records, or null).
#pragma once

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <set>

#include "codec/visit.hpp"
#include "kav_tool.hpp"

namespace kav::tool {

inline std::string field_name(u32 k) { return "field" + std::to_string(k); }

template <class T>
Json to_json(const T& v);

struct ToJson {
  Json& j;
  template <class U>
  void scalar(u32 k, const U& x) {
    j[field_name(k)] = static_cast<u64>(x);
  }
  template <std::size_t N>
  void byte_array(u32 k, const u8 (&a)[N]) {
    j[field_name(k)] = hex_string(a, N);
  }
  template <class E, std::size_t N>
  void struct_array(u32 k, const E (&a)[N]) {
    Json arr = Json::array();
    for (const E& e : a) {
      if constexpr (std::is_unsigned_v<E>) {
        arr.push_back(static_cast<u64>(e));
      } else {
        arr.push_back(to_json(e));
      }
    }
    j[field_name(k)] = std::move(arr);
  }
  template <class R>
  void nested(u32 k, const R& r) {
    j[field_name(k)] = to_json(r);
  }
  template <class R>
  void vector(u32 k, const u32& n, R* const& items) {
    j["n_" + field_name(k)] = n;
    if (items == nullptr) {
      j[field_name(k)] = nullptr;
      return;
    }
    Json arr = Json::array();
    for (u32 i = 0; i < n; ++i) arr.push_back(to_json(items[i]));
    j[field_name(k)] = std::move(arr);
  }
};

template <class T>
Json to_json(const T& v) {
  Json j = Json::object();
  visit_slots(v, ToJson{j});
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
void from_json(const Json& j, T& out, const std::string& path, ItemStore& store);

struct FromJson {
  const Json& j;
  const std::string& path;
  ItemStore& store;
  std::set<std::string> known{};

  std::string where(const std::string& key) const { return path.empty() ? key : path + "." + key; }
  // The value of a field, or null when the field is left out (it is then zero).
  const Json* find(const std::string& key) {
    known.insert(key);
    auto it = j.find(key);
    return it == j.end() || it->is_null() ? nullptr : &*it;
  }
  template <class U>
  static U number(const Json& v, const std::string& at) {
    constexpr u64 max = std::numeric_limits<U>::max();
    const char* type = sizeof(U) == 1 ? "u8" : sizeof(U) == 2 ? "u16" : sizeof(U) == 4 ? "u32" : "u64";
    if (v.is_number_unsigned() && v.get<u64>() <= max) return static_cast<U>(v.get<u64>());
    if (v.is_number_integer() && v.get<std::int64_t>() < 0)
      throw Error(at + ": " + v.dump() + " is negative; a " + type + " field holds 0 to " + std::to_string(max));
    if (v.is_number_float()) {
      const double d = v.get<double>();
      if (std::floor(d) != d) throw Error(at + ": " + v.dump() + " is not a whole number");
      if (d >= 0 && d <= static_cast<double>(max))
        throw Error(at + ": write " + v.dump() + " as a whole number, without a fraction or an exponent");
    }
    if (v.is_number())
      throw Error(at + ": " + v.dump() + " does not fit a " + type + " field (0 to " + std::to_string(max) + ")");
    throw Error(at + ": expected a whole number for a " + type + " field, got " + v.dump());
  }
  template <class U>
  void scalar(u32 k, U& x) {
    if (const Json* v = find(field_name(k))) x = number<U>(*v, where(field_name(k)));
  }
  template <std::size_t N>
  void byte_array(u32 k, u8 (&a)[N]) {
    const Json* v = find(field_name(k));
    if (v == nullptr) return;
    const std::string at = where(field_name(k));
    if (!v->is_string()) throw Error(at + ": expected a hex string of " + std::to_string(N) + " bytes, got " + v->dump());
    Bytes b;
    try {
      b = parse_hex(v->get<std::string>());
    } catch (const Error& e) {
      throw Error(at + ": " + e.what());
    }
    if (b.size() != N)
      throw Error(at + ": the byte array holds exactly " + std::to_string(N) + " bytes (" + std::to_string(2 * N) +
                  " hex digits), got " + std::to_string(b.size()) + " bytes");
    std::memcpy(a, b.data(), N);
  }
  template <class E, std::size_t N>
  void struct_array(u32 k, E (&a)[N]) {
    const Json* v = find(field_name(k));
    if (v == nullptr) return;
    const std::string at = where(field_name(k));
    if (!v->is_array() || v->size() != N)
      throw Error(at + ": expected an array of exactly " + std::to_string(N) + " elements, got " +
                  (v->is_array() ? std::to_string(v->size()) + " elements" : v->dump()));
    for (std::size_t i = 0; i < N; ++i) {
      const std::string ai = at + "[" + std::to_string(i) + "]";
      if constexpr (std::is_unsigned_v<E>) {
        a[i] = number<E>((*v)[i], ai);
      } else {
        from_json((*v)[i], a[i], ai, store);
      }
    }
  }
  template <class R>
  void nested(u32 k, R& r) {
    if (const Json* v = find(field_name(k))) from_json(*v, r, where(field_name(k)), store);
  }
  template <class R>
  void vector(u32 k, u32& n, R*& items) {
    const std::string count_key = "n_" + field_name(k);
    const Json* c = find(count_key);
    const Json* v = find(field_name(k));
    if (v == nullptr) {  // no items: the list is left out, whatever the count says
      n = c != nullptr ? number<u32>(*c, where(count_key)) : 0;
      items = nullptr;
      if (n != 0) throw Error(where(count_key) + ": a count of " + std::to_string(n) + " needs " + field_name(k) + " items");
      return;
    }
    const std::string at = where(field_name(k));
    if (!v->is_array()) throw Error(at + ": expected an array of records, got " + v->dump());
    if (v->size() > 0xFFFFFFFFu) throw Error(at + ": too many records");
    n = static_cast<u32>(v->size());
    if (c != nullptr && number<u32>(*c, where(count_key)) != n)
      throw Error(where(count_key) + ": says " + c->dump() + " but " + field_name(k) + " lists " + std::to_string(n) +
                  (n == 1 ? " record" : " records"));
    items = n == 0 ? nullptr : store.make<R>(n);
    for (u32 i = 0; i < n; ++i) from_json((*v)[i], items[i], at + "[" + std::to_string(i) + "]", store);
  }
};

// Fields left out are zero; a field the structure does not have is an error.
template <class T>
void from_json(const Json& j, T& out, const std::string& path, ItemStore& store) {
  const std::string at = path.empty() ? "the message" : path;
  if (!j.is_object()) throw Error(at + ": expected an object of fields, got " + j.dump());
  FromJson f{j, path, store};
  visit_slots(out, f);
  for (const auto& [key, value] : j.items()) {
    if (!f.known.contains(key))
      throw Error("no field named \"" + key + "\" in " + at + " (its fields are field0 to field" +
                  std::to_string(slot_count<T> - 1) + ")");
  }
}

}  // namespace kav::tool
