#include "rm/reversed.h"

#include <cassert>
#include <cstdint>
#include <cstring>

#include "rm/input_file.h"
#include "rm/output_file.h"

namespace rm {

void reverseBytes(const void* src, void* dst, std::size_t n)
{
    const auto* s = static_cast<const uint8_t*>(src);
    auto* d = static_cast<uint8_t*>(dst);
    for (std::size_t k = 0; k < n; ++k)
        d[k] = s[n - 1 - k];
}

bool readReversed(InFile& in, void* dst, std::size_t n)
{
    assert(n <= kMaxReversedRecord);
    uint8_t scratch[kMaxReversedRecord];
    if (in.read(scratch, n) != n) {
        std::memset(dst, 0, n);
        return false;
    }
    reverseBytes(scratch, dst, n);
    return true;
}

bool writeReversed(OutFile& out, const void* src, std::size_t n)
{
    assert(n <= kMaxReversedRecord);
    uint8_t scratch[kMaxReversedRecord];
    reverseBytes(src, scratch, n);
    return out.write(scratch, n);
}

}  // namespace rm
