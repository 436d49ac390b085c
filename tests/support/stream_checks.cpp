#include "support/stream_checks.h"

#include <gtest/gtest.h>

#include <sstream>

#include "support/process.h"
#include "support/rm_parser.h"

namespace testing_rm {

std::vector<std::string> probePackets(const std::string& path, int stream)
{
    const Outcome o = run({"ffprobe", "-v", "error", "-select_streams", std::to_string(stream), "-show_entries",
                           "packet=pts,dts,duration,size,flags", "-of", "csv", path});
    EXPECT_EQ(o.status, 0) << o.err;
    std::vector<std::string> lines;
    std::istringstream in(o.out);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

void expectSameStream(const std::string& source, uint16_t sourceNumber, const std::string& merged,
                      uint16_t mergedNumber)
{
    const ParsedFile in = parseSource(readFileBytes(source)).value();
    std::string error;
    const auto out = parseRm(readFileBytes(merged), &error);
    ASSERT_TRUE(out) << error;
    const auto expected = packetsOf(in, sourceNumber);
    const auto actual = packetsOf(*out, mergedNumber);
    ASSERT_EQ(actual.size(), expected.size()) << source;
    for (std::size_t k = 0; k < expected.size(); ++k) {
        EXPECT_EQ(actual[k].timestamp, expected[k].timestamp);
        EXPECT_EQ(actual[k].flags, expected[k].flags);
        EXPECT_EQ(actual[k].group, expected[k].group);
        EXPECT_EQ(actual[k].version, expected[k].version);
        ASSERT_EQ(actual[k].payload, expected[k].payload) << source << " packet " << k;
    }
    // The stream header travels unchanged but for its number and the
    // figures of what was written (rates, packet sizes).
    for (const ParsedStream& s : in.streams)
        if (s.number == sourceNumber) {
            const ParsedStream& m = out->streams.at(mergedNumber);
            EXPECT_EQ(m.name, s.name);
            EXPECT_EQ(m.mime, s.mime);
            EXPECT_EQ(m.typeSpecific, s.typeSpecific);
            EXPECT_EQ(m.duration, s.duration);
            EXPECT_EQ(m.size, s.size);
        }
    EXPECT_EQ(probePackets(merged, mergedNumber), probePackets(source, sourceNumber));
}

void expectDecodes(const std::string& path)
{
    const Outcome o = run({"ffmpeg", "-nostdin", "-v", "error", "-i", path, "-map", "0", "-f", "null", "-"});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.err, "") << path;
}

}  // namespace testing_rm
