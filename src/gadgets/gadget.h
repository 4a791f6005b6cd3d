#pragma once

#include "gadgets/cbackground.h"
#include "gadgets/dragablewidget.h"

#include <QList>
#include <QPointer>
#include <memory>

class GadgetThemeManager;
class IBackupObject;
class IWindowProbe;
class Properties;
class QAction;
class QGraphicsOpacityEffect;
class QPropertyAnimation;

namespace Ui {
class Gadget;
}

// The common window of the desktop gadgets: a frameless, translucent, draggable window with a header (an
// editable caption, a change-theme button, a close button) above a body for the derived gadget. It keeps its
// theme in a property store of its own, stays half transparent while the mouse is away, and fades its
// header buttons in and out.
class Gadget : public DragableWidget
{
    Q_OBJECT

public:
    static constexpr qreal s_opacityMouseIn = 0.95;
    static constexpr qreal s_opacityMouseOut = 0.75;
    static constexpr int s_fadeMs = 300;

    Gadget(const QByteArray &uid, GadgetThemeManager *themeManager, QWidget *parent = nullptr);
    ~Gadget() override;

    QByteArray uid() const { return m_uid; }
    QString caption() const;
    void setCaption(const QString &caption);
    void setWorkingArea(QWidget *widget);
    GadgetThemeManager *themeManager() const { return m_themeManager; }
    Properties *properties() const { return m_properties.get(); }
    QString themeUid() const;
    void setThemeUid(const QString &uid);
    QString nextThemeUid() const;
    QColor nextThemeColor() const;
    QString themeImagesPath() const;
    void applyTheme();
    static QPixmap makeThemeIcon(const QColor &color);
    static void registerThemeProperty(Properties *properties, GadgetThemeManager *themeManager);
    // True for a uid of the form the program gives gadgets ("{" and 8-4-4-4-12 hex digits "}"): the gadget keeps
    // its properties in the file "<uid>.dat" beside the data files, and no other form is sure not to be the
    // name of one of them ("events" would make it events.dat).
    static bool isGeneratedUid(const QString &uid);

    QAction *renameAction() const { return m_renameGadgetAction; }
    QAction *closeAction() const { return m_closeAction; }
    QAction *aboutAction() const { return m_aboutAction; }
    bool isOverHeader(const QPoint &globalPos) const;
    void setGeometryAndStore(const QRect &geometry);
    bool isPartlyVisible();
    QPixmap grabAreaPixmap();
    QList<IBackupObject *> backupObjects() const;
    QVariant geometryToJson() const;
    bool geometryFromJson(const QVariant &json);
    bool isMouseOut() const { return m_mouseOut; }
    bool isEditingCaption() const;

    // The window probe asked whether the cursor or a point of the gadget is over it; not owned. Null
    // restores the platform's.
    static void setWindowProbe(IWindowProbe *probe);

    // Whether the gadget has its shadow, in a margin only a compositing manager shows as see-through:
    // without one that margin would be a black band. Gadgets follow the compositing manager by themselves.
    void setShadow(bool on);
    bool hasShadow() const { return m_shadow; }
    static void desktopActivated() {}

    virtual bool keepOpaque() const;
    virtual bool canClose();
    virtual void onThemeApplied() {}

signals:
    void aboutToBeDestroyed();
    void themeChangedByUser(const QString &themeUid);
    void mouseEntered();
    void mouseLeft();
    void shown();
    void captionChanged();
    void nextThemeClicked();

protected slots:
    void applyTransparency(bool animate = true, bool forseMouseOff = false);
    virtual void onPropertyChanged(const QByteArray &id, const QVariant &value);

private slots:
    void onCloseClicked();
    void onCaptionEntered();
    void onAboutClicked();
    void startEditCaption();

protected:
    bool eventFilter(QObject *object, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    QList<QRect> foreignWindowRects() const override;
    void nativeFlagsChanged() override;

    Ui::Gadget *ui() const { return m_ui.get(); }
    bool isOwnWindowAt(const QPoint &globalPos) const;

private:
    void setupProperties();
    void setupActions();
    void setupAutoVisibility();
    void setCaptionEditing(bool on);
    void enterMouseIn();
    void enterMouseOut(bool animate);
    void refreshShadow();

    std::unique_ptr<Ui::Gadget> m_ui;
    QPropertyAnimation *m_opacityAnimation = nullptr;
    QList<QGraphicsOpacityEffect *> m_autoVisibilityEffects;
    QList<QPropertyAnimation *> m_autoVisibilityAnimations;
    std::unique_ptr<Properties> m_properties;
    QAction *m_renameGadgetAction = nullptr;
    QAction *m_closeAction = nullptr;
    QAction *m_aboutAction = nullptr;
    QByteArray m_uid;
    bool m_mouseOut = false;
    bool m_shadow = true;
    CBackground m_background;
    GadgetThemeManager *m_themeManager;
};
