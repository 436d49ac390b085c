#include "rm/output_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace rm {

OutFile::~OutFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool OutFile::create(const std::string& path)
{
    m_failed = false;
    m_error.clear();
    // Allocated first: once the file exists, creating it cannot fail.
    m_buffer = std::make_unique<uint8_t[]>(kBufferSize);
    // O_EXCL: exclusive creation, so an existing file is never opened by mistake.
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (m_fd < 0) {
        fail(std::strerror(errno));
        return false;
    }
    m_bufLen = 0;
    m_bufStart = m_pos = 0;
    return true;
}

void OutFile::fail(const std::string& why)
{
    if (!m_failed) {
        m_failed = true;
        m_error = why;
    }
}

bool OutFile::writeAll(const uint8_t* src, std::size_t n)
{
    while (n > 0) {
        const ssize_t put = ::write(m_fd, src, n);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            // A write that stores nothing without an error means no room is left.
            fail(put < 0 ? std::strerror(errno) : std::strerror(ENOSPC));
            return false;
        }
        src += put;
        n -= static_cast<std::size_t>(put);
    }
    return true;
}

bool OutFile::flush()
{
    if (m_bufLen == 0)
        return !m_failed;
    writeAll(m_buffer.get(), m_bufLen);
    m_bufLen = 0;
    m_bufStart = m_pos;
    return !m_failed;
}

bool OutFile::write(const void* src, std::size_t n)
{
    if (m_fd < 0 || m_failed)
        return false;
    if (n > m_limit || m_pos > m_limit - n) {
        fail("the output would pass 4 GiB, the largest file RealMedia offsets can address");
        return false;
    }
    if (m_bufLen + n > kBufferSize) {
        if (!flush())
            return false;
        if (n >= kBufferSize) {
            if (!writeAll(static_cast<const uint8_t*>(src), n))
                return false;
            m_pos += n;
            m_bufStart = m_pos;
            return true;
        }
    }
    std::memcpy(m_buffer.get() + m_bufLen, src, n);
    m_bufLen += n;
    m_pos += n;
    return true;
}

bool OutFile::seek(uint64_t pos)
{
    if (m_fd < 0 || !flush())
        return false;
    if (lseek(m_fd, static_cast<off_t>(pos), SEEK_SET) < 0) {
        fail(std::strerror(errno));
        return false;
    }
    m_pos = m_bufStart = pos;
    return true;
}

bool OutFile::sync()
{
    if (m_fd < 0 || !flush())
        return false;
    if (fsync(m_fd) != 0)
        fail(std::strerror(errno));
    return !m_failed;
}

bool OutFile::close()
{
    if (m_fd < 0)
        return false;
    flush();
    if (::close(m_fd) != 0)
        fail(std::strerror(errno));
    m_fd = -1;
    m_buffer.reset();
    return !m_failed;
}

bool syncFolder(const std::string& folder, std::string& error)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 || fsync(fd) != 0) {
        error = std::strerror(errno);
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    ::close(fd);
    return true;
}

}  // namespace rm
