// Last-write times at full precision, in the 100-nanosecond units since 1601 that stored file records use.
//
// Implements: the last-write time of a file on disk (names resolved as ResolveFileName does), converted from the
// file system's seconds and nanoseconds. Leaves out: creation and access times, setting times.
#pragma once

#include <cstdint>
#include <string>

namespace Platform
{

// 0 when the file cannot be found.
uint64_t FileWriteTime(const std::string& name);

} // namespace Platform
