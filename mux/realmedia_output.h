// The RealMedia output: the muxer's own header writers, index builder,
// finisher and verify, writing each packet from the cursor's window in place.
#pragma once

#include "mux/mux_output.h"

class RmMuxer;

class RealMediaOutput final : public MuxOutput {
public:
    RealMediaOutput(RmMuxer& muxer, const MuxJob& job) : m_muxer(muxer), m_job(job) {}

    std::string beginFile(bool first) override;
    bool write(const OutPacket& packet) override;
    std::string writeError() const override;
    std::string endFile(bool last) override;
    std::string putInPlace(MuxJob& job) override;
    void discard() override;

private:
    RmMuxer& m_muxer;
    const MuxJob& m_job;
};
