// The muxer: the one object that carries a merge from the first added source
// file to the last byte of output.
//
// Sources are added one at a time with Scan, which keeps each accepted file
// open. Run, on a worker thread, reads every source's header section again
// with the user's selection applied, writes the output's header section,
// interleaves the chosen streams' packets by timestamp while pointing their
// index records at the new positions, and finishes or cancels the output.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "mux/mux_job.h"
#include "mux/packet_queue.h"
#include "mux/source_cursor.h"
#include "mux/written_figures.h"
#include "rm/data_walk.h"
#include "rm/header_walker.h"
#include "rm/input_file.h"
#include "rm/output_file.h"
#include "rm/packet_resync.h"
#include "rm/records.h"

inline constexpr int kMaxSources = 10;
inline constexpr int kMaxStreams = 10;
// A lane is one source stream feeding one output stream: up to ten files
// end to end, each with up to ten streams.
inline constexpr int kMaxLanes = kMaxSources * kMaxStreams;
inline constexpr uint16_t kNoStream = 0xFFFF;

// Kind of a listed stream; also its image index and item data in the source tree.
enum StreamKind : int32_t { kVideoStream = 0, kAudioStream = 1, kUnknownStream = 2 };

// A video stream, by its MIME type.
bool IsVideo(const rm::RmStreamHeader& slot);
// The kind of a stream as it is listed: by its MIME type, and unknown when
// it has no name.
StreamKind KindOf(const rm::RmStreamHeader& slot);

// Why Scan refused a file.
enum class ScanError {
    None,
    CannotOpen,           // the file could not be opened
    CannotRead,           // reading the file failed
    Invalid,              // not a RealMedia file, cut short, or no usable stream
    TooManyFiles,         // ten sources are held already
    TooManyStreams,       // more than ten usable streams
    StreamNumberTooHigh,  // a usable stream numbered above 9
    StreamDataTooLarge    // a usable stream with more codec data than a slot holds
};

// What a stream header read did with the stream.
enum class StreamTake {
    Taken,     // the stream fills the next slot
    NotTaken,  // not usable, or not selected
    Short,     // the chunk was cut short
    TooLarge,  // wanted, but its type-specific data does not fit a slot
    NoRoom     // wanted, but all ten slots are taken
};

// A stream header that the walk of a header section read whole.
struct SeenStream {
    uint16_t number = 0;
    std::string mime;
    uint32_t duration = 0;  // 0 makes the stream unusable
};

// A header chunk that the walk passed, and where it ended: where its reader
// stopped for a chunk read by its fields, else where its size field says.
struct WalkedChunk {
    rm::ChunkPlace place;
    uint64_t end = 0;
};

// What the walk of a source's header section found.
struct HeaderWalk {
    rm::HeaderEnd end = rm::HeaderEnd::Cut;
    uint64_t endOffset = 0;  // the "DATA" id, or where the walk stopped
    bool sawProperties = false;
    // The first wanted stream that could not be taken (TooLarge or NoRoom);
    // the walk stops there. Taken when there was none.
    StreamTake refused = StreamTake::Taken;

    // Where the walk stopped short of the "DATA" id: one stands at data_offset.
    bool dataAtOffset = false;

    // True when the header section can be used: PROP was read, and the walk
    // reached the "DATA" id, or a "DATA" id stands at data_offset, or the
    // file ends between two chunks with data_offset still inside it (its
    // data chunk is missing, so it has no packets, but its streams are
    // real). A file that ends inside a header chunk, or before the place
    // data_offset gives, was cut short inside its header section.
    bool usable(uint32_t dataOffset, uint64_t fileSize) const;

    // Every stream header read whole, taken or not, and every chunk after
    // ".RMF" that the walk passed, in file order.
    std::vector<SeenStream> streams;
    std::vector<WalkedChunk> chunks;

    // Why the file cannot be a source, in the engine's words: its header
    // section cannot be used, or none of its streams can ("No stream is
    // usable: stream 0 (audio/x-pn-realaudio) has duration 0"); "" when it
    // can. A read error is not among them: the file's readError says it.
    std::string refusal(uint32_t dataOffset, uint64_t fileSize) const;
};

