#include "cli/list_command.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "cli/json.h"
#include "mux/rm_muxer.h"

namespace {

constexpr int kRefused = 1;
constexpr int kCannotOpen = 2;

const char* kindName(int32_t kind)
{
    switch (kind) {
    case kVideoStream:
        return "video";
    case kAudioStream:
        return "audio";
    default:
        return "unknown";
    }
}

struct ListedStream {
    uint16_t number;
    int32_t kind;
    std::string name;
    std::string mime;
    uint32_t durationMs;
};

}  // namespace

int listCommand(const std::vector<std::string>& files, bool json)
{
    int status = 0;
    bool firstFile = true;
    if (json)
        std::printf("[");
    for (const std::string& path : files) {
        // A muxer of its own for each file: listing is not limited to the
        // ten sources of a merge.
        RmMuxer muxer;
        char names[kMaxStreams][rm::kNameCapacity];
        int32_t kinds[kMaxStreams];
        uint16_t numbers[kMaxStreams];
        const int32_t count = muxer.Scan(path, names, kinds, numbers);
        if (count == 0) {
            std::fprintf(stderr, "%s: %s\n", path.c_str(), muxer.LastScanMessage().c_str());
            // A file that cannot be opened is bad input, as merge judges it;
            // one that opened but is not usable is refused.
            status = std::max(status, muxer.LastScanError() == ScanError::CannotOpen ? kCannotOpen : kRefused);
            continue;
        }
        std::vector<ListedStream> streams;
        for (int32_t k = 0; k < count; ++k) {
            const rm::RmStreamHeader& slot = muxer.m_streams[k];
            streams.push_back({numbers[k], kinds[k], names[k], std::string(slot.mime_type, slot.mime_type_size),
                               slot.fixed.duration});
        }
        if (json) {
            std::printf("%s\n  {\"path\": %s, \"streams\": [", firstFile ? "" : ",", jsonString(path).c_str());
            for (std::size_t k = 0; k < streams.size(); ++k) {
                const ListedStream& s = streams[k];
                std::printf("%s\n    {\"number\": %u, \"kind\": \"%s\", \"name\": %s, \"mime\": %s, \"duration_ms\": %u}",
                            k ? "," : "", s.number, kindName(s.kind), jsonString(s.name).c_str(),
                            jsonString(s.mime).c_str(), s.durationMs);
            }
            std::printf("\n  ]}");
        } else {
            std::printf("%s\n", path.c_str());
            for (const ListedStream& s : streams)
                std::printf("  %u  %-7s  %-24s  %-24s  %u ms\n", s.number, kindName(s.kind), s.name.c_str(),
                            s.mime.c_str(), s.durationMs);
        }
        firstFile = false;
    }
    if (json)
        std::printf("%s]\n", firstFile ? "" : "\n");
    return status;
}
