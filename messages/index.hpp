// Every message's identity record, the one its codec functions hand to the engine: for tools inside
// this project that walk messages by the engine's tables (the inspector, the Python module) and
// would otherwise compile every description again. Internal to the codec library, never exported.
#pragma once

#include <span>

#include "codec/layout.hpp"

namespace kav::catalogue {

// kav first, then kav_sync, each package in registration order (KAV_MESSAGES, KAV_SYNC_MESSAGES).
std::span<const detail::Message* const> message_infos() noexcept;

}  // namespace kav::catalogue
