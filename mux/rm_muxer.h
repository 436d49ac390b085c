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
#include <string>
#include <vector>

#include "mux/mux_job.h"
#include "mux/packet_queue.h"
#include "rm/input_file.h"
#include "rm/output_file.h"
#include "rm/records.h"

inline constexpr int kMaxSources = 10;
inline constexpr int kMaxStreams = 10;
inline constexpr uint16_t kNoStream = 0xFFFF;

// Kind of a listed stream; also its image index and item data in the source tree.
enum StreamKind : int32_t { kVideoStream = 0, kAudioStream = 1, kUnknownStream = 2 };

// Why Scan refused a file.
enum class ScanError {
    None,
    CannotOpen,           // the file could not be opened
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
    int32_t Scan(const std::string& path, char names[][rm::kNameCapacity], int32_t kinds[],
                 uint16_t numbers[] = nullptr);
    ScanError LastScanError() const { return m_scanError; }
    const std::string& LastScanMessage() const { return m_scanMessage; }
    // The file index the file accepted last was kept at.
    uint16_t LastScanSource() const { return m_lastSource; }

    // Takes source `f` out of the coming merge: its file is closed and it
    // contributes nothing, not even its file properties, while every other
    // source keeps its file index. Its index is free for the next file kept.
    void RemoveSource(uint16_t f);

    // Why `path` cannot take the output, or "" when it can.
    std::string OutputPathProblem(const std::string& path) const;
    void SetOutputPath(const std::string& path) { m_outputPath = path; }

    // The whole merge; its outcome is left in `job`.
    void Run(MuxJob& job);

    // Header chunk readers: each expects m_in just after the chunk's id and
    // leaves it just after the chunk. False when the chunk was cut short.
    bool ReadProperties();
    StreamTake ReadStreamHeader(uint16_t file, bool mergeMode);
    bool ReadContent();

    // Header chunk writers, appending at the output's position except for
    // the rewrites in place. Failures are kept by m_out.
    void WriteFileHeader();
    void WriteProperties(bool first);
    void WriteStreamHeaders();
    void WriteContent();
    void WriteDataHeader(bool first);
    void WriteIndexes();

    void FetchPacket(int pos);
    void AbortMerge();

    // --- the record ---
    rm::RmFileHeader m_fileHeader{};
    rm::RmProperties m_props{};
    rm::RmStreamHeader m_streams[kMaxStreams]{};
    rm::RmContent m_content{};
    rm::RmDataHeader m_dataHeader{};
    rm::RmIndexHeader m_indexHeaders[kMaxStreams]{};
    std::vector<rm::RmIndexEntry> m_indexTables[kMaxStreams];
    std::unique_ptr<PacketNode> m_current[kMaxStreams];
    // File indexes 0 .. m_fileCount - 1 have been taken, removed ones included.
    uint16_t m_fileCount = 0;
    uint16_t m_headerCount = 0;
    uint16_t m_streamCount = 0;
    uint16_t m_streamMap[kStreamKeyCount]{};
    uint16_t m_sourceStream[kMaxStreams]{};
    uint16_t m_sourceFile[kMaxStreams]{};
    uint16_t m_selected[kStreamKeyCount]{};
    uint32_t m_propsPos = 0;
    uint32_t m_dataPos = 0;
    uint32_t m_packetsLeft[kMaxSources]{};
    float m_indexTotal = 0;
    uint8_t m_streamDone[kMaxStreams]{};
    bool m_addHelper = false;
    std::string m_outputPath;
    PacketQueue m_queues[kMaxStreams];
    std::unique_ptr<rm::InFile> m_files[kMaxSources];
    bool m_removed[kMaxSources]{};
    rm::InFile* m_in = nullptr;
    std::unique_ptr<rm::OutFile> m_out;

    // Where each source's packets may be read: from the first packet to the
    // end of its data chunk, as far as the file reaches.
    uint64_t m_dataStart[kMaxSources]{};
    uint64_t m_dataEnd[kMaxSources]{};
    // Largest length the output may reach; RealMedia offsets are 32 bits wide.
    uint64_t m_outputLimit = rm::OutFile::kMaxLength;

private:
    enum class LoopEnd { Finished, Cancelled, Failed };

    int32_t Reject(ScanError error, const std::string& message = {});
    // The lowest file index no source holds, or -1 when ten sources are held.
    int FreeSourceIndex() const;
    // Keeps an accepted file as a source at the lowest free index.
    void KeepSource(std::unique_ptr<rm::InFile> file);
    void Reset(const MuxJob& job);
    std::string ReadSourceHeaders(uint16_t f);
    void LoadIndexes(uint16_t f);
    void LocateData(uint16_t f);
    std::string CheckSelection() const;
    std::string CreateOutput();
    std::string WriteHeaderSection();
    LoopEnd PacketLoop();
    void MatchIndex(int c);
    void ReportProgress();
    void EndSource(uint16_t f);
    std::string Complete();
    void ReleaseRun();
    void DiscardOutput();
    void Fail(MuxJob& job, const std::string& message);
    bool Taken(uint16_t file, uint16_t number) const;

    ScanError m_scanError = ScanError::None;
    std::string m_scanMessage;
    uint16_t m_lastSource = 0;

    // Per-run state.
    std::string m_tempPath;
    struct MergedProperties {
        uint32_t maxBitRate, avgBitRate, maxPacketSize, avgPacketSize, duration;
    } m_merged{};
    uint32_t m_cursor[kMaxStreams]{};
    uint32_t m_packetsWritten = 0;
    float m_progressCount = 0;
    uint64_t m_bytesTotal = 0;
    uint64_t m_bytesDone = 0;
};
