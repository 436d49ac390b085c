// Readers of the chunk bodies and records of a RealMedia file.
//
// Each reader expects the file positioned where its record or body begins
// (after the object id for a chunk) and consumes exactly the bytes that the
// layout and its length fields name, so the next chunk id follows directly.
// Every read is checked: a reader that could not read its record whole
// returns false, and the record holds zeros where bytes were missing.
#pragma once

#include "rm/chunk_ids.h"
#include "rm/records.h"
#include "rm/reversed.h"

namespace rm {

class InFile;

bool readChunkId(InFile& in, ChunkId& id);

// A fixed-layout record: RmFileHeader, RmProperties, RmDataHeader,
// RmIndexHeader, RmIndexEntry or RmPacketHeader.
template <class Record>
bool readRecord(InFile& in, Record& record)
{
    return readReversed(in, &record, sizeof record);
}

enum class StreamHeaderRead {
    Complete,
    Short,     // the chunk ended before all of its bytes were read
    Oversized  // complete, but type-specific data past the slot's capacity was skipped
};

// Reads an "MDPR" body into a slot. Type-specific data beyond the slot's
// 2048 bytes is consumed without being stored; type_specific_len then says
// how much the slot holds.
StreamHeaderRead readStreamHeader(InFile& in, RmStreamHeader& slot);

// Reads a "CONT" body. A text longer than 256 bytes is kept to its first
// 256; its length is then set to match what is kept.
bool readContent(InFile& in, RmContent& content);

}  // namespace rm
