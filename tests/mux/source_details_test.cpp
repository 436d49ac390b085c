// The details of a scanned source: each stream's codec and figures and the
// file's texts and index, checked against ffprobe on files written by
// ffmpeg, mkvextract and Helix Producer, and on files the builder makes.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "mux/rm_muxer.h"
#include "mux/source_details.h"
#include "support/process.h"
#include "support/rm_builder.h"
#include "support/rm_parser.h"
#include "support/temp_dir.h"

using namespace testing_rm;

namespace {

// What ffprobe says of a file, as its "flat" output: key to value, quotes removed.
using Probe = std::map<std::string, std::string>;

Probe probe(const std::string& path)
{
    const Outcome o = run({"ffprobe", "-v", "error", "-show_entries",
                           "stream=codec_tag_string,width,height,r_frame_rate,sample_rate,channels"
                           ":format_tags=title,author,copyright,comment:format=nb_streams",
                           "-of", "flat", path});
    EXPECT_EQ(o.status, 0) << path << ": " << o.err;
    Probe values;
    std::istringstream lines(o.out);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t equals = line.find('=');
        std::string value = line.substr(equals + 1);
        if (value.size() >= 2 && value.front() == '"') {
            std::string unquoted;
            for (std::size_t k = 1; k + 1 < value.size(); ++k)
                unquoted += value[k] == '\\' ? value[++k] : value[k];
            value = unquoted;
        }
        values[line.substr(0, equals)] = value;
    }
    return values;
}

std::optional<std::string> lookUp(const Probe& values, const std::string& key)
{
    const auto it = values.find(key);
    return it == values.end() ? std::nullopt : std::optional(it->second);
}

struct DetailsFixture : ::testing::Test {
    TempDir dir;

    SourceDetails detailsOf(const std::string& path)
    {
        RmMuxer muxer;
        char names[kMaxStreams][rm::kNameCapacity];
        int32_t kinds[kMaxStreams];
        const int32_t count = muxer.Scan(path, names, kinds);
        EXPECT_GT(count, 0) << path << ": " << muxer.LastScanMessage();
        if (count == 0)
            return {};
        SourceDetails details = ScannedSourceDetails(muxer);
        EXPECT_EQ(details.streams.size(), static_cast<std::size_t>(count));
        return details;
    }

    std::string build(const std::string& name, const FileSpec& plan)
    {
        writeFileBytes(dir.file(name), buildFile(plan));
        return dir.file(name);
    }

    // Runs a program the test needs; false (and a failure) when it failed.
    bool make(const std::vector<std::string>& command)
    {
        const Outcome o = run(command);
        EXPECT_EQ(o.status, 0) << command[0] << ": " << o.err;
        return o.status == 0;
    }

    // A copy of `path` whose PROP and every MDPR give `durationMs`, as the
    // 14.4 streams of ffmpeg and mkvextract need to be usable at all.
    std::string withDuration(const std::string& path, uint32_t durationMs)
    {
        std::string bytes = readFileBytes(path);
        const ParsedFile parsed = parseSource(bytes).value();
        for (std::size_t k = 0; k < parsed.headerIds.size(); ++k) {
            const uint64_t at = parsed.headerOffsets[k];
            if (parsed.headerIds[k] == "PROP")
                bytes.replace(at + 30, 4, be32(durationMs));
            if (parsed.headerIds[k] == "MDPR")
                bytes.replace(at + 36, 4, be32(durationMs));
        }
        const std::string patched = path + ".duration.rm";
        writeFileBytes(patched, bytes);
        return patched;
    }
};

