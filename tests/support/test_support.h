// Helpers shared by the tests: temporary directories, capturing console callbacks, state reset.
#pragma once
