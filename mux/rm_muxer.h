// The muxer: the one object that carries a merge from the first added source
// file to the last byte of output.
//
// Sources are added one at a time with Scan, which keeps each accepted file
// open. Run, on a worker thread, reads every source's header section again
// with the job's streams applied, writes the output's header section,
// interleaves the chosen streams' packets by timestamp while pointing their
// index records at the new positions, and finishes or cancels the output.
// What a run needs beside this record lives in its RunState (run_state.h).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "mux/header_walk.h"
#include "mux/listing.h"
#include "mux/mux_job.h"
#include "mux/mux_limits.h"
#include "mux/output_texts.h"
#include "mux/packet_queue.h"
#include "mux/read_ahead.h"
#include "mux/scan_result.h"
#include "mux/selection.h"
#include "mux/source_cursor.h"
#include "mux/split_plan.h"
#include "rm/data_walk.h"
#include "rm/input_file.h"
#include "rm/output_file.h"
#include "rm/records.h"

struct RunState;
class StreamReplay;

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
    // header, but may be cut or damaged after the properties: the walk goes
    // on at the next header chunk after damage, and the data chunk is
    // searched for should the walk not reach it. A file that Scan refuses
    // without `repair` and takes with it is damaged.
    int32_t Scan(const std::string& path, char names[][rm::kNameCapacity], int32_t kinds[],
                 uint16_t numbers[] = nullptr, bool repair = false);
    ScanError LastScanError() const { return m_refusal.error; }
    const std::string& LastScanMessage() const { return m_refusal.message; }
    // The file index the file accepted last was kept at.
    uint16_t LastScanSource() const { return m_lastSource; }
    // What made the file invalid, for a refusal whose message does not say
    // it ("The header section is cut short at byte 1,234"); "" otherwise.
    const std::string& LastScanReason() const { return m_refusal.reason; }

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
    // and MDPR chunks into the record; mergeMode as for ReadStreamHeader,
    // `damage` says what the walk does at bytes that are no chunk.
    HeaderWalk WalkHeaderSection(uint16_t file, bool mergeMode, const HeaderDamage& damage);

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

    // Makes lane `lane`'s next packet current, or marks the lane done.
    void FetchPacket(int lane);
    void AbortMerge();

    using ReadAhead = ::ReadAhead;
    const ReadAhead& LastReadAhead() const { return m_readAhead; }

    // For an output of another format (mux_output.h), so that every file is
    // made, kept, verified and put in place alike: the output streams and
    // their headers; the end of the file being written, in its time; its
    // creation as m_out; KeepFile puts it on disk, verifies it with `verify`
    // ("" or how it differs) when the job asks, and keeps it for
    // PutAllInPlace; the source packets each stream of it was given.
    int OutputStreamCount() const;
    const rm::RmStreamHeader& OutputStreamHeader(int out) const;
    int64_t OutputFileEnd() const;
    std::string CreateOutput();
    std::string KeepFile(const MuxJob& job, const std::function<std::string(const std::string& path)>& verify);
    std::unique_ptr<StreamReplay> ReplayStream(int out) const;
    // What the range rule finds wrong with what each lane wrote, or "".
    std::string RangeProblem() const;
    std::string PutAllInPlace(MuxJob& job);
    void DiscardOutput();
    void Warn(uint16_t f, uint64_t offset, const std::string& text);  // a warning about source f

    // --- the record ---
    // The header pass takes each chosen stream into a slot; a merge run
    // then reads each slot as a lane (run_state.h). Scan takes at most
    // kMaxStreams slots.
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
    // Each lane's packet at hand.
    std::optional<PacketNode> m_current[kMaxLanes];
    // File indexes 0 .. m_fileCount - 1 have been taken, removed ones included.
    uint16_t m_fileCount = 0;
    uint16_t m_headerCount = 0;
    uint16_t m_streamCount = 0;  // slots taken: in a run, its lanes
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
    rm::InFile* m_in = nullptr;
    std::unique_ptr<rm::OutFile> m_out;

    Listing m_listing;
    // Largest length the output may reach; RealMedia offsets are 32 bits wide.
    uint64_t m_outputLimit = rm::OutFile::kMaxLength;

