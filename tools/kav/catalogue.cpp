// The table of messages, built from the catalogue's descriptors: each entry reaches its message's
// exported functions, the fixed encoder and the explain walk, instantiated for its structure.
#include <algorithm>

#include "codec/encode.hpp"
#include "codec/fixed.hpp"
#include "explain.hpp"
#include "messages/descriptors.hpp"

namespace kav::tool {
namespace {

template <class M>
Json decode(const Bytes& in) {
  using T = typename M::type;
  static const u8 empty = 0;  // an empty input is a short buffer, not a null pointer
  T out{};
  M::unpack_fn(in.empty() ? &empty : in.data(), static_cast<u32>(in.size()), &out);
  Json j = to_json(out);
  M::free_fn(&out);
  return j;
}

template <class M>
Bytes encode(const Json& j, Encoder e) {
  using T = typename M::type;
  ItemStore store;
  T v{};
  from_json(j, v, "", store);
  if (e == Encoder::fixed) {
    if constexpr (has_vector<T>) {
      throw Error(std::string(M::full_name) + " has no fixed layout: it carries a list and is always sent compact");
    } else {
      Bytes b(fixed_length<T>);
      bind_cache(M::send_unit);  // fixes the send unit's byte-swap flag, as the send path does
      detail::fixed_encode(b.data(), v, swap_flag(M::send_unit));
      return b;
    }
  }
  const u64 size = detail::compact_size(v);
  if (size > 0xFFFFFFFFu) throw Error("the compact encoding would take " + std::to_string(size) + " bytes, over 32 bits");
  Bytes b(static_cast<std::size_t>(size));
  u32 len = static_cast<u32>(size);
  if (M::pack_fn(&v, b.data(), &len) != 0 || len != size)
    throw Error(std::string(M::full_name) + "__pack refused the structure");
  return b;
}

template <class T>
consteval u32 fixed_len_of() {
  if constexpr (has_vector<T>) {
    return 0;
  } else {
    return fixed_length<T>;
  }
}

std::size_t distance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diag = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t up = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diag + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diag = up;
    }
  }
  return row[b.size()];
}

}  // namespace

const std::vector<MessageOps>& messages() {
  static const std::vector<MessageOps> table = [] {
    std::vector<MessageOps> t;
    auto add = [&]<class M>() {
      using T = typename M::type;
      t.push_back(MessageOps{M::full_name, M::wire_name, M::package == Package::kav ? "kav" : "kav_sync", M::id,
                             static_cast<u32>(sizeof(T)), slot_count<T>, fixed_len_of<T>(),
                             M::root == RootForm::in_place, &decode<M>, &encode<M>, &explain<M>});
    };
    catalogue::for_each_message(catalogue::kav_messages{}, add);
    catalogue::for_each_message(catalogue::kav_sync_messages{}, add);
    return t;
  }();
  return table;
}

const MessageOps& find_message(std::string_view key) {
  const auto& all = messages();
  if (key.size() > 2 && key[0] == '0' && (key[1] == 'x' || key[1] == 'X')) {
    std::size_t used = 0;
    unsigned long long id = 0;
    try {
      id = std::stoull(std::string(key.substr(2)), &used, 16);
    } catch (const std::exception&) {
      used = 0;
    }
    if (used != key.size() - 2 || id > 0xFFFFFFFFu) throw Error("'" + std::string(key) + "' is not a 32-bit MsgId");
    for (const MessageOps& m : all) {
      if (m.id == id) return m;
    }
    throw Error("no message has MsgId " + std::string(key) + " (kav list shows every MsgId)");
  }
  for (const MessageOps& m : all) {
    if (key == m.name || key == m.wire) return m;
  }
  std::vector<std::pair<std::size_t, const char*>> near;
  for (const MessageOps& m : all) near.emplace_back(std::min(distance(key, m.name), distance(key, m.wire)), m.name);
  std::stable_sort(near.begin(), near.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::string msg = "unknown message '" + std::string(key) + "'; closest names: ";
  for (std::size_t i = 0; i < 3; ++i) msg += std::string(i ? ", " : "") + near[i].second;
  throw Error(msg + " (kav list shows them all)");
}

}  // namespace kav::tool
