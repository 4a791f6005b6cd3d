#include "editor/editorask.h"

#include "widgets/dialog.h"

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
    if (Dialog::execWindowModal(&dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

QString DialogEditorAsk::openFileName(QWidget *parent, const QString &caption, const QString &dir,
                                      const QString &filter)
{
    QFileDialog dialog(parent, caption, dir, filter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (Dialog::execWindowModal(&dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

QString DialogEditorAsk::text(QWidget *parent, const QString &title, const QString &label, const QString &initial)
{
    QInputDialog dialog(parent);
    dialog.setWindowTitle(title);
    dialog.setLabelText(label);
    dialog.setTextValue(initial);
    return Dialog::execWindowModal(&dialog) == QDialog::Accepted ? dialog.textValue() : QString();
}

bool DialogEditorAsk::run(QDialog *dialog)
{
    return Dialog::execWindowModal(dialog) == QDialog::Accepted;
}
