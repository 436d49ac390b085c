// The words of a merge's report.
#include "mux/mux_job.h"
#include "rm/input_file.h"

std::string MergeWarning::message() const
{
    return path + " at byte " + rm::formatOffset(offset) + ": " + text;
}
