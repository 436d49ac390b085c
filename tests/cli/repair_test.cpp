// kestrova-cli repair: one table of damage kinds, each made in a generated
// file and in a real one, judged by the strict reader of the tests, by
// check and by ffmpeg; an undamaged file, which must come out as a merge
// of all its streams; and a file with nothing to recover.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "support/cli_run.h"
#include "support/process.h"
#include "support/rm_builder.h"
#include "support/rm_parser.h"
#include "support/temp_dir.h"

using namespace testing_rm;

namespace {

// Bytes that are no RealMedia: a fixed pseudo-random sequence, with zeros
// and ones among them as packet headers have.
std::string junk(std::size_t n, uint32_t seed)
{
    std::string out(n, '\0');
    for (std::size_t k = 0; k < n; ++k) {
        seed = seed * 1103515245u + 12345u;
        const uint8_t b = static_cast<uint8_t>(seed >> 16);
        out[k] = static_cast<char>(b < 40 ? 0 : b < 60 ? 1 : b);
    }
    return out;
}

// A video stream 0 and an audio stream 1, 600 packets of varied lengths
// whose payloads hold the same kind of bytes as junk(), with an index.
std::string generatedFile()
{
    FileSpec plan;
    plan.streams = {{.number = 0, .duration = 60000, .name = "Picture", .mime = "video/x-pn-realvideo"},
                    {.number = 1, .duration = 60000, .name = "Sound"}};
    for (uint32_t k = 0; k < 600; ++k) {
        const bool video = k % 3 != 2;
        plan.packets.push_back({.number = static_cast<uint16_t>(video ? 0 : 1),
                                .timestamp = k * 100 / 3,
                                .payload = junk(40 + (k * 37) % 700, k + 1),
                                .flags = static_cast<uint8_t>(video && k % 30 != 0 ? 0 : 2)});
    }
    plan.indexes = {{0, {0, 1000, 2000}}, {1, {33, 1033}}};
    return buildFile(plan);
}

// Byte ranges of the original file that a damage kind spoiled; a packet
// that meets one may be lost, one wholly outside them may not.
using Ranges = std::vector<std::pair<uint64_t, uint64_t>>;

struct Damage {
    const char* name;
    bool region;  // the report names a damaged region
    // The damaged copy of `bytes`, whose packets are `packets`; fills the
    // ranges spoiled.
    std::function<std::string(const std::string& bytes, const ParsedFile& file, Ranges& spoiled)> apply;
};

uint64_t dataStart(const ParsedFile& file)
{
    return file.dataOffset + 18;
}

// The packet that holds the byte `fraction` of the way through the data.
const ParsedPacket& packetAt(const ParsedFile& file, double fraction)
{
    return file.packets[static_cast<std::size_t>(fraction * static_cast<double>(file.packets.size() - 1))];
}

std::string put32(std::string bytes, uint64_t at, uint32_t value)
{
    bytes.replace(at, 4, be32(value));
    return bytes;
}

const Damage kDamages[] = {
    {"cut inside a packet", true,
     [](const std::string& b, const ParsedFile& f, Ranges& spoiled) {
         const uint64_t cut = packetAt(f, 0.7).offset + 7;
         spoiled = {{cut, b.size()}};
         return b.substr(0, cut);
     }},
    {"cut before the index", false,
     [](const std::string& b, const ParsedFile& f, Ranges&) { return b.substr(0, f.packets.back().offset + f.packets.back().length); }},
    {"zeroed region", true,
     [](const std::string& b, const ParsedFile& f, Ranges& spoiled) {
         const uint64_t from = packetAt(f, 0.3).offset + 5, to = packetAt(f, 0.4).offset + 9;
         spoiled = {{from, to}};
         std::string out = b;
         std::fill(out.begin() + from, out.begin() + to, '\0');
         return out;
     }},
    {"overwritten region", true,
     [](const std::string& b, const ParsedFile& f, Ranges& spoiled) {
         const uint64_t from = packetAt(f, 0.5).offset + 3;
         spoiled = {{from, from + 900}};
         return std::string(b).replace(from, 900, junk(900, 77));
     }},
    {"junk inserted between packets", true,
     [](const std::string& b, const ParsedFile& f, Ranges&) {
         return std::string(b).insert(packetAt(f, 0.6).offset, junk(333, 5));
     }},
    {"data chunk header with garbage size and count", false,
     [](const std::string& b, const ParsedFile& f, Ranges&) {
         return put32(put32(b, f.dataOffset + 4, 0xDEADBEEF), f.dataOffset + 10, 0x7FFFFFFF);
     }},
    {"properties offsets pointing at the wrong place", false,
     [](const std::string& b, const ParsedFile& f, Ranges&) {
         // index_offset and data_offset, before num_streams and flags.
         const auto id = std::find(f.headerIds.begin(), f.headerIds.end(), "PROP") - f.headerIds.begin();
         const uint64_t prop = f.headerOffsets.at(static_cast<std::size_t>(id));
         return put32(put32(b, prop + 38, 12345), prop + 42, static_cast<uint32_t>(packetAt(f, 0.5).offset));
     }},
    {"index chunks pointing nowhere", false,
     [](const std::string& b, const ParsedFile& f, Ranges&) {
         std::string out = b;
         for (const ParsedIndex& index : f.indexes)
             out = put32(put32(out, index.offset + 10, 0xFFFFFF00), index.offset + 16, 99999999);
         return out;
     }},
    {"packet length too large", true,
     [](const std::string& b, const ParsedFile& f, Ranges& spoiled) {
         const uint64_t at = packetAt(f, 0.2).offset;
         spoiled = {{at + 2, at + 4}};
         return std::string(b).replace(at + 2, 2, be16(0xFFF0));
     }},
    {"packet length too small", true,
     [](const std::string& b, const ParsedFile& f, Ranges& spoiled) {
         const uint64_t at = packetAt(f, 0.8).offset;
         spoiled = {{at + 2, at + 4}};
         return std::string(b).replace(at + 2, 2, be16(3));
     }},
    {"data chunk id gone", true,
     [](const std::string& b, const ParsedFile& f, Ranges&) { return std::string(b).replace(f.dataOffset, 4, "XXXX"); }},
};

bool meets(const ParsedPacket& p, const Ranges& spoiled)
{
    return std::any_of(spoiled.begin(), spoiled.end(),
                       [&](const auto& r) { return p.offset < r.second && r.first < p.offset + p.length; });
}

bool sameHeader(const ParsedPacket& a, const ParsedPacket& b)
{
    return a.version == b.version && a.length == b.length && a.timestamp == b.timestamp && a.flags == b.flags
           && a.group == b.group;
}

// The number of frames ffmpeg decodes from a file, and whether it read it
// without failing.
std::pair<int, bool> decodedFrames(const std::string& path)
{
    const Outcome o = run({"ffmpeg", "-nostdin", "-v", "error", "-i", path, "-f", "framemd5", "-"});
    return {static_cast<int>(std::count(o.out.begin(), o.out.end(), '\n')), o.status == 0};
}

struct RepairCli : ::testing::Test {
    TempDir dir;

