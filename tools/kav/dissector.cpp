#include "dissector.hpp"

namespace kav::inspect {

std::string wireshark_lua() { return "-- kav\n"; }

}  // namespace kav::inspect
