// Verified merges: the finished output is read back as kestrova-cli check
// reads a file and compared with its sources before it takes its name. A
// difference, made here through the test seam that changes the output just
// before it is read back, fails the merge and names the first difference,
// with the disk left as it was.
#include <gtest/gtest.h>

#include <functional>

#include "mux/merge_signals.h"
#include "mux/rm_muxer.h"
#include "mux/source_check.h"
#include "support/merge_run.h"
#include "support/rm_builder.h"
#include "support/rm_parser.h"
#include "support/temp_dir.h"

using namespace testing_rm;

namespace {

constexpr char kPrecious[] = "the file the user had at the output path";

// Two audio streams and an indexed video stream, from two files.
FileSpec firstSource()
{
    FileSpec plan;
    plan.streams = {{.number = 0, .name = "Sound"}, {.number = 1, .name = "Picture", .mime = "video/x-pn-realvideo"}};
    for (uint32_t k = 0; k < 4; ++k) {
        plan.packets.push_back({.number = 0, .timestamp = k * 100, .payload = "sound" + std::to_string(k), .flags = 2});
        plan.packets.push_back({.number = 1, .timestamp = k * 100, .payload = "picture" + std::to_string(k)});
    }
    plan.packets[1].flags = 2;
    plan.indexes = {{1, {0, 200}}};
    return plan;
}

FileSpec secondSource()
{
    FileSpec plan;
    plan.streams = {{.number = 0, .name = "Voice"}};
    for (uint32_t k = 0; k < 3; ++k)
        plan.packets.push_back({.number = 0, .timestamp = 50 + k * 100, .payload = "voice" + std::to_string(k)});
    return plan;
}

using Damage = std::function<void(std::string& bytes, const ParsedFile& out)>;

struct VerifyFixture : ::testing::Test {
    TempDir dir;
    RmMuxer muxer;
    std::string first = dir.file("a.rm");
    std::string second = dir.file("b.rm");
    std::string output = dir.file("out.rm");
    std::string seenPath;

    FileSpec secondPlan = secondSource();

    void SetUp() override
    {
        writeFileBytes(first, buildFile(firstSource()));
        writeFileBytes(second, buildFile(secondPlan));
        writeFileBytes(output, kPrecious);
        addSources(muxer, {first, second});
    }

    // Merges all three streams; `damage`, when given, changes the finished
    // output (read with the tests' own reader) before it is read back.
    MuxJob merge(const Damage& damage, bool verify = true)
    {
        seenPath.clear();
        MuxJob job;
        job.selection[0] = job.selection[1] = job.selection[10] = 1;
        job.muxer = &muxer;
        job.verify = verify;
        job.sync = false;
        job.beforeVerify = [&](const std::string& path) {
            seenPath = path;
            if (!damage)
                return;
            std::string bytes = readFileBytes(path);
            damage(bytes, parseRm(bytes).value());
            writeFileBytes(path, bytes);
        };
        ResetMergeSignals();
        muxer.SetOutputPath(output);
        MuxWorker(&job);
        return job;
    }

    void expectDiskAsItWas()
    {
        EXPECT_EQ(readFileBytes(output), kPrecious);
        EXPECT_EQ(dir.entries(), (std::vector<std::string>{"a.rm", "b.rm", "out.rm"}));
    }
};

// The place of the k-th packet of a stream in a parsed file.
uint64_t packetAt(const ParsedFile& file, uint16_t stream, std::size_t k)
{
    return packetsOf(file, stream)[k].offset;
}

void flip(std::string& bytes, uint64_t at)
{
    bytes[at] = static_cast<char>(bytes[at] ^ 0x01);
}

uint32_t get32(const std::string& bytes, uint64_t at)
{
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
    return v;
}

// Takes the last packet out of a file as if it had never been written: the
// counts, sizes and offsets that follow it all agree again, so that only a
// comparison with the sources can tell.
void removeLastPacket(std::string& bytes, const ParsedFile& out)
{
    const ParsedPacket& last = out.packets.back();
    const auto lower = [&](uint64_t at, uint32_t by) { bytes.replace(at, 4, be32(get32(bytes, at) - by)); };
    lower(18 + 26, 1);                // PROP num_packets
    lower(18 + 38, last.length);      // PROP index_offset
    lower(out.dataOffset + 4, last.length);
    lower(out.dataOffset + 10, 1);
    for (const ParsedIndex& index : out.indexes)
        if (index.next != 0)
            lower(index.offset + 16, last.length);
    bytes.erase(last.offset, last.length);
}

}  // namespace

