// The record handed to the merge worker thread, and the report it gets back.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class RmMuxer;
class MuxOutput;

inline constexpr int kStreamKeyCount = 100;  // file index x 10 + stream_number

// How a job lays out its inputs.
enum class JobLayout {
    SideBySide,  // merge: each input's streams are further output streams, all starting together
    EndToEnd     // append: each input gives the same output streams, after the previous input ends
};

// One input of a job: a source file and the streams taken from it.
struct JobInput {
    uint16_t file = 0;              // the file index Scan kept the source at
    std::vector<uint16_t> streams;  // its stream_numbers to copy, in output order
};

// How a job's output is cut into several files; none of the three given
// means one output file.
struct SplitSettings {
    // A new part starts at the first keyframe at or after every `everyMs`.
    std::optional<uint32_t> everyMs;
    // A new part starts at the first keyframe after a part holds this many
    // bytes of packets; a part may go beyond it by the packets of one frame.
    std::optional<uint64_t> sizeBytes;
    // A new part starts at the first keyframe at or after each of these
    // output times, in ms, rising.
    std::vector<uint32_t> atMs;
    bool active() const { return everyMs || sizeBytes || !atMs.empty(); }
};

enum class MuxOutcome {
    NotRun,
    Completed,  // the output is complete at its path
    Cancelled,  // the user stopped the merge; nothing was written
    Failed      // the merge could not be done; `error` says why, nothing was written
};

// What the merge did with one output stream, in output order.
struct StreamReport {
    std::string sourcePath;     // the source file, as it was added
    uint16_t sourceStream = 0;  // the stream's stream_number in that file
    uint32_t packets = 0;       // packets copied into the output
    uint32_t indexCopied = 0;   // index records taken from the source, pointed at the output
    uint32_t indexBuilt = 0;    // index records built from the packets as they were written
    // Packets left out because a delay moved them before 0.
    uint32_t droppedByDelay = 0;
    // Why the output's format could not hold the stream, which was then
    // left out of it; "" when it was written.
    std::string leftOut = {};
};

// Where a trimmed output really starts and ends, in the sources' time (ms),
// and the times the job asked for.
struct TrimReport {
    bool trimmed = false;               // the job gave a start or an end
    std::optional<uint32_t> askedStartMs, askedEndMs;
    uint32_t startMs = 0;               // the range's start: the video keyframe at or before the start asked
    uint32_t endMs = 0;                 // the end of the last unit written
    uint32_t shiftMs = 0;               // subtracted from every timestamp (0 with keepTimestamps)
    uint64_t bytesRead = 0;             // bytes of packet data read from the sources

    // What each output stream holds, in the sources' time: from its first
    // unit's start to its last unit's end; its kind names it ("video").
    struct StreamRange {
        std::string kind;
        uint32_t firstMs = 0, endMs = 0;
    };
    std::vector<StreamRange> streams;

    // "from the keyframe at 19.933 s (asked 20.000 s) to 31.500 s: audio
    // 17.964 s–31.856 s, video 19.933 s–31.600 s", as the front ends show it.
    std::string message() const;
};

// One file written by a split job.
struct SplitPart {
    std::string path;
    uint32_t startMs = 0;  // its first packet, in the output's time before the part's shift
    uint32_t durationMs = 0;
    uint32_t packets = 0;
    uint64_t bytes = 0;
};

// Something the user should know about a merge that still wrote its output:
// a source that is damaged, or whose headers did not match its data.
struct MergeWarning {
    std::string path;     // the source it concerns
    uint64_t offset = 0;  // the byte of that source it concerns
    std::string text;     // what was found and what the merge did about it

    // "PATH at byte N: TEXT", as the front ends show it.
    std::string message() const;
};

// A stretch of a source's data that a repair passed over: from the place
// where the packets stopped holding together to the next packet that does
// (or the end of the data). Packets that lay wholly or partly inside it are
// lost; packets wholly outside it are copied.
struct DamagedRegion {
    std::string path;         // the source, as it was added
    uint64_t first = 0;       // the first byte that is not a whole packet
    uint64_t end = 0;         // the byte after the region: the next packet that chains, or the end of the data
    uint64_t skipped = 0;     // bytes passed over: end - first
    // The output streams that may have lost packets in it, in output order:
    // those with packets on one side of it only, those whose packets on
    // either side lie further apart than anywhere else in the stream, and
    // those of the packets right before and after it (a frame's packets
    // come in a run, so its neighbours were most likely theirs too).
    std::vector<uint16_t> streams;
};

