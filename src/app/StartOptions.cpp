#include "app/StartOptions.h"

#include <cstring>

StartOptions StartOptions::parse(int argc, const char *const argv[]) {
  StartOptions options;
  options.logSwitch = argc > 1 && std::strcmp(argv[1], "-log") == 0;
  return options;
}