TEST_F(VerifyFixture, SoundOutputIsVerifiedAndPutInPlace)
{
    const MuxJob job = merge(nullptr);
    ASSERT_EQ(job.outcome, MuxOutcome::Completed) << job.error;
    // The seam saw the temporary output, beside the output path.
    EXPECT_EQ(seenPath.rfind(dir.file(".out.rm.kestrova-"), 0), 0u) << seenPath;
    EXPECT_EQ(seenPath.substr(seenPath.size() - 5), ".part");
    EXPECT_TRUE(parseRm(readFileBytes(output)));
    EXPECT_TRUE(CheckSource(output).problems.empty());
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"a.rm", "b.rm", "out.rm"}));
}

TEST_F(VerifyFixture, AFlippedPayloadByteFailsTheMergeAndLeavesTheDiskAsItWas)
{
    const ParsedFile source = parseRm(buildFile(firstSource())).value();
    uint64_t damagedAt = 0;
    const Damage flipPayload = [&](std::string& bytes, const ParsedFile& out) {
        damagedAt = packetAt(out, 1, 2);
        flip(bytes, damagedAt + 14);
    };
    const MuxJob job = merge(flipPayload);
    EXPECT_EQ(job.outcome, MuxOutcome::Failed);
    EXPECT_EQ(job.error, "The output did not read back as it was written: the packet at byte "
                             + std::to_string(damagedAt) + " of the output differs in its payload from the packet at byte "
                             + std::to_string(packetAt(source, 1, 2)) + " of " + first + " stream 1; nothing was written");
    expectDiskAsItWas();

    // Without --verify nothing reads the output back: the same damage is written.
    const MuxJob unverified = merge(flipPayload, false);
    EXPECT_EQ(unverified.outcome, MuxOutcome::Completed) << unverified.error;
    EXPECT_EQ(seenPath, "");
    EXPECT_TRUE(parseRm(readFileBytes(output)));
}

