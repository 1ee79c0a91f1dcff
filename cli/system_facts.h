#pragma once

// Linux: the facts of the system that explain why a plugged-in controller can not be
// opened, as kestrix doctor reports them. Read from udev's rule folders and the nodes'
// ACLs under a root folder ("" on a running system, a fake tree in tests).

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

#include <sys/types.h>

struct UdevRuleFile {
    QString path;
    bool early = false; // sorts before 73-seat-late.rules, where uaccess is turned into ACLs
};
struct AccessFacts {
    bool udevRuns = false;
    std::vector<UdevRuleFile> rules; // the rule files in effect that name vendor 045b
};
AccessFacts accessFacts(const QString &root);

// The folders udev reads its rules from, a name in an earlier one hiding the same name in
// the later ones.
QStringList udevRuleFolders(const QString &root);

// The ACL of a node as its system.posix_acl_access attribute holds it.
enum class NodeAcl { Granted, NotGranted, Unknown };
// Whether the attribute's value gives the user read and write access of its own.
NodeAcl aclForUser(const QByteArray &xattrValue, uid_t uid);
NodeAcl nodeAclForUser(const QString &node, uid_t uid);

// The root folder of the system facts that kestrix reports; tests point it at a fake tree.
void setSystemRoot(const QString &root);
QString systemRoot();
