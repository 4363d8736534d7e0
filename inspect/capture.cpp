// The capture reader: pcapng framing, the record header of trace/kav_capture.h, and the JSON line
// of `kav decode --capture`.
#include "capture.hpp"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <unordered_map>

#include "kav_capture.h"

namespace kav::inspect {
namespace {

constexpr std::uint32_t kSectionHeader = 0x0A0D0D0A;
constexpr std::uint32_t kInterface = 1;
constexpr std::uint32_t kEnhancedPacket = 6;
constexpr std::uint32_t kByteOrderMagic = 0x1A2B3C4D;
// No block of a capture comes near this; a longer one is a broken length, not a record to wait for.
constexpr std::uint32_t kMaxBlock = 1u << 26;

std::uint32_t swap32(std::uint32_t v) { return __builtin_bswap32(v); }

std::uint32_t le32(const std::uint8_t* p) {
  return p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}
std::uint64_t le64(const std::uint8_t* p) { return le32(p) | (std::uint64_t{le32(p + 4)} << 32); }

std::string hex32(std::uint32_t v) {
  char s[16];
  std::snprintf(s, sizeof s, "0x%08x", v);
  return s;
}

// A timestamp in the interface's units (if_tsresol: 10^-v, or 2^-v with the top bit) in ns.
std::uint64_t to_ns(std::uint64_t ts, std::uint8_t resolution) {
  const unsigned v = resolution & 0x7F;
  if ((resolution & 0x80) != 0) {
    return v >= 64 ? 0 : static_cast<std::uint64_t>((static_cast<unsigned __int128>(ts) * 1000000000u) >> v);
  }
  unsigned __int128 r = ts;
  for (unsigned k = v; k < 9; ++k) r *= 10;
  for (unsigned k = 9; k < v && r != 0; ++k) r /= 10;
  return r > UINT64_MAX ? UINT64_MAX : static_cast<std::uint64_t>(r);
}

}  // namespace

const char* direction_name(Direction d) noexcept {
  switch (d) {
    case Direction::send:
      return "send";
    case Direction::recv:
      return "recv";
    case Direction::note:
      return "note";
  }
  return "?";
}

const Message* record_message(const CaptureRecord& r) {
  static const auto by_id = [] {
    std::unordered_map<std::uint32_t, const Message*> map;
    for (const Message& m : messages()) map.emplace(m.id, &m);
    return map;
  }();
  if (r.direction == Direction::note || !r.problem.empty()) return nullptr;
  const auto it = by_id.find(r.msgid);
  return it == by_id.end() ? nullptr : it->second;
}

CaptureReader::CaptureReader(std::FILE* file, std::string name, bool follow)
    : file_(file), name_(std::move(name)), follow_(follow) {}

bool CaptureReader::fill(std::size_t n) {
  while (buffer_.size() < n) {
    const std::size_t have = buffer_.size();
    buffer_.resize(n);
    const std::size_t got = std::fread(buffer_.data() + have, 1, n - have, file_);
    buffer_.resize(have + got);
    if (buffer_.size() == n) break;
    if (std::ferror(file_) != 0) throw Error(ErrorKind::io, "cannot read " + name_ + ": " + std::strerror(errno));
    if (!follow_) return false;
    std::clearerr(file_);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return true;
}

std::optional<CaptureRecord> CaptureReader::next() {
  for (;;) {
    const std::uint64_t at = offset_;
    const auto broken = [&](const std::string& why) {
      return Error(ErrorKind::bad_input, name_ + ": block at offset " + std::to_string(at) + ": " + why, at);
    };
    if (!fill(8)) {
      if (buffer_.empty()) return std::nullopt;
      throw broken("the file ends inside the block's header (cut short, or still being written: --follow waits)");
    }
    const std::uint32_t type_raw = le32(buffer_.data());
    if (type_raw == kSectionHeader) {
      if (!fill(12)) throw broken("the file ends inside a section header");
      const std::uint32_t magic = le32(buffer_.data() + 8);
      if (magic != kByteOrderMagic && magic != swap32(kByteOrderMagic))
        throw broken("a section header without the byte-order magic " + hex32(kByteOrderMagic));
      swapped_ = magic != kByteOrderMagic;
      in_section_ = true;
      links_.clear();
      resolution_.clear();
    } else if (!in_section_) {
      throw broken(at == 0 ? "not a pcapng capture (it does not start with a section header block)"
                           : "a block outside any section");
    }
    const auto u32 = [&](std::size_t pos) {
      const std::uint32_t v = le32(buffer_.data() + pos);
      return swapped_ ? swap32(v) : v;
    };
    const auto u16 = [&](std::size_t pos) {
      const std::uint16_t v = static_cast<std::uint16_t>(buffer_[pos] | (buffer_[pos + 1] << 8));
      return swapped_ ? static_cast<std::uint16_t>((v >> 8) | (v << 8)) : v;
    };
    const std::uint32_t type = u32(0);
    const std::uint32_t length = u32(4);
    if (length < 12 || length % 4 != 0)
      throw broken("its length " + std::to_string(length) + " is not a multiple of 4 of at least 12");
    if (length > kMaxBlock)
      throw broken("its length " + std::to_string(length) + " is more than any capture block (" +
                   std::to_string(kMaxBlock) + " bytes)");
    if (!fill(length))
      throw broken("the file ends " + std::to_string(buffer_.size()) + " bytes into this " + std::to_string(length) +
                   "-byte block (cut short, or still being written: --follow waits)");
    if (u32(length - 4) != length)
      throw broken("its trailing length " + std::to_string(u32(length - 4)) + " differs from its leading length " +
                   std::to_string(length));

    std::optional<CaptureRecord> record;
    if (type == kSectionHeader) {
      if (length < 28) throw broken("a section header shorter than 28 bytes");
      if (u16(12) != 1) throw broken("pcapng version " + std::to_string(u16(12)) + ", this reader knows 1");
    } else if (type == kInterface) {
      if (length < 20) throw broken("an interface description shorter than 20 bytes");
      links_.push_back(u16(8));
      std::uint8_t resolution = 6;
      for (std::size_t p = 16; p + 4 <= length - 4;) {  // options: code, length, value padded to 4
        const std::uint16_t code = u16(p), size = u16(p + 2);
        if (code == 0 || p + 4 + size > length - 4) break;
        if (code == 9 && size >= 1) resolution = buffer_[p + 4];
        p += 4 + ((size + 3u) & ~3u);
      }
      resolution_.push_back(resolution);
    } else if (type == kEnhancedPacket) {
      if (length < 32) throw broken("a packet block shorter than 32 bytes");
      const std::uint32_t interface = u32(8), captured = u32(20), original = u32(24);
      if (captured > length - 32)
        throw broken("its captured length " + std::to_string(captured) + " overruns the block");
      CaptureRecord r;
      r.offset = at;
      if (interface >= links_.size()) {
        r.problem = "interface " + std::to_string(interface) + " is not described in its section";
      } else if (links_[interface] != KAV_CAPTURE_LINKTYPE) {
        r.problem = "link type " + std::to_string(links_[interface]) + ", not a kav capture's (" +
                    std::to_string(KAV_CAPTURE_LINKTYPE) + ")";
      }
      if (interface < resolution_.size())
        r.time_ns = to_ns((std::uint64_t{u32(12)} << 32) | u32(16), resolution_[interface]);
      const std::uint8_t* h = buffer_.data() + 28;  // the record header is little-endian whatever the section's order
      if (r.problem.empty() && captured < KAV_CAPTURE_HEADER_SIZE) {
        r.problem = "a record of " + std::to_string(captured) + " bytes, shorter than its " +
                    std::to_string(KAV_CAPTURE_HEADER_SIZE) + "-byte header";
      } else if (r.problem.empty() && h[0] != KAV_CAPTURE_VERSION) {
        r.problem =
            "record version " + std::to_string(h[0]) + ", this reader knows " + std::to_string(KAV_CAPTURE_VERSION);
      } else if (r.problem.empty() && h[1] > KAV_CAPTURE_NOTE) {
        r.problem = "direction " + std::to_string(h[1]) + " is none of send (0), recv (1) and note (2)";
      } else if (r.problem.empty()) {
        r.direction = static_cast<Direction>(h[1]);
        r.flags = static_cast<std::uint16_t>(h[2] | (h[3] << 8));
        r.pid = le32(h + 4);
        r.tid = le32(h + 8);
        r.dest = le32(h + 12);
        if ((r.flags & KAV_CAPTURE_HAS_TARGET) != 0) r.target = le64(h + 16);
        r.msgid = le32(h + 24);
        r.length = le32(h + 28);
        if ((r.flags & KAV_CAPTURE_HAS_RESULT) != 0) r.result = le32(h + 32);
        r.entry = le32(h + 36);
        r.count = le32(h + 40);
        r.bytes.assign(h + KAV_CAPTURE_HEADER_SIZE, h + captured);
        r.truncated = original > captured;
      }
      record = std::move(r);
    }  // other blocks (statistics, name resolution, custom) carry nothing of ours
    offset_ += length;
    buffer_.clear();
    if (record) return record;
  }
}

std::string unreadable(const CaptureRecord& r) {
  if (!r.problem.empty()) return r.problem;
  if (r.direction == Direction::note) return "";
  if ((r.flags & KAV_CAPTURE_NULL_DATA) != 0)
    return "sent with a null data pointer (length " + std::to_string(r.length) + ")";
  if (r.truncated)
    return "only " + std::to_string(r.bytes.size()) + " of its " + std::to_string(r.length) + " bytes were captured";
  return "";
}

Json capture_json(const CaptureRecord& r, JsonOptions options) {
  const Message* m = record_message(r);
  const bool is_send = r.direction == Direction::send;
  Json j{{"time", r.time_ns},
         {"direction", direction_name(r.direction)},
         {"pid", r.pid},
         {"tid", r.tid},
         {"dest", is_send ? Json(r.dest) : Json(nullptr)},
         {"target", r.target ? Json(*r.target) : Json(nullptr)},
         {"msgid", hex32(r.msgid)},
         {"message", m != nullptr ? Json(m->name) : Json(nullptr)},
         {"fields", nullptr}};
  if (is_send) j["result"] = r.result ? Json(*r.result) : Json(nullptr);
  if (r.truncated) j["truncated"] = true;
  if (const std::string why = unreadable(r); !why.empty()) {
    j["problem"] = why;
  } else if (r.direction == Direction::note) {
    j["msgid"] = nullptr;
    j["note"] = std::string(r.bytes.begin(), r.bytes.end());
  } else if (m != nullptr) {
    const Decoded d = decode(*m, r.bytes, options);
    j["fields"] = d.value;
    if (d.fault)
      j["problem"] = "malformed at position " + std::to_string(d.fault->position) +
                     (d.fault->path.empty() ? "" : " (" + d.fault->path + ")") + ": " + d.fault->text;
  }
  return j;
}

}  // namespace kav::inspect
