// `kestrova-cli merge`: merges chosen streams of RealMedia files into one.
#pragma once

#include <string>
#include <vector>

struct MergeRequest {
    std::string output;
    bool helper = false;
    bool quiet = false;
    bool strict = false;  // any warning fails the merge
    bool sync = true;     // put the output on disk before it is moved into place
    bool verify = false;  // read the output back and compare it with its sources first
    // Each source with the stream numbers to take from it; empty means all usable streams.
    struct Source {
        std::string path;
        std::vector<unsigned> numbers;
    };
    std::vector<Source> sources;
};

// Splits "FILE:N,N" into its path and numbers; a FILE without a ":N,..."
// suffix takes all of its streams.
MergeRequest::Source parseSourceArgument(const std::string& argument);

// Returns the exit status: 0 merged, 1 the merge failed or was cancelled,
// 2 bad input.
int mergeCommand(const MergeRequest& request);
