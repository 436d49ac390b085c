// The four-letter object ids of the chunks the system reads and writes.
#pragma once

#include <cstring>

namespace rm {

inline constexpr char kIdFileHeader[] = ".RMF";
inline constexpr char kIdProperties[] = "PROP";
inline constexpr char kIdMediaProperties[] = "MDPR";
inline constexpr char kIdContent[] = "CONT";
inline constexpr char kIdData[] = "DATA";
inline constexpr char kIdIndex[] = "INDX";

// An object id as read from a file: four plain bytes, no terminator.
struct ChunkId {
    char bytes[4] = {};

    bool is(const char (&name)[5]) const { return std::memcmp(bytes, name, 4) == 0; }
    // Every id is four printable ASCII characters; zeros and noise are not.
    bool printable() const
    {
        for (const char c : bytes)
            if (c < 0x20 || c > 0x7E)
                return false;
        return true;
    }
};

}  // namespace rm
