#include "mainwindow.h"

#include "ui_mainwindow.h"

#include "autostart.h"
#include "device_sequences.h"
#include "effect_settings_record.h"
#include "game_watch.h"
#include "games_window.h"
#include "presence.h"
#include "program_main.h"
#include "transport.h"
#include "wait_cursor.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <utility>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), form(new Ui::MainWindow),
      connectedIcon(iconFromPng(QStringLiteral("wheel_icon.png"))),
      disconnectedIcon(iconFromPng(QStringLiteral("wheel_icon_not_connected.png")))
{
    installCatalogue(translator, QStringLiteral("wheel_ui_ru"));

    usbInit();
    showWaitCursorWhileBusy();

    form->setupUi(this);

    trayMenu = new QMenu(this);
    trayIcon = new QSystemTrayIcon(connectedIcon, this);
    gamesAction = new QAction(tr("Games..."), this);
    exitAction = new QAction(tr("Exit"), this);
    autostartAction = new AutostartAction([this](const QString &text) { tellUser(text); }, this);
    connect(trayMenu, &QMenu::aboutToShow, autostartAction, &AutostartAction::refresh);
    profilesMenu = new QMenu(tr("Profiles"));
    trayIcon->setContextMenu(trayMenu);
    // Closing the window only hides it: without a wheel, Exit is the only way out.
    trayMenu->addAction(gamesAction);
    trayMenu->addAction(autostartAction);
    trayMenu->addAction(exitAction);
    connect(gamesAction, &QAction::triggered, this, &MainWindow::showGamesWindow);

    connect(form->premium_effect_settings, &EffectSettingsWidgetVariant::settingsChanged, this,
            &MainWindow::sendEffectSettings);
    connect(form->profile_widget, &ProfileWidget::profileApplied, this, [this] {
        applyToWheel(form->profile_widget->appliedProfile());
        if (!lastApply.ok())
            form->profile_widget->forgetHeldProfile();
    });
    form->profile_widget->setNotifier([this](const QString &text) { tellUser(text); });
    connect(exitAction, &QAction::triggered, this, [this] {
        quitRequested = true;
        close();
    });

    form->profile_widget->attach(form->premium_effect_settings, profilesMenu);

    connect(trayIcon, &QSystemTrayIcon::activated, this, &MainWindow::trayIconActivated);

    // The same applies as a profile chosen from the tray and the launch form's putting back.
    watch = new GameWatch(
        {[this](const QString &profile) { return applyProfileOnRequest(profile); },
         [this](const QByteArray &record) { return applyRecordOnRequest(record, false); },
         [this](const QString &text) { notify(tr("Games"), text); }},
        QStringLiteral("/proc"), this);

    pollDevice();

    auto *timer = new QTimer(this);
    timer->setInterval(100);
    connect(timer, &QTimer::timeout, this, &MainWindow::pollDevice);
    timer->start();

    trayWait = new QTimer(this);
    trayWait->setObjectName(QStringLiteral("tray_wait"));
    trayWait->setInterval(1000);
    connect(trayWait, &QTimer::timeout, this, &MainWindow::lookForTray);
    // The first look once constructed, so that it asks the desktop the window was made for.
    QTimer::singleShot(0, this, &MainWindow::lookForTray);
    startGameWatch();
}

namespace {
// How long a tray is waited for after start, in looks one second apart.
constexpr int TRAY_LOOKS = 30;
// A notification service that hangs must not hold the window for long.
constexpr int NOTIFICATION_TIMEOUT_MS = 1500;
} // namespace

void MainWindow::lookForTray()
{
    if (systemTrayAvailable()) {
        trayWait->stop();
        trayIcon->show();
        showWithoutTray = false;
        return;
    }
    // Past the wait there is no tray; a close still asks again at that moment.
    if (trayLooks++ >= TRAY_LOOKS) {
        trayWait->stop();
        // Started hidden: without a tray the window is the only way to the program.
        if (std::exchange(showWithoutTray, false) && !isVisible())
            showMainWindow(*this);
    } else if (!trayWait->isActive()) {
        trayWait->start();
    }
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
    QTimer::singleShot(0, this, [this, problem = games.problem] { notify(tr("Games"), problem); });
}

