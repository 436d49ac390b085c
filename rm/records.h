// In-memory images of the fixed-layout RealMedia records.
//
// A big-endian record is never decoded field by field: it is read as one
// block and stored with its bytes reversed (see reversed.h). On a
// little-endian host every field of the reversed image then reads as a
// native unsigned integer, with the fields in reverse order. The structs
// below therefore list each record's fields last-first, packed, so that the
// image is the exact mirror of the on-disk bytes.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

static_assert(std::endian::native == std::endian::little,
              "record images rely on a little-endian host");

namespace rm {

// Fixed limits of the variable fields as the stream slots and content record hold them.
inline constexpr std::size_t kNameCapacity = 255;
inline constexpr std::size_t kMimeCapacity = 255;
inline constexpr std::size_t kTypeSpecificCapacity = 2048;
inline constexpr std::size_t kTextCapacity = 256;

#pragma pack(push, 1)

// ".RMF" body; the chunk is 18 bytes and stands at offset 0.
struct RmFileHeader {
    uint32_t num_headers;
    uint32_t file_version;
    uint16_t object_version;
    uint32_t size;
};

// "PROP" body; the chunk is 50 bytes.
struct RmProperties {
    uint16_t flags;
    uint16_t num_streams;
    uint32_t data_offset;
    uint32_t index_offset;
    uint32_t preroll;
    uint32_t duration;
    uint32_t num_packets;
    uint32_t avg_packet_size;
    uint32_t max_packet_size;
    uint32_t avg_bit_rate;
    uint32_t max_bit_rate;
    uint16_t object_version;
    uint32_t size;
};

// One stream slot: the image of the fixed part of an "MDPR" body, then its
// variable fields, each length a record of its own and the bytes plain.
struct RmStreamHeader {
    struct Fixed {
        uint32_t duration;
        uint32_t preroll;
        uint32_t start_time;
        uint32_t avg_packet_size;
        uint32_t max_packet_size;
        uint32_t avg_bit_rate;
        uint32_t max_bit_rate;
        uint16_t stream_number;
        uint16_t object_version;
        uint32_t size;
    } fixed;
    uint8_t stream_name_size;
    char stream_name[kNameCapacity];
    uint8_t mime_type_size;
    char mime_type[kMimeCapacity];
    uint32_t type_specific_len;
    uint8_t type_specific_data[kTypeSpecificCapacity];
};

// "CONT" body: the image of its head, then four length-prefixed texts.
struct RmContent {
    struct Head {
        uint16_t object_version;
        uint32_t size;
    } head;
    uint16_t title_len;
    char title[kTextCapacity];
    uint16_t author_len;
    char author[kTextCapacity];
    uint16_t copyright_len;
    char copyright[kTextCapacity];
    uint16_t comment_len;
    char comment[kTextCapacity];
};

// "DATA" chunk header body; the packets follow the 18-byte header directly.
struct RmDataHeader {
    uint32_t next_data_header;
    uint32_t num_packets;
    uint16_t object_version;
    uint32_t size;
};

// "INDX" chunk header body; num_indices index records follow the 20-byte header.
struct RmIndexHeader {
    uint32_t next_index_header;
    uint16_t stream_number;
    uint32_t num_indices;
    uint16_t object_version;
    uint32_t size;
};

// One index record (no object id, no size).
struct RmIndexEntry {
    uint32_t packet_count;
    uint32_t offset;
    uint32_t timestamp;
    uint16_t object_version;
};

// Header of one media packet; length counts these 12 bytes too.
struct RmPacketHeader {
    uint8_t flags;
    uint8_t packet_group;
    uint32_t timestamp;
    uint16_t stream_number;
    uint16_t length;
    uint16_t object_version;
};

#pragma pack(pop)

static_assert(sizeof(RmFileHeader) == 14);
static_assert(sizeof(RmProperties) == 46);
static_assert(sizeof(RmStreamHeader::Fixed) == 36);
static_assert(sizeof(RmStreamHeader) == 2600);
static_assert(sizeof(RmContent::Head) == 6);
static_assert(sizeof(RmContent) == 6 + 4 * (2 + kTextCapacity));
static_assert(sizeof(RmDataHeader) == 14);
static_assert(sizeof(RmIndexHeader) == 16);
static_assert(sizeof(RmIndexEntry) == 14);
static_assert(sizeof(RmPacketHeader) == 12);

// On-disk sizes of the chunks and records the system writes.
inline constexpr uint32_t kChunkIdSize = 4;
inline constexpr uint32_t kFileHeaderChunkSize = 18;
inline constexpr uint32_t kPropertiesChunkSize = 50;
inline constexpr uint32_t kStreamHeaderFixedChunkSize = 46;  // MDPR without its variable bytes
inline constexpr uint32_t kContentFixedChunkSize = 18;       // CONT without its texts
inline constexpr uint32_t kDataHeaderChunkSize = 18;
inline constexpr uint32_t kIndexHeaderChunkSize = 20;
inline constexpr uint32_t kIndexEntrySize = 14;
inline constexpr uint32_t kPacketHeaderSize = 12;

}  // namespace rm
