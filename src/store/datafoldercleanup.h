#pragma once

#include <QString>
#include <QStringList>

// Start-up tidying of the data folder, run once the single-instance lock is held: no save or restore of
// another process can be under way then.
class DataFolderCleanup
{
public:
    // Finishes a restore that was cut short after its record was written, then removes what restores
    // and saves cut short left behind. Runs before any store reads its file.
    static void tidyAtStart(const QString &dataFolder);

    // Removes the temporary files that saves killed part-way left beside the program's data files
    // ("events.dat.qr-tmp-AbC123"), logs each and returns their paths.
    static QStringList removeSaveLeftovers(const QString &dataFolder);
    // Removes the staging folders and record files of restores (".restore-*"), unless a record is left
    // that a later start must still finish; returns the removed paths.
    static QStringList removeRestoreLeftovers(const QString &dataFolder);

    // True for the name of one of the program's own temporary files.
    static bool isSaveLeftoverName(const QString &fileName);
};
