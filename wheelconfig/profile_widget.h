#pragma once

#include <QDir>
#include <QWidget>

class EffectSettingsWidgetVariant;
class QMenu;

namespace Ui {
class ProfileWidget;
}

// Named copies of the effect settings, one 22-byte file each in wheel_profiles of the
// working directory, listed in an editable combo box and in the tray's "Profiles" menu.
class ProfileWidget : public QWidget
{
    Q_OBJECT

public:
    explicit ProfileWidget(QWidget *parent = nullptr);
    ~ProfileWidget() override;

    // Source of saved profiles and target of applied ones, and the menu to fill.
    void attach(EffectSettingsWidgetVariant *panel, QMenu *profilesMenu);
    void refreshProfiles();

    // A name the store can hold: it names a file inside wheel_profiles that is listed.
    static bool isSafeProfileName(const QString &name);

signals:
    void profileApplied();

private slots:
    void on_profileSaveButton_clicked();
    void on_profileDeleteButton_clicked();
    void on_profileComboBox_activated(int index);

public slots:
    // Loads the named profile into the panel; a missing or short file changes nothing.
    void applyProfile(const QString &name);

private:
    Ui::ProfileWidget *form;
    EffectSettingsWidgetVariant *panel = nullptr;
    QDir profileDir;
    // False when wheel_profiles could not be made or entered: then there is no store at
    // all, rather than the working directory standing in for it.
    bool storeUsable = false;
    QMenu *profilesMenu = nullptr;
};
