// The log lines of header faults, shared by every decoder.
#include "codec/decode.hpp"

namespace kav::detail {

void log_header_fault(Unit u, bool root, const char* func, HeaderFault f, Header h, u32 len) noexcept {
  switch (f) {
    case HeaderFault::table:
      log_fault(u, root ? kLineRootTable : kLineTable, kErrInvalid, func,
                "[KESMO]:Table offset(%u) is out of range(4 - %u)", h.t, len);
      break;
    case HeaderFault::vtable:
      log_fault(u, root ? kLineRootVtable : kLineVtable, kErrInvalid, func,
                "[KESMO]:Vtable offset(%u) is out of range(4 - %u)", h.vt, len - 4);
      break;
    case HeaderFault::vtable_len:
      log_fault(u, root ? kLineRootVtableLen : kLineVtableLen, kErrInvalid, func,
                "[KESMO]:Vtable Len(%u) is out of range(0 - %u)", h.vlen, len - h.vt);
      break;
    case HeaderFault::none:
      break;
  }
}

}  // namespace kav::detail
