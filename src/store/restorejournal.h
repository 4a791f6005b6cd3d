#pragma once

#include "core/ibackupobject.h"

#include <QList>
#include <QString>

// The record that makes a restore all-or-nothing across files. Once every new file is staged beside the
// data, the list of moves is written in one atomic step; from then on the restore counts as done, and
// whoever finds the record (the restore itself, or the next start after a kill) moves the rest into
// place. Without the record nothing was moved and the data is the old one.
class RestoreJournal
{
public:
    using Move = IBackupObject::StagedFile;

    // The record's file in the data folder; its name starts like the staging folders, which the
    // program's own file filters never pick up.
    static QString path(const QString &dataFolder);
    // Makes the staged files durable, then writes the record; false leaves no record.
    static bool write(const QString &dataFolder, const QList<Move> &moves);
    // Moves what the record lists into place, then removes the record. True when no record is left;
    // false (the record stays for the next start) when a move failed or the record cannot be read.
    static bool finish(const QString &dataFolder);
    // Drops the record without moving anything more.
    static bool discard(const QString &dataFolder);

    static constexpr char s_prefix[] = ".restore-";
};
