// Turning a path chosen by the user into a source of the coming merge.
#include <cstring>
#include <memory>

#include "mux/rm_muxer.h"
#include "rm/chunk_readers.h"

namespace {

const char* messageFor(ScanError error)
{
    switch (error) {
    case ScanError::None:
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

StreamKind kindOf(const rm::RmStreamHeader& slot)
{
    if (slot.stream_name_size == 0)
        return kUnknownStream;
    if (slot.mime_type_size >= 5 && std::memcmp(slot.mime_type, "video", 5) == 0)
        return kVideoStream;
    if (slot.mime_type_size >= 5 && std::memcmp(slot.mime_type, "audio", 5) == 0)
        return kAudioStream;
    return kUnknownStream;
}

}  // namespace

int32_t RmMuxer::Reject(ScanError error, const std::string& message)
{
    m_in = nullptr;
    m_scanError = error;
    m_scanMessage = message.empty() ? messageFor(error) : message;
    return 0;
}

int32_t RmMuxer::Scan(const std::string& path, char names[][rm::kNameCapacity], int32_t kinds[],
                      uint16_t numbers[])
{
    m_streamCount = 0;
    m_scanError = ScanError::None;
    m_scanMessage.clear();
    if (FreeSourceIndex() < 0)
        return Reject(ScanError::TooManyFiles);

    auto file = std::make_unique<rm::InFile>();
    if (!file->open(path))
        return Reject(ScanError::CannotOpen, std::string(messageFor(ScanError::CannotOpen)) + ": " + file->error());
    m_in = file.get();

    // Everything a stream is listed from must have been read: a header
    // section that ends early rejects the file.
    rm::ChunkId id;
    const bool headerRead = rm::readChunkId(*m_in, id) && rm::readRecord(*m_in, m_fileHeader);
    m_headerCount = static_cast<uint16_t>(m_fileHeader.num_headers & 0xFFFF);
    if (!headerRead || !id.is(rm::kIdFileHeader) || m_headerCount <= 1)
        return Reject(ScanError::Invalid);

    // Results are gathered here and handed out only when the file is kept.
    char foundNames[kMaxStreams][rm::kNameCapacity];
    int32_t foundKinds[kMaxStreams];
    uint16_t foundNumbers[kMaxStreams];
    bool sawProperties = false;
    int32_t count = 0;
    for (int pass = 1; pass < m_headerCount; ++pass) {
        if (!rm::readChunkId(*m_in, id))
            return Reject(ScanError::Invalid);
        if (id.is(rm::kIdProperties)) {
            if (!ReadProperties())
                return Reject(ScanError::Invalid);
            sawProperties = true;
        } else if (id.is(rm::kIdContent)) {
            if (!ReadContent())
                return Reject(ScanError::Invalid);
        } else if (id.is(rm::kIdMediaProperties)) {
            switch (ReadStreamHeader(0, false)) {
            case StreamTake::Short:
                return Reject(ScanError::Invalid);
            case StreamTake::TooLarge:
                return Reject(ScanError::StreamDataTooLarge);
            case StreamTake::NoRoom:
                return Reject(ScanError::TooManyStreams);
            case StreamTake::NotTaken:
                break;
            case StreamTake::Taken: {
                const rm::RmStreamHeader& slot = m_streams[count];
                if (slot.fixed.stream_number > 9)
                    return Reject(ScanError::StreamNumberTooHigh);
                // Names of 255 bytes lose their last byte, so the terminator fits.
                const std::size_t length = slot.stream_name_size < rm::kNameCapacity
                                               ? slot.stream_name_size
                                               : rm::kNameCapacity - 1;
                if (length == 0) {
                    std::strcpy(foundNames[count], "Unknown");
                } else {
                    std::memcpy(foundNames[count], slot.stream_name, length);
                    foundNames[count][length] = '\0';
                }
                foundKinds[count] = kindOf(slot);
                foundNumbers[count] = slot.fixed.stream_number;
                ++count;
                break;
            }
            }
        }
        // Any other id, DATA included, is passed over: the next pass reads
        // the following four bytes as the next id.
    }
    // Without properties there is no data chunk to read packets from.
    if (count == 0 || !sawProperties)
        return Reject(ScanError::Invalid);

    for (int32_t k = 0; k < count; ++k) {
        std::strcpy(names[k], foundNames[k]);
        kinds[k] = foundKinds[k];
        if (numbers)
            numbers[k] = foundNumbers[k];
    }
    KeepSource(std::move(file));
    return count;
}
