#pragma once

#include <QString>

class QDialog;

// The application's questions and notices to the user, so tests can answer them without a modal loop.
class IApplicationAsk
{
public:
    virtual ~IApplicationAsk() = default;
    virtual void information(const QString &title, const QString &text) = 0;
    virtual void warning(const QString &title, const QString &text) = 0;
    // Yes or No; true for Yes.
    virtual bool question(const QString &title, const QString &text) = 0;
    // Runs the window modally and returns its result; test doubles that open windows replace it.
    virtual int runModal(QDialog *dialog);
};

// Message boxes without parent.
class MessageBoxAsk : public IApplicationAsk
{
public:
    void information(const QString &title, const QString &text) override;
    void warning(const QString &title, const QString &text) override;
    bool question(const QString &title, const QString &text) override;
};
