// Checking a file as the merge reads a source: the figures of a sound file,
// the layouts real writers leave, which are no problem, and each kind of
// problem, named with its place.
#include <gtest/gtest.h>

#include <ostream>

#include "mux/source_check.h"
#include "support/rm_builder.h"
#include "support/rm_parser.h"
#include "support/temp_dir.h"

using namespace testing_rm;

namespace {

struct Found {
    ProblemKind kind;
    uint64_t offset;
    std::string text;
    bool operator==(const Found&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Found& f)
{
    return out << "{kind " << static_cast<int>(f.kind) << ", at " << f.offset << ": " << f.text << "}";
}

std::vector<Found> found(const SourceCheck& check)
{
    std::vector<Found> out;
    for (const CheckProblem& p : check.problems)
        out.push_back({p.kind, p.offset, p.text});
    return out;
}

// An audio stream 0 and an indexed video stream 1, their packets alternating.
FileSpec soundPlan()
{
    FileSpec plan;
    plan.streams = {{.number = 0, .name = "Sound"}, {.number = 1, .name = "Picture", .mime = "video/x-pn-realvideo"}};
    for (uint32_t k = 0; k < 4; ++k) {
        plan.packets.push_back({.number = 0, .timestamp = k * 100, .payload = "a" + std::to_string(k), .flags = 2});
        plan.packets.push_back({.number = 1,
                                .timestamp = k * 100,
                                .payload = "video" + std::to_string(k),
                                .flags = static_cast<uint8_t>(k % 2 == 0 ? 2 : 0)});
    }
    plan.indexes = {{1, {0, 200}}};
    return plan;
}

FileSpec unindexed(FileSpec plan)
{
    plan.indexes.clear();
    return plan;
}

// A built file with its places, found by the tests' own reader, to change.
struct Bytes {
    std::string bytes;
    ParsedFile parsed;
    explicit Bytes(const FileSpec& plan) : bytes(buildFile(plan)), parsed(parseRm(bytes).value()) {}

    uint64_t data() const { return parsed.dataOffset; }
    uint64_t packet(std::size_t k) const { return parsed.packets[k].offset; }
    uint64_t index(std::size_t k) const { return parsed.indexes[k].offset; }
    uint64_t mdpr(std::size_t k) const
    {
        std::size_t seen = 0;
        for (std::size_t h = 0; h < parsed.headerIds.size(); ++h)
            if (parsed.headerIds[h] == "MDPR" && seen++ == k)
                return parsed.headerOffsets[h];
        return 0;
    }
    void put32(uint64_t at, uint32_t v) { bytes.replace(at, 4, be32(v)); }
    void put16(uint64_t at, uint16_t v) { bytes.replace(at, 2, be16(v)); }
    uint32_t get32(uint64_t at) const
    {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
        return v;
    }
};

// Offsets of fields from the start of their chunk.
constexpr uint64_t kProp = 18;
constexpr uint64_t kPropNumPackets = 26, kPropIndexOffset = 38, kPropDataOffset = 42, kPropNumStreams = 46;
constexpr uint64_t kChunkSize = 4;
constexpr uint64_t kDataNumPackets = 10, kDataNext = 14;
constexpr uint64_t kIndexCount = 10, kIndexStream = 14, kIndexNext = 16;
constexpr uint64_t kPacketLength = 2, kPacketStream = 4, kPacketTimestamp = 6;

struct CheckFixture : ::testing::Test {
    TempDir dir;

