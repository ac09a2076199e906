// The one stage window object of the program. Its constructor touches no Qt
// object, so it may be built before the QApplication.
#include "stage/touch_wnd.h"
#include "state/program_state.h"

CTouchWnd experiment_window;
