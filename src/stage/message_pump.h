#pragma once
// The trial loop's share of the event loop: it runs on the UI thread and serves
// window events itself, once per pass.

// Serves every pending event of the thread (all windows), then returns.
void PumpMessages();

// Drops every pending key and mouse event (wheel and touch too) without
// delivering it, until none is left; other pending events are served.
void FlushInput();
