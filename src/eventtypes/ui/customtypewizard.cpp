#include "eventtypes/ui/customtypewizard.h"

#include "core/iapplication.h"
#include "core/log.h"
#include "core/settingkeys.h"
#include "core/storage.h"
#include "eventtypes/eventtypesstorage.h"
#include "events/abstractcommonevent.h"
#include "events/eventsfactory.h"
#include "widgets/photobox.h"

#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QUuid>
#include <QVBoxLayout>

namespace CustomTypeWizardPrivate {

constexpr int s_previewWidth = 360;

// Clears a group's layout, deleting the widgets it held.
void clearGroup(QGroupBox *group)
{
    QLayout *layout = group->layout();
    while (layout->count() > 0) {
        QLayoutItem *item = layout->takeAt(0);
        delete item->widget();
        delete item;
    }
}

QString fieldTitle(const CustomTypeMetaInfo &meta, const QByteArray &id)
{
    const QString title = meta.fieldNames.value(id);
    return title.isEmpty() ? QString::fromUtf8(id) : title;
}

// A check box for a yes/no value, a line edit for anything else.
QWidget *valueEditor(const QVariant &value, const QString &title, QWidget *parent)
{
    if (value.typeId() == QMetaType::Bool) {
        auto *box = new QCheckBox(title, parent);
        box->setChecked(value.toBool());
        return box;
    }
    auto *edit = new QLineEdit(value.toString(), parent);
    edit->setPlaceholderText(title);
    return edit;
}

QVariant editorValue(const QWidget *editor)
{
    if (const auto *box = qobject_cast<const QCheckBox *>(editor))
        return box->isChecked();
    return qobject_cast<const QLineEdit *>(editor)->text();
}

void readEditors(const QMap<QByteArray, QWidget *> &editors, QMap<QByteArray, QVariant> *values)
{
    values->clear();
    for (auto it = editors.cbegin(); it != editors.cend(); ++it)
        values->insert(it.key(), editorValue(it.value()));
}

} // namespace CustomTypeWizardPrivate

using namespace CustomTypeWizardPrivate;

CustomTypeWizard::CustomTypeWizard(QWidget *parent) : Dialog(parent, QByteArray(Setting::CustomTypeWizardGeometry))
{
    m_info = CustomTypeInfo(EventsFactory::customTypeMetaInfo(EventTypeBirthday));
    m_info.id = QUuid::createUuid().toByteArray(QUuid::WithBraces);
    m_info.baseType = EventTypeBirthday;
    setWindowTitle(tr("New Event Type"));
    build();
}

CustomTypeWizard::CustomTypeWizard(const CustomTypeInfo &info, QWidget *parent)
    : Dialog(parent, QByteArray()), m_info(info)
{
    if (m_info.id.isEmpty())
        m_info.id = QUuid::createUuid().toByteArray(QUuid::WithBraces);
    setWindowTitle(tr("Edit Event Type"));
    build();
    loadStoredPicture();
}

CustomTypeWizard::~CustomTypeWizard() = default;

void CustomTypeWizard::build()
{
    m_nameEdit = new QLineEdit(m_info.name, this);
    m_nameEdit->setObjectName(QStringLiteral("nameEdit"));
    // Room for a name of several words; the form would otherwise give it only the kind box's width.
    m_nameEdit->setMinimumWidth(m_nameEdit->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 34);
    m_kindBox = new QComboBox(this);
    m_kindBox->setObjectName(QStringLiteral("kindBox"));
    for (int kind : EventTypesStorage::defaultOrder())
        m_kindBox->addItem(EventsFactory::eventIcon(kind), EventsFactory::eventName(kind), kind);
    int kindRow = m_kindBox->findData(m_info.baseType);
    if (kindRow < 0) {
        QR_ASSERT(kindRow >= 0);
        kindRow = 0;
    }
    m_kindBox->setCurrentIndex(kindRow);

    m_photo = new PhotoBoxWidget(this);
    m_photo->setObjectName(QStringLiteral("photoViewer"));
    m_photo->setPhotoSize(QSize(AbstractCommonEvent::s_photoSize, AbstractCommonEvent::s_photoSize));
    m_photo->photoBox()->setDefault(true);
    m_photo->photoBox()->setDefaultPhotoProvider(this);

    auto *form = new QFormLayout;
    form->addRow(tr("&Name:"), m_nameEdit);
    form->addRow(tr("&Based on:"), m_kindBox);

    m_fieldsGroup = new QGroupBox(tr("Fields shown"), this);
    m_fieldsGroup->setLayout(new QVBoxLayout);
    m_defaultsGroup = new QGroupBox(tr("Defaults and options"), this);
    m_defaultsGroup->setLayout(new QFormLayout);

    auto *left = new QVBoxLayout;
    left->addLayout(form);
    left->addWidget(m_photo, 0, Qt::AlignHCenter);
    left->addWidget(m_fieldsGroup);
    left->addWidget(m_defaultsGroup);
    left->addStretch(1);

    m_preview = new QLabel(this);
    m_preview->setObjectName(QStringLiteral("preview"));
    m_preview->setAlignment(Qt::AlignCenter);
    m_preview->setWordWrap(true);
    m_preview->setMinimumWidth(s_previewWidth / 2);
    auto *previewGroup = new QGroupBox(tr("Preview"), this);
    auto *previewLayout = new QVBoxLayout(previewGroup);
    previewLayout->addWidget(m_preview);

    auto *columns = new QHBoxLayout;
    columns->addLayout(left);
    columns->addWidget(previewGroup, 1);

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *top = new QVBoxLayout(this);
    top->addLayout(columns);
    top->addWidget(m_buttons);

    fillFields(m_info);
    connect(m_kindBox, &QComboBox::currentIndexChanged, this, &CustomTypeWizard::onBaseTypeChanged);
    connect(m_nameEdit, &QLineEdit::textChanged, this, &CustomTypeWizard::updateOkButton);
    updateOkButton();
}

