// kav: lists the messages of the kav and kav_sync packages, decodes and explains their buffers and
// encodes structures given as JSON, all through the library's own catalogue and functions.
#include <CLI/CLI.hpp>

#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "kav.h"
#include "kav_tool.hpp"
#include "platform/osal/osal_services.h"

namespace kav::tool {
namespace {

std::vector<std::string>* g_capture = nullptr;

std::string read_input(const std::string& path) {
  const bool std_in = path.empty() || path == "-";
  std::FILE* f = std_in ? stdin : std::fopen(path.c_str(), "rb");
  if (f == nullptr) throw Error("cannot open '" + path + "': " + std::strerror(errno));
  std::string data;
  char chunk[65536];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
    data.append(chunk, n);
    if (data.size() > 0x7FFFFFFFu) break;
  }
  const bool bad = std::ferror(f) != 0;
  const int err = errno;
  if (!std_in) std::fclose(f);
  const std::string name = std_in ? "standard input" : "'" + path + "'";
  if (bad) throw Error("cannot read " + name + ": " + std::strerror(err));
  if (data.size() > 0x7FFFFFFFu) throw Error(name + " holds 2 GiB or more; no buffer is that long");
  return data;
}

Bytes read_buffer(const std::string& path, bool hex) {
  std::string text = read_input(path);
  if (hex) {
    try {
      return parse_hex(text);
    } catch (const Error& e) {
      throw Error("malformed hex input: " + std::string(e.what()));
    }
  }
  return Bytes(text.begin(), text.end());
}

void write_buffer(const Bytes& b, bool hex) {
  if (!hex) {
    std::fwrite(b.data(), 1, b.size(), stdout);
    return;
  }
  for (std::size_t i = 0; i < b.size(); ++i) std::printf("%02x%c", b[i], (i % 16 == 15 || i + 1 == b.size()) ? '\n' : ' ');
}

int list(bool json) {
  if (json) {
    Json all = Json::array();
    for (const MessageOps& m : messages()) {
      char id[16];
      std::snprintf(id, sizeof id, "0x%08x", m.id);
      Json fixed = m.fixed_len != 0 ? Json(m.fixed_len) : Json(nullptr);
      all.push_back(Json{{"name", m.name},          {"package", m.package},
                         {"wire_name", m.wire},      {"msg_id", id},
                         {"size", m.size},           {"encoder", m.fixed_len != 0 ? "fixed" : "compact"},
                         {"fixed_length", fixed},    {"slots", m.slots},
                         {"root", m.in_place ? "in_place" : "delegating"}});
    }
    std::printf("%s\n", all.dump(2).c_str());
    return 0;
  }
  std::printf("%-9s %-30s %-30s %-10s %5s  %-12s %5s\n", "package", "name", "wire name", "MsgId", "size", "encoder",
              "slots");
  for (const MessageOps& m : messages()) {
    const std::string enc = m.fixed_len != 0 ? "fixed L=" + std::to_string(m.fixed_len) : "compact";
    std::printf("%-9s %-30s %-30s 0x%08x %5u  %-12s %5u\n", m.package, m.name, m.wire, m.id, m.size, enc.c_str(),
                m.slots);
  }
  return 0;
}

Json parse_json(const std::string& text) {
  try {
    return Json::parse(text);
  } catch (const Json::parse_error& e) {
    std::string what = e.what();
    if (const auto at = what.find("] "); what.rfind("[json.exception", 0) == 0 && at != std::string::npos)
      what.erase(0, at + 2);
    throw Error("malformed JSON: " + what);
  }
}

}  // namespace

LogCapture::LogCapture() { g_capture = &lines; }
LogCapture::~LogCapture() { g_capture = nullptr; }

std::string hex_string(const std::uint8_t* p, std::size_t n) {
  static const char kDigits[] = "0123456789abcdef";
  std::string s(2 * n, '0');
  for (std::size_t i = 0; i < n; ++i) {
    s[2 * i] = kDigits[p[i] >> 4];
    s[2 * i + 1] = kDigits[p[i] & 15];
  }
  return s;
}

