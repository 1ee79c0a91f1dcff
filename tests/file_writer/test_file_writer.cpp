// The file writer on the faults a save meets: what the target holds afterwards and the
// reason given. Rows that need another user's files need root, as in CI; the steps that a
// user without root takes run in a child that has become another user.

#include "file_conditions.h"
#include "file_writer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace
{
enum class Setup {
    FullDisk,
    Device,
    Fifo,
    Folder,
    PlantedLink,
    OwnLink,
    Unwritable,
    ReadOnly,
    Owned,
    Sticky
};

// What stands at the path, not following a link: kind, mode, owner and content.
QString describe(const QString &path)
{
    struct stat status;
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return QStringLiteral("missing");
    if (S_ISLNK(status.st_mode))
        return QStringLiteral("link to ") + QFile::symLinkTarget(path);
    QFile file(path);
    if (!S_ISREG(status.st_mode) || !file.open(QIODevice::ReadOnly))
        return QStringLiteral("special %1").arg(status.st_mode, 0, 8);
    return QStringLiteral("file %1 %2:%3 ")
               .arg(status.st_mode, 0, 8)
               .arg(status.st_uid)
               .arg(status.st_gid) +
           QString::fromUtf8(file.readAll());
}

bool writeOld(const QString &path, mode_t mode)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("old") == 3 && file.flush() &&
           ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}
} // namespace

Q_DECLARE_METATYPE(Setup)

class FileWriterTest : public QObject
{
    Q_OBJECT

private slots:
    void oldFileStaysOrAllOfTheNewArrives_data();
    void oldFileStaysOrAllOfTheNewArrives();
};

void FileWriterTest::oldFileStaysOrAllOfTheNewArrives_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QString>("reason"); // empty: the new content is written

    const QString special = QStringLiteral("it is not a regular file");
    const QString denied = QStringLiteral("permission was denied");
    QTest::newRow("full disk") << Setup::FullDisk << QStringLiteral("the disk is full");
    QTest::newRow("device node") << Setup::Device << special;
    QTest::newRow("FIFO") << Setup::Fifo << special;
    QTest::newRow("directory") << Setup::Folder << special;
    QTest::newRow("another user's link in a sticky folder")
        << Setup::PlantedLink
        << QStringLiteral("it is a symbolic link that another user made in a shared folder, "
                          "and such links are not followed");
    QTest::newRow("own link in a sticky folder") << Setup::OwnLink << QString();
    QTest::newRow("unwritable folder") << Setup::Unwritable << denied;
    QTest::newRow("may not write the existing file") << Setup::ReadOnly << denied;
    QTest::newRow("another user's file: mode and owner kept") << Setup::Owned << QString();
    // Another user's writable file in a sticky folder: all but the final rename works.
    QTest::newRow("the final rename fails") << Setup::Sticky << denied;
}

void FileWriterTest::oldFileStaysOrAllOfTheNewArrives()
{
    QFETCH(Setup, setup);
    QFETCH(QString, reason);
    const bool root = ::geteuid() == 0;
    QTemporaryDir base;
    QVERIFY(base.isValid() && QDir(base.path()).mkdir(QStringLiteral("folder")));
    const QByteArray folder = QFile::encodeName(base.filePath(QStringLiteral("folder")));
    const QString path = base.filePath(QStringLiteral("folder/backup.json"));
    const QString target = base.filePath(QStringLiteral("target.json"));
    const QByteArray name = QFile::encodeName(path);
    QCOMPARE(::chmod(QFile::encodeName(base.path()).constData(), 0755), 0); // nobody gets in

    bool ready = true;
    switch (setup) {
    case Setup::FullDisk:
        ready = writeOld(path, 0644);
        break;
    case Setup::Device:
        if (::mknod(name.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
            QSKIP("making a device node needs root");
        break;
    case Setup::Fifo:
        ready = ::mkfifo(name.constData(), 0666) == 0;
        break;
    case Setup::Folder:
        ready = QDir().mkdir(path);
        break;
    case Setup::PlantedLink:
    case Setup::OwnLink:
        ready = writeOld(target, 0644) && ::chmod(folder.constData(), 01777) == 0 &&
                QFile::link(QStringLiteral("../target.json"), path);
        if (setup == Setup::PlantedLink &&
            (!root || ::lchown(name.constData(), OTHER_USER, OTHER_USER) != 0))
            QSKIP("planting a link as another user needs root");
        break;
    case Setup::Unwritable: // the folder refuses, not the file
        ready = writeOld(path, 0666) && ::chmod(folder.constData(), 0555) == 0;
        break;
    case Setup::ReadOnly: // the file refuses, not the folder
        ready = writeOld(path, 0444) && ::chmod(folder.constData(), 0777) == 0;
        break;
    case Setup::Owned:
        ready = writeOld(path, 0640) &&
                (!root || ::chown(name.constData(), OTHER_USER, OTHER_USER) == 0);
        break;
    case Setup::Sticky:
        if (!root)
            QSKIP("a file of another user needs root");
        ready = writeOld(path, 0666) && ::chmod(folder.constData(), 01777) == 0;
        break;
    }
    QVERIFY(ready);
    const QString before = describe(path);
    const QString targetBefore = describe(target);
    const auto entries = [&folder] {
        return QDir(QFile::decodeName(folder))
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    };
    const QStringList entriesBefore = entries();

    Outcome outcome;
    if (setup == Setup::FullDisk) {
        FullDisk full;
        QVERIFY(full.active);
        outcome = writeFileAtomically(path, "new");
    } else if (setup == Setup::Unwritable || setup == Setup::ReadOnly || setup == Setup::Sticky) {
        const QString result = inChildAsOtherUser([&path] {
            const Outcome written = writeFileAtomically(path, "new");
            return written.ok() ? QStringLiteral("ok") : QStringLiteral("failed: ") + written.reason();
        });
        QVERIFY2(result == QLatin1String("ok") || result.startsWith(QLatin1String("failed: ")),
                 qPrintable(result));
        if (result != QLatin1String("ok"))
            outcome = Outcome::because(result.mid(8));
    } else {
        outcome = writeFileAtomically(path, "new");
    }

    QCOMPARE(outcome.reason(), reason);
    QCOMPARE(outcome.ok(), reason.isEmpty());
    const auto written = [&reason](QString was) {
        return reason.isEmpty() ? was.replace(QLatin1String(" old"), QLatin1String(" new")) : was;
    };
    const bool throughLink = setup == Setup::OwnLink;
    QCOMPARE(describe(path), throughLink ? before : written(before));
    QCOMPARE(describe(target), throughLink ? written(targetBefore) : targetBefore);
    QCOMPARE(entries(), entriesBefore); // nothing half-written left beside it
}

QTEST_GUILESS_MAIN(FileWriterTest)
#include "test_file_writer.moc"
