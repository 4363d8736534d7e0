// kav: lists the messages of the kav and kav_sync packages, shows their shapes, decodes, explains
// and identifies their buffers and encodes structures given as JSON. The command line only: the
// work is done by kav_inspect. The help text below is also the source of the man page and of the
// bash completion (kav --help-man, kav --completion-bash).
#include <CLI/CLI.hpp>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "capture.hpp"
#include "core.hpp"
#include "dissector.hpp"

namespace {

using namespace kav::inspect;

// ---- the help text ---------------------------------------------------------------------------

struct Opt {
  const char* name;
  const char* help;
};
struct Cmd {
  const char* name;
  const char* args;
  const char* summary;
  std::vector<Opt> opts;
};

const Opt kHex{"--hex",
               "input is hex text: whitespace, commas and 0x prefixes are allowed, and so are dumps with an "
               "offset column starting at zero and a trailing text column (xxd, hexdump -C, od -Ax -tx1)"};
const Opt kLines{"--lines", "a stream: one hex buffer per input line, one JSON line per buffer"};
const Opt kFramed{"--framed", "a stream of binary frames, each a 4-byte little-endian length and the buffer"};
const Opt kOneLine{"-c", "JSON on one line (--compact-output)"};
const Opt kQuiet{"-q", "no notes on standard error: only errors and faults (--quiet)"};
const Opt kCapture{"--capture FILE", "read the records of a capture written by kav trace (no MSG)"};
const Opt kFollow{"--follow", "with --capture: wait for records still being written, as tail -f does"};

const std::vector<Cmd> kCommands = {
    {"list",
     "[--json]",
     "Lists every message: package, name, wire name, MsgId, unpacked size, encoder (fixed with its "
     "length L, or compact) and slot count.",
     {{"--json", "print a JSON array"}, kOneLine}},
    {"show",
     "MSG [--json]",
     "Shows the message's slots in order: kind, width, array length, nested or item record "
     "(with its own slots), offset and size in the unpacked structure; and the unpacked size, "
     "the fixed length L or compact, the MsgId, the package and the registration index.",
     {{"--json", "print JSON"}, kOneLine}},
    {"skeleton",
     "MSG",
     "Prints a JSON document of the message with every field present: zero values and one item "
     "in each list. encode accepts it as it stands.",
     {kOneLine}},
    {"encode",
     "MSG [FILE|-] [--compact|--fixed] [--hex] [--lines|--framed] [-o OUT] [--force]",
     "Reads the JSON form of a message and writes the compact layout of __pack (the default) or the fixed layout of "
     "the send path.",
     {{"--compact", "the compact layout of __pack (the default)"},
      {"--fixed", "the fixed layout of the send path (messages without a list)"},
      {"--hex", "write hex text instead of raw bytes"},
      {"--lines", "read JSON Lines, write one hex buffer per line"},
      {"--framed", "read JSON Lines, write binary frames (a 4-byte little-endian length, then the buffer)"},
      {"-o OUT", "write to the file OUT instead of standard output"},
      {"--force", "write binary to a terminal all the same"}}},
    {"decode",
     "MSG [FILE|-] [--hex] [--lines|--framed] | --best [FILE|-] [--hex] [--lines|--framed] | --capture FILE [--follow]",
     "Runs the message's __unpack on a buffer and prints the structure as JSON. The library's log lines, the layout "
     "read and any fault go to standard error; a malformed buffer still prints what __unpack produced, and exits 1. "
     "With --capture, prints one JSON line per record of a capture written by kav trace: time (ns since the epoch), "
     "direction (send or recv), pid, tid, dest, target (null where none), msgid, message (null when the MsgId is "
     "unknown), fields, and for a send the messaging library's result; a record that cannot be read as its message "
     "has problem. With --best, no MSG: each buffer is decoded as the message kav identify ranks first, and the JSON "
     "names it: name, msg_id, layout and fields.",
     {kHex,
      kLines,
      kFramed,
      {"--best",
       "decode as the best match of kav identify (no MSG); a buffer that no message accepts exits 1 (null in a "
       "stream)"},
      kCapture,
      kFollow,
      kOneLine,
      kQuiet}},
    {"explain",
     "MSG [FILE|-] [--hex] [--lines|--framed] | --capture FILE [--follow]",
     "Prints a byte map of the buffer and the first check that fails, then checks its reading against what "
     "__unpack produced. With a stream, one JSON line per buffer. With --capture, shows the malformed records of a "
     "capture, each with its first failing check and byte map, and counts the rest.",
     {kHex, kLines, kFramed, kCapture, kFollow}},
    {"trace",
     "-o FILE [--messages NAME,...] [--max-bytes N] -- PROGRAM [ARGS...]",
     "Runs the program with the capture library libkav_trace.so preloaded: every message it hands to the messaging "
     "library and every buffer the library hands back to an unpack hook is appended to FILE (pcapng: kav decode "
     "--capture reads it, and so does Wireshark with the kav dissector). The program runs unchanged, and kav exits "
     "with its exit status. KAV_TRACE_LIBRARY names another capture library.",
     {{"-o FILE", "the capture file (replaced if it exists)"},
      {"--messages", "record only these messages: names, wire names or MsgIds, separated by commas"},
      {"--max-bytes N", "stop recording once the file holds N bytes, and say so in the file"},
      kQuiet}},
    {"identify",
     "[FILE|-] [--hex] [--json]",
     "Lists the messages whose decoders accept a buffer of unknown type with every byte accounted for, best first "
     "(exact vtable lengths, and the exact fixed length, rank first), and the layout the buffer has.",
     {kHex, {"--json", "print a JSON array"}, kOneLine}},
    {"help", "[SUBCOMMAND]", "Shows this help, or the help of one subcommand.", {}},
};

const char* const kMessageText =
    "MSG is a message name (kav_pid_state), a wire name (kav.pid_state), either in any case, or a MsgId "
    "(0x95130b44, 95130b44 or 2501053252). Input comes from FILE, or from standard input when FILE is - or left "
    "out; without --hex it is raw bytes.";
const char* const kJsonText =
    "The JSON form has field<k> for slot k. A u64 is a decimal string; on input every integer may be a number or "
    "a string. A byte array is a hex string; a struct array an array of objects, or of numbers for u16 elements; a "
    "nested record an object; a list is n_field<k> followed by field<k>, an array of records or null. A field left "
    "out is zero; unknown fields, duplicate keys and nesting deeper than 16 levels are errors.";
const std::vector<std::pair<const char*, const char*>> kExitCodes = {
    {"0", "success; the buffer is well-formed"},
    {"1", "a malformed buffer (decode, explain), or no message accepts it (identify)"},
    {"2", "usage: unknown message or subcommand, a bad option, binary output refused on a terminal"},
    {"3",
     "input or output: a file that cannot be read, malformed hex or JSON, a value that does not fit its "
     "field, output that cannot be written"},
    {"4", "explain's reading disagrees with __unpack: a bug of the inspector; file it with the command and its input"},
    {"70", "an internal error of the tool: a bug; file it with the command and its input"},
};

std::string wrap(const std::string& text, std::size_t indent, std::size_t width = 100) {
  std::string out, line;
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t sp = std::min(text.find(' ', i), text.size());
    const std::string word = text.substr(i, sp - i);
    if (!line.empty() && indent + line.size() + 1 + word.size() > width) {
      out += std::string(indent, ' ') + line + "\n";
      line.clear();
    }
    line += (line.empty() ? "" : " ") + word;
    i = sp + 1;
  }
  if (!line.empty()) out += std::string(indent, ' ') + line + "\n";
  return out;
}

