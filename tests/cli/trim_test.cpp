// kestrova-cli merge --start/--end: a trim at keyframes, on a generated
// film with keyframes every half second and on the real files.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/edit_files.h"
#include "support/temp_dir.h"

using namespace testing_rm;

namespace {

// The output stream is one unbroken run of the source stream's packets,
// each shifted back by `shift`; returns where the run starts in the source.
std::size_t expectContiguousRun(const std::vector<ParsedPacket>& source, const std::vector<ParsedPacket>& out,
                                int64_t shift, const std::string& what)
{
    EXPECT_FALSE(out.empty()) << what;
    if (out.empty())
        return 0;
    std::size_t first = 0;
    while (first < source.size() && source[first].payload != out[0].payload)
        ++first;
    EXPECT_LE(first + out.size(), source.size()) << what;
    for (std::size_t k = 0; k < out.size() && first + k < source.size(); ++k) {
        EXPECT_EQ(out[k].payload, source[first + k].payload) << what << " packet " << k;
        EXPECT_EQ(int64_t{out[k].timestamp}, int64_t{source[first + k].timestamp} - shift) << what << " packet " << k;
        EXPECT_EQ(out[k].flags, source[first + k].flags) << what << " packet " << k;
    }
    return first;
}

}  // namespace

TEST(Trim, GeneratedFilmStartsAtTheKeyframeBeforeTheStart)
{
    const struct {
        bool indexed;
        std::vector<std::string> options;
        uint32_t videoStart, audioStart, end, outEnd;  // in the source's time
        int64_t shift;
        const char* report;
    } rows[] = {
        {true, {"--start", "2.3", "--end", "4.1"}, 2000, 2000, 4100, 4400, 2000,
         "from the keyframe at 2.000 s (asked 2.300 s) to 4.100 s: video 2.000 s\u20134.100 s, audio 2.000 s\u20134.400 s"},
        {false, {"--start", "0:02.3", "--end", "4.1"}, 2000, 2000, 4100, 4400, 2000,
         "from the keyframe at 2.000 s (asked 2.300 s) to 4.100 s"},
        // The audio block playing at the keyframe (one every 400 ms) is kept
        // whole, and the output starts with it.
        {true, {"--start", "2.6", "--end", "5"}, 2500, 2400, 5000, 5200, 2400,
         "video 2.500 s\u20135.000 s, audio 2.400 s\u20135.200 s"},
        // The last block lasts as its cook header says: 1858 ms.
        {true, {"--start", "3", "--keep-timestamps"}, 3000, 2800, 10000, 9600 + 1858, 0,
         "from 3.000 s: video 3.000 s\u20139.990 s, audio 2.800 s\u201311.458 s"},
        {true, {"--end", "1.5"}, 0, 0, 1500, 1600, 0, "to 1.500 s: video 0.000 s\u20131.500 s, audio 0.000 s\u20131.600 s"},
    };
    for (const auto& row : rows) {
        TempDir dir;
        FilmPlan film;
        film.indexed = row.indexed;
        const std::string source = dir.file("film.rm");
        writeFileBytes(source, filmBytes(film));
        std::vector<std::string> args = {"merge", "--verify", "-o", dir.file("cut.rm")};
        args.insert(args.end(), row.options.begin(), row.options.end());
        args.push_back(source);
        const std::string what = row.options[0] + " " + row.options[1] + (row.indexed ? "" : " without index");
        const Outcome o = cli(args);
        ASSERT_EQ(o.status, 0) << what << ": " << o.err;
        EXPECT_NE(o.out.find(row.report), std::string::npos) << what << ": " << o.out;

        const ParsedFile in = parseRm(readFileBytes(source)).value();
        const ParsedFile out = parseRm(readFileBytes(dir.file("cut.rm"))).value();
        const std::vector<ParsedPacket> video = packetsOf(out, 0);
        const std::vector<ParsedPacket> audio = packetsOf(out, 1);
        ASSERT_FALSE(video.empty()) << what;
        ASSERT_FALSE(audio.empty()) << what;
        EXPECT_EQ(video.front().payload, "v" + std::to_string(row.videoStart) + ".0") << what;
        EXPECT_EQ(video.front().flags & 2, 2) << what;
        EXPECT_EQ(audio.front().payload, "a" + std::to_string(row.audioStart)) << what;
        EXPECT_LT(video.back().timestamp + row.shift, row.end) << what;
        EXPECT_GE(video.back().timestamp + row.shift + 50, row.end) << what;
        expectContiguousRun(packetsOf(in, 0), video, row.shift, what + ", video");
        expectContiguousRun(packetsOf(in, 1), audio, row.shift, what + ", audio");
        // Index records are the source's that met a written packet, or built.
        for (const ParsedIndex& index : out.indexes)
            for (const ParsedIndexRecord& record : index.records) {
                ASSERT_LT(record.packetCount, out.packets.size()) << what;
                EXPECT_EQ(out.packets[record.packetCount].offset, record.offset) << what;
                EXPECT_EQ(out.packets[record.packetCount].timestamp, record.timestamp) << what;
            }
        EXPECT_EQ(int64_t{out.duration}, row.outEnd - row.shift) << what;
    }
}

