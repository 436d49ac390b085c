// The words of a merge's report.
#include "mux/media_time.h"
#include "mux/mux_job.h"
#include "rm/input_file.h"

std::string MergeWarning::message() const
{
    return path + " at byte " + rm::formatOffset(offset) + ": " + text;
}

std::string TrimReport::message() const
{
    std::string text;
    if (askedStartMs)
        text = startMs == *askedStartMs ? "from " + formatMediaTime(startMs)
                                        : "from the keyframe at " + formatMediaTime(startMs) + " (asked "
                                              + formatMediaTime(*askedStartMs) + ")";
    if (askedEndMs)
        text += (text.empty() ? "to " : " to ") + formatMediaTime(*askedEndMs);
    for (std::size_t k = 0; k < streams.size(); ++k)
        text += (k == 0 ? ": " : ", ") + streams[k].kind + " " + formatMediaTime(streams[k].firstMs) + "\u2013"
                + formatMediaTime(streams[k].endMs);
    return text;
}
