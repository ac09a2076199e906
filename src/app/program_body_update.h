#pragma once
// The body update on the program-wide state, and the report of what the
// program's updates took. The body floor's own update takes all it works on as
// arguments (body/body_update.h).

#include "body/body_update.h"

// UpdateBodies on body_texture, tracked_bodies, color_buffer and show_markers
// as they are at the call (the experiment driver's update; space toggles
// show_markers mid-run); it reports into body_update_report.
int UpdateBodies(StageSurface& stage);

// What the program's updates took since it was last cleared (at each run start).
extern BodyUpdateReport body_update_report;
