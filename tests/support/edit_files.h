// Sources for the append, trim, split and delay tests: a generated film with
// keyframes every half second, and running kestrova-cli on files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/process.h"
#include "support/rm_builder.h"
#include "support/rm_parser.h"
#include "support/temp_dir.h"

namespace testing_rm {

// A video stream (0) at 20 frames a second with a keyframe every 500 ms,
// each frame of two packets, and an audio stream (1) with a packet every
// 100 ms and a block start (keyframe flag) every 400 ms, from `firstMs`
// to `endMs`. Every payload names its stream and time, so that a packet
// found in an output tells where it came from.
struct FilmPlan {
    uint32_t firstMs = 0;
    uint32_t endMs = 10000;
    bool indexed = true;  // index records for each keyframe and each audio second
    RealVideoSpec video;
    RealAudioSpec audio;
};
FileSpec filmLayout(const FilmPlan& film);
std::string filmBytes(const FilmPlan& film);

// kestrova-cli with these arguments.
Outcome cli(std::vector<std::string> args);

// Each packet's payload, of one stream, in file order.
std::vector<std::string> payloadsOf(const std::vector<ParsedPacket>& packets);

}  // namespace testing_rm
