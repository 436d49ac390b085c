// `kestrova-cli merge`: merges chosen streams of RealMedia files into one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "mux/mux_job.h"

struct MergeRequest {
    // merge lays the sources side by side, append one after another, and
    // split writes the merge as parts.
    enum class Mode { Merge, Append, Split };
    Mode mode = Mode::Merge;
    std::string output;
    // --format: RealMedia or Matroska whatever the output's name; by
    // default an output named .mkv or .mka is Matroska.
    enum class Format { ByName, RealMedia, Matroska };
    Format format = Format::ByName;
    bool quiet = false;
    // The code page of the sources' texts (--text-encoding); "" to detect it.
    std::string textEncoding;
    // How to merge, as the engine takes it: the helper stream, --strict,
    // --no-sync, --no-index, --verify, the output's texts. The selection is made from
    // the sources.
    MuxJob settings;
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

// "700M", "1.5G", "650000000": a size in bytes (K, M, G and T by 1024);
// nothing when the text is no such size or it is 0.
std::optional<uint64_t> parseSize(const std::string& text);

// Splits "K=MS" into an output stream number and a delay in ms (which may
// be negative); false when it is not one.
bool parseDelay(const std::string& argument, uint16_t& number, int32_t& ms);

// Returns the exit status: 0 merged, 1 the merge failed or was cancelled,
// 2 bad input. With settings.repair, the one source is repaired into the
// output, and the report tells the damage found.
int mergeCommand(const MergeRequest& request);
