// Stream header and content chunks: variable fields, limits and round trips.
#include <gtest/gtest.h>

#include "rm/chunk_readers.h"
#include "rm/chunk_writers.h"
#include "rm/input_file.h"
#include "rm/output_file.h"
#include "support/packed.h"
#include "support/rm_builder.h"
#include "support/rm_parser.h"
#include "support/temp_dir.h"

using namespace testing_rm;

namespace {

struct ChunkFixture : ::testing::Test {
    TempDir dir;

    // Opens a file holding `bytes` and reads past the first chunk id.
    rm::InFile& openAfterId(const std::string& bytes)
    {
        writeFileBytes(dir.file("in"), bytes);
        EXPECT_TRUE(in.open(dir.file("in")));
        rm::ChunkId id;
        EXPECT_TRUE(rm::readChunkId(in, id));
        return in;
    }

    template <class Write>
    std::string written(Write write)
    {
        rm::OutFile out;
        EXPECT_TRUE(out.create(dir.file("out")));
        EXPECT_TRUE(write(out));
        EXPECT_TRUE(out.close());
        return readFileBytes(dir.file("out"));
    }

    rm::InFile in;
};

}  // namespace

TEST_F(ChunkFixture, StreamHeaderReadsEveryFieldAndWritesBackUnchanged)
{
    StreamSpec s;
    s.number = 4;
    s.duration = 4000;
    s.name = "Video Stream";
    s.mime = "video/x-pn-realvideo";
    s.typeSpecific = std::string("\x00\x01VIDORV20", 10);
    s.maxBitRate = 11;
    s.avgBitRate = 12;
    s.maxPacketSize = 13;
    s.avgPacketSize = 14;
    s.startTime = 15;
    s.preroll = 16;
    const std::string chunk = chunkMdpr(s);
    rm::InFile& in = openAfterId(chunk + "NEXT");

    rm::RmStreamHeader slot{};
    ASSERT_EQ(rm::readStreamHeader(in, slot), rm::StreamHeaderRead::Complete);
    EXPECT_EQ(field(slot.fixed.size), chunk.size());
    EXPECT_EQ(field(slot.fixed.stream_number), 4u);
    EXPECT_EQ(field(slot.fixed.duration), 4000u);
    EXPECT_EQ(field(slot.fixed.max_bit_rate), 11u);
    EXPECT_EQ(field(slot.fixed.avg_packet_size), 14u);
    EXPECT_EQ(field(slot.fixed.start_time), 15u);
    EXPECT_EQ(field(slot.fixed.preroll), 16u);
    EXPECT_EQ(std::string(slot.stream_name, slot.stream_name_size), "Video Stream");
    EXPECT_EQ(std::string(slot.mime_type, slot.mime_type_size), "video/x-pn-realvideo");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(slot.type_specific_data), slot.type_specific_len), s.typeSpecific);
    // The reader stops exactly at the end of the chunk.
    EXPECT_EQ(in.tell(), chunk.size());

    EXPECT_EQ(written([&](rm::OutFile& out) { return rm::writeStreamHeader(out, slot); }), chunk);
}

TEST_F(ChunkFixture, NameOf255BytesFillsTheBufferWithoutTerminator)
{
    StreamSpec s;
    s.name = std::string(255, 'n');
    rm::InFile& in = openAfterId(chunkMdpr(s));
    rm::RmStreamHeader slot{};
    ASSERT_EQ(rm::readStreamHeader(in, slot), rm::StreamHeaderRead::Complete);
    EXPECT_EQ(field(slot.stream_name_size), 255);
    EXPECT_EQ(std::string(slot.stream_name, 255), s.name);
    // The byte after the name buffer is the MIME length, not a terminator.
    EXPECT_EQ(field(slot.mime_type_size), s.mime.size());
}

TEST_F(ChunkFixture, OversizedTypeSpecificDataIsConsumedNotStored)
{
    StreamSpec s;
    s.typeSpecific = std::string(2048, 'a') + std::string(952, 'b');
    const std::string chunk = chunkMdpr(s);
    rm::InFile& in = openAfterId(chunk + "NEXT");
    rm::RmStreamHeader slot{};
    EXPECT_EQ(rm::readStreamHeader(in, slot), rm::StreamHeaderRead::Oversized);
    EXPECT_EQ(field(slot.type_specific_len), 2048u);
    EXPECT_EQ(slot.type_specific_data[2047], 'a');
    EXPECT_EQ(in.tell(), chunk.size());
    rm::ChunkId next;
    ASSERT_TRUE(rm::readChunkId(in, next));
    EXPECT_EQ(std::string(next.bytes, 4), "NEXT");
}

