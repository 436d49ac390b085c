// Where a split output starts a new file, and the names of its parts.
#include "mux/split_plan.h"

#include <algorithm>
#include <cstdio>

std::string SplitPartPath(const std::string& output, int number)
{
    // A printf-style "%d" (or "%03d") in the name takes the number.
    for (std::size_t at = output.find('%'); at != std::string::npos; at = output.find('%', at + 1)) {
        std::size_t end = at + 1;
        while (end < output.size() && end - at <= 3 && output[end] >= '0' && output[end] <= '9')
            ++end;
        if (end < output.size() && output[end] == 'd') {
            const int width = end > at + 1 ? std::stoi(output.substr(at + 1, end - at - 1)) : 0;
            char digits[16];
            std::snprintf(digits, sizeof digits, "%0*d", width, number);
            return output.substr(0, at) + digits + output.substr(end + 1);
        }
    }
    // Else "-001" before the extension.
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "-%03d", number);
    const std::size_t slash = output.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = output.find_last_of('.');
    if (dot == std::string::npos || dot <= nameStart)
        return output + suffix;
    return output.substr(0, dot) + suffix + output.substr(dot);
}

bool SplitPlan::cutsAt(int64_t time, OutputFile& file, uint32_t dataOffset, int outCount)
{
    // The bytes from one keyframe to the next, at most: what a part may
    // still take after a keyframe.
    m_largestRun = std::max(m_largestRun, file.bytes - file.bytesAtKeyframe);
    file.bytesAtKeyframe = file.bytes;
    if (file.bytes == 0)
        return false;
    bool cut = false;
    if (m_settings.everyMs && time - file.base >= *m_settings.everyMs)
        cut = true;
    // The header section and the index take some of a part's size too.
    if (m_settings.sizeBytes) {
        uint64_t records = 0;
        for (int o = 0; o < outCount; ++o)
            records += file.streams[o].index.size() + 2;
        const uint64_t overhead = dataOffset + 64 + records * (rm::kIndexEntrySize + 2);
        cut = cut || file.bytes + m_largestRun + overhead > *m_settings.sizeBytes;
    }
    while (m_nextCut < m_settings.atMs.size() && time >= m_settings.atMs[m_nextCut]) {
        cut = true;
        ++m_nextCut;
    }
    return cut;
}
