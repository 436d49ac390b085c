// kestrova-cli append: parts of one film end to end, on a real RV40 + cook
// file and on generated ones, and the parts it refuses.
#include <gtest/gtest.h>

#include <map>

#include "support/edit_files.h"
#include "support/temp_dir.h"

using namespace testing_rm;

namespace {

// ffmpeg's decoded frames of a file, by stream: each frame's checksum.
std::map<int, std::vector<std::string>> decodedFrames(const std::string& path)
{
    const Outcome o = run({"ffmpeg", "-v", "error", "-i", path, "-map", "0:v", "-map", "0:a", "-f", "framemd5", "-"});
    EXPECT_EQ(o.status, 0) << o.err;
    std::map<int, std::vector<std::string>> frames;
    std::size_t from = 0;
    while (from < o.out.size()) {
        const std::size_t end = std::min(o.out.find('\n', from), o.out.size());
        const std::string line = o.out.substr(from, end - from);
        from = end + 1;
        if (line.empty() || line[0] == '#')
            continue;
        frames[std::stoi(line)].push_back(line.substr(line.rfind(',') + 1));
    }
    return frames;
}

}  // namespace

TEST(Append, RealFileToItselfDecodesAsItsFramesTwice)
{
    if (!haveProgram("ffmpeg"))
        GTEST_SKIP() << "ffmpeg is not installed";
    TempDir dir;
    const std::string source = realFile("rv40_bframes_cook_helix90.rmvb");
    const std::string out = dir.file("twice.rmvb");
    const Outcome o = cli({"append", "-o", out, source + ":1,0", source + ":1,0"});
    ASSERT_EQ(o.status, 0) << o.err;

    // Every video frame decodes as the parts' frames one after another.
    const auto once = decodedFrames(source);
    const auto twice = decodedFrames(out);
    ASSERT_EQ(once.size(), 2u);
    ASSERT_EQ(twice.size(), 2u);
    // (ffmpeg is asked for the video first, then the audio.)
    const std::vector<std::string>& video = once.at(0);
    std::vector<std::string> videoTwice = video;
    videoTwice.insert(videoTwice.end(), video.begin(), video.end());
    EXPECT_EQ(twice.at(0), videoTwice);
    // Cook decoding carries state (overlap, noise filling) from one frame to
    // the next, so the second part's audio cannot decode to the first's bytes:
    // its packets are compared instead, and ffmpeg must decode all of it.
    EXPECT_GE(twice.at(1).size(), 2 * once.at(1).size());
    const ParsedFile input = parseSource(readFileBytes(source)).value();
    std::vector<std::string> audioTwice = payloadsOf(packetsOf(input, 0));
    const std::vector<std::string> audioOnce = audioTwice;
    audioTwice.insert(audioTwice.end(), audioOnce.begin(), audioOnce.end());

    const ParsedFile file = parseRm(readFileBytes(out)).value();
    EXPECT_EQ(payloadsOf(packetsOf(file, 1)), audioTwice);
    for (uint16_t stream : {0, 1}) {
        const std::vector<ParsedPacket> packets = packetsOf(file, stream);
        const std::size_t half = packets.size() / 2;
        uint32_t firstHalfEnd = 0;
        for (std::size_t k = 0; k < half; ++k)
            firstHalfEnd = std::max(firstHalfEnd, packets[k].timestamp);
        for (std::size_t k = half; k < packets.size(); ++k)
            EXPECT_GT(packets[k].timestamp, firstHalfEnd) << "stream " << stream << " packet " << k;
    }
    const Outcome check = cli({"check", out});
    EXPECT_EQ(check.status, 0) << check.out << check.err;
}

