#pragma once
// Shared pieces of the libFuzzer targets: a Qt application object for the
// code that wants one, and a check that aborts (and so reports the input)
// when an invariant of the code under test does not hold.

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                  \
  do {                                                                         \
    if (!(condition)) {                                                        \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__,    \
                   #condition);                                                \
      std::abort();                                                            \
    }                                                                          \
  } while (false)

namespace fuzz {

// Some Qt classes (timers, images) want an application object; made once.
inline void ensureApplication() {
  static int argc = 1;
  static char name[] = "fuzz";
  static char *argv[] = {name, nullptr};
  if (!QCoreApplication::instance())
    new QCoreApplication(argc, argv);
}

} // namespace fuzz
