// Text in and out: hex and hex dumps, JSON documents read with positions and limits, values
// checked against their fields, and the library's log lines.
#include <cstdarg>
#include <cstdio>

#include "walker.hpp"

namespace kav::inspect {

std::string hex_string(ByteView bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string s(2 * bytes.size(), '0');
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    s[2 * i] = kDigits[bytes[i] >> 4];
    s[2 * i + 1] = kDigits[bytes[i] & 15];
  }
  return s;
}

std::string line_column(std::string_view text, std::size_t pos) {
  std::size_t line = 1, col = 1;
  for (std::size_t i = 0; i < pos && i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++line;
      col = 1;
    } else {
      ++col;
    }
  }
  return "line " + std::to_string(line) + ", column " + std::to_string(col);
}

std::string excerpt(const Json& v, std::size_t max) {
  // The value's depth is bounded by parse_json, so dumping it cannot exhaust the stack.
  std::string s = v.dump(-1, ' ', false, Json::error_handler_t::replace);
  if (s.size() > max) s = s.substr(0, max) + "... (" + std::to_string(s.size()) + " characters)";
  return s;
}

std::string dump(const Json& v, int indent) { return v.dump(indent, ' ', false, Json::error_handler_t::replace); }

namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == ','; }
bool is_hex(char c) { return impl::hex_digit(c) >= 0; }

std::string shown(char c) {
  if (c >= 0x20 && c < 0x7f) return std::string("'") + c + "'";
  char b[16];
  std::snprintf(b, sizeof b, "byte 0x%02x", static_cast<unsigned char>(c));
  return b;
}

// The tokens of one line: [begin, end) positions in the text.
std::vector<std::pair<std::size_t, std::size_t>> tokens(std::string_view text, std::size_t from, std::size_t to) {
  std::vector<std::pair<std::size_t, std::size_t>> out;
  for (std::size_t i = from; i < to;) {
    if (is_space(text[i])) {
      ++i;
      continue;
    }
    const std::size_t b = i;
    while (i < to && !is_space(text[i])) ++i;
    out.emplace_back(b, i);
  }
  return out;
}

}  // namespace

// Dumps that print words instead of bytes write each word in the machine's byte order: hexdump
// and od -x (groups of 4 hex digits behind a plain offset column) and xxd -e (groups of 8). Read
// as bytes they come out swapped. Groups of 8 are also what xxd -g4 writes, in byte order: the
// text column, one character per byte in byte order, tells the two apart wherever a byte of a
// group is printable. `order` gathers that over the dump: 1 once a group is seen in byte order.
template <class Fail>
void check_byte_order(std::string_view text, const std::vector<std::pair<std::size_t, std::size_t>>& toks, bool colon,
                      std::size_t text_column, std::size_t eol, int& order, std::size_t& first_group,
                      const Fail& fail) {
  std::size_t bytes = 0;
  for (std::size_t t = 1; t < toks.size(); ++t) {
    const std::size_t width = toks[t].second - toks[t].first;
    if (!colon && width == 4)
      throw fail(toks[t].first,
                 "groups of 4 hex digits behind the offset column are 16-bit words in the machine's byte order, "
                 "as hexdump and od -x write them; dump the bytes one by one (hexdump -C, od -Ax -tx1 or xxd)");
    bytes += width / 2;
  }
  std::size_t end = eol;
  if (end > 0 && text[end - 1] == '\r') --end;
  if (!colon || text_column >= eol || end < text_column + 2 + bytes) return;  // no text column to go by
  const std::string_view chars = text.substr(end - bytes, bytes);
  for (std::size_t t = 1, at = 0; t < toks.size(); at += (toks[t].second - toks[t].first) / 2, ++t) {
    const std::size_t n = (toks[t].second - toks[t].first) / 2;
    if (n < 2) continue;
    if (n == 4 && first_group == std::string_view::npos) first_group = toks[t].first;
    for (std::size_t i = 0; i < n; ++i) {
      const int hi = impl::hex_digit(text[toks[t].first + 2 * i]);
      const int lo = impl::hex_digit(text[toks[t].first + 2 * i + 1]);
      const int byte = hi * 16 + lo;
      if (hi < 0 || lo < 0 || byte < 0x21 || byte > 0x7E) continue;  // not a digit: refused below
      if (chars[at + i] != static_cast<char>(byte))
        throw fail(toks[t].first,
                   "the text column shows this group's bytes in the other order: 32-bit words in the machine's "
                   "byte order, as xxd -e writes them; dump the bytes one by one (xxd, xxd -g1 or hexdump -C)");
      order = 1;
    }
  }
}