TEST(Trim, RealFilesDecodeFromTheirFirstPacket)
{
    const bool ffmpeg = haveProgram("ffmpeg");
    const struct {
        const char* name;
        const char* streams;
        std::vector<std::string> options;
    } rows[] = {
        {"rv30_cook_armexport60.rm", ":0,1", {"--start", "20", "--end", "40.5"}},
        {"rv30_cook_armexport60.rm", ":0,1", {"--start", "1:00"}},
        {"rv40_bframes_cook_helix90.rmvb", ":0,1", {"--start", "3", "--end", "7"}},
        {"cook_fileinfo_rp85basic.rm", ":0", {"--start", "1:30", "--end", "2:00"}},
    };
    for (const auto& row : rows) {
        TempDir dir;
        const std::string source = realFile(row.name);
        const std::string out = dir.file("cut.rm");
        std::vector<std::string> args = {"merge", "--verify", "-o", out};
        args.insert(args.end(), row.options.begin(), row.options.end());
        args.push_back(source + row.streams);
        const std::string what = std::string(row.name) + " " + row.options[1];
        const Outcome o = cli(args);
        ASSERT_EQ(o.status, 0) << what << ": " << o.err;

        const ParsedFile in = parseSource(readFileBytes(source)).value();
        const ParsedFile cut = parseRm(readFileBytes(out)).value();
        // One common shift: the earliest unit kept (the audio block playing
        // at the keyframe) is at 0.
        uint32_t earliest = UINT32_MAX;
        for (const ParsedPacket& p : cut.packets)
            earliest = std::min(earliest, p.timestamp);
        EXPECT_EQ(earliest, 0u) << what;
        const bool hasVideo = cut.streams[0].mime.find("video") != std::string::npos
                              || (cut.streams.size() > 1 && cut.streams[1].mime.find("video") != std::string::npos);
        const uint16_t anchor = cut.streams[0].mime.find("video") != std::string::npos ? 0 : (hasVideo ? 1 : 0);
        const std::vector<ParsedPacket> anchorOut = packetsOf(cut, anchor);
        ASSERT_FALSE(anchorOut.empty()) << what;
        EXPECT_EQ(anchorOut.front().flags & 2, 2) << what;
        const std::string streams = row.streams + 1;
        std::vector<uint16_t> sourceNumbers;
        for (char c : streams)
            if (c != ',')
                sourceNumbers.push_back(static_cast<uint16_t>(c - '0'));
        const std::vector<ParsedPacket> anchorSource = packetsOf(in, sourceNumbers[anchor]);
        std::size_t first = 0;
        while (first < anchorSource.size() && anchorSource[first].payload != anchorOut.front().payload)
            ++first;
        ASSERT_LT(first, anchorSource.size()) << what;
        const int64_t shift = int64_t{anchorSource[first].timestamp} - anchorOut.front().timestamp;
        for (std::size_t o = 0; o < sourceNumbers.size(); ++o)
            expectContiguousRun(packetsOf(in, sourceNumbers[o]), packetsOf(cut, static_cast<uint16_t>(o)), shift,
                                what + ", stream " + std::to_string(o));

        if (ffmpeg) {
            const Outcome decoded = run({"ffmpeg", "-v", "error", "-i", out, "-f", "null", "-"});
            EXPECT_EQ(decoded.status, 0) << what;
            EXPECT_EQ(decoded.err, "") << what;
        }
        const Outcome check = cli({"check", out});
        EXPECT_EQ(check.status, 0) << what << ": " << check.out << check.err;
    }
}

TEST(Trim, TimesThatCannotBeUsedAreRefused)
{
    TempDir dir;
    writeFileBytes(dir.file("film.rm"), filmBytes(FilmPlan{}));
    const struct {
        std::vector<std::string> options;
        int status;
        const char* message;
    } rows[] = {
        {{"--start", "1:75"}, 2, "\"1:75\" is not a time"},
        {{"--end", "ten"}, 2, "\"ten\" is not a time"},
        {{"--start", "5", "--end", "4"}, 2, "--end must come after --start"},
        {{"--start", "20"}, 1, "The start 20.000 s lies past the end of the output, at 10.000 s"},
    };
    for (const auto& row : rows) {
        std::vector<std::string> args = {"merge", "-o", dir.file("out.rm")};
        args.insert(args.end(), row.options.begin(), row.options.end());
        args.push_back(dir.file("film.rm"));
        const Outcome o = cli(args);
        EXPECT_EQ(o.status, row.status) << row.message;
        EXPECT_NE(o.err.find(row.message), std::string::npos) << o.err;
        EXPECT_EQ(dir.entries(), std::vector<std::string>{"film.rm"});
    }
}

TEST(Trim, ACutFromTheMiddleReadsAboutWhatItKeeps)
{
    TempDir dir;
    FilmPlan film;
    film.endMs = 120000;
    const std::string source = dir.file("film.rm");
    writeFileBytes(source, filmBytes(film));
    const Outcome o = cli({"merge", "-o", dir.file("cut.rm"), "--start", "1:00", "--end", "1:02", source});
    ASSERT_EQ(o.status, 0) << o.err;
    const std::size_t at = o.out.find(" bytes of packets read");
    ASSERT_NE(at, std::string::npos) << o.out;
    std::string digits;
    for (std::size_t k = o.out.rfind('(', at) + 1; k < at; ++k)
        if (o.out[k] != ',')
            digits += o.out[k];
    // Two seconds of a two-minute film, and the keyframe interval before
    // the start that the search for the keyframe reads: well under a tenth.
    const uint64_t read = std::stoull(digits);
    EXPECT_GT(read, 0u);
    EXPECT_LT(read, readFileBytes(source).size() / 10) << o.out;
}
