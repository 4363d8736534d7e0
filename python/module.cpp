// The Python module kav._kav: encode and decode build Python objects straight from the message
// structures, walking them over the engine's tables (walker.hpp) and calling the library's own
// __pack, __unpack and fixed encoder; lookup, explain, identify, skeletons and the message
// descriptions come from the inspector's core (core.hpp), as in the `kav` command.
//
// Threads: every call holds the GIL while it touches Python objects; the work that can take long
// (explain, identify, the walk behind a strict decode, the codec on large buffers) runs without
// it. The codec keeps no state beyond its bindings, which it makes thread-safe itself; the log
// lines it writes are captured per thread.
#include <dlfcn.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cstring>
#include <unordered_map>

#include "capture.hpp"
#include "codec/encode.hpp"
#include "core.hpp"
#include "log_capture.hpp"
#include "walker.hpp"

namespace py = pybind11;

namespace kav::python {
namespace {

using inspect::ByteView;
using inspect::Encoding;

// Field names as interned strings, made once: dicts built with them share one key object per name.
constexpr u32 kMaxSlots = 64;
PyObject* g_field[kMaxSlots];
PyObject* g_count[kMaxSlots];

PyObject* g_malformed = nullptr;  // kav.MalformedBuffer
PyObject* g_unknown = nullptr;    // kav.UnknownMessage

// Buffers from this size on are packed and unpacked without the GIL; below it releasing costs more
// than the work.
constexpr std::size_t kLongWork = 64 * 1024;

[[noreturn]] void raise() { throw py::error_already_set(); }

py::object steal(PyObject* p) {
  if (p == nullptr) raise();
  return py::reinterpret_steal<py::object>(p);
}

// ---- field paths, spelled out only for errors ----------------------------------------------

// One step of a path: field<k> (or n_field<k>) of a record, or item i of a list or array.
struct Path {
  const Path* up;
  u32 field;
  bool count = false;
  std::size_t item = 0;
  bool is_item = false;
};

std::string path_text(const Path* p) {
  if (p == nullptr) return "";
  std::string up = path_text(p->up);
  if (p->is_item) return up + "[" + std::to_string(p->item) + "]";
  return up + (up.empty() ? "" : ".") + (p->count ? "n_field" : "field") + std::to_string(p->field);
}

std::string excerpt(PyObject* v) {
  PyObject* r = PyObject_Repr(v);
  if (r == nullptr) {
    PyErr_Clear();
    return Py_TYPE(v)->tp_name;
  }
  std::string s = PyUnicode_AsUTF8(r) != nullptr ? PyUnicode_AsUTF8(r) : "?";
  Py_DECREF(r);
  return s.size() > 40 ? s.substr(0, 37) + "..." : s;
}

[[noreturn]] void fail(PyObject* type, const Path* at, const std::string& text) {
  const std::string where = path_text(at);
  PyErr_SetString(type, ((where.empty() ? "the message" : where) + ": " + text).c_str());
  raise();
}

std::string type_of(PyObject* v) { return Py_TYPE(v)->tp_name; }

// ---- structure -> Python ---------------------------------------------------------------------

using inspect::impl::Kind;
using inspect::impl::load_member;
using inspect::impl::Table;
using inspect::impl::TableSlot;

py::object number(u64 x, u32 width) {
  if (width == 8) return steal(PyLong_FromUnsignedLongLong(x));
  return steal(PyLong_FromUnsignedLong(static_cast<unsigned long>(x)));
}

void set(PyObject* dict, PyObject* key, const py::object& value) {
  if (PyDict_SetItem(dict, key, value.ptr()) != 0) raise();
}

// An element of a struct array: its members as field<k>, back to back.
py::object element_py(const TableSlot& s, const u8* e) {
  py::object d = steal(PyDict_New());
  for (u32 k = 0, at = 0; k < inspect::impl::element_members(s); at += s.parts[k], ++k)
    set(d.ptr(), g_field[k], number(load_member(e + at, s.parts[k]), s.parts[k]));
  return d;
}

py::object to_py(const Table& t, const u8* v) {
  py::object d = steal(PyDict_New());
  for (u32 k = 0; k < t.slots; ++k) {
    const TableSlot& s = t.slot[k];
    const u8* m = v + s.mem;
    switch (s.kind) {
      case Kind::scalar:
        set(d.ptr(), g_field[k], number(load_member(m, s.width), s.width));
        break;
      case Kind::byte_array:
        set(d.ptr(), g_field[k], steal(PyBytes_FromStringAndSize(reinterpret_cast<const char*>(m), s.count)));
        break;
      case Kind::struct_array: {
        const bool records = inspect::impl::element_name(t, k) != nullptr;
        py::object list = steal(PyList_New(s.count));
        for (u32 i = 0; i < s.count; ++i) {
          const u8* e = m + i * s.width;
          py::object x = records ? element_py(s, e) : number(load_member(e, s.width), s.width);
          PyList_SET_ITEM(list.ptr(), i, x.release().ptr());
        }
        set(d.ptr(), g_field[k], list);
        break;
      }
      case Kind::nested:
        set(d.ptr(), g_field[k], to_py(*s.sub, m));
        break;
      case Kind::vector: {
        const u32 n = inspect::impl::count_of(v, s);
        const u8* items = inspect::impl::items_of(v, s);
        set(d.ptr(), g_count[k], number(n, 4));
        if (items == nullptr) {
          set(d.ptr(), g_field[k], py::none());
          break;
        }
        py::object list = steal(PyList_New(n));
        for (u32 i = 0; i < n; ++i)
          PyList_SET_ITEM(list.ptr(), i, to_py(*s.sub, items + u64{i} * s.sub->size).release().ptr());
        set(d.ptr(), g_field[k], list);
        break;
      }
    }
  }
  return d;
}

// ---- Python -> structure ---------------------------------------------------------------------

u64 whole_number(PyObject* v, const Path* at, u32 width) {
  const u64 max = width == 8 ? ~u64{0} : (u64{1} << (8 * width)) - 1;
  const std::string type = inspect::impl::scalar_name(width);
  if (!PyLong_Check(v) || PyBool_Check(v))
    fail(PyExc_TypeError, at, "expected an int for a " + type + " field, got " + type_of(v));
  const unsigned long long n = PyLong_AsUnsignedLongLong(v);
  if ((n == static_cast<unsigned long long>(-1) && PyErr_Occurred() != nullptr) || n > max) {
    PyErr_Clear();
    fail(PyExc_ValueError, at, excerpt(v) + " does not fit a " + type + " field (0 to " + std::to_string(max) + ")");
  }
  return n;
}

// The items of a list or tuple, as a tuple of its own: code that runs while they are converted
// (a key's __eq__) cannot change them underneath.
struct Items {
  py::object tuple;
  Py_ssize_t size;
  PyObject* operator[](std::size_t i) const { return PyTuple_GET_ITEM(tuple.ptr(), static_cast<Py_ssize_t>(i)); }
};
Items items_of(PyObject* v, const Path* at, const char* what) {
  if (PyTuple_Check(v)) return Items{py::reinterpret_borrow<py::object>(v), PyTuple_GET_SIZE(v)};
  if (!PyList_Check(v)) fail(PyExc_TypeError, at, std::string("expected a list of ") + what + ", got " + type_of(v));
  py::object t = steal(PyList_AsTuple(v));
  const Py_ssize_t n = PyTuple_GET_SIZE(t.ptr());
  return Items{std::move(t), n};
}

// The names a record accepts, for the error about one it does not.
[[noreturn]] void unknown_key(PyObject* dict, const Path* path, const std::vector<std::string>& names, u32 slots) {
  Py_ssize_t pos = 0;
  PyObject *key, *value;
  while (PyDict_Next(dict, &pos, &key, &value)) {
    const py::object held = py::reinterpret_borrow<py::object>(key);
    const char* s = PyUnicode_Check(key) ? PyUnicode_AsUTF8(key) : nullptr;
    if (s == nullptr) {
      PyErr_Clear();
      fail(PyExc_TypeError, path, "field names are str, got " + excerpt(key));
    }
    if (std::find(names.begin(), names.end(), s) == names.end())
      fail(PyExc_ValueError, path,
           "no field named " + excerpt(key) + " (its fields are field0 to field" + std::to_string(slots - 1) + ")");
  }
  fail(PyExc_ValueError, path, "a field is named twice");  // not reached: dict keys are unique
}

void from_py(PyObject* obj, const Table& t, u8* out, const Path* path, inspect::impl::ItemStore& store);

struct FromPy {
  PyObject* dict;
  const Path* path;
  inspect::impl::ItemStore& store;
  Py_ssize_t found = 0;

