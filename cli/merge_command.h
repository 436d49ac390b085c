// `kestrova-cli merge`: merges chosen streams of RealMedia files into one.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

struct MergeRequest {
    std::string output;
    bool helper = false;
    bool quiet = false;
    bool strict = false;  // any warning fails the merge
    bool sync = true;     // put the output on disk before it is moved into place
    bool buildIndexes = true;  // build index records for streams whose sources have none
    // Texts for the output's content description, replacing the sources'.
    std::optional<std::string> title, author, copyright, comment;
    // New names of output streams, by output stream number.
    std::map<uint16_t, std::string> streamNames;
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

// Splits "K=TEXT" into an output stream number and a name; false when K is
// not a number of at most five digits or there is no "=".
bool parseStreamName(const std::string& argument, uint16_t& number, std::string& name);

// Returns the exit status: 0 merged, 1 the merge failed or was cancelled,
// 2 bad input.
int mergeCommand(const MergeRequest& request);
