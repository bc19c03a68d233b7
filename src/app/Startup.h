#pragma once
// The program's entry sequence.

class KeyTable;

// Runs the program; returns the process exit code.
int runQuorvane(int argc, char *argv[]);

class MessageBoxes;
class Paths;

// The ending step for the key table: writes keys.ini; when that fails, says
// so in a message and lets the program end normally.
void saveKeyTableAtEnd(const Paths &paths, KeyTable &table,
                       MessageBoxes &boxes);
