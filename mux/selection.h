// The rules every selection of streams must keep, whoever makes it.
#pragma once

#include <string>

// Why a selection of streams cannot be merged.
enum class SelectionProblem {
    None,
    TwoVideos,      // more than one video stream
    TooManyStreams  // more streams than the output holds
};

struct SelectionCheck {
    SelectionProblem problem = SelectionProblem::None;
    int streams = 0;  // streams selected
    int limit = 0;    // the most the output holds: 10, or 9 with the helper stream
};

SelectionCheck judgeSelection(int videos, int streams, bool helper);
// What is wrong with a selection, in the engine's words.
std::string SelectionMessage(const SelectionCheck& check);
