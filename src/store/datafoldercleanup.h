#pragma once

#include <QString>
#include <QStringList>

// Start-up tidying of the data folder, run once the single-instance lock is held.
class DataFolderCleanup
{
public:
    // Removes the temporary files that saves killed part-way left beside the program's data files
    // ("events.dat.AbC123": the atomic writer's name pattern), logs each and returns their paths.
    // A temporary file changed within the last `s_freshSeconds` may belong to a save still running
    // and stays.
    static QStringList removeSaveLeftovers(const QString &dataFolder);

    // True for the name of a temporary file of the atomic writer beside one of our data files.
    static bool isSaveLeftoverName(const QString &fileName);

    static constexpr int s_freshSeconds = 10 * 60;
};