void MainWindow::showGamesWindow()
{
    if (!gamesWindow) {
        gamesWindow = new GamesWindow(QStringLiteral("/proc"), this);
        gamesWindow->setChangeHandler([this](const GamesList &list) { watch->setGames(list); });
    } else {
        gamesWindow->reload();
    }
    gamesWindow->show();
    gamesWindow->raise();
    gamesWindow->activateWindow();
}

void MainWindow::notify(const QString &title, const QString &text)
{
    // The tray's balloon, or a desktop notification where no tray is; a game's switch is no
    // reason for a box in front of the game.
    if (!tellOutsideWindow(title, text))
        std::fprintf(stderr, "wheelconfig: %s\n", qPrintable(text));
}

MainWindow::~MainWindow()
{
    delete form;
    closeEntry(wheelDevice.entry);
    usbExit();
    delete profilesMenu;
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
    if (!entry.handle) {
        showDisconnected();
        return;
    }
    if (!probe(entry)) {
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
    QTimer::singleShot(0, watch, &GameWatch::wheelConnected);
    if (!pendingProfile.isEmpty())
        QTimer::singleShot(0, this, &MainWindow::applyPendingProfile);
}

void MainWindow::showDisconnected()
{
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
        // Made in code so that the form stays as it is; above the disconnected state's buttons.
        accessProblem = new QLabel(this);
        accessProblem->setObjectName(QStringLiteral("access_problem"));
        accessProblem->setWordWrap(true);
        accessProblem->setTextInteractionFlags(Qt::TextSelectableByMouse);
        accessProblem->setAccessibleName(tr("Wheel that can not be used"));
        form->verticalLayout_6->insertWidget(0, accessProblem);
    }
    accessProblem->setText(text);
    accessProblem->setAccessibleDescription(text);
    accessProblem->setVisible(!text.isEmpty());
    // The window takes its minimum size, which knows nothing of wrapping: the line gets the
    // height it needs at the width the rest of the window sets.
    QLayout *layout = form->verticalLayout_6;
    const QMargins margins = layout->contentsMargins();
    accessProblem->setMinimumHeight(0);
    const int width = layout->minimumSize().width() - margins.left() - margins.right();
    accessProblem->setMinimumHeight(text.isEmpty() ? 0 : accessProblem->heightForWidth(width));
    trayIcon->setToolTip(text);
    adjustToContents();
}

void MainWindow::showConnected(const unsigned char *record)
{
    shown = Shown::Connected;
    trayMenu->clear();
    trayMenu->addMenu(profilesMenu);
    trayMenu->addSeparator();
    trayMenu->addAction(gamesAction);
    trayMenu->addAction(autostartAction);
    trayMenu->addAction(exitAction);

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

void MainWindow::sendEffectSettings()
{
    applyToWheel(QString());
}

StoreFields MainWindow::panelFields()
{
    return [this](unsigned char *record) { currentPanel->storeSettings(record); };
}

void MainWindow::applyToWheel(const QString &profile)
{
    DeviceHandle *handle = connectedHandle();
    if (!handle || !currentPanel) {
        lastApply = Outcome::failed(Outcome::Problem::NoDevice);
        return;
    }
    lastApply = applyEffectSettings(handle, panelFields());
    if (lastApply.ok())
        return;
    showWheelRecord();
    tellUser(applyRefusedText(profile));
}

QString MainWindow::applyRefusedText(const QString &profile)
{
    if (profile.isEmpty())
        return tr("The wheel did not take the change. Check the cable, then try again.");
    return tr("The wheel did not take the profile \"%1\". Check the cable, then try again.")
        .arg(profile);
}

QString MainWindow::noWheelText()
{
    return tr("No wheel is connected.");
}

void MainWindow::on_save_settings_button_clicked()
{
    saveToWheel();
}

Outcome MainWindow::saveToWheel()
{
    DeviceHandle *handle = connectedHandle();
    if (!handle || !currentPanel)
        return Outcome::failed(Outcome::Problem::NoDevice);
    const Outcome saved = saveEffectSettings(handle, panelFields());
    if (saved.ok())
        return saved;
    showWheelRecord();
    switch (saved.problem) {
    case Outcome::Problem::NotConfirmed:
        tellUser(tr("The wheel did not confirm within 5 seconds that it saved the settings. "
                    "Wait a moment, then click \"Save settings\" again."));
        break;
    case Outcome::Problem::StoppedAnswering:
        tellUser(tr("The wheel stopped answering before it confirmed that it saved the "
                    "settings. Check the cable, then click \"Save settings\" again."));
        break;
    default:
        tellUser(tr("The settings could not be saved in the wheel. Check the cable, then try "
                    "again."));
        break;
    }
    return saved;
}

void MainWindow::on_reboot_button_clicked()
{
    DeviceHandle *handle = wheelDevice.entry.handle;
    if (!handle)
        return;
    wheelDevice.entry.handle = nullptr;
    wheelDevice.connected = false;
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
    if (requestMessages) {
        requestMessages->append(text);
        return;
    }
    const QString title = tr("Kestrix hardware settings UI");
    // Hidden in the tray, as after a profile chosen from its menu, a box would appear out
    // of nowhere; the balloon comes from the icon the user just used.
    if (!isVisible() && tellOutsideWindow(title, text))
        return;
    QMessageBox::warning(this, title, text);
}

bool MainWindow::tellOutsideWindow(const QString &title, const QString &text)
{
    if (systemTrayAvailable()) {
        trayIcon->show(); // a tray that appeared after the wait
        showTrayMessage(title, text);
        return true;
    }
    return showDesktopNotification(title, text);
}

bool MainWindow::showDesktopNotification(const QString &title, const QString &text)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage notify = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    const QFileInfo icon(QStringLiteral("wheel_icon.png"));
    // app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout
    notify << QStringLiteral("wheelconfig") << 0u
           << (icon.exists() ? icon.absoluteFilePath() : QString()) << title << text
           << QStringList() << QVariantMap() << -1;
    const QDBusMessage reply = bus.call(notify, QDBus::Block, NOTIFICATION_TIMEOUT_MS);
    return reply.type() == QDBusMessage::ReplyMessage;
}