// Every detail ffprobe also reports agrees with it. Listed stream k is
// ffprobe's stream k: in these files every stream is usable.
void expectAgreesWithFfprobe(const std::string& path, const SourceDetails& details)
{
    SCOPED_TRACE(path);
    const Probe p = probe(path);
    ASSERT_EQ(lookUp(p, "format.nb_streams"), std::to_string(details.streams.size()));
    for (std::size_t k = 0; k < details.streams.size(); ++k) {
        SCOPED_TRACE("stream " + std::to_string(k));
        const StreamDetails& s = details.streams[k];
        const std::string at = "streams.stream." + std::to_string(k) + ".";
        EXPECT_EQ(lookUp(p, at + "codec_tag_string"), s.codec);
        const auto width = lookUp(p, at + "width");
        EXPECT_EQ(width, s.width ? std::optional(std::to_string(*s.width)) : std::nullopt);
        const auto height = lookUp(p, at + "height");
        EXPECT_EQ(height, s.height ? std::optional(std::to_string(*s.height)) : std::nullopt);
        // r_frame_rate is the 16.16 frame rate as a reduced fraction.
        const std::string rate = lookUp(p, at + "r_frame_rate").value_or("0/0");
        const double num = std::stod(rate.substr(0, rate.find('/')));
        const double den = std::stod(rate.substr(rate.find('/') + 1));
        if (s.fps)
            EXPECT_EQ(*s.fps * den, num) << rate;
        else
            EXPECT_EQ(den, 0) << rate;
        const auto sampleRate = lookUp(p, at + "sample_rate");
        EXPECT_EQ(sampleRate, s.sampleRate ? std::optional(std::to_string(*s.sampleRate)) : std::nullopt);
        const auto channels = lookUp(p, at + "channels");
        EXPECT_EQ(channels, s.channels ? std::optional(std::to_string(*s.channels)) : std::nullopt);
    }
    EXPECT_EQ(lookUp(p, "format.tags.title").value_or(""), details.title);
    EXPECT_EQ(lookUp(p, "format.tags.author").value_or(""), details.author);
    EXPECT_EQ(lookUp(p, "format.tags.copyright").value_or(""), details.copyright);
    EXPECT_EQ(lookUp(p, "format.tags.comment").value_or(""), details.comment);
}

#define SKIP_WITHOUT(program)                                \
    if (!haveProgram(program))                               \
        GTEST_SKIP() << program " is not installed";

}  // namespace

TEST_F(DetailsFixture, FilesWrittenByFfmpegAgreeWithFfprobe)
{
    SKIP_WITHOUT("ffmpeg");
    SKIP_WITHOUT("ffprobe");
    const std::string rv10 = dir.file("rv10.rm");
    const std::string rv20 = dir.file("rv20_ac3.rm");
    const std::string ac3 = dir.file("ac3_meta.rm");
    const std::string ra144 = dir.file("ra144.rm");
    const std::string lavfi[] = {"ffmpeg", "-nostdin", "-v", "error", "-f", "lavfi", "-i"};
    auto ffmpeg = [&lavfi](std::initializer_list<std::string> rest) {
        std::vector<std::string> command(std::begin(lavfi), std::end(lavfi));
        command.insert(command.end(), rest);
        return command;
    };
    ASSERT_TRUE(make(ffmpeg({"testsrc=size=352x288:rate=12:duration=2", "-c:v", "rv10", "-b:v", "100k", rv10})));
    ASSERT_TRUE(make(ffmpeg({"testsrc=size=320x240:rate=25:duration=2", "-f", "lavfi", "-i",
                             "sine=frequency=440:duration=2:sample_rate=44100", "-c:v", "rv20", "-b:v", "250k",
                             "-c:a", "ac3", "-ac", "2", "-b:a", "128k", rv20})));
    ASSERT_TRUE(make(ffmpeg({"sine=frequency=330:duration=2:sample_rate=32000", "-c:a", "ac3", "-metadata",
                             "title=A \"quoted\" title", "-metadata", "author=Some One", "-metadata",
                             "copyright=(c) 2024", "-metadata", "comment=made for a test", ac3})));
    ASSERT_TRUE(make(ffmpeg({"sine=frequency=660:duration=2:sample_rate=8000", "-c:a", "real_144", "-ac", "1",
                             ra144})));

    const SourceDetails video = detailsOf(rv20);
    ASSERT_EQ(video.streams.size(), 2u);
    EXPECT_EQ(StreamSummary(video.streams[0]), "RV20 320x240 25 fps 250 kb/s");
    EXPECT_EQ(StreamSummary(video.streams[1]), "dnet 44100 Hz 2 ch 128 kb/s");
    EXPECT_FALSE(video.indexed);
    expectAgreesWithFfprobe(rv20, video);

    const SourceDetails rv10Details = detailsOf(rv10);
    ASSERT_EQ(rv10Details.streams.size(), 1u);
    EXPECT_EQ(rv10Details.streams[0].codec, "RV10");
    expectAgreesWithFfprobe(rv10, rv10Details);

    const SourceDetails meta = detailsOf(ac3);
    EXPECT_EQ(meta.title, "A \"quoted\" title");
    EXPECT_EQ(meta.comment, "made for a test");
    expectAgreesWithFfprobe(ac3, meta);

    const std::string usable144 = withDuration(ra144, 2000);
    const SourceDetails speech = detailsOf(usable144);
    ASSERT_EQ(speech.streams.size(), 1u);
    EXPECT_EQ(StreamSummary(speech.streams[0]), "lpcJ 8000 Hz 1 ch 8 kb/s");
    EXPECT_EQ(speech.durationMs, 2000u);
    expectAgreesWithFfprobe(usable144, speech);
}

