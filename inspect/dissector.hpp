// The Wireshark dissector of kav captures, generated from the catalogue: one Lua file that reads
// the capture records of trace/kav_capture.h and every message they carry.
#pragma once

#include <string>

namespace kav::inspect {

// The whole dissector as Lua source (`kav --wireshark-lua`, installed as kav.lua).
std::string wireshark_lua();

}  // namespace kav::inspect