const Cmd* command(std::string_view name) {
  for (const Cmd& c : kCommands) {
    if (name == c.name) return &c;
  }
  return nullptr;
}

std::string help_text(const Cmd* only) {
  std::string out;
  if (only != nullptr) {
    out += std::string("usage: kav ") + only->name + " " + only->args + "\n\n" + wrap(only->summary, 0);
    if (!only->opts.empty()) out += "\noptions:\n";
    for (const Opt& o : only->opts) {
      const std::string head = std::string("  ") + o.name;  // a name that fills its column goes alone
      out += head.size() < 16 ? head + std::string(16 - head.size(), ' ') + wrap(o.help, 16).substr(16)
                              : head + "\n" + wrap(o.help, 16);
    }
    if (std::string_view(only->args).find("MSG") != std::string_view::npos) out += "\n" + wrap(kMessageText, 0);
    return out;
  }
  out +=
      "kav: inspect, decode and encode buffers of the kav and kav_sync messages\n\nusage: kav SUBCOMMAND ...\n"
      "       kav help [SUBCOMMAND] | --help | --version\n\nsubcommands:\n";
  for (const Cmd& c : kCommands) out += std::string("  kav ") + c.name + " " + c.args + "\n";
  out += "\n" + wrap(kMessageText, 0) + "\n" + wrap(kJsonText, 0) + "\nexit status:\n";
  for (const auto& [code, text] : kExitCodes) out += std::string("  ") + code + "  " + wrap(text, 5).substr(5);
  out += "\nkav help SUBCOMMAND tells more.\n";
  return out;
}

std::string roff(std::string s) {
  std::string out;
  for (char c : s) {
    if (c == '\\')
      out += "\\e";
    else if (c == '-')
      out += "\\-";
    else
      out += c;
  }
  if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out = "\\&" + out;
  return out;
}

std::string man_page() {
  std::string m = ".TH KAV 1 \"\" \"libkav " KAV_VERSION
                  "\" \"User Commands\"\n.SH NAME\nkav \\- inspect, decode and "
                  "encode buffers of the kav and kav_sync messages\n.SH SYNOPSIS\n";
  for (const Cmd& c : kCommands) m += ".B kav " + std::string(c.name) + "\n" + roff(c.args) + "\n.br\n";
  m += ".B kav \\-\\-version\n.SH DESCRIPTION\n" + roff(kMessageText) + "\n.SH COMMANDS\n";
  for (const Cmd& c : kCommands) {
    m += ".TP\n.B kav " + std::string(c.name) + " " + roff(c.args) + "\n" + roff(c.summary) + "\n";
    for (const Opt& o : c.opts) m += ".RS\n.TP\n.B " + roff(o.name) + "\n" + roff(o.help) + "\n.RE\n";
  }
  m += ".SH JSON FORM\n" + roff(kJsonText) + "\n.SH EXIT STATUS\n";
  for (const auto& [code, text] : kExitCodes) m += ".TP\n.B " + std::string(code) + "\n" + roff(text) + "\n";
  m += ".SH EXAMPLES\n.nf\n" +
       roff(
           "kav show kav_host_update\nkav skeleton kav_host_update | kav encode kav_host_update --hex | "
           "kav decode kav_host_update --hex\nkav identify buffer.bin\nkav explain kav.pid_state --hex dump.txt\n") +
       ".fi\n";
  return m;
}

