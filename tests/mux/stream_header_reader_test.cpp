// Reading stream headers in scan mode and in merge mode: which streams are
// taken, and how a taken stream is renumbered.
#include <gtest/gtest.h>

#include "mux/rm_muxer.h"
#include "rm/chunk_readers.h"
#include "support/packed.h"
#include "support/rm_builder.h"
#include "support/rm_parser.h"
#include "support/temp_dir.h"

using namespace testing_rm;

namespace {

struct ReaderFixture : ::testing::Test {
    TempDir dir;
    RmMuxer muxer;
    rm::InFile in;

    // Positions the muxer's input on a run of MDPR chunks, after the first id.
    void feed(const std::vector<StreamSpec>& streams)
    {
        std::string bytes;
        for (const StreamSpec& s : streams)
            bytes += chunkMdpr(s);
        writeFileBytes(dir.file("mdpr"), bytes);
        ASSERT_TRUE(in.open(dir.file("mdpr")));
        muxer.m_in = &in;
        std::fill(std::begin(muxer.m_streamMap), std::end(muxer.m_streamMap), kNoStream);
    }
    StreamTake next(uint16_t file, bool mergeMode)
    {
        rm::ChunkId id;
        EXPECT_TRUE(rm::readChunkId(in, id));
        return muxer.ReadStreamHeader(file, mergeMode);
    }
};

StreamSpec numbered(uint16_t number, uint32_t duration, const std::string& name)
{
    StreamSpec s;
    s.number = number;
    s.duration = duration;
    s.name = name;
    return s;
}

}  // namespace

TEST_F(ReaderFixture, MergeModeTakesSelectedStreamsAndRenumbersThem)
{
    feed({numbered(2, 500, "picked")});
    muxer.m_selected[12] = 1;
    ASSERT_EQ(next(1, true), StreamTake::Taken);
    EXPECT_EQ(muxer.m_streamCount, 1);
    EXPECT_EQ(muxer.m_streamMap[12], 0);
    EXPECT_EQ(muxer.m_sourceFile[0], 1);
    EXPECT_EQ(muxer.m_sourceStream[0], 2);
    EXPECT_EQ(field(muxer.m_streams[0].fixed.stream_number), 0);
    // Until an index chunk is found, the stream has an empty one of its own.
    EXPECT_EQ(field(muxer.m_indexHeaders[0].size), 20u);
    EXPECT_EQ(field(muxer.m_indexHeaders[0].num_indices), 0u);
    EXPECT_EQ(field(muxer.m_indexHeaders[0].stream_number), 0);
}

TEST_F(ReaderFixture, MergeModeSkipsDurationZeroAndUnselectedStreams)
{
    feed({numbered(0, 0, "empty"), numbered(1, 100, "not selected"), numbered(2, 100, "second")});
    muxer.m_selected[0] = 1;
    muxer.m_selected[2] = 1;
    EXPECT_EQ(next(0, true), StreamTake::NotTaken);
    EXPECT_EQ(next(0, true), StreamTake::NotTaken);
    EXPECT_EQ(muxer.m_streamCount, 0);
    ASSERT_EQ(next(0, true), StreamTake::Taken);
    EXPECT_EQ(std::string(muxer.m_streams[0].stream_name, 6), "second");
    EXPECT_EQ(muxer.m_streamMap[0], kNoStream);
}

TEST_F(ReaderFixture, MergeModeNeverKeysStreamsNumberedAboveNineOrTakesANumberTwice)
{
    feed({numbered(13, 100, "thirteen"), numbered(3, 100, "first"), numbered(3, 100, "again")});
    muxer.m_selected[3] = 1;
    muxer.m_selected[13] = 1;  // would be file 1's stream 3 if the number were keyed
    EXPECT_EQ(next(0, true), StreamTake::NotTaken);
    EXPECT_EQ(next(0, true), StreamTake::Taken);
    EXPECT_EQ(next(0, true), StreamTake::NotTaken);
    EXPECT_EQ(muxer.m_streamCount, 1);
    EXPECT_EQ(std::string(muxer.m_streams[0].stream_name, 5), "first");
}

TEST_F(ReaderFixture, ScanModeTakesEveryUsableStreamWhateverIsSelected)
{
    feed({numbered(0, 100, "a"), numbered(1, 0, "b"), numbered(2, 100, "c")});
    EXPECT_EQ(next(0, false), StreamTake::Taken);
    EXPECT_EQ(next(0, false), StreamTake::NotTaken);
    EXPECT_EQ(next(0, false), StreamTake::Taken);
    EXPECT_EQ(muxer.m_streamCount, 2);
    // Scan mode keeps the number as read.
    EXPECT_EQ(field(muxer.m_streams[1].fixed.stream_number), 2);
}

TEST_F(ReaderFixture, NoStreamIsWrittenPastTheTenSlots)
{
    std::vector<StreamSpec> streams;
    for (uint16_t n = 0; n < 11; ++n)
        streams.push_back(numbered(n % 10, 100, "s"));
    feed(streams);
    for (int i = 0; i < 10; ++i)
        ASSERT_EQ(next(0, false), StreamTake::Taken);
    EXPECT_EQ(next(0, false), StreamTake::NoRoom);
    EXPECT_EQ(muxer.m_streamCount, 10);
}
