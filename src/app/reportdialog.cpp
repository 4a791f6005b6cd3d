#include "app/reportdialog.h"

#include "app/reporttext.h"
#include "app/web/webcontroller.h"
#include "core/colorcontrast.h"
#include "core/iapplication.h"
#include "core/log.h"
#include "core/properties.h"
#include "core/settingkeys.h"
#include "core/statcollector.h"
#include "core/usermessages.h"
#include "ui_reportdialog.h"

#include <QCoreApplication>

ReportDialog::ReportDialog(WebController *web)
    : Dialog(nullptr, Setting::ReportDialogGeometry, Qt::Dialog), m_ui(std::make_unique<Ui::ReportDialog>()), m_web(web)
{
    m_ui->setupUi(this);
    m_ui->noInternetLabel->hide();
    QPalette palette = m_ui->noInternetLabel->palette();
    // Red, as near as reads on the window's own colour (pure red is too dark on a dark one, too light on white).
    palette.setColor(QPalette::Active, QPalette::WindowText,
                     ColorContrast::readableColour(QColor(255, 0, 0), {palette.color(QPalette::Window)}));
    palette.setColor(QPalette::Inactive, QPalette::WindowText, palette.color(QPalette::Active, QPalette::WindowText));
    m_ui->noInternetLabel->setPalette(palette);
    connect(m_ui->sendButton, &QPushButton::clicked, this, &ReportDialog::onSendButton);
    if (m_web) {
        connect(m_web, &WebController::networkStateChanged, this, &ReportDialog::onNetworkStateChanged);
        connect(m_web, &WebController::emailSent, this, &ReportDialog::onSent);
    }
    if (!m_web || !m_web->isConfigured())
        m_ui->noInternetLabel->setText(tr("Reports cannot be sent: this build has no server to send them to."));
    onNetworkStateChanged(m_web && m_web->isConnected());
}

ReportDialog::~ReportDialog() = default;

void ReportDialog::showEvent(QShowEvent *event)
{
    m_subjectTitle = windowTitle();
    m_ui->subjectLineEdit->setText(QStringLiteral("%1:").arg(m_subjectTitle));
    m_ui->textEdit->clear();
    if (IApplication *app = IApplication::instance()) {
        const QString name = app->settingsValue(Setting::ReportName).toString();
        const QString email = app->settingsValue(Setting::ReportEmail).toString();
        if (!name.isEmpty())
            m_ui->nameLineEdit->setText(name);
        if (!email.isEmpty())
            m_ui->eMailLineEdit->setText(email);
    }
    onNetworkStateChanged(m_web && m_web->isConnected());
    Dialog::showEvent(event);
}

void ReportDialog::changeEvent(QEvent *event)
{
    Dialog::changeEvent(event);
    // Opened again for the other kind while shown: the subject says the new kind, the rest stays.
    if (event->type() != QEvent::WindowTitleChange || !isVisible() || windowTitle() == m_subjectTitle)
        return;
    const QString oldPrefix = m_subjectTitle + QLatin1Char(':');
    const QString subject = m_ui->subjectLineEdit->text();
    if (subject.startsWith(oldPrefix))
        m_ui->subjectLineEdit->setText(windowTitle() + QLatin1Char(':') + subject.mid(oldPrefix.size()));
    m_subjectTitle = windowTitle();
}

void ReportDialog::onNetworkStateChanged(bool connected)
{
    m_ui->noInternetLabel->setVisible(!connected);
    m_ui->sendButton->setEnabled(connected);
}

QString ReportDialog::composeText() const
{
    ReportText::Content content;
    content.message = m_ui->textEdit->toPlainText();
    content.applicationName = QCoreApplication::applicationName();
    content.version = QCoreApplication::applicationVersion();
    content.name = m_ui->nameLineEdit->text();
    content.email = m_ui->eMailLineEdit->text();
    content.subject = m_ui->subjectLineEdit->text();
    content.withSystemInfo = m_sendSystemInfo;
    if (m_sendSystemInfo) {
        IApplication *app = IApplication::instance();
        content.system = app ? app->systemInfoText() : QString();
        content.log = QString::fromUtf8(logBuffer());
        content.properties = app && app->properties() ? app->properties()->dumpText() : QString();
        content.statistics = StatCollector::toText();
    }
    return ReportText::compose(content);
}

void ReportDialog::onSendButton()
{
    if (m_ui->textEdit->toPlainText().isEmpty()) {
        Common::UserMessages::information(windowTitle(), tr("Nothing to send!"));
        return;
    }
    if (m_ui->nameLineEdit->text().isEmpty() &&
        !Common::UserMessages::question(windowTitle(),
                                        tr("You haven't stated your name.\nAre your sure you want to stay anonymous?")))
        return;
    if (m_ui->eMailLineEdit->text().isEmpty() &&
        !Common::UserMessages::question(windowTitle(),
                                        tr("You haven't stated your E-Mail so we won't be able to send an "
                                           "answer.\nSend anywhere?")))
        return;
    if (m_web)
        m_web->sendEmail(m_ui->eMailLineEdit->text(), m_ui->subjectLineEdit->text(), composeText());
    if (IApplication *app = IApplication::instance()) {
        app->setSettingsValue(Setting::ReportName, m_ui->nameLineEdit->text());
        app->setSettingsValue(Setting::ReportEmail, m_ui->eMailLineEdit->text());
    }
    m_ui->sendButton->setEnabled(false);
}

void ReportDialog::onSent()
{
    Common::UserMessages::information(windowTitle(), tr("Your message has been sent. Thank you!"));
    hide();
}