std::string completion_bash() {
  std::string subs, cases, names;
  for (const Cmd& c : kCommands) {
    subs += std::string(subs.empty() ? "" : " ") + c.name;
    std::string opts;
    for (const Opt& o : c.opts) {
      std::string n = o.name;
      opts += (opts.empty() ? "" : " ") + n.substr(0, n.find(' '));
    }
    cases += std::string("    ") + c.name + ") opts=\"" + opts + "\" ;;\n";
  }
  for (const Message& m : messages()) names += std::string(names.empty() ? "" : " ") + m.name;
  return "# bash completion for kav: subcommands, options and message names\n"
         "_kav() {\n"
         "  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]} sub=${COMP_WORDS[1]} opts=\n"
         "  if (( COMP_CWORD == 1 )); then\n"
         "    COMPREPLY=($(compgen -W \"" +
         subs +
         " --help --version\" -- \"$cur\")); return\n"
         "  fi\n"
         "  case $sub in\n" +
         cases +
         "  esac\n"
         "  if [[ $prev == -o ]]; then COMPREPLY=($(compgen -f -- \"$cur\")); return; fi\n"
         "  if [[ $cur == -* ]]; then COMPREPLY=($(compgen -W \"$opts --help\" -- \"$cur\")); return; fi\n"
         "  case $sub in\n"
         "    help) (( COMP_CWORD == 2 )) && COMPREPLY=($(compgen -W \"" +
         subs +
         "\" -- \"$cur\")); return ;;\n"
         "    list) return ;;\n"
         "    identify) COMPREPLY=($(compgen -f -- \"$cur\")); return ;;\n"
         "  esac\n"
         "  if (( COMP_CWORD == 2 )); then\n"
         "    COMPREPLY=($(compgen -W \"" +
         names +
         "\" -- \"$cur\"))\n"
         "  else\n"
         "    COMPREPLY=($(compgen -f -- \"$cur\"))\n"
         "  fi\n"
         "}\n"
         "complete -F _kav kav\n";
}

// ---- input and output ----------------------------------------------------------------------------

std::FILE* g_out = stdout;
bool g_quiet = false;     // -q: errors and faults only on standard error
bool g_one_line = false;  // -c: JSON on one line
int indent() { return g_one_line ? -1 : 2; }
bool g_write_failed = false;  // reported once

void emit(std::string_view s) {
  if (g_write_failed || std::fwrite(s.data(), 1, s.size(), g_out) != s.size()) {
    g_write_failed = true;
    throw Error(ErrorKind::io, std::string("cannot write the output: ") + std::strerror(errno));
  }
}

bool from_stdin(const std::string& path) { return path.empty() || path == "-"; }

std::string read_input(const std::string& path, const std::string& what) {
  const bool std_in = from_stdin(path);
  if (std_in && ::isatty(0) != 0)
    std::fprintf(stderr, "kav: reading %s from standard input (end with Ctrl-D)...\n", what.c_str());
  std::FILE* f = std_in ? stdin : std::fopen(path.c_str(), "rb");
  if (f == nullptr) throw Error(ErrorKind::io, "cannot open '" + path + "': " + std::strerror(errno));
  std::string data;
  char chunk[65536];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
    data.append(chunk, n);
    if (data.size() > 0x7FFFFFFFu || std::feof(f) != 0) break;  // one Ctrl-D ends a terminal's input
  }
  const bool bad = std::ferror(f) != 0;
  const int err = errno;
  if (!std_in) std::fclose(f);
  const std::string name = std_in ? "standard input" : "'" + path + "'";
  if (bad) throw Error(ErrorKind::io, "cannot read " + name + ": " + std::strerror(err));
  if (data.size() > 0x7FFFFFFFu)
    throw Error(ErrorKind::bad_input, name + " holds 2 GiB or more; no buffer is that long");
  return data;
}

Bytes hex_input(std::string_view text) {
  try {
    return parse_hex(text);
  } catch (const Error& e) {
    throw Error(e.kind, "malformed hex input: " + std::string(e.what()), e.position);
  }
}

std::string hex_lines(const Bytes& b) {
  std::string s;
  char x[4];
  for (std::size_t i = 0; i < b.size(); ++i) {
    std::snprintf(x, sizeof x, "%02x%c", b[i], (i % 16 == 15 || i + 1 == b.size()) ? '\n' : ' ');
    s += x;
  }
  return s;
}

std::string frame(const Bytes& b) {
  const auto n = static_cast<std::uint32_t>(b.size());
  std::string s{static_cast<char>(n & 0xFF), static_cast<char>((n >> 8) & 0xFF), static_cast<char>((n >> 16) & 0xFF),
                static_cast<char>(n >> 24)};
  return s + std::string(b.begin(), b.end());
}

// A stream read record by record, one line or one frame at a time: a stream of any length runs in
// the memory of its longest record, and each answer is written before the next record is read.
class Stream {
 public:
  Stream(const std::string& path, const std::string& what) : std_in_(from_stdin(path)) {
    if (std_in_ && ::isatty(0) != 0)
      std::fprintf(stderr, "kav: reading %s from standard input (end with Ctrl-D)...\n", what.c_str());
    file_ = std_in_ ? stdin : std::fopen(path.c_str(), "rb");
    if (file_ == nullptr) throw Error(ErrorKind::io, "cannot open '" + path + "': " + std::strerror(errno));
    name_ = std_in_ ? "standard input" : "'" + path + "'";
    struct stat st {};
    live_ = ::fstat(fileno(file_), &st) != 0 || !S_ISREG(st.st_mode);
  }
  // From a pipe or a terminal, whose next record may be a while coming, the answers so far go out
  // whenever nothing more is waiting to be read; from a file they go out in blocks.
  void answered() const {
    if (!live_) return;
    pollfd p{fileno(file_), POLLIN, 0};
    if (::poll(&p, 1, 0) == 0) std::fflush(g_out);
  }
  ~Stream() {
    std::free(line_);
    if (!std_in_) std::fclose(file_);
  }
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;