void MainWindow::showTrayMessage(const QString &title, const QString &text)
{
    trayIcon->showMessage(title, text, QSystemTrayIcon::Warning);
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

void MainWindow::trayIconActivated(QSystemTrayIcon::ActivationReason reason)
{
    if (reason != QSystemTrayIcon::Trigger)
        return;
    if (isVisible()) {
        hide();
    } else {
        show();
        activateWindow();
    }
}

void MainWindow::raiseWindow()
{
    show();
    setWindowState(windowState() & ~Qt::WindowMinimized);
    raise();
    activateWindow();
}

WheelReply MainWindow::applyProfileOnRequest(const QString &name)
{
    WheelReply reply;
    if (!connectedHandle() || !currentPanel) {
        reply.status = WheelReply::Status::NoWheel;
        reply.message = noWheelText();
        return reply;
    }
    // The panel shows what the wheel holds: the settings to put back after a game.
    QByteArray previous(EFFECT_SETTINGS_RECORD_SIZE, 0);
    currentPanel->storeSettings(reinterpret_cast<unsigned char *>(previous.data()));

    QStringList told;
    requestMessages = &told;
    lastApply = Outcome::failed(Outcome::Problem::NoDevice);
    const ProfileStore::Outcome read = form->profile_widget->pickProfile(name);
    requestMessages = nullptr;

    reply.message = told.join(QLatin1Char(' '));
    if (!read.ok())
        reply.status = WheelReply::Status::Refused;
    else if (!lastApply.ok())
        reply.status = WheelReply::Status::WheelFailed;
    else
        reply.previous = previous;
    return reply;
}

WheelReply MainWindow::applyRecordOnRequest(const QByteArray &record, bool permanent)
{
    WheelReply reply;
    if (record.size() != EFFECT_SETTINGS_RECORD_SIZE) {
        reply.status = WheelReply::Status::BadRequest;
        return reply;
    }
    if (!connectedHandle() || !currentPanel) {
        reply.status = WheelReply::Status::NoWheel;
        reply.message = noWheelText();
        return reply;
    }
    QStringList told;
    requestMessages = &told;
    currentPanel->loadSettings(reinterpret_cast<const unsigned char *>(record.constData()));
    // Settings given as bytes (those put back after a game) are no profile's.
    form->profile_widget->forgetHeldProfile();
    Outcome done;
    if (permanent) {
        done = saveToWheel();
    } else {
        applyToWheel(QString());
        done = lastApply;
    }
    requestMessages = nullptr;

    if (!done.ok()) {
        reply.status = WheelReply::Status::WheelFailed;
        reply.message = told.join(QLatin1Char(' '));
    }
    return reply;
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
