#include "simulator_panel.h"
#include "ui_simulator_panel.h"

#include "kestrix_protocol.h"
#include "program_main.h"
#include "simulated_input.h"
#include "simulator_log.h"
#include "usb_access.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QSlider>
#include <QTabWidget>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <chrono>

namespace
{

constexpr uint8_t ANSWERED_REPORTS[] = {REPORT_HARDWARE_SETTINGS, REPORT_EFFECT_SETTINGS,
                                        REPORT_STATUS, REPORT_DEVICE_INFO};

constexpr int PROBE_LINE = 78; // characters, with up to eight digits of milliseconds

} // namespace

SimulatorPanel::SimulatorPanel(SimulatedBus &bus, QWidget *parent)
    : QWidget(parent), form(std::make_unique<Ui::SimulatorPanel>())
{
    installCatalogue(translator, QStringLiteral("simulator_panel_ru"));
    form->setupUi(this);
    QPlainTextEdit *list = form->transfer_list;
    notedLimit = list->maximumBlockCount();
    list->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // Wide enough for the poll's device information reads, the most frequent lines.
    const int probeLine = QFontMetrics(list->font()).horizontalAdvance(QString(PROBE_LINE, '0'));
    list->setMinimumWidth(probeLine + list->verticalScrollBar()->sizeHint().width() +
                          2 * (list->frameWidth() + int(list->document()->documentMargin())));
    // A helper window: closing the program's window still ends the program.
    setAttribute(Qt::WA_QuitOnClose, false);

    auto controller = [&bus](ControllerKind kind) {
        SimulatedController *c = bus.find(kind);
        return c ? c : bus.add(kind, false);
    };
    const Ui::SimulatorPanel &f = *form;
    connectControls({controller(ControllerKind::Generic), f.generic_plugged_in, f.generic_no_access,
                     f.generic_stays_busy, f.generic_fails_transfers, f.generic_times_out,
                     f.generic_short_reports, f.generic_latency});
    connectControls({controller(ControllerKind::Joystick), f.joystick_plugged_in,
                     f.joystick_no_access, f.joystick_stays_busy, f.joystick_fails_transfers,
                     f.joystick_times_out, f.joystick_short_reports, f.joystick_latency});
    connectControls({controller(ControllerKind::Rudder), f.rudder_plugged_in, f.rudder_no_access,
                     f.rudder_stays_busy, f.rudder_fails_transfers, f.rudder_times_out,
                     f.rudder_short_reports, f.rudder_latency});
    connectControls({controller(ControllerKind::Wheel), f.wheel_plugged_in, f.wheel_no_access,
                     f.wheel_stays_busy, f.wheel_fails_transfers, f.wheel_times_out,
                     f.wheel_short_reports, f.wheel_latency});
    QList<QWidget *> inputChain{f.input_tabs};
    inputChain << addInputControls(*f.generic_input, *controller(ControllerKind::Generic))
               << addInputControls(*f.joystick_input, *controller(ControllerKind::Joystick))
               << addInputControls(*f.rudder_input, *controller(ControllerKind::Rudder))
               << addInputControls(*f.wheel_input, *controller(ControllerKind::Wheel));
    // Made at run time, they would come last: put them between their tabs and the list.
    inputChain << f.transfer_list;
    for (int i = 1; i < inputChain.size(); ++i)
        setTabOrder(inputChain[i - 1], inputChain[i]);
    // The transfers need the room more than the empty space under a short page.
    f.input_tabs->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
}

