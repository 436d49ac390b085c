// Record images against hand-written on-disk bytes, and round trips.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

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

// Reads `record` from a file holding exactly `bytes`.
template <class Record>
bool readFrom(const TempDir& dir, const std::string& bytes, Record& record)
{
    writeFileBytes(dir.file("in"), bytes);
    rm::InFile in;
    EXPECT_TRUE(in.open(dir.file("in")));
    return rm::readRecord(in, record);
}

template <class Record>
std::string writeOut(const TempDir& dir, const Record& record)
{
    const std::string path = dir.file("out");
    std::filesystem::remove(path);
    rm::OutFile out;
    EXPECT_TRUE(out.create(path));
    EXPECT_TRUE(rm::writeRecord(out, record));
    EXPECT_TRUE(out.close());
    return readFileBytes(path);
}

}  // namespace

TEST(RecordImages, FileHeaderBodyReadsReversed)
{
    TempDir dir;
    const std::string body("\x00\x00\x00\x12\x00\x00\x00\x00\x00\x00\x00\x00\x00\x06", 14);
    rm::RmFileHeader header;
    ASSERT_TRUE(readFrom(dir, body, header));
    EXPECT_EQ(field(header.num_headers), 6u);
    EXPECT_EQ(field(header.size), 18u);
    EXPECT_EQ(field(header.object_version), 0u);
    // The image is the exact mirror of the on-disk bytes.
    const auto* image = reinterpret_cast<const unsigned char*>(&header);
    for (int k = 0; k < 14; ++k)
        EXPECT_EQ(image[k], static_cast<unsigned char>(body[13 - k])) << k;
    EXPECT_EQ(writeOut(dir, header), body);
}

TEST(RecordImages, PacketHeaderReadsEveryField)
{
    TempDir dir;
    const std::string bytes("\x00\x00\x01\xF4\x00\x01\x00\x00\x13\x88\x00\x02", 12);
    rm::RmPacketHeader header;
    ASSERT_TRUE(readFrom(dir, bytes, header));
    EXPECT_EQ(field(header.flags), 2);
    EXPECT_EQ(field(header.packet_group), 0);
    EXPECT_EQ(field(header.timestamp), 5000u);
    EXPECT_EQ(field(header.stream_number), 1u);
    EXPECT_EQ(field(header.length), 500u);
    EXPECT_EQ(field(header.object_version), 0u);
    EXPECT_EQ(writeOut(dir, header), bytes);
}

TEST(RecordImages, EveryRecordRoundTripsByteForByte)
{
    TempDir dir;
    // Distinct bytes, so a field read or written in the wrong place shows.
    std::string bytes;
    for (int k = 0; k < 46; ++k)
        bytes += static_cast<char>(k * 7 + 1);
    const auto check = [&](auto record) {
        const std::string body = bytes.substr(0, sizeof record);
        ASSERT_TRUE(readFrom(dir, body, record));
        EXPECT_EQ(writeOut(dir, record), body) << sizeof record;
    };
    check(rm::RmFileHeader{});
    check(rm::RmProperties{});
    check(rm::RmStreamHeader::Fixed{});
    check(rm::RmContent::Head{});
    check(rm::RmDataHeader{});
    check(rm::RmIndexHeader{});
    check(rm::RmIndexEntry{});
    check(rm::RmPacketHeader{});
}

TEST(RecordImages, FieldsSitWhereTheLayoutPutsThem)
{
    TempDir dir;
    rm::RmProperties props;
    ASSERT_TRUE(readFrom(dir, chunkProp({1, 2, 3, 4, 6, 7, 9}, 5, 8, 10, 11).substr(4), props));
    EXPECT_EQ(field(props.max_bit_rate), 1u);
    EXPECT_EQ(field(props.avg_bit_rate), 2u);
    EXPECT_EQ(field(props.max_packet_size), 3u);
    EXPECT_EQ(field(props.avg_packet_size), 4u);
    EXPECT_EQ(field(props.num_packets), 5u);
    EXPECT_EQ(field(props.duration), 6u);
    EXPECT_EQ(field(props.preroll), 7u);
    EXPECT_EQ(field(props.index_offset), 8u);
    EXPECT_EQ(field(props.data_offset), 10u);
    EXPECT_EQ(field(props.num_streams), 11u);
    EXPECT_EQ(field(props.flags), 9u);
    EXPECT_EQ(field(props.size), 50u);

    rm::RmIndexHeader index;
    ASSERT_TRUE(readFrom(dir, chunkIndx(3, {{1, 2, 3}}, 77).substr(4, 16), index));
    EXPECT_EQ(field(index.size), 34u);
    EXPECT_EQ(field(index.num_indices), 1u);
    EXPECT_EQ(field(index.stream_number), 3u);
    EXPECT_EQ(field(index.next_index_header), 77u);
}

TEST(RecordImages, ShortReadZeroFillsTheRecord)
{
    TempDir dir;
    rm::RmProperties props;
    std::memset(&props, 0xAB, sizeof props);
    EXPECT_FALSE(readFrom(dir, std::string(20, '\x01'), props));
    const auto* image = reinterpret_cast<const unsigned char*>(&props);
    for (std::size_t k = 0; k < sizeof props; ++k)
        ASSERT_EQ(image[k], 0) << k;
}