  // The next line without its end, or nothing at the end of the input.
  std::optional<std::string_view> line() {
    const ssize_t n = ::getline(&line_, &capacity_, file_);
    if (n < 0) {
      check();
      return std::nullopt;
    }
    const auto len = static_cast<std::size_t>(n);
    return std::string_view(line_, len > 0 && line_[len - 1] == '\n' ? len - 1 : len);
  }
  // The next frame (a 4-byte little-endian length, then the buffer), nothing at the end of the
  // input; Error(bad_input) for a frame cut short, after which the stream has ended.
  std::optional<Bytes> frame() {
    unsigned char word[4];
    const std::size_t got = std::fread(word, 1, 4, file_);
    if (got == 0) {
      check();
      return std::nullopt;
    }
    if (got < 4) throw Error(ErrorKind::bad_input, "cut short in its length word");
    const std::size_t n =
        word[0] | (std::size_t{word[1]} << 8) | (std::size_t{word[2]} << 16) | (std::size_t{word[3]} << 24);
    Bytes b;
    while (b.size() < n) {  // grows with what arrives, not with what the length word claims
      const std::size_t have = b.size(), want = std::min<std::size_t>(n - have, 1 << 20);
      b.resize(have + want);
      const std::size_t read = std::fread(b.data() + have, 1, want, file_);
      b.resize(have + read);
      if (read < want) {
        check();
        throw Error(ErrorKind::bad_input,
                    "its length says " + std::to_string(n) + " bytes but only " + std::to_string(b.size()) + " follow");
      }
    }
    return b;
  }

 private:
  void check() const {
    if (std::ferror(file_) != 0) throw Error(ErrorKind::io, "cannot read " + name_ + ": " + std::strerror(errno));
  }
  bool std_in_;
  bool live_ = false;
  std::FILE* file_;
  std::string name_;
  char* line_ = nullptr;
  std::size_t capacity_ = 0;
};

// ---- subcommands -----------------------------------------------------------------------------

int list(bool json) {
  if (json) {
    Json all = Json::array();
    for (const Message& m : messages()) {
      char id[16];
      std::snprintf(id, sizeof id, "0x%08x", m.id);
      Json fixed = m.fixed_length != 0 ? Json(m.fixed_length) : Json(nullptr);
      all.push_back(Json{{"name", m.name},
                         {"package", m.package},
                         {"wire_name", m.wire},
                         {"msg_id", id},
                         {"size", m.size},
                         {"encoder", m.fixed_length != 0 ? "fixed" : "compact"},
                         {"fixed_length", fixed},
                         {"slots", m.slots},
                         {"root", m.in_place ? "in_place" : "delegating"}});
    }
    emit(dump(all, indent()) + "\n");
    return 0;
  }
  char line[160];
  std::snprintf(line, sizeof line, "%-9s %-30s %-30s %-10s %5s  %-12s %5s\n", "package", "name", "wire name", "MsgId",
                "size", "encoder", "slots");
  emit(line);
  for (const Message& m : messages()) {
    const std::string enc = m.fixed_length != 0 ? "fixed L=" + std::to_string(m.fixed_length) : "compact";
    std::snprintf(line, sizeof line, "%-9s %-30s %-30s 0x%08x %5u  %-12s %5u\n", m.package, m.name, m.wire, m.id,
                  m.size, enc.c_str(), m.slots);
    emit(line);
  }
  return 0;
}

std::string names(const std::vector<const Message*>& ms) {
  std::string s;
  for (std::size_t i = 0; i < ms.size() && i < 5; ++i) s += (i ? ", " : "") + std::string(ms[i]->name);
  return s + (ms.size() > 5 ? " and " + std::to_string(ms.size() - 5) + " more" : "");
}

Json fault_json(const std::optional<Fault>& f) {
  if (!f) return nullptr;
  return Json{{"position", f->position},
              {"path", f->path},
              {"text", f->text},
              {"log", f->log.empty() ? Json(nullptr) : Json(f->log)}};
}

// decode of one buffer; `where` prefixes stderr lines in a stream.
int decode_one(const Message& m, const Bytes& b, const std::string& where, bool stream) {
  const Decoded d = decode(m, b);
  for (const std::string& line : d.log) {
    if (!g_quiet) std::fprintf(stderr, "kav: %slibrary log: %s\n", where.c_str(), line.c_str());
  }
  emit(dump(d.value, stream ? -1 : indent()) + "\n");
  if (!stream && d.layout && !g_quiet)
    std::fprintf(stderr, "kav: read the %s layout of %s, %zu bytes\n", encoding_name(*d.layout), m.name, b.size());
  if (d.fault)
    std::fprintf(stderr, "kav: %smalformed buffer: at position %u%s: %s (kav explain shows the byte map)\n",
                 where.c_str(), d.fault->position, d.fault->path.empty() ? "" : (" (" + d.fault->path + ")").c_str(),
                 d.fault->text.c_str());
  if (!d.better.empty() && !g_quiet)
    std::fprintf(stderr, "kav: %swarning: the buffer fits %s better than %s (kav identify lists every match)\n",
                 where.c_str(), names(d.better).c_str(), m.name);
  return d.fault ? 1 : 0;
}

// decode --best: the buffer read as identify's first candidate, named as identify names it.
int decode_best(const Bytes& b, const std::string& where, bool stream) {
  const std::vector<Candidate> found = identify(b);
  if (found.empty()) {
    std::fprintf(stderr, "kav: %sno message accepts this %zu-byte buffer with every byte accounted for\n",
                 where.c_str(), b.size());
    if (stream) emit("null\n");
    return 1;
  }
  const Message& m = *found[0].message;
  const Decoded d = decode(m, b);
  for (const std::string& line : d.log) {
    if (!g_quiet) std::fprintf(stderr, "kav: %slibrary log: %s\n", where.c_str(), line.c_str());
  }
  char id[16];
  std::snprintf(id, sizeof id, "0x%08x", m.id);
  const Json j{{"name", m.name}, {"msg_id", id}, {"layout", encoding_name(found[0].layout)}, {"fields", d.value}};
  emit(dump(j, stream ? -1 : indent()) + "\n");
  std::size_t ties = 1;
  while (ties < found.size() && found[ties].rank == 1) ++ties;
  if (ties > 1 && !g_quiet)
    std::fprintf(stderr, "kav: %s%zu messages share rank 1; the first is %s (kav identify lists them)\n", where.c_str(),
                 ties, m.name);
  return d.fault ? 1 : 0;
}

