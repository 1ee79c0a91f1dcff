#include "profile_widget.h"

#include "ui_profile_widget.h"

#include "effect_settings_record.h"
#include "effect_settings_widget_variant.h"
#include "wheel_service.h"

#include <QAction>
#include <QCompleter>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>

ProfileWidget::ProfileWidget(QWidget *parent) : QWidget(parent), form(new Ui::ProfileWidget)
{
    form->setupUi(this);
    // Assistive technology meets the edit field as a node of its own, focused along with
    // the list while a name is typed: it carries the list's name.
    form->profileComboBox->lineEdit()->setAccessibleName(form->profileComboBox->accessibleName());
    // Enter takes the item that matches the typed name, and the combo box matches the way
    // its completer does: "rally" must not apply "Rally", which is another profile.
    if (QCompleter *completer = form->profileComboBox->completer())
        completer->setCaseSensitivity(Qt::CaseSensitive);
    // When the field loses the focus (a click on Save or Delete, another window), the
    // combo box takes a typed name that matches an item for a choice of that item, and a
    // choice applies it. Only the list, the tray and Enter are choices.
    QObject::disconnect(form->profileComboBox->lineEdit(), &QLineEdit::editingFinished,
                        form->profileComboBox, nullptr);

    form->profileComboBox->installEventFilter(this);

    form->profileDeleteButton->setFocus(Qt::OtherFocusReason);
}

bool ProfileWidget::eventFilter(QObject *watched, QEvent *event)
{
    // Enter reaches the field through the combo box, which reports the typed name as
    // chosen while it handles the key; any later event ends that.
    if (watched == form->profileComboBox) {
        const auto *key =
            event->type() == QEvent::KeyPress ? static_cast<const QKeyEvent *>(event) : nullptr;
        nameEntered = key && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter);
    }
    return QWidget::eventFilter(watched, event);
}

ProfileWidget::~ProfileWidget()
{
    delete form;
}

void ProfileWidget::attach(EffectSettingsWidgetVariant *panel_, QMenu *profilesMenu_,
                           WheelService *service_)
{
    panel = panel_;
    profilesMenu = profilesMenu_;
    service = service_;
    if (service) {
        connect(service, &WheelService::heldProfileChanged, this, [this](const QString &name) {
            held = name;
            showHeld();
        });
    }
    refreshProfiles();
}

void ProfileWidget::setNotifier(Notifier notifier_)
{
    notifier = std::move(notifier_);
}

void ProfileWidget::tell(const QString &text)
{
    if (notifier)
        notifier(text);
    else
        QMessageBox::warning(this, window()->windowTitle(), text);
}

void ProfileWidget::refreshProfiles()
{
    form->profileComboBox->clear();
    if (profilesMenu) {
        for (QAction *action : profilesMenu->actions())
            action->deleteLater();
        profilesMenu->clear();
    }

    for (const QString &name : store.names()) {
        form->profileComboBox->addItem(name);
        if (!profilesMenu)
            continue;
        // Owned by this widget, so that the last set goes with it.
        auto *action = new QAction(name, this);
        connect(action, &QAction::triggered, this, [this, name] { pickProfile(name); });
        profilesMenu->addAction(action);
    }
    form->profileComboBox->setCurrentIndex(-1);
}

void ProfileWidget::showName(const QString &name, bool failed)
{
    QComboBox *combo = form->profileComboBox;
    combo->setCurrentIndex(combo->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive));
    if (failed && combo->currentIndex() < 0)
        combo->setEditText(name);
}

ProfileStore::Outcome ProfileWidget::pickProfile(const QString &name)
{
    return apply(name);
}

void ProfileWidget::applyProfile(const QString &name)
{
    apply(name);
}

ProfileStore::Outcome ProfileWidget::apply(const QString &name, bool typed)
{
    ProfileStore::Outcome read;
    if (!panel) { // not attached: nowhere to load it
        read.problem = Outcome::Problem::Failed;
        return read;
    }
    unsigned char record[EFFECT_SETTINGS_RECORD_SIZE];
    read = store.read(name, record);
    if (!read.ok()) {
        tell(WheelService::failureText(read));
        // A typed name that is no profile stays, to be corrected; one that is a profile
        // would claim the wheel holds it.
        if (!typed || store.names().contains(name))
            showHeld();
        return read;
    }
    lastApplied = name;
    const Outcome done = service ? service->applyProfile(name)
                                 : Outcome::failed(Outcome::Problem::NoDevice);
    // Without a wheel the panel shows it still, to be edited and saved; the service has
    // shown what went to the wheel.
    if (done.problem == Outcome::Problem::NoDevice) {
        held = name;
        panel->loadSettings(record);
    }
    emit profileApplied();
    if (!done.ok() && done.problem != Outcome::Problem::NoDevice)
        tell(WheelService::failureText(done, name));
    showHeld();
    return read;
}

void ProfileWidget::showHeld()
{
    QComboBox *combo = form->profileComboBox;
    combo->setCurrentIndex(combo->findText(held, Qt::MatchExactly | Qt::MatchCaseSensitive));
    if (combo->currentIndex() < 0)
        combo->setEditText(held);
}

void ProfileWidget::on_profileComboBox_activated(int index)
{
    apply(form->profileComboBox->itemText(index), nameEntered);
}

void ProfileWidget::on_profileSaveButton_clicked()
{
    const QString name = form->profileComboBox->currentText();
    if (!panel)
        return;
    unsigned char record[EFFECT_SETTINGS_RECORD_SIZE] = {};
    panel->storeSettings(record);
    const ProfileStore::Outcome saved = store.write(name, record);
    refreshProfiles();
    showName(name, !saved.ok());
    if (!saved.ok())
        tell(tr("The profile could not be saved: %1.").arg(ProfileStore::reason(saved)));
}

void ProfileWidget::on_profileDeleteButton_clicked()
{
    const QString name = form->profileComboBox->currentText();
    const ProfileStore::Outcome removed = store.remove(name);
    if (removed.ok() && name == held)
        held.clear();
    refreshProfiles();
    if (!removed.ok()) {
        showName(name, true);
        tell(tr("The profile could not be deleted: %1.").arg(ProfileStore::reason(removed)));
    }
}
