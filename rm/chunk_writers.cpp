#include "rm/chunk_writers.h"

#include <algorithm>

#include "rm/chunk_ids.h"
#include "rm/output_file.h"

namespace rm {

bool writeChunkId(OutFile& out, const char (&id)[5])
{
    return out.write(id, 4);
}

bool writeStreamHeader(OutFile& out, const RmStreamHeader& slot)
{
    // A slot never holds more type-specific bytes than its capacity.
    const uint32_t storedLen = slot.type_specific_len;
    const uint32_t typeSpecificLen = std::min<uint32_t>(storedLen, kTypeSpecificCapacity);
    RmStreamHeader::Fixed fixed = slot.fixed;
    fixed.size = kStreamHeaderFixedChunkSize + slot.stream_name_size + slot.mime_type_size + typeSpecificLen;
    return writeChunkId(out, kIdMediaProperties) && writeRecord(out, fixed)
           && writeRecord(out, slot.stream_name_size) && out.write(slot.stream_name, slot.stream_name_size)
           && writeRecord(out, slot.mime_type_size) && out.write(slot.mime_type, slot.mime_type_size)
           && writeRecord(out, typeSpecificLen) && out.write(slot.type_specific_data, typeSpecificLen);
}

bool writeContent(OutFile& out, const RmContent& content)
{
    const std::pair<uint16_t, const char*> texts[] = {{content.title_len, content.title},
                                                      {content.author_len, content.author},
                                                      {content.copyright_len, content.copyright},
                                                      {content.comment_len, content.comment}};
    RmContent::Head head = content.head;
    head.size = kContentFixedChunkSize;
    for (const auto& text : texts)
        head.size = head.size + std::min<uint16_t>(text.first, kTextCapacity);

    bool ok = writeChunkId(out, kIdContent) && writeRecord(out, head);
    for (auto [length, text] : texts) {
        const uint16_t kept = std::min<uint16_t>(length, kTextCapacity);
        ok = ok && writeRecord(out, kept) && out.write(text, kept);
    }
    return ok;
}

}  // namespace rm
