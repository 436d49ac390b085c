// Reading the blocks of a Matroska file back, one after another, for the
// check of a file just written.
#pragma once

#include <memory>
#include <string>

#include "mkv/block_maker.h"

namespace mkv {

class MatroskaReader {
public:
    // Opens `path`; error() says why when it cannot be read as Matroska.
    explicit MatroskaReader(const std::string& path);
    ~MatroskaReader();
    MatroskaReader(const MatroskaReader&) = delete;
    MatroskaReader& operator=(const MatroskaReader&) = delete;

    // The number of tracks the file declares.
    std::size_t trackCount() const;
    // Reads the next block; false at the end of the file or on an error
    // (error() is then not empty).
    bool next(Block& block);
    const std::string& error() const;
    // Where the last block read starts.
    uint64_t offset() const;

private:
    struct State;
    std::unique_ptr<State> m;
};

}  // namespace mkv
