#include "app/applicationask.h"

#include <QDialog>
#include <QMessageBox>

void MessageBoxAsk::information(const QString &title, const QString &text)
{
    QMessageBox::information(nullptr, title, text, QMessageBox::Ok);
}

void MessageBoxAsk::warning(const QString &title, const QString &text)
{
    QMessageBox::warning(nullptr, title, text, QMessageBox::Ok);
}

bool MessageBoxAsk::question(const QString &title, const QString &text)
{
    return QMessageBox::question(nullptr, title, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

int IApplicationAsk::runModal(QDialog *dialog)
{
    return dialog->exec();
}
