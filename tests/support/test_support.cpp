// Helpers shared by the tests.
#include "tests/support/test_support.h"