TEST_F(DetailsFixture, FilesWrittenByMkvextractAgreeWithFfprobeAndAreIndexed)
{
    SKIP_WITHOUT("ffprobe");
    SKIP_WITHOUT("mkvmerge");
    SKIP_WITHOUT("mkvextract");
    const std::string video = dir.file("video.rm");
    const std::string speech = dir.file("speech.rm");
    ASSERT_TRUE(make({"mkvmerge", "-q", "-o", dir.file("v.mkv"), dataFile("video_rv20_ac3.rm")}));
    ASSERT_TRUE(make({"mkvextract", "-q", dir.file("v.mkv"), "tracks", "0:" + video}));
    ASSERT_TRUE(make({"mkvmerge", "-q", "-o", dir.file("a.mkv"), dataFile("audio_ra144.rm")}));
    ASSERT_TRUE(make({"mkvextract", "-q", dir.file("a.mkv"), "tracks", "0:" + speech}));

    const SourceDetails v = detailsOf(video);
    EXPECT_TRUE(v.indexed);
    ASSERT_EQ(v.streams.size(), 1u);
    EXPECT_EQ(StreamSummary(v.streams[0]).substr(0, 20), "RV20 160x120 15 fps ");
    expectAgreesWithFfprobe(video, v);

    const std::string usable = withDuration(speech, 5000);
    const SourceDetails a = detailsOf(usable);
    EXPECT_TRUE(a.indexed);
    expectAgreesWithFfprobe(usable, a);
}

TEST_F(DetailsFixture, CorpusFilesAgreeWithFfprobe)
{
    SKIP_WITHOUT("ffprobe");
    for (const char* name : {"video_rv20_ac3.rm", "video_rv10.rm", "audio_ac3_meta.rm", "video_rv20_indexed.rm",
                             "audio_ra144_indexed_duration.rm"})
        expectAgreesWithFfprobe(dataFile(name), detailsOf(dataFile(name)));
}

TEST_F(DetailsFixture, HelixCookStreamAgreesWithFfprobeInAWholeFile)
{
    // The Helix sample ends inside its header section, where ffprobe gives
    // up; its cook stream header, a RealAudio version 5 header, is probed in
    // a whole file of the builder's instead.
    const SourceDetails helix = detailsOf(dataFile("helix_truncated.rm"));
    ASSERT_EQ(helix.streams.size(), 1u);
    EXPECT_EQ(StreamSummary(helix.streams[0]), "cook 44100 Hz 2 ch 32 kb/s");
    EXPECT_EQ(helix.title, "A title");
    EXPECT_EQ(helix.author, "Phil Harvey");
    EXPECT_FALSE(helix.indexed);  // its index_offset points past its end

    SKIP_WITHOUT("ffprobe");
    FileSpec plan;
    plan.streams.resize(1);
    plan.streams[0].typeSpecific = parseSource(readFileBytes(dataFile("helix_truncated.rm")))->streams[0].typeSpecific;
    plan.packets = {{0, 0, std::string(465, 'x')}};
    const std::string path = build("helix_cook.rm", plan);
    expectAgreesWithFfprobe(path, detailsOf(path));
}

