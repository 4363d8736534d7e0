// The inspector's core, shared by the `kav` command and every other front end: the messages of
// both packages, their JSON form both ways, the byte map of a buffer (explain), and the questions
// a user asks of a buffer or a message. Nothing here parses a command line or writes to a stream;
// every result is a value, every failure an inspect::Error.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace kav::inspect {

using Json = nlohmann::ordered_json;  // keeps fields in slot order
using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

// Why a request failed. The command's exit status follows from it (exit_status).
enum class ErrorKind {
  malformed_buffer,  // a buffer that breaks the format's rules (decode with strict checking)
  usage,             // unknown message or subcommand, options that do not go together
  bad_input,         // input that cannot be understood: hex, JSON, a value that does not fit its field
  io,                // a file that cannot be opened or read, output that cannot be written
};

// 1 malformed buffer, 2 usage, 3 input or output.
int exit_status(ErrorKind kind) noexcept;

struct Error : std::runtime_error {
  Error(ErrorKind k, const std::string& message, std::optional<std::uint64_t> pos = {}, std::string field = {})
      : std::runtime_error(message), kind(k), position(pos), path(std::move(field)) {}
  ErrorKind kind;
  std::optional<std::uint64_t> position;  // byte position in the buffer or the input text, where known
  std::string path;                       // field path (field1[0].field7), where known
};

// The two layouts a buffer can have: compact (__pack; vtables before their tables) and fixed (the
// send path; vtables behind their tables, every field present).
enum class Encoding { compact, fixed };
const char* encoding_name(Encoding e) noexcept;  // "compact", "fixed"

namespace impl {
struct Ops;
}

// One message of the catalogue.
struct Message {
  const char* name;            // kav_host_update
  const char* wire;            // kav.host_update
  const char* package;         // kav or kav_sync
  std::uint32_t id;            // MsgId
  std::uint32_t size;          // unpacked structure size
  std::uint32_t slots;         // slots of the root table
  std::uint32_t fixed_length;  // fixed length L, or 0 for a message sent in the compact layout
  bool in_place;               // root form of __unpack: in place, or delegating to the table decoder
  std::uint32_t index;         // registration index within its package (catalogue order)
  const impl::Ops* ops;
};

// Every message, kav first, each package in catalogue order.
std::span<const Message> messages();
// By name, wire name (both case-insensitive) or MsgId (0x95130b44, 95130b44 or 2501053252).
// Throws Error(usage) naming the closest names.
const Message& find_message(std::string_view key);
// The names of `all` closest to `key` by edit distance, best first.
std::vector<std::string> closest(std::string_view key, const std::vector<std::string>& all, std::size_t n);
std::size_t edit_distance(std::string_view a, std::string_view b);

// ---- the JSON form -------------------------------------------------------------------------------
// field<k> per slot; a u64 as a decimal string (every other integer fits a double exactly); a byte
// array as a hex string; a struct array as an array (of objects, or of numbers for u16 elements); a
// nested record as an object; a list as n_field<k> followed by field<k> (an array of records, or
// null). On input every integer may be a number or a string, and a field left out is zero.

struct JsonOptions {
  bool u64_as_string = true;
};

// Where the strings of a parsed document started in its text, by field path; error positions
// inside a string value then point into the text.
struct SourceMap {
  std::string_view text;
  std::map<std::string, std::size_t> strings;  // field path -> position of the opening quote
};

// The deepest nesting any message's JSON form needs is 5; documents nested deeper than this are
// refused before they are built.
inline constexpr std::size_t kMaxJsonDepth = 16;

// Parses one JSON document: duplicate keys and nesting beyond kMaxJsonDepth are errors
// (Error(bad_input) with the position). `map`, when given, receives the string positions.
Json parse_json(std::string_view text, SourceMap* map = nullptr);

// The JSON value encoded in the given layout: the bytes of the library's __pack (compact), or
// of the send path's fixed encoder. Error(bad_input) with the field path when a value does not
// fit, Error(usage) for the fixed layout of a message that carries a list.
Bytes encode(const Message& m, const Json& value, Encoding e = Encoding::compact, const SourceMap* map = nullptr);

// ---- buffers ---------------------------------------------------------------------------------

