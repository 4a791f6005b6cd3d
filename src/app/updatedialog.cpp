#include "app/updatedialog.h"

#include "core/iapplication.h"
#include "core/lastversioninfo.h"
#include "core/log.h"
#include "events/system/openurlevent.h"
#include "events/system/updateevent.h"
#include "ui_updatedialog.h"

#include <QCoreApplication>

namespace UpdateDialogPrivate {
LastVersionInfo offered()
{
    IApplication *app = IApplication::instance();
    return app ? app->lastVersionInfo() : LastVersionInfo();
}
} // namespace UpdateDialogPrivate

using namespace UpdateDialogPrivate;

UpdateDialog::UpdateDialog() : Dialog(nullptr, QByteArray()), m_ui(std::make_unique<Ui::UpdateDialog>())
{
    Q_INIT_RESOURCE(app);
    m_ui->setupUi(this);
    m_ui->infoLabel->setText(tr("New version of %1 is available").arg(QCoreApplication::applicationName()));
    connect(m_ui->downloadLabel, &QLabel::linkActivated, this, &UpdateDialog::download);
    connect(m_ui->dontRemindLabel, &QLabel::linkActivated, this, &UpdateDialog::dontRemind);
    const QString whatsNew = offered().whatsNew;
    if (whatsNew.isEmpty()) {
        m_ui->browser->hide();
        adjustSize();
    } else {
        // The server's text is shown as it is: no markup, no links, no pictures to fetch.
        m_ui->browser->setPlainText(whatsNew);
    }
}

UpdateDialog::~UpdateDialog() = default;

void UpdateDialog::download()
{
    OpenUrlEvent::openWebPage(offered().downloadUrl);
    hide();
}

void UpdateDialog::dontRemind()
{
    UpdateEvent::setDontRemindVersion(offered().version);
    hide();
}
