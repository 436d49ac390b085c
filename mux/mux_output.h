// What a run writes its packets to: the output format's side of a run. The
// loop hands it each packet it keeps; it begins and ends each file (a split
// makes several in turn), verifies them when the job asks, and puts them in
// place. RealMedia (realmedia_output.h) is the default; a front end may
// give a job another through MuxJob::output.
#pragma once

#include <cstdint>
#include <string>

#include "rm/records.h"

struct MuxJob;

// A packet the run keeps, as it goes to the output.
struct OutPacket {
    int lane = 0;          // its lane: RmMuxer::m_sourceFile and m_sourceStream name its source stream
    uint16_t stream = 0;   // its output stream
    uint32_t timestamp = 0;  // in the file being written
    const rm::RmPacketHeader* header = nullptr;  // as read from its source
    // The whole packet as it lies in its source, header included, in the
    // reading cursor's window: the output may change it, and must have
    // written or copied it before it returns.
    uint8_t* bytes = nullptr;
};

class MuxOutput {
public:
    virtual ~MuxOutput() = default;
    // Creates the run's next file beside the output path and writes what
    // comes before its packets; `first` for the run's first file. "" or why not.
    virtual std::string beginFile(bool first) = 0;
    // Writes one packet; false when the file could not be written.
    virtual bool write(const OutPacket& packet) = 0;
    // Why the last write failed.
    virtual std::string writeError() const = 0;
    // Completes the file being written (verified when the job asks) and
    // keeps it for putting in place; `last` for the run's last file.
    virtual std::string endFile(bool last) = 0;
    // Puts every file kept in place under the output's path (a split's
    // parts under their numbered names), and tells them in `job`.
    virtual std::string putInPlace(MuxJob& job) = 0;
    // Removes every file begun or kept: a failed or cancelled run leaves none.
    virtual void discard() = 0;
};