Bytes parse_hex(std::string_view text) {
  auto fail = [&](std::size_t at, const std::string& what) -> Error {
    return Error(ErrorKind::bad_input, what + " (at " + line_column(text, at) + ")", at);
  };
  // A dump: the first line's first token is an offset of zeros ("00000000", "0000000:").
  bool dump = false;
  {
    const std::size_t start = text.find_first_not_of(" \t\r\n");
    if (start != std::string_view::npos) {
      const std::size_t end = std::min(text.find_first_of(" \t\r\n", start), text.size());
      const std::string_view first = text.substr(start, end - start);
      const std::string_view digits = first.back() == ':' ? first.substr(0, first.size() - 1) : first;
      dump = digits.size() >= 4 && digits.find_first_not_of('0') == std::string_view::npos &&
             (first.back() == ':' || end < text.size());
      if (dump && first.back() != ':' && first.size() % 2 == 0) {
        // Could also be plain hex of zero bytes: a dump's next token is short.
        const auto rest = tokens(text, end, std::min(text.find('\n', end), text.size()));
        dump = rest.empty() || rest[0].second - rest[0].first < first.size();
      }
    }
  }
  Bytes out;
  int order = 0;  // groups of 8 hex digits: seen in byte order
  std::size_t first_group = std::string_view::npos;
  for (std::size_t line = 0; line < text.size();) {
    std::size_t eol = std::min(text.find('\n', line), text.size());
    std::size_t stop = eol;
    auto toks = tokens(text, line, eol);
    std::size_t first = 0;
    if (dump && !toks.empty()) {
      // The offset column: hex (or octal, as od writes it), checked against the bytes so far.
      std::string_view off = text.substr(toks[0].first, toks[0].second - toks[0].first);
      const bool colon = !off.empty() && off.back() == ':';
      if (colon) off.remove_suffix(1);
      u64 hex = 0, oct = 0;
      bool ok = !off.empty() && off.size() <= 16;
      for (char c : off) {
        ok = ok && is_hex(c);
        const u64 d = static_cast<u64>(impl::hex_digit(c));
        hex = hex * 16 + d;
        oct = oct * 8 + d;
        if (d > 7) oct = ~u64{0};
      }
      if (!ok)
        throw fail(toks[0].first, "the offset column holds " + std::string(off.substr(0, 20)) + ", not a hex offset");
      if (hex != out.size() && oct != out.size())
        throw fail(toks[0].first, "the offset column says " + std::string(off.substr(0, 20)) + " but " +
                                      std::to_string(out.size()) + " bytes came before");
      first = 1;
      // The text column: behind '|', or (xxd) behind two spaces after the hex groups.
      const std::size_t bar = text.substr(line, eol - line).find('|');
      if (bar != std::string_view::npos) stop = line + bar;
      if (colon) {
        const std::size_t two = text.substr(toks[0].second + 1, eol - toks[0].second - 1).find("  ");
        if (two != std::string_view::npos) stop = std::min(stop, toks[0].second + 1 + two);
      }
      toks = tokens(text, line, stop);
      check_byte_order(text, toks, colon, stop, eol, order, first_group, fail);
    }
    for (std::size_t t = first; t < toks.size(); ++t) {
      std::size_t b = toks[t].first;
      const std::size_t e = toks[t].second;
      if (e - b >= 2 && text[b] == '0' && (text[b + 1] == 'x' || text[b + 1] == 'X')) b += 2;
      for (std::size_t i = b; i < e; ++i) {
        if (!is_hex(text[i])) {
          if (text[i] == '|' || text[i] == ':')
            throw fail(i, shown(text[i]) + " is not a hex digit; a dump's offset column starts at zero");
          throw fail(i, shown(text[i]) + " is not a hex digit");
        }
      }
      if (e == b || (e - b) % 2 != 0)
        throw fail(toks[t].first,
                   "'" + std::string(text.substr(toks[t].first, std::min<std::size_t>(e - toks[t].first, 20))) +
                       "' has an odd number of hex digits");
      for (std::size_t d = b; d < e; d += 2)
        out.push_back(static_cast<u8>(impl::hex_digit(text[d]) * 16 + impl::hex_digit(text[d + 1])));
    }
    line = eol + 1;
  }
  if (first_group != std::string_view::npos && order == 0)
    throw fail(first_group,
               "groups of 8 hex digits may be 32-bit words in the machine's byte order (xxd -e), and no printable "
               "byte in the text column shows otherwise; dump the bytes one by one (xxd, xxd -g1 or hexdump -C)");
  return out;
}

// ---- JSON in -----------------------------------------------------------------------------------

