// kav: lists the messages of the kav and kav_sync packages, decodes and explains their buffers and
// encodes structures given as JSON. The command line only: the work is done by kav_inspect.
#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "inspect.hpp"

namespace {

using namespace kav::inspect;

std::string read_input(const std::string& path) {
  const bool std_in = path.empty() || path == "-";
  std::FILE* f = std_in ? stdin : std::fopen(path.c_str(), "rb");
  if (f == nullptr) throw Error(ErrorKind::io, "cannot open '" + path + "': " + std::strerror(errno));
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
  if (bad) throw Error(ErrorKind::io, "cannot read " + name + ": " + std::strerror(err));
  if (data.size() > 0x7FFFFFFFu) throw Error(ErrorKind::bad_input, name + " holds 2 GiB or more; no buffer is that long");
  return data;
}

Bytes read_buffer(const std::string& path, bool hex) {
  std::string text = read_input(path);
  if (hex) {
    try {
      return parse_hex(text);
    } catch (const Error& e) {
      throw Error(e.kind, "malformed hex input: " + std::string(e.what()), e.position);
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
    for (const Message& m : messages()) {
      char id[16];
      std::snprintf(id, sizeof id, "0x%08x", m.id);
      Json fixed = m.fixed_length != 0 ? Json(m.fixed_length) : Json(nullptr);
      all.push_back(Json{{"name", m.name},          {"package", m.package},
                         {"wire_name", m.wire},      {"msg_id", id},
                         {"size", m.size},           {"encoder", m.fixed_length != 0 ? "fixed" : "compact"},
                         {"fixed_length", fixed},    {"slots", m.slots},
                         {"root", m.in_place ? "in_place" : "delegating"}});
    }
    std::printf("%s\n", all.dump(2).c_str());
    return 0;
  }
  std::printf("%-9s %-30s %-30s %-10s %5s  %-12s %5s\n", "package", "name", "wire name", "MsgId", "size", "encoder",
              "slots");
  for (const Message& m : messages()) {
    const std::string enc = m.fixed_length != 0 ? "fixed L=" + std::to_string(m.fixed_length) : "compact";
    std::printf("%-9s %-30s %-30s 0x%08x %5u  %-12s %5u\n", m.package, m.name, m.wire, m.id, m.size, enc.c_str(),
                m.slots);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"kav: inspect, decode and encode buffers of the kav and kav_sync messages"};
  app.require_subcommand(1);
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
    const Message& m = find_message(msg);
    if (*decode_cmd) {
      const Bytes b = read_buffer(file, hex);
      const Decoded d = decode(m, b);
      for (const std::string& line : d.log) std::fprintf(stderr, "kav: library log: %s\n", line.c_str());
      std::printf("%s\n", dump(d.value).c_str());
      return 0;
    }
    if (*explain_cmd) {
      const Bytes b = read_buffer(file, hex);
      const Report r = explain(m, b);
      std::fputs(r.text.c_str(), stdout);
      return !r.agrees ? 3 : r.well_formed ? 0 : 1;
    }
    const std::string text = read_input(file);
    SourceMap map;
    const Json j = parse_json(text, &map);
    write_buffer(encode(m, j, fixed ? Encoding::fixed : Encoding::compact, &map), hex);
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
