#pragma once

#include "widgets/dialog.h"

#include <QUrl>

#include <functional>

class QLabel;
class QTextEdit;

// The about box: version, the web site and support links, and the credits, over our picture.
class AboutDialog : public Dialog
{
    Q_OBJECT

public:
    explicit AboutDialog(QWidget *parent = nullptr);

    using UrlOpener = std::function<bool(const QUrl &)>;
    // Opens a link of the box; only web and mail addresses are handed to `open`, by default the desktop's.
    static bool openLink(const QUrl &url, const UrlOpener &open = {});

private:
    void setupUi();

    QLabel *m_appName = nullptr;
    QLabel *m_appVersion = nullptr;
    QLabel *m_webLabel = nullptr;
    QLabel *m_mailLabel = nullptr;
    QTextEdit *m_textEdit = nullptr;
};
