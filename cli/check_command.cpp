// kestrova-cli check: each file's streams and problems, as text or as JSON.
#include "cli/check_command.h"

#include <cstdio>

#include "cli/file_texts.h"
#include "cli/json.h"
#include "mux/source_check.h"
#include "rm/input_file.h"
#include "text/source_texts.h"

namespace {

constexpr int kSound = 0;
constexpr int kProblems = 1;
constexpr int kBadInput = 2;

// The id of each kind of problem in --json.
const char* problemId(ProblemKind kind)
{
    switch (kind) {
    case ProblemKind::Refused:
        return "refused";
    case ProblemKind::ReadError:
        return "read_error";
    case ProblemKind::ChunkSize:
        return "chunk_size";
    case ProblemKind::StreamCount:
        return "stream_count";
    case ProblemKind::NoDataChunk:
        return "no_data_chunk";
    case ProblemKind::DataOffset:
        return "data_offset";
    case ProblemKind::DataSize:
        return "data_size";
    case ProblemKind::PacketCount:
        return "packet_count";
    case ProblemKind::NextDataHeader:
        return "next_data_header";
    case ProblemKind::CutPacket:
        return "cut_packet";
    case ProblemKind::DamagedPacket:
        return "damaged_packet";
    case ProblemKind::TimestampBackwards:
        return "timestamp_backwards";
    case ProblemKind::UnknownStream:
        return "unknown_stream";
    case ProblemKind::UnusableStream:
        return "unusable_stream";
    case ProblemKind::IndexChain:
        return "index_chain";
    case ProblemKind::IndexSize:
        return "index_size";
    case ProblemKind::IndexRecord:
        return "index_record";
    }
    return "";
}

std::string plural(uint64_t count, const char* one, const char* many)
{
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

void printText(const std::string& path, const SourceCheck& check)
{
    std::printf("%s: %s bytes\n", path.c_str(), rm::formatOffset(check.size).c_str());
    std::fputs(contentLines(check.texts).c_str(), stdout);
    for (const StreamCheck& s : check.streams) {
        std::string line = "stream " + std::to_string(s.number) + (s.mime.empty() ? "" : " (" + s.mime + ")") + ": "
                           + plural(s.packets, "packet", "packets");
        if (s.packets > 0)
            line += ", timestamps " + std::to_string(s.firstTimestamp) + " to " + std::to_string(s.lastTimestamp)
                    + " ms, " + plural(s.keyframes, "keyframe", "keyframes");
        line += s.indexRecords == 0 ? ", no index records"
                                    : ", " + plural(s.indexRecords, "index record", "index records") + " ("
                                          + std::to_string(s.indexRecordsMatching) + " matching a packet)";
        std::printf("  %s\n", line.c_str());
    }
    for (const CheckProblem& problem : check.problems)
        std::printf("  problem at byte %s: %s\n", rm::formatOffset(problem.offset).c_str(), problem.text.c_str());
    std::printf("  %s\n", check.problems.empty() ? "no problems" : plural(check.problems.size(), "problem", "problems").c_str());
}

std::string jsonStream(const StreamCheck& s)
{
    std::string out = "{\"number\": " + std::to_string(s.number) + ", \"mime\": " + jsonString(s.mime)
                      + ", \"duration_ms\": " + std::to_string(s.durationMs)
                      + ", \"packets\": " + std::to_string(s.packets);
    if (s.packets > 0)
        out += ", \"first_timestamp\": " + std::to_string(s.firstTimestamp)
               + ", \"last_timestamp\": " + std::to_string(s.lastTimestamp);
    return out + ", \"keyframes\": " + std::to_string(s.keyframes) + ", \"index_records\": "
           + std::to_string(s.indexRecords) + ", \"index_records_matching\": " + std::to_string(s.indexRecordsMatching)
           + "}";
}

std::string jsonCheck(const std::string& path, const SourceCheck& check)
{
    std::string out = "{\"path\": " + jsonString(path) + ", \"size\": " + std::to_string(check.size)
                      + jsonContentMembers(check.texts) + ", \"streams\": [";
    for (std::size_t k = 0; k < check.streams.size(); ++k)
        out += (k ? ",\n    " : "\n    ") + jsonStream(check.streams[k]);
    out += check.streams.empty() ? "], \"problems\": [" : "\n  ], \"problems\": [";
    for (std::size_t k = 0; k < check.problems.size(); ++k) {
        const CheckProblem& p = check.problems[k];
        out += std::string(k ? ",\n    " : "\n    ") + "{\"offset\": " + std::to_string(p.offset) + ", \"kind\": \""
               + problemId(p.kind) + "\", \"text\": " + jsonString(p.text) + "}";
    }
    return out + (check.problems.empty() ? "]}" : "\n  ]}");
}

}  // namespace

int checkCommand(const std::vector<std::string>& files, bool json, const std::string& textEncoding)
{
    int status = kSound;
    bool firstFile = true;
    if (json)
        std::printf("[");
    for (const std::string& path : files) {
        SourceCheck check = CheckSource(path);
        text::ShowTextsAsUtf8(check.texts, textEncoding);
        if (!check.openError.empty()) {
            std::fflush(stdout);
            std::fprintf(stderr, "%s: The file cannot be opened: %s\n", path.c_str(), check.openError.c_str());
            status = kBadInput;
            continue;
        }
        if (!check.problems.empty() && status == kSound)
            status = kProblems;
        if (json)
            std::printf("%s\n  %s", firstFile ? "" : ",", jsonCheck(path, check).c_str());
        else
            printText(path, check);
        firstFile = false;
    }
    if (json)
        std::printf("%s]\n", firstFile ? "" : "\n");
    return status;
}
