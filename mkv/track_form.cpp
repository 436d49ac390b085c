// From a RealMedia stream's codec header to its Matroska track, by one table of codecs.
#include "mkv/track_form.h"

#include "rm/codec_header.h"

namespace mkv {

namespace {

struct CodecRow {
    const char* realCodec;  // as the RealMedia codec header names it
    const char* codecId;
    TrackKind kind;
    bool swapWords;
    bool pictureTimes;
};

// Every RealMedia codec Matroska holds. RealAudio 1.0 (14.4) headers of
// version 3 may name no codec: they are "lpcJ" all the same.
constexpr CodecRow kCodecs[] = {
    {"RV10", "V_REAL/RV10", TrackKind::Video, false, false},
    {"RV20", "V_REAL/RV20", TrackKind::Video, false, false},
    {"RV30", "V_REAL/RV30", TrackKind::Video, false, true},
    {"RV40", "V_REAL/RV40", TrackKind::Video, false, true},
    {"cook", "A_REAL/COOK", TrackKind::Audio, false, false},
    {"atrc", "A_REAL/ATRC", TrackKind::Audio, false, false},
    {"sipr", "A_REAL/SIPR", TrackKind::Audio, false, false},
    {"28_8", "A_REAL/28_8", TrackKind::Audio, false, false},
    {"lpcJ", "A_REAL/14_4", TrackKind::Audio, false, false},
    {"ralf", "A_REAL/RALF", TrackKind::Audio, false, false},
    {"dnet", "A_AC3", TrackKind::Audio, true, false},
};

constexpr uint32_t kRealAudio1Rate = 8000;
constexpr uint64_t kNanosecondsPerSecond = 1'000'000'000;

}  // namespace

std::optional<TrackForm> trackFor(const uint8_t* data, std::size_t size)
{
    const rm::CodecHeader header = rm::readCodecHeader(data, size);
    std::string code = header.codec;
    if (code.empty() && header.audio_version == 3)
        code = "lpcJ";
    for (const CodecRow& row : kCodecs) {
        if (code != row.realCodec)
            continue;
        TrackForm form;
        form.kind = row.kind;
        form.codecId = row.codecId;
        form.realCodec = row.realCodec;
        form.swapWords = row.swapWords;
        form.pictureTimes = row.pictureTimes;
        // AC-3 carries its own parameters; the Real codecs' decoders read
        // the RealMedia header itself.
        if (!row.swapWords) {
            const rm::CodecHeaderPlace place = rm::codecHeaderPlace(data, size);
            form.codecPrivate.assign(data + place.offset, data + place.offset + place.size);
        }
        form.width = header.width;
        form.height = header.height;
        if (header.frame_rate)
            form.frameDurationNs = kNanosecondsPerSecond * 65536 / *header.frame_rate;
        if (header.sample_rate)
            form.sampleRate = *header.sample_rate;
        form.channels = header.channels;
        if (header.audio_version == 3) {
            form.sampleRate = kRealAudio1Rate;
            form.channels = 1;
        }
        return form;
    }
    return std::nullopt;
}

}  // namespace mkv
