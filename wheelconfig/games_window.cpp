#include "games_window.h"

#include "ui_games_window.h"

#include "process_scan.h"
#include "profile_store.h"

#include <QComboBox>
#include <QHash>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>

namespace
{
constexpr int PROFILE_COLUMN = 2;
constexpr int PID_ROLE = Qt::UserRole;
} // namespace

GamesWindow::GamesWindow(const QString &procRoot_, QWidget *parent)
    : QDialog(parent, Qt::Window), form(new Ui::GamesWindow), procRoot(procRoot_)
{
    form->setupUi(this);
    // Closing it while the main window sits in the tray must not end the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    // Enter in a field adds or removes nothing by itself.
    for (QPushButton *button : findChildren<QPushButton *>())
        button->setAutoDefault(false);
    connect(form->closeButton, &QPushButton::clicked, this, &QWidget::close);
    form->runningList->header()->setStretchLastSection(true);
    // Processes come and go while the window is open.
    runningTimer.setInterval(2000);
    connect(&runningTimer, &QTimer::timeout, this, &GamesWindow::refreshRunning);
    reload();
    // Sized to the first content once: a later change must not shrink what the user sees.
    form->gamesTable->resizeColumnsToContents();
}

GamesWindow::~GamesWindow()
{
    delete form;
}

QString GamesWindow::describe(const GameRule &rule)
{
    switch (rule.kind) {
    case GameRule::Kind::Executable:
        return tr("File name: %1").arg(rule.pattern);
    case GameRule::Kind::CommandLine:
        return tr("Command line has: %1").arg(rule.pattern);
    case GameRule::Kind::SteamAppId:
        break;
    }
    return tr("Steam app id: %1").arg(rule.pattern);
}

void GamesWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    runningTimer.start();
}

void GamesWindow::hideEvent(QHideEvent *event)
{
    runningTimer.stop();
    QDialog::hideEvent(event);
}

void GamesWindow::reload()
{
    profiles = ProfileStore().names();
    const QString profile = form->profileCombo->currentText();
    form->profileCombo->clear();
    form->profileCombo->addItems(profiles);
    form->profileCombo->setCurrentText(profile);

    form->runningList->clear();
    refreshRunning();
    showLoaded(file.load());
}

void GamesWindow::showLoaded(const GamesFile::Loaded &loaded)
{
    usable = loaded.ok();
    list = loaded.list;
    fileExisted = loaded.exists;
    fileContent = loaded.content;
    form->problemLabel->setText(loaded.problem());
    form->problemLabel->setVisible(!usable);
    for (QWidget *edit :
         {static_cast<QWidget *>(form->enabledCheckBox), static_cast<QWidget *>(form->removeButton),
          static_cast<QWidget *>(form->addGroup)})
        edit->setEnabled(usable);
    showList();
}

void GamesWindow::refreshRunning()
{
    // Item by item, so that the pick and the scrolling stay where the user left them.
    QTreeWidget *tree = form->runningList;
    QHash<int, ProcessScan::Running> now;
    for (const ProcessScan::Running &process : ProcessScan(procRoot).running())
        now.insert(process.pid, process);
    const QSignalBlocker quiet(tree);
    for (int i = tree->topLevelItemCount(); i-- > 0;) {
        QTreeWidgetItem *item = tree->topLevelItem(i);
        const auto process = now.constFind(item->data(0, PID_ROLE).toInt());
        if (process != now.constEnd() && process->name == item->text(0) &&
            process->commandLine == item->text(1))
            now.erase(process);
        else
            delete item;
    }
    for (const ProcessScan::Running &process : std::as_const(now)) {
        auto *item = new QTreeWidgetItem(QStringList{process.name, process.commandLine});
        item->setData(0, PID_ROLE, process.pid);
        item->setToolTip(1, process.commandLine);
        tree->addTopLevelItem(item);
    }
    tree->sortItems(0, Qt::AscendingOrder);
}

