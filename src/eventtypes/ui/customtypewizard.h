#pragma once

#include "events/customtypeinfo.h"
#include "events/ievent.h"
#include "widgets/dialog.h"

#include <QMap>
#include <QPixmap>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QFormLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class PhotoBoxWidget;

// Creates a custom event type or edits one: its name, base kind, which of the kind's fields the
// form shows, the fields' defaults and options, and its picture, with a preview of the kind's form.
class CustomTypeWizard : public Dialog, public IDefaultPhotoProvider
{
    Q_OBJECT

public:
    // A new type; it gets a new unique id.
    explicit CustomTypeWizard(QWidget *parent);
    // Edits a stored type; the wizard keeps its id.
    CustomTypeWizard(const CustomTypeInfo &info, QWidget *parent);
    ~CustomTypeWizard() override;

    CustomTypeInfo customTypeInfo() const;
    // The picture the user chose; null while the kind's default picture is shown.
    QPixmap picture() const;
    // The user went back to the default picture: a picture stored earlier has to go.
    bool isDefaultPictureRestored() const;

    int baseType() const;
    void setBaseType(int kind);

    // IDefaultPhotoProvider: the picture of the current base kind.
    QIcon defaultPhoto() const override;

private slots:
    void onBaseTypeChanged();
    void updatePreview();
    void updateOkButton();

private:
    void build();
    // Shows the kind's fields, with the record's values where the record names the field.
    void fillFields(const CustomTypeInfo &values);
    void loadStoredPicture();

    CustomTypeInfo m_info;
    QLineEdit *m_nameEdit = nullptr;
    QComboBox *m_kindBox = nullptr;
    PhotoBoxWidget *m_photo = nullptr;
    QGroupBox *m_fieldsGroup = nullptr;
    QGroupBox *m_defaultsGroup = nullptr;
    QLabel *m_preview = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
    QMap<QByteArray, QCheckBox *> m_visibility;
    QMap<QByteArray, QWidget *> m_defaults;
    QMap<QByteArray, QWidget *> m_parameters;
};
