#pragma once
// Lets the simulated sensor's virtual participant see the balloon of the run in
// progress, so that it can reach for it.

// Installs the probe once at start-up; harmless with any other backend.
void ConnectSimulatedParticipant();