void CustomTypeWizard::fillFields(const CustomTypeInfo &values)
{
    clearGroup(m_fieldsGroup);
    clearGroup(m_defaultsGroup);
    m_visibility.clear();
    m_defaults.clear();
    m_parameters.clear();
    const CustomTypeMetaInfo meta = EventsFactory::customTypeMetaInfo(baseType());
    // Only the fields the kind describes are offered; a record's other entries are dropped.
    for (auto it = meta.fieldsVisibility.cbegin(); it != meta.fieldsVisibility.cend(); ++it) {
        auto *box = new QCheckBox(fieldTitle(meta, it.key()), m_fieldsGroup);
        box->setChecked(values.fieldsVisibility.value(it.key(), it.value()));
        connect(box, &QCheckBox::toggled, this, &CustomTypeWizard::updatePreview);
        m_fieldsGroup->layout()->addWidget(box);
        m_visibility.insert(it.key(), box);
    }
    auto *defaults = static_cast<QFormLayout *>(m_defaultsGroup->layout());
    auto addEditors = [&](const QMap<QByteArray, QVariant> &described, const QMap<QByteArray, QVariant> &given,
                          QMap<QByteArray, QWidget *> *editors) {
        for (auto it = described.cbegin(); it != described.cend(); ++it) {
            QVariant value = given.value(it.key(), it.value());
            if (it.value().typeId() == QMetaType::Bool)
                value = value.toBool();
            const QString title = fieldTitle(meta, it.key());
            QWidget *editor = valueEditor(value, title, m_defaultsGroup);
            if (qobject_cast<QCheckBox *>(editor))
                defaults->addRow(editor);
            else
                defaults->addRow(title + QLatin1Char(':'), editor);
            editors->insert(it.key(), editor);
        }
    };
    addEditors(meta.defaultValues, values.defaultValues, &m_defaults);
    addEditors(meta.parameters, values.parameters, &m_parameters);
    m_fieldsGroup->setVisible(!m_visibility.isEmpty());
    m_defaultsGroup->setVisible(!m_defaults.isEmpty() || !m_parameters.isEmpty());
    updatePreview();
}

int CustomTypeWizard::baseType() const
{
    return m_kindBox->currentData().toInt();
}

void CustomTypeWizard::setBaseType(int kind)
{
    const int row = m_kindBox->findData(kind);
    if (row >= 0)
        m_kindBox->setCurrentIndex(row);
}

void CustomTypeWizard::onBaseTypeChanged()
{
    fillFields(CustomTypeInfo());
    m_photo->photoBox()->defaultPhotoChanged();
}

CustomTypeInfo CustomTypeWizard::customTypeInfo() const
{
    CustomTypeInfo info;
    info.id = m_info.id;
    info.name = m_nameEdit->text().trimmed();
    info.baseType = baseType();
    for (auto it = m_visibility.cbegin(); it != m_visibility.cend(); ++it)
        info.fieldsVisibility.insert(it.key(), it.value()->isChecked());
    readEditors(m_defaults, &info.defaultValues);
    readEditors(m_parameters, &info.parameters);
    return info;
}

QPixmap CustomTypeWizard::picture() const
{
    const PhotoBox *box = m_photo->photoBox();
    return box->isDefault() ? QPixmap() : box->pixmap();
}

bool CustomTypeWizard::isDefaultPictureRestored() const
{
    const PhotoBox *box = m_photo->photoBox();
    return box->isDirty() && box->isDefault();
}

QIcon CustomTypeWizard::defaultPhoto() const
{
    return EventsFactory::eventPicture(m_kindBox ? baseType() : m_info.baseType);
}

void CustomTypeWizard::loadStoredPicture()
{
    IApplication *app = IApplication::instance();
    Storage *storage = app ? app->storage() : nullptr;
    if (!storage || !storage->contains(m_info.photoId()))
        return;
    QBuffer buffer;
    QPixmap stored;
    if (storage->read(m_info.photoId(), &buffer) && stored.loadFromData(buffer.data()))
        m_photo->photoBox()->setPhoto(stored);
}

void CustomTypeWizard::updateOkButton()
{
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(!m_nameEdit->text().trimmed().isEmpty());
}

void CustomTypeWizard::updatePreview()
{
    CustomTypeInfo info = customTypeInfo();
    AbstractCommonEventPtr event = EventsFactory::createEvent(info.baseType);
    QWidget *form = nullptr;
    if (event) {
        event->setCustomTypeMetaInfo(info);
        form = event->eventWidget(nullptr);
    }
    if (!form) {
        // Without an edit form for the kind there is nothing to render; its picture stands in.
        m_preview->setPixmap(EventsFactory::eventPicture(info.baseType).pixmap(AbstractCommonEvent::s_photoSize));
        return;
    }
    form->setAttribute(Qt::WA_DontShowOnScreen);
    form->ensurePolished();
    form->adjustSize();
    QPixmap shot = form->grab();
    delete form;
    if (shot.width() > s_previewWidth)
        shot = shot.scaledToWidth(s_previewWidth, Qt::SmoothTransformation);
    m_preview->setPixmap(shot);
}
