// Edits keep whole units: every frame and audio block inside the range and
// nothing outside, judged by a little selector of its own on packet lists;
// split parts append back to their source; headers keep their producers'
// figures; and the edges where edits once failed quietly.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "support/edit_files.h"

using namespace testing_rm;

namespace {

// A time in ms as --start and --end take it: "12.034".
std::string seconds(uint32_t ms)
{
    const std::string thousandths = std::to_string(1000 + ms % 1000);
    return std::to_string(ms / 1000) + "." + thousandths.substr(1);
}

// What an edit keeps or drops whole.
enum class Kind { Frame, Block, Packet };

Kind kindOf(const ParsedStream& s)
{
    if (s.mime.rfind("video", 0) == 0)
        return Kind::Frame;
    for (const char* codec : {"cook", "atrc", "sipr"})
        if (s.typeSpecific.find(codec) != std::string::npos)
            return Kind::Block;
    return Kind::Packet;
}

struct Unit {
    int64_t start;
    bool key;
    std::vector<ParsedPacket> packets;
};

std::vector<Unit> unitsOf(const std::vector<ParsedPacket>& packets, Kind kind)
{
    std::vector<Unit> units;
    for (const ParsedPacket& p : packets) {
        const bool key = (p.flags & 2) != 0;
        if (units.empty() || kind == Kind::Packet || (kind == Kind::Frame && p.timestamp != units.back().start)
            || (kind == Kind::Block && key))
            units.push_back({p.timestamp, key, {}});
        units.back().packets.push_back(p);
    }
    return units;
}

// The streams a merge of the whole file writes: those with a duration.
std::vector<ParsedStream> usable(const ParsedFile& file)
{
    std::vector<ParsedStream> streams;
    for (const ParsedStream& s : file.streams)
        if (s.duration != 0)
            streams.push_back(s);
    return streams;
}

// The packets of each usable stream that [start, end) keeps, and the shift:
// the earliest unit start kept. Ranges stay clear of each stream's last
// unit, whose end only the codec header knows.
std::vector<std::vector<ParsedPacket>> select(const ParsedFile& file, uint32_t start, uint32_t end, int64_t& shift)
{
    int64_t s = start;
    for (const ParsedStream& stream : usable(file))
        if (kindOf(stream) == Kind::Frame)
            for (const Unit& u : unitsOf(packetsOf(file, stream.number), Kind::Frame))
                if (u.key && u.start <= start)
                    s = u.start;
    std::vector<std::vector<ParsedPacket>> kept;
    shift = INT64_MAX;
    for (const ParsedStream& stream : usable(file)) {
        const std::vector<Unit> units = unitsOf(packetsOf(file, stream.number), kindOf(stream));
        std::vector<std::size_t> chosen;
        if (kindOf(stream) == Kind::Frame) {
            // From the keyframe at S to the last frame before E, in file order.
            std::size_t first = 0;
            while (first < units.size() && !(units[first].key && units[first].start >= s))
                ++first;
            std::size_t last = first;
            for (std::size_t k = first; k < units.size(); ++k)
                if (units[k].start < end)
                    last = k + 1;
            for (std::size_t k = first; k < last; ++k)
                chosen.push_back(k);
        } else {
            for (std::size_t k = 0; k < units.size(); ++k)
                if (units[k].start < end && (k + 1 == units.size() || units[k + 1].start > s))
                    chosen.push_back(k);
        }
        kept.emplace_back();
        for (std::size_t k : chosen) {
            shift = std::min(shift, units[k].start);
            kept.back().insert(kept.back().end(), units[k].packets.begin(), units[k].packets.end());
        }
    }
    return kept;
}

// Where two runs of packets first differ, in payload or in timestamp once
// `shift` is taken from the source's; -1 when they do not.
long firstDifference(const std::vector<ParsedPacket>& out, const std::vector<ParsedPacket>& source, int64_t shift)
{
    for (std::size_t k = 0; k < std::max(out.size(), source.size()); ++k)
        if (k >= out.size() || k >= source.size() || out[k].payload != source[k].payload
            || out[k].timestamp != source[k].timestamp - shift)
            return static_cast<long>(k);
    return -1;
}

}  // namespace