private:
    friend class RealMediaOutput;
    friend class SourceEnd;
    friend class StartLocator;
    enum class LoopEnd { Finished, Cancelled, Failed };

    int32_t Reject(ScanError error, const std::string& message = {});
    // The lowest file index no source holds (-1: none), and keeping a file there.
    int FreeSourceIndex() const;
    void KeepSource(std::unique_ptr<rm::InFile> file);
    bool Taken(uint16_t file, uint16_t number) const;

    // run.cpp: the run from its job to its outcome, and the header pass.
    void RunMerge(MuxJob& job);
    // CheckJob's checks, on the run state it made.
    std::string JobProblem(const MuxJob& job);
    std::string PrepareRun(MuxJob& job);
    void ClearRecord(const MuxJob& job);
    std::string ReadHeaders();
    std::string ReadSourceHeaders(uint16_t f);
    void LoadIndexes(uint16_t f);
    std::string CheckTakenStreams() const;
    // Puts the texts the job gives in place of the sources'; "" or why it cannot.
    std::string ApplyOutputTexts(const MuxJob& job);
    // job_lanes.cpp: lays the taken slots out as lanes by the run's
    // inputs, and checks that the parts of an end-to-end job give the same streams.
    void InputsFromSlots();
    std::string LayOutLanes();
    std::string CompareParts() const;

    // packet_loop.cpp: the one packet loop.
    LoopEnd PacketLoop();
    LoopEnd ReadPart(int part);
    // The lane whose packet goes next, or -1 when the part has none left.
    int ChooseLane(int part, int64_t& time);
    void StartCursors(int part, const uint64_t seekFrom[kMaxSources]);
    // The first byte the lanes of `cursor` still need, and the lane needing it.
    uint64_t KeepFrom(int cursor, int* pinnedBy = nullptr) const;
    void GiveOwnCursor(int lane);
    // Offers a packet found to its lane's range once, and queues it until decided.
    void OfferPacket(int lane, const rm::RmPacketHeader& header, uint64_t offset);
    // Reads on to the lane's next packet; false at the end of its data or a failure.
    bool ReadOn(int lane);
    // Ends a part: its end in the output's time, and its cursors and queues let go of.
    void EndPart(int part);
    void NoteReadAhead();
    void ReportProgress();

    // packet_write.cpp: writing a packet, and its RealMedia index record.
    bool WritePacket(int lane, int64_t time);
    void PrepareIndexes(const MuxJob& job);
    // Points the source's index record for the packet at its new place, or builds one.
    void IndexPacket(int lane, uint32_t timestamp, const uint8_t* bytes);

    // output_files.cpp: each file of the output, from creation to its place.
    // `first` for the run's first output file, which also readies the run.
    std::string WriteHeaderSection(bool first = true);
    // Completes the RealMedia file being written, then keeps it (KeepFile).
    std::string EndFile(const MuxJob& job, bool last);
    std::string StartNextFile(int64_t time);
    // The file's durations and PROP and MDPR figures, from the packets written.
    // Durations in the file being finished; a split's lasts to `nextFileAt`.
    void SetWrittenDurations(std::optional<int64_t> nextFileAt);
    // Where each output stream of the file being written ends: its last unit's end.
    void WrittenStreamEnds(int64_t ends[]) const;
    void SetWrittenFigures();
    std::string VerifyOutput(bool last);
    std::string PutInPlace(const std::string& temp, const std::string& path);

    // finish.cpp: ending a run.
    void ReleaseRun();
    void ReleaseSources();
    void Fail(MuxJob& job, const std::string& message);
    // Ends a run the user stopped: nothing is left of its output.
    void Cancel(MuxJob& job);
    void Report(MuxJob& job);

    ScanRefusal m_refusal;
    uint16_t m_lastSource = 0;
    ReadAhead m_readAhead;

    std::unique_ptr<RunState> m_run;  // the run under way; none between runs
};
