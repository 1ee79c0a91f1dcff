// Windows: the writer replaces a file whole or leaves it as it was, with Windows' own
// refusals in its way.

#include "file_writer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <windows.h>

namespace
{
enum class Setup { Replace, Hidden, ReadOnly, Folder, Held };

std::wstring native(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
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

    const QString denied = QStringLiteral("permission was denied");
    QTest::newRow("replaced in one rename") << Setup::Replace << QString();
    QTest::newRow("a hidden file stays hidden") << Setup::Hidden << QString();
    QTest::newRow("read-only file") << Setup::ReadOnly << denied;
    QTest::newRow("directory") << Setup::Folder << QStringLiteral("it is not a regular file");
    QTest::newRow("held open without sharing") << Setup::Held << denied;
}

void FileWriterTest::oldFileStaysOrAllOfTheNewArrives()
{
    QFETCH(Setup, setup);
    QFETCH(QString, reason);
    QTemporaryDir base;
    QVERIFY(base.isValid());
    const QString path = base.filePath(QStringLiteral("backup.json"));
    if (setup == Setup::Folder) {
        QVERIFY(QDir().mkdir(path));
    } else {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
    }
    DWORD marks = 0;
    if (setup == Setup::Hidden)
        marks = FILE_ATTRIBUTE_HIDDEN;
    if (setup == Setup::ReadOnly)
        marks = FILE_ATTRIBUTE_READONLY;
    if (marks)
        QVERIFY(SetFileAttributesW(native(path).c_str(), marks));
    HANDLE held = INVALID_HANDLE_VALUE;
    if (setup == Setup::Held) {
        held = CreateFileW(native(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        QVERIFY(held != INVALID_HANDLE_VALUE);
    }
    const QStringList entriesBefore =
        QDir(base.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);

    const Outcome outcome = writeFileAtomically(path, "new");
    if (held != INVALID_HANDLE_VALUE)
        CloseHandle(held);

    QCOMPARE(outcome.reason(), reason);
    QCOMPARE(outcome.ok(), reason.isEmpty());
    if (setup != Setup::Folder) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), reason.isEmpty() ? QByteArray("new") : QByteArray("old"));
        const DWORD attributes = GetFileAttributesW(native(path).c_str());
        QCOMPARE(attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY), marks);
        SetFileAttributesW(native(path).c_str(), FILE_ATTRIBUTE_NORMAL); // for the clean-up
    }
    // Nothing half-written left beside it.
    QCOMPARE(QDir(base.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                         QDir::NoDotAndDotDot),
             entriesBefore);
}

QTEST_GUILESS_MAIN(FileWriterTest)
#include "test_file_writer_windows.moc"