int explain_one(const Message& m, const Bytes& b, std::size_t number, bool stream) {
  const Report r = explain(m, b);
  if (!stream) {
    emit(r.text);
  } else {
    Json j{{"line", number},
           {"well_formed", r.well_formed},
           {"layout", r.layout ? Json(encoding_name(*r.layout)) : Json(nullptr)},
           {"fault", fault_json(r.fault)},
           {"log", r.log},
           {"agrees", r.agrees}};
    Json better = Json::array();
    for (const Message* o : r.better) better.push_back(o->name);
    j["better"] = better;
    emit(dump(j, -1) + "\n");
  }
  return !r.agrees ? 4 : r.well_formed ? 0 : 1;
}

int identify_cmd(const Bytes& b, bool json) {
  const std::vector<Candidate> found = identify(b);
  if (json) {
    Json all = Json::array();
    for (const Candidate& c : found)
      all.push_back(Json{{"rank", c.rank},
                         {"name", c.message->name},
                         {"layout", encoding_name(c.layout)},
                         {"exact_vtables", c.fit.exact_vtables},
                         {"length_matches", c.fit.length_matches}});
    emit(dump(all, indent()) + "\n");
  } else if (found.empty()) {
    std::fprintf(stderr, "kav: no message accepts this %zu-byte buffer with every byte accounted for\n", b.size());
  } else {
    emit(std::string("the buffer (") + std::to_string(b.size()) + " bytes) has the " + encoding_name(found[0].layout) +
         " layout; messages that accept it, best first:\n\nrank  message                        MsgId       fit\n");
    std::size_t shown = 0;
    for (const Candidate& c : found) {
      if (c.rank > 1 && ++shown > 5) {
        emit("  ... and " + std::to_string(found.size() - static_cast<std::size_t>(&c - found.data())) +
             " more (--json lists them all)\n");
        break;
      }
      char line[200];
      std::string fit = c.fit.exact_vtables ? "exact vtables" : "shorter vtables";
      if (c.layout == Encoding::fixed) fit += c.fit.length_matches ? ", length L" : ", not its length L";
      std::snprintf(line, sizeof line, "%4u  %-30s 0x%08x  %s\n", c.rank, c.message->name, c.message->id, fit.c_str());
      emit(line);
    }
    std::size_t ties = 0;
    while (ties < found.size() && found[ties].rank == 1) ++ties;
    if (ties > 1) emit("\n" + std::to_string(ties) + " messages share rank 1: their shapes read these bytes alike\n");
  }
  return found.empty() ? 1 : 0;
}

void encode_one(const Message& m, const std::string& text, Encoding e, bool hex) {
  SourceMap map;
  const Bytes b = encode(m, parse_json(text, &map), e, &map);
  emit(hex ? hex_lines(b) : std::string(b.begin(), b.end()));
}

int encode_stream(const Message& m, Stream& in, Encoding e, bool framed) {
  int worst = 0;
  for (std::size_t line = 1;; ++line) {
    const std::optional<std::string_view> l = in.line();
    if (!l) break;
    try {
      if (l->find_first_not_of(" \t\r") == std::string_view::npos)
        throw Error(ErrorKind::bad_input, "an empty line where a record should be");
      SourceMap map;
      const Bytes b = encode(m, parse_json(*l, &map), e, &map);
      emit(framed ? frame(b) : hex_string(b) + "\n");
    } catch (const Error& err) {
      if (err.kind == ErrorKind::io || err.kind == ErrorKind::usage) throw;
      std::fprintf(stderr, "kav: line %zu: %s\n", line, err.what());
      worst = std::max(worst, exit_status(err.kind));
      if (!framed) emit("\n");  // keeps output lines aligned with input lines
    }
    in.answered();
  }
  return worst;
}

// ---- captures ----------------------------------------------------------------------------------

struct CaptureFile {
  explicit CaptureFile(const std::string& path) : name("'" + path + "'") {
    file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) throw Error(ErrorKind::io, "cannot open " + name + ": " + std::strerror(errno));
  }
  ~CaptureFile() { std::fclose(file); }
  CaptureFile(const CaptureFile&) = delete;
  CaptureFile& operator=(const CaptureFile&) = delete;
  std::string name;
  std::FILE* file;
};

int decode_capture(const std::string& path, bool follow) {
  CaptureFile f(path);
  CaptureReader reader(f.file, f.name, follow);
  int worst = 0;
  while (const std::optional<CaptureRecord> r = reader.next()) {
    const Json j = capture_json(*r);
    emit(dump(j, -1) + "\n");
    if (follow) std::fflush(g_out);
    if (j.contains("problem")) worst = 1;
  }
  return worst;
}