// Why a selection of streams cannot be merged.
enum class SelectionProblem {
    None,
    TwoVideos,      // more than one video stream
    TooManyStreams  // more streams than the output holds
};

struct SelectionCheck {
    SelectionProblem problem = SelectionProblem::None;
    int streams = 0;  // streams selected
    int limit = 0;    // the most the output holds: 10, or 9 with the helper stream
};

// Why the texts a job gives for its output (content description, stream
// names) cannot be written, or "" when they can; `outputStreams` is the
// number of streams the merge writes.
std::string OutputTextsProblem(const MuxJob& job, int outputStreams);

// The rules every selection must keep, whoever makes it.
SelectionCheck judgeSelection(int videos, int streams, bool helper);
// What is wrong with a selection, in the engine's words.
std::string SelectionMessage(const SelectionCheck& check);

// The name of part `number` (from 1) of a split output: OUT with "-001"
// before its extension, or OUT with a printf-style "%d" filled in.
std::string SplitPartPath(const std::string& output, int number);

class RmMuxer {
public:
    RmMuxer();
    ~RmMuxer();
    RmMuxer(const RmMuxer&) = delete;
    RmMuxer& operator=(const RmMuxer&) = delete;

    // Opens and checks a source. On success returns its number of usable
    // streams (1 to 10), fills names[k] (NUL-terminated), kinds[k] and, when
    // given, numbers[k] (the stream_number to key the stream by) for each,
    // and keeps the file open as a source at the lowest free file index
    // (LastScanSource). Returns 0 otherwise, with nothing kept;
    // LastScanError and LastScanMessage then say why.
    //
    // With `repair`, a file is kept for a repair (MuxJob::repair): its header
    // section must hold the properties and at least one usable stream
    // header, but may be cut or damaged after them, where its data chunk is
    // then searched for. A file that Scan refuses without `repair` and
    // takes with it is damaged with its header intact.
    int32_t Scan(const std::string& path, char names[][rm::kNameCapacity], int32_t kinds[],
                 uint16_t numbers[] = nullptr, bool repair = false);
    ScanError LastScanError() const { return m_scanError; }
    const std::string& LastScanMessage() const { return m_scanMessage; }
    // The file index the file accepted last was kept at.
    uint16_t LastScanSource() const { return m_lastSource; }
    // What made the file invalid, for a refusal whose message does not say
    // it ("The header section is cut short at byte 1,234"); "" otherwise.
    const std::string& LastScanReason() const { return m_scanReason; }

    // The rules a selection must keep (at most one video stream, at most
    // ten streams or nine with the helper), checked against the streams
    // Scan listed. Run checks them again on the streams it takes.
    SelectionCheck CheckSelection(const uint16_t selection[kStreamKeyCount], bool helper) const;

    // Takes source `f` out of the coming merge: its file is closed and it
    // contributes nothing, not even its file properties, while every other
    // source keeps its file index. Its index is free for the next file kept.
    void RemoveSource(uint16_t f);

    // Why `path` cannot take the output, or "" when it can.
    std::string OutputPathProblem(const std::string& path) const;
    void SetOutputPath(const std::string& path) { m_outputPath = path; }

    // What would stop `job` before it writes anything (no stream selected,
    // a source that holds no packets, parts that do not match, a range that
    // lies past the end or holds no packet), in the engine's words; "" when
    // nothing does. Reads the sources, writes nothing.
    std::string CheckJob(const MuxJob& job);

    // The whole merge; its outcome and report are left in `job`. Whatever
    // happens inside, it returns with an outcome and leaves no partial file.
    void Run(MuxJob& job);

    // Walks the header section of m_in from its start, reading PROP, CONT
    // and MDPR chunks into the record; mergeMode as for ReadStreamHeader.
    HeaderWalk WalkHeaderSection(uint16_t file, bool mergeMode);

    // Header chunk readers: each expects m_in just after the chunk's id and
    // leaves it just after the chunk. False when the chunk was cut short.
    bool ReadProperties();
    // `seen`, when given, receives the header's number, MIME type and
    // duration once it has been read whole.
    StreamTake ReadStreamHeader(uint16_t file, bool mergeMode, SeenStream* seen = nullptr);
    bool ReadContent();

