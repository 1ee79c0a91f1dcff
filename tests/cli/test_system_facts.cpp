// The facts kestrix doctor reports, on a fake system tree: the udev rules in effect and
// whether a node's ACL grants this user access.

#include "system_facts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <array>

namespace
{

QByteArray aclValue(std::initializer_list<std::array<uint32_t, 3>> entries, uint32_t version = 2)
{
    QByteArray value;
    const auto put = [&value](uint32_t number, int bytes) {
        for (int i = 0; i < bytes; ++i)
            value.append(char(number >> (8 * i) & 0xFF));
    };
    put(version, 4);
    for (const auto &entry : entries) {
        put(entry[0], 2);
        put(entry[1], 2);
        put(entry[2], 4);
    }
    return value;
}

} // namespace

Q_DECLARE_METATYPE(NodeAcl)

class SystemFactsTest : public QObject
{
    Q_OBJECT

private slots:
    void rules_data();
    void rules();
    void acl_data();
    void acl();
};

void SystemFactsTest::rules_data()
{
    QTest::addColumn<QStringList>("files"); // folder/name=content
    QTest::addColumn<bool>("udevRuns");
    QTest::addColumn<QStringList>("rules"); // path relative to the root, "early" or "late"

    const QString rule =
        QStringLiteral("SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"045B\", TAG+=\"uaccess\"");
    QTest::newRow("none") << QStringList{} << false << QStringList{};
    QTest::newRow("usr/lib, late")
        << QStringList{"usr/lib/udev/rules.d/99-kestrix.rules=" + rule} << false
        << QStringList{"/usr/lib/udev/rules.d/99-kestrix.rules late"};
    QTest::newRow("usr/local/lib and run")
        << QStringList{"usr/local/lib/udev/rules.d/60-a.rules=" + rule,
                       "run/udev/rules.d/80-b.rules=" + rule}
        << false
        << QStringList{"/usr/local/lib/udev/rules.d/60-a.rules early",
                       "/run/udev/rules.d/80-b.rules late"};
    QTest::newRow("masked in etc") << QStringList{"usr/lib/udev/rules.d/70-kestrix.rules=" + rule,
                                                  "etc/udev/rules.d/70-kestrix.rules="}
                                   << false << QStringList{};
    QTest::newRow("commented out")
        << QStringList{"etc/udev/rules.d/70-kestrix.rules=# " + rule} << false << QStringList{};
    QTest::newRow("another vendor")
        << QStringList{"etc/udev/rules.d/70-x.rules=ATTRS{idVendor}==\"045c\""} << false
        << QStringList{};
    QTest::newRow("not a rules file")
        << QStringList{"etc/udev/rules.d/70-kestrix.rules.bak=" + rule} << false << QStringList{};
}

void SystemFactsTest::rules()
{
    QFETCH(QStringList, files);
    QFETCH(bool, udevRuns);
    QFETCH(QStringList, rules);
    QTemporaryDir root;
    for (const QString &file : files) {
        const QString path = root.filePath(file.section(QLatin1Char('='), 0, 0));
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile written(path);
        QVERIFY(written.open(QIODevice::WriteOnly));
        written.write(file.section(QLatin1Char('='), 1).toUtf8());
    }
    const AccessFacts facts = accessFacts(root.path());
    QCOMPARE(facts.udevRuns, udevRuns);
    QStringList found;
    for (const UdevRuleFile &file : facts.rules)
        found << file.path.mid(root.path().size()) + (file.early ? " early" : " late");
    QCOMPARE(found, rules);
}

void SystemFactsTest::acl_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<NodeAcl>("acl");
    constexpr uint32_t USER_OBJ = 1, USER = 2, GROUP_OBJ = 4, MASK = 0x10, OTHER = 0x20;
    constexpr uint32_t ME = 1000;

    QTest::newRow("uaccess grant")
        << aclValue(
               {{USER_OBJ, 6, 0}, {USER, 6, ME}, {GROUP_OBJ, 6, 0}, {MASK, 6, 0}, {OTHER, 0, 0}})
        << NodeAcl::Granted;
    QTest::newRow("another user's")
        << aclValue({{USER_OBJ, 6, 0}, {USER, 6, 1001}, {MASK, 6, 0}}) << NodeAcl::NotGranted;
    QTest::newRow("read only") << aclValue({{USER, 4, ME}, {MASK, 6, 0}}) << NodeAcl::NotGranted;
    QTest::newRow("mask takes write")
        << aclValue({{USER, 6, ME}, {MASK, 4, 0}}) << NodeAcl::NotGranted;
    QTest::newRow("unknown version") << aclValue({{USER, 6, ME}}, 1) << NodeAcl::Unknown;
    QTest::newRow("cut short") << aclValue({{USER, 6, ME}}).chopped(3) << NodeAcl::Unknown;
}

void SystemFactsTest::acl()
{
    QFETCH(QByteArray, value);
    QFETCH(NodeAcl, acl);
    QCOMPARE(aclForUser(value, 1000), acl);
}

QTEST_GUILESS_MAIN(SystemFactsTest)
#include "test_system_facts.moc"
