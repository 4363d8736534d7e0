// The table of messages: per message only data, its identity in the engine (whose tables describe
// its structure), its exported functions, its names and its explain walk.
#include "kav.h"
#include "kav_sync.h"
#include "messages/index.hpp"
#include "walker.hpp"

namespace kav::inspect::impl {
namespace {

struct Entry {
  UnpackFn unpack;
  PackFn pack;
  FreeFn free;
  const char* name;
  const char* wire;
};

// The structures differ per message; the functions take them as bytes.
#define KAV_ENTRY(pkg, name)                                                                                  \
  Entry{reinterpret_cast<UnpackFn>(&pkg##_##name##__unpack), reinterpret_cast<PackFn>(&pkg##_##name##__pack), \
        reinterpret_cast<FreeFn>(&pkg##_##name##_free__unpacked), #pkg "_" #name, #pkg "." #name},
const Entry kEntries[] = {KAV_MESSAGES(KAV_ENTRY) KAV_SYNC_MESSAGES(KAV_ENTRY)};
#undef KAV_ENTRY

}  // namespace

std::vector<Message> build_catalogue() {
  const auto infos = catalogue::message_infos();
  const auto walks = message_walks();
  if (infos.size() != std::size(kEntries) || walks.size() != std::size(kEntries))
    throw std::logic_error("the catalogue's lists differ in length");
  static const std::vector<Ops> ops = [&] {
    std::vector<Ops> v;
    for (std::size_t i = 0; i < std::size(kEntries); ++i)
      v.push_back(Ops{infos[i], kEntries[i].unpack, kEntries[i].pack, kEntries[i].free, walks[i]});
    return v;
  }();
  std::vector<Message> t;
  u32 index = 0;
  for (std::size_t i = 0; i < std::size(kEntries); ++i) {
    const detail::Message& info = *infos[i];
    const Table& table = *info.table;
    const bool kav = info.unpack_unit == Unit::main_unpack;
    if (i > 0 && kav != (infos[i - 1]->unpack_unit == Unit::main_unpack)) index = 0;  // kav_sync starts again
    t.push_back(Message{kEntries[i].name, kEntries[i].wire, kav ? "kav" : "kav_sync", info.id, table.size, table.slots,
                        table.has_vector ? 0u : table.fixed_len, table.root == RootForm::in_place, index++, &ops[i]});
  }
  return t;
}

}  // namespace kav::inspect::impl
