// kestrova-cli check: each file's streams and problems, as text or as JSON.
#include "cli/check_command.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <optional>
#include <thread>

#include "cli/collection.h"
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

// What a check says of a file as a whole.
enum class Verdict { Sound, Problems, Refused, CannotOpen };

Verdict judge(const SourceCheck& check)
{
    if (!check.openError.empty())
        return Verdict::CannotOpen;
    for (const CheckProblem& problem : check.problems)
        if (problem.kind == ProblemKind::Refused)
            return Verdict::Refused;
    return check.problems.empty() ? Verdict::Sound : Verdict::Problems;
}

// The verdict's word in --json-lines: "sound", "problems" (a merge reads
// it, with the problems listed), "refused" (a merge refuses it) or
// "cannot_open".
const char* const kVerdictWords[] = {"sound", "problems", "refused", "cannot_open"};

std::string verdict(const SourceCheck& check)
{
    return kVerdictWords[static_cast<int>(judge(check))];
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

// The file's report as one JSON object: laid out over lines for --json, on
// one line, with its verdict, for --json-lines.
std::string jsonCheck(const std::string& path, const SourceCheck& check, bool oneLine = false)
{
    const std::string item = oneLine ? " " : "\n    ";
    const std::string close = oneLine ? "" : "\n  ";
    std::string out = "{\"path\": " + jsonString(path) + ", \"size\": " + std::to_string(check.size)
                      + jsonContentMembers(check.texts) + ", \"streams\": [";
    for (std::size_t k = 0; k < check.streams.size(); ++k) {
        out += k ? "," + item : oneLine ? "" : item;
        out += jsonStream(check.streams[k]);
    }
    out += check.streams.empty() ? "], \"problems\": [" : close + "], \"problems\": [";
    for (std::size_t k = 0; k < check.problems.size(); ++k) {
        const CheckProblem& p = check.problems[k];
        out += k ? "," + item : oneLine ? "" : item;
        out += "{\"offset\": " + std::to_string(p.offset) + ", \"kind\": \""
               + problemId(p.kind) + "\", \"text\": " + jsonString(p.text) + "}";
    }
    out += check.problems.empty() ? "]" : close + "]";
    if (oneLine)
        out += ", \"verdict\": \"" + verdict(check) + "\"";
    return out + "}";
}

// Each file's check, by the place it was given at, and what was found in all.
class CheckRun {
public:
    CheckRun(const std::vector<std::string>& files, const CheckOptions& options)
        : m_files(files), m_options(options), m_results(files.size())
    {
    }

    // Checks every file on `options.jobs` threads, printing each report.
    void run();

    int status = kSound;
    uint64_t counts[4] = {};  // by Verdict

private:
    void work();
    // With the lock held: the report of file k, and of those it let out.
    void finished(std::size_t k, SourceCheck check);
    void print(std::size_t k, const SourceCheck& check);

    const std::vector<std::string>& m_files;
    const CheckOptions& m_options;
    std::atomic<std::size_t> m_next{0};
    std::mutex m_lock;
    std::vector<std::optional<SourceCheck>> m_results;  // checked, not yet printed
    std::size_t m_printed = 0;                           // in the order given
    bool m_firstJson = true;
};

void CheckRun::run()
{
    const unsigned threads = std::max(1u, std::min<unsigned>(m_options.jobs, static_cast<unsigned>(m_files.size())));
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < threads; ++t)
        pool.emplace_back([this] { work(); });
    work();
    for (std::thread& thread : pool)
        thread.join();
}

void CheckRun::work()
{
    for (std::size_t k = m_next++; k < m_files.size(); k = m_next++) {
        SourceCheck check = CheckSource(m_files[k]);
        text::ShowTextsAsUtf8(check.texts, m_options.textEncoding);
        const std::lock_guard<std::mutex> hold(m_lock);
        finished(k, std::move(check));
    }
}

void CheckRun::finished(std::size_t k, SourceCheck check)
{
    ++counts[static_cast<int>(judge(check))];
    if (!check.openError.empty())
        status = kBadInput;
    else if (!check.problems.empty() && status == kSound)
        status = kProblems;
    if (m_options.jsonLines) {
        print(k, check);
        return;
    }
    m_results[k] = std::move(check);
    for (; m_printed < m_results.size() && m_results[m_printed]; ++m_printed) {
        print(m_printed, *m_results[m_printed]);
        m_results[m_printed].reset();
    }
}

void CheckRun::print(std::size_t k, const SourceCheck& check)
{
    const std::string& path = m_files[k];
    if (!check.openError.empty() && !m_options.jsonLines) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s: The file cannot be opened: %s\n", path.c_str(), check.openError.c_str());
        return;
    }
    if (m_options.jsonLines) {
        std::string line = jsonCheck(path, check, true);
        if (!check.openError.empty())
            line.insert(line.size() - 1, ", \"error\": " + jsonString("The file cannot be opened: " + check.openError));
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    } else if (m_options.json) {
        std::printf("%s\n  %s", m_firstJson ? "" : ",", jsonCheck(path, check).c_str());
    } else {
        printText(path, check);
    }
    m_firstJson = false;
}

}  // namespace

int checkCommand(const std::vector<std::string>& paths, const CheckOptions& options)
{
    const Collection found = gatherFiles(paths, options.recursive);
    for (const std::string& error : found.errors)
        std::fprintf(stderr, "kestrova-cli: %s\n", error.c_str());
    if (options.json)
        std::printf("[");
    CheckRun run(found.files, options);
    run.run();
    if (options.json)
        std::printf("%s]\n", found.files.empty() ? "" : "\n");
    // A summary only where files were gathered from folders, or one is
    // asked for: the report of files given alone stays as it was.
    const auto count = [&](Verdict v) { return std::to_string(run.counts[static_cast<int>(v)]); };
    if (options.jsonLines) {
        std::printf("{\"summary\": {\"files\": %zu, \"sound\": %s, \"problems\": %s, \"refused\": %s, "
                    "\"cannot_open\": %s, \"skipped\": %llu, \"errors\": %zu}}\n",
                    found.files.size(), count(Verdict::Sound).c_str(), count(Verdict::Problems).c_str(),
                    count(Verdict::Refused).c_str(), count(Verdict::CannotOpen).c_str(),
                    static_cast<unsigned long long>(found.skipped), found.errors.size());
    } else if (options.recursive && !options.json) {
        std::printf("%s checked: %s sound, %s with problems, %s refused, %s not opened; %s skipped (not named "
                    ".rm, .rmvb or .ra)\n",
                    plural(found.files.size(), "file", "files").c_str(), count(Verdict::Sound).c_str(),
                    count(Verdict::Problems).c_str(), count(Verdict::Refused).c_str(),
                    count(Verdict::CannotOpen).c_str(), plural(found.skipped, "file", "files").c_str());
    }
    return found.errors.empty() ? run.status : kBadInput;
}
