// A counting host for the fuzz targets and their replay: it exports the platform's five OSAL
// services (the cache allocator selected), keeps every live block with its size and origin, and
// stops the process on a release it did not hand out or a log record of the wrong shape.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kav::fuzz::host {

// Blocks handed out by either allocator and not yet released.
std::uint32_t live_blocks();
// Size of the live block at p, or SIZE_MAX when p is not a live block.
std::size_t block_size(const void* p);
// Log records written so far.
std::uint64_t log_count();

}  // namespace kav::fuzz::host
