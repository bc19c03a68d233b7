#include "support/TempDir.h"
