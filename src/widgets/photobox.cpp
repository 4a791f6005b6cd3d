#include "widgets/photobox.h"

#include "core/log.h"
#include "events/ievent.h"
#include "widgets/choosephotodialog.h"
#include "widgets/dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMouseEvent>
#include <QStandardPaths>
#include <QVBoxLayout>

PhotoBox::PhotoBox(QWidget *parent)
    : QLabel(parent), m_lastPath(QStandardPaths::writableLocation(QStandardPaths::PicturesLocation))
{
    m_askFileName = [](QWidget *parent, const QString &caption, const QString &dir, const QString &filter) {
        QFileDialog dialog(parent, caption, dir, filter);
        dialog.setFileMode(QFileDialog::ExistingFile);
        if (Dialog::execWindowModal(&dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return QString();
        return dialog.selectedFiles().constFirst();
    };
    m_runCropDialog = [](ChoosePhotoDialog &dialog) { return Dialog::execWindowModal(&dialog) == QDialog::Accepted; };
}

void PhotoBox::setDirty()
{
    m_dirty = true;
}

void PhotoBox::setDefault(bool isDefault)
{
    m_default = isDefault;
    if (m_default && m_defaultPhotoProvider)
        showDefaultPhoto();
    emit defaultChanged();
}

void PhotoBox::setDefaultPhotoProvider(IDefaultPhotoProvider *provider)
{
    m_defaultPhotoProvider = provider;
    if (m_default && m_defaultPhotoProvider)
        showDefaultPhoto();
}

void PhotoBox::setPhoto(const QPixmap &photo)
{
    setPixmap(photo);
    setDefault(false);
}

void PhotoBox::showDefaultPhoto()
{
    if (!m_defaultPhotoProvider)
        return;
    const QIcon icon = m_defaultPhotoProvider->defaultPhoto();
    const QList<QSize> sizes = icon.availableSizes(QIcon::Normal, QIcon::Off);
    // An icon without sizes of its own (a themed or drawn one) is shown at the box's size.
    setPixmap(icon.pixmap(sizes.isEmpty() ? size() : sizes.first()));
}

void PhotoBox::restoreDefault()
{
    if (!QR_CHECK(m_defaultPhotoProvider))
        return; // nothing to restore to: the photo stays
    showDefaultPhoto();
    setDirty();
    setDefault(true);
}

void PhotoBox::choosePhoto()
{
    const QString name = m_askFileName(this, tr("Open Image"), m_lastPath,
                                       QStringLiteral("Image Files (*.png *.bmp *.jpg *.jpeg *.gif)"));
    if (name.isEmpty() || !QFileInfo::exists(name))
        return;
    m_lastPath = QDir(name).absolutePath();
    const QPixmap picture(name);
    if (picture.isNull())
        return;
    ChoosePhotoDialog dialog(picture, size());
    // Modal to the form's window only, which it needs as its parent.
    dialog.setParent(window(), dialog.windowFlags());
    if (!m_runCropDialog(dialog))
        return;
    setPhoto(dialog.photo());
    setDirty();
}

void PhotoBox::doClick()
{
    if (m_default)
        choosePhoto();
    else
        restoreDefault();
}

void PhotoBox::defaultPhotoChanged()
{
    if (!m_default)
        return;
    showDefaultPhoto();
    setDirty();
}

void PhotoBox::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        doClick();
    QLabel::mouseReleaseEvent(event);
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}

PhotoBoxWidget::PhotoBoxWidget(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout;
    m_box = new PhotoBox(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_box);
    m_bottomLabel = new ClickableLabel(this);
    m_bottomLabel->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    m_bottomLabel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    updateLabelText();
    layout->addWidget(m_bottomLabel);
    setLayout(layout);
    connect(m_bottomLabel, &ClickableLabel::clicked, m_box, &PhotoBox::doClick);
    connect(m_box, &PhotoBox::defaultChanged, this, &PhotoBoxWidget::updateLabelText);
}

void PhotoBoxWidget::setPhotoSize(const QSize &size)
{
    m_box->setFixedSize(size);
    setFixedSize(sizeHint());
}

void PhotoBoxWidget::updateLabelText()
{
    m_bottomLabel->setText(m_box->isDefault() ? tr("Click to Change") : tr("Click to Restore"));
}
