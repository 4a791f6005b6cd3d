#pragma once

#include "core/usermessages.h"
#include "editor/editorask.h"

#include <QDialog>
#include <QList>
#include <QStringList>

#include <functional>

// Answers the editor's file and text prompts from queues and records what was asked. An empty queue
// answers as a cancelled dialog would. Made anew, it starts a fresh record of the messages told.
class FakeEditorAsk : public IEditorAsk
{
public:
    FakeEditorAsk() { Common::UserMessages::reset(); }

    struct Asked
    {
        QString kind; // "save", "open", "text"
        QString title;
        QString text; // the message, label, or the proposed folder or file
        QString filter;
        QString suffix;
    };

    QString saveFileName(QWidget *, const QString &caption, const QString &path, const QString &filter,
                         const QString &defaultSuffix) override
    {
        asked << Asked{QStringLiteral("save"), caption, path, filter, defaultSuffix};
        return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
    }
    QString openFileName(QWidget *, const QString &caption, const QString &dir, const QString &filter) override
    {
        asked << Asked{QStringLiteral("open"), caption, dir, filter, {}};
        return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
    }
    QString text(QWidget *, const QString &title, const QString &label, const QString &initial) override
    {
        asked << Asked{QStringLiteral("text"), title, label, initial, {}};
        return texts.isEmpty() ? QString() : texts.takeFirst();
    }
    bool run(QDialog *dialog) override
    {
        ++runs;
        return dialogRunner ? dialogRunner(dialog) : false;
    }

    // The messages told, as "title: text".
    QStringList messages() const { return Common::UserMessages::toldLines(); }

    QStringList fileNames;
    QStringList texts;
    std::function<bool(QDialog *)> dialogRunner;
    QList<Asked> asked;
    int runs = 0;
};
