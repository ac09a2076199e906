#pragma once
// The per-pass body update: copies the newest colour picture, halved, into the
// body texture and fills tracked_bodies from the newest body frame.

class StageSurface;

// 1 when a new colour frame was copied into the body texture and new body,
// depth and body-index frames were taken, all without error; otherwise 0 (the
// texture alone, or texture and slots, may still have changed). Uses
// sensor_connection, color_buffer, tracked_bodies, show_markers and
// body_texture; every frame and body handle is released before it returns.
int UpdateBodies(StageSurface& stage);
