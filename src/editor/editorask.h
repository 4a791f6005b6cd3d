#pragma once

#include <QString>

class QDialog;
class QWidget;

// The editor's file names, texts and modal dialogs; its messages and questions go through
// Common::UserMessages. The default shows Qt's dialogs; tests hand in their own answers so nothing
// waits on a modal loop.
class IEditorAsk
{
public:
    virtual ~IEditorAsk() = default;
    // An empty name when cancelled. The suffix is added to a typed name that has none.
    virtual QString saveFileName(QWidget *parent, const QString &caption, const QString &path, const QString &filter,
                                 const QString &defaultSuffix) = 0;
    virtual QString openFileName(QWidget *parent, const QString &caption, const QString &dir,
                                 const QString &filter) = 0;
    // A line of text; an empty text when cancelled.
    virtual QString text(QWidget *parent, const QString &title, const QString &label, const QString &initial) = 0;
    // Runs a dialog modally; true when it was accepted.
    virtual bool run(QDialog *dialog) = 0;
};

// The Qt dialogs.
class DialogEditorAsk : public IEditorAsk
{
public:
    QString saveFileName(QWidget *parent, const QString &caption, const QString &path, const QString &filter,
                         const QString &defaultSuffix) override;
    QString openFileName(QWidget *parent, const QString &caption, const QString &dir, const QString &filter) override;
    QString text(QWidget *parent, const QString &title, const QString &label, const QString &initial) override;
    bool run(QDialog *dialog) override;
};
