// The one application object of a Qt test program.
#pragma once

namespace test_support {

// Creates the QApplication once, on the offscreen platform unless another one is chosen.
void start_qt_application();

}  // namespace test_support
