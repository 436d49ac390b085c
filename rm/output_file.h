// The output file, opened for binary writing, with a write buffer.
//
// Every failure (a write the disk refused, a failed seek, a length past the
// limit) is kept: once failed() is true, nothing more is written and error()
// says what went wrong.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace rm {

class OutFile {
public:
    static constexpr std::size_t kBufferSize = 1024 * 1024;
    // RealMedia offsets are 32 bits wide, so no byte may lie past this length.
    static constexpr uint64_t kMaxLength = 0xFFFFFFFFull;

    OutFile() = default;
    ~OutFile();
    OutFile(const OutFile&) = delete;
    OutFile& operator=(const OutFile&) = delete;

    // Creates a new file; fails if anything already exists at path.
    bool create(const std::string& path);
    bool write(const void* src, std::size_t n);
    bool seek(uint64_t pos);
    uint64_t tell() const { return m_pos; }
    // Writes what is buffered and asks the system to put the file on disk.
    bool sync();
    // Writes what is buffered and closes; false if anything failed on the way.
    bool close();
    bool isOpen() const { return m_fd >= 0; }

    bool failed() const { return m_failed; }
    const std::string& error() const { return m_error; }
    void setLimit(uint64_t maxLength) { m_limit = maxLength; }

private:
    bool flush();
    // Writes n bytes at the descriptor's position, however many calls it takes.
    bool writeAll(const uint8_t* src, std::size_t n);
    void fail(const std::string& why);

    int m_fd = -1;
    std::unique_ptr<uint8_t[]> m_buffer;
    std::size_t m_bufLen = 0;
    uint64_t m_bufStart = 0;  // file position of m_buffer[0]
    uint64_t m_pos = 0;
    uint64_t m_limit = kMaxLength;
    bool m_failed = false;
    std::string m_error;
};

// Asks the system to put a folder's entries (a file just renamed into it) on disk.
bool syncFolder(const std::string& folder, std::string& error);

}  // namespace rm
