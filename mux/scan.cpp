// Turning a path chosen by the user into a source of the coming merge.
#include <algorithm>
#include <cstring>
#include <memory>

#include "mux/rm_muxer.h"

namespace {

const char* messageFor(ScanError error)
{
    switch (error) {
    case ScanError::None:
    case ScanError::CannotRead:
        return "";
    case ScanError::CannotOpen:
        return "The file cannot be opened";
    case ScanError::Invalid:
        return "Invalid RM file or no usable streams";
    case ScanError::TooManyFiles:
        return "No more than 10 files can be added";
    case ScanError::TooManyStreams:
        return "The file has more than 10 usable streams, more than a merge can hold";
    case ScanError::StreamNumberTooHigh:
        return "The file has a usable stream numbered above 9, which a merge cannot hold";
    case ScanError::StreamDataTooLarge:
        return "The file has a stream with more than 2048 bytes of codec data, which a merge cannot carry";
    }
    return "";
}

}  // namespace

int32_t RmMuxer::Reject(ScanError error, const std::string& message)
{
    m_in = nullptr;
    m_refusal.error = error;
    m_refusal.message = message.empty() ? messageFor(error) : message;
    return 0;
}

int32_t RmMuxer::Scan(const std::string& path, char names[][rm::kNameCapacity], int32_t kinds[],
                      uint16_t numbers[], bool repair)
{
    m_streamCount = 0;
    // A file without a CONT chunk has no texts, whatever the last one had.
    m_content = {};
    m_refusal = {};
    if (FreeSourceIndex() < 0)
        return Reject(ScanError::TooManyFiles);

    auto file = std::make_unique<rm::InFile>();
    if (!file->open(path))
        return Reject(ScanError::CannotOpen, std::string(messageFor(ScanError::CannotOpen)) + ": " + file->error());
    m_in = file.get();

    // Everything a stream is listed from must have been read.
    m_props = {};
    const HeaderWalk walk = WalkHeaderSection(0, false, repair ? damagePassedOver() : damageEndsWalk());
    if (walk.end == rm::HeaderEnd::ReadError)
        return Reject(ScanError::CannotRead, "The file cannot be read at byte " + rm::formatOffset(m_in->failedAt())
                                                 + ": " + m_in->failure());
    if (walk.refused == StreamTake::TooLarge)
        return Reject(ScanError::StreamDataTooLarge);
    if (walk.refused == StreamTake::NoRoom)
        return Reject(ScanError::TooManyStreams);
    // Without properties there is no data chunk to read packets from.
    // A repair needs no more than the properties and the stream headers:
    // it searches for the data chunk should the walk not reach it.
    const bool usable = repair ? walk.sawProperties : walk.usable(m_props.data_offset, m_in->size());
    if (!usable || m_streamCount == 0) {
        m_refusal.reason = walk.refusal(m_props.data_offset, m_in->size());
        return Reject(ScanError::Invalid);
    }

    const int32_t count = m_streamCount;
    for (int32_t k = 0; k < count; ++k)
        if (m_streams[k].fixed.stream_number > 9)
            return Reject(ScanError::StreamNumberTooHigh);

    // The index the file will be kept at: the lowest one free.
    const auto f = static_cast<uint16_t>(FreeSourceIndex());
    m_listing.clear(f);
    for (int32_t k = 0; k < count; ++k) {
        const rm::RmStreamHeader& slot = m_streams[k];
        // Names of 255 bytes lose their last byte, so the terminator fits.
        const std::size_t length =
            slot.stream_name_size < rm::kNameCapacity ? slot.stream_name_size : rm::kNameCapacity - 1;
        if (length == 0) {
            std::strcpy(names[k], "Unknown");
        } else {
            std::memcpy(names[k], slot.stream_name, length);
            names[k][length] = '\0';
        }
        kinds[k] = KindOf(slot);
        if (numbers)
            numbers[k] = slot.fixed.stream_number;
        m_listing.kind[f * 10 + slot.fixed.stream_number] = static_cast<int8_t>(kinds[k]);
    }
    KeepSource(std::move(file));
    return count;
}
