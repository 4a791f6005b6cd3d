#include "widgets/aboutdialog.h"

#include "core/colorcontrast.h"
#include "core/settingkeys.h"
#include "core/statcollector.h"
#include "widgets/widgetresources.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QTextEdit>
#include <QVBoxLayout>

namespace AboutDialogPrivate {

const char *const kWebSite = "https://quillane.example.org/";
const char *const kSupportMail = "support@quillane.example.org";

// The colour nearest to `wanted` that reads on the picture's card, measured on its darkest tone.
QColor onCard(const QColor &wanted)
{
    return ColorContrast::readableColour(wanted, {QColor(246, 244, 238)});
}

// A link in the colour the palette gives links, as near as reads on the card.
QString link(const QString &href, const QString &text)
{
    return QStringLiteral("<a style=\"color: %1;\" href=\"%2\">%3</a>")
        .arg(onCard(QGuiApplication::palette().color(QPalette::Link)).name(), href.toHtmlEscaped(),
             text.toHtmlEscaped());
}

QString credits()
{
    static const char *const languages[] = {"Arabic",    "Czech",   "Dutch",      "French",    "German", "Greek",
                                            "Hungarian", "Italian", "Lithuanian", "Mongolian", "Polish", "Portuguese",
                                            "Romanian",  "Slovak",  "Spanish",    "Ukrainian"};
    QString html = QStringLiteral("<p><b>Special Thanks to translators:</b></p>"
                                  "<table cellspacing=\"2\"><tr><th align=\"left\">Language</th>"
                                  "<th align=\"left\">Translators</th></tr>");
    for (const char *language : languages)
        html += QStringLiteral("<tr><td>%1&nbsp;&nbsp;</td><td>Anonymous</td></tr>").arg(QLatin1String(language));
    html += QStringLiteral("</table><p><b>Special Thanks for provided graphic:</b></p>"
                           "<table cellspacing=\"2\"><tr><th align=\"left\">Author</th>"
                           "<th align=\"left\">Website</th></tr>"
                           "<tr><td>Quillane Reminder developers&nbsp;&nbsp;</td>"
                           "<td>%1</td></tr></table>")
                .arg(link(QLatin1String(kWebSite), QLatin1String(kWebSite)));
    return html;
}

} // namespace AboutDialogPrivate

AboutDialog::AboutDialog(QWidget *parent) : Dialog(parent, Setting::AboutDialogGeometry)
{
    initWidgetResources();
    setupUi();
    setFixedSize(300, 310);
    setWindowFlags(fixedSizeFlags(windowFlags()));
    // The texts lie on the picture's light card whatever the palette's window colour, where a dark
    // palette's white would vanish.
    setStyleSheet(QStringLiteral("QDialog {background-image: url(:/Ostrevalder/icons/aboutboxbg.png);"
                                 " background-repeat: no-repeat;} QTextEdit {background: transparent;}"
                                 " QLabel, QTextEdit {color: %1;}")
                      .arg(AboutDialogPrivate::onCard(palette().color(QPalette::WindowText)).name()));
    m_appVersion->setText(QCoreApplication::applicationVersion());
    StatCollector::incrementCounter("f_about");
}

void AboutDialog::setupUi()
{
    setObjectName(QStringLiteral("aboutDialog"));
    setWindowTitle(QCoreApplication::translate("aboutDialog", "About"));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    auto *column = new QVBoxLayout(this);
    column->setObjectName(QStringLiteral("verticalLayout"));
    column->setSpacing(9);
    column->setContentsMargins(6, 6, 6, 6);
    // Keeps the top of the picture (the name and the running line) free of widgets.
    column->addItem(new QSpacerItem(20, 70, QSizePolicy::Minimum, QSizePolicy::Fixed));

    auto *versionRow = new QHBoxLayout;
    versionRow->setObjectName(QStringLiteral("horizontalLayout"));
    versionRow->setSpacing(9);
    QFont font = this->font();
    font.setPointSize(10);
    m_appName = new QLabel(QCoreApplication::translate("aboutDialog", "Version:"), this);
    m_appName->setObjectName(QStringLiteral("appName"));
    m_appName->setFont(font);
    m_appVersion = new QLabel(this);
    m_appVersion->setObjectName(QStringLiteral("appVersion"));
    m_appVersion->setFont(font);
    versionRow->addWidget(m_appName);
    versionRow->addWidget(m_appVersion);
    versionRow->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    column->addLayout(versionRow);

    auto link = [this](const char *name, const QString &href, const QString &text) {
        auto *label = new QLabel(AboutDialogPrivate::link(href, text), this);
        label->setObjectName(QLatin1String(name));
        label->setTextFormat(Qt::RichText);
        label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
        connect(label, &QLabel::linkActivated, this, [](const QString &target) { openLink(QUrl(target)); });
        return label;
    };
    m_webLabel = link("webLabel", QLatin1String(AboutDialogPrivate::kWebSite), QStringLiteral("quillane.example.org"));
    m_mailLabel = link("label", QStringLiteral("mailto:") + QLatin1String(AboutDialogPrivate::kSupportMail),
                       QLatin1String(AboutDialogPrivate::kSupportMail));
    column->addWidget(m_webLabel);
    column->addWidget(m_mailLabel);

    m_textEdit = new QTextEdit(this);
    m_textEdit->setObjectName(QStringLiteral("textEdit"));
    m_textEdit->setReadOnly(true);
    m_textEdit->setLineWrapMode(QTextEdit::NoWrap);
    m_textEdit->setUndoRedoEnabled(false);
    m_textEdit->setAutoFormatting(QTextEdit::AutoAll);
    m_textEdit->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::LinksAccessibleByMouse |
                                        Qt::LinksAccessibleByKeyboard);
    m_textEdit->setHtml(AboutDialogPrivate::credits());
    column->addWidget(m_textEdit);
    column->addItem(new QSpacerItem(20, 0, QSizePolicy::Minimum, QSizePolicy::Expanding));
}

bool AboutDialog::openLink(const QUrl &url, const UrlOpener &open)
{
    // A label's link could name any scheme (file:, a program's handler); only web and mail go out.
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https") && scheme != QLatin1String("mailto"))
        return false;
    return open ? open(url) : QDesktopServices::openUrl(url);
}
