// The one file writer on the faults a save meets: each row checks what the target holds
// afterwards and the reason given. Rows that need another user's files run as root (as CI
// does) and are skipped otherwise.

#include "file_conditions.h"
#include "file_writer.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace
{
enum class Setup {
    FullDisk,
    DeviceNode,
    Fifo,
    Directory,
    PlantedLink,
    OwnLink,
    UnwritableFolder,
    ModeKept,
    CommitFails,
};

const QByteArray OLD = "old settings";
const QByteArray NEW = "new settings";

// What stands at the path, not following a link: kind, mode, owner and content.
QString describe(const QString &path)
{
    struct stat status;
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return QStringLiteral("missing");
    if (S_ISLNK(status.st_mode))
        return QStringLiteral("link to ") + QFile::symLinkTarget(path);
    if (!S_ISREG(status.st_mode))
        return QStringLiteral("special %1").arg(status.st_mode, 0, 8);
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QStringLiteral("file %1 %2:%3 %4")
        .arg(status.st_mode & 07777, 0, 8)
        .arg(status.st_uid)
        .arg(status.st_gid)
        .arg(QString::fromUtf8(file.readAll()));
}

void writeOld(const QString &path, mode_t mode)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(OLD);
    file.close();
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode), 0);
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

    const QString notRegular = QStringLiteral("it is not a regular file");
    const QString denied = QStringLiteral("permission was denied");
    QTest::newRow("full disk") << Setup::FullDisk << QStringLiteral("the disk is full");
    QTest::newRow("device node") << Setup::DeviceNode << notRegular;
    QTest::newRow("FIFO") << Setup::Fifo << notRegular;
    QTest::newRow("directory") << Setup::Directory << notRegular;
    QTest::newRow("another user's link in a sticky folder")
        << Setup::PlantedLink
        << QStringLiteral("it is a symbolic link that another user made in a shared folder, "
                          "and such links are not followed");
    QTest::newRow("own link in a sticky folder") << Setup::OwnLink << QString();
    QTest::newRow("unwritable folder") << Setup::UnwritableFolder << denied;
    QTest::newRow("another user's file: mode and owner kept") << Setup::ModeKept << QString();
    QTest::newRow("the final rename fails") << Setup::CommitFails << denied;
}

void FileWriterTest::oldFileStaysOrAllOfTheNewArrives()
{
    QFETCH(Setup, setup);
    QFETCH(QString, reason);
    const bool root = ::geteuid() == 0;

    QTemporaryDir base;
    QVERIFY(base.isValid());
    QCOMPARE(::chmod(QFile::encodeName(base.path()).constData(), 0755), 0); // for nobody too
    const QString folder = base.filePath(QStringLiteral("folder"));
    QVERIFY(QDir().mkdir(folder));
    const QString path = folder + QStringLiteral("/backup.json");
    const QString linkTarget = base.filePath(QStringLiteral("target.json"));
    const QByteArray folderName = QFile::encodeName(folder);
    const QByteArray pathName = QFile::encodeName(path);

    switch (setup) {
    case Setup::FullDisk:
        CHECKED(writeOld(path, 0644));
        break;
    case Setup::DeviceNode:
        if (::mknod(pathName.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
            QSKIP("making a device node needs root");
        break;
    case Setup::Fifo:
        QCOMPARE(::mkfifo(pathName.constData(), 0666), 0);
        break;
    case Setup::Directory:
        QVERIFY(QDir().mkdir(path));
        break;
    case Setup::PlantedLink:
    case Setup::OwnLink:
        CHECKED(writeOld(linkTarget, 0644));
        QCOMPARE(::chmod(folderName.constData(), 01777), 0);
        QVERIFY(QFile::link(QStringLiteral("../target.json"), path));
        if (setup == Setup::PlantedLink &&
            ::lchown(pathName.constData(), OTHER_USER, OTHER_USER) != 0)
            QSKIP("planting a link as another user needs root");
        break;
    case Setup::UnwritableFolder:
        CHECKED(writeOld(path, 0666)); // the folder refuses, not the file
        QCOMPARE(::chmod(folderName.constData(), 0555), 0);
        break;
    case Setup::ModeKept:
        CHECKED(writeOld(path, 0640));
        if (root)
            QCOMPARE(::chown(pathName.constData(), OTHER_USER, OTHER_USER), 0);
        break;
    case Setup::CommitFails:
        // Another user's writable file in a sticky folder: everything but the rename works.
        if (!root)
            QSKIP("a file of another user needs root");
        CHECKED(writeOld(path, 0666));
        QCOMPARE(::chmod(folderName.constData(), 01777), 0);
        break;
    }
    const QString before = describe(path);
    const QString targetBefore = describe(linkTarget);
    const QStringList entries = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden |
                                                       QDir::System | QDir::NoDotAndDotDot);

    FileOutcome outcome;
    if (setup == Setup::FullDisk) {
        FullDisk full;
        QVERIFY(full.isActive());
        outcome = writeFileAtomically(path, NEW);
    } else if (setup == Setup::UnwritableFolder || setup == Setup::CommitFails) {
        AsOtherUser other;
        QVERIFY(other.isActive());
        outcome = writeFileAtomically(path, NEW);
    } else {
        outcome = writeFileAtomically(path, NEW);
    }

    QCOMPARE(outcome.reason(), reason);
    QCOMPARE(outcome.ok(), reason.isEmpty());
    const bool throughLink = setup == Setup::OwnLink;
    const auto written = [&reason](QString was) {
        return reason.isEmpty() ? was.replace(QString::fromUtf8(OLD), QString::fromUtf8(NEW)) : was;
    };
    QCOMPARE(describe(path), throughLink ? before : written(before));
    QCOMPARE(describe(linkTarget), throughLink ? written(targetBefore) : targetBefore);
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                    QDir::NoDotAndDotDot),
             entries); // nothing half-written left beside it
}

QTEST_GUILESS_MAIN(FileWriterTest)
#include "test_file_writer.moc"