int explain_capture(const std::string& path, bool follow) {
  CaptureFile f(path);
  CaptureReader reader(f.file, f.name, follow);
  std::size_t records = 0, malformed = 0, unknown = 0, notes = 0;
  while (const std::optional<CaptureRecord> r = reader.next()) {
    ++records;
    const Message* m = record_message(*r);
    char head[200];
    std::snprintf(head, sizeof head, "record at offset %llu (%s %s 0x%08x, pid %u, tid %u, %zu bytes)",
                  static_cast<unsigned long long>(r->offset), direction_name(r->direction),
                  m != nullptr ? m->name : "message", r->msgid, r->pid, r->tid, r->bytes.size());
    if (const std::string why = unreadable(*r); !why.empty()) {
      ++malformed;
      emit(std::string(head) + ": " + why + "\n\n");
    } else if (r->direction == Direction::note) {
      ++notes;
      emit("note at offset " + std::to_string(r->offset) + ": " + std::string(r->bytes.begin(), r->bytes.end()) +
           "\n\n");
    } else if (m == nullptr) {
      ++unknown;
    } else if (const Report rep = explain(*m, r->bytes); !rep.well_formed) {
      ++malformed;
      emit(std::string(head) + ": malformed\n" + rep.text + "\n");
    }
    if (follow) std::fflush(g_out);
  }
  emit(std::to_string(records) + " records: " + std::to_string(records - malformed - unknown - notes) +
       " well-formed, " + std::to_string(malformed) + " malformed, " + std::to_string(unknown) +
       " of unknown messages, " + std::to_string(notes) + " notes\n");
  return malformed != 0 ? 1 : 0;
}

// Where the capture library is: KAV_TRACE_LIBRARY, beside an installed kav, or in the build tree.
std::string trace_library() {
  if (const char* named = std::getenv("KAV_TRACE_LIBRARY"); named != nullptr && *named != '\0') {
    if (::access(named, R_OK) != 0)
      throw Error(ErrorKind::io, std::string("KAV_TRACE_LIBRARY='") + named + "': " + std::strerror(errno));
    return named;
  }
  std::vector<std::string> tried;
  char exe[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n > 0) {
    const std::string self(exe, static_cast<std::size_t>(n));
    tried.push_back(self.substr(0, self.rfind('/')) + "/../" KAV_TRACE_INSTALLED);
  }
  if (*KAV_TRACE_BUILT != '\0') tried.emplace_back(KAV_TRACE_BUILT);
  for (const std::string& path : tried) {
    char real[PATH_MAX];
    if (::access(path.c_str(), R_OK) == 0 && ::realpath(path.c_str(), real) != nullptr) return real;
  }
  std::string looked;
  for (const std::string& path : tried) looked += (looked.empty() ? "" : ", ") + path;
  throw Error(ErrorKind::io, "cannot find the capture library libkav_trace.so (looked at " + looked +
                                 "); set KAV_TRACE_LIBRARY to its path");
}

int trace_cmd(int argc, char** argv) {
  std::string out, only, max_bytes;
  int i = 2;
  const auto value = [&](const char* option) -> std::string {
    if (i + 1 >= argc) throw Error(ErrorKind::usage, std::string(option) + " needs a value (kav help trace)");
    return argv[++i];
  };
  for (; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--") {
      ++i;
      break;
    }
    if (a == "-o" || a == "--output") {
      out = value("-o");
    } else if (a == "--messages") {
      only = value("--messages");
    } else if (a == "--max-bytes") {
      max_bytes = value("--max-bytes");
    } else if (a == "-q" || a == "--quiet") {
      g_quiet = true;
    } else if (!a.empty() && a[0] == '-') {
      throw Error(ErrorKind::usage, "unknown option '" + a + "' (kav help trace shows the options)");
    } else {
      break;  // the program
    }
  }
  if (out.empty()) throw Error(ErrorKind::usage, "kav trace needs -o FILE, the capture to write");
  if (i >= argc) throw Error(ErrorKind::usage, "kav trace needs a program to run: kav trace -o FILE -- PROGRAM ARGS");
  std::string ids;
  for (std::size_t at = 0; at < only.size();) {
    const std::size_t comma = std::min(only.find(',', at), only.size());
    const std::string name = only.substr(at, comma - at);
    at = comma + 1;
    if (name.empty()) continue;
    char id[16];
    std::snprintf(id, sizeof id, "0x%08x", find_message(name).id);
    ids += (ids.empty() ? "" : ",") + std::string(id);
  }
  if (!only.empty() && ids.empty()) throw Error(ErrorKind::usage, "--messages names no message");
  if (!max_bytes.empty() && max_bytes.find_first_not_of("0123456789") != std::string::npos)
    throw Error(ErrorKind::usage, "--max-bytes takes a number of bytes, not '" + max_bytes + "'");
  const std::string library = trace_library();

  const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) throw Error(ErrorKind::io, "cannot open '" + out + "' for writing: " + std::strerror(errno));
  ::close(fd);
  char real[PATH_MAX];
  const std::string file = ::realpath(out.c_str(), real) != nullptr ? real : out;
  std::string preload = library;
  if (const char* before = std::getenv("LD_PRELOAD"); before != nullptr && *before != '\0')
    preload = std::string(before) + " " + library;

  std::fflush(nullptr);
  struct sigaction ignore {
  }, old_int{}, old_quit{};
  ignore.sa_handler = SIG_IGN;  // Ctrl-C and Ctrl-\ reach the program; kav waits to report
  ::sigaction(SIGINT, &ignore, &old_int);
  ::sigaction(SIGQUIT, &ignore, &old_quit);
  const pid_t child = ::fork();
  if (child < 0) throw Error(ErrorKind::io, std::string("cannot start the program: ") + std::strerror(errno));
  if (child == 0) {
    ::sigaction(SIGINT, &old_int, nullptr);
    ::sigaction(SIGQUIT, &old_quit, nullptr);
    ::setenv("LD_PRELOAD", preload.c_str(), 1);
    ::setenv("KAV_TRACE_FILE", file.c_str(), 1);
    if (ids.empty())
      ::unsetenv("KAV_TRACE_MESSAGES");
    else
      ::setenv("KAV_TRACE_MESSAGES", ids.c_str(), 1);
    if (max_bytes.empty())
      ::unsetenv("KAV_TRACE_MAX_BYTES");
    else
      ::setenv("KAV_TRACE_MAX_BYTES", max_bytes.c_str(), 1);
    ::execvp(argv[i], argv + i);
    std::fprintf(stderr, "kav: cannot run '%s': %s\n", argv[i], std::strerror(errno));
    ::_exit(errno == ENOENT ? 127 : 126);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  ::sigaction(SIGINT, &old_int, nullptr);
  ::sigaction(SIGQUIT, &old_quit, nullptr);
  const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);

  std::size_t sends = 0, recvs = 0;
  std::string trouble;
  try {
    CaptureFile f(file);
    CaptureReader reader(f.file, f.name);
    while (const std::optional<CaptureRecord> r = reader.next()) {
      sends += r->direction == Direction::send ? 1u : 0u;
      recvs += r->direction == Direction::recv ? 1u : 0u;
    }
  } catch (const Error& e) {
    trouble = std::string(" (") + e.what() + ")";
  }
  if (!g_quiet)
    std::fprintf(
        stderr,
        "\nkav: %s %s %d; %zu messages sent and %zu received are in %s%s\nopen it with: %s decode --capture %s\n",
        argv[i], WIFEXITED(status) ? "exited with" : "was killed by signal",
        WIFEXITED(status) ? code : WTERMSIG(status), sends, recvs, out.c_str(), trouble.c_str(), argv[0], out.c_str());
  return code;
}

