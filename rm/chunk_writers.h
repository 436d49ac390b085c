// Writers of the chunks and records of a RealMedia file.
//
// A chunk is written as its four id letters, then its record image reversed
// back to disk order, then for variable parts each length record followed by
// its plain bytes. Failures are kept by the OutFile; each writer also returns
// false when the output has failed.
//
// The writers of chunks with variable parts write the size field that
// matches what they write, whatever the image holds: a source whose size
// field lies must not make the output lie too.
#pragma once

#include "rm/records.h"
#include "rm/reversed.h"

namespace rm {

class OutFile;

bool writeChunkId(OutFile& out, const char (&id)[5]);

// A fixed-layout record, without an id.
template <class Record>
bool writeRecord(OutFile& out, const Record& record)
{
    return writeReversed(out, &record, sizeof record);
}

// A chunk made of an id and one fixed-layout record.
template <class Record>
bool writeChunk(OutFile& out, const char (&id)[5], const Record& record)
{
    return writeChunkId(out, id) && writeRecord(out, record);
}

// An "MDPR" chunk from a stream slot.
bool writeStreamHeader(OutFile& out, const RmStreamHeader& slot);

// A "CONT" chunk.
bool writeContent(OutFile& out, const RmContent& content);

}  // namespace rm
