#include "widgets/timeedit.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTimer>

namespace TimeEditPrivate {

QTime timeFromTyped(const QString &typed)
{
    const QString text = typed.trimmed();
    QString hours;
    QString minutes;
    const qsizetype separator = text.indexOf(QRegularExpression(QStringLiteral("[:.]")));
    if (separator >= 0) {
        hours = text.left(separator);
        minutes = text.mid(separator + 1);
    } else {
        // A first digit above 2 cannot start a two-digit hour, nor can one giving more than 23.
        const bool twoDigitHour = text.size() >= 2 && text.left(2).toInt() <= 23;
        hours = text.left(twoDigitHour ? 2 : 1);
        minutes = text.mid(hours.size());
    }
    auto digits = [](const QString &part) {
        for (const QChar c : part) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        }
        return true;
    };
    if (hours.isEmpty() || hours.size() > 2 || minutes.size() > 2 || !digits(hours) || !digits(minutes))
        return QTime();
    const int h = hours.toInt();
    const int m = minutes.isEmpty() ? 0 : minutes.toInt();
    if (h > 23 || m > 59)
        return QTime();
    return QTime(h, m);
}

} // namespace TimeEditPrivate

TimeEdit::TimeEdit(QWidget *parent) : QTimeEdit(parent) {}

void TimeEdit::focusInEvent(QFocusEvent *event)
{
    QTimeEdit::focusInEvent(event);
    m_typed.clear();
    // After the base class has placed its cursor in a section.
    QTimer::singleShot(0, this, [this] {
        if (hasFocus())
            selectAll();
    });
}

void TimeEdit::mousePressEvent(QMouseEvent *event)
{
    m_typed.clear();
    QTimeEdit::mousePressEvent(event);
}

void TimeEdit::keyPressEvent(QKeyEvent *event)
{
    const QString text = event->text();
    const bool wholeSelected = lineEdit()->selectedText() == lineEdit()->text() && !lineEdit()->text().isEmpty();
    const bool typing = !m_typed.isEmpty() || wholeSelected;
    const bool timeChar =
        text.size() == 1 && (text.at(0).isDigit() || text.at(0) == QLatin1Char(':') || text.at(0) == QLatin1Char('.'));
    if (typing && timeChar && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        const QTime time = TimeEditPrivate::timeFromTyped(m_typed + text);
        if (time.isValid()) {
            m_typed += text;
            setTime(time);
        }
        event->accept();
        return;
    }
    if (!m_typed.isEmpty() && event->key() == Qt::Key_Backspace) {
        m_typed.chop(1);
        const QTime time = TimeEditPrivate::timeFromTyped(m_typed);
        if (time.isValid())
            setTime(time);
        event->accept();
        return;
    }
    m_typed.clear();
    QTimeEdit::keyPressEvent(event);
}
