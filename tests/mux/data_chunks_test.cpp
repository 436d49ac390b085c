// Sources whose packets lie in several data chunks, carry version-1 packet
// headers, or end with an ID3v1 tag: every packet arrives, a good file
// raises no warning, and a count the data falls short of is told.
#include <gtest/gtest.h>

#include "mux/source_check.h"
#include "support/merge_run.h"
#include "support/rm_builder.h"
#include "support/rm_parser.h"
#include "support/temp_dir.h"

using namespace testing_rm;

namespace {

// A packet as its bytes: version 0 (flags 2 marks a keyframe), or version 1
// with asm_rule and asm_flags (bit 2 marks a keyframe) in a 13-byte header.
struct Packet {
    uint16_t stream;
    uint32_t timestamp;
    bool keyframe;
    std::string payload;

    std::string bytes(bool version1) const
    {
        if (!version1)
            return packet({stream, timestamp, payload, static_cast<uint8_t>(keyframe ? 2 : 0), 0, 0});
        return be16(1) + be16(static_cast<uint16_t>(13 + payload.size())) + be16(stream) + be32(timestamp) + be16(5)
               + static_cast<char>(keyframe ? 2 : 0) + payload;
    }
};

std::vector<Packet> videoAndSound()
{
    std::vector<Packet> packets;
    for (uint32_t k = 0; k < 12; ++k) {
        // Video frames of two packets each, a keyframe every fourth frame;
        // a sound packet between frames.
        const bool key = k % 4 == 0;
        packets.push_back({0, k * 250, key, "frame" + std::to_string(k) + "a"});
        packets.push_back({0, k * 250, key, "frame" + std::to_string(k) + "b"});
        packets.push_back({1, k * 250 + 10, false, "sound" + std::to_string(k)});
    }
    return packets;
}

enum class Chunks {
    One,
    TwoChained,       // the first's next_data_header points at the second
    TwoUnchained,     // next_data_header 0
    TwoWithoutSizes,  // size 18 and count 0 in both, as a writer that could not seek back leaves them
};

struct Layout {
    const char* name;
    Chunks chunks;
    bool version1 = false;
    bool id3Tail = false;        // a 128-byte ID3v1 tag after the packets, with DATA size 18
    uint32_t propExtra = 0;      // PROP num_packets this much above the packets present
    uint32_t secondExtra = 0;    // the second chunk's num_packets this much above its packets
};

// The whole file: RMF, PROP, a video and a sound stream header, the data
// chunks, and any tail.
std::string build(const Layout& layout, const std::vector<Packet>& packets)
{
    StreamSpec video;
    video.number = 0;
    video.mime = "video/x-pn-realvideo";
    video.duration = 3000;
    StreamSpec sound;
    sound.number = 1;
    sound.duration = 3000;
    const std::string head = chunkMdpr(video) + chunkMdpr(sound);
    const uint32_t dataOffset = 18 + 50 + static_cast<uint32_t>(head.size());

    const std::size_t split = layout.chunks == Chunks::One ? packets.size() : packets.size() / 2 + 1;
    std::string first, second;
    for (std::size_t k = 0; k < packets.size(); ++k)
        (k < split ? first : second) += packets[k].bytes(layout.version1);
    const uint32_t firstCount = static_cast<uint32_t>(split);
    const uint32_t secondCount = static_cast<uint32_t>(packets.size() - split);
    const bool sized = layout.chunks != Chunks::TwoWithoutSizes && !layout.id3Tail;
    const auto chunk = [&](const std::string& data, uint32_t count, uint32_t next) {
        return "DATA" + be32(sized ? static_cast<uint32_t>(18 + data.size()) : 18) + be16(0)
               + be32(sized ? count : 0) + be32(next) + data;
    };
    const uint32_t secondAt = dataOffset + 18 + static_cast<uint32_t>(first.size());
    std::string data = chunk(first, firstCount, layout.chunks == Chunks::TwoChained ? secondAt : 0);
    if (layout.chunks != Chunks::One)
        data += chunk(second, secondCount + layout.secondExtra, 0);
    std::string tail;
    if (layout.id3Tail)
        tail = "TAG" + std::string("A title") + std::string(120 - 7, ' ') + std::string(5, '\0');
    const uint32_t numPackets = sized ? static_cast<uint32_t>(packets.size()) + layout.propExtra : 0;
    return chunkRmf(4) + chunkProp({}, numPackets, 0, dataOffset, 2) + head + data + tail;
}

struct DataChunksFixture : ::testing::Test {
    TempDir dir;

    MuxJob merge(const std::string& source, bool strict)
    {
        RmMuxer muxer;
        addSources(muxer, {source});
        MuxJob job;
        job.selection[0] = job.selection[1] = 1;
        job.muxer = &muxer;
        job.strict = strict;
        job.verify = true;
        ResetMergeSignals();
        muxer.SetOutputPath(dir.file("out.rm"));
        MuxWorker(&job);
        return job;
    }
};

}  // namespace

