// A source file opened for binary reading, with a read-ahead buffer.
//
// Seeks within the buffered window only move the read position, so skipping
// packets that are not wanted costs no system call; reads larger than the
// buffer go straight into the caller's memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
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
    void close();
    bool isOpen() const { return m_file != nullptr; }

    const std::string& path() const { return m_path; }
    const std::string& error() const { return m_error; }
    // Length of the file when it was opened.
    uint64_t size() const { return m_size; }
    uint64_t tell() const { return m_bufStart + m_bufPos; }

    // Reads up to n bytes; fewer means the end of the file or a read error.
    std::size_t read(void* dst, std::size_t n);
    // Moves to an absolute position; false (and no move) past the end of the file.
    bool seek(uint64_t pos);
    // Moves forward n bytes; false (and no move) past the end of the file.
    bool skip(uint64_t n);

private:
    bool fill();

    std::FILE* m_file = nullptr;
    std::string m_path;
    std::string m_error;
    uint64_t m_size = 0;
    std::unique_ptr<uint8_t[]> m_buffer;
    uint64_t m_bufStart = 0;  // file position of m_buffer[0]
    std::size_t m_bufLen = 0;
    std::size_t m_bufPos = 0;
    uint64_t m_filePos = 0;  // where the underlying stream stands
};

}  // namespace rm