    // Header chunk writers, appending at the output's position except for
    // the rewrites in place. Failures are kept by m_out.
    void WriteFileHeader();
    void WriteProperties(bool first);
    void WriteStreamHeaders(bool first);
    void WriteContent();
    void WriteDataHeader(bool first);
    void WriteIndexes();

    void FetchPacket(int lane);
    void AbortMerge();

    // What the last completed packet loop needed: the most packets a queue
    // held, the most bytes a cursor's window held, and how many streams
    // were given a cursor of their own.
    struct ReadAhead {
        std::size_t queuedPackets = 0;
        std::size_t windowBytes = 0;
        int ownCursors = 0;
    };
    const ReadAhead& LastReadAhead() const { return m_readAhead; }

    // --- the record ---
    // The header pass takes each chosen stream into a slot; a merge run
    // then reads each slot as a lane, feeding the output stream m_laneOut
    // gives. Scan takes at most kMaxStreams slots.
    rm::RmFileHeader m_fileHeader{};
    rm::RmProperties m_props{};
    rm::RmStreamHeader m_streams[kMaxLanes]{};
    rm::RmContent m_content{};
    // The type-specific data of the logical-fileinfo stream of the file
    // whose header section was walked last, which holds its file-info
    // properties; empty when it has none.
    std::vector<uint8_t> m_fileInfo;
    rm::RmDataHeader m_dataHeader{};
    rm::RmIndexHeader m_indexHeaders[kMaxLanes]{};
    // Each lane's source index records, as read.
    std::vector<rm::RmIndexEntry> m_indexTables[kMaxLanes];
    PacketNode m_current[kMaxLanes]{};
    bool m_hasCurrent[kMaxLanes]{};
    // File indexes 0 .. m_fileCount - 1 have been taken, removed ones included.
    uint16_t m_fileCount = 0;
    uint16_t m_headerCount = 0;
    uint16_t m_streamCount = 0;
    uint16_t m_streamMap[kStreamKeyCount]{};
    uint16_t m_sourceStream[kMaxLanes]{};
    uint16_t m_sourceFile[kMaxLanes]{};
    uint16_t m_selected[kStreamKeyCount]{};
    uint32_t m_propsPos = 0;
    uint32_t m_dataPos = 0;
    float m_indexTotal = 0;
    uint8_t m_streamDone[kMaxLanes]{};  // by lane
    bool m_addHelper = false;
    std::string m_outputPath;
    PacketQueue m_queues[kMaxLanes];
    std::unique_ptr<rm::InFile> m_files[kMaxSources];
    bool m_removed[kMaxSources]{};
    rm::InFile* m_in = nullptr;
    std::unique_ptr<rm::OutFile> m_out;

    // Where each source's packets may be read: from the first packet to the
    // end of its data chunk, as far as the file reaches.
    uint64_t m_dataStart[kMaxSources]{};
    rm::DataWalk m_dataWalk[kMaxSources];  // from the first data chunk on
    // Each source's data as the packet loop reads it: the packet count its
    // properties give (0 for none), the packets found so far, and whether
    // the end of its data has been reached.
    uint32_t m_packetsPromised[kMaxSources]{};
    uint32_t m_packetsFound[kMaxSources]{};
    bool m_sourceEnded[kMaxSources]{};
    bool m_hasDataChunk[kMaxSources]{};
    // The kind of each stream Scan listed, by stream key; -1 where none.
    int8_t m_listedKind[kStreamKeyCount];
    // Largest length the output may reach; RealMedia offsets are 32 bits wide.
    uint64_t m_outputLimit = rm::OutFile::kMaxLength;

private:
    enum class LoopEnd { Finished, Cancelled, Failed };

