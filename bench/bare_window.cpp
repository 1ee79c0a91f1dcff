// The floor a program's start is measured against (built once for each program): a plain
// QMainWindow with the program's form and its panels' forms, shown as the programs show
// their windows, and nothing else: no catalogue, no poll, no translator, no filled lists.

#include "harness.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QMainWindow>

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
    if (request.mode != BenchRequest::Start)
        return 2;
    QApplication application(argc, argv);
    BareWindow window;
    showForStart(window, request);
    startDone();
    return 0;
}