TEST_F(ChunkFixture, StreamHeaderCutAnywhereIsShort)
{
    StreamSpec s;
    s.name = "name";
    s.typeSpecific = "0123456789";
    const std::string chunk = chunkMdpr(s);
    for (std::size_t cut = 4; cut < chunk.size(); ++cut) {
        rm::InFile& in = openAfterId(chunk.substr(0, cut));
        rm::RmStreamHeader slot{};
        EXPECT_EQ(rm::readStreamHeader(in, slot), rm::StreamHeaderRead::Short) << cut;
        in.close();
    }
}

TEST_F(ChunkFixture, HelperShapedStreamHeaderIs74Bytes)
{
    rm::RmStreamHeader slot{};
    slot.fixed.size = 74;
    slot.fixed.stream_number = 3;
    slot.mime_type_size = 18;
    std::memcpy(slot.mime_type, "application/helper", 18);
    slot.type_specific_len = 10;
    std::memcpy(slot.type_specific_data, "1234567890", 10);
    const std::string bytes = written([&](rm::OutFile& out) { return rm::writeStreamHeader(out, slot); });
    StreamSpec expected;
    expected.number = 3;
    expected.duration = 0;
    expected.name = "";
    expected.mime = "application/helper";
    expected.typeSpecific = "1234567890";
    EXPECT_EQ(bytes.size(), 74u);
    EXPECT_EQ(bytes, chunkMdpr(expected));
}

TEST_F(ChunkFixture, ContentTextsLandInTheirOwnBuffersAndWriteBack)
{
    const std::string chunk = chunkCont({"T", "", "C", "Co"});
    ASSERT_EQ(chunk.size(), 22u);
    rm::InFile& in = openAfterId(chunk);
    rm::RmContent content{};
    ASSERT_TRUE(rm::readContent(in, content));
    EXPECT_EQ(std::string(content.title, content.title_len), "T");
    EXPECT_EQ(field(content.author_len), 0u);
    EXPECT_EQ(std::string(content.copyright, content.copyright_len), "C");
    EXPECT_EQ(std::string(content.comment, content.comment_len), "Co");
    EXPECT_EQ(field(content.head.size), 22u);
    EXPECT_EQ(written([&](rm::OutFile& out) { return rm::writeContent(out, content); }), chunk);
}

TEST_F(ChunkFixture, OverlongContentTextIsKeptToItsFirst256BytesWithMatchingSize)
{
    const std::string longAuthor = std::string(256, 'a') + std::string(300, 'z');
    const std::string chunk = chunkCont({"title", longAuthor, "", "end"});
    rm::InFile& in = openAfterId(chunk + "NEXT");
    rm::RmContent content{};
    ASSERT_TRUE(rm::readContent(in, content));
    EXPECT_EQ(in.tell(), chunk.size());
    EXPECT_EQ(field(content.author_len), 256u);
    EXPECT_EQ(std::string(content.comment, content.comment_len), "end");

    // What is written back is a consistent chunk holding what was kept.
    const std::string bytes = written([&](rm::OutFile& out) { return rm::writeContent(out, content); });
    EXPECT_EQ(bytes, chunkCont({"title", std::string(256, 'a'), "", "end"}));
}

TEST_F(ChunkFixture, OutputRefusesToPassItsLimit)
{
    rm::OutFile out;
    ASSERT_TRUE(out.create(dir.file("limited")));
    out.setLimit(10);
    EXPECT_TRUE(out.write("12345678", 8));
    EXPECT_FALSE(out.write("123", 3));
    EXPECT_TRUE(out.failed());
    EXPECT_NE(out.error().find("4 GiB"), std::string::npos);
    EXPECT_FALSE(out.close());
}

TEST_F(ChunkFixture, OutputIsNeverCreatedOverAnExistingFile)
{
    writeFileBytes(dir.file("taken"), "keep");
    rm::OutFile out;
    EXPECT_FALSE(out.create(dir.file("taken")));
    EXPECT_EQ(readFileBytes(dir.file("taken")), "keep");
}

