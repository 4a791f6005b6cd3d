#pragma once

#include <QString>
#include <QTime>
#include <QTimeEdit>

namespace TimeEditPrivate {

// The time typed so far: digits fill the hours first (one digit when no two-digit hour can start with
// it), then the minutes; "20:16", "2016" and "20.16" all give 20:16. Invalid when the text cannot be
// a time or the start of one.
QTime timeFromTyped(const QString &typed);

} // namespace TimeEditPrivate

// A time field that takes a time typed as a whole: focus selects it all and digits replace it,
// instead of landing in whichever section the cursor was in.
class TimeEdit : public QTimeEdit
{
    Q_OBJECT

public:
    explicit TimeEdit(QWidget *parent = nullptr);

protected:
    void focusInEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    QString m_typed;
};
