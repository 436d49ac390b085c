// Writing a Matroska file of tracks and blocks, with libebml and libmatroska.
//
// Blocks are written as they come, in clusters streamed to the file; the
// cue points (video keyframes, or every few seconds of audio) are the only
// thing kept until the end, where the cues, the tags, the seek head, the
// duration and the segment's size are written. Files may pass 4 GiB.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "mkv/block_maker.h"
#include "mkv/track_form.h"

namespace rm {
class OutFile;
}

namespace mkv {

// The texts of the file, in UTF-8; an empty one is left out.
struct FileTexts {
    std::string title, author, copyright, comment;
};

class MatroskaWriter {
public:
    // The cue track's keyframes start a new cluster when the one open is at
    // least this old; any block starts one when the open one is this old.
    static constexpr int64_t kClusterAtKeyMs = 1000;
    static constexpr int64_t kClusterMaxMs = 5000;
    // Without video, a cue point every this many ms of audio.
    static constexpr int64_t kAudioCueMs = 5000;
    // Cue points kept at most (24 bytes each). A file with more keyframes
    // than that (a slide show of keyframes only, for hours) keeps every
    // other one, and from then on keyframes as far apart as those kept.
    static constexpr std::size_t kMaxCuePoints = 1 << 17;

    // Writes to `out`, a file just created, the file's head: the header,
    // the segment's information and its tracks; `application` names the
    // program ("Kestrova 1.2.0").
    MatroskaWriter(rm::OutFile& out, const std::vector<TrackForm>& tracks, const FileTexts& texts,
                   const std::string& application);
    ~MatroskaWriter();
    MatroskaWriter(const MatroskaWriter&) = delete;
    MatroskaWriter& operator=(const MatroskaWriter&) = delete;

    // Writes one block (its time at or after 0).
    void write(const Block& block);
    // Ends the file: its duration is `durationMs` or the end of its last
    // block, whichever is later.
    void finish(uint64_t durationMs);

    // A write failed (rm::OutFile says why), or libmatroska refused
    // something (error() says what).
    bool failed() const;
    std::string error() const;

private:
    struct State;
    std::unique_ptr<State> m;
};

}  // namespace mkv
