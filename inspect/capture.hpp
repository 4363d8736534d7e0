// Reading the capture files libkav_trace.so writes (trace/kav_capture.h): pcapng, one section per
// traced process, one record per message sent or received. The reader takes any file: a block
// that breaks the format ends the reading with an Error(bad_input) naming its offset; a record it
// can frame but not understand (an unknown link type, a header too short, a version it does not
// know) comes back with `problem` set, and the reading goes on.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "core.hpp"

namespace kav::inspect {

enum class Direction : std::uint8_t { send = 0, recv = 1, note = 2 };
const char* direction_name(Direction d) noexcept;  // "send", "recv", "note"

struct CaptureRecord {
  std::uint64_t offset = 0;   // of its block in the file
  std::uint64_t time_ns = 0;  // since the epoch
  Direction direction = Direction::send;
  std::uint16_t flags = 0;  // KAV_CAPTURE_HAS_TARGET, _NULL_DATA, _HAS_RESULT
  std::uint32_t pid = 0;
  std::uint32_t tid = 0;
  std::uint32_t dest = 0;
  std::optional<std::uint64_t> target;  // set for MESH_SendToMsg
  std::uint32_t msgid = 0;
  std::uint32_t length = 0;             // the length as passed
  std::optional<std::uint32_t> result;  // the messaging library's result (sends)
  std::uint32_t entry = 0;              // index within its send call
  std::uint32_t count = 1;              // entries of its send call
  Bytes bytes;                          // the message (a note's text)
  bool truncated = false;               // fewer bytes captured than `length`
  std::string problem;                  // non-empty: the record cannot be read as a message
};

// The message a record carries, or null when its MsgId is unknown (or it is a note).
const Message* record_message(const CaptureRecord& r);

class CaptureReader {
 public:
  // Reads from `file` (not closed by the reader). With `follow`, the end of the file is not the
  // end of the capture: next() waits for more, as for a file still being written.
  explicit CaptureReader(std::FILE* file, std::string name, bool follow = false);
  // The next record, or nothing at the end of the file. Error(bad_input) for a block that breaks
  // the format, with its offset; Error(io) when the file cannot be read.
  std::optional<CaptureRecord> next();

 private:
  bool fill(std::size_t n);  // makes n bytes available at buffer_[0..n), false at the end
  std::FILE* file_;
  std::string name_;
  bool follow_;
  std::uint64_t offset_ = 0;  // file offset of buffer_[0]
  Bytes buffer_;
  bool swapped_ = false;                  // the section's byte order is not the host's
  std::vector<std::uint32_t> links_;      // link type of each interface of the section
  std::vector<std::uint8_t> resolution_;  // and its if_tsresol
  bool in_section_ = false;
};

// Why the record's bytes cannot be read as its message (a record the reader could not understand,
// a null data pointer, bytes cut at the snap length), or "" when they can.
std::string unreadable(const CaptureRecord& r);

// The JSON line `kav decode --capture` prints for a record: time, direction, pid, tid, dest,
// target, msgid, message, fields (and, where they apply, result, truncated, problem, note).
Json capture_json(const CaptureRecord& r, JsonOptions options = {});

}  // namespace kav::inspect
