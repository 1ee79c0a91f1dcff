#include "mainwindow.h"

#include "ui_mainwindow.h"

#include "access_problem_line.h"
#include "desktop_notification.h"
#include "effect_settings_record.h"
#include "game_watch.h"
#include "presence.h"
#include "program_identity.h"
#include "program_main.h"
#include "wait_cursor.h"
#include "wheel_tray.h"

#include <QCloseEvent>
#include <QMessageBox>
#include <QTimer>

#include <utility>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), form(new Ui::MainWindow), service(new WheelService(this)),
      connectedIcon(iconFromPng(QStringLiteral("wheel_icon.png"))),
      disconnectedIcon(iconFromPng(QStringLiteral("wheel_icon_not_connected.png")))
{
    installCatalogue(translator, QStringLiteral("wheel_ui_ru"));

    usbInit();
    showWaitCursorWhileBusy();

    form->setupUi(this);

    tray = new WheelTray(connectedIcon, [this] { return systemTrayAvailable(); }, this);
    trayIcon = tray->icon();
    connect(tray, &WheelTray::windowRequested, this, &MainWindow::showSideWindow);
    connect(tray, &WheelTray::clicked, this, [this] {
        setVisible(!isVisible());
        if (isVisible())
            activateWindow();
    });
    connect(tray, &WheelTray::failed, this, [this](const QString &text) { tellUser(text); });
    connect(tray, &WheelTray::noTray, this, [this] {
        // Started hidden: without a tray the window is the only way to the program.
        if (std::exchange(showWithoutTray, false) && !isVisible())
            showMainWindow(*this);
    });

    connect(form->premium_effect_settings, &EffectSettingsWidgetVariant::settingsChanged, this,
            &MainWindow::sendEffectSettings);
    connect(service, &WheelService::recordApplied, this, [this](const QByteArray &fields) {
        if (currentPanel)
            currentPanel->loadSettings(reinterpret_cast<const unsigned char *>(fields.constData()));
    });
    connect(service, &WheelService::exchangeFailed, this, &MainWindow::showWheelRecord);
    connect(service, &WheelService::told, this,
            [this](const QString &text, bool isFailure) { notify(tr("Games"), text, isFailure); });
    form->profile_widget->setNotifier([this](const QString &text) { tellUser(text); });
    connect(tray, &WheelTray::exitRequested, this, [this] {
        quitRequested = true;
        close();
    });
    form->profile_widget->attach(form->premium_effect_settings, tray->profiles(), service);

    watch = new GameWatch(*service, QStringLiteral("/proc"), this);
    sideWindows = new SideWindows(this, *watch);

    pollDevice();

    auto *timer = new QTimer(this);
    timer->setInterval(100);
    connect(timer, &QTimer::timeout, this, &MainWindow::pollDevice);
    timer->start();
    startGameWatch();
}

void MainWindow::startHidden()
{
    showWithoutTray = true;
    setProgramFont();
}

void MainWindow::startGameWatch()
{
    const GamesFile::Loaded games = GamesFile().load();
    if (games.ok()) {
        watch->setGames(games.list);
        return;
    }
    // Once, and without a box: the program may have started with the session.
    QTimer::singleShot(0, this,
                       [this, problem = games.problem()] { notify(tr("Games"), problem, true); });
}

void MainWindow::showSideWindow(SideWindow kind)
{
    sideWindows->show(kind);
}

void MainWindow::notify(const QString &title, const QString &text, bool isFailure)
{
    // The tray's balloon, or a desktop notification where no tray is; a game's switch is no
    // reason for a box in front of the game.
    if (!tellOutsideWindow(title, text, isFailure))
        tellOnStderr(text);
}

MainWindow::~MainWindow()
{
    delete form;
    closeEntry(wheelDevice.entry);
    usbExit();
}

DeviceHandle *MainWindow::connectedHandle() const
{
    return wheelDevice.connected ? wheelDevice.entry.handle : nullptr;
}

void MainWindow::pollDevice()
{
    DeviceEntry &entry = wheelDevice.entry;
    openIfAbsent(entry);
    PresentDevice refusing;
    showAccessProblem(!entry.handle &&
                              unusableDevice(static_cast<uint16_t>(entry.vendorId),
                                             static_cast<uint16_t>(entry.productId), &refusing)
                          ? unusableLine(tr("Wheel"), refusing)
                          : QString());
    if (!entry.handle || !probe(entry)) {
        wheelDevice.connected = false;
        showDisconnected();
        return;
    }
    if (wheelDevice.connected)
        return;

    unsigned char record[RECEIVE_BUFFER_SIZE];
    if (!readRecord(entry.handle, effectSettingsTable(), record).ok()) {
        // Nothing trustworthy to show yet; the next tick reads again.
        showDisconnected();
        return;
    }
    setWindowIcon(connectedIcon);
    trayIcon->setIcon(connectedIcon);
    wheelDevice.connected = true;
    showConnected(record);
    // Once the window shows it: the top game's profile again, or a put-back kept for it.
    service->setConnection(connectedHandle());
    if (!pendingProfile.isEmpty())
        QTimer::singleShot(0, this, &MainWindow::applyPendingProfile);
}

