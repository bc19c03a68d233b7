#pragma once
// What the command line asks of this run.

struct StartOptions {
  // "-log" as the first argument: the settings dialog shows its log page.
  bool logSwitch = false;

  static StartOptions parse(int argc, const char *const argv[]);
};
