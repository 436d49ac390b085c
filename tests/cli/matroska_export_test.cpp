// Exports to Matroska by kestrova-cli, judged by ffmpeg and mkvmerge: real
// files and untidy layouts of them (two data chunks, the index before the
// data, version-1 packets, multi-rate audio, AC-3) give every packet and
// every decoded frame their RealMedia source gives, with the right codec
// ids; a trimmed and an appended export hold what their RealMedia outputs hold.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>

#include "support/cli_run.h"
#include "support/process.h"
#include "support/rm_builder.h"
#include "support/rm_parser.h"
#include "support/temp_dir.h"

using namespace testing_rm;

namespace {

// ffmpeg's packets of one kind of stream ("v" or "a"): size, keyframe flag
// and a hash of the bytes, as its RealMedia and Matroska readers give them.
std::vector<std::string> packets(const std::string& path, const char* kind)
{
    return lines(run({"ffprobe", "-v", "quiet", "-select_streams", kind, "-show_entries", "packet=size,flags",
                      "-show_data_hash", "md5", "-of", "csv", path})
                     .out);
}

// The frames ffmpeg decodes from them, with their times.
std::vector<std::string> decoded(const std::string& path, const char* kind)
{
    std::vector<std::string> frames;
    for (const std::string& line :
         lines(run({"ffmpeg", "-nostdin", "-v", "quiet", "-i", path, "-map", std::string("0:") + kind + "?", "-f",
                    "framemd5", "-"})
                   .out))
        if (!line.empty() && line[0] != '#')
            frames.push_back(line);
    return frames;
}

// The codec ids mkvinfo reads from the tracks (mkvmerge -J lists no track
// for AC-3 at 11025 Hz, which its AC-3 reader does not take).
std::vector<std::string> codecIds(const std::string& path)
{
    const std::string info = run({"mkvinfo", path}).out;
    std::vector<std::string> ids;
    const std::regex id("Codec ID: (\\S+)");
    for (auto it = std::sregex_iterator(info.begin(), info.end(), id); it != std::sregex_iterator(); ++it)
        ids.push_back((*it)[1]);
    return ids;
}

// A file laid out again from the headers and packets of a real one.
enum class Layout { AsIs, TwoDataChunks, IndexBeforeData, Version1Packets, MultiRateAudio };

std::string laidOut(const std::string& path, Layout layout)
{
    const std::string bytes = readFileBytes(path);
    if (layout == Layout::AsIs)
        return bytes;
    const ParsedFile file = parseSource(bytes).value();
    std::string head = chunkCont({file.title, file.author, file.copyright, file.comment});
    for (const ParsedStream& s : file.streams) {
        StreamSpec form{.number = s.number, .duration = s.duration, .name = s.name, .mime = s.mime,
                        .typeSpecific = s.typeSpecific};
        // One rule, using the one header the wrapper holds.
        if (layout == Layout::MultiRateAudio && s.typeSpecific.rfind(".ra\xfd", 0) == 0)
            form.typeSpecific = "MLTI" + be16(1) + be16(0) + be16(1) + be32(s.typeSpecific.size()) + s.typeSpecific;
        head += chunkMdpr(form);
    }
    std::vector<std::string> data(2);
    const std::size_t half = layout == Layout::TwoDataChunks ? file.packets.size() / 2 : file.packets.size();
    for (std::size_t k = 0; k < file.packets.size(); ++k) {
        const ParsedPacket& p = file.packets[k];
        // Version 1: a 16-bit rule number and the flags byte.
        data[k >= half] += layout == Layout::Version1Packets
                               ? be16(1) + be16(13 + p.payload.size()) + be16(p.number) + be32(p.timestamp) + be16(0)
                                     + static_cast<char>(p.flags) + p.payload
                               : packet({p.number, p.timestamp, p.payload, p.flags, p.group, 0});
    }
    std::string index;
    if (layout == Layout::IndexBeforeData)
        for (std::size_t s = 0; s < file.streams.size(); ++s) {
            const uint32_t next = s + 1 < file.streams.size() ? 18 + 50 + head.size() + 20 * (s + 1) : 0;
            index += chunkIndx(file.streams[s].number, {}, next);
        }
    const uint32_t headEnd = 18 + 50 + head.size();
    std::string chunks = dataHeader(18 + data[0].size(), half) + data[0];
    if (!data[1].empty())
        chunks += dataHeader(18 + data[1].size(), file.packets.size() - half) + data[1];
    return chunkRmf(3 + file.streams.size()) + chunkProp({}, file.packets.size(), index.empty() ? 0 : headEnd,
                                                            headEnd + index.size(), file.streams.size())
           + head + index + chunks;
}

struct Export {
    const char* source;  // a real file, or one of tests/data
    Layout layout;
    std::vector<std::string> codecIds;
};

struct MatroskaExport : ::testing::Test {
    TempDir dir;

    void SetUp() override
    {
        if (!std::filesystem::is_directory(KESTROVA_REAL_CORPUS))
            GTEST_SKIP() << "no corpus of real files at " << KESTROVA_REAL_CORPUS;
        if (!haveProgram("ffmpeg") || !haveProgram("mkvmerge"))
            GTEST_SKIP() << "needs ffmpeg and mkvmerge";
    }

    static std::string real(const char* name) { return std::string(KESTROVA_REAL_CORPUS) + "/" + name; }

