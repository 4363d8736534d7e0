// The Wireshark dissector: the catalogue's shapes written out as Lua tables, followed by one walker
// that reads any of them. The walker applies the buffer format's checks in the decoder's order and
// stops at the first that fails: the tree holds every field read before it, and the failing check
// is flagged at its position (the one `kav explain` gives).
#include "dissector.hpp"

#include <cstdio>
#include <map>

#include "core.hpp"

namespace kav::inspect {

namespace {

// A slot as the walker reads it: {kind, n, record}. n is the element count of a byte or struct
// array and the unpacked size of a list's item; record names a nested record, a list's item or an
// array's element ("u16" for an array of u16).
std::string slot_lua(const Slot& s) {
  std::string out = "{\"" + s.kind + "\"";
  if (s.kind == "bytes" || s.kind == "array" || s.kind == "record" || s.kind == "list") {
    out += ", " + std::to_string(s.kind == "list" ? s.width : s.count);
    if (!s.record.empty()) out += ", \"" + s.record + "\"";
  }
  return out + "}";
}

std::string slots_lua(const std::vector<Slot>& slots) {
  std::string out = "{";
  for (std::size_t i = 0; i < slots.size(); ++i) out += (i == 0 ? "" : ", ") + slot_lua(slots[i]);
  return out + "}";
}

// Every record that a message nests, lists or holds in an array, once by name.
void collect_records(const std::vector<Slot>& slots, std::map<std::string, std::string>& records) {
  for (const Slot& s : slots) {
    if (s.fields.empty()) continue;
    records.emplace(s.record, slots_lua(s.fields));
    collect_records(s.fields, records);
  }
}

// The walker, the protocol's fields and its registration; reads `records` and `messages`.
constexpr const char* kWalker = R"lua(
local TWO32 = 4294967296
local WIDTH = {u8 = 1, u16 = 2, u32 = 4, u64 = 8}
local UINT = {u8 = ProtoField.uint8, u16 = ProtoField.uint16, u32 = ProtoField.uint32, u64 = ProtoField.uint64}
local DIRECTIONS = {[0] = "send", [1] = "recv", [2] = "note"}
local HEADER = 48

local kav = Proto("kav", "kav message capture")
local fields = {}
local function field(f)
  fields[#fields + 1] = f
  return f
end

-- Every message field is named after its place: kav.<message>.field<k>, a nested record's or a
-- list item's fields below it (kav.kav_host_update.field1.field0), a list's count n_field<k>
-- beside it, and a list item or array element <...>.field<k>.item.
local longest_bytes = 0
local function declare(prefix, slots)
  local out = {}
  for k, s in ipairs(slots) do
    local kind, count, rec = s[1], s[2], s[3]
    local name = "field" .. (k - 1)
    local abbr = prefix .. "." .. name
    local d = {kind = kind, name = name, count = count, rec = rec, width = WIDTH[kind]}
    if d.width then
      d.f = field(UINT[kind](abbr, name, base.DEC))
    elseif kind == "bytes" then
      d.f = field(ProtoField.bytes(abbr, name))
      longest_bytes = math.max(longest_bytes, count)
    else
      d.f = field(ProtoField.none(abbr, name))
      if kind == "list" then d.n = field(ProtoField.uint32(prefix .. ".n_" .. name, "n_" .. name, base.DEC)) end
      if rec == "u16" then
        d.item = field(ProtoField.uint16(abbr .. ".item", name .. " item", base.DEC))
        d.size = 2
      else
        d.sub = declare(abbr, records[rec])
        if kind ~= "record" then d.item = field(ProtoField.none(abbr .. ".item", name .. " item")) end
        d.size = 0
        for _, e in ipairs(d.sub) do d.size = d.size + (e.width or 0) end
      end
    end
    out[k] = d
  end
  return out
end

local by_id, names = {}, {}
for _, m in ipairs(messages) do
  local id, name = m[1], m[2]
  by_id[id] = {name = name, wire = m[3], f = field(ProtoField.none("kav." .. name, name)),
               slots = declare("kav." .. name, m[4])}
  names[id] = name
end

local hf = {
  version = field(ProtoField.uint8("kav.version", "Version")),
  direction = field(ProtoField.uint8("kav.direction", "Direction", base.DEC, DIRECTIONS)),
  flags = field(ProtoField.uint16("kav.flags", "Flags", base.HEX)),
  has_target = field(ProtoField.bool("kav.flags.has_target", "Has target", 16, nil, 0x1)),
  null_data = field(ProtoField.bool("kav.flags.null_data", "Null data", 16, nil, 0x2)),
  has_result = field(ProtoField.bool("kav.flags.has_result", "Has result", 16, nil, 0x4)),
  pid = field(ProtoField.uint32("kav.pid", "Process id", base.DEC)),
  tid = field(ProtoField.uint32("kav.tid", "Thread id", base.DEC)),
  dest = field(ProtoField.uint32("kav.dest", "Destination", base.DEC)),
  target = field(ProtoField.uint64("kav.target", "Target", base.DEC)),
  msgid = field(ProtoField.uint32("kav.msgid", "MsgId", base.HEX, names)),
  length = field(ProtoField.uint32("kav.length", "Length", base.DEC)),
  result = field(ProtoField.uint32("kav.result", "Result", base.DEC)),
  entry = field(ProtoField.uint32("kav.entry", "Entry", base.DEC)),
  count = field(ProtoField.uint32("kav.count", "Count", base.DEC)),
  reserved = field(ProtoField.uint32("kav.reserved", "Reserved", base.HEX)),
  message = field(ProtoField.string("kav.message", "Message")),
  note = field(ProtoField.string("kav.note", "Note")),
  data = field(ProtoField.bytes("kav.data", "Data")),
  root = field(ProtoField.uint32("kav.root", "Root offset", base.DEC)),
  vtable = field(ProtoField.none("kav.vtable", "Vtable")),
}

local ef = {
  malformed = ProtoExpert.new("kav.malformed", "Malformed message", expert.group.MALFORMED, expert.severity.ERROR),
  record = ProtoExpert.new("kav.bad_record", "Record not understood", expert.group.MALFORMED, expert.severity.ERROR),
  truncated = ProtoExpert.new("kav.truncated", "Message truncated", expert.group.MALFORMED, expert.severity.WARN),
  unknown = ProtoExpert.new("kav.unknown", "Unknown MsgId", expert.group.UNDECODED, expert.severity.WARN),
}

kav.fields = fields
kav.experts = {ef.malformed, ef.record, ef.truncated, ef.unknown}

-- ---- the walk over one message buffer --------------------------------------------------------
-- w: {tvb, base (the message's first byte in the record), L (its length), hi (the furthest byte
-- read for the node being built)}. Positions are those of the buffer, from 0; every read
-- is preceded by the check the decoder makes before it.

local function span(w, p, n)
  if p > w.L then p = w.L end
  if n > w.L - p then n = w.L - p end
  return w.tvb:range(w.base + p, n)
end
local function u16(w, p) return w.tvb:range(w.base + p, 2):le_uint() end
local function u32(w, p) return w.tvb:range(w.base + p, 4):le_uint() end
local function reach(w, e) if e > w.hi then w.hi = e end end

-- Flags the first check the buffer fails: "<field> at <position>: <what>".
local function fail(w, tree, where, p, n, fmt, ...)
  local text = string.format("%s at %d: ", where, p) .. string.format(fmt, ...)
  tree:add_tvb_expert_info(ef.malformed, span(w, p, n), text)
  return false
end

-- The table position, vtable position and vtable length checks of the table at T. A table
-- position out of range is blamed on the bytes that gave it (bp, bn).
local function table_header(w, tree, T, where, bp, bn)
  local L = w.L
  if T < 4 or T > L - 4 then
    return fail(w, tree, where, bp, bn, "table position %d is out of range (4 - %d)", T, L - 4)
  end
  local V = (T - u32(w, T)) % TWO32
  if V < 4 or V > L - 4 then
    return fail(w, tree, where, T, 4, "vtable position %d is out of range (4 - %d)", V, L - 4)
  end
  local VL = u16(w, V)
  if V + VL > L then
    return fail(w, tree, where, V, 2, "vtable length %d is out of range (0 - %d)", VL, L - V)
  end
  return V, VL
end

-- A field the buffer leaves out: zero, shown as generated.
local function absent(w, tree, T, d, where)
  local item
  if d.width then
    item = tree:add(d.f, span(w, T, 0), d.width == 8 and UInt64.new(0) or 0)
  elseif d.kind == "bytes" then
    -- Its value needs bytes to show: zeros of a data source of their own.
    w.zeros = w.zeros or ByteArray.new(string.rep("00", longest_bytes)):tvb("Absent byte arrays")
    item = tree:add(d.f, w.zeros:range(0, d.count))
  elseif d.kind == "list" then
    item = tree:add(d.n, span(w, T, 0), 0)
  else
    item = tree:add(d.f, span(w, T, 0))
    item:set_text(where .. ": " .. d.rec)
    if d.kind == "record" then
      for _, e in ipairs(d.sub) do absent(w, item, T, e, where .. "." .. e.name) end
    else
      for i = 0, d.count - 1 do
        local sub = where .. "[" .. i .. "]"
        if d.sub then
          local it = item:add(d.item, span(w, T, 0))
          it:set_text(sub .. ": " .. d.rec)
          for _, e in ipairs(d.sub) do absent(w, it, T, e, sub .. "." .. e.name) end
          it:set_generated()
        else
          item:add(d.item, span(w, T, 0), 0):set_text(sub .. ": 0"):set_generated()
        end
      end
    end
  end
  item:append_text(" (absent)")
  item:set_generated()
end

local walk_table

-- A table found at T through the bytes (bp, bn): its node spans its vtable, the table and what
-- the walk read on its behalf.
local function walk_node(w, tree, f, T, bp, bn, slots, where, label)
  local V, VL = table_header(w, tree, T, where, bp, bn)
  if not V then return false end
  local lo, saved = math.min(T, V), w.hi
  w.hi = lo
  local node = tree:add(f, span(w, lo, 0))
  node:set_text(label)
  local ok = walk_table(w, node, T, V, VL, slots, where)
  node:set_len(w.hi - lo)
  reach(w, saved)
  return ok
end

local function walk_slot(w, tree, T, o, d, where)
  if o == 0 then
    absent(w, tree, T, d, where)
    return true
  end
  local L, P = w.L, T + o
  if d.width then
    if P + d.width > L then
      return fail(w, tree, where, P, d.width, "%s runs past the end of the %d-byte buffer", d.kind, L)
    end
    tree:add_le(d.f, span(w, P, d.width))
    reach(w, P + d.width)
    return true
  end
  if P + 4 > L then return fail(w, tree, where, P, 4, "offset word runs past the end of the %d-byte buffer", L) end
  local Q = P + u32(w, P)
  reach(w, P + 4)
  if Q >= TWO32 then return fail(w, tree, where, P, 4, "offset word wraps around 2^32") end
  if d.kind == "record" then return walk_node(w, tree, d.f, Q, P, 4, d.sub, where, where .. ": " .. d.rec) end

  local S = d.kind == "bytes" and 1 or d.kind == "list" and 4 or d.size
  if Q + 4 > L then return fail(w, tree, where, Q, 4, "count runs past the end of the %d-byte buffer", L) end
  local M = u32(w, Q)
  if (S == 4 and M >= 2 ^ 30) or (S == 2 and M >= 2 ^ 31) then
    return fail(w, tree, where, Q, 4, "count %d is too large", M)
  end
  local E = Q + 4 + M * S
  if E > L then
    return fail(w, tree, where, Q, 4, "%d items of %d bytes run past the end of the %d-byte buffer", M, S, L)
  end
  if d.kind ~= "list" and M ~= d.count then
    return fail(w, tree, where, Q, 4, "count %d, %d expected", M, d.count)
  end
  reach(w, E)
  if d.kind == "bytes" then
    tree:add(d.f, span(w, Q + 4, M))
    return true
  end
  if d.kind == "array" then
    local node = tree:add(d.f, span(w, Q, E - Q))
    node:set_text(string.format("%s: %d x %s", where, M, d.rec))
    for i = 0, M - 1 do
      local at, sub = Q + 4 + i * S, where .. "[" .. i .. "]"
      if d.sub then
        local it = node:add(d.item, span(w, at, S))
        it:set_text(sub .. ": " .. d.rec)
        for _, e in ipairs(d.sub) do
          it:add_le(e.f, span(w, at, e.width))
          at = at + e.width
        end
      else
        node:add_le(d.item, span(w, at, 2)):set_text(sub .. ": " .. u16(w, at))
      end
    end
    return true
  end
  if M * d.count >= TWO32 then
    return fail(w, tree, where, Q, 4, "%d items of %d bytes do not fit in 32 bits", M, d.count)
  end
  tree:add_le(d.n, span(w, Q, 4))
  if M == 0 then return true end
  local list, saved = tree:add(d.f, span(w, Q, E - Q)), w.hi
  list:set_text(string.format("%s: %d x %s", where, M, d.rec))
  w.hi = E
  local ok = true
  for i = 0, M - 1 do
    -- An item's offset word lies inside the checked run. A target past 2^32 fails the table
    -- position check, at the word, as a wrapped one does.
    local Pi, sub = Q + 4 + 4 * i, where .. "[" .. i .. "]"
    ok = walk_node(w, list, d.item, Pi + u32(w, Pi), Pi, 4, d.sub, sub, sub .. ": " .. d.rec)
    if not ok then break end
  end
  if w.hi > Q then list:set_len(w.hi - Q) end
  reach(w, saved)
  return ok
end

walk_table = function(w, node, T, V, VL, slots, where)
  reach(w, T + 4)
  reach(w, V + VL)
  local vt = node:add(hf.vtable, span(w, V, VL))
  vt:set_text(string.format("vtable at %d: length %d%s, %s its table", V, VL,
                            VL >= 4 and ", table length " .. u16(w, V + 2) or "", V < T and "before" or "after"))
  local prefix = where == "" and "" or where .. "."
  for k, d in ipairs(slots) do
    local o = 0
    if VL >= 6 + 2 * (k - 1) then o = u16(w, V + 4 + 2 * (k - 1)) end
    if not walk_slot(w, node, T, o, d, prefix .. d.name) then return false end
  end
  return true
end

local function walk_message(w, tree, m)
  local node = tree:add(m.f, span(w, 0, w.L))
  node:set_text(string.format("%s (%s), %d bytes", m.name, m.wire, w.L))
  if w.L < 4 then return fail(w, node, "root", 0, w.L, "%d bytes, shorter than a root offset", w.L) end
  node:add_le(hf.root, span(w, 0, 4))
  local T = u32(w, 0)
  local V, VL = table_header(w, node, T, "root", 0, 4)
  if not V then return false end
  node:append_text(V < T and ", compact layout" or ", fixed layout")
  return walk_table(w, node, T, V, VL, m.slots, "")
end

-- ---- the record ------------------------------------------------------------------------------

function kav.dissector(tvb, pinfo, tree)
  pinfo.cols.protocol:set("kav")
  local n = tvb:captured_len()
  local root = tree:add(kav, tvb())
  if n < HEADER then
    root:add_tvb_expert_info(ef.record, tvb(), string.format("%d bytes, shorter than the record header", n))
    pinfo.cols.info:set("kav record too short")
    return
  end
  root:add(hf.version, tvb(0, 1))
  root:add(hf.direction, tvb(1, 1))
  local flags_item = root:add_le(hf.flags, tvb(2, 2))
  flags_item:add_le(hf.has_target, tvb(2, 2))
  flags_item:add_le(hf.null_data, tvb(2, 2))
  flags_item:add_le(hf.has_result, tvb(2, 2))
  for _, f in ipairs({{hf.pid, 4, 4}, {hf.tid, 8, 4}, {hf.dest, 12, 4}, {hf.target, 16, 8}, {hf.msgid, 24, 4},
                      {hf.length, 28, 4}, {hf.result, 32, 4}, {hf.entry, 36, 4}, {hf.count, 40, 4},
                      {hf.reserved, 44, 4}}) do
    root:add_le(f[1], tvb(f[2], f[3]))
  end
  local version, direction, flags = tvb(0, 1):uint(), tvb(1, 1):uint(), tvb(2, 2):le_uint()
  local dest, target, msgid = tvb(12, 4):le_uint(), tvb(16, 8):le_uint64(), tvb(24, 4):le_uint()
  local length, result = tvb(28, 4):le_uint(), tvb(32, 4):le_uint()
  local avail = n - HEADER
  local rest = avail > 0 and tvb(HEADER, avail) or tvb(0, 0)
  if version ~= 1 or DIRECTIONS[direction] == nil then
    local why = string.format("version %d, direction %d: not a record this dissector reads", version, direction)
    root:add_tvb_expert_info(ef.record, tvb(0, 2), why)
    pinfo.cols.info:set(string.format("kav record version %d", version))
    return
  end
  if direction == 2 then
    local text = avail > 0 and rest:string(ENC_UTF_8) or ""
    root:add(hf.note, rest, text)
    pinfo.cols.info:set("note " .. text)
    return
  end

  local m = by_id[msgid]
  local info = DIRECTIONS[direction] .. " " .. (m and m.wire or string.format("unknown msgid=0x%08x", msgid))
  if direction == 0 then info = info .. " dest=" .. dest end
  if flags % 2 == 1 then info = info .. " target=" .. tostring(target) end
  info = info .. " len=" .. length
  if math.floor(flags / 4) % 2 == 1 and result ~= 0 then info = info .. " result=" .. result end
  if m then root:add(hf.message, tvb(24, 4), m.name):set_generated() end

  -- The message is every byte captured after the header; a record cut by the snap length (the
  -- frame shorter than it was) is shown as raw bytes.
  if math.floor(flags / 2) % 2 == 1 then
    info = info .. " (null data)"
  elseif tvb:reported_len() > n then
    root:add_tvb_expert_info(ef.truncated, rest, string.format("%d of %d bytes captured", avail, length))
    if avail > 0 then root:add(hf.data, rest) end
    info = info .. " [truncated]"
  elseif not m then
    root:add_tvb_expert_info(ef.unknown, tvb(24, 4), string.format("MsgId 0x%08x is not in the catalogue", msgid))
    if avail > 0 then root:add(hf.data, rest) end
  elseif not walk_message({tvb = tvb, base = HEADER, L = avail, hi = 0}, root, m) then
    info = info .. " [malformed]"
  end
  pinfo.cols.info:set(info)
  root:append_text(", " .. info)
end

DissectorTable.get("wtap_encap"):add((wtap_encaps or wtap).USER0, kav)
)lua";

}  // namespace

std::string wireshark_lua() {
  std::map<std::string, std::string> records;
  std::string list;
  for (const Message& m : messages()) {
    const Shape s = shape(m);
    collect_records(s.slots, records);
    char head[128];
    std::snprintf(head, sizeof head, "  {0x%08x, \"%s\", \"%s\", ", m.id, m.name, m.wire);
    list += head + slots_lua(s.slots) + "},\n";
  }
  std::string out =
      "-- kav.lua: the Wireshark dissector of kav captures (link type 147, LINKTYPE_USER0), written by\n"
      "-- `kav --wireshark-lua` from the message catalogue. Load it with `-X lua_script:kav.lua`, or\n"
      "-- install it in Wireshark's global or personal Lua plugin folder (`tshark -G folders`).\n\n"
      "-- Slots in slot order: {kind, n, record}; n counts an array's elements, or sizes a list's item.\n"
      "local records = {\n";
  for (const auto& [name, slots] : records) out += "  " + name + " = " + slots + ",\n";
  out += "}\n\n-- {MsgId, name, wire name, root slots}\nlocal messages = {\n" + list + "}\n";
  return out + kWalker;
}

}  // namespace kav::inspect
