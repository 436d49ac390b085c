// The time scale of the Matroska files written: block times count ms, as RealMedia's do.
#pragma once

#include <cstdint>

namespace mkv {

inline constexpr uint64_t kNanosecondsPerMs = 1'000'000;

}  // namespace mkv
