#pragma once

#include "profile_store.h"

#include <QWidget>

#include <functional>

class EffectSettingsWidgetVariant;
class QMenu;
class WheelService;

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

    // Source of saved profiles, the menu to fill, and the way applied ones reach the wheel.
    void attach(EffectSettingsWidgetVariant *panel, QMenu *profilesMenu, WheelService *service);
    void refreshProfiles();

    // Tells the user what went wrong; without one, a warning box over this widget does.
    using Notifier = std::function<void(const QString &text)>;
    void setNotifier(Notifier notifier);

    // The name of the profile that was applied last.
    QString appliedProfile() const { return lastApplied; }

    // As a pick from the tray's "Profiles" menu: the profile is applied, and the field then
    // names the profile the wheel holds.
    ProfileStore::Outcome pickProfile(const QString &name);

signals:
    void profileApplied();

private slots:
    void on_profileSaveButton_clicked();
    void on_profileDeleteButton_clicked();
    void on_profileComboBox_activated(int index);

public slots:
    // Loads the named profile into the panel; a profile that can not be read whole
    // changes nothing, and the user is told why.
    void applyProfile(const QString &name);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // `typed`: the name came from Enter in the field, not from a list.
    ProfileStore::Outcome apply(const QString &name, bool typed = false);
    // The field names the profile the wheel holds, or is empty.
    void showHeld();
    void tell(const QString &text);
    // After a refresh: the saved profile selected, or, when the action failed, the typed
    // name kept so that the user can correct it.
    void showName(const QString &name, bool failed);

    Ui::ProfileWidget *form;
    EffectSettingsWidgetVariant *panel = nullptr;
    WheelService *service = nullptr;
    ProfileStore store;
    QMenu *profilesMenu = nullptr;
    Notifier notifier;
    QString lastApplied;
    // The profile the wheel holds, as the service says.
    QString held;
    // Set while the combo box handles Enter, which it reports as a choice.
    bool nameEntered = false;
};
