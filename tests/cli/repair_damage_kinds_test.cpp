// kestrova-cli repair against damage people meet, in two real files and a
// generated one: every packet the damage left whole is recovered, nothing
// is written that was not a packet of the original, and the repaired copy
// passes check. The oracle is the strict reader of the tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <tuple>

#include "support/cli_run.h"
#include "support/rm_builder.h"
#include "support/rm_parser.h"
#include "support/temp_dir.h"

using namespace testing_rm;

namespace {

// Byte ranges of the original that the damage spoiled: a packet meeting one
// may be lost, or (flipped bytes) come out with its header whole and its
// payload changed.
using Ranges = std::vector<std::pair<uint64_t, uint64_t>>;

struct Damaged {
    std::string bytes;
    Ranges spoiled;
    std::optional<uint16_t> lostStream;  // a stream whose header is gone
    bool fails = false;                  // nothing is left to recover
    bool flipped = false;                // payloads the damage met may differ
    bool restamped = false;              // every packet is kept, some at new times
};

// The interleave blocks of an audio stream that has them: runs from one
// flagged packet to the next, all of one size larger than 1. None for others.
std::vector<std::vector<ParsedPacket>> blocksOf(const std::vector<ParsedPacket>& packets)
{
    std::vector<std::vector<ParsedPacket>> blocks;
    for (const ParsedPacket& p : packets) {
        if (blocks.empty() || (p.flags & 2))
            blocks.emplace_back();
        blocks.back().push_back(p);
    }
    const bool interleaved = blocks.size() > 1 && blocks[0].size() > 1
                             && std::all_of(blocks.begin(), blocks.end(),
                                            [&](const auto& b) { return b.size() == blocks[0].size(); });
    return interleaved ? blocks : std::vector<std::vector<ParsedPacket>>{};
}

uint64_t dataBegin(const ParsedFile& f)
{
    return f.dataOffset + 18;
}

uint64_t dataEnd(const ParsedFile& f)
{
    return f.packets.back().offset + f.packets.back().length;
}

// The place `fraction` of the way through the data.
uint64_t within(const ParsedFile& f, double fraction)
{
    return dataBegin(f) + static_cast<uint64_t>(fraction * static_cast<double>(dataEnd(f) - dataBegin(f)));
}

const ParsedPacket& packetNear(const ParsedFile& f, double fraction)
{
    return f.packets[static_cast<std::size_t>(fraction * static_cast<double>(f.packets.size() - 1))];
}

Damaged flipBytes(const std::string& b, const ParsedFile& f)
{
    Damaged d{b, {}, {}};
    d.flipped = true;
    for (const double at : {0.2, 0.5, 0.8}) {
        const uint64_t k = within(f, at);
        d.bytes[k] = static_cast<char>(d.bytes[k] ^ 0x5A);
        d.spoiled.push_back({k, k + 1});
    }
    return d;
}

Damaged lengthOff(const std::string& b, const ParsedFile& f, int by)
{
    const ParsedPacket& p = packetNear(f, 0.5);
    return {std::string(b).replace(p.offset + 2, 2, be16(static_cast<uint16_t>(p.length + by))), {}, {}};
}

Damaged zeroStreamHeader(const std::string& b, const ParsedFile& f, bool first)
{
    // The last, or the first, stream header that packets of the data belong
    // to; with no other stream, nothing is left.
    const bool others = std::any_of(f.packets.begin(), f.packets.end(),
                                    [&](const ParsedPacket& p) { return p.number != f.packets[0].number; });
    for (std::size_t n = 0; n < f.headerIds.size(); ++n) {
        const std::size_t k = first ? n : f.headerIds.size() - 1 - n;
        if (f.headerIds[k] != "MDPR")
            continue;
        const uint64_t at = f.headerOffsets[k];
        const uint16_t number = static_cast<uint16_t>(static_cast<uint8_t>(b[at + 10]) << 8 | static_cast<uint8_t>(b[at + 11]));
        if (packetsOf(f, number).empty())
            continue;
        const uint32_t size = static_cast<uint32_t>(static_cast<uint8_t>(b[at + 4])) << 24 | static_cast<uint8_t>(b[at + 5]) << 16
                              | static_cast<uint8_t>(b[at + 6]) << 8 | static_cast<uint8_t>(b[at + 7]);
        return {std::string(b).replace(at, size, std::string(size, '\0')), {}, number, !others};
    }
    return {b, {}, {}};
}

// Two 4 KiB blocks a third of the way through the data, 8 KiB apart, change
// places (a bad copy); or 20,000 bytes are copied again right after
// themselves, halfway through.
Damaged swapBlocks(const std::string& b, const ParsedFile& f)
{
    const uint64_t a = within(f, 1.0 / 3) / 4096 * 4096, c = a + 3 * 4096;
    std::string out = b;
    out.replace(a, 4096, b.substr(c, 4096)).replace(c, 4096, b.substr(a, 4096));
    return {out, {{a, a + 4096}, {c, c + 4096}}, {}};
}

Damaged duplicateRegion(const std::string& b, const ParsedFile& f)
{
    const uint64_t a = within(f, 0.5);
    return {std::string(b).insert(a, b.substr(a - 20000, 20000)), {{a, a + 1}}, {}};
}

struct Kind {
    const char* name;
    std::function<Damaged(const std::string&, const ParsedFile&)> apply;
};

const Kind kKinds[] = {
    {"a few flipped bytes", flipBytes},
    {"a packet length one too large", [](const std::string& b, const ParsedFile& f) { return lengthOff(b, f, 1); }},
    {"a packet length one too small", [](const std::string& b, const ParsedFile& f) { return lengthOff(b, f, -1); }},
    {"a lost stream header", [](const std::string& b, const ParsedFile& f) { return zeroStreamHeader(b, f, false); }},
    {"the first stream header lost", [](const std::string& b, const ParsedFile& f) { return zeroStreamHeader(b, f, true); }},
    {"two blocks swapped", swapBlocks},
    {"index records pointing nowhere",
     [](const std::string& b, const ParsedFile& f) {
         std::string out = b;
         for (const ParsedIndex& index : f.indexes)
             for (uint32_t k = 0; k < std::min<uint32_t>(index.numIndices, 5); ++k)
                 out.replace(index.offset + 20 + 14 * k + 6, 4, be32(123456 + k));
         return Damaged{out, {}, {}};
     }},
    {"a duplicated region", duplicateRegion},
    {"garbage timestamps",
     [](const std::string& b, const ParsedFile& f) {
         Damaged d{b, {}, {}};
         d.restamped = true;
         for (uint32_t k = 0; k < 10; ++k)
             d.bytes.replace(packetNear(f, 0.05 + 0.09 * k).offset + 6, 4, be32(0x7F000000 + k));
         return d;
     }},
    {"data ending in zeros early",
     [](const std::string& b, const ParsedFile& f) {
         const uint64_t from = within(f, 0.85), to = dataEnd(f);
         return Damaged{std::string(b).replace(from, to - from, std::string(to - from, '\0')), {{from, to}}, {}};
     }},
    {"no data chunk", [](const std::string& b, const ParsedFile& f) { return Damaged{b.substr(0, f.dataOffset), {}, {}, true}; }},
    // Most of the data overwritten with noise: the packets after it lie
    // further ahead in time than any packet may jump without damage.
    {"a long hole of noise",
     [](const std::string& b, const ParsedFile& f) {
         const uint64_t from = within(f, 0.03), to = within(f, 0.92);
         std::string out = b;
         uint32_t x = 2463534242u;
         for (uint64_t k = from; k < to; ++k) {
             x ^= x << 13, x ^= x >> 17, x ^= x << 5;
             out[k] = static_cast<char>(x);
         }
         return Damaged{out, {{from, to}}, {}};
     }},
};

// A packet as the oracle knows it, whatever stream number the output gives
// it; with its time, or without where the damage spoiled times.
using Key = std::tuple<uint32_t, uint8_t, std::string>;

Key keyOf(const ParsedPacket& p, bool timed = true)
{
    return {timed ? p.timestamp : 0, p.flags, p.payload};
}

bool meets(const ParsedPacket& p, const Ranges& spoiled)
{
    return std::any_of(spoiled.begin(), spoiled.end(),
                       [&](const auto& r) { return p.offset < r.second && r.first < p.offset + p.length; });
}

struct RepairDamageKinds : ::testing::TestWithParam<std::string> {
    TempDir dir;

