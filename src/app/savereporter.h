#pragma once

#include <QCoreApplication>
#include <QObject>
#include <QSet>
#include <QString>

// Tells the user once when a data file cannot be written, and once more when it can be again.
class SaveReporter : public QObject
{
    // The texts keep the application's translation context.
    Q_DECLARE_TR_FUNCTIONS(Application)

public:
    // Reports the sender's saveFailed and saved signals.
    template <class Sender> void watch(Sender *sender)
    {
        connect(sender, &Sender::saveFailed, this, &SaveReporter::onSaveFailed);
        connect(sender, &Sender::saved, this, &SaveReporter::onSaved);
    }

    // The change is kept in memory and saved with the next one.
    void onSaveFailed(const QString &fileName, const QString &reason);
    void onSaved(const QString &fileName);
    // Told once until the file is saved again; `whatHappens` says what becomes of the change.
    void reportSaveFailure(const QString &fileName, const QString &reason, const QString &whatHappens);

private:
    // Files whose last save failed; the user was told once for each.
    QSet<QString> m_failingFiles;
};
