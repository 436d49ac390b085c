// The Matroska output of a run: what a front end gives MuxJob::output to
// have a job written as Matroska instead of RealMedia. Each file of the run
// is made, kept, verified and put in place by the engine; this writes the
// Matroska inside it and checks it against the source packets.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "mkv/matroska_output.h"
#include "mux/mux_output.h"

class RmMuxer;

namespace mkv {

// Turns texts kept from the sources into UTF-8, in place (what
// text::KeptTextsToUtf8 gives).
using TextsToUtf8 = std::function<void(std::vector<std::string>& texts)>;

class MatroskaRunOutput final : public MuxOutput {
public:
    MatroskaRunOutput(RmMuxer& muxer, const MuxJob& job, std::string application, TextsToUtf8 toUtf8);

    std::string beginFile(bool first) override;
    bool write(const OutPacket& packet) override;
    std::string writeError() const override;
    std::string endFile(bool last) override;
    std::string putInPlace(MuxJob& job) override;
    void discard() override;

private:
    void planFile();
    void warnLeftOut();
    std::string verify(const std::string& path, bool last, int64_t shift);

    RmMuxer& m_muxer;
    const MuxJob& m_job;
    std::string m_application;
    TextsToUtf8 m_toUtf8;
    TrackPlan m_plan;
    FileTexts m_texts;
    std::vector<std::string> m_mimeTypes;  // by output stream
    std::unique_ptr<MatroskaFile> m_file;
    // By output stream: the packets left out so far, and the lane and
    // source place of its last packet, which a warning about them names.
    std::vector<uint32_t> m_leftOut;
    std::vector<int> m_lastLane;
    std::vector<uint64_t> m_lastOffset;
};

// A MuxJob::output that writes Matroska.
std::function<std::unique_ptr<MuxOutput>(RmMuxer&, const MuxJob&)> matroskaOutput(std::string application,
                                                                                     TextsToUtf8 toUtf8);

}  // namespace mkv