// Reads one buffer (raw or hex), or a stream of them (hex lines or frames), and answers each; a
// line that is no buffer is reported and answered with null. Returns the worst exit status.
template <class Answer>
int answer_buffers(const std::string& file, bool hex, bool lines, bool framed, const std::string& one,
                   const std::string& many, const Answer& answer) {
  if (!lines) {
    const std::string text = read_input(file, one);
    const Bytes b = hex ? hex_input(text) : Bytes(text.begin(), text.end());
    return answer(b, "", 0, false);
  }
  Stream in(file, many);
  int worst = 0;
  for (std::size_t number = 1;; ++number) {
    const std::string where = (framed ? "frame " : "line ") + std::to_string(number) + ": ";
    Bytes b;
    try {
      if (framed) {
        std::optional<Bytes> f = in.frame();
        if (!f) break;
        b = std::move(*f);
      } else {
        const std::optional<std::string_view> l = in.line();
        if (!l) break;
        if (l->find_first_not_of(" \t\r") == std::string_view::npos)
          throw Error(ErrorKind::bad_input, "an empty line where a buffer should be");
        try {
          b = parse_hex(*l);
        } catch (const Error& e) {
          throw Error(e.kind, std::string("malformed hex: ") + e.what());
        }
      }
    } catch (const Error& e) {
      if (e.kind == ErrorKind::io) throw;
      std::fprintf(stderr, "kav: %s%s\n", where.c_str(), e.what());
      worst = std::max(worst, exit_status(e.kind));
      if (framed) break;  // a frame cut short is the end of the stream
      emit("null\n");
      in.answered();
      continue;
    }
    worst = std::max(worst, answer(b, where, number, true));
    in.answered();
  }
  return worst;
}

int suggest_subcommand(const std::string& given) {
  std::vector<std::string> all;
  for (const Cmd& c : kCommands) all.emplace_back(c.name);
  const auto near = closest(given, all, 1);
  std::fprintf(stderr, "kav: unknown subcommand '%s'; did you mean '%s'? (kav help lists them all)\n",
               given.substr(0, 40).c_str(), near[0].c_str());
  return 2;
}