TEST_F(DetailsFixture, BuiltRealAudioAndRealVideoHeadersAgreeWithFfprobe)
{
    SKIP_WITHOUT("ffprobe");
    RealAudioSpec cook5;  // the builder's defaults: version 5, cook
    RealAudioSpec sipr5;
    sipr5.codec = "sipr";
    sipr5.interleaver = "sipr";
    sipr5.flavor = 3;
    sipr5.sampleRate = 16000;
    sipr5.channels = 1;
    RealAudioSpec dnet4;
    dnet4.version = 4;
    dnet4.codec = "dnet";
    dnet4.interleaver = "Int0";
    dnet4.sampleRate = 48000;
    dnet4.codecData.clear();
    RealAudioSpec rate288;
    rate288.version = 4;
    rate288.codec = "28_8";
    rate288.interleaver = "Int4";
    rate288.sampleRate = 8000;
    rate288.channels = 1;
    rate288.codedFrameSize = 38;
    rate288.subPacketH = 12;
    rate288.frameSize = 228;
    rate288.subPacketSize = 38;
    rate288.codecData.clear();
    RealVideoSpec rv40;
    rv40.fps = 0x1DF852;  // 29.97
    rv40.width = 640;
    rv40.height = 360;

    FileSpec plan;
    plan.streams.resize(5);
    const std::string headers[] = {realAudioHeader(cook5), realAudioHeader(sipr5), realAudioHeader(dnet4),
                                   realAudioHeader(rate288), realVideoHeader(rv40)};
    for (uint16_t k = 0; k < 5; ++k) {
        plan.streams[k].number = k;
        plan.streams[k].typeSpecific = headers[k];
        plan.packets.push_back({k, 0, std::string(465, 'x')});
    }
    plan.streams[4].mime = "video/x-pn-realvideo";
    const std::string path = build("built.rm", plan);
    const SourceDetails details = detailsOf(path);
    ASSERT_EQ(details.streams.size(), 5u);
    EXPECT_EQ(StreamSummary(details.streams[0]), "cook 44100 Hz 2 ch");
    EXPECT_EQ(StreamSummary(details.streams[3]), "28_8 8000 Hz 1 ch");
    EXPECT_EQ(StreamSummary(details.streams[4]), "RV40 640x360 29.97 fps");
    expectAgreesWithFfprobe(path, details);
}

TEST_F(DetailsFixture, VersionThreeHeadersCarryNoFiguresAndTheirOwnCodecOnly)
{
    RealAudioSpec three;
    three.version = 3;
    three.codec = "lpcJ";
    FileSpec plan;
    plan.streams.resize(2);
    plan.streams[0].typeSpecific = realAudioHeader(three);
    three.withCodec = false;
    plan.streams[1].number = 1;
    plan.streams[1].typeSpecific = realAudioHeader(three);
    plan.streams[1].avgBitRate = 8000;
    const std::string path = build("three.rm", plan);
    const SourceDetails details = detailsOf(path);
    ASSERT_EQ(details.streams.size(), 2u);
    EXPECT_EQ(StreamSummary(details.streams[0]), "lpcJ");
    EXPECT_EQ(StreamSummary(details.streams[1]), "8 kb/s");

    // ffprobe knows the header for what it is, 14.4, and reports the 8 kHz
    // mono that the format implies but no field carries; it takes no codec
    // tag from a version 3 header.
    SKIP_WITHOUT("ffprobe");
    const Probe p = probe(path);
    EXPECT_EQ(lookUp(p, "streams.stream.0.codec_tag_string"), "[0][0][0][0]");
    EXPECT_EQ(lookUp(p, "streams.stream.0.sample_rate"), "8000");
}

TEST_F(DetailsFixture, FileDetailsComeFromPropContAndTheIndexChain)
{
    FileSpec plan;
    plan.streams.resize(2);
    plan.streams[0].avgBitRate = 64000;
    plan.streams[0].maxBitRate = 96000;
    plan.streams[0].preroll = 1500;
    plan.streams[1].number = 1;
    plan.packets = {{0, 0, "a"}, {1, 0, "b"}, {0, 100, "c"}};
    plan.props.duration = 7250;
    plan.content = {"Title", "Author", "Copyright", "Comment"};
    plan.indexes = {{0, {}}, {1, {0}}};  // only the second chunk holds a record
    const std::string bytes = buildFile(plan);
    const std::string path = build("indexed.rm", plan);

    const SourceDetails details = detailsOf(path);
    EXPECT_EQ(details.size, bytes.size());
    EXPECT_EQ(details.durationMs, 7250u);
    EXPECT_EQ(details.title, "Title");
    EXPECT_EQ(details.author, "Author");
    EXPECT_EQ(details.copyright, "Copyright");
    EXPECT_EQ(details.comment, "Comment");
    EXPECT_TRUE(details.indexed);
    ASSERT_EQ(details.streams.size(), 2u);
    EXPECT_EQ(details.streams[0].bitRate, 64000u);
    EXPECT_EQ(details.streams[0].maxBitRate, 96000u);
    EXPECT_EQ(details.streams[0].prerollMs, 1500u);
    // "codec" is not a codec header.
    EXPECT_EQ(details.streams[0].codec, "");
    EXPECT_EQ(StreamSummary(details.streams[0]), "64 kb/s");
}

