// The Qt test programs' application object, and the leak checker's one exception for them.
#include "tests/support/qt_application.h"

#include <QApplication>

// Under the leak checker: the font library keeps a cache for the life of the process.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace test_support {

void start_qt_application() {
    static int argc = 1;
    static char name[] = "simplex_qt_test";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (QApplication::instance() == nullptr) new QApplication(argc, argv);
}

}  // namespace test_support
