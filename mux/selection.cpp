// The rules a selection of streams must keep, for the front ends before a
// merge starts and for the merge itself.
#include <string>

#include "mux/rm_muxer.h"

SelectionCheck judgeSelection(int videos, int streams, bool helper)
{
    SelectionCheck check;
    check.streams = streams;
    // The helper stream takes one of the output's stream slots.
    check.limit = helper ? kMaxStreams - 1 : kMaxStreams;
    if (videos > 1)
        check.problem = SelectionProblem::TwoVideos;
    else if (streams > check.limit)
        check.problem = SelectionProblem::TooManyStreams;
    return check;
}

SelectionCheck RmMuxer::CheckSelection(const uint16_t selection[kStreamKeyCount], bool helper) const
{
    int videos = 0;
    int streams = 0;
    for (int key = 0; key < kStreamKeyCount; ++key) {
        if (!selection[key] || m_listing.kind[key] < 0 || m_listing.removed[key / 10])
            continue;
        ++streams;
        if (m_listing.kind[key] == kVideoStream)
            ++videos;
    }
    return judgeSelection(videos, streams, helper);
}

std::string SelectionMessage(const SelectionCheck& check)
{
    switch (check.problem) {
    case SelectionProblem::None:
        break;
    case SelectionProblem::TwoVideos:
        return "Only one video stream allowed";
    case SelectionProblem::TooManyStreams:
        return std::to_string(check.streams) + " streams are selected; a merge holds at most "
               + std::to_string(check.limit) + (check.limit < kMaxStreams ? " with the helper stream" : "");
    }
    return {};
}