    int32_t Reject(ScanError error, const std::string& message = {});
    void RunMerge(MuxJob& job);
    // The lowest file index no source holds, or -1 when ten sources are held.
    int FreeSourceIndex() const;
    // Keeps an accepted file as a source at the lowest free index.
    void KeepSource(std::unique_ptr<rm::InFile> file);
    void Reset(const MuxJob& job);
    std::string ReadSourceHeaders(uint16_t f);
    void LoadIndexes(uint16_t f);
    std::string LocateData(uint16_t f, const HeaderWalk& walk);
    std::string CheckTakenStreams() const;
    // Puts the texts the job gives in place of the sources'; "" or why the
    // output cannot hold the texts it keeps once they are in UTF-8.
    std::string ApplyOutputTexts(const MuxJob& job);
    std::string CreateOutput();
    // `first` for the run's first output file, which also readies the run.
    std::string WriteHeaderSection(bool first = true);
    // Lays the taken slots out as lanes by the job's inputs, and checks
    // that the parts of an end-to-end job give the same streams.
    std::string LayOutLanes(const MuxJob& job);
    std::string CompareParts() const;
    LoopEnd PacketLoop(const MuxJob& job);
    // Where a trim starts in part p (its lanes' own time); see trim_start.cpp.
    enum class StartFound { InPart, PastPart, Failed };
    StartFound LocateStart(int part, uint32_t startMs, uint64_t seekFrom[kMaxSources]);
    void StartCursors(int part, const uint64_t seekFrom[kMaxSources]);
    // Ends a part: its end in the output's time, and its cursors and queues let go of.
    void EndPart(int part);
    // Whether the lane takes the packet it found, by the job's range and
    // delays; a packet past the range's end ends the lane.
    bool TakesPacket(int lane, const rm::RmPacketHeader& header, uint64_t offset);
    // Notes a timestamp the lane took, in its source's time and the output's.
    void NoteTime(int lane, uint32_t timestamp, int64_t time);
    // Where the lane ends: its latest time plus its usual spacing.
    int64_t LaneEnd(int lane) const;
    // The output's timestamp of the lane's current packet, before a split.
    int64_t OutputTime(int lane) const;
    // The first byte the streams of `cursor` still need; `pinnedBy`, when
    // given, names the stream that needs it when that is not the cursor's own place.
    uint64_t KeepFrom(int cursor, int* pinnedBy = nullptr) const;
    void GiveOwnCursor(int o);
    bool WritePacket(int lane, int64_t time);
    void NoteReadAhead();
    void EndSourceAt(uint16_t f, const SourceCursor& reader);
    void PrepareIndexes(const MuxJob& job);
    // Points the source's index record for the packet about to be written
    // at its new place and time, or builds one; before the packet, whose
    // bytes are `bytes`, is written.
    void IndexPacket(int lane, uint32_t timestamp, const uint8_t* bytes);
    // The split settings say a new part file starts at this packet.
    bool SplitsBefore(int lane, int64_t time);
    std::string StartNextSplitPart(const MuxJob& job, int64_t time);
    // Output streams' durations from the packets written, for their headers.
    void SetWrittenDurations();
    // Whether the packet of source f at `offset`, whose header is `header`,
    // is marked as a keyframe (read from its bytes where its header's
    // version keeps the mark past the fields read).
    bool IsKeyframe(uint16_t f, const rm::RmPacketHeader& header, uint64_t offset) const;
    void KeepMatchedIndexes();
    void ReportProgress();
    // The source's data has ended, cleanly or (when `damage` says how) at
    // a packet that is not whole; either is checked against its count.
    void EndSource(uint16_t f, const rm::DataWalk& walk, uint64_t damagedAt = 0, const std::string& damage = {});
    void WarnUnreadChunks(uint16_t f, const std::vector<rm::DataChunkRead>& chunks);
    // Repair: where the data chunk stands, or where its packets start when
    // its header is gone, and what a packet of this source looks like.
    std::string LocateDamagedData(uint16_t f, const HeaderWalk& walk);
    // Repair: the cursor stopped where its packets no longer hold together
    // (or at a data chunk's header); true when it was moved on to the next
    // place where they do, the region passed over being recorded.
    bool Resynchronise(uint16_t f, SourceCursor& reader);
    // Repair: whether the packet the cursor just gave holds together with
    // what follows it. When it does not, and packets go on inside the bytes
    // its length claims, the length is wrong: it is passed over as damage,
    // the cursor moved on, and false returned.
    bool RepairTakes(uint16_t f, SourceCursor& reader, const rm::RmPacketHeader& header, uint64_t offset,
                     uint64_t keepFrom);
    void RecordSkip(uint16_t f, uint64_t from, uint64_t to);
    // Repair: notes the timestamps of stream o's packets around each damaged
    // region, for the report; after the packet is written.
    void NoteRepairedPacket(int o);
    void ReportDamage(MuxJob& job) const;
    void Warn(uint16_t f, uint64_t offset, const std::string& text);
    std::string CheckWhatWasRead();
    std::string FinishOutput(const MuxJob& job);
    // Completes the output file being written: index, figures, on disk, closed.
    std::string FinishFile(const MuxJob& job);
    // Notes the split part just finished for the report.
    void NoteSplitPart();
    std::string PutPartsInPlace(MuxJob& job);
    // The output's PROP and MDPR figures, from what the packet loop wrote.
    void SetWrittenFigures();
    std::string VerifyOutput(const MuxJob& job);
    std::string PutInPlace(MuxJob& job);
    void ReleaseRun();
    void ReleaseSources();
    void DiscardOutput();
    void Fail(MuxJob& job, const std::string& message);
    void Report(MuxJob& job);
    bool Taken(uint16_t file, uint16_t number) const;

