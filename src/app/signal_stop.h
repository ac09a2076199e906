#pragma once
// SIGTERM, SIGINT and SIGHUP (logout, shutdown, Ctrl-C) end the program the way
// the experimenter would: a run in progress ends as on Esc (result files
// written, journal removed), then the settings are saved and the program exits
// with status 0. A second signal ends the program at once; the journal of a run
// then keeps its data for the next start.
//
// The signal handler only records the signal and writes a byte into a pipe; a
// QSocketNotifier on the UI thread acts on it, and the trial loop reads
// StopRequested() once per pass, as it would an Esc key.

// Installs the handlers; call once the QApplication exists. On the first
// signal the UI thread says so on stderr and asks the event loops to end
// (QCoreApplication::exit(0)); a run in progress ends first.
void InstallSignalStop();

// True once a stop signal has arrived. Safe from any thread.
bool StopRequested();
// Tests: as if a stop signal had arrived (or back to none with false).
void SetStopRequestedForTesting(bool requested);