TEST_F(DataChunksFixture, EveryPacketOfEveryLayoutArrivesWithoutAWarning)
{
    const Layout layouts[] = {
        {"one data chunk", Chunks::One},
        {"two chunks, chained", Chunks::TwoChained},
        {"two chunks, next_data_header 0", Chunks::TwoUnchained},
        {"two chunks without sizes", Chunks::TwoWithoutSizes},
        {"version-1 packets", Chunks::One, true},
        {"version-1 packets in two chunks", Chunks::TwoUnchained, true},
        {"an ID3v1 tag after data of size 18", Chunks::One, false, true},
        {"two chunks and an ID3v1 tag", Chunks::TwoUnchained, false, true},
    };
    const std::vector<Packet> packets = videoAndSound();
    for (const Layout& layout : layouts) {
        SCOPED_TRACE(layout.name);
        const std::string source = dir.file("in.rm");
        writeFileBytes(source, build(layout, packets));

        // check reads the file as a merge does: every packet, every keyframe, no problem.
        const SourceCheck checked = CheckSource(source);
        for (const CheckProblem& problem : checked.problems)
            ADD_FAILURE() << "problem at " << problem.offset << ": " << problem.text;
        ASSERT_EQ(checked.streams.size(), 2u);
        EXPECT_EQ(checked.streams[0].packets, 24u);
        EXPECT_EQ(checked.streams[0].keyframes, 6u);  // 3 keyframes of 2 packets
        EXPECT_EQ(checked.streams[1].packets, 12u);
        EXPECT_EQ(checked.streams[1].keyframes, 0u);

        // --strict --verify: no warning may stop it, and it reads back true.
        const MuxJob job = merge(source, true);
        ASSERT_EQ(job.outcome, MuxOutcome::Completed) << job.error;
        for (const MergeWarning& warning : job.warnings)
            ADD_FAILURE() << warning.message();
        std::string error;
        const auto out = parseRm(readFileBytes(dir.file("out.rm")), &error);
        ASSERT_TRUE(out) << error;
        ASSERT_EQ(out->packets.size(), packets.size());
        for (std::size_t k = 0; k < packets.size(); ++k) {
            const std::string bytes = packets[k].bytes(layout.version1);
            EXPECT_EQ(out->packets[k].number, packets[k].stream) << k;
            EXPECT_EQ(out->packets[k].version, layout.version1 ? 1 : 0) << k;
            EXPECT_EQ(out->packets[k].payload, bytes.substr(12)) << k;
        }
        // The video index, built from the keyframe marks: one record per keyframe.
        ASSERT_EQ(out->indexes.size(), 2u);
        ASSERT_EQ(out->indexes[0].records.size(), 3u);
        for (std::size_t r = 0; r < 3; ++r)
            EXPECT_EQ(out->indexes[0].records[r].timestamp, r * 1000);
        EXPECT_TRUE(CheckSource(dir.file("out.rm")).problems.empty());
    }
}

TEST_F(DataChunksFixture, CountsTheDataFallsShortOfAreToldAndStrictWritesNothing)
{
    struct Case {
        Layout layout;
        std::string warning;
        std::string problem;
    };
    const Case cases[] = {
        {{"properties count 3 more", Chunks::TwoChained, false, false, 3},
         "the properties count 39 packets, but only 36 were found in the data; the file may be cut short or damaged",
         "the properties count 39 packets, but the data chunks hold 36"},
        {{"second chunk counts 2 more", Chunks::TwoUnchained, false, false, 0, 2},
         "the headers count 19 packets, but only 17 were found; the file may be cut short or damaged",
         "the data chunk counts 19 packets, but 17 were found"},
    };
    const std::vector<Packet> packets = videoAndSound();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.layout.name);
        const std::string source = dir.file("in.rm");
        writeFileBytes(source, build(c.layout, packets));

        MuxJob job = merge(source, false);
        ASSERT_EQ(job.outcome, MuxOutcome::Completed) << job.error;
        ASSERT_EQ(job.warnings.size(), 1u);
        EXPECT_EQ(job.warnings[0].text, c.warning);
        ASSERT_EQ(job.streams.size(), 2u);
        EXPECT_EQ(job.streams[0].packets + job.streams[1].packets, 36u);

        bool named = false;
        for (const CheckProblem& problem : CheckSource(source).problems)
            named = named || problem.text == c.problem;
        EXPECT_TRUE(named) << c.problem;

        job = merge(source, true);
        EXPECT_EQ(job.outcome, MuxOutcome::Failed);
        EXPECT_EQ(job.error, "The merge stopped at its warnings; nothing was written");
    }
}
