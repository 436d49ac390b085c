// A source file opened for binary reading, with a read-ahead buffer.
//
// Seeks within the buffered window only move the read position, so skipping
// packets that are not wanted costs no system call; reads larger than the
// buffer go straight into the caller's memory. A read that fails is never
// taken for the end of the file: failed() then says so and readError() says
// where and why, and every later read returns nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace rm {

class InFile {
public:
    static constexpr std::size_t kBufferSize = 256 * 1024;

    InFile() = default;
    ~InFile();
    InFile(const InFile&) = delete;
    InFile& operator=(const InFile&) = delete;

    // Opens a regular file for reading. On failure error() says why.
    bool open(const std::string& path);
    // Opens the file `other` holds open, through a descriptor of its own:
    // the same file, even when its path has since come to name another.
    bool openSame(const InFile& other);
    void close();
    bool isOpen() const { return m_fd >= 0; }

    const std::string& path() const { return m_path; }
    // Why open() failed, in a few words ("No such file or directory").
    const std::string& error() const { return m_error; }
    // Length of the file when it was opened.
    uint64_t size() const { return m_size; }
    uint64_t tell() const { return m_bufStart + m_bufPos; }

    // Reads up to n bytes; fewer means the end of the file, or a read error
    // when failed() is true.
    std::size_t read(void* dst, std::size_t n);
    // Moves to an absolute position; false (and no move) past the end of the file.
    bool seek(uint64_t pos);
    // Moves forward n bytes; false (and no move) past the end of the file.
    bool skip(uint64_t n);

    // Reads up to n bytes at `pos` into dst, past the read-ahead buffer and
    // without moving the read position; fewer means the end of the file, or
    // a read error when failed() is true.
    std::size_t readAt(void* dst, std::size_t n, uint64_t pos);
    // Lets go of the read-ahead buffer until the next buffered read.
    void releaseBuffer();

    // A read failed for a reason other than the end of the file.
    bool failed() const { return m_failed; }
    // Where the failed read began, and the system's word for why.
    uint64_t failedAt() const { return m_failedAt; }
    const std::string& failure() const { return m_failure; }
    // "Could not read PATH at byte N: REASON" once failed().
    std::string readError() const;

private:
    bool fill();

    int m_fd = -1;
    std::string m_path;
    std::string m_error;
    uint64_t m_size = 0;
    std::unique_ptr<uint8_t[]> m_buffer;
    uint64_t m_bufStart = 0;  // file position of m_buffer[0]
    std::size_t m_bufLen = 0;
    std::size_t m_bufPos = 0;
    bool m_failed = false;
    uint64_t m_failedAt = 0;
    std::string m_failure;
};

// "1,234,567": a byte offset as messages show it.
std::string formatOffset(uint64_t offset);

}  // namespace rm