TEST_F(VerifyFixture, EachKindOfDifferenceIsNamed)
{
    const ParsedFile a = parseRm(buildFile(firstSource())).value();
    const ParsedFile b = parseRm(buildFile(secondSource())).value();
    struct Case {
        std::string what;
        Damage damage;
        std::function<std::string(const ParsedFile& out)> expected;
    };
    const std::string failed = "The output did not read back as it was written: ";
    const std::string nothing = "; nothing was written";
    const auto place = [](const ParsedFile& out, uint16_t stream, std::size_t k) {
        return "the packet at byte " + std::to_string(packetAt(out, stream, k)) + " of the output";
    };
    const std::vector<Case> cases = {
        {"timestamp", [](std::string& bytes, const ParsedFile& out) { flip(bytes, packetAt(out, 0, 1) + 9); },
         [&](const ParsedFile& out) {
             return failed + place(out, 0, 1) + " differs in its timestamp from the packet at byte "
                    + std::to_string(packetAt(a, 0, 1)) + " of " + first + " stream 0" + nothing;
         }},
        {"flags", [](std::string& bytes, const ParsedFile& out) { flip(bytes, packetAt(out, 2, 0) + 11); },
         [&](const ParsedFile& out) {
             return failed + place(out, 2, 0) + " differs in its flags from the packet at byte "
                    + std::to_string(packetAt(b, 0, 0)) + " of " + second + " stream 0" + nothing;
         }},
        {"group", [](std::string& bytes, const ParsedFile& out) { flip(bytes, packetAt(out, 2, 1) + 10); },
         [&](const ParsedFile& out) {
             return failed + place(out, 2, 1) + " differs in its group from the packet at byte "
                    + std::to_string(packetAt(b, 0, 1)) + " of " + second + " stream 0" + nothing;
         }},
        {"a stream the merge did not write",
         [](std::string& bytes, const ParsedFile& out) { bytes.replace(packetAt(out, 2, 2) + 4, 2, be16(7)); },
         [&](const ParsedFile& out) {
             return failed + place(out, 2, 2) + " belongs to stream 7, which the merge did not write" + nothing;
         }},
        {"one packet too many",
         [](std::string& bytes, const ParsedFile& out) { bytes.replace(out.packets.back().offset + 4, 2, be16(2)); },
         [&](const ParsedFile& out) {
             return failed + "stream 2 has a packet at byte " + std::to_string(out.packets.back().offset)
                    + " of the output past the 3 packets of " + second + " stream 0" + nothing;
         }},
        {"one packet too few",
         [](std::string& bytes, const ParsedFile& out) { removeLastPacket(bytes, out); },
         [&](const ParsedFile&) {
             return failed + "stream 1 ends after 3 packets, but " + first + " stream 1 has more from byte "
                    + std::to_string(packetAt(a, 1, 3)) + nothing;
         }},
        {"an index record's packet count",
         [](std::string& bytes, const ParsedFile& out) { bytes.replace(out.indexes[1].offset + 20 + 14 + 10, 4, be32(2)); },
         [&](const ParsedFile& out) {
             return failed + "the index record at byte " + std::to_string(out.indexes[1].offset + 20 + 14)
                    + " gives packet count 2 for the packet numbered "
                    + std::to_string(out.indexes[1].records[1].packetCount) + nothing;
         }},
        {"an index record's offset",
         [](std::string& bytes, const ParsedFile& out) { bytes.replace(out.indexes[1].offset + 20 + 6, 4, be32(18)); },
         [&](const ParsedFile& out) {
             return failed + "at byte " + std::to_string(out.indexes[1].offset + 20)
                    + ", the index record of stream 1 for 0 ms points at byte 18, where no packet of that stream "
                      "with that timestamp starts"
                    + nothing;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ParsedFile out;
        const MuxJob job = merge([&](std::string& bytes, const ParsedFile& parsed) {
            out = parsed;
            c.damage(bytes, parsed);
        });
        EXPECT_EQ(job.outcome, MuxOutcome::Failed);
        EXPECT_EQ(job.error, c.expected(out));
        expectDiskAsItWas();
    }
}

TEST_F(VerifyFixture, AnOutputCutShortIsNamedByWhatTheCheckFinds)
{
    uint64_t last = 0;
    const MuxJob job = merge([&](std::string& bytes, const ParsedFile& out) {
        last = out.packets.back().offset;
        bytes.resize(last + 13);
    });
    EXPECT_EQ(job.outcome, MuxOutcome::Failed);
    EXPECT_EQ(job.error.rfind("The output did not read back as it was written: at byte ", 0), 0u) << job.error;
    expectDiskAsItWas();
}

struct BackwardsFixture : VerifyFixture {
    void SetUp() override
    {
        secondPlan.packets[2].timestamp = 10;
        VerifyFixture::SetUp();
    }
};

TEST_F(BackwardsFixture, TimestampsThatGoBackInASourceAreCopiedAndVerified)
{
    // The output keeps each stream's packets in its source's order, and so
    // the step back that check finds in the source: a copy, not a difference.
    const MuxJob job = merge(nullptr);
    ASSERT_EQ(job.outcome, MuxOutcome::Completed) << job.error;
    const SourceCheck check = CheckSource(output);
    ASSERT_EQ(check.problems.size(), 1u);
    EXPECT_EQ(check.problems[0].kind, ProblemKind::TimestampBackwards);
    EXPECT_EQ(check.problems[0].text, "a packet of stream 2 at 10 ms follows one at 150 ms");
}

// A split is verified file by file: each part is read back against the
// packets it was given before any part takes its name, and a part damaged
// on disk fails the split with no part left behind.
TEST(VerifySplit, EveryPartIsReadBackAndADamagedOneFailsTheSplit)
{
    FileSpec plan;
    plan.streams = {{.number = 0, .name = "Picture", .mime = "video/x-pn-realvideo"}, {.number = 1, .name = "Sound"}};
    for (uint32_t k = 0; k < 6; ++k) {
        plan.packets.push_back({.number = 0, .timestamp = k * 100, .payload = "picture" + std::to_string(k), .flags = 2});
        plan.packets.push_back({.number = 1, .timestamp = k * 100 + 50, .payload = "sound" + std::to_string(k), .flags = 2});
    }
    for (int damaged : {-1, 0, 1, 2}) {
        SCOPED_TRACE(damaged);
        TempDir dir;
        writeFileBytes(dir.file("source.rm"), buildFile(plan));
        RmMuxer muxer;
        addSources(muxer, {dir.file("source.rm")});
        MuxJob job;
        job.selection[0] = job.selection[1] = 1;
        job.muxer = &muxer;
        job.verify = true;
        job.sync = false;
        job.split.atMs = {200, 400};
        int verified = 0;
        job.beforeVerify = [&](const std::string& path) {
            if (verified++ != damaged)
                return;
            std::string bytes = readFileBytes(path);
            const ParsedFile part = parseRm(bytes).value();
            flip(bytes, part.packets.back().offset + part.packets.back().length - 1);
            writeFileBytes(path, bytes);
        };
        ResetMergeSignals();
        muxer.SetOutputPath(dir.file("out.rm"));
        MuxWorker(&job);
        if (damaged < 0) {
            EXPECT_EQ(verified, 3);
            ASSERT_EQ(job.outcome, MuxOutcome::Completed) << job.error;
            EXPECT_EQ(dir.entries(), (std::vector<std::string>{"out-001.rm", "out-002.rm", "out-003.rm", "source.rm"}));
        } else {
            EXPECT_EQ(verified, damaged + 1);
            EXPECT_EQ(job.outcome, MuxOutcome::Failed);
            EXPECT_NE(job.error.find("differs in its payload"), std::string::npos) << job.error;
            EXPECT_EQ(dir.entries(), (std::vector<std::string>{"source.rm"}));
        }
    }
}
