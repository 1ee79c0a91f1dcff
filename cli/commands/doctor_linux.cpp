#include "commands.h"

#include "input_source.h"
#include "presence.h"
#include "system_facts.h"

#include <QFileInfo>
#include <QTextStream>

#include <unistd.h>

namespace
{

// The project's udev rule: the installed one, else the source tree's.
QString projectRule()
{
    const QString installed = QStringLiteral(KESTRIX_INSTALLED_RULE);
    return QFileInfo::exists(installed) ? installed : QStringLiteral(KESTRIX_SOURCE_RULE);
}

// Logged in over ssh, or in a session without a seat: the seat's access is not this one's.
bool remoteSession()
{
    return qEnvironmentVariableIsSet("SSH_CONNECTION") || qEnvironmentVariableIsEmpty("XDG_SEAT");
}

const QString RELOAD = QStringLiteral("sudo udevadm control --reload && sudo udevadm trigger");

} // namespace

Outcome DoctorCommand::run()
{
    if (const Outcome started = startBus(); !started.ok())
        return started;
    installRule = QStringLiteral("sudo install -m 644 %1 /etc/udev/rules.d/").arg(projectRule());
    std::vector<PresentDevice> devices;
    for (const PresentDevice &device : presentDevices()) {
        if (productById(device.productId))
            devices.push_back(device);
    }
    const bool ruleOk = checkUdev(devices.empty());
    const int plugged = int(devices.size());
    const int unusable = checkControllers(devices, ruleOk);
    out << doctorSummary(plugged, unusable, unreadableEvents);
    return unusable + unreadableEvents > 0 ? explainedAbove(EXIT_DEVICE) : Outcome();
}

void DoctorCommand::fix(const QString &step)
{
    out << "  fix: " << step << '\n';
}

void DoctorCommand::fixRule(const QString &plugIn)
{
    fix(installRule);
    fix(RELOAD);
    fix(plugIn);
}

bool DoctorCommand::checkUdev(bool nonePlugged)
{
    const QString root = systemRoot();
    const AccessFacts facts = accessFacts(root);
    if (facts.udevRuns) {
        out << "udev running: ok\n";
    } else {
        out << "udev running: no (" << root << "/run/udev/control is missing): no rule gives "
            << "access to a device node\n";
        fix(QStringLiteral("sudo systemctl start systemd-udevd"));
    }

    const UdevRuleFile *early = nullptr;
    for (const UdevRuleFile &rule : facts.rules) {
        if (rule.early && !early)
            early = &rule;
    }
    if (early) {
        out << "udev rule for vendor 045b: ok (" << early->path << ")\n";
        return true;
    }
    if (facts.rules.empty())
        out << "udev rule for vendor 045b: none installed\n";
    else
        out << "udev rule for vendor 045b: " << facts.rules.front().path
            << " sorts after 73-seat-late.rules, where the seat's access is granted\n";
    // Where a controller is plugged in, the fixes follow it only if this user can not use
    // it; with none plugged in, they are for the one to come.
    if (nonePlugged)
        fixRule(QStringLiteral("plug the controller in again"));
    return false;
}

int DoctorCommand::checkControllers(const std::vector<PresentDevice> &devices, bool ruleOk)
{
    int unusable = 0;
    for (const PresentDevice &device : devices) {
        const Product *product = productById(device.productId);
        const QString name = QStringLiteral("%1 %2 (bus %3, device %4)")
                                 .arg(QLatin1String(product->kind), hex16(product->productId))
                                 .arg(device.busNumber)
                                 .arg(device.deviceNumber);
        const QString plugIn =
            QStringLiteral("plug the %1 in again").arg(QLatin1String(product->kind));
        if (device.access == DeviceAccess::Usable) {
            out << name << ": ok\n";
            // Beside the settings node, the event node that the live input reads.
            const InputOpening events = openInput(uint16_t(device.productId));
            if (events.source || events.absent) {
                out << "  input events: " << (events.source ? QStringLiteral("ok") : events.reason)
                    << '\n';
                continue;
            }
            ++unreadableEvents;
            out << "  input events: " << events.reason << '\n';
            if (ruleOk) {
                fix(RELOAD);
                fix(plugIn);
            } else {
                fixRule(plugIn);
            }
            continue;
        }
        ++unusable;
        out << name << ": " << unusableText(*product, device).section(QStringLiteral(", "), 1, -1)
            << '\n';
        const QString node = QString::fromStdString(device.node);
        if (device.access == DeviceAccess::Busy) {
            fix(QStringLiteral("close the program that holds it (sudo fuser -v %1 names it)")
                    .arg(node));
            continue;
        }
        if (device.access == DeviceAccess::Denied &&
            nodeAclForUser(node, geteuid()) == NodeAcl::NotGranted)
            out << "  " << node << " has no access entry for this user: the seat grants one "
                << "only to the user logged in at the machine\n";
        if (ruleOk) {
            fix(RELOAD);
            fix(plugIn);
        } else {
            fixRule(plugIn);
        }
        // The seat grants access only to the session at the machine.
        if (device.access == DeviceAccess::Denied && remoteSession())
            fix(QStringLiteral("log in at the machine rather than over ssh"));
    }
    return unusable;
}
