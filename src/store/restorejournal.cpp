#include "store/restorejournal.h"

#include "core/datafileguard.h"
#include "core/log.h"
#include "core/safefile.h"
#include "store/folderbackupobject.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <cerrno>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace RestoreJournalPrivate {

constexpr int s_version = 1;
constexpr qint64 s_maxRecordSize = 1 << 20;
const QString s_staging = QStringLiteral("staging");
const QString s_moves = QStringLiteral("moves");
const QString s_entries = QStringLiteral("entries");
const QString s_from = QStringLiteral("staged");
const QString s_to = QStringLiteral("target");
const QString s_old = QStringLiteral("old");
const QString s_inode = QStringLiteral("inode");
const QString s_name = QStringLiteral("name");

// Flushes a file or a folder to the disk, so that the record never lists what a power cut could lose.
bool syncPath(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

// What is at `path` itself, links not followed; nullopt when nothing is.
std::optional<struct stat> entryAt(const QString &path)
{
    struct stat info;
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return info;
}

bool isRegular(const std::optional<struct stat> &info)
{
    return info && S_ISREG(info->st_mode);
}

bool renameEntry(const QString &from, const QString &to)
{
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        return false;
    // Not another program's version: the next write replaces it without a copy.
    Common::DataFileGuard::placed(to);
    return true;
}

QString cleanAbsolute(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// The bare name of `path` when it lies directly in `folder`; empty otherwise.
QString nameIn(const QString &folder, const QString &path)
{
    const QFileInfo info(cleanAbsolute(path));
    if (info.path() != cleanAbsolute(folder) || !FolderBackupObject::isSafeFileName(info.fileName()))
        return QString();
    return info.fileName();
}

struct Move
{
    QString staged;
    QString target;
    QString old;
    quint64 inode = 0;
};

struct Record
{
    QString staging;
    QList<Move> moves;
    QList<RestoreJournal::Entry> entries;
};

QByteArray toJson(const Record &record)
{
    QJsonArray moves;
    for (const Move &move : record.moves) {
        QJsonObject item{{s_from, move.staged}, {s_to, move.target}, {s_inode, QString::number(move.inode)}};
        if (!move.old.isEmpty())
            item.insert(s_old, move.old);
        moves.append(item);
    }
    QJsonArray entries;
    for (const RestoreJournal::Entry &entry : record.entries)
        entries.append(QJsonObject{{s_name, QString::fromLatin1(entry.name)}, {s_from, entry.staged}});
    const QJsonObject top{
        {QStringLiteral("version"), s_version}, {s_staging, record.staging}, {s_moves, moves}, {s_entries, entries}};
    return QJsonDocument(top).toJson();
}

bool writeRecord(const QString &dataFolder, const Record &record)
{
    QString error;
    if (!Common::writeOwnFile(RestoreJournal::path(dataFolder), toJson(record), &error)) {
        QR_LOG("Restore cannot write its record: " + error.toUtf8());
        return false;
    }
    syncPath(dataFolder);
    return true;
}

bool isBareName(const QJsonValue &value)
{
    return value.isString() && FolderBackupObject::isSafeFileName(value.toString());
}

// Reads and checks the record; nullopt with the reason when it must not be carried out.
std::optional<Record> readRecord(const QString &dataFolder, QString *why)
{
    const QDir data(dataFolder);
    const QString file = RestoreJournal::path(dataFolder);
    QFile in;
    QString error;
    if (!isRegular(entryAt(file)) || !Common::openRegularFile(&in, file, &error, false)) {
        *why = QStringLiteral("is not a readable file");
        return std::nullopt;
    }
    const QByteArray bytes = in.read(s_maxRecordSize + 1);
    QJsonParseError parseError;
    const QJsonObject top = QJsonDocument::fromJson(bytes, &parseError).object();
    if (bytes.size() > s_maxRecordSize || parseError.error != QJsonParseError::NoError ||
        top.value(QStringLiteral("version")) != QJsonValue(s_version)) {
        *why = QStringLiteral("is not a record this version can read");
        return std::nullopt;
    }
    Record record;
    const auto refuse = [why](const char *reason) {
        *why = QString::fromLatin1(reason);
        return std::nullopt;
    };
    record.staging = top.value(s_staging).toString();
    const std::optional<struct stat> stagingInfo = entryAt(data.filePath(record.staging));
    if (!isBareName(top.value(s_staging)) || !record.staging.startsWith(QLatin1String(RestoreJournal::s_prefix)) ||
        !stagingInfo || !S_ISDIR(stagingInfo->st_mode))
        return refuse("names a staging folder that is not a folder in the data folder");
    const QDir staging(data.filePath(record.staging));
    if (!top.value(s_moves).isArray() || !top.value(s_entries).isArray())
        return refuse("is incomplete");
    QSet<QString> targets;
    for (const QJsonValue &value : top.value(s_moves).toArray()) {
        const QJsonObject item = value.toObject();
        bool inodeOk = false;
        Move move{item.value(s_from).toString(), item.value(s_to).toString(), item.value(s_old).toString(),
                  item.value(s_inode).toString().toULongLong(&inodeOk)};
        if (!isBareName(item.value(s_from)) || !isBareName(item.value(s_to)) || !inodeOk ||
            (item.contains(s_old) && !isBareName(item.value(s_old))) || targets.contains(move.target))
            return refuse("holds a move it cannot name safely");
        targets.insert(move.target);
        const std::optional<struct stat> staged = entryAt(staging.filePath(move.staged));
        const std::optional<struct stat> target = entryAt(data.filePath(move.target));
        const std::optional<struct stat> old = entryAt(staging.filePath(move.old));
        if ((staged && !S_ISREG(staged->st_mode)) || (target && S_ISDIR(target->st_mode)) ||
            (!move.old.isEmpty() && old && !S_ISREG(old->st_mode)))
            return refuse("names something that is not a plain file");
        // A staged file of more links is a file elsewhere too: in place, what the program writes there
        // (its log, say) would reach that file.
        if (staged && staged->st_nlink != 1)
            return refuse("names a staged file that has other links");
        record.moves << move;
    }
    for (const QJsonValue &value : top.value(s_entries).toArray()) {
        const QJsonObject item = value.toObject();
        const QString name = item.value(s_name).toString();
        const std::optional<struct stat> staged = entryAt(staging.filePath(item.value(s_from).toString()));
        if (name.isEmpty() || !isBareName(item.value(s_from)) || (staged && !S_ISREG(staged->st_mode)))
            return refuse("holds an entry it cannot name safely");
        record.entries << RestoreJournal::Entry{name.toLatin1(), item.value(s_from).toString()};
    }
    return record;
}

// Moves the record aside under a name no cleanup or file filter of the program takes; the name it is
// kept under, or empty when it could not be moved.
QString keepRecordAside(const QString &dataFolder, const QString &why)
{
    const QString file = RestoreJournal::path(dataFolder);
    const QString base = QDir(dataFolder).filePath(QLatin1String(RestoreJournal::s_keptName) + QStringLiteral(".bak"));
    QString kept = base;
    for (int i = 1; entryAt(kept); ++i)
        kept = base + QString::number(i);
    QR_LOG("The record of an interrupted restore " + why.toUtf8() + ": " + file.toUtf8());
    if (!renameEntry(file, kept)) {
        QR_LOG("Cannot keep the record aside as " + kept.toUtf8());
        return QString();
    }
    syncPath(dataFolder);
    return QDir::toNativeSeparators(kept);
}

bool keepUnusableRecordAside(const QString &dataFolder, const QString &why)
{
    const QString kept = keepRecordAside(dataFolder, why);
    if (kept.isEmpty())
        return false;
    Common::DataFileGuard::tell(
        QCoreApplication::translate("RestoreJournal",
                                    "A restore that was cut short earlier could not be finished, as its record "
                                    "cannot be used. Nothing was changed by it; the record is kept as \"%1\".")
            .arg(kept));
    return true;
}

// A move that fails for one of these reasons fails the same way at every try.
bool failsForGood(int error)
{
    return error == ENAMETOOLONG || error == EINVAL || error == EROFS || error == EPERM || error == EACCES;
}

// Puts the files from before the restore back: the links kept to them, and no file where there was none.
// Returns the targets whose old file is lost, which keep the restored one.
QStringList rollBack(const QString &dataFolder, const Record &record)
{
    QStringList kept;
    const QDir data(dataFolder);
    const QDir staging(data.filePath(record.staging));
    for (const Move &move : record.moves) {
        const QString target = data.filePath(move.target);
        const std::optional<struct stat> now = entryAt(target);
        const bool isNew = isRegular(now) && quint64(now->st_ino) == move.inode;
        if (!move.old.isEmpty() && entryAt(staging.filePath(move.old))) {
            if (!renameEntry(staging.filePath(move.old), target))
                QR_LOG("Cannot put the old " + move.target.toUtf8() + " back");
        } else if (move.old.isEmpty() && isNew && ::unlink(QFile::encodeName(target).constData()) != 0) {
            QR_LOG("Cannot remove " + move.target.toUtf8() + ", which the restore added");
        } else if (!move.old.isEmpty() && isNew) {
            QR_LOG("The old " + move.target.toUtf8() + " is lost; the restored one stays");
            kept << move.target;
        }
    }
    syncPath(dataFolder);
    return kept;
}

} // namespace RestoreJournalPrivate

using namespace RestoreJournalPrivate;

QString RestoreJournal::path(const QString &dataFolder)
{
    return QDir(dataFolder).filePath(QLatin1String(s_prefix) + QStringLiteral("journal"));
}

bool RestoreJournal::write(const QString &dataFolder, const QString &stagingFolder, const QList<Move> &moves,
                           const QList<Entry> &entries)
{
    Record record;
    record.staging = nameIn(dataFolder, stagingFolder);
    if (!record.staging.startsWith(QLatin1String(s_prefix))) {
        QR_LOG("Restore refused: its staging folder is not in the data folder");
        return false;
    }
    const QDir staging(cleanAbsolute(stagingFolder));
    QSet<QString> targets;
    for (const Move &move : moves) {
        RestoreJournalPrivate::Move item{nameIn(staging.path(), move.staged), nameIn(dataFolder, move.target), {}, 0};
        const std::optional<struct stat> staged = entryAt(move.staged);
        if (item.staged.isEmpty() || item.target.isEmpty() || targets.contains(item.target) || !isRegular(staged)) {
            QR_LOG("Restore refused: " + move.target.toUtf8() + " is not a file of the data folder");
            return false;
        }
        targets.insert(item.target);
        item.inode = quint64(staged->st_ino);
        // A link to the current file keeps it for putting the old set back, at no cost in room.
        const std::optional<struct stat> current = entryAt(move.target);
        if (current) {
            item.old = QStringLiteral("old-%1").arg(record.moves.size());
            const QString old = staging.filePath(item.old);
            // A link to a file is kept as a copy of its file: the record puts back plain files only.
            const bool linked = S_ISREG(current->st_mode) && ::link(QFile::encodeName(move.target).constData(),
                                                                    QFile::encodeName(old).constData()) == 0;
            if (!linked && (!(S_ISREG(current->st_mode) || S_ISLNK(current->st_mode)) ||
                            !Common::isRegularOrMissing(move.target) || !QFile::copy(move.target, old))) {
                QR_LOG("Restore cannot keep the current " + item.target.toUtf8());
                return false;
            }
        }
        if (!syncPath(move.staged)) {
            QR_LOG("Restore cannot flush " + move.staged.toUtf8());
            return false;
        }
        record.moves << item;
    }
    for (const Entry &entry : entries) {
        const QString name = nameIn(staging.path(), entry.staged);
        if (name.isEmpty() || entry.name.isEmpty() || !syncPath(entry.staged)) {
            QR_LOG("Restore cannot keep the entry " + entry.name);
            return false;
        }
        record.entries << Entry{entry.name, name};
    }
    syncPath(staging.path());
    return writeRecord(dataFolder, record);
}

RestoreJournal::Result RestoreJournal::finish(const QString &dataFolder, Report report)
{
    Result result;
    if (!entryAt(path(dataFolder)))
        return result;
    QString why;
    const std::optional<Record> record = readRecord(dataFolder, &why);
    if (!record) {
        result.outcome = keepUnusableRecordAside(dataFolder, why) ? Outcome::SetAside : Outcome::Failed;
        return result;
    }
    const QDir data(dataFolder);
    const QDir staging(data.filePath(record->staging));
    QList<const RestoreJournalPrivate::Move *> pending;
    for (const RestoreJournalPrivate::Move &move : record->moves) {
        if (entryAt(staging.filePath(move.staged))) {
            pending << &move;
            continue;
        }
        // Gone from the staging folder: moved, when the target is that very file.
        const std::optional<struct stat> target = entryAt(data.filePath(move.target));
        if (isRegular(target) && quint64(target->st_ino) == move.inode)
            continue;
        QR_LOG("A file staged for " + move.target.toUtf8() + " is lost; putting the old files back");
        const QStringList kept = rollBack(dataFolder, *record);
        discard(dataFolder);
        Common::DataFileGuard::tell(
            kept.isEmpty()
                ? QCoreApplication::translate("RestoreJournal",
                                              "A restore that was cut short earlier could not be finished, as a file "
                                              "it had prepared is missing. The data from before that restore was put "
                                              "back.")
                : QCoreApplication::translate("RestoreJournal",
                                              "A restore that was cut short earlier could not be finished, as a file "
                                              "it had prepared is missing. The data from before that restore was put "
                                              "back, except %1: its copy from before is missing, so the restored one "
                                              "stays.")
                      .arg(kept.join(QStringLiteral(", "))));
        result.outcome = Outcome::RolledBack;
        return result;
    }
    for (const RestoreJournalPrivate::Move *move : qAsConst(pending)) {
        const QString from = staging.filePath(move->staged);
        const QString to = data.filePath(move->target);
        if (renameEntry(from, to))
            continue;
        const int code = errno;
        QString error = qt_error_string(code);
        if (code == EXDEV && Common::replaceFileWith(to, from, &error)) {
            Common::DataFileGuard::placed(to);
            continue;
        }
        QR_LOG("Restore cannot put " + to.toUtf8() + " in place: " + error.toUtf8());
        result.outcome = Outcome::Failed;
        result.problem = QCoreApplication::translate("RestoreJournal", "\"%1\" cannot be put in place: %2.")
                             .arg(QDir::toNativeSeparators(to), error);
        if (report == Report::Quiet)
            return result;
        // Tried again at every start, it would hold off every later restore for good.
        if (failsForGood(code)) {
            rollBack(dataFolder, *record);
            const QString kept = keepRecordAside(dataFolder, QStringLiteral("cannot be carried out"));
            if (!kept.isEmpty()) {
                Common::DataFileGuard::tell(
                    QCoreApplication::translate("RestoreJournal",
                                                "A restore that was cut short earlier cannot be finished: %1 The data "
                                                "from before that restore was put back; its record is kept as \"%2\".")
                        .arg(result.problem, kept));
                result.outcome = Outcome::SetAside;
                return result;
            }
        }
        Common::DataFileGuard::tell(QCoreApplication::translate("RestoreJournal",
                                                                "A restore that was cut short earlier cannot be "
                                                                "finished yet: %1 It is tried again at the next start; "
                                                                "until then no other restore can be made.")
                                        .arg(result.problem));
        return result;
    }
    syncPath(dataFolder);
    result.outcome = Outcome::Finished;
    if (record->entries.isEmpty()) {
        discard(dataFolder);
        return result;
    }
    // The files are in place and may be saved again from now on: only the entries are left to do.
    Record rest = *record;
    rest.moves.clear();
    writeRecord(dataFolder, rest);
    for (const Entry &entry : record->entries)
        result.entries << Entry{entry.name, staging.filePath(entry.staged)};
    return result;
}

bool RestoreJournal::discard(const QString &dataFolder)
{
    const QString file = path(dataFolder);
    if (entryAt(file) && ::unlink(QFile::encodeName(file).constData()) != 0) {
        QR_LOG("Cannot remove the restore record " + file.toUtf8());
        return false;
    }
    syncPath(dataFolder);
    return true;
}

bool RestoreJournal::setAsideIfUnsound(const QString &dataFolder)
{
    QString why;
    if (!entryAt(path(dataFolder)) || readRecord(dataFolder, &why))
        return false;
    return keepUnusableRecordAside(dataFolder, why);
}
