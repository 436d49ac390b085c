#include "rm/input_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace rm {

static_assert(sizeof(long) >= 8, "file positions past 2 GiB need a 64-bit long");

InFile::~InFile()
{
    close();
}

bool InFile::open(const std::string& path)
{
    close();
    m_path = path;
    m_error.clear();
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec) {
        m_error = ec.message();
        return false;
    }
    // A pipe or a device could block the caller forever or never end.
    if (!std::filesystem::is_regular_file(status)) {
        m_error = std::filesystem::is_directory(status) ? "it is a folder" : "it is not a regular file";
        return false;
    }
    m_file = std::fopen(path.c_str(), "rb");
    if (!m_file) {
        m_error = std::strerror(errno);
        return false;
    }
    std::setvbuf(m_file, nullptr, _IONBF, 0);
    if (std::fseek(m_file, 0, SEEK_END) != 0) {
        m_error = std::strerror(errno);
        close();
        return false;
    }
    m_size = static_cast<uint64_t>(std::ftell(m_file));
    std::fseek(m_file, 0, SEEK_SET);
    m_filePos = 0;
    m_bufStart = 0;
    m_bufLen = m_bufPos = 0;
    return true;
}

void InFile::close()
{
    if (m_file)
        std::fclose(m_file);
    m_file = nullptr;
    m_buffer.reset();
    m_bufStart = m_filePos = m_size = 0;
    m_bufLen = m_bufPos = 0;
}

bool InFile::fill()
{
    const uint64_t pos = tell();
    if (m_filePos != pos) {
        if (std::fseek(m_file, static_cast<long>(pos), SEEK_SET) != 0)
            return false;
        m_filePos = pos;
    }
    if (!m_buffer)
        m_buffer = std::make_unique<uint8_t[]>(kBufferSize);
    const std::size_t got = std::fread(m_buffer.get(), 1, kBufferSize, m_file);
    m_filePos += got;
    m_bufStart = pos;
    m_bufLen = got;
    m_bufPos = 0;
    return got > 0;
}

std::size_t InFile::read(void* dst, std::size_t n)
{
    if (!m_file)
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
            if (m_filePos != pos) {
                if (std::fseek(m_file, static_cast<long>(pos), SEEK_SET) != 0)
                    break;
                m_filePos = pos;
            }
            const std::size_t got = std::fread(out + total, 1, n - total, m_file);
            m_filePos += got;
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
    if (!m_file || pos > m_size)
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

}  // namespace rm
