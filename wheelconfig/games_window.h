#pragma once

#include "games_file.h"

#include <QWidget>

#include <functional>

class QTreeWidgetItem;

namespace Ui
{
class GamesWindow;
}

// The games bound to profiles, as wheel_games.json holds them: the list, Remove, the
// switch that turns the watch off, and a game added from the processes running now or
// from a typed rule. Every change is written to the file at once.
class GamesWindow : public QWidget
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

private slots:
    void on_addButton_clicked();
    void on_removeButton_clicked();
    void on_enabledCheckBox_clicked(bool checked);
    void on_runningList_currentItemChanged(QTreeWidgetItem *current);

private:
    void showList();
    // Writes `next`; on failure the user is told and the list stays as it was.
    bool store(const GamesList &next);
    void warn(const QString &text);

    Ui::GamesWindow *form;
    GamesFile file;
    GamesList list;
    // False while the file can not be used: then it is left as it is.
    bool usable = true;
    QString procRoot;
    Changed changed;
};