void MainWindow::showDisconnected()
{
    service->setConnection(nullptr);
    // Asked for on every tick while no wheel is there. Doing it again would rewrite the
    // window's icon ten times a second and keep the user from resizing the window.
    if (shown == Shown::Disconnected)
        return;
    shown = Shown::Disconnected;
    setWindowIcon(disconnectedIcon);
    trayIcon->setIcon(disconnectedIcon);
    setWindowTitle(QString::fromUtf8(wheelDevice.disconnectedTitle));
    form->profile_widget->hide();
    form->premium_effect_settings->hide();
    form->reboot_button->setEnabled(false);
    form->save_settings_button->setEnabled(false);
    adjustToContents();
}

void MainWindow::showAccessProblem(const QString &text)
{
    if (accessProblem ? accessProblem->text() == text : text.isEmpty())
        return;
    if (!accessProblem) {
        accessProblem = new AccessProblemLine(tr("Wheel that can not be used"), this);
        form->verticalLayout_6->insertWidget(0, accessProblem);
    }
    accessProblem->showText(text, form->verticalLayout_6);
    trayIcon->setToolTip(text);
    adjustToContents();
}

void MainWindow::showConnected(const unsigned char *record)
{
    shown = Shown::Connected;
    tray->offerProfiles();

    setWindowTitle(QString::fromUtf8(wheelDevice.connectedTitle));
    form->profile_widget->show();
    currentPanel = form->premium_effect_settings;
    currentPanel->show();
    currentPanel->loadSettings(record);
    form->reboot_button->setEnabled(true);
    form->save_settings_button->setEnabled(true);
    adjustToContents();
}

void MainWindow::adjustToContents()
{
    // After the event loop has laid out what was just shown or hidden. A layout passes its
    // change up one level at a time, so the window's own may still be pending: finish them,
    // since this runs once per change of state.
    QTimer::singleShot(0, this, [this] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        resize(minimumSizeHint());
    });
}

StoreFields MainWindow::panelFields()
{
    return [this](unsigned char *record) { currentPanel->storeSettings(record); };
}

void MainWindow::sendEffectSettings()
{
    if (!connectedHandle() || !currentPanel)
        return;
    const Outcome applied = service->applyFields(panelFields());
    if (!applied.ok()) // the service had the panel show what the wheel holds
        tellUser(WheelService::applyRefusedText(QString()));
}

void MainWindow::on_save_settings_button_clicked()
{
    saveToWheel();
}

void MainWindow::saveToWheel()
{
    if (!connectedHandle() || !currentPanel)
        return;
    const Outcome saved = service->saveFields(panelFields());
    if (!saved.ok())
        tellUser(WheelService::saveFailureText(saved));
}

void MainWindow::on_reboot_button_clicked()
{
    DeviceHandle *handle = wheelDevice.entry.handle;
    if (!handle)
        return;
    wheelDevice.entry.handle = nullptr;
    wheelDevice.connected = false;
    service->setConnection(nullptr); // the handle closes below
    const Outcome rebooted = rebootController(handle);
    closeDevice(handle);
    if (!rebooted.ok())
        tellUser(tr("The wheel did not confirm the restart. Check the cable, then try again."));
}

void MainWindow::showWheelRecord()
{
    unsigned char record[RECEIVE_BUFFER_SIZE];
    DeviceHandle *handle = connectedHandle();
    if (handle && currentPanel && readRecord(handle, effectSettingsTable(), record).ok()) {
        currentPanel->loadSettings(record);
        return;
    }
    closeEntry(wheelDevice.entry);
    wheelDevice.connected = false;
    showDisconnected();
}

void MainWindow::tellUser(const QString &text)
{
    const QString title = tr("Kestrix hardware settings UI");
    // Hidden in the tray, as after a profile chosen from its menu, a box would appear out
    // of nowhere; the balloon comes from the icon the user just used.
    if (!isVisible() && tellOutsideWindow(title, text, true))
        return;
    QMessageBox::warning(this, title, text);
}

bool MainWindow::tellOutsideWindow(const QString &title, const QString &text, bool isFailure)
{
    if (systemTrayAvailable()) {
        trayIcon->show(); // a tray that appeared after the wait
        showTrayMessage(title, text, isFailure);
        return true;
    }
    return showDesktopNotification(title, text, isFailure);
}

bool MainWindow::showDesktopNotification(const QString &title, const QString &text, bool isFailure)
{
    return sendDesktopNotification(title, text,
                                   isFailure ? MessageKind::Warning : MessageKind::Information);
}

void MainWindow::showTrayMessage(const QString &title, const QString &text, bool isFailure)
{
    trayIcon->showMessage(title, text,
                          isFailure ? QSystemTrayIcon::Warning : QSystemTrayIcon::Information);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Asked now, not at start: the session's tray may have come up since.
    if (!quitRequested && systemTrayAvailable()) {
        trayIcon->show();
        hide();
        event->ignore();
        return;
    }
    event->accept();
    // Qt quits by itself only when a visible window closes; Exit also works from the tray.
    QCoreApplication::quit();
}

bool MainWindow::systemTrayAvailable() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void MainWindow::raiseWindow()
{
    show();
    setWindowState(windowState() & ~Qt::WindowMinimized);
    raise();
    activateWindow();
}

void MainWindow::applyProfileWhenConnected(const QString &name)
{
    pendingProfile = name;
    QTimer::singleShot(0, this, &MainWindow::applyPendingProfile);
}

void MainWindow::applyPendingProfile()
{
    // Kept for the next connection when the wheel went away meanwhile.
    if (pendingProfile.isEmpty() || !connectedHandle())
        return;
    form->profile_widget->pickProfile(std::exchange(pendingProfile, QString()));
}