QList<QWidget *> SimulatorPanel::addInputControls(QWidget &box, SimulatedController &controller)
{
    QList<QWidget *> made;
    // Two axes a row and eleven buttons a row: the page is no wider than the transfers.
    constexpr int BUTTON_COLUMNS = 11;
    constexpr int AXIS_SPAN = BUTTON_COLUMNS / 2 - 1; // columns a slider takes
    auto *grid = static_cast<QGridLayout *>(box.layout());
    SimulatedInput &input = controller.input();
    const QString kind = QString::fromLatin1(controllerKindName(controller.kind()));
    const auto *tabs = qobject_cast<QTabWidget *>(box.parentWidget()->parentWidget());
    const QString kindName = tabs ? tabs->tabText(tabs->indexOf(&box)) : kind;
    int row = 0;
    int column = 0;
    for (int i = 0; i < int(input.axes().size()); ++i) {
        const SimulatedAxis &axis = input.axes()[i];
        const QString label = QCoreApplication::translate("SimulatorPanel", axis.label);
        auto *name = new QLabel(label, &box);
        auto *slider = new QSlider(Qt::Horizontal, &box);
        slider->setObjectName(QStringLiteral("%1_axis_%2").arg(kind).arg(i));
        slider->setAccessibleName(tr("%1: %2").arg(kindName, label));
        slider->setRange(axis.minimum, axis.maximum);
        // Page Up and Page Down move it by a twentieth of the travel.
        slider->setPageStep(std::max(1, (axis.maximum - axis.minimum + 1) / 20));
        slider->setValue(input.axisValue(i));
        name->setBuddy(slider);
        grid->addWidget(name, row, column);
        grid->addWidget(slider, row, column + 1, 1, AXIS_SPAN);
        made << slider;
        connect(slider, &QSlider::valueChanged, this,
                [&input, i](int value) { input.setAxisValue(i, value); });
        column = column == 0 ? AXIS_SPAN + 1 : 0;
        row += column == 0 ? 1 : 0;
    }
    if (input.hasHat()) {
        auto *name = new QLabel(tr("Hat"), &box);
        auto *hat = new QComboBox(&box);
        hat->setObjectName(kind + QStringLiteral("_hat"));
        hat->setAccessibleName(tr("%1: %2").arg(kindName, tr("Hat")));
        // x, y of each direction, in the order of the list.
        static const int directions[9][2] = {{0, 0},  {0, -1}, {1, -1}, {1, 0}, {1, 1},
                                             {0, 1},  {-1, 1}, {-1, 0}, {-1, -1}};
        hat->addItems({tr("centred"), tr("up"), tr("up-right"), tr("right"), tr("down-right"),
                       tr("down"), tr("down-left"), tr("left"), tr("up-left")});
        name->setBuddy(hat);
        grid->addWidget(name, row, column);
        grid->addWidget(hat, row, column + 1, 1, AXIS_SPAN);
        made << hat;
        column = 0;
        connect(hat, qOverload<int>(&QComboBox::currentIndexChanged), this, [&input](int index) {
            if (index >= 0 && index < 9)
                input.setHat(directions[index][0], directions[index][1]);
        });
        ++row;
    }
    if (column != 0)
        ++row;
    for (int number = 1; number <= input.buttonCount(); ++number) {
        auto *button = new QCheckBox(QString::number(number), &box);
        button->setObjectName(QStringLiteral("%1_button_%2").arg(kind).arg(number));
        button->setAccessibleName(tr("%1: button %2").arg(kindName).arg(number));
        grid->addWidget(button, row + (number - 1) / BUTTON_COLUMNS, (number - 1) % BUTTON_COLUMNS);
        connect(button, &QCheckBox::toggled, this,
                [&input, number](bool on) { input.setButton(number, on); });
        made << button;
    }
    return made;
}

SimulatorPanel::~SimulatorPanel()
{
    // The controllers outlive the window; after this no call into it is running.
    for (SimulatedController *c : observed)
        c->setTransferObserver(nullptr);
}

void SimulatorPanel::connectControls(const KindControls &controls)
{
    SimulatedController *c = controls.controller;
    const int busyReads = c->busyReadCount();
    controls.pluggedIn->setChecked(c->pluggedIn());
    controls.staysBusy->setChecked(busyReads < 0);
    controls.noAccess->setChecked(c->accessDenied());

    connect(controls.pluggedIn, &QCheckBox::toggled, this, [c](bool on) {
        if (on)
            c->plug();
        else
            c->unplug();
    });
    connect(controls.noAccess, &QCheckBox::toggled, this, [c](bool on) { c->setAccessDenied(on); });
    const int usualBusyReads = busyReads < 0 ? SimulatedController::DEFAULT_BUSY_READS : busyReads;
    connect(controls.staysBusy, &QCheckBox::toggled, this,
            [c, usualBusyReads](bool on) { c->setBusyReads(on ? -1 : usualBusyReads); });

    // Both are failures of every transfer: an input/output error comes at once and so
    // hides the time-out while both are on.
    auto applyFailures = [c, fails = controls.failsTransfers, timesOut = controls.timesOut] {
        c->setTimeoutsTakeTime(timesOut->isChecked());
        if (fails->isChecked())
            c->failTransfers(0, USB_ERROR_IO);
        else if (timesOut->isChecked())
            c->failTransfers(0, USB_ERROR_TIMEOUT);
        else
            c->failTransfers(-1, USB_SUCCESS, 0);
    };
    connect(controls.failsTransfers, &QCheckBox::toggled, this, applyFailures);
    connect(controls.timesOut, &QCheckBox::toggled, this, applyFailures);

    connect(controls.shortReports, &QCheckBox::toggled, this, [c](bool on) {
        for (uint8_t id : ANSWERED_REPORTS)
            c->setReportLimit(id, on ? int(c->report(id).size() / 2) : -1);
    });
    connect(controls.latency, qOverload<int>(&QSpinBox::valueChanged), this,
            [c](int ms) { c->setLatency(std::chrono::milliseconds(ms)); });

    c->setTransferObserver([this](const SimTransfer &t) { noteTransfer(t); });
    observed.push_back(c);
}