namespace {

// Reads characters and remembers how many it has handed out, so that events know their position.
struct CountingIt {
  using iterator_category = std::input_iterator_tag;
  using value_type = char;
  using difference_type = std::ptrdiff_t;
  using pointer = const char*;
  using reference = const char&;
  const char* p;
  const char** seen;
  reference operator*() const { return *p; }
  CountingIt& operator++() {
    *seen = ++p;
    return *this;
  }
  CountingIt operator++(int) {
    CountingIt old = *this;
    ++*this;
    return old;
  }
  bool operator==(const CountingIt& o) const { return p == o.p; }
};

// Builds the document like the library's own DOM parser, refusing duplicate keys and deep nesting.
struct Builder : nlohmann::json_sax<Json> {
  std::string_view text;
  const char* seen;
  SourceMap* map;
  Json root;
  std::vector<Json*> stack{};
  std::vector<std::string> paths{};  // field path of each open container
  std::string key_{};
  std::optional<Error> error{};

  Builder(std::string_view t, SourceMap* m) : text(t), seen(t.data()), map(m) {}
  std::size_t pos() const { return static_cast<std::size_t>(seen - text.data()); }
  std::string child_path() {
    if (stack.empty()) return "";
    if (stack.back()->is_array()) return paths.back() + "[" + std::to_string(stack.back()->size()) + "]";
    return paths.back().empty() ? key_ : paths.back() + "." + key_;
  }
  bool stop(std::size_t at, const std::string& what) {
    error = Error(ErrorKind::bad_input, "malformed JSON: " + what + " (at " + line_column(text, at) + ")", at);
    return false;
  }
  Json* put(Json&& v) {
    if (stack.empty()) {
      root = std::move(v);
      return &root;
    }
    Json& top = *stack.back();
    if (top.is_array()) {
      top.push_back(std::move(v));
      return &top.back();
    }
    return &(top[key_] = std::move(v));
  }
  bool null() override { return put(nullptr), true; }
  bool boolean(bool v) override { return put(v), true; }
  bool number_integer(number_integer_t v) override { return put(v), true; }
  bool number_unsigned(number_unsigned_t v) override { return put(v), true; }
  bool number_float(number_float_t v, const string_t&) override { return put(v), true; }
  bool string(string_t& v) override {
    if (map != nullptr) {
      // The closing quote was the last character read: walk back to the opening one.
      std::size_t q = pos() - 1;
      while (q > 0) {
        --q;
        if (text[q] != '"') continue;
        std::size_t slashes = 0;
        while (q > slashes && text[q - 1 - slashes] == '\\') ++slashes;
        if (slashes % 2 == 0) break;
      }
      map->strings[child_path()] = q;
    }
    put(std::move(v));
    return true;
  }
  bool binary(binary_t&) override { return stop(pos(), "binary values are not JSON"); }
  bool open(Json&& v) {
    if (stack.size() >= kMaxJsonDepth)
      return stop(pos() - 1,
                  "nested deeper than " + std::to_string(kMaxJsonDepth) + " levels; no message needs more than 5");
    const std::string p = child_path();
    stack.push_back(put(std::move(v)));
    paths.push_back(p);
    return true;
  }
  bool start_object(std::size_t) override { return open(Json::object()); }
  bool start_array(std::size_t) override { return open(Json::array()); }
  bool close() {
    stack.pop_back();
    paths.pop_back();
    return true;
  }
  bool end_object() override { return close(); }
  bool end_array() override { return close(); }
  bool key(string_t& k) override {
    if (stack.back()->contains(k)) {
      const std::string at = paths.back().empty() ? "" : " in " + paths.back();
      return stop(pos() - 1, "duplicate key \"" + k.substr(0, 40) + "\"" + at);
    }
    key_ = k;
    return true;
  }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& ex) override {
    std::string what = ex.what();
    if (const auto at = what.find("] "); what.rfind("[json.exception", 0) == 0 && at != std::string::npos)
      what.erase(0, at + 2);
    if (what.size() > 200) what = what.substr(0, 200) + "...";
    error = Error(ErrorKind::bad_input, "malformed JSON: " + what, pos());
    return false;
  }
};

}  // namespace

Json parse_json(std::string_view text, SourceMap* map) {
  if (map != nullptr) map->text = text;
  Builder b(text, map);
  const char* seen = text.data();
  (void)seen;
  CountingIt first{text.data(), &b.seen}, last{text.data() + text.size(), &b.seen};
  const bool ok = Json::sax_parse(first, last, &b);
  if (!ok || b.error) {
    if (b.error) throw *b.error;
    throw Error(ErrorKind::bad_input, "malformed JSON", b.pos());
  }
  return std::move(b.root);
}

