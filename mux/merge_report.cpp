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
    std::string text = "from " + formatMediaTime(startMs);
    if (askedStartMs && *askedStartMs != startMs)
        text += ", the keyframe before " + formatMediaTime(*askedStartMs) + ",";
    return text + " to " + formatMediaTime(endMs);
}
