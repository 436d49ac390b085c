// The resynchronising search after damage: what it takes for a packet
// header, and where it takes up the packets again.
#include <gtest/gtest.h>

#include "rm/input_file.h"
#include "rm/packet_resync.h"
#include "support/rm_builder.h"
#include "support/rm_parser.h"
#include "support/temp_dir.h"

using namespace testing_rm;

namespace {

std::string header(uint16_t version, uint16_t length, uint16_t number, uint32_t timestamp)
{
    return be16(version) + be16(length) + be16(number) + be32(timestamp) + std::string(2, '\0');
}

rm::PacketExpectations expect(uint64_t end)
{
    rm::PacketExpectations e;
    e.end = end;
    e.streams = {{0, 10000u}, {3, std::nullopt}};
    e.bytesPerSecond = 1000;
    return e;
}

}  // namespace

TEST(PacketResync, PlausibleHeaders)
{
    struct Case {
        const char* what;
        std::string bytes;
        bool plausible;
    };
    const Case cases[] = {
        {"version 0", header(0, 100, 0, 10000), true},
        {"version 1", header(1, 100, 0, 10000), true},
        {"version 2", header(2, 100, 0, 10000), false},
        {"length of a bare header", header(0, 12, 0, 10000), true},
        {"length shorter than a header", header(0, 11, 0, 10000), false},
        {"length past the end", header(0, 1001, 0, 10000), false},
        {"a stream no header declares", header(0, 100, 1, 10000), false},
        {"a declared stream with no packet yet", header(0, 100, 3, 10000), true},
        {"a little behind its stream", header(0, 100, 0, 5000), true},
        {"far behind its stream", header(0, 100, 0, 4999), false},
        {"ahead within a minute", header(0, 100, 0, 70000), true},
        {"ahead past a minute and what the bytes passed could hold", header(0, 100, 0, 70001), false},
    };
    for (const Case& c : cases) {
        rm::RmPacketHeader h;
        EXPECT_EQ(rm::plausiblePacket(reinterpret_cast<const uint8_t*>(c.bytes.data()), 0, 0, expect(1000), h),
                  c.plausible)
            << c.what;
    }
    // The time the bytes passed over could hold widens the window ahead.
    rm::RmPacketHeader h;
    const std::string later = header(0, 100, 0, 80000);
    EXPECT_TRUE(rm::plausiblePacket(reinterpret_cast<const uint8_t*>(later.data()), 0, 10000, expect(1000), h));
}

TEST(PacketResync, TakesUpOnlyWherePacketsChain)
{
    TempDir dir;
    // Junk holding a lone plausible header whose successor is junk, then
    // two packets that chain, then a last one that ends the file.
    const std::string lone = header(0, 20, 0, 10000) + std::string(8, '\x7f');
    const std::string bytes = std::string(7, '\x55') + lone + std::string(9, '\x66') + header(0, 16, 0, 10040) + "abcd"
                              + header(1, 13, 3, 10050) + "e" + header(0, 12, 0, 10060);
    writeFileBytes(dir.file("d"), bytes);
    rm::InFile in;
    ASSERT_TRUE(in.open(dir.file("d")));
    const uint64_t first = 7 + lone.size() + 9;
    EXPECT_EQ(rm::findNextPacket(in, 0, expect(bytes.size())), first);
    EXPECT_EQ(rm::findNextPacket(in, first + 1, expect(bytes.size())), first + 16);
    // The last packet chains by ending the data exactly.
    EXPECT_EQ(rm::findNextPacket(in, first + 17, expect(bytes.size())), first + 29);
    EXPECT_EQ(rm::findNextPacket(in, first + 30, expect(bytes.size())), std::nullopt);
    // A data chunk is found by its id only where packets follow its header.
    const std::string withData = std::string("DATA") + "xx" + "DATA" + std::string(14, '\0') + bytes.substr(first);
    writeFileBytes(dir.file("e"), withData);
    rm::InFile in2;
    ASSERT_TRUE(in2.open(dir.file("e")));
    EXPECT_EQ(rm::findDataChunk(in2, 0, expect(withData.size())), 6u);
}