TEST(Append, ThreePartsAreShiftedEachAsOneBlock)
{
    TempDir dir;
    const auto film = [](uint32_t firstMs, uint32_t endMs) {
        FilmPlan plan;
        plan.firstMs = firstMs;
        plan.endMs = endMs;
        return plan;
    };
    const FilmPlan films[] = {film(0, 3000), film(0, 2050), film(500, 4000)};
    std::vector<std::string> args = {"append", "-o", dir.file("out.rm")};
    std::vector<ParsedFile> parts;
    for (std::size_t p = 0; p < 3; ++p) {
        const std::string path = dir.file("part" + std::to_string(p) + ".rm");
        writeFileBytes(path, filmBytes(films[p]));
        parts.push_back(parseRm(readFileBytes(path)).value());
        args.push_back(path);
    }
    const Outcome o = cli(args);
    ASSERT_EQ(o.status, 0) << o.err;
    const ParsedFile out = parseRm(readFileBytes(dir.file("out.rm"))).value();

    // A part ends where its header says (3000 and 2050: its streams'
    // durations), its last unit not yet ended there. The third part is
    // placed by its own first timestamp, 500, at 3000 + 2050.
    const uint32_t shifts[] = {0, 3000, 3000 + 2050 - 500};
    for (uint16_t stream : {0, 1}) {
        const std::vector<ParsedPacket> written = packetsOf(out, stream);
        std::size_t at = 0;
        for (std::size_t p = 0; p < 3; ++p)
            for (const ParsedPacket& packet : packetsOf(parts[p], stream)) {
                ASSERT_LT(at, written.size());
                EXPECT_EQ(written[at].payload, packet.payload);
                EXPECT_EQ(written[at].timestamp, packet.timestamp + shifts[p]) << packet.payload;
                EXPECT_EQ(written[at].flags, packet.flags);
                ++at;
            }
        EXPECT_EQ(at, written.size()) << "stream " << stream;
    }
    // The last frame lasts 40 ms, by the 25 frames a second of its codec
    // header; the last block 1858 ms, by its cook header.
    EXPECT_EQ(out.streams[0].duration, shifts[2] + 3950 + 40);
    EXPECT_EQ(out.streams[1].duration, shifts[2] + 3600 + 1858);
    EXPECT_EQ(out.duration, shifts[2] + 3600 + 1858);
    EXPECT_EQ(out.numPackets, parts[0].packets.size() + parts[1].packets.size() + parts[2].packets.size());
    // Index records for the whole output, each at its packet.
    ASSERT_EQ(out.indexes.size(), 2u);
    std::size_t records = 0;
    for (const ParsedIndex& index : out.indexes)
        for (const ParsedIndexRecord& record : index.records) {
            ASSERT_LT(record.packetCount, out.packets.size());
            const ParsedPacket& packet = out.packets[record.packetCount];
            EXPECT_EQ(packet.offset, record.offset);
            EXPECT_EQ(packet.number, index.number);
            EXPECT_EQ(packet.timestamp, record.timestamp);
            ++records;
        }
    EXPECT_EQ(records, parts[0].indexes[0].numIndices + parts[0].indexes[1].numIndices
                           + parts[1].indexes[0].numIndices + parts[1].indexes[1].numIndices
                           + parts[2].indexes[0].numIndices + parts[2].indexes[1].numIndices);
    // --verify reads it back against the parts, shifts and all.
    args.insert(args.begin() + 1, "--verify");
    const Outcome verified = cli(args);
    EXPECT_EQ(verified.status, 0) << verified.err;
}

TEST(Append, PartsThatDoNotDecodeAlikeAreRefusedBeforeAnythingIsWritten)
{
    FilmPlan rv30;
    rv30.video.codec = "RV30";
    FilmPlan larger;
    larger.video.width = 640;
    FilmPlan otherRate;
    otherRate.audio.sampleRate = 22050;
    FilmPlan otherData;
    otherData.audio.codecData[2] = 9;
    FilmPlan otherFps;  // a frame rate does not change how frames decode
    otherFps.video.fps = 30 << 16;
    const struct {
        const char* what;
        FilmPlan second;
        std::string suffix;  // of the second part's argument
        const char* message;
    } rows[] = {
        {"codec", rv30, "", "b.rm, video: RV30 320x240; a.rm has RV40 320x240"},
        {"frame size", larger, "", "b.rm, video: RV40 640x240; a.rm has RV40 320x240"},
        {"sample rate", otherRate, "", "b.rm, audio: cook 22050 Hz 2 channels; a.rm has cook 44100 Hz 2 channels"},
        {"codec data", otherData, "", "b.rm, audio: cook 44100 Hz 2 channels with other codec parameters"},
        {"stream count", FilmPlan{}, ":0", "b.rm gives 1 stream; a.rm gives 2 streams"},
        {"kind", FilmPlan{}, ":1,0", "b.rm, video: audio/x-pn-realaudio; a.rm has video/x-pn-realvideo\n"
                              "b.rm, audio: video/x-pn-realvideo; a.rm has audio/x-pn-realaudio"},
        {"frame rate", otherFps, "", nullptr},
    };
    for (const auto& row : rows) {
        TempDir dir;
        writeFileBytes(dir.file("a.rm"), filmBytes(FilmPlan{}));
        writeFileBytes(dir.file("b.rm"), filmBytes(row.second));
        const Outcome o = cli({"append", "-o", dir.file("out.rm"), dir.file("a.rm"), dir.file("b.rm") + row.suffix});
        if (!row.message) {
            EXPECT_EQ(o.status, 0) << row.what << ": " << o.err;
            continue;
        }
        EXPECT_EQ(o.status, 2) << row.what;
        EXPECT_NE(o.err.find(row.message), std::string::npos) << row.what << ": " << o.err;
        EXPECT_EQ(dir.entries(), (std::vector<std::string>{"a.rm", "b.rm"})) << row.what;
    }
}
