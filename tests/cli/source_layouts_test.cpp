// Sources laid out as other programs write them, merged by kestrova-cli:
// every packet of every stream arrives, packet for packet, the output reads
// cleanly with ffprobe and decodes with ffmpeg, and where a source is
// damaged the merge says so.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/cli_run.h"
#include "support/process.h"
#include "support/rm_builder.h"
#include "support/rm_parser.h"
#include "support/stream_checks.h"
#include "support/temp_dir.h"

using namespace testing_rm;
namespace fs = std::filesystem;

namespace {

// A byte offset as messages give it: "61,749".
std::string offsetText(uint64_t offset)
{
    std::string digits = std::to_string(offset);
    for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return digits;
}

// Places in a file written by ffmpeg, found with our own reader.
struct Edit {
    std::string bytes;
    ParsedFile parsed;
    explicit Edit(const std::string& path) : bytes(readFileBytes(path)), parsed(parseSource(bytes).value()) {}

    uint64_t prop() const { return bytes.find("PROP"); }
    void put32(uint64_t at, uint32_t v) { bytes.replace(at, 4, be32(v)); }
    void setCounts(uint32_t packets)
    {
        put32(prop() + 26, packets);
        put32(parsed.dataOffset + 10, packets);
    }
};

struct LayoutFixture : ::testing::Test {
    TempDir dir;
    std::string out = dir.file("out.rm");

    void SetUp() override
    {
        if (!haveProgram("ffprobe") || !haveProgram("ffmpeg"))
            GTEST_SKIP() << "needs ffmpeg and ffprobe";
    }

    std::string write(const std::string& name, const std::string& bytes)
    {
        writeFileBytes(dir.file(name), bytes);
        return dir.file(name);
    }

    // Merges every stream of `source`; each must equal the same stream of
    // `reference` (the file as its writer made it), and the output decode.
    Outcome mergeAllAndCompare(const std::string& source, const std::string& reference, int streams)
    {
        const Outcome o = cli({"merge", "--quiet", "-o", out, source});
        EXPECT_EQ(o.status, 0) << o.err;
        for (int n = 0; n < streams; ++n)
            expectSameStream(reference, static_cast<uint16_t>(n), out, static_cast<uint16_t>(n));
        expectDecodes(out);
        return o;
    }
};

}  // namespace

TEST_F(LayoutFixture, FileWrittenToAPipeGivesEveryPacket)
{
    // ffmpeg writing to a pipe cannot go back to fill in its counts and
    // sizes: PROP and DATA count 0 packets, and the data chunk's size is 18.
    const std::string encode =
        "ffmpeg -nostdin -v error -f lavfi -i testsrc=size=128x96:rate=12:duration=2 -f lavfi -i "
        "sine=frequency=300:duration=2:sample_rate=44100 -c:v rv20 -c:a ac3 -b:a 64k -f rm ";
    const std::string piped = dir.file("piped.rm");
    const std::string seekable = dir.file("seekable.rm");
    ASSERT_EQ(run({"sh", "-c", encode + "pipe:1 > " + shellQuote(piped)}).status, 0);
    ASSERT_EQ(run({"sh", "-c", encode + shellQuote(seekable)}).status, 0);
    const Edit edit(piped);
    ASSERT_EQ(edit.parsed.numPackets, 0u);
    ASSERT_EQ(edit.parsed.dataSize, 18u);
    // The same packets as the file ffmpeg could seek in.
    const ParsedFile complete = parseSource(readFileBytes(seekable)).value();
    ASSERT_EQ(edit.parsed.packets.size(), complete.numPackets);

    const Outcome o = mergeAllAndCompare(piped, piped, 2);
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(parseRm(readFileBytes(out))->numPackets, complete.numPackets);
}

TEST_F(LayoutFixture, CountsSmallerThanThePacketsPresentStopNothing)
{
    const std::string original = dataFile("video_rv20_ac3.rm");
    Edit edit(original);
    const uint32_t packets = static_cast<uint32_t>(edit.parsed.packets.size());
    edit.setCounts(10);
    const std::string source = write("counted.rm", edit.bytes);
    const Outcome o = mergeAllAndCompare(source, original, 2);
    EXPECT_EQ(o.err, "kestrova-cli: warning: " + source + " at byte " + offsetText(edit.parsed.dataOffset + 18)
                         + ": the headers count 10 packets, but the data chunk holds " + std::to_string(packets)
                         + "; all of them were read\n");
}

TEST_F(LayoutFixture, ChunkOfAnotherKindInTheHeaderSectionIsPassedOver)
{
    // A vendor's 22-byte chunk after PROP; data_offset moves with the data.
    const std::string original = dataFile("video_rv20_ac3.rm");
    Edit edit(original);
    const uint64_t afterProp = edit.prop() + 50;
    edit.put32(edit.prop() + 42, static_cast<uint32_t>(edit.parsed.dataOffset + 22));
    edit.bytes.insert(afterProp, "XTRA" + be32(22) + be16(0) + std::string(12, '\x7f'));
    const std::string source = write("xtra.rm", edit.bytes);
    EXPECT_EQ(mergeAllAndCompare(source, original, 2).err, "");
}

TEST_F(LayoutFixture, DataOffsetThatMissesTheDataChunkIsFoundByWalking)
{
    const std::string original = dataFile("audio_ac3_meta.rm");
    Edit edit(original);
    edit.put32(edit.prop() + 42, 20);
    const std::string source = write("offset.rm", edit.bytes);
    EXPECT_EQ(mergeAllAndCompare(source, original, 1).err, "");
}

TEST_F(LayoutFixture, SourceCutInsideItsDataWarnsAndStrictWritesNothing)
{
    const std::string whole = readFileBytes(dataFile("video_rv10.rm"));
    const ParsedFile parsed = parseSource(whole).value();
    const ParsedPacket& cutPacket = parsed.packets[20];
    const std::string source = write("cut.rm", whole.substr(0, cutPacket.offset + 7));
    const std::string warning = "kestrova-cli: warning: " + source + " at byte " + offsetText(cutPacket.offset)
                                + ": the data ends inside a packet; the 20 packets before it were copied, of the "
                                + "30 packets its headers count\n";

    // The report: the warning on stderr in every mode, the streams on stdout.
    Outcome o = cli({"merge", "-o", out, source});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out,
              "Wrote " + out + "\nstream 0: 20 packets from " + source + " stream 0, 2 index records built\n");
    EXPECT_EQ(o.err, warning);
    EXPECT_EQ(packetsOf(parseRm(readFileBytes(out)).value(), 0).size(), 20u);
    expectDecodes(out);
    fs::remove(out);

    o = cli({"merge", "--quiet", "-o", out, source});
    EXPECT_EQ(o.out, "");
    EXPECT_NE(o.err.find(warning), std::string::npos) << o.err;
    fs::remove(out);

    // --strict: the warning fails the merge, and nothing is written.
    writeFileBytes(out, "older file");
    o = cli({"merge", "--strict", "-o", out, source});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "");
    EXPECT_NE(o.err.find(warning), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("kestrova-cli: The merge stopped at its warnings; nothing was written\n"), std::string::npos)
        << o.err;
    EXPECT_EQ(readFileBytes(out), "older file");
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"cut.rm", "out.rm"}));
}