  // The value of a field, or null when it is left out or None (it is then zero). Held while it is
  // converted, whatever the conversion runs.
  py::object get(PyObject* key) {
    PyObject* v = PyDict_GetItemWithError(dict, key);
    if (v == nullptr) {
      if (PyErr_Occurred() != nullptr) raise();
      return {};
    }
    ++found;
    return v == Py_None ? py::object() : py::reinterpret_borrow<py::object>(v);
  }
  void scalar(u32 k, u32 width, u8* m) {
    if (py::object v = get(g_field[k])) {
      const Path at{path, k};
      inspect::impl::store_member(m, width, whole_number(v.ptr(), &at, width));
    }
  }
  void byte_array(u32 k, u32 n_bytes, u8* m) {
    const py::object held = get(g_field[k]);
    PyObject* v = held.ptr();
    if (v == nullptr) return;
    const Path at{path, k};
    const char* p;
    Py_ssize_t n;
    if (PyBytes_Check(v)) {
      p = PyBytes_AS_STRING(v);
      n = PyBytes_GET_SIZE(v);
    } else if (PyByteArray_Check(v)) {
      p = PyByteArray_AS_STRING(v);
      n = PyByteArray_GET_SIZE(v);
    } else {
      fail(PyExc_TypeError, &at,
           "expected bytes for a byte array of " + std::to_string(n_bytes) + ", got " + type_of(v));
    }
    if (static_cast<std::size_t>(n) != n_bytes)
      fail(PyExc_ValueError, &at, "expected exactly " + std::to_string(n_bytes) + " bytes, got " + std::to_string(n));
    std::memcpy(m, p, n_bytes);
  }
  // An element structure of a struct array: a dict of its members.
  void element(PyObject* obj, const TableSlot& s, u8* e, const Path* at) {
    if (!PyDict_Check(obj)) fail(PyExc_TypeError, at, "expected a dict of fields, got " + type_of(obj));
    FromPy f{obj, at, store};
    const u32 members = inspect::impl::element_members(s);
    for (u32 k = 0, off = 0; k < members; off += s.parts[k], ++k) f.scalar(k, s.parts[k], e + off);
    if (f.found != PyDict_GET_SIZE(obj)) {
      std::vector<std::string> names;
      for (u32 k = 0; k < members; ++k) names.push_back(inspect::impl::field_name(k));
      unknown_key(obj, at, names, members);
    }
  }
  void struct_array(u32 k, const TableSlot& s, bool records, u8* m) {
    const py::object v = get(g_field[k]);
    if (!v) return;
    const Path at{path, k};
    const Items it = items_of(v.ptr(), &at, records ? "dicts" : "ints");
    if (static_cast<std::size_t>(it.size) != s.count)
      fail(PyExc_ValueError, &at,
           "expected exactly " + std::to_string(s.count) + " elements, got " + std::to_string(it.size));
    for (std::size_t i = 0; i < s.count; ++i) {
      const Path ai{&at, 0, false, i, true};
      u8* e = m + i * s.width;
      if (records)
        element(it[i], s, e, &ai);
      else
        inspect::impl::store_member(e, s.width, whole_number(it[i], &ai, s.width));
    }
  }
  void nested(u32 k, const Table& t, u8* m) {
    if (const py::object v = get(g_field[k])) {
      const Path at{path, k};
      from_py(v.ptr(), t, m, &at, store);
    }
  }
  void vector(u32 k, const TableSlot& s, u8* out) {
    const py::object c = get(g_count[k]);
    const py::object v = get(g_field[k]);
    const Path count_at{path, k, true};
    const u32 said = c ? static_cast<u32>(whole_number(c.ptr(), &count_at, 4)) : 0;
    inspect::impl::set_items(out, s, nullptr);
    if (!v) {  // no items: the list is left out
      inspect::impl::store_member(out + s.mem, 4, said);
      if (said != 0)
        fail(PyExc_ValueError, &count_at,
             "a count of " + std::to_string(said) + " needs field" + std::to_string(k) + " items");
      return;
    }
    const Path at{path, k};
    const Items it = items_of(v.ptr(), &at, "dicts");
    if (static_cast<u64>(it.size) > 0xFFFFFFFFu) fail(PyExc_ValueError, &at, "too many records");
    const auto n = static_cast<u32>(it.size);
    inspect::impl::store_member(out + s.mem, 4, n);
    if (c && said != n)
      fail(PyExc_ValueError, &count_at,
           "says " + std::to_string(said) + " but field" + std::to_string(k) + " lists " + std::to_string(n));
    if (n == 0) return;
    const Table& item = *s.sub;
    u8* items = store.make(n, item.size);
    inspect::impl::set_items(out, s, items);
    for (u32 i = 0; i < n; ++i) {
      const Path ai{&at, 0, false, i, true};
      from_py(it[i], item, items + u64{i} * item.size, &ai, store);
    }
  }
};

// Fields left out (or None) are zero; a field the structure does not have is an error.
void from_py(PyObject* obj, const Table& t, u8* out, const Path* path, inspect::impl::ItemStore& store) {
  if (!PyDict_Check(obj)) fail(PyExc_TypeError, path, "expected a dict of fields, got " + type_of(obj));
  FromPy f{obj, path, store};
  for (u32 k = 0; k < t.slots; ++k) {
    const TableSlot& s = t.slot[k];
    u8* m = out + s.mem;
    switch (s.kind) {
      case Kind::scalar:
        f.scalar(k, s.width, m);
        break;
      case Kind::byte_array:
        f.byte_array(k, s.count, m);
        break;
      case Kind::struct_array:
        f.struct_array(k, s, inspect::impl::element_name(t, k) != nullptr, m);
        break;
      case Kind::nested:
        f.nested(k, *s.sub, m);
        break;
      case Kind::vector:
        f.vector(k, s, out);
        break;
    }
  }
  if (f.found != PyDict_GET_SIZE(obj)) {
    std::vector<std::string> names;
    for (u32 k = 0; k < t.slots; ++k) {
      if (t.slot[k].kind == Kind::vector) names.push_back("n_" + inspect::impl::field_name(k));
      names.push_back(inspect::impl::field_name(k));
    }
    unknown_key(obj, path, names, t.slots);
  }
}

// ---- one message ---------------------------------------------------------------------------

// A buffer as bytes, or through the buffer protocol; released with the view.
struct Buffer {
  Py_buffer view{};
  bool held = false;
  ByteView bytes;
  explicit Buffer(PyObject* data) {
    if (PyBytes_Check(data)) {
      bytes = ByteView(reinterpret_cast<const u8*>(PyBytes_AS_STRING(data)),
                       static_cast<std::size_t>(PyBytes_GET_SIZE(data)));
      return;
    }
    if (PyUnicode_Check(data) || PyObject_GetBuffer(data, &view, PyBUF_SIMPLE) != 0) {
      PyErr_Clear();
      PyErr_Format(PyExc_TypeError, "expected bytes, bytearray or memoryview, got %s", Py_TYPE(data)->tp_name);
      raise();
    }
    held = true;
    bytes = ByteView(static_cast<const u8*>(view.buf), static_cast<std::size_t>(view.len));
  }
  ~Buffer() {
    if (held) PyBuffer_Release(&view);
  }
  Buffer(const Buffer&) = delete;
  Buffer& operator=(const Buffer&) = delete;
};

[[noreturn]] void raise_malformed(const inspect::Message& m, const inspect::Fault& f, std::vector<std::string> log,
                                  py::object partial) {
  const std::string where = f.path.empty() ? "" : " (" + f.path + ")";
  py::object e = steal(PyObject_CallFunction(
      g_malformed, "s",
      (std::string(m.name) + ": malformed buffer at position " + std::to_string(f.position) + where + ": " + f.text)
          .c_str()));
  e.attr("message") = m.name;
  e.attr("position") = f.position;
  e.attr("path") = f.path;
  e.attr("rule") = f.text;
  e.attr("log") = std::move(log);
  e.attr("partial") = std::move(partial);
  PyErr_SetObject(g_malformed, e.ptr());
  raise();
}

void check_length(ByteView b) {
  try {
    inspect::impl::check_length(b);
  } catch (const inspect::Error& e) {
    PyErr_SetString(PyExc_ValueError, e.what());
    raise();
  }
}

// Whether the library's own encoders write exactly these bytes for what __unpack produced: such a
// buffer is well-formed, with no need to walk it. Buffers written by the encoders pass.
bool reencodes_to(const inspect::impl::Ops& ops, const u8* v, ByteView in) {
  const Table& t = ops.table();
  if (!t.has_vector && in.size() == t.fixed_len) {
    std::vector<u8> out(t.fixed_len);
    inspect::impl::encode_fixed(ops, v, out.data());
    return std::memcmp(out.data(), in.data(), in.size()) == 0;
  }
  if (detail::compact_size(t, v) != in.size()) return false;
  u8 small[1024];
  std::vector<u8> large(in.size() > sizeof small ? in.size() : 0);
  u8* out = large.empty() ? small : large.data();
  u32 len = static_cast<u32>(in.size());
  return ops.pack(v, out, &len) == 0 && len == in.size() && std::memcmp(out, in.data(), in.size()) == 0;
}

py::object decode(const inspect::Message& info, ByteView in, bool strict) {
  static const u8 empty = 0;  // an empty buffer is a short buffer, not a null pointer
  check_length(in);
  const inspect::impl::Ops& ops = *info.ops;
  inspect::impl::ItemStore store;
  u8* const out = store.make(1, ops.table().size);
  struct Release {
    const inspect::impl::Ops& ops;
    u8* v;
    ~Release() { ops.free(v); }
  } release{ops, out};
  inspect::impl::LogCapture capture;
  const u8* p = in.empty() ? &empty : in.data();
  if (in.size() >= kLongWork) {
    py::gil_scoped_release unlocked;
    ops.unpack(p, static_cast<u32>(in.size()), out);
  } else {
    ops.unpack(p, static_cast<u32>(in.size()), out);
  }
  if (strict && !reencodes_to(ops, out, in)) {
    std::optional<inspect::Fault> fault;
    {
      py::gil_scoped_release unlocked;
      fault = inspect::first_fault(info, in);
    }
    if (fault) raise_malformed(info, *fault, std::move(capture.lines), to_py(ops.table(), out));
  }
  return to_py(ops.table(), out);
}

py::object encode(const inspect::Message& info, PyObject* value, Encoding layout) {
  const inspect::impl::Ops& ops = *info.ops;
  const Table& t = ops.table();
  inspect::impl::ItemStore store;
  u8* v = store.make(1, t.size);
  from_py(value, t, v, nullptr, store);
  if (layout == Encoding::fixed) {
    if (t.has_vector) {
      PyErr_SetString(
          PyExc_ValueError,
          (std::string(info.name) + " has no fixed layout: it carries a list and is always sent compact").c_str());
      raise();
    }
    py::object b = steal(PyBytes_FromStringAndSize(nullptr, t.fixed_len));
    inspect::impl::encode_fixed(ops, v, reinterpret_cast<u8*>(PyBytes_AS_STRING(b.ptr())));
    return b;
  }
  const u64 size = detail::compact_size(t, v);
  if (size > 0x7FFFFFFFu) {
    PyErr_SetString(PyExc_ValueError,
                    ("the compact encoding would take " + std::to_string(size) + " bytes, 2 GiB or more").c_str());
    raise();
  }
  py::object b = steal(PyBytes_FromStringAndSize(nullptr, static_cast<Py_ssize_t>(size)));
  u32 len = static_cast<u32>(size);
  u32 rc;
  if (size >= kLongWork) {
    py::gil_scoped_release unlocked;
    rc = ops.pack(v, reinterpret_cast<u8*>(PyBytes_AS_STRING(b.ptr())), &len);
  } else {
    rc = ops.pack(v, reinterpret_cast<u8*>(PyBytes_AS_STRING(b.ptr())), &len);
  }
  if (rc != 0 || len != size) {
    PyErr_SetString(PyExc_RuntimeError, (std::string(info.name) + "__pack refused the structure").c_str());
    raise();
  }
  return b;
}

// ---- the catalogue -------------------------------------------------------------------------

PyObject* g_by_name = nullptr;  // exact names and wire names -> index into inspect::messages()

std::string str_of(PyObject* name) {
  if (!PyUnicode_Check(name)) {
    PyErr_Format(PyExc_TypeError,
                 "a message is named by a str (name, wire name or MsgId) or by its MsgId as an int, got %s",
                 Py_TYPE(name)->tp_name);
    raise();
  }
  Py_ssize_t n;
  const char* s = PyUnicode_AsUTF8AndSize(name, &n);
  if (s == nullptr) raise();
  return std::string(s, static_cast<std::size_t>(n));
}

// By name or wire name (one dict lookup), else by everything find_message accepts.
const inspect::Message& codec_of(PyObject* name) {
  if (PyUnicode_Check(name)) {
    if (PyObject* i = PyDict_GetItemWithError(g_by_name, name)) return inspect::messages()[PyLong_AsSize_t(i)];
    if (PyErr_Occurred() != nullptr) raise();
  }
  std::string key;
  if (PyLong_Check(name) && !PyBool_Check(name)) {  // a MsgId
    int overflow = 0;
    const long long id = PyLong_AsLongLongAndOverflow(name, &overflow);
    if (overflow != 0 || id < 0 || id > 0xFFFFFFFFll) {
      PyErr_Format(g_unknown, "%R is not a 32-bit MsgId", name);
      raise();
    }
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08llx", id);
    key = hex;
  } else {
    key = str_of(name);
  }
  try {
    return inspect::find_message(key);
  } catch (const inspect::Error& e) {
    PyErr_SetString(g_unknown, e.what());
    raise();
  }
}

Encoding layout_of(PyObject* layout) {
  const std::string s = layout == nullptr ? "compact" : str_of(layout);
  if (s == "compact") return Encoding::compact;
  if (s == "fixed") return Encoding::fixed;
  PyErr_Format(PyExc_ValueError, "layout is \"compact\" or \"fixed\", not %R", layout);
  raise();
}

py::object layout_name(const std::optional<Encoding>& e) {
  if (!e) return py::none();
  return py::str(inspect::encoding_name(*e));
}

// A JSON value of the inspector (shapes, descriptions) as Python objects.
py::object from_json(const inspect::Json& j) {
  switch (j.type()) {
    case inspect::Json::value_t::object: {
      py::dict d;
      for (const auto& [k, v] : j.items()) d[py::str(k)] = from_json(v);
      return d;
    }
    case inspect::Json::value_t::array: {
      py::list l;
      for (const auto& v : j) l.append(from_json(v));
      return l;
    }
    case inspect::Json::value_t::string:
      return py::str(j.get_ref<const std::string&>());
    case inspect::Json::value_t::boolean:
      return py::bool_(j.get<bool>());
    case inspect::Json::value_t::number_unsigned:
      return py::int_(j.get<u64>());
    case inspect::Json::value_t::number_integer:
      return py::int_(j.get<std::int64_t>());
    case inspect::Json::value_t::number_float:
      return py::float_(j.get<double>());
    default:
      return py::none();
  }
}

const char* const kDecodeDoc = R"(decode(name, data, *, strict=True) -> dict

Runs the message's __unpack on a buffer and returns the structure as a dict: field<k> per slot,
ints for integers (u64 exact), bytes for byte arrays, lists for arrays, dicts for nested
records, and n_field<k> beside field<k> for a list (a list of dicts, or None when it has no items).

name is a message name, wire name or MsgId ("kav_pid_state", "kav.pid_state", "0x95130b44").
data is bytes, a bytearray or a memoryview; the compact and the fixed layout are both accepted.

With strict (the default), a malformed buffer raises MalformedBuffer, whose position, path and
rule say where and why; with strict=False the result is what __unpack produced, as the C
function leaves it: the fields before the failing one, zeros after it.

Raises UnknownMessage for a name that names no message, TypeError when data is not bytes-like,
ValueError for a buffer of 2 GiB or more.

>>> decode("kav_pid_state", bytes.fromhex("0e0000000a00100004000800" "0e000a000000010000000200000003000000"))
Traceback (most recent call last):
  ...
kav.MalformedBuffer: kav_pid_state: malformed buffer at position 28 (field2): field2 (slot 2, u32) at table offset 14 would end at 32, ...
>>> decode("kav_pid_state", encode("kav_pid_state", {"field0": 1, "field2": 3}))
{'field0': 1, 'field1': 0, 'field2': 3}
>>> decode("kav_pid_state", b"\x04\x00\x00\x00", strict=False)
{'field0': 0, 'field1': 0, 'field2': 0}
)";

const char* const kEncodeDoc = R"(encode(name, value, *, layout="compact") -> bytes

Encodes a dict in the compact layout of __pack (layout="compact") or in the fixed layout of the
send path (layout="fixed"; not for the messages that carry a list). The dict has the form decode
returns; a field left out or None is zero, and n_field<k> may be left out beside its list.

Raises UnknownMessage for an unknown name; TypeError for a value of the wrong type and
ValueError for one that does not fit its field or for a field the message does not have, both
naming the field path (field1[0].field7); ValueError for an unknown layout or the fixed layout of
a message with a list.

>>> encode("kav_pid_state", {"field0": 1, "field1": 2, "field2": 3}).hex()
'0e0000000a001000040008000c000a000000010000000200000003000000'
>>> len(encode("kav_pid_state", {}, layout="fixed"))
32
>>> encode("kav_host_update", {"field1": [{"field0": 1 << 32}]})
Traceback (most recent call last):
  ...
ValueError: field1[0].field0: 4294967296 does not fit a u32 field (0 to 4294967295)
)";