    // The export holds what ffmpeg reads and decodes from `reference`.
    void expectSameMedia(const std::string& exported, const std::string& reference)
    {
        for (const char* kind : {"v", "a"}) {
            SCOPED_TRACE(kind);
            EXPECT_EQ(packets(exported, kind), packets(reference, kind));
            EXPECT_EQ(decoded(exported, kind), decoded(reference, kind));
        }
        const Outcome decode = run({"ffmpeg", "-nostdin", "-v", "error", "-i", exported, "-f", "null", "-"});
        EXPECT_EQ(decode.err, "");
    }
};

}  // namespace

TEST_F(MatroskaExport, EveryPacketOfRealFilesAndTheirLayoutsArrivesAndDecodesAsTheSource)
{
    const std::vector<std::string> cookAndRv40 = {"A_REAL/COOK", "V_REAL/RV40"};
    const std::vector<std::string> rv20AndAc3 = {"V_REAL/RV20", "A_AC3"};
    const Export table[] = {
        {"cook_fileinfo_rp85basic.rm", Layout::AsIs, {"A_REAL/COOK"}},
        {"cook_realevent_rp61plus.rm", Layout::AsIs, {"A_REAL/COOK"}},
        {"dnet_realencoder51_indx20.rm", Layout::AsIs, {"A_AC3"}},
        {"rv30_cook_armexport60.rm", Layout::AsIs, {"A_REAL/COOK", "V_REAL/RV30"}},
        {"rv40_bframes_cook_helix90.rmvb", Layout::AsIs, cookAndRv40},
        {"rv40_bframes_cook_helix90.rmvb", Layout::TwoDataChunks, cookAndRv40},
        {"rv40_bframes_cook_helix90.rmvb", Layout::IndexBeforeData, cookAndRv40},
        {"video_rv20_ac3.rm", Layout::Version1Packets, rv20AndAc3},
        {"cook_realevent_rp61plus.rm", Layout::MultiRateAudio, {"A_REAL/COOK"}},
    };
    for (const Export& row : table) {
        const std::string original =
            std::filesystem::exists(real(row.source)) ? real(row.source) : dataFile(row.source);
        SCOPED_TRACE(std::string(row.source) + " laid out as " + std::to_string(static_cast<int>(row.layout)));
        const std::string source = dir.file("source.rm");
        writeFileBytes(source, laidOut(original, row.layout));
        const std::string out = dir.file("out.mkv");
        std::filesystem::remove(out);
        const Outcome o = cli({"merge", "--verify", "--no-sync", "-o", out, source});
        ASSERT_EQ(o.status, 0) << o.err;
        EXPECT_EQ(codecIds(out), row.codecIds);
        expectSameMedia(out, original);
    }
}

TEST_F(MatroskaExport, ReportNamesStreamsLeftOutAndPicturesCutShortAndTextsArriveInUtf8)
{
    // A RealEvent stream has no Matroska form: named, not written.
    const std::string events = real("cook_realevent_rp61plus.rm");
    const std::string out = dir.file("out.mkv");
    Outcome o = cli({"merge", "-o", out, events});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "Wrote " + out + "\nstream 0: 112 packets from " + events + " stream 0\nstream 1: left out, "
                         + "Matroska has no form for application/x-pn-realevent (" + events + " stream 1)\n");

    // --format overrides the name; the Windows-1251 title arrives in UTF-8.
    const std::string named = dir.file("anthem.rm");
    ASSERT_EQ(cli({"merge", "--quiet", "--format", "mkv", "-o", named, real("rv30_cook_armexport60.rm")}).status, 0);
    EXPECT_NE(run({"mkvmerge", "-J", named}).out.find("\"title\": \"Гимн России на РТР\""), std::string::npos);

    // The RV40 file ends inside a picture: its one packet is left out with
    // a warning, and --strict fails on it, leaving nothing.
    const std::string film = real("rv40_bframes_cook_helix90.rmvb");
    o = cli({"merge", "--quiet", "-o", dir.file("film.mkv"), film});
    EXPECT_EQ(o.err, "kestrova-cli: warning: " + film + " at byte 1,199,140: 1 packet of output stream 1 held a "
                         + "picture cut short, which no decoder can show; left out of the Matroska file\n");
    EXPECT_EQ(cli({"merge", "--strict", "-o", dir.file("strict.mkv"), film}).status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.file("strict.mkv")));
}

TEST_F(MatroskaExport, TrimmedAndAppendedExportsHoldWhatTheirRealMediaOutputsHold)
{
    const std::string film = dataFile("video_rv20_ac3.rm");
    const std::vector<std::vector<std::string>> jobs = {
        {"merge", "--start", "1", "--end", "3", film},
        {"append", film + ":0,1", film + ":0,1"},
    };
    for (const std::vector<std::string>& job : jobs) {
        SCOPED_TRACE(job[0]);
        std::vector<std::string> toRm = job, toMkv = job;
        toRm.insert(toRm.begin() + 1, {"--quiet", "-o", dir.file("out.rm")});
        toMkv.insert(toMkv.begin() + 1, {"--quiet", "--verify", "-o", dir.file("out.mkv")});
        ASSERT_EQ(cli(toRm).status, 0);
        const Outcome o = cli(toMkv);
        ASSERT_EQ(o.status, 0) << o.err;
        expectSameMedia(dir.file("out.mkv"), dir.file("out.rm"));
        std::filesystem::remove(dir.file("out.rm"));
        std::filesystem::remove(dir.file("out.mkv"));
    }
}
