#pragma once
// The start of a run's journal and the end of a run's use of the sensor with
// its result files, on the program-wide state: the program's wiring of the
// results floor, which itself never reads that state.

#include <string>

class RunJournal;

// Begins `journal` for the run about to start, from settings.subject,
// run_start_time and the working directory, and sets and journals the run
// record's head (run_timing.run_head; the sensor must be open by then). False
// when no journal could be created (the run goes on without one).
bool BeginRunJournal(RunJournal& journal);

// The run record's head of the run about to start, from the program-wide
// state, the random generator and the open sensor.
std::string ProgramRunRecordHead();

// In this order: closes the sensor, releases color_buffer, writes the trial
// record file, then the body stream file, the timing file and the run record,
// from trial_records / trial_count, body_samples / sample_count, run_timing,
// settings.subject and run_start_time. A file that
// cannot be opened is reported ("データファイルを開くことができません") and
// written to a rescue folder instead; the body file is written whatever became of
// the trial file. When a run journal is active it is sealed first and told of
// each file, so that an interrupted write can be completed at the next start.
//
// 1 when both files were written in the working directory; 0 otherwise, also
// when a rescue folder took a file (the messages told the experimenter where).
int WriteResultFiles();
