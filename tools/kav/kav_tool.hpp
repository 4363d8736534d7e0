// The inspector's shared pieces: the table of messages built from the catalogue, the errors it
// reports, and the byte and text helpers every subcommand uses.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace kav::tool {

using Json = nlohmann::ordered_json;  // keeps fields in slot order
using Bytes = std::vector<std::uint8_t>;

// A problem with the user's input or request: printed as "kav: <message>", exit status 1.
struct Error : std::runtime_error {
  using std::runtime_error::runtime_error;
};

enum class Encoder { compact, fixed };

// One message of the catalogue, with its operations instantiated for its structure.
struct MessageOps {
  const char* name;     // kav_host_update
  const char* wire;     // kav.host_update
  const char* package;  // kav
  std::uint32_t id;
  std::uint32_t size;       // unpacked structure size
  std::uint32_t slots;      // slots of the root table
  std::uint32_t fixed_len;  // fixed length L, or 0 for a message sent in the compact layout
  bool in_place;            // root form of __unpack
  Json (*decode)(const Bytes&);
  Bytes (*encode)(const Json&, Encoder);
  // Writes the byte map to `out`; returns 0 (well-formed), 1 (malformed) or 3 (disagreement).
  int (*explain)(const Bytes&, std::string& out);
};

const std::vector<MessageOps>& messages();
// By name (kav_host), wire name (kav.host) or MsgId (0x...); throws Error with suggestions.
const MessageOps& find_message(std::string_view key);

std::string hex_string(const std::uint8_t* p, std::size_t n);  // "0a1b..."
// Hex text to bytes; whitespace, commas and 0x prefixes are skipped. Throws Error with position.
Bytes parse_hex(std::string_view text);

// Log lines of the library: while a capture is active they are collected instead of printed.
struct LogCapture {
  LogCapture();
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;
  std::vector<std::string> lines;
};

}  // namespace kav::tool
