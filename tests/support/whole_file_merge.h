// Adding one file and merging every stream it lists, as
// `kestrova-cli merge -o OUTPUT FILE` does, on the calling thread. Shared by
// the tests and the fuzz targets, so it reports rather than asserts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mux/mux_job.h"

namespace testing_rm {

// What Scan listed, entry by entry.
struct ListedStreams {
    std::vector<std::string> names;
    std::vector<int32_t> kinds;
    std::vector<uint16_t> numbers;
    bool operator==(const ListedStreams&) const = default;
};

struct WholeFileMerge {
    ListedStreams listed;     // empty when Scan refused the file
    std::string scanMessage;  // why it refused it
    MuxJob job;               // the merge's outcome; NotRun when refused
};

// With `verify`, the merge reads its output back and compares it with the
// source before it puts it in place.
WholeFileMerge mergeWholeFile(const std::string& path, const std::string& output, bool verify = false);

}  // namespace testing_rm
