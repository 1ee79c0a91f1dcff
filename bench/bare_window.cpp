// The floor a program's start and idle tick are measured against (built once for each
// program): a plain QMainWindow with the program's form and its panels' forms, shown as the
// programs show their windows, and nothing else: no catalogue, no translator, no filled
// lists, and a 100 ms timer that does nothing in place of the poll.

#include "harness.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QMainWindow>
#include <QTimer>

namespace
{
class BareWindow : public QMainWindow
{
public:
    BareWindow() { form.setupUi(this); }

private:
    Ui::MainWindow form;
};
} // namespace

int main(int argc, char **argv)
{
    const BenchRequest request = benchRequest(argc, argv);
    if (request.mode == BenchRequest::Transfers || request.select)
        return 2;
    QApplication application(argc, argv);
    BareWindow window;
    if (request.mode == BenchRequest::Start) {
        showForStart(window, request);
        startDone();
        return 0;
    }
    // Connected to nothing: what remains is the cost of a tick itself.
    auto *idle = new QTimer(&window);
    idle->setInterval(100);
    idle->start();
    showAndSettle(window);
    countIdleTicks(window, request.ticks);
    return 0;
}
