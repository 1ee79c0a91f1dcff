#pragma once

// What the kestrix tables share: a command run in this process, and a fresh simulated bus
// and folder for each test function.

#include "command_line.h"
#include "test_support.h"

#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

#include <initializer_list>
#include <memory>

struct Run {
    int code = -1;
    QString out;
    QString err;
};

inline Run kestrix(const QStringList &arguments)
{
    Run run;
    QTextStream out(&run.out);
    QTextStream err(&run.err);
    run.code = runKestrix(arguments, out, err);
    return run;
}

inline QString explain(const Run &run)
{
    return QStringLiteral("exit %1\n%2%3").arg(run.code).arg(run.out, run.err);
}

class KestrixFixture : public QObject
{
    Q_OBJECT

protected slots:
    void init() { QVERIFY(directory.isValid()); }
    void cleanup() { sim.reset(); }

protected:
    void plug(std::initializer_list<ControllerKind> kinds)
    {
        sim = std::make_unique<ScopedSimulator>(kinds);
        for (const auto &controller : sim->bus().controllers())
            controller->setBusyReads(1);
    }
    // A backup of the named controller in the test's folder.
    QString backupOf(const QString &device)
    {
        const QString path = directory.filePath(device + QStringLiteral(".json"));
        QFile::remove(path);
        const Run run = kestrix({"backup", device, path});
        if (run.code != 0)
            qWarning("%s", qPrintable(explain(run)));
        return path;
    }

    std::unique_ptr<ScopedSimulator> sim;
    QTemporaryDir directory;
};
