// Scanning sources: which files are kept, which streams are listed, and why
// a file is refused.
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "mux/rm_muxer.h"
#include "support/packed.h"
#include "support/rm_builder.h"
#include "support/rm_parser.h"
#include "support/temp_dir.h"

using namespace testing_rm;

namespace {

struct Listed {
    std::string name;
    int32_t kind;
    uint16_t number;
    bool operator==(const Listed&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Listed& l)
{
    return os << "{" << l.name << ", kind " << l.kind << ", #" << l.number << "}";
}

struct ScanFixture : ::testing::Test {
    TempDir dir;
    RmMuxer muxer;
    char names[kMaxStreams][rm::kNameCapacity];
    int32_t kinds[kMaxStreams];
    uint16_t numbers[kMaxStreams];

    int32_t scanPath(const std::string& path) { return muxer.Scan(path, names, kinds, numbers); }

    int32_t scanBytes(const std::string& bytes, const std::string& name = "in.rm")
    {
        writeFileBytes(dir.file(name), bytes);
        return scanPath(dir.file(name));
    }

    std::vector<Listed> listed(int32_t count) const
    {
        std::vector<Listed> out;
        for (int32_t k = 0; k < count; ++k)
            out.push_back({names[k], kinds[k], numbers[k]});
        return out;
    }
};

StreamSpec stream(uint16_t number, const std::string& name, const std::string& mime, uint32_t duration = 1000)
{
    StreamSpec s;
    s.number = number;
    s.name = name;
    s.mime = mime;
    s.duration = duration;
    return s;
}

FileSpec twoStreams()
{
    FileSpec plan;
    plan.streams = {stream(0, "Audio Stream", "audio/x-pn-realaudio"), stream(1, "Video Stream", "video/x-pn-realvideo")};
    plan.packets = {{0, 0, "a0"}, {1, 0, "v0"}, {0, 100, "a1"}};
    return plan;
}

}  // namespace

TEST_F(ScanFixture, CorpusFilesListTheirUsableStreams)
{
    const std::vector<std::pair<std::string, std::vector<Listed>>> expected = {
        {"video_rv20_ac3.rm", {{"The Video Stream", kVideoStream, 0}, {"The Audio Stream", kAudioStream, 1}}},
        {"video_rv10.rm", {{"The Video Stream", kVideoStream, 0}}},
        {"audio_ac3_meta.rm", {{"The Audio Stream", kAudioStream, 0}}},
        {"video_rv20_indexed.rm", {{"Video", kVideoStream, 0}}},
        {"audio_ra144_indexed_duration.rm", {{"Audio", kAudioStream, 0}}},
        // Its second stream has duration 0; the file ends inside its data chunk.
        {"helix_truncated.rm", {{"Audio Stream", kAudioStream, 0}}},
        // Their muxers wrote duration 0 for the only stream.
        {"audio_ra144.rm", {}},
        {"audio_ra144_indexed.rm", {}},
    };
    for (const auto& [file, streams] : expected) {
        RmMuxer fresh;
        const int32_t count = fresh.Scan(dataFile(file), names, kinds, numbers);
        EXPECT_EQ(listed(count), streams) << file;
        EXPECT_EQ(fresh.m_fileCount, streams.empty() ? 0 : 1) << file;
        if (streams.empty()) {
            EXPECT_EQ(fresh.LastScanMessage(), "Invalid RM file or no usable streams") << file;
        }
    }
}

TEST_F(ScanFixture, ListsUsableStreamsInHeaderOrderAndKeepsTheFile)
{
    FileSpec plan = twoStreams();
    const std::string bytes = buildFile(plan);
    ASSERT_EQ(parseRm(bytes)->numHeaders, 6u);
    ASSERT_EQ(scanBytes(bytes), 2);
    EXPECT_EQ(listed(2), (std::vector<Listed>{{"Audio Stream", kAudioStream, 0}, {"Video Stream", kVideoStream, 1}}));
    EXPECT_EQ(muxer.m_fileCount, 1);
    EXPECT_EQ(muxer.m_streamCount, 2);
    EXPECT_EQ(muxer.LastScanError(), ScanError::None);
}

TEST_F(ScanFixture, StreamsWithDurationZeroTakeNoEntry)
{
    FileSpec plan;
    plan.streams = {stream(0, "one", "audio/a"), stream(1, "skipped", "video/v", 0), stream(2, "two", "video/v")};
    ASSERT_EQ(scanBytes(buildFile(plan)), 2);
    EXPECT_EQ(listed(2), (std::vector<Listed>{{"one", kAudioStream, 0}, {"two", kVideoStream, 2}}));
    EXPECT_EQ(std::string(muxer.m_streams[1].stream_name, 3), "two");
}

TEST_F(ScanFixture, KindFollowsTheNameAndTheFirstFiveLettersOfTheMimeType)
{
    const std::vector<std::tuple<std::string, std::string, int32_t, std::string>> cases = {
        {"", "video/x-pn-realvideo", kUnknownStream, "Unknown"},
        {"n", "Audio/x-pn-realaudio", kUnknownStream, "n"},
        {"n", "audio", kAudioStream, "n"},
        {"n", "audi", kUnknownStream, "n"},
        {"n", "videofoo", kVideoStream, "n"},
        {"n", "logical-fileinfo", kUnknownStream, "n"},
        {"n", "", kUnknownStream, "n"},
    };
    for (const auto& [name, mime, kind, shown] : cases) {
        RmMuxer fresh;
        FileSpec plan;
        plan.streams = {stream(0, name, mime)};
        writeFileBytes(dir.file("k.rm"), buildFile(plan));
        ASSERT_EQ(fresh.Scan(dir.file("k.rm"), names, kinds, numbers), 1) << mime;
        EXPECT_EQ(kinds[0], kind) << name << " " << mime;
        EXPECT_STREQ(names[0], shown.c_str());
    }
}

TEST_F(ScanFixture, NameOf255BytesIsCutTo254SoTheTerminatorFits)
{
    FileSpec plan;
    plan.streams = {stream(0, std::string(255, 'x'), "audio/a")};
    ASSERT_EQ(scanBytes(buildFile(plan)), 1);
    EXPECT_EQ(std::strlen(names[0]), 254u);
    EXPECT_EQ(field(muxer.m_streams[0].stream_name_size), 255);
}

TEST_F(ScanFixture, ReportsStreamNumbersAsRead)
{
    FileSpec plan;
    plan.streams = {stream(3, "a", "audio/a"), stream(7, "b", "video/b")};
    ASSERT_EQ(scanBytes(buildFile(plan)), 2);
    EXPECT_EQ(numbers[0], 3);
    EXPECT_EQ(numbers[1], 7);
}

TEST_F(ScanFixture, RejectsWhatIsNotAUsableRealMediaFileAndSaysWhy)
{
    FileSpec allZero;
    allZero.streams = {stream(0, "a", "audio/a", 0), stream(1, "b", "", 0)};
    FileSpec noStreams;
    std::string firstLost = buildFile(twoStreams());
    firstLost.replace(68, 8, std::string(8, '\0'));  // the first stream header's id and size
    std::string notRmf = buildFile(twoStreams());
    notRmf[0] = 'X';
    const std::string notRealMedia = "Not a RealMedia file: no \".RMF\" at the start";
    const std::vector<std::tuple<std::string, std::string, std::string>> files = {
        {"empty", "", notRealMedia},
        {"three bytes", ".RM", notRealMedia},
        {"not .RMF", notRmf, notRealMedia},
        {"only duration 0", buildFile(allZero),
         "No stream is usable: stream 0 (audio/a) has duration 0; stream 1 has duration 0"},
        {"no stream headers", buildFile(noStreams), "No stream is usable: the file has no stream headers"},
        {"first stream header lost", firstLost,
         "No stream is usable: the header section is damaged at byte 68, before any stream header was read"},
    };
    for (const auto& [what, bytes, reason] : files) {
        EXPECT_EQ(scanBytes(bytes), 0) << what;
        EXPECT_EQ(muxer.LastScanError(), ScanError::Invalid) << what;
        EXPECT_EQ(muxer.LastScanMessage(), "Invalid RM file or no usable streams") << what;
        EXPECT_EQ(muxer.LastScanReason(), reason) << what;
        EXPECT_EQ(muxer.m_fileCount, 0) << what;
    }
    // The message says why a file cannot be opened; no reason is added.
    EXPECT_EQ(scanPath(dir.file("does-not-exist.rm")), 0);
    EXPECT_EQ(muxer.LastScanError(), ScanError::CannotOpen);
    EXPECT_EQ(muxer.LastScanReason(), "");
    EXPECT_EQ(scanPath(dir.path().string()), 0);
    EXPECT_EQ(muxer.LastScanError(), ScanError::CannotOpen);
    // A file that is kept leaves no reason behind from the one before.
    ASSERT_EQ(scanBytes(notRmf), 0);
    ASSERT_EQ(scanBytes(buildFile(twoStreams())), 2);
    EXPECT_EQ(muxer.LastScanReason(), "");
}

TEST_F(ScanFixture, FileWithoutPropertiesIsRefused)
{
    // Without PROP there is no data_offset to find the packets by.
    const std::string bytes = chunkRmf(4) + chunkCont({}) + chunkMdpr(stream(0, "a", "audio/a")) + dataHeader(18, 0);
    EXPECT_EQ(scanBytes(bytes), 0);
    EXPECT_EQ(muxer.LastScanError(), ScanError::Invalid);
    EXPECT_EQ(muxer.LastScanReason(), "The header section has no properties chunk (\"PROP\")");
}

TEST_F(ScanFixture, ChunksOfOtherKindsArePassedOverByTheirSize)
{
    // A vendor's 22-byte chunk after PROP, and one whose bytes would read as
    // the ids of known chunks if they were taken for ids.
    const StreamSpec s = stream(0, "found", "audio/a");
    const std::string xtra = "XTRA" + be32(22) + be16(0) + std::string(12, 'x');
    const std::string decoy = "JUNK" + be32(10 + 8) + be16(0) + "MDPRPROP";
    const std::string bytes =
        chunkRmf(5) + chunkProp({}, 0, 0, 0, 1) + xtra + chunkMdpr(s) + decoy + dataHeader(18, 0);
    ASSERT_EQ(scanBytes(bytes), 1);
    EXPECT_STREQ(names[0], "found");

    // A chunk whose size is too small to be a chunk, or reaches past the end
    // of the file, ends the walk: the header section is damaged there.
    for (const auto& [bad, reason] : std::vector<std::pair<std::string, std::string>>{
             {"BAD!" + be32(4) + be16(0), "The header section is damaged at byte 68: a chunk there gives a size too "
                                          "small for one"},
             {"LONG" + be32(1000) + be16(0), "The header section is cut short at byte 68"}}) {
        EXPECT_EQ(scanBytes(chunkRmf(5) + chunkProp({}, 0, 0, 0, 1) + bad + chunkMdpr(s) + dataHeader(18, 0)), 0);
        EXPECT_EQ(muxer.LastScanError(), ScanError::Invalid);
        EXPECT_EQ(muxer.LastScanReason(), reason);
    }
}

TEST_F(ScanFixture, NextKeptFileTakesTheNextFreeIndex)
{
    ASSERT_EQ(scanBytes(buildFile(twoStreams()), "first.rm"), 2);
    ASSERT_EQ(scanBytes("not a RealMedia file", "bad.rm"), 0);
    FileSpec third;
    third.streams = {stream(0, "third", "audio/a")};
    ASSERT_EQ(scanBytes(buildFile(third), "third.rm"), 1);
    EXPECT_EQ(muxer.m_fileCount, 2);
    EXPECT_EQ(muxer.m_files[0]->path(), dir.file("first.rm"));
    EXPECT_EQ(muxer.m_files[1]->path(), dir.file("third.rm"));
    // The slots describe the file scanned last.
    EXPECT_EQ(muxer.m_streamCount, 1);
    EXPECT_EQ(std::string(muxer.m_streams[0].stream_name, 5), "third");
}

TEST_F(ScanFixture, RefusedFileLeavesTheCallersEntriesAlone)
{
    std::strcpy(names[0], "before");
    kinds[0] = 42;
    FileSpec plan;
    plan.streams = {stream(0, "a", "audio/a"), stream(12, "b", "audio/b")};
    EXPECT_EQ(scanBytes(buildFile(plan)), 0);
    EXPECT_STREQ(names[0], "before");
    EXPECT_EQ(kinds[0], 42);
}

TEST_F(ScanFixture, HeaderSectionCutAnywhereIsRefused)
{
    const std::string bytes = buildFile(twoStreams());
    const auto parsed = parseRm(bytes);
    ASSERT_TRUE(parsed);
    // Everything up to and including the DATA id must be there.
    const std::size_t headerEnd = parsed->dataOffset + 4;
    // Past the ".RMF" chunk, the reason names the chunk the cut fell in,
    // or the end of the file when the cut fell between two chunks.
    for (std::size_t cut = 0; cut < headerEnd; ++cut) {
        EXPECT_EQ(scanBytes(bytes.substr(0, cut)), 0) << "cut at " << cut;
        EXPECT_EQ(muxer.m_fileCount, 0);
        uint64_t chunk = 0;
        for (std::size_t h = 0; h < parsed->headerOffsets.size(); ++h)
            if (parsed->headerOffsets[h] <= cut)
                chunk = parsed->headerOffsets[h];
        if (cut >= 18) {
            EXPECT_EQ(muxer.LastScanReason(), "The header section is cut short at byte " + std::to_string(chunk))
                << "cut at " << cut;
        }
    }
    // Cut inside the data chunk, the header section is whole.
    EXPECT_EQ(scanBytes(bytes.substr(0, headerEnd)), 2);
}

TEST_F(ScanFixture, NumHeadersIsNotTrustedTheChunksAre)
{
    // Whatever count of headers the ".RMF" chunk gives, the walk ends at
    // the "DATA" id and lists what the header section holds.
    for (uint32_t numHeaders : {0u, 1u, 3u, 0x10000u, 0xFFFFu}) {
        std::string bytes = buildFile(twoStreams());
        bytes.replace(14, 4, be32(numHeaders));
        EXPECT_EQ(scanBytes(bytes), 2) << numHeaders;
        EXPECT_EQ(listed(2), (std::vector<Listed>{{"Audio Stream", kAudioStream, 0}, {"Video Stream", kVideoStream, 1}}))
            << numHeaders;
    }
}

TEST_F(ScanFixture, LimitsOfTheRecordAreRefusedWithTheirReason)
{
    FileSpec eleven;
    for (uint16_t n = 0; n < 11; ++n)
        eleven.streams.push_back(stream(n % 10, "s", "audio/a"));
    EXPECT_EQ(scanBytes(buildFile(eleven)), 0);
    EXPECT_EQ(muxer.LastScanError(), ScanError::TooManyStreams);
    // The limit's message says it all.
    EXPECT_EQ(muxer.LastScanReason(), "");

    FileSpec numberTen;
    numberTen.streams = {stream(0, "a", "audio/a"), stream(10, "b", "audio/a")};
    EXPECT_EQ(scanBytes(buildFile(numberTen)), 0);
    EXPECT_EQ(muxer.LastScanError(), ScanError::StreamNumberTooHigh);

    FileSpec bigCodecData;
    bigCodecData.streams = {stream(0, "a", "audio/a")};
    bigCodecData.streams[0].typeSpecific = std::string(2049, 'c');
    EXPECT_EQ(scanBytes(buildFile(bigCodecData)), 0);
    EXPECT_EQ(muxer.LastScanError(), ScanError::StreamDataTooLarge);
    // A stream that is never listed does not need to fit.
    bigCodecData.streams[0].duration = 0;
    bigCodecData.streams.push_back(stream(1, "b", "audio/b"));
    EXPECT_EQ(scanBytes(buildFile(bigCodecData)), 1);

    // Ten streams numbered 0 to 9 are the most one file may have.
    FileSpec ten;
    for (uint16_t n = 0; n < 10; ++n)
        ten.streams.push_back(stream(n, "s", "audio/a"));
    EXPECT_EQ(scanBytes(buildFile(ten)), 10);
    EXPECT_EQ(muxer.m_fileCount, 2);
    EXPECT_TRUE(muxer.LastScanMessage().empty());
}

TEST_F(ScanFixture, EleventhFileIsRefusedAndNotKept)
{
    FileSpec plan = twoStreams();
    for (int i = 0; i < 10; ++i)
        ASSERT_EQ(scanBytes(buildFile(plan), "f" + std::to_string(i) + ".rm"), 2);
    EXPECT_EQ(scanBytes(buildFile(plan), "eleventh.rm"), 0);
    EXPECT_EQ(muxer.LastScanError(), ScanError::TooManyFiles);
    EXPECT_EQ(muxer.LastScanMessage(), "No more than 10 files can be added");
    EXPECT_EQ(muxer.m_fileCount, 10);
}

TEST_F(ScanFixture, RemovedSourcesFreeTheirIndexesLowestFirst)
{
    FileSpec plan = twoStreams();
    for (int i = 0; i < 10; ++i)
        ASSERT_EQ(scanBytes(buildFile(plan), "f" + std::to_string(i) + ".rm"), 2);
    muxer.RemoveSource(7);
    muxer.RemoveSource(3);
    // A refused file takes no index.
    EXPECT_EQ(scanBytes("not a RealMedia file", "bad.rm"), 0);
    ASSERT_EQ(scanBytes(buildFile(plan), "g0.rm"), 2);
    EXPECT_EQ(muxer.LastScanSource(), 3);
    ASSERT_EQ(scanBytes(buildFile(plan), "g1.rm"), 2);
    EXPECT_EQ(muxer.LastScanSource(), 7);
    EXPECT_EQ(scanBytes(buildFile(plan), "g2.rm"), 0);
    EXPECT_EQ(muxer.LastScanError(), ScanError::TooManyFiles);
    EXPECT_EQ(muxer.m_fileCount, 10);
    EXPECT_EQ(muxer.m_files[3]->path(), dir.file("g0.rm"));
    EXPECT_EQ(muxer.m_files[7]->path(), dir.file("g1.rm"));
    EXPECT_EQ(muxer.m_files[4]->path(), dir.file("f4.rm"));
}