TEST(EditRange, EveryUnitInsideTheRangeAndNothingOutside)
{
    TempDir dir;
    const bool ffmpeg = haveProgram("ffmpeg");
    std::vector<std::pair<std::string, bool>> files;  // path, whether ffmpeg can decode it
    for (const char* name : {"rv30_cook_armexport60.rm", "rv40_bframes_cook_helix90.rmvb", "cook_fileinfo_rp85basic.rm",
                             "dnet_realencoder51_indx20.rm", "cook_realevent_rp61plus.rm"})
        files.emplace_back(realFile(name), true);
    writeFileBytes(dir.file("film.rm"), filmBytes(FilmPlan{}));
    files.emplace_back(dir.file("film.rm"), false);
    if (ffmpeg) {
        // RealVideo 2 with AC-3 audio, one packet a unit, keyframes every half second.
        const Outcome made = run({"ffmpeg", "-v", "error", "-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=8",
                                  "-f", "lavfi", "-i", "sine=duration=8", "-c:v", "rv20", "-g", "12", "-c:a", "ac3",
                                  dir.file("made.rm")});
        ASSERT_EQ(made.status, 0) << made.err;
        files.emplace_back(dir.file("made.rm"), true);
    }
    std::mt19937 random(25);
    for (const auto& [path, decodable] : files) {
        const ParsedFile in = parseSource(readFileBytes(path)).value();
        for (int trial = 0; trial < 12; ++trial) {
            const uint32_t start = std::uniform_int_distribution<uint32_t>(0, in.duration - 3000)(random);
            const uint32_t end = start + std::uniform_int_distribution<uint32_t>(1, 15000)(random);
            const std::string what = path + " from " + std::to_string(start) + " to " + std::to_string(end);
            const std::string out = dir.file("cut.rm");
            const Outcome o = cli({"merge", "--verify", "--no-sync", "-o", out, "--start", seconds(start), "--end",
                                   seconds(end), path});
            int64_t shift = 0;
            const auto kept = select(in, start, end, shift);
            if (std::all_of(kept.begin(), kept.end(), [](const auto& s) { return s.empty(); })) {
                EXPECT_EQ(o.status, 1) << what;
                continue;
            }
            EXPECT_EQ(o.status, 0) << what << ": " << o.err;
            if (o.status != 0)
                continue;
            const ParsedFile cut = parseRm(readFileBytes(out)).value();
            ASSERT_EQ(cut.streams.size(), kept.size()) << what;
            for (uint16_t n = 0; n < kept.size(); ++n) {
                const std::vector<ParsedPacket> written = packetsOf(cut, n);
                EXPECT_EQ(firstDifference(written, kept[n], shift), -1)
                    << what << ", stream " << n << ": " << written.size() << " packets written, " << kept[n].size()
                    << " kept by the rule";
            }
            if (ffmpeg && decodable) {
                const Outcome decoded = run({"ffmpeg", "-v", "error", "-i", out, "-f", "null", "-"});
                EXPECT_EQ(decoded.status, 0) << what;
                EXPECT_EQ(decoded.err, "") << what;
            }
        }
    }
}

