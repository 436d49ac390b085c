// The generated film of the edit tests, and running kestrova-cli on it.
#include "support/edit_files.h"

#include <algorithm>

namespace testing_rm {

FileSpec filmLayout(const FilmPlan& film)
{
    FileSpec plan;
    StreamSpec video;
    video.number = 0;
    video.mime = "video/x-pn-realvideo";
    video.name = "Video";
    video.typeSpecific = realVideoHeader(film.video);
    video.duration = film.endMs - film.firstMs;
    StreamSpec audio;
    audio.number = 1;
    audio.mime = "audio/x-pn-realaudio";
    audio.name = "Audio";
    audio.typeSpecific = realAudioHeader(film.audio);
    audio.duration = film.endMs - film.firstMs;
    plan.streams = {video, audio};
    plan.props.duration = film.endMs - film.firstMs;

    std::vector<uint32_t> keyframes, seconds;
    for (uint32_t t = film.firstMs; t < film.endMs; t += 50) {
        // Audio first at equal times, as producers interleave it.
        if (t % 100 == 0) {
            const bool block = t % 400 == 0;
            plan.packets.push_back({1, t, "a" + std::to_string(t), static_cast<uint8_t>(block ? 2 : 0)});
            if (t % 1000 == 0)
                seconds.push_back(t);
        }
        {
            const bool key = t % 500 == 0 || t == film.firstMs;
            for (int piece = 0; piece < 2; ++piece)
                plan.packets.push_back(
                    {0, t, "v" + std::to_string(t) + "." + std::to_string(piece), static_cast<uint8_t>(key ? 2 : 0)});
            if (key)
                keyframes.push_back(t);
        }
    }
    if (film.indexed)
        plan.indexes = {{0, keyframes}, {1, seconds}};
    return plan;
}

std::string filmBytes(const FilmPlan& film)
{
    return buildFile(filmLayout(film));
}

Outcome cli(std::vector<std::string> args)
{
    args.insert(args.begin(), KESTROVA_CLI);
    return run(args);
}

std::vector<std::string> payloadsOf(const std::vector<ParsedPacket>& packets)
{
    std::vector<std::string> payloads;
    for (const ParsedPacket& packet : packets)
        payloads.push_back(packet.payload);
    return payloads;
}

}  // namespace testing_rm