TEST_F(ChunkFixture, RewriteInPlaceKeepsTheFileLength)
{
    rm::OutFile out;
    ASSERT_TRUE(out.create(dir.file("rewrite")));
    out.write("AAAAAAAAAA", 10);
    out.write("BBBBBBBBBB", 10);
    out.seek(5);
    out.write("cc", 2);
    ASSERT_TRUE(out.close());
    EXPECT_EQ(readFileBytes(dir.file("rewrite")), "AAAAAccAAABBBBBBBBBB");
}

TEST_F(ChunkFixture, BytesWrittenInPlaceAreNoLongerReadOnceReleased)
{
    // Runs of bytes written from the caller's memory between small copied
    // writes, the caller's memory changed after each release, as a read
    // window is refilled: the file holds what was written, in order.
    rm::OutFile out;
    ASSERT_TRUE(out.create(dir.file("gathered")));
    std::string expected;
    std::string window(300 * 1024, '\0');
    for (int round = 0; round < 12; ++round) {
        for (std::size_t k = 0; k < window.size(); ++k)
            window[k] = static_cast<char>('a' + (k / 7 + round) % 26);
        for (std::size_t at = 0; at + 5000 <= window.size(); at += 5000 + round) {
            const std::string header = "H" + std::to_string(round);
            out.write(header.data(), header.size());
            expected += header;
            out.writeInPlace(window.data() + at, 5000);
            expected += window.substr(at, 5000);
        }
        ASSERT_TRUE(out.release());
        std::fill(window.begin(), window.end(), '!');  // read over by the next refill
    }
    out.seek(1);
    out.write("##", 2);
    expected.replace(1, 2, "##");
    ASSERT_TRUE(out.close());
    const std::string written = readFileBytes(dir.file("gathered"));
    ASSERT_EQ(written.size(), expected.size());
    EXPECT_TRUE(written == expected) << "the gathered bytes differ";
}

TEST_F(ChunkFixture, InputSeeksAndSkipsAcrossItsBuffer)
{
    std::string bytes(3 * rm::InFile::kBufferSize + 77, '\0');
    for (std::size_t k = 0; k < bytes.size(); ++k)
        bytes[k] = static_cast<char>(k * 31 + k / 251);
    writeFileBytes(dir.file("big"), bytes);
    rm::InFile file;
    ASSERT_TRUE(file.open(dir.file("big")));
    EXPECT_EQ(file.size(), bytes.size());
    char buf[16];
    for (uint64_t pos : {uint64_t{0}, uint64_t{5}, uint64_t{rm::InFile::kBufferSize - 3}, uint64_t{100},
                         uint64_t{2 * rm::InFile::kBufferSize + 1}, uint64_t{bytes.size() - 16}}) {
        ASSERT_TRUE(file.seek(pos));
        ASSERT_EQ(file.read(buf, 16), 16u);
        EXPECT_EQ(std::string(buf, 16), bytes.substr(pos, 16)) << pos;
    }
    ASSERT_TRUE(file.seek(10));
    ASSERT_TRUE(file.skip(rm::InFile::kBufferSize));
    ASSERT_EQ(file.read(buf, 4), 4u);
    EXPECT_EQ(std::string(buf, 4), bytes.substr(10 + rm::InFile::kBufferSize, 4));
    // A read larger than the buffer, from the middle of a buffered window.
    std::string large(rm::InFile::kBufferSize + 10, '\0');
    ASSERT_TRUE(file.seek(3));
    ASSERT_EQ(file.read(buf, 1), 1u);
    ASSERT_EQ(file.read(large.data(), large.size()), large.size());
    EXPECT_EQ(large, bytes.substr(4, large.size()));
    // Past the end: no move, a short read at the end.
    EXPECT_FALSE(file.seek(bytes.size() + 1));
    EXPECT_FALSE(file.skip(bytes.size()));
    ASSERT_TRUE(file.seek(bytes.size() - 2));
    EXPECT_EQ(file.read(buf, 16), 2u);
}

TEST_F(ChunkFixture, InputRefusesFoldersAndMissingFiles)
{
    rm::InFile file;
    EXPECT_FALSE(file.open(dir.path().string()));
    EXPECT_NE(file.error().find("folder"), std::string::npos);
    EXPECT_FALSE(file.open(dir.file("missing")));
    EXPECT_FALSE(file.error().empty());
}
