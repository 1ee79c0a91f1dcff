#pragma once

// Makes the busy wait after a write show the application's wait cursor, as the windows
// always have; the command line, which has no cursor, does without.
void showWaitCursorWhileBusy();
