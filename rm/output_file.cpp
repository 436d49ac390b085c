#include "rm/output_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
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
    m_buffer = std::make_unique_for_overwrite<uint8_t[]>(kBufferSize);
    m_pieces = std::make_unique_for_overwrite<iovec[]>(kMaxPieces);
    m_tail = std::make_unique_for_overwrite<uint8_t[]>(kWriteAlignment);
    // O_EXCL: exclusive creation, so an existing file is never opened by mistake.
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (m_fd < 0) {
        fail(std::strerror(errno));
        return false;
    }
    m_bufLen = m_pieceCount = m_pending = 0;
    m_pos = 0;
    return true;
}

void OutFile::fail(const std::string& why)
{
    if (!m_failed) {
        m_failed = true;
        m_error = why;
    }
}

bool OutFile::writePending(std::size_t n)
{
    iovec* piece = m_pieces.get();
    std::size_t left = m_pieceCount;
    while (n > 0 && !m_failed) {
        // The pieces that make up the first n bytes, the last one in part.
        std::size_t count = 0;
        std::size_t bytes = 0;
        while (count < left && bytes + piece[count].iov_len <= n)
            bytes += piece[count++].iov_len;
        iovec partial{};
        if (bytes < n) {
            partial = piece[count];
            piece[count].iov_len = n - bytes;
            ++count;
        }
        const ssize_t put = ::writev(m_fd, piece, static_cast<int>(count));
        if (bytes < n)
            piece[count - 1] = partial;
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            // A write that stores nothing without an error means no room is left.
            fail(put < 0 ? std::strerror(errno) : std::strerror(ENOSPC));
            break;
        }
        // Past the pieces written whole, into the one written in part.
        auto done = static_cast<std::size_t>(put);
        n -= done;
        m_pending -= done;
        while (left > 0 && done >= piece->iov_len) {
            done -= piece->iov_len;
            ++piece;
            --left;
        }
        if (left > 0) {
            piece->iov_base = static_cast<uint8_t*>(piece->iov_base) + done;
            piece->iov_len -= done;
        }
    }
    if (m_failed) {
        m_bufLen = m_pieceCount = m_pending = 0;
        return false;
    }
    // What is left moves to the front of the list.
    std::memmove(m_pieces.get(), piece, left * sizeof(iovec));
    m_pieceCount = left;
    return true;
}

bool OutFile::flush()
{
    const bool ok = writePending(m_pending);
    m_bufLen = m_pieceCount = m_pending = 0;
    return ok;
}

bool OutFile::release()
{
    // The tail past the last boundary stays pending, copied into the
    // buffer, which is empty once everything before it is written.
    const std::size_t tail = static_cast<std::size_t>(std::min<uint64_t>(m_pos % kWriteAlignment, m_pending));
    if (!writePending(m_pending - tail))
        return false;
    // Through the scratch space: the tail may lie in the buffer itself.
    std::size_t copied = 0;
    for (std::size_t k = 0; k < m_pieceCount; ++k) {
        std::memcpy(m_tail.get() + copied, m_pieces[k].iov_base, m_pieces[k].iov_len);
        copied += m_pieces[k].iov_len;
    }
    std::memcpy(m_buffer.get(), m_tail.get(), copied);
    m_bufLen = copied;
    m_pieceCount = 0;
    m_pending = 0;
    m_pos -= copied;
    if (copied > 0)
        addPiece(m_buffer.get(), copied);
    return true;
}

bool OutFile::withinLimit(std::size_t n)
{
    if (m_fd < 0 || m_failed)
        return false;
    if (n > m_limit || m_pos > m_limit - n) {
        fail("the output would pass 4 GiB, the largest file RealMedia offsets can address");
        return false;
    }
    return true;
}

void OutFile::addPiece(const uint8_t* src, std::size_t n)
{
    iovec& last = m_pieces[m_pieceCount - (m_pieceCount > 0 ? 1 : 0)];
    if (m_pieceCount > 0 && static_cast<const uint8_t*>(last.iov_base) + last.iov_len == src)
        last.iov_len += n;
    else
        m_pieces[m_pieceCount++] = {const_cast<uint8_t*>(src), n};
    m_pending += n;
    m_pos += n;
}

bool OutFile::write(const void* src, std::size_t n)
{
    if (!withinLimit(n))
        return false;
    if (m_bufLen + n > kBufferSize || m_pieceCount == kMaxPieces) {
        if (!flush())
            return false;
        if (n >= kBufferSize) {
            // Too large for the buffer: written from where it lies, at once.
            addPiece(static_cast<const uint8_t*>(src), n);
            return flush();
        }
    }
    std::memcpy(m_buffer.get() + m_bufLen, src, n);
    addPiece(m_buffer.get() + m_bufLen, n);
    m_bufLen += n;
    return true;
}

bool OutFile::writeInPlace(const void* src, std::size_t n)
{
    if (!withinLimit(n))
        return false;
    if (m_pieceCount == kMaxPieces && !flush())
        return false;
    addPiece(static_cast<const uint8_t*>(src), n);
    return m_pending < kMaxPending || release();
}

bool OutFile::seek(uint64_t pos)
{
    if (m_fd < 0 || !flush())
        return false;
    if (lseek(m_fd, static_cast<off_t>(pos), SEEK_SET) < 0) {
        fail(std::strerror(errno));
        return false;
    }
    m_pos = pos;
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
    m_pieces.reset();
    m_tail.reset();
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
