#pragma once

#include <QByteArray>
#include <QPointer>
#include <QToolButton>
#include <QVariant>

// A small button beside a spin box, check box or combo box: while the control shows a value other
// than the stored default under the property id, the button floats at the control's top-right
// corner; a click stores the value as the new default.
class SetAsDefaultWidget : public QToolButton
{
    Q_OBJECT

public:
    SetAsDefaultWidget(QWidget *parent, QWidget *control, const QByteArray &propertySid, int xOffset = 0);

    // Makes the button, or none when the property id is empty: a click would store the value
    // under an empty key.
    static SetAsDefaultWidget *attach(QWidget *parent, QWidget *control, const QByteArray &propertySid,
                                      int xOffset = 0);

    // The value the control shows, as it is stored: int, bool or the combo item's data.
    static QVariant currentValue(const QWidget *control);

    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void onClicked();
    void updateVisibility();

private:
    void subscribeToValueChange();

    QPointer<QWidget> m_control;
    QByteArray m_propertySid;
    int m_xOffset;
};
