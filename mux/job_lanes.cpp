// Laying a job's inputs out as lanes: side by side, each chosen stream is
// an output stream of its own; end to end, each part's streams feed the
// same output streams, and every part must give streams that decode alike.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <vector>

#include "mux/header_figures.h"
#include "mux/rm_muxer.h"
#include "mux/run_state.h"
#include "rm/codec_header.h"

namespace {

// What a stream is, as a refusal names it: "RV40 720x480", "cook 44100 Hz 2 channels".
std::string describe(const rm::RmStreamHeader& slot)
{
    const rm::CodecHeader codec = rm::readCodecHeader(slot.type_specific_data, slot.type_specific_len);
    std::string text = codec.codec.empty() ? std::string(slot.mime_type, slot.mime_type_size) : codec.codec;
    if (codec.width && codec.height)
        text += " " + std::to_string(*codec.width) + "x" + std::to_string(*codec.height);
    if (codec.sample_rate)
        text += " " + std::to_string(*codec.sample_rate) + " Hz";
    if (codec.channels)
        text += " " + std::to_string(*codec.channels) + (*codec.channels == 1 ? " channel" : " channels");
    return text;
}

}  // namespace

void RmMuxer::InputsFromSlots()
{
    // Side by side in the order the header pass took them: file by file,
    // each file's streams in header order.
    std::vector<JobInput>& inputs = m_run->inputs;
    for (int l = 0; l < m_streamCount; ++l) {
        if (inputs.empty() || inputs.back().file != m_sourceFile[l])
            inputs.push_back({m_sourceFile[l], {}});
        inputs.back().streams.push_back(m_sourceStream[l]);
    }
}

std::string RmMuxer::LayOutLanes()
{
    RunState& run = *m_run;
    const std::vector<JobInput>& inputs = run.inputs;
    const bool endToEnd = run.layout == JobLayout::EndToEnd;
    if (endToEnd && inputs.size() > kMaxSources)
        return std::to_string(inputs.size()) + " parts are given; an append holds at most "
               + std::to_string(kMaxSources);
    int laid = 0;
    uint16_t firstPartStreams = 0;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const JobInput& input = inputs[i];
        if (input.file >= m_fileCount || m_listing.removed[input.file] || !m_files[input.file])
            return "A source file is no longer open; add the files again";
        for (std::size_t j = 0; j < i; ++j)
            if (inputs[j].file == input.file)
                return m_files[input.file]->path() + " is given twice as the same source; add it again";
        // A stream given twice (a file may list two headers of one number,
        // whose packets are the first's) is laid out once.
        uint16_t given = 0;
        for (std::size_t k = 0; k < input.streams.size(); ++k) {
            const uint16_t number = input.streams[k];
            if (!Taken(input.file, number))
                return m_files[input.file]->path() + " has no usable stream " + std::to_string(number);
            if (std::find(input.streams.begin(), input.streams.begin() + static_cast<std::ptrdiff_t>(k), number)
                != input.streams.begin() + static_cast<std::ptrdiff_t>(k))
                continue;
            const uint16_t lane = m_streamMap[input.file * 10 + number];
            const uint16_t out = endToEnd ? given++ : static_cast<uint16_t>(laid);
            if (out >= kMaxStreams)
                return std::to_string(laid + 1) + " streams are selected; a merge holds at most "
                       + std::to_string(kMaxStreams);
            run.lanes[lane].out = out;
            run.lanes[lane].part = endToEnd ? static_cast<uint16_t>(i) : 0;
            if (!endToEnd || i == 0)
                run.outs[out].lane = lane;
            ++laid;
        }
        if (input.streams.empty())
            return m_files[input.file]->path() + " gives no stream";
        if (i == 0)
            firstPartStreams = given;
    }
    run.outCount = endToEnd ? firstPartStreams : static_cast<uint16_t>(laid);
    run.partCount = endToEnd ? static_cast<int>(inputs.size()) : 1;
    // Each output stream's header and index header are its first lane's,
    // numbered as the output numbers it. A split starts its parts at the
    // video's keyframes, else at output stream 0's.
    for (int o = 0; o < run.outCount; ++o) {
        const uint16_t lane = run.outs[o].lane;
        m_streams[lane].fixed.stream_number = static_cast<uint16_t>(o);
        m_indexHeaders[lane].stream_number = static_cast<uint16_t>(o);
        // End to end, its figures are those of all of its parts.
        std::vector<rm::RmStreamHeader::Fixed> parts;
        for (int l = 0; l < m_streamCount && run.layout == JobLayout::EndToEnd; ++l)
            if (run.lanes[l].out == o)
                parts.push_back(m_streams[l].fixed);
        combinePartFigures(m_streams[lane].fixed, parts);
        run.outs[o].video = IsVideo(m_streams[lane]);
        if (run.outs[o].video)
            run.split.setAnchor(static_cast<uint16_t>(o));
    }
    return {};
}

