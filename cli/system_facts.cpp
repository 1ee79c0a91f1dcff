#include "system_facts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <cstdint>
#include <map>

#include <sys/xattr.h>

namespace
{

const char SEAT_LATE_RULES[] = "73-seat-late.rules";

QString &rootSetting()
{
    static QString root;
    return root;
}

} // namespace

QStringList udevRuleFolders(const QString &root)
{
    return {root + QStringLiteral("/etc/udev/rules.d"), root + QStringLiteral("/run/udev/rules.d"),
            root + QStringLiteral("/usr/local/lib/udev/rules.d"),
            root + QStringLiteral("/usr/lib/udev/rules.d")};
}

AccessFacts accessFacts(const QString &root)
{
    AccessFacts facts;
    facts.udevRuns = QFileInfo::exists(root + QStringLiteral("/run/udev/control"));
    // A rule file that matches the vendor's id, as an attribute or an environment value.
    static const QRegularExpression namesVendor(
        QStringLiteral("(idVendor\\}|ID_VENDOR_ID\\})\\s*==\\s*\"045b\""),
        QRegularExpression::CaseInsensitiveOption);
    std::map<QString, QString> inEffect; // by name, in udev's order
    for (const QString &folder : udevRuleFolders(root)) {
        const QDir dir(folder);
        for (const QString &name : dir.entryList({QStringLiteral("*.rules")},
                                                 QDir::Files | QDir::System | QDir::Readable)) {
            inEffect.emplace(name, dir.filePath(name)); // an earlier folder's file wins
        }
    }
    for (const auto &[name, path] : inEffect) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromUtf8(file.read(1 << 20));
        for (const QString &line : text.split(QLatin1Char('\n'))) {
            const QString trimmed = line.trimmed();
            if (!trimmed.startsWith(QLatin1Char('#')) && namesVendor.match(trimmed).hasMatch()) {
                facts.rules.push_back({path, name < QLatin1String(SEAT_LATE_RULES)});
                break;
            }
        }
    }
    return facts;
}

NodeAcl aclForUser(const QByteArray &value, uid_t uid)
{
    // The kernel's layout: a 4-byte version 2, then 8-byte entries of tag, permissions, id.
    constexpr uint16_t ACL_USER = 0x02, ACL_MASK = 0x10;
    constexpr uint16_t READ_WRITE = 0x04 | 0x02;
    if (value.size() < 4 || (value.size() - 4) % 8 != 0)
        return NodeAcl::Unknown;
    const auto *bytes = reinterpret_cast<const unsigned char *>(value.constData());
    const auto u16 = [&](int at) { return uint16_t(bytes[at] | bytes[at + 1] << 8); };
    const auto u32 = [&](int at) {
        return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
               uint32_t(bytes[at + 3]) << 24;
    };
    if (u32(0) != 2)
        return NodeAcl::Unknown;
    bool user = false;
    uint16_t mask = READ_WRITE;
    for (int at = 4; at < value.size(); at += 8) {
        const uint16_t tag = u16(at);
        if (tag == ACL_USER && u32(at + 4) == uid && (u16(at + 2) & READ_WRITE) == READ_WRITE)
            user = true;
        else if (tag == ACL_MASK)
            mask = u16(at + 2);
    }
    return user && (mask & READ_WRITE) == READ_WRITE ? NodeAcl::Granted : NodeAcl::NotGranted;
}

NodeAcl nodeAclForUser(const QString &node, uid_t uid)
{
    const QByteArray path = QFile::encodeName(node);
    char value[1024];
    const ssize_t size =
        ::getxattr(path.constData(), "system.posix_acl_access", value, sizeof value);
    if (size < 0)
        return errno == ENODATA ? NodeAcl::NotGranted : NodeAcl::Unknown; // no ACL at all
    return aclForUser(QByteArray(value, int(size)), uid);
}

void setSystemRoot(const QString &root)
{
    rootSetting() = root;
}

QString systemRoot()
{
    return rootSetting();
}
