#include "support/rm_builder.h"

namespace testing_rm {

std::string be16(uint16_t v)
{
    return {static_cast<char>(v >> 8), static_cast<char>(v)};
}

std::string be32(uint32_t v)
{
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}

namespace {

// A text as the RealAudio headers store it: a length byte, then the bytes.
std::string text8(const std::string& text)
{
    return static_cast<char>(text.size()) + text;
}

}  // namespace

std::string realVideoHeader(const RealVideoSpec& v)
{
    const std::string fixed = "VIDO" + v.codec + be16(v.width) + be16(v.height) + be16(12) + be32(0) + be32(v.fps);
    return be32(4 + fixed.size() + v.codecData.size()) + fixed + v.codecData;
}

std::string realAudioHeader(const RealAudioSpec& a)
{
    if (a.version == 3) {
        std::string body = std::string(8, '\0') + be16(static_cast<uint16_t>(a.bytesPerMinute)) + be32(0)
                           + text8(a.title) + text8(a.author) + text8(a.copyright) + text8(a.comment);
        if (a.withCodec)
            body += '\x02' + text8(a.codec);
        return ".ra\xfd" + be16(3) + be16(body.size()) + body;
    }
    const std::string tag = a.version == 5 ? ".ra5" : ".ra4";
    std::string body = be16(a.flavor) + be32(a.codedFrameSize) + be32(0) + be32(a.bytesPerMinute)
                       + be32(a.bytesPerMinute) + be16(a.subPacketH) + be16(a.frameSize) + be16(a.subPacketSize)
                       + be16(0);
    if (a.version == 5)
        body += be16(0) + be16(a.sampleRate) + be16(0);
    body += be16(a.sampleRate) + be16(0) + be16(a.sampleSize) + be16(a.channels);
    if (a.version == 5)
        body += a.interleaver + a.codec + std::string("\x01\x07\x00\x00", 4);
    else
        body += text8(a.interleaver) + text8(a.codec) + std::string("\x01\x07\x00", 3);
    body += be32(a.codecData.size());
    // The header size counts every byte but the first 16 and the codec's data.
    const uint32_t headerSize = 6 + body.size();
    return ".ra\xfd" + be16(a.version) + be16(0) + tag + be32(0) + be16(a.version) + be32(headerSize) + body
           + a.codecData;
}

std::string chunkRmf(uint32_t numHeaders, uint32_t fileVersion)
{
    return ".RMF" + be32(18) + be16(0) + be32(fileVersion) + be32(numHeaders);
}

std::string chunkProp(const PropSpec& p, uint32_t numPackets, uint32_t indexOffset, uint32_t dataOffset,
                      uint16_t numStreams)
{
    return "PROP" + be32(50) + be16(0) + be32(p.maxBitRate) + be32(p.avgBitRate) + be32(p.maxPacketSize)
           + be32(p.avgPacketSize) + be32(numPackets) + be32(p.duration) + be32(p.preroll) + be32(indexOffset)
           + be32(dataOffset) + be16(numStreams) + be16(p.flags);
}

std::string chunkMdpr(const StreamSpec& s)
{
    const uint32_t size = 46 + s.name.size() + s.mime.size() + s.typeSpecific.size();
    return "MDPR" + be32(size) + be16(0) + be16(s.number) + be32(s.maxBitRate) + be32(s.avgBitRate)
           + be32(s.maxPacketSize) + be32(s.avgPacketSize) + be32(s.startTime) + be32(s.preroll) + be32(s.duration)
           + static_cast<char>(s.name.size()) + s.name + static_cast<char>(s.mime.size()) + s.mime
           + be32(s.typeSpecific.size()) + s.typeSpecific;
}

std::string fileInfoProperty(const std::string& name, uint32_t type, const std::string& value)
{
    const std::string body = be16(0) + std::string(1, static_cast<char>(name.size())) + name + be32(type)
                             + be16(static_cast<uint16_t>(value.size())) + value;
    return be32(static_cast<uint32_t>(4 + body.size())) + body;
}

std::string fileInfoData(const std::vector<std::string>& properties, uint16_t streams, uint16_t rules)
{
    std::string body = be16(0) + be16(streams) + std::string(6u * streams, 'S') + be16(rules)
                       + std::string(2u * rules, 'R') + be16(static_cast<uint16_t>(properties.size()));
    for (const std::string& p : properties)
        body += p;
    return be32(static_cast<uint32_t>(4 + body.size())) + body;
}

std::string chunkCont(const ContentSpec& c)
{
    const uint32_t size = 18 + c.title.size() + c.author.size() + c.copyright.size() + c.comment.size();
    return "CONT" + be32(size) + be16(0) + be16(c.title.size()) + c.title + be16(c.author.size()) + c.author
           + be16(c.copyright.size()) + c.copyright + be16(c.comment.size()) + c.comment;
}

std::string dataHeader(uint32_t size, uint32_t numPackets)
{
    return "DATA" + be32(size) + be16(0) + be32(numPackets) + be32(0);
}

std::string packet(const PacketSpec& p)
{
    return be16(p.version) + be16(12 + p.payload.size()) + be16(p.number) + be32(p.timestamp)
           + static_cast<char>(p.group) + static_cast<char>(p.flags) + p.payload;
}

std::string chunkIndx(uint16_t number, const std::vector<IndexRecord>& records, uint32_t next)
{
    std::string out = "INDX" + be32(20 + 14 * records.size()) + be16(0) + be32(records.size()) + be16(number)
                      + be32(next);
    for (const IndexRecord& r : records)
        out += be16(0) + be32(r.timestamp) + be32(r.offset) + be32(r.packetCount);
    return out;
}

std::string buildFile(const FileSpec& plan)
{
    std::string head;
    for (const StreamSpec& s : plan.streams)
        head += chunkMdpr(s);
    const std::string cont = plan.withContent ? chunkCont(plan.content) : "";
    const uint32_t numHeaders = 3 + plan.streams.size() + (plan.withContent ? 1 : 0);
    const uint32_t dataOffset = 18 + 50 + cont.size() + head.size();

    std::string data;
    std::vector<uint32_t> offsets;
    for (const PacketSpec& p : plan.packets) {
        offsets.push_back(dataOffset + 18 + data.size());
        data += packet(p);
    }
    const uint32_t dataSize = 18 + data.size();
    const uint32_t indexOffset = plan.indexes.empty() ? 0 : dataOffset + dataSize;

    std::string index;
    for (std::size_t i = 0; i < plan.indexes.size(); ++i) {
        std::vector<IndexRecord> records;
        for (uint32_t ts : plan.indexes[i].timestamps) {
            IndexRecord r{ts, 0, 0};
            for (std::size_t k = 0; k < plan.packets.size(); ++k)
                if (plan.packets[k].number == plan.indexes[i].number && plan.packets[k].timestamp == ts) {
                    r.offset = offsets[k];
                    r.packetCount = k;
                    break;
                }
            records.push_back(r);
        }
        const uint32_t here = indexOffset + index.size();
        const uint32_t size = 20 + 14 * records.size();
        index += chunkIndx(plan.indexes[i].number, records, i + 1 == plan.indexes.size() ? 0 : here + size);
    }

    return chunkRmf(numHeaders)
           + chunkProp(plan.props, plan.packets.size(), indexOffset, dataOffset, plan.streams.size()) + cont + head
           + dataHeader(dataSize, plan.packets.size()) + data + index;
}

}  // namespace testing_rm