void GamesWindow::showList()
{
    {
        const QSignalBlocker quiet(form->enabledCheckBox);
        form->enabledCheckBox->setChecked(list.enabled);
    }
    QTableWidget *table = form->gamesTable;
    table->setRowCount(int(list.games.size()));
    const QIcon warning = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    for (int row = 0; row < list.games.size(); ++row) {
        const GameRule &rule = list.games[row];
        auto *name = new QTableWidgetItem(rule.name);
        table->setItem(row, 0, name);
        table->setItem(row, 1, new QTableWidgetItem(describe(rule)));
        table->setItem(row, PROFILE_COLUMN, new QTableWidgetItem(rule.profile));
        auto *combo = new QComboBox;
        combo->addItems(profiles);
        combo->setAccessibleName(tr("Profile of %1").arg(rule.name));
        const Outcome missing = GamesFile::checkProfile(rule, profiles);
        if (!missing.ok()) {
            // Shown as it is, marked: the watch can not apply it until it exists again.
            combo->insertItem(0, warning, rule.profile);
            name->setIcon(warning);
            name->setToolTip(missing.reason());
            combo->setToolTip(missing.reason());
            combo->setAccessibleDescription(missing.reason());
        }
        combo->setCurrentText(rule.profile);
        // Queued: the change may show the list anew, which replaces this combo.
        connect(combo, &QComboBox::currentTextChanged, this,
                [this, game = rule.name](const QString &profile) { changeProfile(game, profile); },
                Qt::QueuedConnection);
        table->setCellWidget(row, PROFILE_COLUMN, combo);
    }
    form->removeButton->setEnabled(usable && !list.games.isEmpty());
}

void GamesWindow::warn(const QString &text)
{
    QMessageBox::warning(this, windowTitle(), text);
}

bool GamesWindow::store(const GamesList &next)
{
    // Someone may have edited the file by hand while the window was open: that stays.
    const GamesFile::Loaded onDisk = file.load();
    if (onDisk.exists != fileExisted || onDisk.content != fileContent) {
        showLoaded(onDisk);
        warn(tr("%1 was changed on disk since this window read it. Nothing was written; the "
                "window shows the file as it is now.")
                 .arg(file.path()));
        return false;
    }
    const Outcome written = file.save(next);
    if (!written.ok()) {
        warn(tr("%1 can not be written: %2.").arg(file.path(), written.reason()));
        showList();
        return false;
    }
    list = next;
    fileExisted = true;
    fileContent = GamesFile::toJson(next);
    showList();
    if (changed)
        changed(list);
    return true;
}

void GamesWindow::changeProfile(const QString &game, const QString &profile)
{
    for (int i = 0; i < list.games.size(); ++i) {
        if (list.games[i].name != game || list.games[i].profile == profile)
            continue;
        GamesList next = list;
        next.games[i].profile = profile;
        const int row = form->gamesTable->currentRow();
        if (store(next))
            form->gamesTable->selectRow(row);
        return;
    }
}

void GamesWindow::on_addButton_clicked()
{
    GameRule rule;
    rule.name = form->nameEdit->text().trimmed();
    rule.kind = GameRule::Kind(std::max(0, form->kindCombo->currentIndex()));
    // As picked or typed: a file name may well end in a space.
    rule.pattern = form->ruleEdit->text();
    rule.profile = form->profileCombo->currentText();
    QString problem = GamesFile::checkRule(rule).reason();
    for (const GameRule &game : std::as_const(list.games)) {
        if (problem.isEmpty() && game.name == rule.name)
            problem = tr("the name \"%1\" is given to a game already").arg(rule.name);
    }
    if (!problem.isEmpty()) {
        warn(tr("The game can not be added: %1.").arg(problem));
        return;
    }
    GamesList next = list;
    next.games.append(rule);
    if (store(next)) {
        form->nameEdit->clear();
        form->ruleEdit->clear();
        form->gamesTable->selectRow(int(list.games.size()) - 1);
    }
}

void GamesWindow::on_removeButton_clicked()
{
    const int row = form->gamesTable->currentRow();
    if (row < 0 || row >= list.games.size())
        return;
    GamesList next = list;
    next.games.removeAt(row);
    if (store(next))
        form->gamesTable->selectRow(std::min(row, int(list.games.size()) - 1));
}

void GamesWindow::on_enabledCheckBox_toggled(bool checked)
{
    GamesList next = list;
    next.enabled = checked;
    if (!store(next)) {
        const QSignalBlocker quiet(form->enabledCheckBox);
        form->enabledCheckBox->setChecked(list.enabled);
    }
}

void GamesWindow::on_runningList_currentItemChanged(QTreeWidgetItem *current)
{
    if (!current)
        return;
    const QString name = current->text(0);
    form->nameEdit->setText(
        name.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive) ? name.chopped(4) : name);
    form->kindCombo->setCurrentIndex(int(GameRule::Kind::Executable));
    form->ruleEdit->setText(name);
}
