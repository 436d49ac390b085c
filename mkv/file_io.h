// libebml's reading and writing callbacks over the engine's files, so that
// Matroska is written and read back through the same buffered, checked I/O
// as RealMedia, with every failure kept for the message.
#pragma once

#include <ebml/IOCallback.h>

#include <string>

#include "rm/input_file.h"
#include "rm/output_file.h"

namespace mkv {

class OutFileIO : public libebml::IOCallback {
public:
    explicit OutFileIO(rm::OutFile& out) : m_out(out) {}
    uint32_t read(void*, size_t) override { return 0; }
    void setFilePointer(int64_t offset, libebml::seek_mode mode = libebml::seek_beginning) override;
    size_t write(const void* buffer, size_t size) override;
    uint64_t getFilePointer() override { return m_out.tell(); }
    void close() override {}

private:
    rm::OutFile& m_out;
};

class InFileIO : public libebml::IOCallback {
public:
    explicit InFileIO(rm::InFile& in) : m_in(in) {}
    uint32_t read(void* buffer, size_t size) override;
    void setFilePointer(int64_t offset, libebml::seek_mode mode = libebml::seek_beginning) override;
    size_t write(const void*, size_t) override { return 0; }
    uint64_t getFilePointer() override { return m_in.tell(); }
    void close() override {}

private:
    rm::InFile& m_in;
};

}  // namespace mkv
