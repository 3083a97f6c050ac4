#pragma once
// The window stays alive during long work on the user-interface thread: each
// progress or status call lets the events through that are pending at that
// moment (a Cancel click, a repaint, a window move) and never waits for new
// ones.

namespace q9::gui {

void PumpPendingEvents();

// Makes the core's wait-cursor guards show and restore the application's
// wait cursor; the desktop program calls it once at start-up.
void InstallWaitCursor();

}  // namespace q9::gui
