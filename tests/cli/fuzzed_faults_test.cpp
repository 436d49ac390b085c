// Faults the edit fuzz target found, each shown by the generated film made
// into the kind of file that showed it: a trim of a file that holds no data
// chunk, and jobs whose verify must finish and agree with the job.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "support/edit_files.h"

using namespace testing_rm;

namespace {

constexpr std::size_t kDataHeaderSize = 18;

// The offsets of the film's packets, in file order, and where its data
// chunk starts.
struct FilmBytes {
    std::string bytes = filmBytes({});
    std::size_t data = bytes.find("DATA");
    std::vector<uint64_t> packets;
    std::size_t dataEnd = 0;

    FilmBytes()
    {
        const auto film = parseRm(bytes);
        for (const ParsedPacket& packet : film->packets)
            packets.push_back(packet.offset);
        dataEnd = data + film->dataSize;
    }
};

std::string withField32(std::string bytes, std::size_t at, uint32_t value)
{
    return bytes.replace(at, 4, be32(value));
}

}  // namespace

// The header section whole, cut right after it, with a data_offset of 0 (a
// writer that never filled it in): Scan takes the file, and every job on it
// fails with a message and writes nothing. A trim from 0 used to follow an
// empty list of data chunks.
TEST(FuzzedFaults, TrimOfAFileWithoutADataChunkFailsWithAMessage)
{
    TempDir dir;
    const FilmBytes film;
    const std::size_t prop = film.bytes.find("PROP");
    const std::string source = dir.file("headers.rm");
    writeFileBytes(source, withField32(film.bytes.substr(0, film.data), prop + 42, 0));
    const std::vector<std::vector<std::string>> jobs = {
        {"merge", "--start", "0"}, {"merge", "--start", "2", "--end", "4"}, {"merge", "--end", "1"},
        {"split", "--every", "1"}, {"merge", "--delay", "0=-500"}};
    for (std::vector<std::string> args : jobs) {
        SCOPED_TRACE(args[1]);
        args.insert(args.end(), {"-o", dir.file("out.rm"), source});
        const Outcome outcome = cli(args);
        EXPECT_EQ(outcome.status, 1) << outcome.err;
        EXPECT_NE(outcome.err.find("headers.rm holds no packets: it has no whole data chunk"), std::string::npos)
            << outcome.err;
        EXPECT_EQ(dir.entries(), std::vector<std::string>{"headers.rm"});
    }
}

// A file whose first packet is damaged holds no packet a merge or a trim
// can read: said so, where the trim said its start lay past the end and
// the merge that the data chunk was empty.
TEST(FuzzedFaults, AFileDamagedAtItsFirstPacketIsSaidToBe)
{
    TempDir dir;
    const FilmBytes film;
    std::string bytes = film.bytes;
    bytes.replace(film.packets[0] + 2, 2, be16(5));
    const std::string source = dir.file("damaged.rm");
    writeFileBytes(source, bytes);
    for (std::vector<std::string> args : std::vector<std::vector<std::string>>{{"merge"}, {"merge", "--start", "2"}}) {
        args.insert(args.end(), {"-o", dir.file("out.rm"), source});
        const Outcome outcome = cli(args);
        EXPECT_EQ(outcome.status, 1);
        EXPECT_NE(outcome.err.find(source + " holds no packets that can be read: at byte "), std::string::npos)
            << outcome.err;
    }
}

// A file may list two headers of one stream number, whose packets are the
// first's: an append takes the stream once. It used to lay the one stream
// out twice and read past its table of parts.
TEST(FuzzedFaults, AppendTakesAStreamListedTwiceOnce)
{
    TempDir dir;
    FileSpec twice;
    twice.streams = {StreamSpec{}, StreamSpec{}};
    for (uint32_t k = 0; k < 10; ++k)
        twice.packets.push_back(PacketSpec{.number = 0, .timestamp = k * 100, .flags = 2});
    const std::string source = dir.file("twice.rm");
    writeFileBytes(source, buildFile(twice));
    const Outcome outcome = cli({"append", "--verify", "-o", dir.file("out.rm"), source, source});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    const auto out = parseRm(readFileBytes(dir.file("out.rm")));
    ASSERT_TRUE(out.has_value());
    EXPECT_EQ(out->numStreams, 1);
    EXPECT_EQ(out->packets.size(), 20u);
}

