#include "editor/editorask.h"

#include <QFileDialog>
#include <QInputDialog>

QString DialogEditorAsk::saveFileName(QWidget *parent, const QString &caption, const QString &path,
                                      const QString &filter, const QString &defaultSuffix)
{
    // The static helper cannot take a default suffix, and the desktop's own dialogs add none.
    QFileDialog dialog(parent, caption, path, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

QString DialogEditorAsk::openFileName(QWidget *parent, const QString &caption, const QString &dir,
                                      const QString &filter)
{
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

QString DialogEditorAsk::text(QWidget *parent, const QString &title, const QString &label, const QString &initial)
{
    return QInputDialog::getText(parent, title, label, QLineEdit::Normal, initial);
}

bool DialogEditorAsk::run(QDialog *dialog)
{
    return dialog->exec() == QDialog::Accepted;
}
