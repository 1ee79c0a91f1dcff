#include "games_window.h"

#include "ui_games_window.h"

#include "game_watch.h"
#include "profile_store.h"

#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>

GamesWindow::GamesWindow(const QString &procRoot_, QWidget *parent)
    : QWidget(parent, Qt::Window), form(new Ui::GamesWindow), procRoot(procRoot_)
{
    form->setupUi(this);
    // Closing it while the main window sits in the tray must not end the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    connect(form->closeButton, &QPushButton::clicked, this, &QWidget::close);
    // Escape closes it as it would a dialog.
    connect(new QShortcut(QKeySequence::Cancel, this), &QShortcut::activated, this,
            &QWidget::close);
    form->runningList->header()->setStretchLastSection(true);
    reload();
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

void GamesWindow::reload()
{
    const GamesFile::Loaded loaded = file.load();
    usable = loaded.ok();
    list = loaded.list;
    form->problemLabel->setText(loaded.problem);
    form->problemLabel->setVisible(!usable);
    for (QWidget *edit :
         {static_cast<QWidget *>(form->enabledCheckBox), static_cast<QWidget *>(form->removeButton),
          static_cast<QWidget *>(form->addGroup)})
        edit->setEnabled(usable);

    const QString profile = form->profileCombo->currentText();
    form->profileCombo->clear();
    form->profileCombo->addItems(ProfileStore().names());
    form->profileCombo->setCurrentText(profile);

    form->runningList->clear();
    for (const ProcessScan::Running &process : ProcessScan(procRoot).running()) {
        auto *item = new QTreeWidgetItem(QStringList{process.name, process.commandLine});
        item->setToolTip(1, process.commandLine);
        form->runningList->addTopLevelItem(item);
    }
    form->runningList->sortItems(0, Qt::AscendingOrder);
    showList();
}

void GamesWindow::showList()
{
    form->enabledCheckBox->setChecked(list.enabled);
    QTableWidget *table = form->gamesTable;
    table->setRowCount(int(list.games.size()));
    for (int row = 0; row < list.games.size(); ++row) {
        const GameRule &rule = list.games[row];
        table->setItem(row, 0, new QTableWidgetItem(rule.name));
        table->setItem(row, 1, new QTableWidgetItem(describe(rule)));
        table->setItem(row, 2, new QTableWidgetItem(rule.profile));
    }
    table->resizeColumnsToContents();
    form->removeButton->setEnabled(usable && !list.games.isEmpty());
}

void GamesWindow::warn(const QString &text)
{
    QMessageBox::warning(this, windowTitle(), text);
}

bool GamesWindow::store(const GamesList &next)
{
    const Outcome written = file.save(next);
    if (!written.ok()) {
        warn(tr("%1 can not be written: %2.").arg(file.path(), written.reason()));
        return false;
    }
    list = next;
    showList();
    if (changed)
        changed(list);
    return true;
}

void GamesWindow::on_addButton_clicked()
{
    GameRule rule;
    rule.name = form->nameEdit->text().trimmed();
    rule.kind = GameRule::Kind(std::max(0, form->kindCombo->currentIndex()));
    rule.pattern = form->ruleEdit->text().trimmed();
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

void GamesWindow::on_enabledCheckBox_clicked(bool checked)
{
    GamesList next = list;
    next.enabled = checked;
    if (!store(next))
        form->enabledCheckBox->setChecked(list.enabled);
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
