// Sources whose header section lies: size fields, lengths and counts that do
// not match the bytes. A file is either refused with a reason, or merged
// into a well-formed file.
#include <gtest/gtest.h>

#include "support/merge_run.h"
#include "support/rm_builder.h"
#include "support/rm_parser.h"
#include "support/temp_dir.h"

using namespace testing_rm;

namespace {

struct HeaderLiesFixture : ::testing::Test {
    TempDir dir;

    std::string write(const std::string& bytes, const std::string& name = "in.rm")
    {
        writeFileBytes(dir.file(name), bytes);
        return dir.file(name);
    }

    // Merges every stream of the file; the output must be well-formed.
    ParsedFile mergeAll(const std::string& bytes)
    {
        RmMuxer muxer;
        addSources(muxer, {write(bytes)});
        return mergedFile(muxer, {0, 1}, dir.file("out.rm"));
    }
};

FileSpec twoStreams()
{
    FileSpec layout;
    layout.streams.resize(2);
    layout.streams[1].number = 1;
    layout.content = {"title", "author", "", "comment"};
    for (uint32_t k = 0; k < 4; ++k) {
        layout.packets.push_back({0, k * 100, "zero" + std::to_string(k)});
        layout.packets.push_back({1, k * 100 + 50, "one" + std::to_string(k)});
    }
    return layout;
}

}  // namespace

TEST_F(HeaderLiesFixture, SizeFieldsThatLieAreWrittenAsTheChunksReallyAre)
{
    std::string bytes = buildFile(twoStreams());
    const ParsedFile source = parseRm(bytes).value();
    // Each header chunk's size field says something else than the chunk holds.
    uint32_t lie = 0;
    for (uint64_t at : source.headerOffsets)
        if (bytes.compare(at, 4, "DATA") != 0)
            bytes.replace(at + 4, 4, be32(lie += 997));
    bytes.replace(4, 4, be32(0));  // the ".RMF" chunk's

    const ParsedFile out = mergeAll(bytes);  // the strict reader checks every size
    EXPECT_EQ(out.rmfSize, 18u);
    EXPECT_EQ(out.propSize, 50u);
    EXPECT_EQ(out.contSize, 18u + 5 + 6 + 7);
    ASSERT_EQ(out.streams.size(), 2u);
    EXPECT_EQ(out.streams[0].size, 46u + 6 + 20 + 5);
    EXPECT_EQ(out.packets.size(), 8u);
}

TEST_F(HeaderLiesFixture, NumHeadersThatLiesIsWalkedAlikeByScanAndMerge)
{
    // Far more headers than there are, and fewer: both the scan and the
    // merge end the header section at the "DATA" id.
    for (uint32_t numHeaders : {2u, 0xFFFFu}) {
        std::string bytes = buildFile(twoStreams());
        bytes.replace(14, 4, be32(numHeaders));
        const ParsedFile out = mergeAll(bytes);
        EXPECT_EQ(out.streams.size(), 2u) << numHeaders;
        EXPECT_EQ(out.packets.size(), 8u) << numHeaders;
        EXPECT_EQ(out.title, "title") << numHeaders;
        EXPECT_EQ(out.numHeaders, 6u) << numHeaders;
    }
}

TEST_F(HeaderLiesFixture, LengthsPastTheBuffersAreCutAndLengthsPastTheFileRefused)
{
    // Texts longer than the 256 bytes kept: the output's CONT chunk holds
    // their first 256 bytes, with lengths and a size that say so.
    FileSpec layout = twoStreams();
    layout.content = {std::string(300, 't'), "", std::string(0xFFFF, 'c'), "comment"};
    const ParsedFile out = mergeAll(buildFile(layout));
    EXPECT_EQ(out.title, std::string(256, 't'));
    EXPECT_EQ(out.copyright, std::string(256, 'c'));
    EXPECT_EQ(out.comment, "comment");
    EXPECT_EQ(out.contSize, 18u + 256 + 256 + 7);

    // Lengths that run past the end of the file: the header section is cut.
    std::string bytes = buildFile(twoStreams());
    const ParsedFile source = parseRm(bytes).value();
    const uint64_t cont = source.headerOffsets[1];
    const uint64_t mdpr = source.headerOffsets[2];
    ASSERT_EQ(bytes.substr(cont, 4), "CONT");
    ASSERT_EQ(bytes.substr(mdpr, 4), "MDPR");
    std::string titlePastTheEnd = bytes;
    titlePastTheEnd.replace(cont + 10, 2, be16(0xFFFF));
    titlePastTheEnd.resize(cont + 10 + 2 + 1000);
    std::string codecDataPastTheEnd = bytes;
    codecDataPastTheEnd.replace(mdpr + 40 + 1 + 6 + 1 + 20, 4, be32(0xFFFFFFFF));
    for (const std::string& lie : {titlePastTheEnd, codecDataPastTheEnd}) {
        RmMuxer muxer;
        char names[kMaxStreams][rm::kNameCapacity];
        int32_t kinds[kMaxStreams];
        EXPECT_EQ(muxer.Scan(write(lie), names, kinds), 0);
        EXPECT_EQ(muxer.LastScanMessage(), "Invalid RM file or no usable streams");
    }
}
