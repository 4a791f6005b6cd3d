#pragma once

// The shared benchmark inputs: a heavy user's files as the inputs' generator writes them, made once
// into a folder beside the benchmarks and read from there on later runs.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <cstdio>

// The path of the generator's file "events-<size>.<suffix>" (dat, ics or csv), made when missing; an
// empty text, and why on stderr, when it cannot be made.
inline QString benchInput(int size, const QString &suffix)
{
    const QString folder = QStringLiteral(QR_BENCH_INPUTS);
    const QString name = QStringLiteral("events-%1.%2").arg(size).arg(suffix);
    const QString path = QDir(folder).filePath(name);
    if (QFileInfo::exists(path))
        return path;
    const QString generator = QStringLiteral(QR_BENCH_GENERATOR);
    if (!QFileInfo::exists(generator)) {
        std::fprintf(stderr, "no benchmark inputs: %s is missing\n", qPrintable(generator));
        return {};
    }
    // Made aside and moved in, so that a run cut short leaves no half-written input for the next.
    QDir().mkpath(folder);
    QTemporaryDir aside(QDir(folder).filePath(QStringLiteral("making-XXXXXX")));
    QProcess python;
    python.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    python.start(QStringLiteral("python3"),
                 {generator, aside.path(), QStringLiteral("--sizes"), QString::number(size)});
    if (!python.waitForFinished(600000) || python.exitStatus() != QProcess::NormalExit || python.exitCode() != 0) {
        std::fprintf(stderr, "no benchmark inputs: python3 %s failed\n", qPrintable(generator));
        return {};
    }
    for (const QString &made : QDir(aside.path()).entryList(QDir::Files)) {
        if (!QFileInfo::exists(QDir(folder).filePath(made)))
            QFile::rename(QDir(aside.path()).filePath(made), QDir(folder).filePath(made));
    }
    return QFileInfo::exists(path) ? path : QString();
}