// A job with --verify finishes and writes what it writes without it, byte
// for byte. A repair of a file whose data chunk header is gone (its packets
// right after the header section: a region of no bytes, which verify read
// again and again), and of one where a data chunk header stands before a
// packet whose length is wrong (which verify read as whole, where the
// repair found the packets inside it); a trim of a file whose first packet
// is damaged, which the trim seeks past through the index (and verify read
// from the start of the data, stopping at the damage); a delay that moves
// a frame before 0 between two it keeps (its timestamp went back), which
// verify took as written; a trim of a file (as the fuzz target made it)
// with an audio time hours ahead before the index record the trim seeks
// to (verify read from the data's start, and ended the stream there).
TEST(FuzzedFaults, VerifyFinishesAndAgreesWithTheJob)
{
    TempDir dir;
    const FilmBytes film;
    const uint64_t middle = film.packets[film.packets.size() / 2];
    std::string wrongLength = film.bytes.substr(middle, film.dataEnd - middle);
    wrongLength.replace(2, 2, be16(2001));
    std::string firstDamaged = film.bytes;
    firstDamaged.replace(film.packets[0] + 2, 2, be16(5));
    std::string wentBack = film.bytes;
    for (std::size_t k = film.packets.size() / 2;; ++k)
        if (wentBack[film.packets[k] + 5] == 0) {  // a packet of the video, stream 0
            wentBack.replace(film.packets[k] + 6, 4, be32(100));
            break;
        }
    const std::vector<std::string> repair = {"repair"}, trim = {"merge", "--start", "2", "--end", "6"};
    const std::vector<std::tuple<std::string, std::string, std::vector<std::string>>> jobs = {
        {"no_data_header.rm", film.bytes.substr(0, film.data) + film.bytes.substr(film.data + kDataHeaderSize),
         repair},
        {"wrong_length_after_data_header.rm",
         film.bytes.substr(0, middle) + dataHeader(static_cast<uint32_t>(kDataHeaderSize + wrongLength.size()), 250)
             + wrongLength + film.bytes.substr(film.dataEnd),
         repair},
        {"first_packet_damaged.rm", firstDamaged, trim},
        {"garbage_time_before_start.rm", readFileBytes(dataFile("fuzzed_garbage_time_before_index.rm")), trim},
        {"timestamp_went_back.rm", wentBack, {"merge", "--delay", "0=-500"}},
    };
    for (const auto& [name, bytes, command] : jobs) {
        SCOPED_TRACE(name);
        const std::string source = dir.file(name);
        writeFileBytes(source, bytes);
        const auto runJob = [&](const std::string& output, bool verify) {
            std::vector<std::string> args{KESTROVA_CLI};
            args.insert(args.end(), command.begin(), command.end());
            if (verify)
                args.push_back("--verify");
            args.insert(args.end(), {"-o", dir.file(output), source});
            // A verify that never ends is stopped here by a limit of CPU time.
            return run(args, "ulimit -t 30");
        };
        for (const char* output : {"plain.rm", "verified.rm"})
            std::filesystem::remove(dir.file(output));
        const Outcome plain = runJob("plain.rm", false);
        const Outcome verified = runJob("verified.rm", true);
        // Where the job itself refuses, verify refuses alike and nothing is written.
        ASSERT_EQ(verified.status, plain.status) << verified.err;
        if (plain.status != 0) {
            EXPECT_EQ(verified.err, plain.err);
            EXPECT_FALSE(std::filesystem::exists(dir.file("plain.rm")) || std::filesystem::exists(dir.file("verified.rm")));
            continue;
        }
        // The same report, after the "Wrote" line that names the output.
        EXPECT_EQ(verified.out.substr(verified.out.find('\n')), plain.out.substr(plain.out.find('\n')));
        EXPECT_EQ(readFileBytes(dir.file("verified.rm")), readFileBytes(dir.file("plain.rm")));
    }
}

// A file that gives no bit rate, one video packet of which has a length 4
// bytes too large and a time hours ahead: repair loses that packet alone.
// Taken for a packet (no rate set a limit ahead), its time made every
// packet after it look behind its stream, and the rest of the file was lost.
TEST(FuzzedFaults, AGarbageTimeInAFileWithoutABitRateCostsItsPacketAlone)
{
    TempDir dir;
    const FilmBytes film;
    std::string bytes = withField32(film.bytes, film.bytes.find("PROP") + 14, 0);
    std::size_t k = film.packets.size() / 2;
    while (bytes[film.packets[k] + 5] != 0)  // stream 0, the video
        ++k;
    const uint64_t middle = film.packets[k];
    const auto length = static_cast<uint16_t>(static_cast<uint8_t>(bytes[middle + 2]) << 8 | static_cast<uint8_t>(bytes[middle + 3]));
    bytes.replace(middle + 2, 2, be16(static_cast<uint16_t>(length + 4))).replace(middle + 6, 4, be32(10000000));
    writeFileBytes(dir.file("damaged.rm"), bytes);
    const Outcome outcome = cli({"repair", "--verify", "-o", dir.file("out.rm"), dir.file("damaged.rm")});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(parseRm(readFileBytes(dir.file("out.rm")))->packets.size(), film.packets.size() - 1);
}