struct MuxJob {
    // 1 where the stream with that key is to be merged.
    uint16_t selection[kStreamKeyCount] = {};
    RmMuxer* muxer = nullptr;
    // Adds the extra "application/helper" stream to the output.
    bool addHelper = false;
    // Puts the output on disk before it is moved into place, so that a crash
    // right after the merge never leaves a partial file at the output path.
    bool sync = true;
    // Any warning fails the merge, and nothing is written.
    bool strict = false;
    // Texts of the output's content description: each one given replaces
    // what the merge takes from the sources. At most 256 bytes each.
    std::optional<std::string> title, author, copyright, comment;
    // When the job gives some of those texts and keeps others from the
    // sources, turns the kept ones (title, author, copyright, comment, in
    // this order, as stored; the given ones' places hold the stored texts
    // too) into UTF-8, the code page of given texts, so that the output's
    // texts read in one code page. Empty keeps them as stored. Set by the
    // front ends, which know code pages.
    std::function<void(std::vector<std::string>& texts)> keptTextsToUtf8;
    // New names of output streams, by output stream number (0 for the first
    // stream written, as the report counts them). At most 255 bytes each.
    std::map<uint16_t, std::string> streamNames;
    // Index records are built from the packets for every stream whose
    // source has none, so that every output stream can be sought by index.
    bool buildIndexes = true;
    // The finished output is read back, as kestrova-cli check reads a file,
    // and compared with its sources packet for packet and its index records
    // with their packets before it takes its name; a difference fails the
    // merge, and nothing is written.
    bool verify = false;
    // Called with the path of the finished temporary output just before it
    // is read back; tests damage it here.
    std::function<void(const std::string& path)> beforeVerify;
    // Repair: the source is read by a tolerant reader. Where its packets stop
    // holding together (a packet cut short, an absurd length, an implausible
    // header, bytes that are no packet), the reader looks for the next packet
    // that chains and goes on from there, instead of ending the source; each
    // region passed over is reported in `damage`. Its index is not used: the
    // output's is built from the packets written. A data chunk whose header
    // is damaged, or that PROP points past, is found by searching for it.
    //
    // How a front end repairs FILE into OUT (kestrova-cli repair does this):
    //   RmMuxer muxer;
    //   count = muxer.Scan(FILE, names, kinds, numbers, /*repair=*/true);
    //   (0: the header section itself is gone; LastScanMessage says why)
    //   MuxJob job; job.muxer = &muxer; job.repair = true;
    //   job.selection[muxer.LastScanSource() * 10 + numbers[k]] = 1 for every k < count;
    //   muxer.SetOutputPath(OUT) (after OutputPathProblem(OUT) is "");
    //   run MuxWorker(&job) on a worker thread, as for a merge.
    // Completed: OUT is written; job.damage lists the regions passed over
    // (empty: no damage found), job.streams the packets recovered per
    // stream and the index records built, job.warnings the rest. Failed:
    // nothing was written; job.error says why (a file with no packet that
    // could be recovered: "FILE holds no packets to recover; nothing was
    // written").
    //
    // A file is damaged with its header intact when Scan without `repair`
    // refuses it with ScanError::Invalid and Scan with `repair` (on a muxer
    // of its own) takes it; one that Scan takes may still be damaged in its
    // data, which a merge copies up to the damage with a warning and
    // CheckSource lists as CutPacket or DamagedPacket problems.
    bool repair = false;

    // What to copy and how to lay it out: merge puts the inputs side by
    // side, append one after another; when `inputs` is empty it is built
    // from `selection` (file-index order, side by side).
    JobLayout layout = JobLayout::SideBySide;
    std::vector<JobInput> inputs;
    // Trim of the whole output, in ms of the output's time (for an append,
    // the parts one after another): the output starts at the video keyframe
    // at or before startMs and ends with the last frame starting before
    // endMs. Every stream is then shifted so the output starts at 0, unless
    // keepTimestamps.
    std::optional<uint32_t> startMs, endMs;
    bool keepTimestamps = false;
    // Output stream -> ms added to its timestamps (may be negative);
    // packets that would fall before 0 are left out and counted.
    std::map<uint16_t, int32_t> delays;
    // Cut the output into parts; the output path then names the parts:
    // "-001", "-002", ... before its extension, or a printf-style %d in it.
    SplitSettings split;
    // A split whose part names are taken by files already there replaces
    // them: once its own parts are in place, every other part file at those
    // names, whatever its number, is removed. Without it the split refuses
    // to start.
    bool overwrite = false;
    // Makes the output a run writes to (mux_output.h), for a format other
    // than RealMedia; empty writes RealMedia.
    std::function<std::unique_ptr<MuxOutput>(RmMuxer& muxer, const MuxJob& job)> output;

    // Read by the caller once the worker has ended.
    MuxOutcome outcome = MuxOutcome::NotRun;
    std::string error;
    // The inputs cannot make the output asked for (parts whose streams
    // differ); `error` says how, and nothing was written.
    bool refused = false;
    std::vector<StreamReport> streams;
    std::vector<MergeWarning> warnings;
    TrimReport trim;
    std::vector<SplitPart> parts;  // the files a split wrote, in order
    // Repair only: every region of damage passed over, in file order; and
    // every other fault found in the sources, each said as what was mended
    // or what it cost ("stream 1: its header is lost; its 936 packets could
    // not be kept"). A repair found no damage when both are empty.
    std::vector<DamagedRegion> damage;
    std::vector<std::string> findings;
};

// The worker thread's entry: runs the merge of the MuxJob `job` points to.
unsigned MuxWorker(void* job);
