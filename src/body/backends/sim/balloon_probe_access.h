#pragma once
// The simulator's side of the balloon probe.

#include <optional>

#include "body/backends/sim/balloon_probe.h"

// Calls the installed probe (on the calling thread); empty when none is installed.
std::optional<BalloonProbe> ReadSimBalloonProbe();
