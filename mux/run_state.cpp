// A run's state, from its job.
#include "mux/run_state.h"

RunState::RunState(const MuxJob& job)
    : inputs(job.inputs), inputsGiven(!job.inputs.empty()), layout(job.layout), range(job), split(job.split),
      durationsWritten(job.layout == JobLayout::EndToEnd || job.startMs || job.endMs || !job.delays.empty()
                       || job.split.active())
{
}
