// Checks of a merged file against its sources, with our strict reader and
// with ffprobe and ffmpeg as outside judges.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testing_rm {

// One line per packet of a stream, as ffprobe demuxes it.
std::vector<std::string> probePackets(const std::string& path, int stream);

// The merged stream equals its source stream packet for packet, in our
// reader and in ffprobe's; its stream header is the source's but for its number.
void expectSameStream(const std::string& source, uint16_t sourceNumber, const std::string& merged,
                      uint16_t mergedNumber);

// ffmpeg decodes every packet of every stream without a word.
void expectDecodes(const std::string& path);

}  // namespace testing_rm
