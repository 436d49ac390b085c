// A lane's timing: the times it took and its usual spacing.
#include "mux/lane.h"

#include <algorithm>
#include <iterator>

void Lane::noteTime(uint32_t timestamp, int64_t time)
{
    if (seen && timestamp > lastTimestamp)
        steps[stepAt++ % 8] = timestamp - lastTimestamp;
    lastTimestamp = timestamp;
    latest = seen ? std::max(latest, time) : time;
    seen = true;
}

void Lane::forgetTimes()
{
    seen = false;
    std::fill(std::begin(steps), std::end(steps), 0u);
}

uint32_t Lane::usualStep() const
{
    uint32_t best = 0;
    int bestCount = 0;
    for (uint32_t step : steps) {
        if (step == 0)
            continue;
        const int count = static_cast<int>(std::count(std::begin(steps), std::end(steps), step));
        if (count > bestCount || (count == bestCount && step < best)) {
            best = step;
            bestCount = count;
        }
    }
    return best;
}
