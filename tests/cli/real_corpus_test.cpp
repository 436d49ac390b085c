// Files written by real producers (Helix, RealProducer, RealEncoder, the
// RealMedia export plug-in): each merges with all its usable streams, every
// stream decodes to the frames of its source, check finds no problem, and
// the output's PROP figures are those of the packets it holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <sstream>
#include <tuple>

#include "support/cli_run.h"
#include "support/process.h"
#include "support/rm_parser.h"
#include "support/temp_dir.h"

using namespace testing_rm;

namespace {

std::vector<std::string> corpusFiles()
{
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(KESTROVA_REAL_CORPUS))
        if (entry.is_regular_file() && entry.path().extension() != ".md")
            files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

bool realMedia(const std::string& path)
{
    const std::string extension = std::filesystem::path(path).extension().string();
    return extension == ".rm" || extension == ".rmvb";
}

// ffmpeg's frame checksums of one stream, decoded or (with `copy`) as its
// packets' payloads; the lines of frames only, without the preamble.
std::vector<std::string> frames(const std::string& path, int stream, bool copy)
{
    std::vector<std::string> args = {"ffmpeg", "-nostdin", "-v", "quiet", "-i", path, "-map", "0:" + std::to_string(stream)};
    if (copy)
        args.insert(args.end(), {"-c", "copy"});
    args.insert(args.end(), {"-f", "framemd5", "-"});
    const Outcome o = run(args);
    std::vector<std::string> lines;
    std::istringstream in(o.out);
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] != '#')
            lines.push_back(line);
    return lines;
}

// A one-file merge keeps the figures its producer wrote: each stream's, and
// the file's, which every producer in the corpus sets from its streams'.
void expectFiguresOfItsProducer(const ParsedFile& in, const ParsedFile& out)
{
    EXPECT_EQ(out.numPackets, out.packets.size());
    EXPECT_EQ(std::tie(out.maxBitRate, out.avgBitRate, out.maxPacketSize, out.avgPacketSize, out.duration, out.preroll),
              std::tie(in.maxBitRate, in.avgBitRate, in.maxPacketSize, in.avgPacketSize, in.duration, in.preroll));
    std::size_t o = 0;
    for (const ParsedStream& s : in.streams) {
        if (s.duration == 0 || o >= out.streams.size())
            continue;  // not usable, not merged
        const ParsedStream& w = out.streams[o++];
        EXPECT_EQ(std::tie(w.maxBitRate, w.avgBitRate, w.maxPacketSize, w.avgPacketSize, w.startTime, w.preroll, w.duration),
                  std::tie(s.maxBitRate, s.avgBitRate, s.maxPacketSize, s.avgPacketSize, s.startTime, s.preroll, s.duration))
            << "stream " << s.number;
    }
}

struct RealCorpus : ::testing::Test {
    TempDir dir;

    void SetUp() override
    {
        if (!std::filesystem::is_directory(KESTROVA_REAL_CORPUS))
            GTEST_SKIP() << "no corpus of real files at " << KESTROVA_REAL_CORPUS
                         << " (the shared/ folder beside the repository)";
        if (!haveProgram("ffmpeg"))
            GTEST_SKIP() << "ffmpeg is not installed";
    }
};

}  // namespace

TEST_F(RealCorpus, EveryFileMergesAndEveryStreamDecodesAsItsSource)
{
    const std::regex reported(R"(stream (\d+): \d+ packets from .* stream (\d+),)");
    int merged = 0;
    for (const std::string& source : corpusFiles()) {
        SCOPED_TRACE(source);
        const std::string out = dir.file("out.rm");
        const Outcome o = cli({"merge", "--strict", "--verify", "--no-sync", "-o", out, source});
        if (!realMedia(source)) {
            // An old .ra file is no RealMedia file: refused, and said why.
            EXPECT_NE(o.status, 0);
            EXPECT_NE(o.err.find("Invalid RM file"), std::string::npos) << o.err;
            continue;
        }
        ASSERT_EQ(o.status, 0) << o.err;
        EXPECT_EQ(o.err, "");
        ++merged;

        // Each output stream against the source stream it came from, as
        // ffmpeg reads them: the payloads, and the frames it decodes.
        int streams = 0;
        std::istringstream lines(o.out);
        for (std::string line; std::getline(lines, line);) {
            std::smatch m;
            if (!std::regex_search(line, m, reported))
                continue;
            const int output = std::stoi(m[1]), from = std::stoi(m[2]);
            ++streams;
            const std::vector<std::string> payloads = frames(source, from, true);
            EXPECT_FALSE(payloads.empty()) << "stream " << from;
            EXPECT_EQ(frames(out, output, true), payloads) << "stream " << from;
            EXPECT_EQ(frames(out, output, false), frames(source, from, false)) << "stream " << from;
        }
        EXPECT_GT(streams, 0);

        const Outcome checked = cli({"check", out});
        EXPECT_EQ(checked.status, 0) << checked.out;
        EXPECT_NE(checked.out.find("  no problems\n"), std::string::npos) << checked.out;

        const auto parsed = parseRm(readFileBytes(out));
        ASSERT_TRUE(parsed);
        expectFiguresOfItsProducer(parseSource(readFileBytes(source)).value(), *parsed);
    }
    EXPECT_GE(merged, 5);
}

TEST_F(RealCorpus, PropertiesOfATwoSourceMergeFollowFromItsStreams)
{
    // Helix's RV40 video beside RealProducer's 176-second cook: the output
    // lasts as long as the longer, its rates are the sums of its streams'.
    const std::string video = std::string(KESTROVA_REAL_CORPUS) + "/rv40_bframes_cook_helix90.rmvb";
    const std::string audio = std::string(KESTROVA_REAL_CORPUS) + "/cook_fileinfo_rp85basic.rm";
    const std::string out = dir.file("out.rm");
    const Outcome o = cli({"merge", "--strict", "--no-sync", "-o", out, video + ":1", audio + ":0"});
    ASSERT_EQ(o.status, 0) << o.err;
    const auto parsed = parseRm(readFileBytes(out));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->numPackets, 936u + 1092u);
    EXPECT_EQ(parsed->duration, 175867u);
    EXPECT_EQ(parsed->maxBitRate, 1903532u + 32041u);
    EXPECT_EQ(parsed->avgBitRate, 856393u + 32041u);
    EXPECT_EQ(parsed->maxPacketSize, 1369u);
    EXPECT_EQ(parsed->preroll, 2275u);
}
