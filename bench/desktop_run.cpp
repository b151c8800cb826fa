// The desktop program's run, driven without a person: the answers (file name, orientation) are
// typed into the console when it asks for them, and the frame closes once the run is over.
// bench/speed_goals.sh times this process next to simplex-cli on the same matrix.
//   desktop_run FILE ORIENTATION     (QT_QPA_PLATFORM=offscreen for no display)
#include <QApplication>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <string>

#include "framework/program_services.h"
#include "framework/qt/console_widget.h"
#include "framework/qt/frame_window.h"
#include "framework/qt/framework_main.h"
#include "process/floating_point.h"
#include "startup/desktop_analysis.h"

namespace {

std::string g_answers[2];
int g_step = 0;

void typeAnswersThenClose() {
    fw::qt::FrameWindow* frame = fw::qt::frameWindow();
    if (frame == nullptr) return;
    fw::qt::ConsoleWidget* console = frame->console();
    if (g_step < 2 && console->view().readPending) {
        QTest::keyClicks(console, QString::fromStdString(g_answers[g_step++]));
        QTest::keyClick(console, Qt::Key_Return);
    } else if (g_step == 2 && fw::frameState().programFinished) {
        ++g_step;
        frame->dialogs.messageBox = [](QWidget*, const char*, const char*, uint32_t) { return fw::answer::no; };
        frame->close();
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: desktop_run FILE ORIENTATION\n", stderr);
        return 2;
    }
    g_answers[0] = argv[1];
    g_answers[1] = argv[2];
    process::set_floating_point();
    static int qtArgc = 1;
    new QApplication(qtArgc, argv);
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, typeAnswersThenClose);
    timer->start(1);  // the answers' latency is the harness's, not the program's: keep it short
    return fw::qt::frameworkMain("/bench/simplex", nullptr, "", 10, startup::run_desktop_analysis);
}
