#include "app/savereporter.h"

#include "core/usermessages.h"
#include "core/log.h"

#include <QDir>

void SaveReporter::onSaveFailed(const QString &fileName, const QString &reason)
{
    reportSaveFailure(fileName, reason,
                      tr("They are kept while %1 runs and saved with your next change once the file can be "
                         "written. If you exit now they are lost.")
                          .arg(QCoreApplication::applicationName()));
}

void SaveReporter::reportSaveFailure(const QString &fileName, const QString &reason, const QString &whatHappens)
{
    QR_LOG("Cannot save " + fileName.toUtf8() + ": " + reason.toUtf8());
    if (m_failingFiles.contains(fileName))
        return;
    m_failingFiles.insert(fileName);
    Common::UserMessages::warning(tr("Data Error"), tr("Your changes could not be saved to \"%1\":\n%2\n\n%3")
                                                        .arg(QDir::toNativeSeparators(fileName), reason, whatHappens));
}

void SaveReporter::onSaved(const QString &fileName)
{
    if (!m_failingFiles.remove(fileName))
        return;
    QR_LOG("Saved again: " + fileName.toUtf8());
    Common::UserMessages::information(
        tr("Data Saved"), tr("Your changes are saved to \"%1\" again.").arg(QDir::toNativeSeparators(fileName)));
}
