// The packets the fuzz targets expect a reader to find in arbitrary bytes,
// found without the engine: after each "DATA" id, the packets that lie back
// to back behind its 18-byte header, and on through every data chunk header
// that stands where the next packet would.
#pragma once

#include <string>
#include <vector>

#include "support/rm_parser.h"

namespace testing_rm {

inline constexpr uint64_t kDataHeaderBytes = 18;

// One run of packets for each "DATA" id in `source`, in file order: a data
// chunk header where a packet would start is stepped over, as a reader does.
inline std::vector<std::vector<ParsedPacket>> packetRuns(const std::string& source)
{
    std::vector<std::vector<ParsedPacket>> runs;
    for (auto at = source.find("DATA"); at != std::string::npos; at = source.find("DATA", at + 1)) {
        std::vector<ParsedPacket> run;
        for (uint64_t pos = at + kDataHeaderBytes; pos + 12 <= source.size();) {
            if (pos + kDataHeaderBytes <= source.size() && source.compare(pos, 4, "DATA") == 0) {
                pos += kDataHeaderBytes;
                continue;
            }
            const auto length = static_cast<uint64_t>(static_cast<uint8_t>(source[pos + 2]) << 8
                                                      | static_cast<uint8_t>(source[pos + 3]));
            const std::vector<ParsedPacket> one = readPackets(source, pos, pos + length);
            if (one.empty())
                break;
            run.push_back(one.front());
            pos += length;
        }
        runs.push_back(std::move(run));
    }
    return runs;
}

}  // namespace testing_rm
