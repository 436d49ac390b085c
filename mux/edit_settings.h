// The settings of an edit that no source can make right.
#pragma once

#include <string>

#include "mux/mux_job.h"

// What is wrong with the job's delays and split settings for an output of
// `outputStreams` streams at `output`, or "" when nothing is.
std::string EditSettingsProblem(const MuxJob& job, int outputStreams, const std::string& output);