Bytes parse_hex(std::string_view text) {
  auto where = [&](std::size_t at) {
    std::size_t line = 1, col = 1;
    for (std::size_t i = 0; i < at; ++i) {
      if (text[i] == '\n') ++line, col = 1;
      else ++col;
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(col);
  };
  auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == ','; };
  auto digit = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
  Bytes out;
  std::size_t i = 0;
  while (i < text.size()) {
    if (space(text[i])) {
      ++i;
      continue;
    }
    const std::size_t token = i;
    if (text[i] == '0' && i + 1 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X')) i += 2;
    const std::size_t start = i;
    for (; i < text.size() && !space(text[i]); ++i) {
      if (!std::isxdigit(static_cast<unsigned char>(text[i])))
        throw Error("'" + std::string(1, text[i]) + "' is not a hex digit (at " + where(i) + ")");
    }
    if (i == start || (i - start) % 2 != 0)
      throw Error("'" + std::string(text.substr(token, i - token)) + "' has an odd number of hex digits (at " +
                  where(token) + ")");
    for (std::size_t d = start; d < i; d += 2) out.push_back(static_cast<std::uint8_t>(digit(text[d]) * 16 + digit(text[d + 1])));
  }
  return out;
}

}  // namespace kav::tool

// The host's log writer, found by the library by name: its lines go to standard error, or into
// the active capture (explain reports them itself).
extern "C" void RVX_OsalLogWrite(const SerialLogModule* mod, uint32_t level, uint32_t code, const char* file,
                                 uint32_t line, const char* func, const char* fmt, ...) {
  (void)mod;
  (void)file;
  char text[512];
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(text, sizeof text, fmt, ap);
  va_end(ap);
  const std::string entry = std::string(func != nullptr ? func : "?") + ": " + text + " (level " +
                            std::to_string(level) + ", code " + std::to_string(code) + ", line " +
                            std::to_string(line) + ")";
  if (kav::tool::g_capture != nullptr) {
    kav::tool::g_capture->push_back(entry);
  } else {
    std::fprintf(stderr, "kav: library log: %s\n", entry.c_str());
  }
}

int main(int argc, char** argv) {
  using namespace kav::tool;
  CLI::App app{"kav: inspect, decode and encode buffers of the kav and kav_sync messages"};
  app.require_subcommand(1);
  app.set_version_flag("--version", "kav " KAV_VERSION_STRING);
  std::string msg, file;
  bool json = false, hex = false, fixed = false, compact = false;

  auto* list_cmd = app.add_subcommand("list", "every message: package, wire name, MsgId, size, encoder, slots");
  list_cmd->add_flag("--json", json, "print a JSON array");
  auto add_buffer_cmd = [&](const char* name, const char* help) {
    auto* c = app.add_subcommand(name, help);
    c->add_option("MSG", msg, "message name (kav_host), wire name (kav.host) or MsgId (0x...)")->required();
    c->add_option("FILE", file, "input file; '-' or none reads standard input");
    c->add_flag("--hex", hex, "input is hex text (whitespace, commas and 0x prefixes allowed)");
    return c;
  };
  auto* decode_cmd = add_buffer_cmd("decode", "print the structure __unpack makes of a buffer, as JSON");
  auto* explain_cmd = add_buffer_cmd("explain", "annotated byte map of a buffer and the first check that fails");
  auto* encode_cmd = app.add_subcommand("encode", "encode a structure given as JSON");
  encode_cmd->add_option("MSG", msg, "message name, wire name or MsgId")->required();
  encode_cmd->add_option("FILE", file, "JSON input file; '-' or none reads standard input");
  auto* fixed_opt = encode_cmd->add_flag("--fixed", fixed, "the fixed layout of the send path");
  encode_cmd->add_flag("--compact", compact, "the compact layout of __pack (the default)")->excludes(fixed_opt);
  encode_cmd->add_flag("--hex", hex, "write hex text instead of raw bytes");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }

  try {
    if (*list_cmd) return list(json);
    const MessageOps& m = find_message(msg);
    if (*decode_cmd) {
      const Bytes b = read_buffer(file, hex);
      std::printf("%s\n", m.decode(b).dump(2).c_str());
      return 0;
    }
    if (*explain_cmd) {
      const Bytes b = read_buffer(file, hex);
      std::string out;
      const int status = m.explain(b, out);
      std::fputs(out.c_str(), stdout);
      return status;
    }
    const Json j = parse_json(read_input(file));
    write_buffer(m.encode(j, fixed ? Encoder::fixed : Encoder::compact), hex);
    return 0;
  } catch (const Error& e) {
    std::fprintf(stderr, "kav: %s\n", e.what());
    return 1;
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "kav: out of memory\n");
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kav: internal error: %s\n", e.what());
    return 70;
  }
}
