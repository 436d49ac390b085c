#include "cli/list_command.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "cli/json.h"
#include "mux/rm_muxer.h"
#include "mux/source_details.h"

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
    StreamDetails details;
};

// The stream's details as JSON members, each with a leading ", "; figures
// the stream does not carry are left out.
std::string jsonDetails(const StreamDetails& d)
{
    std::string out = ", \"codec\": " + jsonString(d.codec) + ", \"bit_rate\": " + std::to_string(d.bitRate)
                      + ", \"max_bit_rate\": " + std::to_string(d.maxBitRate)
                      + ", \"preroll_ms\": " + std::to_string(d.prerollMs);
    if (d.width)
        out += ", \"width\": " + std::to_string(*d.width);
    if (d.height)
        out += ", \"height\": " + std::to_string(*d.height);
    if (d.fps) {
        char fps[32];
        std::snprintf(fps, sizeof fps, "%.6g", *d.fps);
        out += ", \"fps\": " + std::string(fps);
    }
    if (d.sampleRate)
        out += ", \"sample_rate\": " + std::to_string(*d.sampleRate);
    if (d.channels)
        out += ", \"channels\": " + std::to_string(*d.channels);
    if (d.rates)
        out += ", \"rates\": " + std::to_string(*d.rates);
    return out;
}

std::string jsonFileDetails(const SourceDetails& d)
{
    return ", \"size\": " + std::to_string(d.size) + ", \"duration_ms\": " + std::to_string(d.durationMs)
           + ", \"title\": " + jsonString(d.title) + ", \"author\": " + jsonString(d.author)
           + ", \"copyright\": " + jsonString(d.copyright) + ", \"comment\": " + jsonString(d.comment)
           + ", \"indexed\": " + (d.indexed ? "true" : "false");
}

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
            if (!muxer.LastScanReason().empty())
                std::fprintf(stderr, "  %s\n", muxer.LastScanReason().c_str());
            // A file that cannot be opened is bad input, as merge judges it;
            // one that opened but is not usable is refused.
            status = std::max(status, muxer.LastScanError() == ScanError::CannotOpen ? kCannotOpen : kRefused);
            continue;
        }
        const SourceDetails details = ScannedSourceDetails(muxer);
        std::vector<ListedStream> streams;
        for (int32_t k = 0; k < count; ++k) {
            const rm::RmStreamHeader& slot = muxer.m_streams[k];
            streams.push_back({numbers[k], kinds[k], names[k], std::string(slot.mime_type, slot.mime_type_size),
                               slot.fixed.duration, details.streams[k]});
        }
        if (json) {
            std::printf("%s\n  {\"path\": %s%s, \"streams\": [", firstFile ? "" : ",", jsonString(path).c_str(),
                        jsonFileDetails(details).c_str());
            for (std::size_t k = 0; k < streams.size(); ++k) {
                const ListedStream& s = streams[k];
                std::printf("%s\n    {\"number\": %u, \"kind\": \"%s\", \"name\": %s, \"mime\": %s, \"duration_ms\": %u%s}",
                            k ? "," : "", s.number, kindName(s.kind), jsonString(s.name).c_str(),
                            jsonString(s.mime).c_str(), s.durationMs, jsonDetails(s.details).c_str());
            }
            std::printf("\n  ]}");
        } else {
            std::printf("%s\n", path.c_str());
            for (const ListedStream& s : streams) {
                const std::string summary = StreamSummary(s.details);
                std::printf("  %u  %-7s  %-24s  %-24s  %8u ms%s%s\n", s.number, kindName(s.kind), s.name.c_str(),
                            s.mime.c_str(), s.durationMs, summary.empty() ? "" : "  ", summary.c_str());
            }
        }
        firstFile = false;
    }
    if (json)
        std::printf("%s]\n", firstFile ? "" : "\n");
    return status;
}
