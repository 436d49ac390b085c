// Gathering the details of a scanned source, and the one-line summary of a stream.
#include "mux/source_details.h"

#include <cassert>
#include <cstdio>

#include "mux/rm_muxer.h"
#include "rm/codec_header.h"
#include "rm/index_chain.h"

namespace {

bool holdsIndexRecords(rm::InFile& in, uint32_t indexOffset)
{
    rm::IndexChain chain(in, indexOffset);
    rm::RmIndexHeader header;
    while (chain.next(header))
        if (rm::heldIndexRecords(in, header) > 0)
            return true;
    return false;
}

StreamDetails streamDetails(const rm::RmStreamHeader& slot)
{
    StreamDetails stream;
    const rm::CodecHeader codec = rm::readCodecHeader(slot.type_specific_data, slot.type_specific_len);
    stream.codec = codec.codec;
    stream.mime.assign(slot.mime_type, slot.mime_type_size);
    stream.durationMs = slot.fixed.duration;
    stream.bitRate = slot.fixed.avg_bit_rate;
    stream.maxBitRate = slot.fixed.max_bit_rate;
    stream.prerollMs = slot.fixed.preroll;
    stream.width = codec.width;
    stream.height = codec.height;
    if (codec.frame_rate)
        stream.fps = *codec.frame_rate / 65536.0;
    stream.sampleRate = codec.sample_rate;
    stream.channels = codec.channels;
    stream.rates = codec.rates;
    return stream;
}

}  // namespace

FileTexts ReadTexts(const RmMuxer& muxer)
{
    FileTexts texts;
    const rm::RmContent& content = muxer.m_content;
    texts.title.assign(content.title, content.title_len);
    texts.author.assign(content.author, content.author_len);
    texts.copyright.assign(content.copyright, content.copyright_len);
    texts.comment.assign(content.comment, content.comment_len);
    texts.properties = rm::readFileInfoProperties(muxer.m_fileInfo.data(), muxer.m_fileInfo.size()).properties;
    return texts;
}

SourceDetails ScannedSourceDetails(RmMuxer& muxer)
{
    assert(muxer.m_fileCount > 0);
    SourceDetails details;
    rm::InFile& in = *muxer.m_files[muxer.m_fileCount - 1];
    details.size = in.size();
    details.durationMs = muxer.m_props.duration;
    static_cast<FileTexts&>(details) = ReadTexts(muxer);
    details.indexed = holdsIndexRecords(in, muxer.m_props.index_offset);
    for (uint16_t k = 0; k < muxer.m_streamCount; ++k)
        details.streams.push_back(streamDetails(muxer.m_streams[k]));
    return details;
}

std::string StreamSummary(const StreamDetails& stream)
{
    std::string line = stream.codec;
    const auto add = [&line](const char* format, auto... values) {
        char part[64];
        std::snprintf(part, sizeof part, format, values...);
        line += line.empty() ? "" : " ";
        line += part;
    };
    if (stream.rates)
        add(*stream.rates == 1 ? "(%u rate)" : "(%u rates)", unsigned{*stream.rates});
    if (stream.width && stream.height)
        add("%ux%u", unsigned{*stream.width}, unsigned{*stream.height});
    if (stream.fps)
        add("%.6g fps", *stream.fps);
    if (stream.sampleRate)
        add("%u Hz", unsigned{*stream.sampleRate});
    if (stream.channels)
        add("%u ch", unsigned{*stream.channels});
    if (stream.bitRate > 0)
        add("%llu kb/s", (stream.bitRate + 500ULL) / 1000);
    return line;
}