TEST_F(DetailsFixture, IndexChunksWithoutRecordsLeaveAFileUnindexed)
{
    FileSpec plan;
    plan.streams.resize(1);
    plan.packets = {{0, 0, "a"}};
    plan.indexes = {{0, {}}};
    std::string empty = buildFile(plan);
    writeFileBytes(dir.file("empty.rm"), empty);
    EXPECT_FALSE(detailsOf(dir.file("empty.rm")).indexed);

    // A count of records the file does not hold, and a chain that loops.
    const uint64_t index = parseRm(empty)->indexOffset;
    std::string lying = empty;
    lying.replace(index + 10, 4, be32(3));
    writeFileBytes(dir.file("lying.rm"), lying);
    EXPECT_FALSE(detailsOf(dir.file("lying.rm")).indexed);
    std::string looping = empty;
    looping.replace(index + 16, 4, be32(static_cast<uint32_t>(index)));
    writeFileBytes(dir.file("looping.rm"), looping);
    EXPECT_FALSE(detailsOf(dir.file("looping.rm")).indexed);

    plan.indexes.clear();
    EXPECT_FALSE(detailsOf(build("none.rm", plan)).indexed);
}

TEST_F(DetailsFixture, AFileWithoutContentHasNoTextsWhateverWasScannedBefore)
{
    RmMuxer muxer;
    char names[kMaxStreams][rm::kNameCapacity];
    int32_t kinds[kMaxStreams];
    ASSERT_EQ(muxer.Scan(dataFile("audio_ac3_meta.rm"), names, kinds), 1);
    EXPECT_EQ(ScannedSourceDetails(muxer).title, "Test Tone");

    FileSpec plan;
    plan.streams.resize(1);
    plan.withContent = false;
    ASSERT_EQ(muxer.Scan(build("plain.rm", plan), names, kinds), 1);
    const SourceDetails second = ScannedSourceDetails(muxer);
    EXPECT_EQ(second.title, "");
    EXPECT_EQ(second.author, "");
    EXPECT_EQ(second.copyright, "");
    EXPECT_EQ(second.comment, "");
}

TEST(StreamSummary, ShowsTheFiguresAStreamHasInOneLine)
{
    StreamDetails video;
    video.codec = "RV40";
    video.width = 1280;
    video.height = 720;
    video.fps = 23.976;
    video.bitRate = 1499500;
    EXPECT_EQ(StreamSummary(video), "RV40 1280x720 23.976 fps 1500 kb/s");
    video.fps.reset();
    video.bitRate = 0;
    EXPECT_EQ(StreamSummary(video), "RV40 1280x720");

    StreamDetails audio;
    audio.codec = "cook";
    audio.sampleRate = 22050;
    audio.channels = 1;
    audio.bitRate = 4294967295u;
    EXPECT_EQ(StreamSummary(audio), "cook 22050 Hz 1 ch 4294967 kb/s");
    EXPECT_EQ(StreamSummary(StreamDetails{}), "");
}

TEST_F(DetailsFixture, MultiRateStreamShowsItsFirstCodecAndHowManyRates)
{
    // A SureStream file's audio: an "MLTI" wrapper of two cook headers.
    RealAudioSpec low;
    low.sampleRate = 22050;
    low.channels = 1;
    const std::string first = realAudioHeader(low), second = realAudioHeader({});
    FileSpec plan;
    StreamSpec audio;
    audio.avgBitRate = 64000;
    audio.typeSpecific = "MLTI" + be16(2) + be16(0) + be16(1) + be16(2) + be32(static_cast<uint32_t>(first.size()))
                         + first + be32(static_cast<uint32_t>(second.size())) + second;
    plan.streams = {audio};
    plan.packets = {{0, 0, "a"}};
    writeFileBytes(dir.file("multi.rm"), buildFile(plan));
    const SourceDetails details = detailsOf(dir.file("multi.rm"));
    ASSERT_EQ(details.streams.size(), 1u);
    EXPECT_EQ(details.streams[0].codec, "cook");
    EXPECT_EQ(details.streams[0].rates, 2);
    EXPECT_EQ(StreamSummary(details.streams[0]), "cook (2 rates) 22050 Hz 1 ch 64 kb/s");
}
