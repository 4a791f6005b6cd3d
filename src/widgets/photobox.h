#pragma once

#include <QLabel>

#include <functional>

class ChoosePhotoDialog;
class IDefaultPhotoProvider;

// The picture of an event form: its owner's default picture, or a photo the user picked from a
// file and cropped. A click picks a photo while the default shows, and restores the default otherwise.
class PhotoBox : public QLabel
{
    Q_OBJECT

public:
    // Questions the box asks; tests answer them instead of the modal dialogs.
    using AskFileName =
        std::function<QString(QWidget *parent, const QString &caption, const QString &dir, const QString &filter)>;
    using RunCropDialog = std::function<bool(ChoosePhotoDialog &dialog)>;

    explicit PhotoBox(QWidget *parent = nullptr);

    bool isDirty() const { return m_dirty; }
    bool isDefault() const { return m_default; }
    void setDefault(bool isDefault);
    void setDefaultPhotoProvider(IDefaultPhotoProvider *provider);
    void setPhoto(const QPixmap &photo);
    void restoreDefault();
    void choosePhoto();
    QString lastPath() const { return m_lastPath; }

    void setAskFileName(AskFileName ask) { m_askFileName = std::move(ask); }
    void setRunCropDialog(RunCropDialog run) { m_runCropDialog = std::move(run); }

signals:
    void defaultChanged();

public slots:
    void doClick();
    void defaultPhotoChanged();

protected slots:
    void setDirty();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void showDefaultPhoto();

    bool m_dirty = false;
    bool m_default = false;
    QString m_lastPath;
    IDefaultPhotoProvider *m_defaultPhotoProvider = nullptr;
    AskFileName m_askFileName;
    RunCropDialog m_runCropDialog;
};

// A label that reports left clicks.
class ClickableLabel : public QLabel
{
    Q_OBJECT

public:
    explicit ClickableLabel(QWidget *parent = nullptr) : QLabel(parent) {}

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};

// The photo box with its caption ("Click to Change" / "Click to Restore") under it.
class PhotoBoxWidget : public QWidget
{
    Q_OBJECT

public:
    explicit PhotoBoxWidget(QWidget *parent = nullptr);

    PhotoBox *photoBox() const { return m_box; }
    ClickableLabel *bottomLabel() const { return m_bottomLabel; }
    void setPhotoSize(const QSize &size);

private slots:
    void updateLabelText();

private:
    PhotoBox *m_box;
    ClickableLabel *m_bottomLabel;
};