    std::string original() const
    {
        const std::string& name = GetParam();
        return readFileBytes(name.rfind("real:", 0) == 0 ? realFile(name.substr(5)) : dataFile(name));
    }
};

TEST_P(RepairDamageKinds, RecoversEveryWholePacketAndNothingElse)
{
    if (GetParam().rfind("real:", 0) == 0 && !std::filesystem::exists(realFile(GetParam().substr(5))))
        GTEST_SKIP() << "the real files are not at " << KESTROVA_REAL_CORPUS;
    const std::string bytes = original();
    const ParsedFile file = parseSource(bytes).value();
    std::map<Key, int> known;  // how many times each may be written
    for (const ParsedPacket& p : file.packets)
        ++known[keyOf(p)], ++known[keyOf(p, false)];
    std::set<uint16_t> audio;
    for (const ParsedStream& stream : file.streams)
        if (stream.mime.rfind("audio/", 0) == 0)
            audio.insert(stream.number);
    for (const Kind& kind : kKinds) {
        SCOPED_TRACE(kind.name);
        const Damaged d = kind.apply(bytes, file);
        const std::string source = dir.file("damaged.rm"), output = dir.file("repaired.rm");
        writeFileBytes(source, d.bytes);
        std::filesystem::remove(output);
        const Outcome o = cli({"repair", "-o", output, source});
        if (d.fails) {
            EXPECT_NE(o.status, 0);
            EXPECT_FALSE(std::filesystem::exists(output));
            continue;
        }
        ASSERT_EQ(o.status, 0) << o.err;
        // Every fault check finds is reported: "no damage found" only when
        // it finds none.
        const bool sound = cli({"check", source}).out.find("no problems") != std::string::npos;
        EXPECT_EQ(sound, o.out.find("no damage found") != std::string::npos) << o.out;
        const ParsedFile repaired = parseRm(readFileBytes(output)).value();
        const Outcome check = cli({"check", output});
        EXPECT_NE(check.out.find("no problems"), std::string::npos) << check.out;

        // No junk: each packet written is one of the original's, once, or one
        // whose payload flipped bytes met (it cannot be known), or one whose
        // time was garbage. An interleave block the damage met may be lost
        // whole; every other packet it did not meet is recovered.
        std::set<uint64_t> inMetBlock;
        for (const uint16_t number : audio)
            for (const auto& block : blocksOf(packetsOf(file, number)))
                if (std::any_of(block.begin(), block.end(), [&](const ParsedPacket& p) { return meets(p, d.spoiled); }))
                    for (const ParsedPacket& p : block)
                        inMetBlock.insert(p.offset);
        long whole = 0;
        for (const ParsedPacket& p : file.packets)
            whole += !meets(p, d.spoiled) && !inMetBlock.count(p.offset) && p.number != d.lostStream;
        std::map<Key, int> left = known;
        for (const ParsedPacket& p : repaired.packets) {
            const bool spoiledTwin = std::any_of(file.packets.begin(), file.packets.end(), [&](const ParsedPacket& q) {
                return d.flipped && meets(q, d.spoiled) && q.timestamp == p.timestamp && q.length == p.length;
            });
            EXPECT_TRUE(left[keyOf(p, !d.restamped)]-- > 0 || spoiledTwin)
                << "packet at " << p.offset << " is no packet of the source";
        }
        EXPECT_GE(static_cast<long>(repaired.packets.size()), whole);
        // Interleaved audio comes out in whole blocks.
        for (const uint16_t number : audio) {
            const std::vector<ParsedPacket> out = packetsOf(repaired, number);
            const auto from = std::find_if(file.packets.begin(), file.packets.end(), [&](const ParsedPacket& q) {
                return !out.empty() && q.payload == out[0].payload;
            });
            const auto blocks = from == file.packets.end() ? blocksOf({}) : blocksOf(packetsOf(file, from->number));
            EXPECT_TRUE(blocks.empty() || (!blocksOf(out).empty() && blocksOf(out)[0].size() == blocks[0].size()))
                << "stream " << number << " has a broken interleave block";
        }
        if (d.lostStream) {
            const std::string lost = "stream " + std::to_string(*d.lostStream) + ": its header is lost; its "
                                     + std::to_string(packetsOf(file, *d.lostStream).size())
                                     + " packets could not be kept\n";
            EXPECT_NE(o.out.find(lost), std::string::npos) << o.out;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sources, RepairDamageKinds,
                         ::testing::Values("real:rv30_cook_armexport60.rm", "real:dnet_realencoder51_indx20.rm",
                                           "video_rv20_ac3.rm"),
                         [](const auto& info) { return "source" + std::to_string(info.index); });

}  // namespace
