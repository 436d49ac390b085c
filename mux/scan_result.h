// What Scan tells of a file: the kind of each stream it lists, or why it
// refused the file.
#pragma once

#include <cstdint>
#include <string>

#include "rm/records.h"

// Kind of a listed stream; also its image index and item data in the source tree.
enum StreamKind : int32_t { kVideoStream = 0, kAudioStream = 1, kUnknownStream = 2 };

// A video stream, by its MIME type.
bool IsVideo(const rm::RmStreamHeader& slot);
// The kind of a stream as it is listed: by its MIME type, and unknown when
// it has no name.
StreamKind KindOf(const rm::RmStreamHeader& slot);

// Why Scan refused a file.
enum class ScanError {
    None,
    CannotOpen,           // the file could not be opened
    CannotRead,           // reading the file failed
    Invalid,              // not a RealMedia file, cut short, or no usable stream
    TooManyFiles,         // ten sources are held already
    TooManyStreams,       // more than ten usable streams
    StreamNumberTooHigh,  // a usable stream numbered above 9
    StreamDataTooLarge    // a usable stream with more codec data than a slot holds
};

// Why Scan refused the file it was given last; error None when it did not.
// `reason`: what made the file invalid, where `message` does not say it.
struct ScanRefusal {
    ScanError error = ScanError::None;
    std::string message;
    std::string reason;
};