    ScanError m_scanError = ScanError::None;
    std::string m_scanMessage;
    uint16_t m_lastSource = 0;
    std::string m_scanReason;

    // Per-run state.
    std::string m_tempPath;
    // The output's duration: the longest of its sources'.
    uint32_t m_mergedDuration = 0;
    // What the packet loop wrote, in all and per output stream: the
    // finisher writes the output's figures from these.
    WrittenFigures m_written;
    WrittenFigures m_streamWritten[kMaxStreams];
    uint32_t m_streamHeadersPos = 0;
    // The lanes: each slot's output stream and part (its place among the
    // inputs laid end to end; 0 side by side), and each output stream's
    // first lane, whose header it is written with.
    uint16_t m_outCount = 0;  // output streams; m_streamCount counts the lanes
    int m_partCount = 1;
    uint16_t m_laneOut[kMaxLanes]{};
    uint16_t m_lanePart[kMaxLanes]{};
    uint16_t m_outLane[kMaxStreams]{};
    // A lane's timing: added to its source timestamps to give the output's
    // (its part's place, less the trim's start, plus its stream's delay).
    int64_t m_laneShift[kMaxLanes]{};
    // Where a part starts in the output's time before a trim, and whether
    // each source was read from its start to its end.
    int64_t m_partOffset[kMaxSources + 1]{};
    bool m_readWhole[kMaxSources]{};
    // A trim in the output's time before the shift; the start is pending
    // until a part holds it.
    std::optional<uint32_t> m_trimStart, m_trimEnd;
    bool m_startPending = false;
    bool m_keepTimestamps = false;
    int64_t m_trimShift = 0;
    int64_t m_trimStartFound = 0;  // where the output starts, in the output's time before the trim
    // What a lane waits for before it takes packets: the packet at
    // m_laneFrom (the start keyframe) or the first keyframe at or after
    // m_laneFromTime.
    enum class LaneWait : uint8_t { None, Offset, Keyframe, Time };
    LaneWait m_laneWait[kMaxLanes]{};
    uint64_t m_laneFrom[kMaxLanes]{};
    uint32_t m_laneFromTime[kMaxLanes]{};
    // What each lane wrote: its first packet's place in its source, its
    // packets, its latest timestamp and its usual spacing (the most common
    // step among its last steps), and whether its range ended it.
    uint64_t m_laneFirst[kMaxLanes]{};
    uint32_t m_laneWritten[kMaxLanes]{};
    int64_t m_laneLatest[kMaxLanes]{};
    uint32_t m_laneLastTs[kMaxLanes]{};
    bool m_laneSeen[kMaxLanes]{};
    uint32_t m_laneSteps[kMaxLanes][8]{};
    uint8_t m_laneStepAt[kMaxLanes]{};
    bool m_laneCut[kMaxLanes]{};
    int64_t m_outTime[kMaxLanes]{};  // the current packet's output timestamp
    // Each lane's index: the next source record to match, or whether it is
    // built; each output stream's records, and when built, whether it is
    // video (indexed by keyframe), the last timestamp seen and the next
    // whole second.
    uint32_t m_indexCursor[kMaxLanes]{};
    bool m_buildIndex[kMaxLanes]{};
    std::vector<rm::RmIndexEntry> m_outIndex[kMaxStreams];
    uint32_t m_indexCopied[kMaxStreams]{};
    uint32_t m_indexBuiltCount[kMaxStreams]{};
    bool m_indexVideo[kMaxStreams]{};
    bool m_anyIndexed[kMaxStreams]{};
    uint32_t m_lastTimestamp[kMaxStreams]{};
    uint32_t m_nextIndexSecond[kMaxStreams]{};
    uint32_t m_indexWritten[kMaxStreams]{};  // records in each stream's index chunk
    // The cursors reading the sources: one per source to start with, and
    // one more for each stream given a cursor of its own.
    SourceCursor m_cursors[kMaxLanes];
    int m_cursorCount = 0;
    int8_t m_cursorOf[kMaxLanes]{};
    uint16_t m_cursorSource[kMaxLanes]{};
    uint64_t m_cursorFrom[kMaxLanes]{};
    bool m_cursorPrimary[kMaxLanes]{};  // the cursor that counts the source's packets
    ReadAhead m_readAhead;
    uint32_t m_packetsWritten = 0;
    uint32_t m_packetsCopied[kMaxStreams]{};
    uint32_t m_droppedByDelay[kMaxStreams]{};
    int64_t m_delay[kMaxStreams]{};
    // Output durations from what was written (any job but a plain merge):
    // each stream's end.
    bool m_durationsWritten = false;
    int64_t m_outEnd[kMaxStreams]{};
    uint64_t m_bytesRead = 0;
    // A split: the settings, the output timestamp the current part file
    // starts at, its packet bytes, the next --at cut, and the finished
    // parts waiting under temporary names.
    SplitSettings m_split;
    int64_t m_splitBase = 0;
    uint64_t m_splitBytes = 0;
    std::size_t m_nextCut = 0;
    uint16_t m_splitAnchor = 0;  // the output stream whose keyframes may start a part
    bool m_splitAnchorSeen = false;
    int64_t m_splitAnchorTime = 0;
    uint64_t m_runStart = 0;     // the part's bytes at the anchor's last keyframe
    uint64_t m_largestRun = 0;   // the most bytes between two of its keyframes
    std::vector<std::string> m_partTemps;
    std::vector<SplitPart> m_parts;
    std::vector<MergeWarning> m_warnings;
    // The first source read that failed: it fails the run.
    std::string m_readFailure;
    float m_progressCount = 0;
    uint64_t m_bytesTotal = 0;
    uint64_t m_bytesDone = 0;

