#include "tests/testmain.h"

TARNWICK_TEST_MAIN
