// What the Append and trim tests share: sources whose packets say where
// they came from, and running Merge or Append through the save dialog.
#pragma once

#include <string>
#include <vector>

#include "main_dialog.h"

// The packet flag of a keyframe, as the format sets it.
inline constexpr uint8_t kKeyframePacket = 0x02;

// A file of an RV40 video stream (number 0) and a cook audio stream (number
// 1), with a packet of each every 100 ms for `packets` packets; video has a
// keyframe every 500 ms, every audio packet starts a block. Each payload is
// `tag` and the packet's place in its stream ("A0", "A1", ...).
testing_rm::FileSpec Film(const std::string& tag, uint32_t packets, const testing_rm::RealVideoSpec& video = {});

// The payloads and timestamps of one stream of a written file, in file order.
struct StreamRun {
    std::vector<std::string> payloads;
    std::vector<uint32_t> timestamps;
};
StreamRun RunOf(const testing_rm::ParsedFile& file, uint16_t number);

// `tag` followed by each number from `first` to `last`.
std::vector<std::string> Tags(const std::string& tag, uint32_t first, uint32_t last);

class OutputJobTest : public MainDialogTest {
protected:
    // Presses the button (IDOK for Merge, IDC_APPEND), names `output` in the
    // save dialog and lets the progress dialog run.
    void Write(CMuxDlg& d, int button, const std::string& output);
    // Types into the Start and End fields.
    static void SetRange(CMuxDlg& d, const std::string& start, const std::string& end);
    // The written file, read by the strict reader.
    static testing_rm::ParsedFile Written(const std::string& path);
};