    // Repairs every damaged copy of `original` (whose usable streams are
    // `streams`, copied as output streams 0, 1, ...) and judges the result.
    void repairEachDamage(const std::string& original, const std::vector<uint16_t>& streams, bool decode)
    {
        const ParsedFile file = parseSource(original).value();
        for (const Damage& damage : kDamages) {
            SCOPED_TRACE(damage.name);
            Ranges spoiled;
            const std::string damaged = damage.apply(original, file, spoiled);
            const std::string source = dir.file("damaged.rm"), output = dir.file("repaired.rm");
            writeFileBytes(source, damaged);
            std::filesystem::remove(output);
            const Outcome o = cli({"repair", "--verify", "-o", output, source});
            ASSERT_EQ(o.status, 0) << o.err;
            EXPECT_EQ(o.out.rfind("Wrote " + output + "\n", 0), 0u) << o.out;
            EXPECT_EQ(damage.region, o.out.find("damaged region at bytes") != std::string::npos) << o.out;

            std::string error;
            const std::optional<ParsedFile> repaired = parseRm(readFileBytes(output), &error);
            ASSERT_TRUE(repaired) << error;
            const Outcome check = cli({"check", output});
            EXPECT_EQ(check.status, 0) << check.out;
            for (std::size_t o = 0; o < streams.size(); ++o) {
                SCOPED_TRACE("stream " + std::to_string(streams[o]));
                const std::vector<ParsedPacket> before = packetsOf(file, streams[o]);
                const std::vector<ParsedPacket> after = packetsOf(*repaired, static_cast<uint16_t>(o));
                // No junk: each packet written is one of the source's, in
                // order, whole unless the damage met it.
                std::size_t k = 0;
                for (const ParsedPacket& p : after) {
                    while (k < before.size() && !sameHeader(before[k], p))
                        ++k;
                    ASSERT_LT(k, before.size()) << "a packet at " << p.offset << " is no packet of the source";
                    if (!meets(before[k], spoiled)) {
                        EXPECT_EQ(p.payload, before[k].payload) << "packet at " << before[k].offset;
                    }
                    ++k;
                }
                // Every packet wholly outside the damage is recovered.
                const auto untouched = std::count_if(before.begin(), before.end(),
                                                     [&](const ParsedPacket& p) { return !meets(p, spoiled); });
                EXPECT_GE(static_cast<long>(after.size()), untouched);
            }
            if (decode) {
                const auto [sourceFrames, sourceRead] = decodedFrames(source);
                const auto [frames, read] = decodedFrames(output);
                EXPECT_TRUE(read);
                EXPECT_GE(frames, sourceFrames);
            }
        }
    }
};

}  // namespace

