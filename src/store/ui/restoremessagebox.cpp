#include "store/ui/restoremessagebox.h"

#include "store/editorcommands.h"

#include <QApplication>
#include <QMessageBox>

void installRestoreMessageBox()
{
    RestoreCommand::setNotifier([](const QString &title, const QString &text) {
        QMessageBox::information(QApplication::activeWindow(), title, text, QMessageBox::Ok);
    });
}
