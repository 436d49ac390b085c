// Writing the output's header chunks and index chunks.
#include <algorithm>
#include <cstring>

#include "mux/rm_muxer.h"
#include "mux/run_state.h"
#include "rm/chunk_ids.h"
#include "rm/chunk_writers.h"

namespace {

constexpr char kHelperMime[] = "application/helper";
constexpr char kHelperData[] = "1234567890";

// The extra stream's header: zeros but for its number, MIME type and ten
// bytes of type-specific data; 74 bytes on disk.
rm::RmStreamHeader helperStreamHeader(uint16_t number)
{
    rm::RmStreamHeader slot{};
    slot.fixed.stream_number = number;
    slot.mime_type_size = sizeof kHelperMime - 1;
    std::memcpy(slot.mime_type, kHelperMime, sizeof kHelperMime - 1);
    slot.type_specific_len = sizeof kHelperData - 1;
    std::memcpy(slot.type_specific_data, kHelperData, sizeof kHelperData - 1);
    return slot;
}

}  // namespace

void RmMuxer::WriteFileHeader()
{
    // A chunk of fixed length is written with that length as its size,
    // whatever a source's size field said (so is PROP).
    m_fileHeader.size = rm::kFileHeaderChunkSize;
    m_fileHeader.num_headers = m_run->outCount + (m_addHelper ? 5u : 4u);
    rm::writeChunk(*m_out, rm::kIdFileHeader, m_fileHeader);
}

void RmMuxer::WriteProperties(bool first)
{
    if (first)
        m_propsPos = static_cast<uint32_t>(m_out->tell());
    else
        m_out->seek(m_propsPos);
    m_props.size = rm::kPropertiesChunkSize;
    rm::writeChunk(*m_out, rm::kIdProperties, m_props);
    // The first copy counts the real streams; the copy rewritten in place
    // at the end also counts the helper stream.
    if (m_addHelper)
        m_props.num_streams = m_props.num_streams + 1;
}

void RmMuxer::WriteStreamHeaders(bool first)
{
    // Rewritten in place at the end with the figures of what was written;
    // nothing else in them changes, so neither do their sizes.
    if (first)
        m_run->file.streamHeadersPos = static_cast<uint32_t>(m_out->tell());
    else
        m_out->seek(m_run->file.streamHeadersPos);
    const uint16_t outCount = m_run->outCount;
    for (int o = 0; o < outCount; ++o)
        rm::writeStreamHeader(*m_out, m_streams[m_run->outs[o].lane]);
    if (m_addHelper)
        rm::writeStreamHeader(*m_out, helperStreamHeader(outCount));
}

void RmMuxer::WriteContent()
{
    rm::writeContent(*m_out, m_content);
}

void RmMuxer::WriteDataHeader(bool first)
{
    if (first)
        m_dataPos = static_cast<uint32_t>(m_out->tell());
    else
        m_out->seek(m_dataPos);
    rm::writeChunk(*m_out, rm::kIdData, m_dataHeader);
}

void RmMuxer::WriteIndexes()
{
    const RunState& run = *m_run;
    const int outCount = run.outCount;
    int count = outCount;
    rm::RmIndexHeader helper{};
    if (m_addHelper) {
        helper.stream_number = static_cast<uint16_t>(outCount);
        helper.size = rm::kIndexHeaderChunkSize;
        // With no stream before it there is no version to follow; 0 is the only one.
        helper.object_version = outCount > 0 ? m_indexHeaders[run.outs[outCount - 1].lane].object_version : 0;
        ++count;
    }
    for (int i = 0; i < count; ++i) {
        rm::RmIndexHeader h = i < outCount ? m_indexHeaders[run.outs[i].lane] : helper;
        // The chunk holds the records the run kept or built.
        if (i < outCount) {
            h.num_indices = static_cast<uint32_t>(run.file.streams[i].index.size());
            h.size = rm::kIndexHeaderChunkSize + rm::kIndexEntrySize * h.num_indices;
        }
        h.next_index_header = i + 1 == count ? 0 : static_cast<uint32_t>(m_out->tell() + h.size);
        rm::writeChunk(*m_out, rm::kIdIndex, h);
        // The helper's entry never has records; the others have exactly num_indices.
        if (i < outCount)
            for (const rm::RmIndexEntry& entry : run.file.streams[i].index)
                rm::writeRecord(*m_out, entry);
    }
}