namespace ins = kav::inspect;

// A capture read lazily: one record per __next__, as a tuple the package turns into a
// CaptureRecord (kav/__init__.py). The file stays open until the reader is collected.
class CaptureSource {
 public:
  explicit CaptureSource(const std::string& path) : file_(std::fopen(path.c_str(), "rb")) {
    if (file_ == nullptr) {
      PyErr_SetFromErrnoWithFilename(PyExc_OSError, path.c_str());
      throw py::error_already_set();
    }
    reader_.emplace(file_, "'" + path + "'");
  }
  ~CaptureSource() {
    if (file_ != nullptr) std::fclose(file_);
  }
  CaptureSource(const CaptureSource&) = delete;
  CaptureSource& operator=(const CaptureSource&) = delete;

  py::tuple next() {
    std::optional<ins::CaptureRecord> r;
    try {
      py::gil_scoped_release unlocked;
      r = reader_->next();
    } catch (const ins::Error& e) {
      PyErr_SetString(e.kind == ins::ErrorKind::io ? PyExc_OSError : PyExc_ValueError, e.what());
      throw py::error_already_set();
    }
    if (!r) throw py::stop_iteration();
    const ins::Message* m = ins::record_message(*r);
    const std::string why = ins::unreadable(*r);
    const bool send = r->direction == ins::Direction::send;
    return py::make_tuple(r->time_ns, ins::direction_name(r->direction), r->pid, r->tid,
                          send ? py::object(py::int_(r->dest)) : py::none(),
                          r->target ? py::object(py::int_(*r->target)) : py::none(), r->msgid,
                          m != nullptr ? py::object(py::str(m->name)) : py::none(),
                          py::bytes(reinterpret_cast<const char*>(r->bytes.data()), r->bytes.size()),
                          r->result ? py::object(py::int_(*r->result)) : py::none(),
                          why.empty() ? py::none() : py::object(py::str(why)), r->offset);
  }

