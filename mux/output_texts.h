// The texts a job may give for its output: the content description and the
// stream names.
#pragma once

#include <string>

#include "mux/mux_job.h"

// Why the texts `job` gives cannot be written, or "" when they can;
// `outputStreams` is the number of streams the merge writes.
std::string OutputTextsProblem(const MuxJob& job, int outputStreams);
