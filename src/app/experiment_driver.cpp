// The experiment driver: one whole run, from the setup dialog to the result files.

#include "app/main_frame.h"

void CMainFrame::OnExperimentStart() {
  if (run_in_progress_) return;  // one run at a time
  // The setup dialog and the run itself are wired in once the trial engine,
  // the stage and the sensor layer are in place.
}
