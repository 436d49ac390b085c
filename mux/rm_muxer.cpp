#include "mux/rm_muxer.h"
#include "mux/run_state.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "rm/chunk_readers.h"
#include "rm/fileinfo_properties.h"

bool IsVideo(const rm::RmStreamHeader& slot)
{
    return slot.mime_type_size >= 5 && std::memcmp(slot.mime_type, "video", 5) == 0;
}

StreamKind KindOf(const rm::RmStreamHeader& slot)
{
    if (slot.stream_name_size == 0)
        return kUnknownStream;
    if (IsVideo(slot))
        return kVideoStream;
    if (slot.mime_type_size >= 5 && std::memcmp(slot.mime_type, "audio", 5) == 0)
        return kAudioStream;
    return kUnknownStream;
}

RmMuxer::RmMuxer() = default;

RmMuxer::~RmMuxer() = default;

void RmMuxer::RemoveSource(uint16_t f)
{
    if (f >= m_fileCount)
        return;
    m_files[f].reset();
    m_listing.removed[f] = true;
    m_listing.clear(f);
}

int RmMuxer::FreeSourceIndex() const
{
    for (uint16_t f = 0; f < m_fileCount; ++f)
        if (m_listing.removed[f])
            return f;
    return m_fileCount < kMaxSources ? m_fileCount : -1;
}

void RmMuxer::KeepSource(std::unique_ptr<rm::InFile> file)
{
    const auto f = static_cast<uint16_t>(FreeSourceIndex());
    m_files[f] = std::move(file);
    m_listing.removed[f] = false;
    if (f == m_fileCount)
        ++m_fileCount;
    m_lastSource = f;
}

bool RmMuxer::ReadProperties()
{
    return rm::readRecord(*m_in, m_props);
}

bool RmMuxer::ReadContent()
{
    return rm::readContent(*m_in, m_content);
}

StreamTake RmMuxer::ReadStreamHeader(uint16_t file, bool mergeMode, SeenStream* seen)
{
    // Read into scratch space, so that a stream that is not taken, or finds
    // no free slot, changes nothing.
    rm::RmStreamHeader slot{};
    const rm::StreamHeaderRead read = rm::readStreamHeader(*m_in, slot);
    if (read == rm::StreamHeaderRead::Short)
        return StreamTake::Short;
    if (seen)
        *seen = {slot.fixed.stream_number, std::string(slot.mime_type, slot.mime_type_size), slot.fixed.duration};
    // The file-info stream has no packets to merge, but its properties are
    // shown with the file.
    if (std::string_view(slot.mime_type, slot.mime_type_size) == rm::kFileInfoMime)
        m_fileInfo.assign(slot.type_specific_data, slot.type_specific_data + slot.type_specific_len);

    const uint16_t number = slot.fixed.stream_number;
    bool wanted = slot.fixed.duration != 0;
    if (mergeMode) {
        // Numbers above 9 have no key; a second header with a number already
        // taken from this file would steal the first one's packets.
        wanted = wanted && number < 10 && m_selected[file * 10 + number] != 0 && !Taken(file, number);
    }
    if (!wanted)
        return StreamTake::NotTaken;
    if (read == rm::StreamHeaderRead::Oversized)
        return StreamTake::TooLarge;
    // A source lists at most ten streams; a run takes up to ten from each.
    if (m_streamCount >= (mergeMode ? kMaxLanes : kMaxStreams))
        return StreamTake::NoRoom;

    const uint16_t o = m_streamCount;
    if (mergeMode) {
        m_sourceFile[o] = file;
        m_streamMap[file * 10 + number] = o;
        m_sourceStream[o] = number;
        slot.fixed.stream_number = o;
        // Until the source's index chunk for this stream is found, the
        // stream has an empty one of its own.
        m_indexHeaders[o] = rm::RmIndexHeader{};
        m_indexHeaders[o].stream_number = o;
        m_indexHeaders[o].size = rm::kIndexHeaderChunkSize;
    }
    m_streams[o] = slot;
    m_streamCount = o + 1;
    return StreamTake::Taken;
}

bool RmMuxer::Taken(uint16_t file, uint16_t number) const
{
    if (number >= 10)
        return false;
    const uint16_t o = m_streamMap[file * 10 + number];
    return o < m_streamCount && m_sourceFile[o] == file && m_sourceStream[o] == number;
}
