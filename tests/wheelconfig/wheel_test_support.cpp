#include "wheel_test_support.h"

#include "effect_fields.h"
#include "effect_settings_record.h"
#include "kestrix_protocol.h"

#include <QAbstractButton>
#include <QDirIterator>
#include <QFile>
#include <QSpinBox>
#include <QtTest>

WorkingDirectory::WorkingDirectory() : previous(QDir::currentPath())
{
    const QDir run(QStringLiteral(KESTRIX_RUN_DIR));
    for (const char *icon : {"wheel_icon.png", "wheel_icon_not_connected.png"})
        QFile::copy(run.filePath(QLatin1String(icon)), dir.filePath(QLatin1String(icon)));
    QDir::setCurrent(dir.path());
}

WorkingDirectory::~WorkingDirectory()
{
    QDir::setCurrent(previous);
}

QStringList WorkingDirectory::tree() const
{
    QStringList entries;
    QDirIterator it(dir.path(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    const QDir root(dir.path());
    while (it.hasNext())
        entries << root.relativeFilePath(it.next());
    entries.sort();
    return entries;
}

std::vector<uint8_t> plausibleEffectRecord()
{
    std::vector<uint8_t> r(32, 0);
    r[EFFECT_DIRECT_X_SPRING_SCALE] = 40;
    r[EFFECT_DIRECT_X_CONSTANT_SCALE] = 50;
    r[EFFECT_DIRECT_X_PERIODIC_SCALE] = 60;
    setConstantForceInverted(r.data(), false);
    r[EFFECT_DAMPENING_SCALE] = 20;
    r[EFFECT_CARRIED_BYTE] = 0x07;
    r[EFFECT_TOTAL_EFFECT_SCALE] = 70;
    r[EFFECT_TOTAL_EFFECT_SMOOTHING] = 10;
    setMotionRange(r.data(), 900);
    r[EFFECT_SOFT_STOP_SCALE] = 30;
    r[EFFECT_SOFT_STOP_RANGE] = 10;
    for (int i = EFFECT_CARRIED_TAIL; i < 32; ++i)
        r[i] = static_cast<uint8_t>(0xC0 + i);
    return r;
}

QByteArray wheelRecord(const SimulatedController *wheel)
{
    return toBytes(wheel->report(REPORT_EFFECT_SETTINGS)).left(EFFECT_SETTINGS_RECORD_SIZE);
}

void verifyOneLiveApply(const std::vector<SimTransfer> &transfers, const QByteArray &expected)
{
    QCOMPARE(getReports(transfers, REPORT_EFFECT_SETTINGS).size(), size_t(1));
    QCOMPARE(commands(transfers, CMD_SAVE_EFFECT_SETTINGS).size(), size_t(0));
    const auto writes = commands(transfers, CMD_WRITE_EFFECT_SETTINGS);
    QCOMPARE(writes.size(), size_t(2));
    const QByteArray data = toBytes(writes[0].data);
    const QByteArray closing = toBytes(writes[1].data);
    QCOMPARE(data.size(), COMMAND_PACKET_SIZE);
    QCOMPARE(closing.size(), COMMAND_PACKET_SIZE);
    QCOMPARE(hex(data.mid(CHUNK_OFFSET_FIELD, 4)), QStringLiteral("00 00 16 00"));
    QCOMPARE(hex(data.mid(CHUNK_DATA_OFFSET, EFFECT_SETTINGS_RECORD_SIZE)), hex(expected));
    QCOMPARE(hex(closing.mid(CHUNK_OFFSET_FIELD, 4)), QStringLiteral("00 00 ff ff"));
    QCOMPARE(hex(closing.mid(CHUNK_DATA_OFFSET, EFFECT_SETTINGS_RECORD_SIZE)), hex(expected));
}

void writeProfile(const QString &name, const QByteArray &content)
{
    QDir().mkpath(QStringLiteral("wheel_profiles"));
    writeFile(QStringLiteral("wheel_profiles/") + name, content);
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(file.write(content), qint64(content.size()));
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString ownGameName(const char *name)
{
    return QStringLiteral("%1-%2").arg(QCoreApplication::applicationPid()).arg(QLatin1String(name));
}

QByteArray panelFields(const QWidget *window)
{
    QByteArray r(EFFECT_SETTINGS_RECORD_SIZE, 0);
    auto *b = reinterpret_cast<unsigned char *>(r.data());
    for (const RecordField &field : effectSettingsTable().fields) {
        // The one box is the constant force's, ticked when inverted.
        const auto *box = window->findChild<QAbstractButton *>(field.widget);
        field.write(box ? (box->isChecked() ? -1 : 1)
                        : namedChild<QSpinBox>(window, qPrintable(field.widget))->value(),
                    b);
    }
    return r;
}

QByteArray withOwnBytes(QByteArray fields, const QByteArray &own)
{
    fields[EFFECT_CARRIED_BYTE] = own[EFFECT_CARRIED_BYTE];
    fields.replace(EFFECT_CARRIED_TAIL, EFFECT_CARRIED_TAIL_SIZE,
                   own.mid(EFFECT_CARRIED_TAIL, EFFECT_CARRIED_TAIL_SIZE));
    return fields;
}

void WheelSession::setUp()
{
    boxes = std::make_unique<MessageBoxCatcher>();
    workingDirectory = std::make_unique<WorkingDirectory>();
    sim = std::make_unique<ScopedSimulator>(
        std::initializer_list<ControllerKind>{ControllerKind::Wheel});
    wheel = sim->controller(ControllerKind::Wheel);
    wheel->setReport(REPORT_EFFECT_SETTINGS, plausibleEffectRecord());
    wheel->setBusyReads(2);
}

void WheelSession::tearDown()
{
    window.reset();
    sim.reset();
    workingDirectory.reset();
    boxes.reset();
}

void WheelSession::start(bool connected)
{
    window = std::make_unique<TrayWindow>();
    window->show();
    if (connected)
        waitTitle("Wheel (Connected)");
}

void WheelSession::waitTitle(const char *title) const
{
    QTRY_COMPARE(window->windowTitle(), QLatin1String(title));
}

QStringList WheelSession::takeWarnings()
{
    QStringList told;
    for (const MessageBoxCatcher::Box &box : boxes->boxes())
        told << box.title + QLatin1String(": ") + box.text;
    boxes->clear();
    if (window) {
        told << window->trayMessages;
        window->trayMessages.clear();
        window->trayFailures.clear();
    }
    return told;
}