 private:
  std::FILE* file_;
  std::optional<ins::CaptureReader> reader_;
};

}  // namespace
}  // namespace kav::python

PYBIND11_MODULE(_kav, m) {
  using namespace kav::python;
  using namespace kav;
  namespace ins = kav::inspect;

  // The codec finds the host's log writer by name in the process's global scope; a module is
  // loaded into a scope of its own, so this one puts itself into the global scope, where the
  // writer it carries (kav_inspect's, which hands the lines to the calling thread's capture) is
  // found. Everything else it exports is the module's entry point.
  Dl_info self;
  if (dladdr(reinterpret_cast<void*>(&codec_of), &self) != 0 && self.dli_fname != nullptr)
    dlopen(self.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_GLOBAL);

  for (u32 k = 0; k < kMaxSlots; ++k) {
    g_field[k] = PyUnicode_InternFromString(("field" + std::to_string(k)).c_str());
    g_count[k] = PyUnicode_InternFromString(("n_field" + std::to_string(k)).c_str());
    if (g_field[k] == nullptr || g_count[k] == nullptr) throw py::error_already_set();
  }
  g_by_name = PyDict_New();
  for (std::size_t i = 0; i < ins::messages().size(); ++i) {
    py::int_ index(i);
    PyDict_SetItemString(g_by_name, ins::messages()[i].name, index.ptr());
    PyDict_SetItemString(g_by_name, ins::messages()[i].wire, index.ptr());
  }

  m.doc() = "Encode, decode and explain the buffers of the kav and kav_sync messages.";

  g_malformed = PyErr_NewExceptionWithDoc(
      "kav.MalformedBuffer",
      "A buffer breaks the format's rules. Attributes: message (its name), position (byte position of the "
      "first failing check), path (field path, '' for the root table's header), rule (what is wrong, in "
      "words), log (the library's log lines while __unpack ran) and partial (what __unpack produced: the "
      "fields before the failing one, the rest zero).",
      PyExc_ValueError, nullptr);
  g_unknown = PyErr_NewExceptionWithDoc(
      "kav.UnknownMessage", "No message has this name, wire name or MsgId; the text names the closest names.",
      PyExc_LookupError, nullptr);
  m.add_object("MalformedBuffer", py::handle(g_malformed));
  m.add_object("UnknownMessage", py::handle(g_unknown));

  py::class_<ins::Fit>(m, "Fit", "How well a buffer fits a message.")
      .def_readonly("well_formed", &ins::Fit::well_formed, "every check passed")
      .def_readonly("every_byte", &ins::Fit::every_byte, "every byte is part of the message, none claimed twice")
      .def_readonly("exact_vtables", &ins::Fit::exact_vtables, "every vtable has its record's full length")
      .def_readonly("length_matches", &ins::Fit::length_matches, "fixed layout: the buffer is exactly L bytes")
      .def_property_readonly("exact", &ins::Fit::exact, "well-formed, every byte, exact vtables")
      .def("__repr__", [](const ins::Fit& f) {
        return "Fit(well_formed=" + std::string(f.well_formed ? "True" : "False") +
               ", every_byte=" + (f.every_byte ? "True" : "False") +
               ", exact_vtables=" + (f.exact_vtables ? "True" : "False") +
               ", length_matches=" + (f.length_matches ? "True" : "False") + ")";
      });

  py::class_<ins::Fault>(m, "Fault", "The first check a buffer fails.")
      .def_readonly("position", &ins::Fault::position, "byte position")
      .def_readonly("path", &ins::Fault::path, "field path, '' for the root table's header")
      .def_readonly("rule", &ins::Fault::text, "what is wrong, in words")
      .def_property_readonly(
          "logged_by",
          [](const ins::Fault& f) -> py::object {
            return f.log.empty() ? py::object(py::none()) : py::object(py::str(f.log));
          },
          "the function name __unpack logs it under, or None when it is not logged")
      .def("__repr__", [](const ins::Fault& f) {
        return "Fault(position=" + std::to_string(f.position) +
               ", path=" + py::repr(py::str(f.path)).cast<std::string>() +
               ", rule=" + py::repr(py::str(f.text)).cast<std::string>() + ")";
      });

  py::class_<ins::Report>(m, "Report", "What explain finds in a buffer; str() gives the byte map.")
      .def_readonly("text", &ins::Report::text, "the byte map, the fields, the first failing check and the cross-check")
      .def_readonly("well_formed", &ins::Report::well_formed)
      .def_readonly("agrees", &ins::Report::agrees, "the walk predicted exactly what __unpack produced")
      .def_property_readonly(
          "layout", [](const ins::Report& r) { return layout_name(r.layout); },
          "'compact', 'fixed', or None when the root table's header was not read")
      .def_readonly("fault", &ins::Report::fault, "the first failing check, or None")
      .def_readonly("log", &ins::Report::log, "the library's log lines while __unpack ran")
      .def_readonly("fit", &ins::Report::fit)
      .def_property_readonly(
          "better",
          [](const ins::Report& r) {
            std::vector<std::string> names;
            for (const ins::Message* b : r.better) names.emplace_back(b->name);
            return names;
          },
          "messages the buffer fits exactly when it fits this one less well")
      .def("__str__", [](const ins::Report& r) { return r.text; })
      .def("__repr__", [](const ins::Report& r) {
        return "<Report well_formed=" + std::string(r.well_formed ? "True" : "False") +
               (r.fault ? " fault at " + std::to_string(r.fault->position) : "") + ">";
      });

  py::class_<ins::Candidate>(m, "Candidate", "A message whose decoder accepts a buffer with every byte accounted for.")
      .def_property_readonly("name", [](const ins::Candidate& c) { return c.message->name; })
      .def_property_readonly("wire_name", [](const ins::Candidate& c) { return c.message->wire; })
      .def_property_readonly("msg_id", [](const ins::Candidate& c) { return c.message->id; })
      .def_property_readonly("layout", [](const ins::Candidate& c) { return ins::encoding_name(c.layout); })
      .def_readonly("rank", &ins::Candidate::rank, "1 for the best; candidates of equal rank fit equally well")
      .def_readonly("fit", &ins::Candidate::fit)
      .def("__repr__", [](const ins::Candidate& c) {
        return "Candidate(" + std::string(c.message->name) + ", " + ins::encoding_name(c.layout) + ", rank " +
               std::to_string(c.rank) + ")";
      });

  m.def(
      "decode",
      [](py::handle name, py::handle data, bool strict) {
        const ins::Message& c = codec_of(name.ptr());
        const Buffer b(data.ptr());
        return decode(c, b.bytes, strict);
      },
      py::arg("name"), py::arg("data"), py::kw_only(), py::arg("strict") = true, kDecodeDoc);

  m.def(
      "decode_many",
      [](py::handle name, py::handle buffers, bool strict) {
        const ins::Message& c = codec_of(name.ptr());
        py::list out;
        for (py::handle item : py::iter(buffers)) {
          const Buffer b(item.ptr());
          out.append(decode(c, b.bytes, strict));
        }
        return out;
      },
      py::arg("name"), py::arg("buffers"), py::kw_only(), py::arg("strict") = true,
      R"(decode_many(name, buffers, *, strict=True) -> list[dict]

decode of every buffer of an iterable, in one call: the list of what __unpack produced, in order.
With strict=True the first malformed buffer raises MalformedBuffer, as decode does.

>>> data = encode("kav_pid_state", {"field0": 1})
>>> [d["field0"] for d in decode_many("kav_pid_state", [data, data])]
[1, 1]
)");

  m.def(
      "encode",
      [](py::handle name, py::handle value, py::handle layout) {
        const ins::Message& c = codec_of(name.ptr());
        return encode(c, value.ptr(), layout_of(layout.is_none() ? nullptr : layout.ptr()));
      },
      py::arg("name"), py::arg("value"), py::kw_only(), py::arg("layout") = "compact", kEncodeDoc);

  m.def(
      "explain",
      [](py::handle name, py::handle data) {
        const ins::Message& c = codec_of(name.ptr());
        const Buffer b(data.ptr());
        check_length(b.bytes);
        py::gil_scoped_release unlocked;
        return ins::explain(c, b.bytes);
      },
      py::arg("name"), py::arg("data"),
      R"(explain(name, data) -> Report

Walks the buffer as __unpack does and reports what every byte is, the first check that fails and
whether __unpack produced exactly what the walk predicts. str(report) is the byte map of `kav explain`.

>>> r = explain("kav_pid_state", bytes.fromhex("0e0000000a00100004000800" "0e000a000000010000000200000003000000"))
>>> r.well_formed, r.fault.position, r.fault.path
(False, 28, 'field2')
)");

  m.def(
      "identify",
      [](py::handle data) {
        const Buffer b(data.ptr());
        check_length(b.bytes);
        py::gil_scoped_release unlocked;
        return ins::identify(b.bytes);
      },
      py::arg("data"),
      R"(identify(data) -> list[Candidate]

The messages whose decoder accepts the buffer with every byte accounted for, best first
(rank 1: exact vtables and, for the fixed layout, the exact length). An empty list when none does.

>>> [c.name for c in identify(encode("kav_host_update", {"field1": [{}]})) if c.rank == 1]
['kav_host_update', 'kav_host_delete']
)");

  m.def(
      "skeleton",
      [](py::handle name) {
        const ins::Message& c = codec_of(name.ptr());
        const ins::Bytes b = ins::encode(c, ins::skeleton(c), Encoding::compact);
        return decode(c, b, true);
      },
      py::arg("name"),
      R"(skeleton(name) -> dict

Every field of the message with a zero value, and one item in each list: a value to fill in
and pass to encode.

>>> skeleton("kav_pid_state_chg")
{'field0': 0, 'field1': {'field0': 0, 'field1': 0, 'field2': 0}}
)");

  py::class_<CaptureSource>(m, "_CaptureSource", "The records of a capture, read lazily; see read_capture.")
      .def(py::init<const std::string&>(), py::arg("path"))
      .def("__iter__", [](py::object source) { return source; })
      .def("__next__", &CaptureSource::next);

  m.def(
      "messages",
      []() {
        py::list out;
        for (const ins::Message& msg : ins::messages()) {
          py::dict d = from_json(ins::shape_json(ins::shape(msg)));
          d["msg_id"] = msg.id;
          out.append(d);
        }
        return out;
      },
      R"(messages() -> list[dict]

Every message, kav first, each package in catalogue order: name, package, wire_name, msg_id (int),
index, size (of the unpacked structure), encoder ('fixed' or 'compact'), fixed_length (or None),
root, and slots (slot, name, kind, width, count, record or element, offset, size, fields).

>>> m = messages()[0]
>>> m["name"], m["msg_id"], m["fixed_length"], [s["kind"] for s in m["slots"]]
('kav_pid_state', 2501053252, 32, ['u32', 'u32', 'u32'])
)");
}
