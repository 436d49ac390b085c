#include "support/rm_parser.h"

#include <algorithm>
#include <fstream>
#include <set>
#include <stdexcept>

namespace testing_rm {

namespace {

struct Cursor {
    const std::string& bytes;
    uint64_t pos = 0;

    void need(uint64_t n) const
    {
        if (pos + n > bytes.size())
            throw std::runtime_error("read past the end at offset " + std::to_string(pos));
    }
    uint32_t u(int width)
    {
        need(width);
        uint32_t v = 0;
        for (int i = 0; i < width; ++i)
            v = (v << 8) | static_cast<unsigned char>(bytes[pos++]);
        return v;
    }
    uint8_t u8() { return static_cast<uint8_t>(u(1)); }
    uint16_t u16() { return static_cast<uint16_t>(u(2)); }
    uint32_t u32() { return u(4); }
    std::string raw(uint64_t n)
    {
        need(n);
        std::string s = bytes.substr(pos, n);
        pos += n;
        return s;
    }
};

void expect(bool ok, const std::string& what)
{
    if (!ok)
        throw std::runtime_error(what);
}

}  // namespace

std::vector<ParsedPacket> readPackets(const std::string& bytes, uint64_t start, uint64_t end, uint64_t* stop)
{
    std::vector<ParsedPacket> packets;
    end = std::min<uint64_t>(end, bytes.size());
    uint64_t pos = start;
    while (pos + 12 <= end) {
        Cursor c{bytes, pos};
        ParsedPacket p;
        p.offset = pos;
        p.version = c.u16();
        p.length = c.u16();
        if (p.length < 12 || pos + p.length > end)
            break;
        p.number = c.u16();
        p.timestamp = c.u32();
        p.group = c.u8();
        p.flags = c.u8();
        p.payload = c.raw(p.length - 12);
        pos += p.length;
        packets.push_back(std::move(p));
    }
    if (stop)
        *stop = pos;
    return packets;
}

namespace {

std::optional<ParsedFile> parse(const std::string& bytes, std::string* error, bool strict)
{
    ParsedFile f;
    try {
        Cursor c{bytes};
        expect(c.raw(4) == ".RMF", "no .RMF at offset 0");
        f.rmfSize = c.u32();
        f.rmfVersion = c.u16();
        f.fileVersion = c.u32();
        f.numHeaders = c.u32();
        expect(f.rmfSize == 18, ".RMF size is not 18");

        bool sawData = false;
        for (uint32_t h = 1; h < f.numHeaders; ++h) {
            const uint64_t start = c.pos;
            const std::string id = c.raw(4);
            f.headerIds.push_back(id);
            f.headerOffsets.push_back(start);
            const uint32_t size = c.u32();
            if (id == "PROP") {
                f.propSize = size;
                f.propVersion = c.u16();
                f.maxBitRate = c.u32();
                f.avgBitRate = c.u32();
                f.maxPacketSize = c.u32();
                f.avgPacketSize = c.u32();
                f.numPackets = c.u32();
                f.duration = c.u32();
                f.preroll = c.u32();
                f.indexOffset = c.u32();
                f.dataOffset = c.u32();
                f.numStreams = c.u16();
                f.flags = c.u16();
            } else if (id == "MDPR") {
                ParsedStream s;
                s.size = size;
                s.version = c.u16();
                s.number = c.u16();
                s.maxBitRate = c.u32();
                s.avgBitRate = c.u32();
                s.maxPacketSize = c.u32();
                s.avgPacketSize = c.u32();
                s.startTime = c.u32();
                s.preroll = c.u32();
                s.duration = c.u32();
                s.name = c.raw(c.u8());
                s.mime = c.raw(c.u8());
                s.typeSpecific = c.raw(c.u32());
                f.streams.push_back(s);
            } else if (id == "CONT") {
                f.hasContent = true;
                f.contSize = size;
                c.u16();
                f.title = c.raw(c.u16());
                f.author = c.raw(c.u16());
                f.copyright = c.raw(c.u16());
                f.comment = c.raw(c.u16());
            } else if (id == "DATA") {
                expect(!strict || h + 1 == f.numHeaders, "DATA is not the last header chunk");
                expect(!strict || start == f.dataOffset, "DATA is not at data_offset");
                f.dataSize = size;
                f.dataVersion = c.u16();
                f.dataNumPackets = c.u32();
                f.nextDataHeader = c.u32();
                sawData = true;
                break;
            } else if (strict) {
                throw std::runtime_error("unexpected header chunk " + id);
            } else {
                c.pos = start + size;
            }
            expect(c.pos - start == size, id + " chunk at " + std::to_string(start) + " has size "
                                              + std::to_string(size) + " but holds " + std::to_string(c.pos - start));
        }
        expect(sawData || !strict, "no DATA chunk in the header section");

        uint64_t dataEnd = f.dataOffset + static_cast<uint64_t>(f.dataSize);
        // One data chunk, so nothing follows it in a chain.
        expect(!strict || f.nextDataHeader == 0, "next_data_header points at a second data chunk");
        if (!strict) {
            // Packets are read only from a data chunk, and stop at the last one that is whole.
            const bool atData = bytes.compare(f.dataOffset, 4, "DATA") == 0;
            if (!atData)
                dataEnd = f.dataOffset + 18;
            // A writer that could not seek back leaves the size of the header
            // alone: its packets run on to the end of the file.
            else if (f.dataSize == 0 || f.dataSize == 18)
                dataEnd = bytes.size();
        }
        expect(!strict || dataEnd <= bytes.size(), "data chunk passes the end of the file");
        uint64_t stop = 0;
        f.packets = readPackets(bytes, f.dataOffset + 18, dataEnd, &stop);
        expect(!strict || stop == dataEnd,
               "the packets do not fill the data chunk: the one at " + std::to_string(stop) + " is not whole");
        if (strict) {
            expect(f.packets.size() == f.dataNumPackets, "DATA num_packets does not count the packets");
            expect(f.numPackets == f.dataNumPackets, "PROP and DATA num_packets differ");
        }

        std::set<uint64_t> seen;
        // Another muxer's index chain is read as far as it holds together.
        for (uint64_t at = f.indexOffset; at != 0 && (strict || (at < bytes.size() && !seen.count(at)));) {
            expect(seen.insert(at).second, "index chain loops");
            if (!strict) {
                // ... and ends at a chunk that is not an index chunk, or not whole.
                if (at + 20 > bytes.size() || bytes.compare(at, 4, "INDX") != 0)
                    break;
                if (at + 20 + 14 * static_cast<uint64_t>(Cursor{bytes, at + 10}.u32()) > bytes.size())
                    break;
            }
            c.pos = at;
            ParsedIndex x;
            x.offset = at;
            expect(c.raw(4) == "INDX", "no INDX at " + std::to_string(at));
            x.size = c.u32();
            x.version = c.u16();
            x.numIndices = c.u32();
            x.number = c.u16();
            x.next = c.u32();
            for (uint32_t k = 0; k < x.numIndices; ++k) {
                ParsedIndexRecord r;
                r.version = c.u16();
                r.timestamp = c.u32();
                r.offset = c.u32();
                r.packetCount = c.u32();
                x.records.push_back(r);
            }
            expect(x.size == 20 + 14 * x.numIndices || !strict, "INDX size does not match its records");
            f.indexes.push_back(x);
            at = x.next;
            if (at != 0 && strict)
                expect(at == c.pos, "next_index_header does not point at the next chunk");
        }
    } catch (const std::exception& e) {
        if (error)
            *error = e.what();
        return std::nullopt;
    }
    return f;
}

}  // namespace

std::optional<ParsedFile> parseRm(const std::string& bytes, std::string* error)
{
    return parse(bytes, error, true);
}

std::optional<ParsedFile> parseSource(const std::string& bytes, std::string* error)
{
    return parse(bytes, error, false);
}

std::string readFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : -1;
    if (size < 0)
        return {};
    std::string bytes(static_cast<std::size_t>(size), '\0');
    in.seekg(0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

void writeFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

uint64_t checksum(const std::string& bytes)
{
    uint64_t hash = 0xcbf29ce484222325ull;
    for (char c : bytes)
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ull;
    return hash;
}

std::vector<ParsedPacket> packetsOf(const std::vector<ParsedPacket>& packets, uint16_t number)
{
    std::vector<ParsedPacket> out;
    for (const ParsedPacket& p : packets)
        if (p.number == number)
            out.push_back(p);
    return out;
}

std::vector<ParsedPacket> packetsOf(const ParsedFile& file, uint16_t number)
{
    return packetsOf(file.packets, number);
}

bool isPrefixCopy(const std::vector<ParsedPacket>& copy, const std::vector<ParsedPacket>& source)
{
    if (copy.size() > source.size())
        return false;
    for (std::size_t k = 0; k < copy.size(); ++k) {
        const ParsedPacket& c = copy[k];
        const ParsedPacket& s = source[k];
        if (c.version != s.version || c.length != s.length || c.timestamp != s.timestamp || c.group != s.group
            || c.flags != s.flags || c.payload != s.payload)
            return false;
    }
    return true;
}

}  // namespace testing_rm