TEST_F(RepairCli, EveryDamageKindInAGeneratedFile)
{
    repairEachDamage(generatedFile(), {0, 1}, false);
}

TEST_F(RepairCli, EveryDamageKindInARealFile)
{
    if (!haveProgram("ffmpeg"))
        GTEST_SKIP() << "ffmpeg is not installed";
    if (!std::filesystem::exists(realFile("rv30_cook_armexport60.rm")))
        GTEST_SKIP() << "the real files are not at " << KESTROVA_REAL_CORPUS;
    // Stream 2 (logical-fileinfo) has duration 0: not usable, not copied.
    repairEachDamage(readFileBytes(realFile("rv30_cook_armexport60.rm")), {0, 1}, true);
}

TEST_F(RepairCli, AnUndamagedFileComesOutAsAMergeOfAllItsStreams)
{
    for (const std::string& original : {generatedFile(), readFileBytes(realFile("cook_fileinfo_rp85basic.rm"))}) {
        const std::string source = dir.file("sound.rm");
        writeFileBytes(source, original);
        const Outcome merged = cli({"merge", "--quiet", "-o", dir.file("merged.rm"), source});
        const Outcome repaired = cli({"repair", "-o", dir.file("repaired.rm"), source});
        ASSERT_EQ(merged.status, 0) << merged.err;
        ASSERT_EQ(repaired.status, 0) << repaired.err;
        // (The generated file's index records point at byte 0: check finds
        // them, and so the report names them.)
        const bool sound = cli({"check", source}).out.find("no problems") != std::string::npos;
        EXPECT_EQ(sound, repaired.out.find("\nno damage found\n") != std::string::npos) << repaired.out;
        const ParsedFile a = parseRm(readFileBytes(dir.file("merged.rm"))).value();
        const ParsedFile b = parseRm(readFileBytes(dir.file("repaired.rm"))).value();
        ASSERT_EQ(a.packets.size(), b.packets.size());
        for (std::size_t k = 0; k < a.packets.size(); ++k) {
            EXPECT_TRUE(sameHeader(a.packets[k], b.packets[k]) && a.packets[k].number == b.packets[k].number
                        && a.packets[k].payload == b.packets[k].payload)
                << "packet " << k;
        }
        EXPECT_EQ(a.numPackets, b.numPackets);
        EXPECT_EQ(a.streams.size(), b.streams.size());
    }
}

