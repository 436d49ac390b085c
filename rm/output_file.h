// The output file, opened for binary writing, with a write buffer.
//
// Small writes are copied into the buffer; large runs of bytes the caller
// keeps in place (packets in a source's read window) are written from where
// they lie, gathered with the buffered bytes into one system call, so that a
// packet's bytes are never copied in user space. Every failure (a write the
// disk refused, a failed seek, a length past the limit) is kept: once
// failed() is true, nothing more is written and error() says what went wrong.
#pragma once

#include <sys/uio.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace rm {

class OutFile {
public:
    static constexpr std::size_t kBufferSize = 1024 * 1024;
    // Pieces gathered into one write, and bytes pending before one is made.
    static constexpr std::size_t kMaxPieces = 1024;
    static constexpr std::size_t kMaxPending = 1024 * 1024;
    // Writes released from the caller's memory end on a multiple of this:
    // the file system commits each of its pages fewer times. Measured on
    // the benchmark's 400 MB file (median of 15 merges): 4 KiB 154 ms,
    // 64 KiB 150 ms, 256 KiB 0.14 s against 0.13 s, 1 MiB far slower (the
    // tail it copies grows too large).
    static constexpr std::size_t kWriteAlignment = 64 * 1024;
    // RealMedia offsets are 32 bits wide, so no byte may lie past this length.
    static constexpr uint64_t kMaxLength = 0xFFFFFFFFull;

    OutFile() = default;
    ~OutFile();
    OutFile(const OutFile&) = delete;
    OutFile& operator=(const OutFile&) = delete;

    // Creates a new file; fails if anything already exists at path.
    bool create(const std::string& path);
    // Copies n bytes into the buffer.
    bool write(const void* src, std::size_t n);
    // Writes n bytes from where they lie: the caller keeps them there,
    // unchanged, until the next flush() or release().
    bool writeInPlace(const void* src, std::size_t n);
    // Writes everything pending.
    bool flush();
    // Lets go of the caller's memory: writes what is pending up to the last
    // multiple of kWriteAlignment in the file, and copies what remains into
    // the buffer. Writes that end on such boundaries cost the system less
    // than writes that end inside its pages.
    bool release();
    bool seek(uint64_t pos);
    uint64_t tell() const { return m_pos; }
    // Writes what is pending and asks the system to put the file on disk.
    bool sync();
    // Writes what is pending and closes; false if anything failed on the way.
    bool close();
    bool isOpen() const { return m_fd >= 0; }

    bool failed() const { return m_failed; }
    const std::string& error() const { return m_error; }
    void setLimit(uint64_t maxLength) { m_limit = maxLength; }

private:
    bool withinLimit(std::size_t n);
    // Adds a piece, joined to the last one when it follows it in memory.
    void addPiece(const uint8_t* src, std::size_t n);
    // Writes the first n pending bytes.
    bool writePending(std::size_t n);
    void fail(const std::string& why);

    int m_fd = -1;
    std::unique_ptr<uint8_t[]> m_buffer;
    std::size_t m_bufLen = 0;
    std::unique_ptr<iovec[]> m_pieces;
    std::unique_ptr<uint8_t[]> m_tail;  // scratch space for release()
    std::size_t m_pieceCount = 0;
    std::size_t m_pending = 0;  // bytes in the pieces
    uint64_t m_pos = 0;
    uint64_t m_limit = kMaxLength;
    bool m_failed = false;
    std::string m_error;
};

// Asks the system to put a folder's entries (a file just renamed into it) on disk.
bool syncFolder(const std::string& folder, std::string& error);

}  // namespace rm
