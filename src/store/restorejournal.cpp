#include "store/restorejournal.h"

#include "core/log.h"
#include "core/safefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <fcntl.h>
#include <unistd.h>

namespace RestoreJournalPrivate {

constexpr int s_version = 1;
const QString s_from = QStringLiteral("staged");
const QString s_to = QStringLiteral("target");

// Flushes a file or a folder to the disk, so that the record never lists what a power cut could lose.
bool syncPath(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

} // namespace RestoreJournalPrivate

using namespace RestoreJournalPrivate;

QString RestoreJournal::path(const QString &dataFolder)
{
    return QDir(dataFolder).filePath(QLatin1String(s_prefix) + QStringLiteral("journal"));
}

bool RestoreJournal::write(const QString &dataFolder, const QList<Move> &moves)
{
    QJsonArray list;
    QStringList folders;
    for (const Move &move : moves) {
        if (!syncPath(move.staged)) {
            QR_LOG("Restore cannot flush " + move.staged.toUtf8());
            return false;
        }
        const QString folder = QFileInfo(move.staged).absolutePath();
        if (!folders.contains(folder))
            folders << folder;
        list.append(QJsonObject{{s_from, QFileInfo(move.staged).absoluteFilePath()},
                                {s_to, QFileInfo(move.target).absoluteFilePath()}});
    }
    for (const QString &folder : qAsConst(folders))
        syncPath(folder);
    const QJsonObject record{{QStringLiteral("version"), s_version}, {QStringLiteral("moves"), list}};
    QString error;
    if (!Common::writeFileAtomically(path(dataFolder), QJsonDocument(record).toJson(), &error)) {
        QR_LOG("Restore cannot write its record: " + error.toUtf8());
        return false;
    }
    syncPath(dataFolder);
    return true;
}

bool RestoreJournal::finish(const QString &dataFolder)
{
    const QString file = path(dataFolder);
    QFile in(file);
    if (!in.exists())
        return true;
    QJsonParseError parseError;
    const QJsonDocument document =
        in.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(in.readAll(), &parseError) : QJsonDocument();
    in.close();
    const QJsonObject record = document.object();
    if (record.value(QStringLiteral("version")).toInt() != s_version) {
        // Written whole or not at all: an unreadable record is not ours to act on.
        QR_LOG("The record of an interrupted restore cannot be read: " + file.toUtf8());
        return false;
    }
    const QJsonArray moves = record.value(QStringLiteral("moves")).toArray();
    bool ok = true;
    for (const QJsonValue &value : moves) {
        const QString from = value.toObject().value(s_from).toString();
        const QString to = value.toObject().value(s_to).toString();
        if (from.isEmpty() || to.isEmpty()) {
            ok = false;
            continue;
        }
        // A staged file that is gone was moved before the interruption.
        if (!QFileInfo::exists(from))
            continue;
        QString error;
        if (!Common::replaceFileWith(to, from, &error)) {
            QR_LOG("Restore cannot put " + to.toUtf8() + " in place: " + error.toUtf8());
            ok = false;
        }
    }
    if (!ok)
        return false;
    syncPath(dataFolder);
    return discard(dataFolder);
}

bool RestoreJournal::discard(const QString &dataFolder)
{
    const QString file = path(dataFolder);
    if (QFile::exists(file) && !QFile::remove(file)) {
        QR_LOG("Cannot remove the restore record " + file.toUtf8());
        return false;
    }
    syncPath(dataFolder);
    return true;
}