TEST_F(RepairCli, AFileWithNothingToRecoverFailsAndWritesNothing)
{
    // Its header section is whole; every byte of its data is junk.
    const std::string original = generatedFile();
    const ParsedFile file = parseRm(original).value();
    const uint64_t start = dataStart(file);
    const std::string source = dir.file("hopeless.rm");
    writeFileBytes(source, std::string(original).replace(start, original.size() - start,
                                                          std::string(original.size() - start, '\xEE')));
    const Outcome o = cli({"repair", "-o", dir.file("out.rm"), source});
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("kestrova-cli: " + source + " holds no packets to recover; nothing was written\n"),
              std::string::npos)
        << o.err;
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"hopeless.rm"});

    // A file cut before its data chunk: the metadata chunk after its
    // headers holds bytes that could pass for packets, and none is taken.
    const Outcome cut = cli({"repair", "-o", dir.file("out.rm"), dataFile("helix_truncated.rm")});
    EXPECT_EQ(cut.status, 1);
    EXPECT_NE(cut.err.find(" holds no packets to recover"), std::string::npos) << cut.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.rm")));

    // Nor is anything written for a file that is no RealMedia at all.
    writeFileBytes(dir.file("text.rm"), "just some words");
    EXPECT_EQ(cli({"repair", "-o", dir.file("out.rm"), dir.file("text.rm")}).status, 2);
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.rm")));
}

TEST_F(RepairCli, ReportNamesEachRegionAndTheStreamsAroundIt)
{
    const std::string original = generatedFile();
    const ParsedFile file = parseRm(original).value();
    const uint64_t from = packetAt(file, 0.5).offset, to = packetAt(file, 0.55).offset;
    std::string damaged = original;
    std::fill(damaged.begin() + from, damaged.begin() + to, '\0');
    writeFileBytes(dir.file("holed.rm"), damaged);
    const Outcome o = cli({"repair", "-o", dir.file("out.rm"), dir.file("holed.rm")});
    ASSERT_EQ(o.status, 0) << o.err;
    const auto lost = static_cast<unsigned>(std::count_if(file.packets.begin(), file.packets.end(), [&](const ParsedPacket& p) {
        return p.offset >= from && p.offset < to && p.number == 0;
    }));
    const auto all0 = static_cast<unsigned>(packetsOf(file, 0).size());
    const auto all1 = static_cast<unsigned>(packetsOf(file, 1).size());
    const unsigned lost1 = static_cast<unsigned>(std::count_if(file.packets.begin(), file.packets.end(),
                                                               [&](const ParsedPacket& p) {
                                                                   return p.offset >= from && p.offset < to && p.number == 1;
                                                               }));
    const auto commas = [](uint64_t n) {
        std::string s = std::to_string(n);
        for (int k = static_cast<int>(s.size()) - 3; k > 0; k -= 3)
            s.insert(static_cast<std::size_t>(k), ",");
        return s;
    };
    EXPECT_NE(o.out.find("damaged region at bytes " + commas(from) + " to " + commas(to) + ": " + commas(to - from)
                         + " bytes skipped; streams 0, 1 may have lost packets around it\n"),
              std::string::npos)
        << o.out;
    EXPECT_NE(o.out.find("stream 0: " + std::to_string(all0 - lost) + " packets recovered from "), std::string::npos)
        << o.out;
    EXPECT_NE(o.out.find("stream 1: " + std::to_string(all1 - lost1) + " packets recovered from "), std::string::npos)
        << o.out;
    EXPECT_NE(o.out.find("rebuilt: the index ("), std::string::npos) << o.out;
}