    // Repair (see MuxJob::repair).
    bool m_repair = false;
    rm::PacketExpectations m_expect[kMaxSources];
    std::optional<uint16_t> m_lastStreamRead[kMaxSources];  // by the source's first cursor
    // The last search for packets after damage in each source: where it
    // began and what it found. A search from a later place that this one
    // found nothing before has the same answer.
    struct Search {
        uint64_t from = 0;
        std::optional<uint64_t> found;
    };
    std::optional<Search> m_lastSearch[kMaxSources];
    std::optional<uint64_t> SearchFrom(uint16_t f, uint64_t from);
    // Each stretch of damage the cursors passed over, in the order found.
    struct Skip {
        uint16_t file = 0;
        uint64_t from = 0, to = 0;
        // The source streams of the packets right before and right after it.
        std::optional<uint16_t> streamBefore, streamAfter;
        // The timestamps of each output stream's last packet before it and
        // first packet after it.
        std::optional<uint32_t> before[kMaxStreams], after[kMaxStreams];
    };
    std::vector<Skip> m_skips;
    // Per output stream: skips passed, its last timestamp, and the largest
    // step between two of its packets with no skip between them.
    std::size_t m_skipsPassed[kMaxStreams]{};
    std::optional<uint32_t> m_lastWritten[kMaxStreams];
    uint32_t m_largestStep[kMaxStreams]{};
};