    SourceCheck check(const std::string& bytes)
    {
        writeFileBytes(dir.file("in.rm"), bytes);
        return CheckSource(dir.file("in.rm"));
    }
};

}  // namespace

TEST_F(CheckFixture, SoundFileGivesItsFiguresAndNoProblem)
{
    const Bytes file(soundPlan());
    const SourceCheck c = check(file.bytes);
    EXPECT_EQ(c.openError, "");
    EXPECT_EQ(c.size, file.bytes.size());
    EXPECT_EQ(found(c), std::vector<Found>{});
    ASSERT_EQ(c.streams.size(), 2u);
    const StreamCheck& audio = c.streams[0];
    EXPECT_EQ(audio.number, 0);
    EXPECT_EQ(audio.mime, "audio/x-pn-realaudio");
    EXPECT_EQ(audio.durationMs, 1000u);
    EXPECT_EQ(audio.packets, 4u);
    EXPECT_EQ(audio.firstTimestamp, 0u);
    EXPECT_EQ(audio.lastTimestamp, 300u);
    EXPECT_EQ(audio.keyframes, 4u);
    EXPECT_EQ(audio.indexRecords, 0u);
    const StreamCheck& video = c.streams[1];
    EXPECT_EQ(video.packets, 4u);
    EXPECT_EQ(video.keyframes, 2u);
    EXPECT_EQ(video.indexRecords, 2u);
    EXPECT_EQ(video.indexRecordsMatching, 2u);
    // Each record knows the packet it points at, counted over the whole data chunk.
    ASSERT_EQ(c.records.size(), 2u);
    EXPECT_EQ(c.records[0].packet, 1u);
    EXPECT_EQ(c.records[1].packet, 5u);
    EXPECT_EQ(c.records[1].at, file.index(0) + 20 + 14);
}

TEST_F(CheckFixture, LayoutsRealWritersLeaveAreNoProblem)
{
    // ffmpeg: a data chunk size 18 bytes past what the chunk holds, so past
    // the end of the file, whose last 8 bytes are zeros after the last packet.
    Bytes ffmpeg(unindexed(soundPlan()));
    ffmpeg.put32(ffmpeg.data() + kChunkSize, ffmpeg.get32(ffmpeg.data() + kChunkSize) + 18);
    ffmpeg.bytes += std::string(8, '\0');
    EXPECT_EQ(found(check(ffmpeg.bytes)), std::vector<Found>{});

    // A size that counts the end marker in part.
    Bytes marker(unindexed(soundPlan()));
    marker.put32(marker.data() + kChunkSize, marker.get32(marker.data() + kChunkSize) + 4);
    marker.bytes += std::string(8, '\0');
    EXPECT_EQ(found(check(marker.bytes)), std::vector<Found>{});

    // A writer that could not seek back: no counts and a size of 18.
    Bytes piped(soundPlan());
    piped.put32(piped.data() + kChunkSize, 18);
    piped.put32(piped.data() + kDataNumPackets, 0);
    piped.put32(kProp + kPropNumPackets, 0);
    const SourceCheck c = check(piped.bytes);
    EXPECT_EQ(found(c), std::vector<Found>{});
    EXPECT_EQ(c.streams[1].indexRecordsMatching, 2u);
}

TEST_F(CheckFixture, FilesAMergeRefusesSayWhy)
{
    EXPECT_EQ(found(check("not a RealMedia file")),
              (std::vector<Found>{{ProblemKind::Refused, 0, "not a RealMedia file: no \".RMF\" at the start"}}));

    const Bytes whole(soundPlan());
    EXPECT_EQ(found(check(whole.bytes.substr(0, whole.mdpr(1) + 30))),
              (std::vector<Found>{{ProblemKind::Refused, whole.mdpr(1),
                                   "the header section is cut short at byte " + std::to_string(whole.mdpr(1))}}));

    // No usable stream: the packets are still read and counted.
    FileSpec silent = unindexed(soundPlan());
    silent.streams[0].duration = silent.streams[1].duration = 0;
    const Bytes unusable(silent);
    const SourceCheck c = check(unusable.bytes);
    EXPECT_EQ(found(c), (std::vector<Found>{{ProblemKind::Refused, unusable.mdpr(0),
                                             "no stream is usable: stream 0 (audio/x-pn-realaudio) has duration 0; "
                                             "stream 1 (video/x-pn-realvideo) has duration 0"}}));
    ASSERT_EQ(c.streams.size(), 2u);
    EXPECT_EQ(c.streams[0].packets, 4u);
}

TEST_F(CheckFixture, HeaderSizesAndCountsThatDisagreeWithTheChunks)
{
    Bytes file(soundPlan());
    const uint32_t mdprSize = file.get32(file.mdpr(1) + kChunkSize);
    file.put32(file.mdpr(1) + kChunkSize, mdprSize + 4);
    file.put32(68 + kChunkSize, 17);  // the content chunk
    file.put32(0 + kChunkSize, 20);   // the .RMF chunk
    file.put16(kProp + kPropNumStreams, 3);
    EXPECT_EQ(found(check(file.bytes)),
              (std::vector<Found>{{ProblemKind::ChunkSize, 0, "the .RMF chunk gives a size of 20 bytes, but holds 18"},
                                  {ProblemKind::StreamCount, kProp,
                                   "the properties count 3 streams, but the header section holds 2 stream headers"},
                                  {ProblemKind::ChunkSize, 68, "the CONT chunk gives a size of 17 bytes, but holds 18"},
                                  {ProblemKind::ChunkSize, file.mdpr(1),
                                   "the MDPR chunk gives a size of " + std::to_string(mdprSize + 4)
                                       + " bytes, but holds " + std::to_string(mdprSize)}}));
}

TEST_F(CheckFixture, DataChunkMissedByItsOffsetOrMissing)
{
    // Found by the walk, as the merge finds it, but not where PROP says.
    Bytes missed(soundPlan());
    missed.put32(kProp + kPropDataOffset, 20);
    EXPECT_EQ(found(check(missed.bytes)),
              (std::vector<Found>{{ProblemKind::DataOffset, kProp,
                                   "data_offset points at byte 20, but the data chunk starts at byte "
                                       + std::to_string(missed.data())}}));

    // Its id spoiled: the walk passes it by its size, and no data chunk is left.
    Bytes missing(unindexed(soundPlan()));
    missing.bytes.replace(missing.data(), 4, "DATX");
    EXPECT_EQ(found(check(missing.bytes)),
              (std::vector<Found>{{ProblemKind::NoDataChunk, kProp,
                                   "the file has no data chunk: data_offset points at byte "
                                       + std::to_string(missing.data()) + ", where none starts"}}));
}

TEST_F(CheckFixture, DataChunkSizesThatDisagreeWithItsPackets)
{
    // Reaching into the index chunk that follows.
    Bytes into(soundPlan());
    const uint32_t size = into.get32(into.data() + kChunkSize);
    into.put32(into.data() + kChunkSize, size + 5);
    const uint64_t end = into.data() + size;
    EXPECT_EQ(found(check(into.bytes)),
              (std::vector<Found>{{ProblemKind::DataSize, into.data(),
                                   "the data chunk gives a size of " + std::to_string(size + 5)
                                       + " bytes, which ends it at byte " + std::to_string(end + 5)
                                       + ", but its packets end at byte " + std::to_string(end)}}));

    // Past the end of the file, with no end marker: the file may be cut.
    Bytes past(unindexed(soundPlan()));
    past.put32(past.data() + kChunkSize, size + 100);
    EXPECT_EQ(found(check(past.bytes)),
              (std::vector<Found>{{ProblemKind::DataSize, past.data(),
                                   "the data chunk gives a size of " + std::to_string(size + 100)
                                       + " bytes, which reaches past the end of the file at byte "
                                       + std::to_string(past.bytes.size()) + "; its packets end at byte "
                                       + std::to_string(past.bytes.size())}}));

    // Short of the last packet, or ending inside it: the packet is read all
    // the same, as a merge reads it, and the size is wrong.
    for (uint64_t into : {0, 13}) {
        Bytes shorter(unindexed(soundPlan()));
        const uint64_t last = shorter.packet(7);
        shorter.put32(shorter.data() + kChunkSize, static_cast<uint32_t>(last + into - shorter.data()));
        EXPECT_EQ(found(check(shorter.bytes)),
                  (std::vector<Found>{
                      {ProblemKind::DataSize, last + into,
                       "packets go on past the end of the data chunk that its size gives; a merge reads them as well, "
                       "and warns"}}));
    }
}

TEST_F(CheckFixture, PacketCountsThatDisagreeWithThePacketsFound)
{
    Bytes file(soundPlan());
    file.put32(file.data() + kDataNumPackets, 9);
    file.put32(kProp + kPropNumPackets, 7);
    EXPECT_EQ(found(check(file.bytes)),
              (std::vector<Found>{
                  {ProblemKind::PacketCount, kProp, "the properties count 7 packets, but the data chunk holds 8"},
                  {ProblemKind::PacketCount, file.data(), "the data chunk counts 9 packets, but 8 were found"}}));
}

TEST_F(CheckFixture, NextDataHeaderThatLeadsAway)
{
    Bytes file(unindexed(soundPlan()));
    const uint64_t size = file.bytes.size();
    const auto pointing = [&](uint32_t next, const std::string& bytesAfter = "") {
        Bytes changed = file;
        changed.put32(changed.data() + kDataNext, next);
        return found(check(changed.bytes + bytesAfter));
    };
    EXPECT_EQ(pointing(size + 10),
              (std::vector<Found>{{ProblemKind::NextDataHeader, file.data(),
                                   "next_data_header points at byte " + std::to_string(size + 10)
                                       + ", past the end of the file at byte " + std::to_string(size)}}));
    EXPECT_EQ(pointing(kProp), (std::vector<Found>{{ProblemKind::NextDataHeader, file.data(),
                                                    "next_data_header points at byte 18, where no data chunk starts"}}));
    // A second data chunk right after the packets is read: no problem. One
    // with another chunk between is not, and is told.
    EXPECT_EQ(pointing(size, dataHeader(18, 0)), std::vector<Found>{});
    EXPECT_EQ(pointing(size + 20, chunkIndx(0, {}, 0) + dataHeader(18, 0)),
              (std::vector<Found>{{ProblemKind::NextDataHeader, file.data(),
                                   "next_data_header points at byte " + std::to_string(size + 20)
                                       + ", a data chunk that does not follow the packets before it, whose "
                                         "packets a merge does not read"}}));
}

TEST_F(CheckFixture, PacketsCutShortOrDamaged)
{
    const Bytes file(unindexed(soundPlan()));
    const uint64_t last = file.packet(7);
    const std::vector<Found> counts = {
        {ProblemKind::PacketCount, kProp, "the properties count 8 packets, but the data chunk holds 7"},
        {ProblemKind::PacketCount, file.data(), "the data chunk counts 8 packets, but 7 were found"}};

    std::vector<Found> expected = counts;
    expected.push_back({ProblemKind::CutPacket, last, "a packet is cut short by the end of the file"});
    EXPECT_EQ(found(check(file.bytes.substr(0, last + 14))), expected);

    // The last packet claims to reach into the index chunk that follows the
    // data chunk: only the end of the data chunk tells it is wrong.
    Bytes inside(soundPlan());
    const uint64_t lastIndexed = inside.packet(7);
    const uint64_t dataEnd = inside.index(0);
    inside.put16(lastIndexed + kPacketLength, static_cast<uint16_t>(dataEnd - lastIndexed + 10));
    EXPECT_EQ(found(check(inside.bytes)),
              (std::vector<Found>{
                  {ProblemKind::PacketCount, kProp, "the properties count 8 packets, but the data chunk holds 7"},
                  {ProblemKind::PacketCount, inside.data(), "the data chunk counts 8 packets, but 7 were found"},
                  {ProblemKind::CutPacket, lastIndexed,
                   "a packet is cut short by the end of the data chunk at byte " + std::to_string(dataEnd)}}));

    Bytes damaged = file;
    damaged.put16(last + kPacketLength, 5);
    expected = counts;
    expected.push_back(
        {ProblemKind::DamagedPacket, last, "a packet header gives a length of 5 bytes, too short for a packet"});
    EXPECT_EQ(found(check(damaged.bytes)), expected);
}

TEST_F(CheckFixture, PacketsOutOfOrderOrOfNoUsableStream)
{
    Bytes file(unindexed(soundPlan()));
    file.put32(file.packet(6) + kPacketTimestamp, 50);  // audio at 300 ms goes back to 50
    file.put16(file.packet(3) + kPacketStream, 7);       // a video packet for stream 7
    file.put16(file.packet(5) + kPacketStream, 7);
    const SourceCheck c = check(file.bytes);
    EXPECT_EQ(found(c),
              (std::vector<Found>{{ProblemKind::UnknownStream, file.packet(3),
                                   "2 packets of stream 7, which no stream header describes; a merge does not read them"},
                                  {ProblemKind::TimestampBackwards, file.packet(6),
                                   "a packet of stream 0 at 50 ms follows one at 200 ms"}}));
    EXPECT_EQ(c.streams[1].packets, 2u);

    // A stream a merge cannot take, beside one it can.
    FileSpec plan = unindexed(soundPlan());
    plan.streams[1].duration = 0;
    const Bytes unusable(plan);
    EXPECT_EQ(found(check(unusable.bytes)),
              (std::vector<Found>{{ProblemKind::UnusableStream, unusable.mdpr(1),
                                   "stream 1 has 4 packets, but its header gives duration 0: a merge cannot take it"}}));
}

TEST_F(CheckFixture, IndexesThatPointAtNothingOrLeadAway)
{
    // A record for a timestamp no packet of the stream has.
    FileSpec plan = soundPlan();
    plan.indexes = {{1, {0, 150}}};
    const Bytes stray(plan);
    const SourceCheck c = check(stray.bytes);
    EXPECT_EQ(found(c), (std::vector<Found>{{ProblemKind::IndexRecord, stray.index(0) + 20 + 14,
                                             "the index record of stream 1 for 150 ms points at byte 0, where no "
                                             "packet of that stream with that timestamp starts"}}));
    EXPECT_EQ(c.streams[1].indexRecords, 2u);
    EXPECT_EQ(c.streams[1].indexRecordsMatching, 1u);

    const Bytes file(soundPlan());
    const uint64_t size = file.bytes.size();
    const auto changed = [&](uint64_t at, uint32_t value) {
        Bytes copy = file;
        copy.put32(at, value);
        return found(check(copy.bytes));
    };
    EXPECT_EQ(changed(kProp + kPropIndexOffset, size + 1),
              (std::vector<Found>{{ProblemKind::IndexChain, kProp,
                                   "index_offset points at byte " + std::to_string(size + 1)
                                       + ", past the end of the file at byte " + std::to_string(size)}}));
    EXPECT_EQ(changed(file.index(0) + kIndexNext, kProp),
              (std::vector<Found>{{ProblemKind::IndexChain, file.index(0),
                                   "next_index_header points at byte 18, where no index chunk starts"}}));
    EXPECT_EQ(changed(file.index(0) + kIndexNext, static_cast<uint32_t>(file.index(0))),
              (std::vector<Found>{{ProblemKind::IndexChain, file.index(0),
                                   "next_index_header points at byte " + std::to_string(file.index(0))
                                       + ", an index chunk the chain has passed already"}}));
    EXPECT_EQ(changed(file.index(0) + kChunkSize, 40),
              (std::vector<Found>{{ProblemKind::IndexSize, file.index(0),
                                   "the index chunk gives a size of 40 bytes, but its 2 records make 48"}}));
    EXPECT_EQ(changed(file.index(0) + kIndexCount, 3),
              (std::vector<Found>{{ProblemKind::IndexSize, file.index(0),
                                   "the index chunk counts 3 records, but the file holds only 2"}}));

    // An index chunk for a stream no header describes; its records are not judged.
    Bytes unknown(file);
    unknown.put16(file.index(0) + kIndexStream, 4);
    const SourceCheck u = check(unknown.bytes);
    EXPECT_EQ(found(u), (std::vector<Found>{{ProblemKind::UnknownStream, file.index(0),
                                             "an index chunk for stream 4, which no stream header describes"}}));
    EXPECT_EQ(u.streams[1].indexRecords, 0u);
}

TEST_F(CheckFixture, AFileThatCannotBeOpenedSaysWhy)
{
    const SourceCheck c = CheckSource(dir.file("missing.rm"));
    EXPECT_EQ(c.openError, "No such file or directory");
    EXPECT_TRUE(c.streams.empty());
    EXPECT_TRUE(c.problems.empty());
}
