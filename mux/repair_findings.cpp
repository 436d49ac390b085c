// Each fault check finds in a repaired source, said as what the repair
// did about it.
#include "mux/repair_findings.h"

#include <algorithm>
#include <optional>

#include "rm/input_file.h"

namespace {

enum class Fix { Headers, DataFigures, Counts, Index, Packets, Order, Named };

// What the repair does about a problem of this kind. Packets: a loss, named
// by a region passed over when one holds it. Named: packets of a stream no
// header describes are named by the finding of its lost header, or are
// passed over in regions.
Fix fixOf(ProblemKind kind)
{
    switch (kind) {
    case ProblemKind::UnknownStream:
        return Fix::Named;
    case ProblemKind::TimestampBackwards:
        return Fix::Order;
    // A header section a merge refuses was read past its damage.
    case ProblemKind::Refused:
    case ProblemKind::ChunkSize:
    case ProblemKind::StreamCount:
        return Fix::Headers;
    case ProblemKind::NoDataChunk:
    case ProblemKind::DataOffset:
    case ProblemKind::NextDataHeader:
        return Fix::DataFigures;
    case ProblemKind::DataSize:
    case ProblemKind::PacketCount:
        return Fix::Counts;
    case ProblemKind::IndexChain:
    case ProblemKind::IndexSize:
    case ProblemKind::IndexRecord:
        return Fix::Index;
    default:
        return Fix::Packets;
    }
}

// Whether the problem is an index record pointing at or past the first
// damage: check reads no packet there, so it cannot tell whether the record
// is right.
bool pointsPastDamage(const SourceCheck& check, const CheckProblem& problem, std::optional<uint64_t> firstDamage)
{
    if (problem.kind != ProblemKind::IndexRecord || !firstDamage)
        return false;
    const auto record = std::find_if(check.records.begin(), check.records.end(),
                                     [&](const IndexRecordCheck& r) { return r.at == problem.offset; });
    return record != check.records.end() && record->offset >= *firstDamage;
}

std::string at(const CheckProblem& problem)
{
    return "at byte " + rm::formatOffset(problem.offset) + ", " + problem.text;
}

}  // namespace

std::vector<std::string> RepairFindings(const SourceCheck& check, const std::vector<DamagedRegion>& damage,
                                        const ChainMends& mends)
{
    std::optional<uint64_t> firstDamage = mends.firstLength;
    for (const DamagedRegion& region : damage)
        firstDamage = std::min(firstDamage.value_or(region.first), region.first);
    std::vector<std::string> findings;
    std::vector<const CheckProblem*> index;
    for (const CheckProblem& problem : check.problems) {
        switch (fixOf(problem.kind)) {
        case Fix::Headers:
            findings.push_back(at(problem) + ": the header section was written anew");
            break;
        case Fix::Counts:
            // With damage, check counts the packets before it only; the
            // regions passed over tell what was lost.
            if (firstDamage)
                break;
            [[fallthrough]];
        case Fix::DataFigures:
            findings.push_back(at(problem) + ": the data chunk header and the file properties were rebuilt");
            break;
        case Fix::Index:
            if (!pointsPastDamage(check, problem, firstDamage))
                index.push_back(&problem);
            break;
        case Fix::Packets:
            if (!firstDamage || problem.offset < *firstDamage)
                findings.push_back(at(problem) + ": not copied");
            break;
        case Fix::Order:
            if (std::find(mends.times.begin(), mends.times.end(), problem.previous) != mends.times.end())
                break;
            if (!firstDamage || problem.offset < *firstDamage)
                findings.push_back(at(problem) + ": copied in file order");
            break;
        case Fix::Named:
            break;
        }
    }
    // An index that does not match the packets is one fault, however many
    // of its records show it.
    if (!index.empty()) {
        const std::size_t more = index.size() - 1;
        findings.push_back(at(*index.front())
                           + (more > 0 ? " (and " + std::to_string(more) + " more faults of the index)" : "")
                           + ": the index was rebuilt from the packets");
    }
    return findings;
}
