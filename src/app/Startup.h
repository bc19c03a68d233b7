#pragma once
// The program's entry sequence.

// Runs the program; returns the process exit code.
int RunQuorvane(int argc, char *argv[]);

// True when the program was started with "-log" as its first argument.
bool StartedWithLogSwitch();
