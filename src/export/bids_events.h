#pragma once
// The events table of one run: a row when each balloon appeared and a row when
// it was popped, with the reaction time, the site that popped it and the
// janken condition. Times in seconds from the run's first motion sample.

#include <string>

#include "results/run_timeline.h"

std::string MakeEventsTsv(const ResultRun& run, const RunTimeline& timeline, int64_t origin_ms);

// Description of the events columns (the dataset's task-balloons_events.json).
std::string EventsJson();