namespace impl {

void value_error(const std::string& path, const std::string& text, std::optional<std::uint64_t> pos) {
  throw Error(ErrorKind::bad_input, (path.empty() ? "the message" : path) + ": " + text, pos, path);
}

void unknown_field(const std::string& key, const std::string& path, u32 slots) {
  throw Error(ErrorKind::bad_input,
              "no field named \"" + key.substr(0, 40) + "\" in " + (path.empty() ? "the message" : path) +
                  " (its fields are field0 to field" + std::to_string(slots - 1) + ")",
              std::nullopt, path);
}

namespace {
// The position in the text of a character inside a string value, when the text is known.
std::optional<std::uint64_t> at_char(const SourceMap* map, const std::string& path, std::size_t offset) {
  if (map == nullptr) return {};
  const auto it = map->strings.find(path);
  if (it == map->strings.end()) return {};
  return it->second + 1 + offset;
}
std::string inside(const SourceMap* map, const std::string& path, std::size_t offset) {
  const auto pos = at_char(map, path, offset);
  return pos ? " (at " + line_column(map->text, *pos) + ")" : "";
}
}  // namespace

u64 whole_number(const Json& v, unsigned bits, const std::string& at, const SourceMap* map) {
  const u64 max = bits == 64 ? ~u64{0} : (u64{1} << bits) - 1;
  const std::string type = "u" + std::to_string(bits);
  const std::string range = "0 to " + std::to_string(max);
  if (v.is_string()) {
    const std::string& s = v.get_ref<const std::string&>();
    const bool hex = s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X');
    const unsigned base = hex ? 16 : 10;
    u64 n = 0;
    if (s.size() == (hex ? 2u : 0u)) value_error(at, "expected a whole number for a " + type + " field, got \"\"");
    for (std::size_t i = hex ? 2 : 0; i < s.size(); ++i) {
      const char c = s[i];
      const int d = hex || impl::hex_digit(c) < 10 ? impl::hex_digit(c) : -1;
      if (d < 0)
        value_error(at, "expected a whole number for a " + type + " field, got " + excerpt(v) + inside(map, at, i),
                    at_char(map, at, i));
      if (n > (max - static_cast<u64>(d)) / base)
        value_error(at, excerpt(v) + " does not fit a " + type + " field (" + range + ")");
      n = n * base + static_cast<u64>(d);
    }
    return n;
  }
  if (v.is_number_unsigned() && v.get<u64>() <= max) return v.get<u64>();
  if (v.is_number_integer() && v.get<std::int64_t>() < 0)
    value_error(at, excerpt(v) + " is negative; a " + type + " field holds " + range);
  if (v.is_number_float()) {
    const double d = v.get<double>();
    if (std::floor(d) != d) value_error(at, excerpt(v) + " is not a whole number");
    // Whole numbers below 2^53 are exact as doubles, as tools that read every number as one write them.
    if (d >= 0 && d < 9007199254740992.0 && d <= static_cast<double>(max)) return static_cast<u64>(d);
    if (d >= 0 && d <= static_cast<double>(max))
      value_error(at, excerpt(v) + " is too large to be exact as a JSON number; write it as a string of digits");
  }
  if (v.is_number()) value_error(at, excerpt(v) + " does not fit a " + type + " field (" + range + ")");
  value_error(at, "expected a whole number for a " + type + " field, got " + excerpt(v));
}

void hex_field(const Json& v, u8* out, std::size_t n, const std::string& at, const SourceMap* map) {
  if (!v.is_string()) value_error(at, "expected a hex string of " + std::to_string(n) + " bytes, got " + excerpt(v));
  const std::string& s = v.get_ref<const std::string&>();
  std::size_t digits = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (c == ' ' || c == ':' || c == '-') continue;
    const int d = hex_digit(c);
    if (d < 0) value_error(at, shown(c) + " is not a hex digit" + inside(map, at, i), at_char(map, at, i));
    if (digits / 2 < n) {
      out[digits / 2] = static_cast<u8>(digits % 2 == 0 ? d << 4 : out[digits / 2] | d);
    }
    ++digits;
  }
  if (digits % 2 != 0) value_error(at, "the hex string has an odd number of digits (" + std::to_string(digits) + ")");
  if (digits != 2 * n)
    value_error(at, "the byte array holds exactly " + std::to_string(n) + " bytes (" + std::to_string(2 * n) +
                        " hex digits), got " + std::to_string(digits / 2) + " bytes");
}

}  // namespace impl
}  // namespace kav::inspect