// The first check a buffer fails.
struct Fault {
  std::uint32_t position;
  std::string path;  // field path, "" for the root table's header
  std::string text;  // what is wrong, in words
  std::string log;   // the function name __unpack logs it under, "" when it is not logged
};

// How well a buffer fits a message: every check passed and every byte is part of the message
// (or padding of the fixed layout), and whether every vtable has its record's full length.
struct Fit {
  bool well_formed = false;
  bool every_byte = false;      // no byte unreferenced, none claimed twice
  bool exact_vtables = false;   // every vtable as long as its record type (as the encoders write)
  bool length_matches = false;  // fixed layout: the buffer is exactly L bytes
  bool exact() const { return well_formed && every_byte && exact_vtables; }
};

struct Decoded {
  Json value;                      // what __unpack produced
  std::vector<std::string> log;    // the library's log lines while it ran
  std::optional<Encoding> layout;  // which layout the root table has, once its header was read
  std::optional<Fault> fault;      // set when the buffer is malformed
  Fit fit;
  std::vector<const Message*> better;  // messages the buffer fits exactly when it fits m less well
};
// Runs the message's __unpack and, beside it, the inspector's own walk of the buffer.
Decoded decode(const Message& m, ByteView buffer, JsonOptions options = {});
// The first check the buffer fails, or none when it is well-formed: the walk alone, for callers
// that have run __unpack themselves.
std::optional<Fault> first_fault(const Message& m, ByteView buffer);
// Only the message's __unpack, as the C interface gives it: no walk, no verdict. Its log lines go
// to `log` when given.
Json unpack(const Message& m, ByteView buffer, JsonOptions options = {}, std::vector<std::string>* log = nullptr);

struct Report {
  std::string text;  // the byte map, the fields, the first failing check and the cross-check
  bool well_formed = false;
  bool agrees = false;  // the walk predicted exactly what __unpack produced (fields and log)
  std::optional<Encoding> layout;
  std::optional<Fault> fault;
  std::vector<std::string> log;
  Fit fit;
  std::vector<const Message*> better;
};
Report explain(const Message& m, ByteView buffer);

// A message whose decoder accepts a buffer with every byte accounted for.
struct Candidate {
  const Message* message;
  Encoding layout;
  std::uint32_t rank;  // 1 for the best; candidates of equal rank fit equally well
  Fit fit;
};
// Best first: exact vtables (and, for the fixed layout, the exact length) before the rest.
std::vector<Candidate> identify(ByteView buffer);

// ---- shapes ----------------------------------------------------------------------------------

struct Slot {
  std::uint32_t index;
  std::string kind;          // u8 u16 u32 u64 | bytes | array | record | list
  std::uint32_t width;       // scalar width, element width (array), item or record size
  std::uint32_t count;       // array length; 0 otherwise
  std::uint32_t offset;      // offset of the member in the structure (the count member for a list)
  std::uint32_t size;        // bytes the member takes (count and pointer for a list)
  std::string record;        // record type of a nested record, list item or array element
  std::vector<Slot> fields;  // that record's slots
};
struct Shape {
  const Message* message;
  std::vector<Slot> slots;
};
Shape shape(const Message& m);
Json shape_json(const Shape& s);
std::string shape_text(const Shape& s);

// Every field present with a zero value and one item in each list; encode accepts it as it is.
Json skeleton(const Message& m, JsonOptions options = {});

// ---- text helpers ----------------------------------------------------------------------------

// "0a1b..."
std::string hex_string(ByteView bytes);
// Hex text to bytes: whitespace, commas and 0x prefixes are skipped; the common dump formats (an
// offset column ending in ':' or of 6 to 8 digits, a trailing text column between '|' or after
// two spaces) are recognised line by line. Error(bad_input) with the position otherwise.
Bytes parse_hex(std::string_view text);
// "line 3, column 7" for a position in text.
std::string line_column(std::string_view text, std::size_t pos);
// A JSON value as it appears in messages: cut to a short excerpt.
std::string excerpt(const Json& v, std::size_t max = 40);
// Serialises without recursion limits being reached by the caller's data (the depth is bounded
// by parse_json), with the JSON form's indentation.
std::string dump(const Json& v, int indent = 2);

}  // namespace kav::inspect