void SimulatorPanel::noteTransfer(const SimTransfer &transfer)
{
    const QString line = QString::fromStdString(formatTransferLine(transfer));
    std::lock_guard<std::mutex> lock(notedMutex);
    noted << line;
    if (noted.size() > notedLimit)
        noted.removeFirst();
    // One queued call takes all the lines noted until it runs.
    if (noted.size() == 1)
        QMetaObject::invokeMethod(this, &SimulatorPanel::showNotedTransfers, Qt::QueuedConnection);
}

void SimulatorPanel::showNotedTransfers()
{
    QStringList lines;
    {
        std::lock_guard<std::mutex> lock(notedMutex);
        lines.swap(noted);
    }
    if (!lines.isEmpty())
        form->transfer_list->appendPlainText(lines.join(QLatin1Char('\n')));
}

void SimulatorPanel::showBeside(QWidget &window)
{
    // A window manager places the window when it maps it: wait until then.
    QWindow *handle = window.windowHandle();
    if (handle && !handle->isExposed()) {
        besideWindow = &window;
        handle->installEventFilter(this);
        return;
    }
    placeBeside(window);
    show();
}

bool SimulatorPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Expose && besideWindow &&
        watched == besideWindow->windowHandle() && besideWindow->windowHandle()->isExposed()) {
        watched->removeEventFilter(this);
        placeBeside(*besideWindow);
        besideWindow = nullptr;
        show();
    }
    return QWidget::eventFilter(watched, event);
}

void SimulatorPanel::placeBeside(const QWidget &window)
{
    // As tall as the program's window, so that the list shows as many transfers as fit, but
    // no lower than the screen's bottom while the list can give up rows.
    QSize wanted = sizeHint().expandedTo(QSize(0, window.height()));
    if (const QScreen *screen = window.screen()) {
        const int frame = window.frameGeometry().height() - window.height();
        const int room = screen->availableGeometry().bottom() + 1 - window.frameGeometry().top();
        wanted.setHeight(qMax(minimumSizeHint().height(), qMin(wanted.height(), room - frame)));
    }
    resize(wanted);
    const QRect beside = window.frameGeometry();
    // This window gets a frame like the other's; its size is known only once it is shown.
    const QSize outer = size() + (beside.size() - window.size());
    const QScreen *screen = window.screen();
    const QRect room = screen ? screen->availableGeometry() : QRect(beside.topLeft(), outer * 3);
    constexpr int GAP = 8;

    const int right = beside.right() + 1 + GAP;
    const int left = beside.left() - GAP - outer.width();
    int x;
    if (right + outer.width() <= room.right() + 1)
        x = right;
    else if (left >= room.left())
        x = left;
    else if (room.right() - beside.right() >= beside.left() - room.left())
        x = room.right() + 1 - outer.width(); // over the program's window as little as may be
    else
        x = room.left();
    x = qMax(x, room.left());
    const int y = qMax(room.top(), qMin(beside.top(), room.bottom() + 1 - outer.height()));
    move(x, y);
}

std::unique_ptr<SimulatorPanel> openSimulatorPanelOnRequest(SimulatedBus *bus, QWidget &window)
{
    // Never on the real bus: the window would claim controllers that are not there.
    if (!bus || qgetenv("KESTRIX_SIMULATOR_PANEL") != "1")
        return nullptr;
    auto panel = std::make_unique<SimulatorPanel>(*bus);
    SimulatorPanel *p = panel.get();
    QTimer::singleShot(0, p, [p, &window] { p->showBeside(window); });
    return panel;
}
