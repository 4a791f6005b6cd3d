#pragma once

#include "core/ibackupobject.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The record that makes a restore all-or-nothing across files. Once every new file is staged beside the
// data, the list of moves is written in one atomic step; from then on the restore counts as done, and
// whoever finds the record (the restore itself, or the next start after a kill) moves the rest into
// place. Without the record nothing was moved and the data is the old one.
//
// The record names only bare file names: targets in the data folder, staged files in one staging folder
// directly in it. A record that names anything else, or that cannot be read, is never carried out: it
// is kept aside and the user is told.
class RestoreJournal
{
public:
    using Move = IBackupObject::StagedFile;
    // The unpacked entry of an object that does not restore by files (the settings), applied after the
    // moves; the record stays until it is applied.
    struct Entry
    {
        QByteArray name;
        QString staged;
    };

    // The record's file in the data folder; its name starts like the staging folders, which the
    // program's own file filters never pick up.
    static QString path(const QString &dataFolder);
    // Keeps a link to each current target for putting the old set back, makes the staged files durable,
    // then writes the record; false leaves no record. Every staged file lies in `stagingFolder`, a folder
    // directly in `dataFolder`, and every target directly in `dataFolder`.
    static bool write(const QString &dataFolder, const QString &stagingFolder, const QList<Move> &moves,
                      const QList<Entry> &entries = {});

    enum class Outcome {
        None,       // no record
        Finished,   // every move done; `entries` wait for their objects, then discard()
        RolledBack, // a staged file was lost: the old files are back, the record is gone
        SetAside,   // the record could not be carried out and was kept aside
        Failed      // a move failed; the record stays for the next start
    };
    struct Result
    {
        Outcome outcome = Outcome::None;
        QList<Entry> entries; // with full paths
        QString problem;      // what failed, for the user
    };
    enum class Report {
        Tell, // the first look at a start: what cannot be finished is told, and kept aside when it never can
        Quiet // the restore that wrote the record, or a later look: the caller deals with a failed move
    };
    // Carries out the record. Each outcome but None and Finished is told to the user once, a failed move
    // only with Report::Tell; a move that can never succeed puts the old files back and keeps the record aside.
    static Result finish(const QString &dataFolder, Report report = Report::Tell);
    // Drops the record without moving anything more.
    static bool discard(const QString &dataFolder);
    // Keeps a record that cannot be carried out aside (see finish()); false when there is none or it is sound.
    static bool setAsideIfUnsound(const QString &dataFolder);

    static constexpr char s_prefix[] = ".restore-";
    // A record kept aside: "restore-journal.bak", "restore-journal.bak1"...
    static constexpr char s_keptName[] = "restore-journal";
};
