#pragma once

// The "Simulated controllers" window: plugs, unplugs and breaks the simulated controllers
// of a running program, and shows the transfers they see. It works through the simulator's
// own API only, so what it does is what a test or an emulated device node could do.

#include "simulated_bus.h"

#include <QPointer>
#include <QStringList>
#include <QTranslator>
#include <QWidget>

#include <memory>
#include <mutex>
#include <vector>

namespace Ui
{
class SimulatorPanel;
}

class QCheckBox;
class QSpinBox;

class SimulatorPanel : public QWidget
{
    Q_OBJECT

public:
    // Puts a controller of every kind on the bus; those not there yet start unplugged. The
    // bus must outlive the window.
    explicit SimulatorPanel(SimulatedBus &bus, QWidget *parent = nullptr);
    ~SimulatorPanel() override;

    // Shows the window next to `window`, on whichever side the screen has room, once the
    // window is on the screen.
    void showBeside(QWidget &window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct KindControls {
        SimulatedController *controller;
        QCheckBox *pluggedIn;
        QCheckBox *noAccess;
        QCheckBox *staysBusy;
        QCheckBox *failsTransfers;
        QCheckBox *timesOut;
        QCheckBox *shortReports;
        QSpinBox *latency;
    };

    void connectControls(const KindControls &controls);
    // A slider per axis, a check box per button and the hat's direction, from what the
    // simulated controller has.
    QList<QWidget *> addInputControls(QWidget &page, SimulatedController &controller);
    void placeBeside(const QWidget &window);
    // Any thread: queues the transfer's line for the list.
    void noteTransfer(const SimTransfer &transfer);
    void showNotedTransfers();

    QTranslator translator;
    std::unique_ptr<Ui::SimulatorPanel> form;
    std::vector<SimulatedController *> observed;
    QPointer<QWidget> besideWindow; // waiting for it to be placed

    // Lines not yet in the list, while the program's thread is busy elsewhere (a long wait
    // for the device); no more than the list keeps.
    std::mutex notedMutex;
    QStringList noted;
    int notedLimit = 0;
};

// The window, beside `window` once the event loop runs, when the program runs on the
// simulated bus `bus` and KESTRIX_SIMULATOR_PANEL=1 is set; otherwise null.
std::unique_ptr<SimulatorPanel> openSimulatorPanelOnRequest(SimulatedBus *bus, QWidget &window);
