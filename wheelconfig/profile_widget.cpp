#include "profile_widget.h"

#include "ui_profile_widget.h"

#include "effect_settings_record.h"
#include "effect_settings_widget_variant.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QSaveFile>

namespace {
const QString PROFILE_DIRECTORY = QStringLiteral("wheel_profiles");
}

ProfileWidget::ProfileWidget(QWidget *parent) : QWidget(parent), form(new Ui::ProfileWidget)
{
    form->setupUi(this);
    // Assistive technology meets the edit field as a node of its own, focused along with
    // the list while a name is typed: it carries the list's name.
    form->profileComboBox->lineEdit()->setAccessibleName(form->profileComboBox->accessibleName());

    profileDir = QDir::current();
    profileDir.mkdir(PROFILE_DIRECTORY);
    storeUsable = profileDir.cd(PROFILE_DIRECTORY);

    form->profileDeleteButton->setFocus(Qt::OtherFocusReason);
}

ProfileWidget::~ProfileWidget()
{
    delete form;
}

void ProfileWidget::attach(EffectSettingsWidgetVariant *panel_, QMenu *profilesMenu_)
{
    panel = panel_;
    profilesMenu = profilesMenu_;
    refreshProfiles();
}

bool ProfileWidget::isSafeProfileName(const QString &name)
{
    // A name is joined to the store's path: it must not lead out of it, and a hidden name
    // would be saved but never listed.
    return !name.isEmpty() && !name.startsWith(QLatin1Char('.')) &&
           !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'));
}

void ProfileWidget::refreshProfiles()
{
    form->profileComboBox->clear();
    if (profilesMenu) {
        for (QAction *action : profilesMenu->actions())
            action->deleteLater();
        profilesMenu->clear();
    }

    QStringList names;
    if (storeUsable)
        names = profileDir.entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QString &name : names) {
        if (!isSafeProfileName(name))
            continue; // could be neither applied nor deleted
        form->profileComboBox->addItem(name);
        if (!profilesMenu)
            continue;
        // Owned by this widget, so that the last set goes with it.
        auto *action = new QAction(name, this);
        connect(action, &QAction::triggered, this, [this, name] {
            form->profileComboBox->setCurrentIndex(-1);
            applyProfile(name);
        });
        profilesMenu->addAction(action);
    }
    form->profileComboBox->setCurrentIndex(-1);
}

void ProfileWidget::applyProfile(const QString &name)
{
    if (!storeUsable || !panel || !isSafeProfileName(name))
        return;
    const QString path = profileDir.filePath(name);
    if (!QFileInfo(path).isFile())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    unsigned char record[EFFECT_SETTINGS_RECORD_SIZE] = {};
    const qint64 read = file.read(reinterpret_cast<char *>(record), EFFECT_SETTINGS_RECORD_SIZE);
    file.close();
    // A short file holds no whole profile: loading it would mix in bytes nobody read.
    if (read != EFFECT_SETTINGS_RECORD_SIZE)
        return;
    panel->loadSettings(record);
    emit profileApplied();
}

void ProfileWidget::on_profileComboBox_activated(int index)
{
    applyProfile(form->profileComboBox->itemText(index));
}

void ProfileWidget::on_profileSaveButton_clicked()
{
    const QString name = form->profileComboBox->currentText();
    if (storeUsable && panel && isSafeProfileName(name)) {
        unsigned char record[EFFECT_SETTINGS_RECORD_SIZE] = {};
        panel->storeSettings(record);
        // Written aside and renamed into place, so a failed write never leaves the old
        // profile truncated.
        QSaveFile file(profileDir.filePath(name));
        if (file.open(QIODevice::WriteOnly)) {
            file.write(reinterpret_cast<const char *>(record), EFFECT_SETTINGS_RECORD_SIZE);
            file.commit();
        }
    }
    refreshProfiles();
    form->profileComboBox->setCurrentIndex(
        form->profileComboBox->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

void ProfileWidget::on_profileDeleteButton_clicked()
{
    const QString name = form->profileComboBox->currentText();
    if (storeUsable && isSafeProfileName(name) && QFileInfo(profileDir.filePath(name)).isFile())
        profileDir.remove(name);
    refreshProfiles();
}
