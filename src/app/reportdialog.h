#pragma once

#include "widgets/dialog.h"

#include <memory>

class WebController;

namespace Ui {
class ReportDialog;
}

// The form through which the user writes to the program's makers: a bug report, a feature request
// or feedback on uninstalling. Sends the text as an e-mail through the web controller while the
// server can be reached.
class ReportDialog : public Dialog
{
    Q_OBJECT

public:
    explicit ReportDialog(WebController *web);
    ~ReportDialog() override;

    void setSendSystemInfo(bool on) { m_sendSystemInfo = on; }
    bool sendSystemInfo() const { return m_sendSystemInfo; }
    // The whole message as it would be sent.
    QString composeText() const;

public slots:
    void onSendButton();
    void onNetworkStateChanged(bool connected);
    void onSent();

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // The title the subject starts with, followed by a colon.
    QString m_subjectTitle;
    std::unique_ptr<Ui::ReportDialog> m_ui;
    bool m_sendSystemInfo = false;
    WebController *m_web;
};
