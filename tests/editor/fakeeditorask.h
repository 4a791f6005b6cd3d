#pragma once

#include "editor/editorask.h"

#include <QDialog>
#include <QList>
#include <QStringList>

#include <functional>

// Answers the editor's questions from queues and records what was asked. An empty queue answers
// as a cancelled dialog would.
class FakeEditorAsk : public IEditorAsk
{
public:
    struct Asked
    {
        QString kind; // "information", "question", "save", "open", "text"
        QString title;
        QString text; // the message, label, or the proposed folder or file
        QString filter;
        QString suffix;
    };

    void information(QWidget *, const QString &title, const QString &text) override
    {
        asked << Asked{QStringLiteral("information"), title, text, {}, {}};
    }
    bool question(QWidget *, const QString &title, const QString &text) override
    {
        asked << Asked{QStringLiteral("question"), title, text, {}, {}};
        return answers.isEmpty() ? false : answers.takeFirst();
    }
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

    // The messages shown, as "title: text".
    QStringList messages() const
    {
        QStringList result;
        for (const Asked &a : asked)
            if (a.kind == QLatin1String("information"))
                result << a.title + QStringLiteral(": ") + a.text;
        return result;
    }

    QList<bool> answers;
    QStringList fileNames;
    QStringList texts;
    std::function<bool(QDialog *)> dialogRunner;
    QList<Asked> asked;
    int runs = 0;
};
