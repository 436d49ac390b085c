// The two primitives that move a record image between a file and memory.
#pragma once

#include <cstddef>

namespace rm {

class InFile;
class OutFile;

// Largest record the primitives move; every record image is far smaller.
inline constexpr std::size_t kMaxReversedRecord = 200;

// Stores the n bytes of src in dst in reverse order: a record's disk bytes
// become its image, and an image its disk bytes.
void reverseBytes(const void* src, void* dst, std::size_t n);

// Reads n bytes in one call and stores them reversed in dst. A record that
// cannot be read whole is zero-filled and the result is false.
bool readReversed(InFile& in, void* dst, std::size_t n);

// Writes the n bytes of src reversed, in one call; src is not changed.
bool writeReversed(OutFile& out, const void* src, std::size_t n);

}  // namespace rm
