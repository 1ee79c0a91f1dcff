#pragma once

// A closed pipe on stdout is a failed write that kestrix reports, not a silent death
// (cli/process_linux.cpp; Windows has no such signal: cli/process_windows.cpp).
void reportClosedPipes();
