#pragma once

#include "games_file.h"

#include <QDialog>
#include <QTimer>

#include <functional>

class QTreeWidgetItem;

namespace Ui
{
class GamesWindow;
}

// The games bound to profiles, as wheel_games.json holds them: the list with each game's
// profile to change in place, Remove, the switch that turns the watch off, and a game added
// from the processes running now or from a typed rule. Every change is written to the file
// at once, unless the file changed on disk since the window read it.
class GamesWindow : public QDialog
{
    Q_OBJECT

public:
    explicit GamesWindow(const QString &procRoot = QStringLiteral("/proc"),
                         QWidget *parent = nullptr);
    ~GamesWindow() override;

    // Reads the file, the profiles and the running processes afresh.
    void reload();

    // Told the list after every change that reached the file.
    using Changed = std::function<void(const GamesList &list)>;
    void setChangeHandler(Changed handler) { changed = std::move(handler); }

    static QString describe(const GameRule &rule);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private slots:
    void on_addButton_clicked();
    void on_removeButton_clicked();
    // Toggled, not clicked: a screen reader's toggle is no click.
    void on_enabledCheckBox_toggled(bool checked);
    void on_runningList_currentItemChanged(QTreeWidgetItem *current);
    void refreshRunning();

private:
    void showLoaded(const GamesFile::Loaded &loaded);
    void showList();
    void changeProfile(const QString &game, const QString &profile);
    // Writes `next`; when the file changed on disk or can not be written, the user is told
    // and nothing is written.
    bool store(const GamesList &next);
    void warn(const QString &text);

    Ui::GamesWindow *form;
    GamesFile file;
    GamesList list;
    // The file as the window read or wrote it last, to tell a change on disk by.
    bool fileExisted = false;
    QByteArray fileContent;
    // False while the file can not be used: then it is left as it is.
    bool usable = true;
    QStringList profiles;
    QString procRoot;
    QTimer runningTimer;
    Changed changed;
};
