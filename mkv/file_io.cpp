// libebml's I/O callbacks over rm::OutFile and rm::InFile.
#include "mkv/file_io.h"

namespace mkv {

namespace {

uint64_t target(int64_t offset, libebml::seek_mode mode, uint64_t here, uint64_t end)
{
    switch (mode) {
    case libebml::seek_current:
        return here + offset;
    case libebml::seek_end:
        return end + offset;
    case libebml::seek_beginning:
        break;
    }
    return static_cast<uint64_t>(offset);
}

}  // namespace

void OutFileIO::setFilePointer(int64_t offset, libebml::seek_mode mode)
{
    m_out.seek(target(offset, mode, m_out.tell(), m_out.tell()));
}

size_t OutFileIO::write(const void* buffer, size_t size)
{
    return m_out.write(buffer, size) ? size : 0;
}

uint32_t InFileIO::read(void* buffer, size_t size)
{
    return static_cast<uint32_t>(m_in.read(buffer, size));
}

void InFileIO::setFilePointer(int64_t offset, libebml::seek_mode mode)
{
    m_in.seek(target(offset, mode, m_in.tell(), m_in.size()));
}

}  // namespace mkv