int run(int argc, char** argv) {
  // Help, version and generated documents come first, so that they need nothing else right.
  const std::string first = argc > 1 ? argv[1] : "";
  if (first == "--version" || first == "-V") return emit("kav " KAV_VERSION " (libkav " KAV_VERSION ")\n"), 0;
  if (first == "--help-man") return emit(man_page()), 0;
  if (first == "--completion-bash") return emit(completion_bash()), 0;
  if (first == "--wireshark-lua") return emit(wireshark_lua()), 0;
  if (first == "help" || first == "--help" || first == "-h" || first.empty()) {
    if (argc > 2 && first == "help" && command(argv[2]) == nullptr) return suggest_subcommand(argv[2]);
    if (first.empty()) {  // a usage error: the help goes to standard error
      std::fprintf(stderr, "kav: a subcommand is required\n\n%s", help_text(nullptr).c_str());
      return 2;
    }
    emit(help_text(argc > 2 && first == "help" ? command(argv[2]) : nullptr));
    return 0;
  }
  if (first[0] != '-' && command(first) == nullptr) return suggest_subcommand(first);
  if (first == "trace") {  // what follows the program's name is the program's
    for (int i = 2; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
      if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
        return emit(help_text(command(first))), 0;
    }
    return trace_cmd(argc, argv);
  }
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
      return emit(help_text(command(first))), 0;
  }

  CLI::App app{"kav"};
  app.set_help_flag();
  app.require_subcommand(1);
  app.fallthrough();  // -c and -q go anywhere on the line
  app.add_flag("-c,--compact-output", g_one_line);
  app.add_flag("-q,--quiet", g_quiet);
  std::string msg, file, out_path, capture;
  bool json = false, hex = false, fixed = false, compact = false, lines = false, framed = false, force = false,
       follow = false, best = false;
  auto* list_cmd = app.add_subcommand("list");
  list_cmd->add_flag("--json", json);
  auto* show_cmd = app.add_subcommand("show");
  show_cmd->add_option("MSG", msg)->required();
  show_cmd->add_flag("--json", json);
  auto* skeleton_cmd = app.add_subcommand("skeleton");
  skeleton_cmd->add_option("MSG", msg)->required();
  auto buffer_cmd = [&](const char* name) {
    auto* c = app.add_subcommand(name);
    c->add_option("MSG", msg);
    c->add_option("FILE", file);
    c->add_flag("--hex", hex);
    c->add_flag("--lines", lines);
    c->add_flag("--framed", framed);
    c->add_option("--capture", capture);
    c->add_flag("--follow", follow);
    return c;
  };
  auto* decode_cmd = buffer_cmd("decode");
  decode_cmd->add_flag("--best", best);
  auto* explain_cmd = buffer_cmd("explain");
  auto* identify_sub = app.add_subcommand("identify");
  identify_sub->add_option("FILE", file);
  identify_sub->add_flag("--hex", hex);
  identify_sub->add_flag("--json", json);
  auto* encode_sub = app.add_subcommand("encode");
  encode_sub->add_option("MSG", msg)->required();
  encode_sub->add_option("FILE", file);
  auto* fixed_opt = encode_sub->add_flag("--fixed", fixed);
  encode_sub->add_flag("--compact", compact)->excludes(fixed_opt);
  encode_sub->add_flag("--hex", hex);
  encode_sub->add_flag("--lines", lines);
  encode_sub->add_flag("--framed", framed);
  encode_sub->add_option("-o,--output", out_path);
  encode_sub->add_flag("--force", force);
  app.add_subcommand("help");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    std::string what = e.what();
    if (what.size() > 200) what = what.substr(0, 200) + "...";
    std::fprintf(stderr, "kav: %s (kav help %s shows the options)\n", what.c_str(), first.c_str());
    return 2;
  }

  if (*list_cmd) return list(json);
  if (best) {  // the one MSG-less decode: what stands where MSG would is the file
    if (!capture.empty())
      throw Error(ErrorKind::usage, "--best decodes buffers, not a capture: --capture names each record's message");
    if (!file.empty()) throw Error(ErrorKind::usage, "--best takes no MSG: the buffer is decoded as its best match");
    return answer_buffers(msg, hex, lines || framed, framed, "a buffer", "buffers",
                          [](const Bytes& b, const std::string& where, std::size_t, bool stream) {
                            return decode_best(b, where, stream);
                          });
  }
  if (*decode_cmd || *explain_cmd) {
    if (!capture.empty()) {
      if (!msg.empty() || hex || lines || framed)
        throw Error(ErrorKind::usage, "--capture reads a capture file: no MSG, FILE, --hex, --lines or --framed");
      return *decode_cmd ? decode_capture(capture, follow) : explain_capture(capture, follow);
    }
    if (follow) throw Error(ErrorKind::usage, "--follow goes with --capture FILE");
    if (msg.empty()) throw Error(ErrorKind::usage, "MSG is required (kav list names them), or --capture FILE");
  }
  if (*identify_sub)
    return identify_cmd(hex ? hex_input(read_input(file, "a buffer")) : [&] {
    const std::string t = read_input(file, "a buffer");
    return Bytes(t.begin(), t.end());
  }(), json);
  const Message& m = find_message(msg);
  if (*show_cmd) return emit(json ? dump(shape_json(shape(m)), indent()) + "\n" : shape_text(shape(m))), 0;
  if (*skeleton_cmd) return emit(dump(skeleton(m), indent()) + "\n"), 0;
  lines = lines || framed;
  if (*encode_sub) {
    const bool binary = framed || (!hex && !lines);
    if (binary && out_path.empty() && !force && ::isatty(1) != 0)
      throw Error(ErrorKind::usage, "refusing to write binary to a terminal; use --hex, -o FILE or --force");
    const Encoding e = fixed ? Encoding::fixed : Encoding::compact;
    std::string text;
    std::optional<Stream> in;
    if (lines)
      in.emplace(file, std::string("records of ") + m.name + " as JSON Lines");
    else
      text = read_input(file, std::string(m.name) + " as JSON");
    if (!out_path.empty()) {
      std::FILE* f = std::fopen(out_path.c_str(), "wb");
      if (f == nullptr)
        throw Error(ErrorKind::io, "cannot open '" + out_path + "' for writing: " + std::strerror(errno));
      g_out = f;  // the output stays standard output until a file is open
    }
    if (!lines) return encode_one(m, text, e, hex), 0;
    return encode_stream(m, *in, e, framed);
  }
  return answer_buffers(file, hex, lines, framed, m.name, std::string("buffers of ") + m.name,
                        [&](const Bytes& b, const std::string& where, std::size_t number, bool stream) {
                          return *decode_cmd ? decode_one(m, b, where, stream) : explain_one(m, b, number, stream);
                        });
}

}  // namespace

int main(int argc, char** argv) {
  int status;
  try {
    status = run(argc, argv);
  } catch (const Error& e) {
    std::fprintf(stderr, "kav: %s\n", e.what());
    status = exit_status(e.kind);
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "kav: out of memory\n");
    status = 3;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kav: internal error: %s\n", e.what());
    status = 70;
  }
  // Output that never reached its file is an error, also when it fails only at the last flush.
  std::FILE* out = g_out;
  const bool flushed = std::fflush(out) == 0 && std::ferror(out) == 0;
  const int err = errno;
  const bool closed = std::fclose(out) == 0;
  if (!flushed || !closed) {
    if (g_write_failed) return 3;
    std::fprintf(stderr, "kav: cannot write the output: %s\n", std::strerror(flushed ? errno : err));
    return 3;
  }
  if (out != stdout && std::fclose(stdout) != 0) return 3;
  return status;
}
