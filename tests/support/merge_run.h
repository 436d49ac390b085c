// Running a whole merge on the calling thread, as the worker would.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "mux/merge_signals.h"
#include "mux/rm_muxer.h"
#include "support/rm_parser.h"

namespace testing_rm {

// Scans each path into `muxer`, failing the test when one is refused.
void addSources(RmMuxer& muxer, const std::vector<std::string>& paths);

// Runs a merge of the given stream keys into `output`; without
// `buildIndexes`, streams whose sources have no index records get empty
// index chunks.
MuxJob runMerge(RmMuxer& muxer, std::initializer_list<int> keys, const std::string& output, bool helper = false,
                bool buildIndexes = true);

// The same, with Cancel already pressed: the run stops after its first packet.
MuxJob runCancelledMerge(RmMuxer& muxer, std::initializer_list<int> keys, const std::string& output);

// Runs a merge that must complete, and reads its output with the strict
// reader; a merge that fails or an output the reader refuses fails the
// test and gives an empty file.
ParsedFile mergedFile(RmMuxer& muxer, std::initializer_list<int> keys, const std::string& output,
                      bool helper = false, bool buildIndexes = true);

}  // namespace testing_rm
