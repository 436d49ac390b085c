#include "rm/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace rm {

InFile::~InFile()
{
    close();
}

bool InFile::open(const std::string& path)
{
    close();
    m_path = path;
    m_error.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        m_error = std::strerror(errno);
        return false;
    }
    // A pipe or a device could block the caller forever or never end; the
    // descriptor was opened without blocking so that a pipe with no writer
    // cannot hang the open itself.
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        m_error = S_ISDIR(info.st_mode) ? "it is a folder" : "it is not a regular file";
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_size = static_cast<uint64_t>(info.st_size);
    // Sources are read from start to end: the system may read ahead further.
    posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return true;
}

bool InFile::openSame(const InFile& other)
{
    close();
    m_path = other.m_path;
    m_error.clear();
    const int fd = other.m_fd < 0 ? -1 : fcntl(other.m_fd, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) {
        m_error = other.m_fd < 0 ? "it is not open" : std::strerror(errno);
        return false;
    }
    m_fd = fd;
    m_size = other.m_size;
    return true;
}

void InFile::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_buffer.reset();
    m_bufStart = m_size = 0;
    m_bufLen = m_bufPos = 0;
    m_failed = false;
    m_failedAt = 0;
    m_failure.clear();
}

std::string InFile::readError() const
{
    return "Could not read " + m_path + " at byte " + formatOffset(m_failedAt) + ": " + m_failure;
}

std::size_t InFile::readAt(void* dst, std::size_t n, uint64_t pos)
{
    if (m_fd < 0)
        return 0;
    auto* out = static_cast<uint8_t*>(dst);
    std::size_t total = 0;
    while (total < n && !m_failed) {
        const ssize_t got = pread(m_fd, out + total, n - total, static_cast<off_t>(pos + total));
        if (got > 0) {
            total += static_cast<std::size_t>(got);
        } else if (got == 0) {
            break;  // the end of the file
        } else if (errno != EINTR) {
            m_failed = true;
            m_failedAt = pos + total;
            m_failure = std::strerror(errno);
        }
    }
    return total;
}

void InFile::releaseBuffer()
{
    m_bufStart = tell();
    m_bufLen = m_bufPos = 0;
    m_buffer.reset();
}

bool InFile::fill()
{
    const uint64_t pos = tell();
    if (!m_buffer)
        m_buffer = std::make_unique<uint8_t[]>(kBufferSize);
    const std::size_t got = readAt(m_buffer.get(), kBufferSize, pos);
    m_bufStart = pos;
    m_bufLen = got;
    m_bufPos = 0;
    return got > 0;
}

std::size_t InFile::read(void* dst, std::size_t n)
{
    if (m_fd < 0 || m_failed)
        return 0;
    auto* out = static_cast<uint8_t*>(dst);
    std::size_t total = 0;
    while (total < n) {
        const std::size_t avail = m_bufLen - m_bufPos;
        if (avail > 0) {
            const std::size_t c = std::min(avail, n - total);
            std::memcpy(out + total, m_buffer.get() + m_bufPos, c);
            m_bufPos += c;
            total += c;
            continue;
        }
        if (n - total >= kBufferSize) {
            // Large reads bypass the buffer.
            const uint64_t pos = tell();
            const std::size_t got = readAt(out + total, n - total, pos);
            m_bufStart = pos + got;
            m_bufLen = m_bufPos = 0;
            total += got;
            break;
        }
        if (!fill())
            break;
    }
    return total;
}

bool InFile::seek(uint64_t pos)
{
    if (m_fd < 0 || pos > m_size)
        return false;
    if (pos >= m_bufStart && pos <= m_bufStart + m_bufLen) {
        m_bufPos = static_cast<std::size_t>(pos - m_bufStart);
    } else {
        m_bufStart = pos;
        m_bufLen = m_bufPos = 0;
    }
    return true;
}

bool InFile::skip(uint64_t n)
{
    const uint64_t pos = tell();
    if (n > m_size - std::min(pos, m_size))
        return false;
    return seek(pos + n);
}

std::string formatOffset(uint64_t offset)
{
    std::string digits = std::to_string(offset);
    for (std::size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, ",");
    return digits;
}

}  // namespace rm