std::string RmMuxer::CompareParts() const
{
    // Lanes of each part, by output stream.
    int lanes[kMaxSources][kMaxStreams];
    int counts[kMaxSources] = {};
    for (int l = 0; l < m_streamCount; ++l) {
        lanes[m_run->lanes[l].part][m_run->lanes[l].out] = l;
        ++counts[m_run->lanes[l].part];
    }
    const auto plural = [](int n) { return std::to_string(n) + (n == 1 ? " stream" : " streams"); };
    // Files by their names, as the user listed them; a stream by its kind,
    // numbered among its kind when the first part has more than one.
    const auto fileOf = [this, &lanes](int p) {
        return std::filesystem::path(m_files[m_sourceFile[lanes[p][0]]]->path()).filename().string();
    };
    const auto streamName = [this, &lanes, &counts](int o) {
        const StreamKind kind = KindOf(m_streams[lanes[0][o]]);
        if (kind == kUnknownStream)
            return "stream " + std::to_string(o);
        int before = 0, all = 0;
        for (int k = 0; k < counts[0]; ++k) {
            const bool same = KindOf(m_streams[lanes[0][k]]) == kind;
            all += same;
            before += same && k < o;
        }
        const std::string word = kind == kVideoStream ? "video" : "audio";
        return all > 1 ? word + " " + std::to_string(before + 1) : word;
    };
    // Every difference of every part, so that all can be mended at once.
    std::vector<std::string> differences;
    for (int p = 1; p < m_run->partCount; ++p) {
        const std::string first = fileOf(0);
        const std::string part = fileOf(p);
        if (counts[p] != counts[0]) {
            differences.push_back(part + " gives " + plural(counts[p]) + "; " + first + " gives " + plural(counts[0]));
            continue;
        }
        for (int o = 0; o < counts[0]; ++o) {
            const rm::RmStreamHeader& earlier = m_streams[lanes[0][o]];
            const rm::RmStreamHeader& later = m_streams[lanes[p][o]];
            const std::string earlierMime(earlier.mime_type, earlier.mime_type_size);
            const std::string laterMime(later.mime_type, later.mime_type_size);
            const std::string where = part + ", " + streamName(o) + ": ";
            const std::string earlierCodec = describe(earlier);
            const std::string laterCodec = describe(later);
            if (KindOf(earlier) != KindOf(later) || earlierMime != laterMime)
                differences.push_back(where + laterMime + "; " + first + " has " + earlierMime);
            else if (earlierCodec != laterCodec)
                differences.push_back(where + laterCodec + "; " + first + " has " + earlierCodec);
            else if (!rm::sameDecoding(earlier.type_specific_data, earlier.type_specific_len,
                                       later.type_specific_data, later.type_specific_len))
                differences.push_back(where + laterCodec + " with other codec parameters than " + first + "'s");
        }
    }
    if (differences.empty())
        return {};
    if (differences.size() == 1)
        return "Cannot append: " + differences.front();
    std::string text = "Cannot append the parts as they are:";
    for (const std::string& difference : differences)
        text += "\n" + difference;
    return text;
}
