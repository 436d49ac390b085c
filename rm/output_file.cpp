#include "rm/output_file.h"

#include <cerrno>
#include <cstring>

namespace rm {

OutFile::~OutFile()
{
    if (m_file)
        std::fclose(m_file);
}

bool OutFile::create(const std::string& path)
{
    m_failed = false;
    m_error.clear();
    // "x": exclusive creation, so an existing file is never opened by mistake.
    m_file = std::fopen(path.c_str(), "wbx");
    if (!m_file) {
        fail(std::strerror(errno));
        return false;
    }
    std::setvbuf(m_file, nullptr, _IONBF, 0);
    m_buffer = std::make_unique<uint8_t[]>(kBufferSize);
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

bool OutFile::flush()
{
    if (m_bufLen == 0)
        return !m_failed;
    const std::size_t put = std::fwrite(m_buffer.get(), 1, m_bufLen, m_file);
    if (put != m_bufLen)
        fail(std::strerror(errno));
    m_bufLen = 0;
    m_bufStart = m_pos;
    return !m_failed;
}

bool OutFile::write(const void* src, std::size_t n)
{
    if (!m_file || m_failed)
        return false;
    if (n > m_limit || m_pos > m_limit - n) {
        fail("the output would pass 4 GiB, the largest file RealMedia offsets can address");
        return false;
    }
    if (m_bufLen + n > kBufferSize) {
        if (!flush())
            return false;
        if (n >= kBufferSize) {
            if (std::fwrite(src, 1, n, m_file) != n) {
                fail(std::strerror(errno));
                return false;
            }
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
    if (!m_file || !flush())
        return false;
    if (std::fseek(m_file, static_cast<long>(pos), SEEK_SET) != 0) {
        fail(std::strerror(errno));
        return false;
    }
    m_pos = m_bufStart = pos;
    return true;
}

bool OutFile::close()
{
    if (!m_file)
        return false;
    flush();
    if (std::fclose(m_file) != 0)
        fail(std::strerror(errno));
    m_file = nullptr;
    m_buffer.reset();
    return !m_failed;
}

}  // namespace rm