TEST(EditRange, EdgesWhereEditsOnceFailedQuietly)
{
    TempDir dir;
    const std::string rv30 = realFile("rv30_cook_armexport60.rm");
    FileSpec oneFrame = filmLayout(FilmPlan{});
    oneFrame.streams.resize(1);
    oneFrame.packets = {{0, 0, "v0", 2}};
    oneFrame.streams[0].typeSpecific = realVideoHeader(RealVideoSpec{"RV40", 320, 240, 10 << 16});
    writeFileBytes(dir.file("one.rm"), buildFile(oneFrame));
    FilmPlan high;
    high.firstMs = 4294950000u;
    high.endMs = 4294960000u;
    writeFileBytes(dir.file("high.rm"), filmBytes(high));
    const auto timestamps = [&](const std::string& name, uint16_t stream) {
        std::vector<uint32_t> times;
        for (const ParsedPacket& p : packetsOf(parseRm(readFileBytes(dir.file(name))).value(), stream))
            times.push_back(p.timestamp);
        return times;
    };
    const struct {
        std::vector<std::string> args;
        int status;
        const char* message;
        std::function<void()> check;
    } rows[] = {
        // 4: no packet, a lone block, a lone frame twice: never "Wrote" a file check refuses.
        {{"merge", "-o", "out.rm", "--end", "0", rv30}, 1, "would hold no packet", nullptr},
        {{"merge", "-o", "out.rm", "--start", "10", "--end", "11", realFile("cook_fileinfo_rp85basic.rm")}, 0, "",
         [&] { EXPECT_GT(parseRm(readFileBytes(dir.file("out.rm")))->streams[0].duration, 2000u); }},
        {{"append", "-o", "out.rm", "one.rm", "one.rm"}, 0, "",
         [&] { EXPECT_EQ(timestamps("out.rm", 0), (std::vector<uint32_t>{0, 100})); }},
        // 5: past 2^32 - 1 ms.
        {{"append", "-o", "out.rm", "high.rm", "high.rm"}, 1, "past 4,294,967,295 ms", nullptr},
        {{"merge", "-o", "out.rm", "--delay", "1=10000", "high.rm"}, 1, "past 4,294,967,295 ms", nullptr},
        // 6: a part that does not start at 0 starts where the one before ends.
        {{"merge", "-o", "p1.rm", "--end", "30", rv30}, 0, "", nullptr},
        {{"merge", "-o", "p2.rm", "--start", "30", "--keep-timestamps", rv30}, 0, "", nullptr},
        {{"append", "-o", "out.rm", "p1.rm", "p2.rm"}, 0, "",
         [&] {
             const ParsedFile p1 = parseRm(readFileBytes(dir.file("p1.rm"))).value();
             const std::vector<uint32_t> audio = timestamps("out.rm", 0);
             ASSERT_GT(audio.size(), packetsOf(p1, 0).size());
             EXPECT_NEAR(audio[packetsOf(p1, 0).size()], p1.duration, 1);
         }},
        // 7: a last part without audio keeps a usable audio stream.
        {{"split", "-o", "cut.rm", "--at", "69", rv30}, 0, "", nullptr},
        {{"append", "-o", "out.rm", "cut-001.rm", "cut-002.rm"}, 0, "", nullptr},
        // 8: parts of an earlier split are not mixed with a new one's.
        {{"split", "-o", "cut.rm", "--every", "30", rv30}, 2, "cut-001.rm and 1 more part already exist", nullptr},
        {{"split", "-o", "cut.rm", "--every", "100", "--overwrite", rv30}, 0, "",
         [&] { EXPECT_FALSE(std::filesystem::exists(dir.file("cut-002.rm"))); }},
        // 9: settings that were ignored.
        {{"merge", "-o", "out.rm", "--delay", "5=100", rv30}, 2, "There is no output stream 5 to delay", nullptr},
        {{"split", "-o", "k.rm", "--every", "30", "--keep-timestamps", rv30}, 2, "--keep-timestamps is not an option",
         nullptr},
        {{"split", "-o", "z.rm", "--at", "0", rv30}, 0, "",
         [&] { EXPECT_FALSE(std::filesystem::exists(dir.file("z-002.rm"))); }},
    };
    for (const auto& row : rows) {
        std::vector<std::string> args = row.args;
        args.insert(args.begin() + 1, "--no-sync");
        for (std::string& arg : args)
            if (arg.find('/') == std::string::npos && arg.find(".rm") != std::string::npos)
                arg = dir.file(arg);
        std::filesystem::remove(dir.file("out.rm"));
        const std::vector<std::string> before = dir.entries();
        const Outcome o = cli(args);
        const std::string what = row.args[0] + " " + row.args[2] + " " + row.args[3];
        EXPECT_EQ(o.status, row.status) << what << ": " << o.err;
        EXPECT_NE(o.err.find(row.message), std::string::npos) << what << ": " << o.err;
        if (row.status != 0) {
            EXPECT_EQ(dir.entries(), before) << what;
        } else if (std::filesystem::exists(dir.file("out.rm"))) {
            EXPECT_EQ(cli({"check", dir.file("out.rm")}).status, 0) << what;
        }
        if (row.check && o.status == 0)
            row.check();
    }
}

TEST(EditRange, SplitPartsAppendBackToTheSource)
{
    // Every real file cut in parts and appended again: every packet comes
    // back with its source timestamp, and the streams keep their figures.
    for (const char* name : {"rv30_cook_armexport60.rm", "rv40_bframes_cook_helix90.rmvb", "cook_fileinfo_rp85basic.rm",
                             "dnet_realencoder51_indx20.rm", "cook_realevent_rp61plus.rm"}) {
        TempDir dir;
        const ParsedFile in = parseSource(readFileBytes(realFile(name))).value();
        // The split reads every part back too.
        const Outcome split = cli({"split", "--no-sync", "--verify", "-o", dir.file("part.rm"), "--every",
                                   std::to_string(in.duration / 3000), realFile(name)});
        ASSERT_EQ(split.status, 0) << name << ": " << split.err;
        // (A file with one keyframe gives one part, merged alone.)
        std::vector<std::string> args = {dir.entries().size() > 1 ? "append" : "merge", "--no-sync", "--verify", "-o",
                                         dir.file("whole.rm")};
        for (const std::string& part : dir.entries())
            args.push_back(dir.file(part));
        const Outcome append = cli(args);
        ASSERT_EQ(append.status, 0) << name << ": " << append.err;
        const ParsedFile whole = parseRm(readFileBytes(dir.file("whole.rm"))).value();
        const std::vector<ParsedStream> streams = usable(in);
        ASSERT_EQ(whole.streams.size(), streams.size()) << name;
        for (uint16_t n = 0; n < streams.size(); ++n) {
            const std::vector<ParsedPacket> source = packetsOf(in, streams[n].number), back = packetsOf(whole, n);
            EXPECT_EQ(firstDifference(back, source, 0), -1) << name << ", stream " << n;
            EXPECT_EQ(whole.streams[n].avgBitRate, streams[n].avgBitRate) << name << ", stream " << n;
        }
    }
}
