// How a run reads the packets of its sources. The plain reader ends a
// source at the first packet that is not whole; the tolerant reader of a
// repair (tolerant_reader.h) goes on past damage to the next packets that
// hold together. The packet loop asks the run's reader for each packet and
// never asks which reader it has.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "mux/header_walk.h"
#include "mux/packet_queue.h"
#include "mux/source.h"
#include "mux/source_cursor.h"
#include "mux/unit_range.h"
#include "rm/packet_start.h"
#include "rm/records.h"

namespace rm {
class InFile;
}
class RmMuxer;
struct RunState;
struct DamagedRegion;

class SourceReader {
public:
    virtual ~SourceReader() = default;

    // What the walk of a source's header section does at damage, and
    // whether what it found leaves the source readable.
    virtual const HeaderDamage& headerDamage() const = 0;
    virtual bool headerUsable(const HeaderWalk& walk, uint32_t dataOffset, uint64_t fileSize) const = 0;
    // Whether the source's index records are copied; else the output's
    // index is built from the packets written.
    virtual bool usesSourceIndex() const = 0;
    // Finds where source f's packets lie, into `source`; the data chunk
    // header found, if any, into `dataHeader`. "" or why it failed.
    virtual std::string locateData(uint16_t f, rm::InFile& in, const rm::RmProperties& props, const HeaderWalk& walk,
                                   Source& source, rm::RmDataHeader& dataHeader) = 0;

    // Readies a cursor that reads source f.
    virtual void attach(uint16_t f, SourceCursor& cursor) = 0;
    // The cursor's next step over source f: a packet, the end of the data,
    // a full window or a failed read. Bytes before keepFrom() may be let go of.
    virtual SourceCursor::Step next(uint16_t f, SourceCursor& cursor, rm::RmPacketHeader& header, uint64_t& offset,
                                    const std::function<uint64_t()>& keepFrom) = 0;
    // Source f's cursor that counts its packets read this one.
    virtual void noteRead(uint16_t f, const rm::RmPacketHeader& header) = 0;
    // How the cursor's data ended, as the source's warnings tell it.
    virtual rm::PacketStart howEnded(const SourceCursor& cursor) const = 0;
    // The packet of output stream `out`, from source f, was written.
    virtual void noteWritten(uint16_t out, uint16_t f, const PacketNode& packet) = 0;
    // Why a source that gave no packet fails the run.
    virtual std::string noPackets(const std::string& path, bool hasDataChunk) const = 0;

    // For verify: source f's data as this reader read it, from `from` on;
    // and where the reading goes on after it ends at `end`, if it does.
    virtual rm::DataWalk walkFrom(uint16_t f, uint64_t from, const Source& source) const = 0;
    virtual std::optional<uint64_t> resumesAfter(uint16_t f, uint64_t end) const = 0;
    // For verify: the header of source f's packet at `offset` as this
    // reader gave it, from the one the file holds.
    virtual void mend(uint16_t f, uint64_t offset, rm::RmPacketHeader& header) const = 0;
    // How the packets of stream `number` of source f, whose header is
    // `stream`, make the units an edit keeps or drops whole.
    virtual UnitRule unitRule(uint16_t, uint16_t, const rm::RmStreamHeader& stream) const
    {
        return unitRuleOf(stream);
    }
    // The damage passed over, and every other fault found, for the report.
    virtual void reportDamage(std::vector<DamagedRegion>& damage, std::vector<std::string>& findings,
                              const RmMuxer& muxer, const RunState& run) const = 0;
};

// Reads a source as its headers lay it out, to its first damage.
class PlainReader final : public SourceReader {
public:
    const HeaderDamage& headerDamage() const override { return damageEndsWalk(); }
    bool headerUsable(const HeaderWalk& walk, uint32_t dataOffset, uint64_t fileSize) const override
    {
        return walk.usable(dataOffset, fileSize);
    }
    bool usesSourceIndex() const override { return true; }
    std::string locateData(uint16_t f, rm::InFile& in, const rm::RmProperties& props, const HeaderWalk& walk,
                           Source& source, rm::RmDataHeader& dataHeader) override;
    void attach(uint16_t, SourceCursor&) override {}
    SourceCursor::Step next(uint16_t, SourceCursor& cursor, rm::RmPacketHeader& header, uint64_t& offset,
                            const std::function<uint64_t()>& keepFrom) override
    {
        return cursor.next(header, offset, keepFrom());
    }
    void noteRead(uint16_t, const rm::RmPacketHeader&) override {}
    rm::PacketStart howEnded(const SourceCursor& cursor) const override { return cursor.end(); }
    void noteWritten(uint16_t, uint16_t, const PacketNode&) override {}
    std::string noPackets(const std::string& path, bool hasDataChunk) const override;
    rm::DataWalk walkFrom(uint16_t, uint64_t, const Source& source) const override { return source.dataWalk; }
    std::optional<uint64_t> resumesAfter(uint16_t, uint64_t) const override { return std::nullopt; }
    void mend(uint16_t, uint64_t, rm::RmPacketHeader&) const override {}
    void reportDamage(std::vector<DamagedRegion>&, std::vector<std::string>&, const RmMuxer&,
                      const RunState&) const override
    {
    }
};
