// kestrova-cli split, and merge --delay: parts that hold every packet once,
// and streams moved in time.
#include <gtest/gtest.h>

#include "support/edit_files.h"
#include "support/temp_dir.h"

using namespace testing_rm;

TEST(Split, PartsStartAtKeyframesAndAppendBackToTheSource)
{
    const struct {
        std::vector<std::string> options;
        std::string output;
        std::vector<std::string> parts;
        std::vector<uint32_t> starts;  // each part's first video time in the source
    } rows[] = {
        {{"--every", "3"}, "film.rm", {"film-001.rm", "film-002.rm", "film-003.rm", "film-004.rm"},
         {0, 3000, 6000, 9000}},
        {{"--at", "2.2,7"}, "cut-%d.rm", {"cut-1.rm", "cut-2.rm", "cut-3.rm"}, {0, 2500, 7000}},
        {{"--size", "2K"}, "small", {}, {}},
    };
    for (const auto& row : rows) {
        TempDir dir;
        const std::string source = dir.file("source.rm");
        writeFileBytes(source, filmBytes(FilmPlan{}));
        std::vector<std::string> args = {"split", "-o", dir.file(row.output)};
        args.insert(args.end(), row.options.begin(), row.options.end());
        args.push_back(source);
        const Outcome o = cli(args);
        ASSERT_EQ(o.status, 0) << row.output << ": " << o.err;

        std::vector<std::string> names = dir.entries();
        names.erase(std::find(names.begin(), names.end(), "source.rm"));
        if (!row.parts.empty()) {
            EXPECT_EQ(names, row.parts);
        }
        ASSERT_GE(names.size(), 2u) << row.output;
        std::vector<std::string> append = {"append", "-o", dir.file("joined.rm")};
        for (std::size_t k = 0; k < names.size(); ++k) {
            const std::string part = dir.file(names[k]);
            append.push_back(part);
            const ParsedFile file = parseRm(readFileBytes(part)).value();
            const std::vector<ParsedPacket> video = packetsOf(file, 0);
            ASSERT_FALSE(video.empty()) << names[k];
            EXPECT_EQ(video.front().timestamp, 0u) << names[k];
            EXPECT_EQ(video.front().flags & 2, 2) << names[k];
            if (!row.starts.empty()) {
                EXPECT_EQ(video.front().payload, "v" + std::to_string(row.starts[k]) + ".0") << names[k];
            }
            if (row.options[0] == "--size") {
                EXPECT_LE(readFileBytes(part).size(), 2048u) << names[k];
            }
            EXPECT_FALSE(file.indexes.empty() || file.indexes[0].records.empty()) << names[k];
            const Outcome check = cli({"check", part});
            EXPECT_EQ(check.status, 0) << names[k] << ": " << check.out;
        }
        // Appended back, the parts hold the source's packets once each, in order.
        const Outcome joined = cli(append);
        ASSERT_EQ(joined.status, 0) << joined.err;
        const ParsedFile in = parseRm(readFileBytes(source)).value();
        const ParsedFile back = parseRm(readFileBytes(dir.file("joined.rm"))).value();
        for (uint16_t stream : {0, 1}) {
            EXPECT_EQ(payloadsOf(packetsOf(back, stream)), payloadsOf(packetsOf(in, stream))) << row.output;
            const std::vector<ParsedPacket> a = packetsOf(back, stream), b = packetsOf(in, stream);
            for (std::size_t k = 0; k < std::min(a.size(), b.size()); ++k)
                EXPECT_EQ(a[k].timestamp, b[k].timestamp) << row.output << " stream " << stream << " packet " << k;
        }
    }
}

TEST(Split, AFailedSplitLeavesNoPartAndChangesNoFile)
{
    TempDir dir;
    writeFileBytes(dir.file("source.rm"), filmBytes(FilmPlan{}));
    // The third part's name is taken by a folder: the parts already
    // written are not put in place either, even to replace older ones.
    writeFileBytes(dir.file("film-001.rm"), "keep me");
    std::filesystem::create_directory(dir.file("film-003.rm"));
    const Outcome o = cli({"split", "--overwrite", "-o", dir.file("film.rm"), "--every", "3", dir.file("source.rm")});
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("film-003.rm is a folder"), std::string::npos) << o.err;
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"film-001.rm", "film-003.rm", "source.rm"}));
    EXPECT_EQ(readFileBytes(dir.file("film-001.rm")), "keep me");
}

TEST(Delay, StreamsMoveAndWhatFallsBeforeZeroIsLeftOut)
{
    const struct {
        const char* delay;
        int32_t ms;
        std::size_t dropped;  // audio packets left out: whole blocks of four
    } rows[] = {
        {"1=300", 300, 0},
        {"1=-250", -250, 4},
        {"0=-1000", -1000, 0},
    };
    for (const auto& row : rows) {
        TempDir dir;
        const std::string source = dir.file("film.rm");
        writeFileBytes(source, filmBytes(FilmPlan{}));
        const Outcome o = cli({"merge", "--verify", "--delay", row.delay, "-o", dir.file("out.rm"), source});
        ASSERT_EQ(o.status, 0) << row.delay << ": " << o.err;
        const uint16_t moved = row.delay[0] == '1' ? 1 : 0;
        const ParsedFile in = parseRm(readFileBytes(source)).value();
        const ParsedFile out = parseRm(readFileBytes(dir.file("out.rm"))).value();
        const std::vector<ParsedPacket> before = packetsOf(in, moved), after = packetsOf(out, moved);
        const std::size_t dropped = moved == 0 ? 20 * 2 : row.dropped;  // video: two packets a frame
        ASSERT_EQ(after.size() + dropped, before.size()) << row.delay;
        for (std::size_t k = 0; k < after.size(); ++k) {
            EXPECT_EQ(after[k].payload, before[k + dropped].payload) << row.delay;
            EXPECT_EQ(int64_t{after[k].timestamp}, int64_t{before[k + dropped].timestamp} + row.ms) << row.delay;
        }
        // The other stream is left as it was.
        EXPECT_EQ(payloadsOf(packetsOf(out, 1 - moved)), payloadsOf(packetsOf(in, 1 - moved)));
        if (dropped > 0) {
            EXPECT_NE(o.err.find(std::to_string(dropped) + " packets of output stream " + std::to_string(moved)
                                 + " would fall before 0 with its delay of " + std::to_string(row.ms) + " ms"),
                      std::string::npos)
                << o.err;
        } else {
            EXPECT_EQ(o.err, "") << row.delay;
        }
    }
}
