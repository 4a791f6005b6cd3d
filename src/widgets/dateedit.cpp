#include "widgets/dateedit.h"

#include "core/clock.h"
#include "core/colorcontrast.h"
#include "core/dateconversions.h"

#include <QApplication>
#include <QBoxLayout>
#include <QCalendarWidget>
#include <QClipboard>
#include <QFormLayout>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTableView>
#include <QtMath>

namespace {

// Numbers and month names are the parts of a date; all else separates them.
bool inPart(QChar c)
{
    return c.isDigit() || c.isLetter() || c.isMark();
}

int partCount(const QString &text)
{
    int count = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        count += inPart(text.at(i)) && (i == 0 || !inPart(text.at(i - 1)));
    return count;
}

qsizetype leadingPart(const QString &text, qsizetype from = 0)
{
    qsizetype i = from;
    while (i < text.size() && inPart(text.at(i)))
        ++i;
    return i - from;
}

qsizetype trailingPart(const QString &text)
{
    qsizetype n = 0;
    while (n < text.size() && inPart(text.at(text.size() - 1 - n)))
        ++n;
    return n;
}

qsizetype trailingDigits(const QString &text)
{
    qsizetype n = 0;
    while (n < text.size() && text.at(text.size() - 1 - n).isDigit())
        ++n;
    return n;
}

// A key that types nothing and that the field does not act on: a modifier or a lock (Shift's own press comes
// before a capital or a shifted digit), a dead, compose or input-mode key, a function or media key. It changes
// what the next key types, or nothing here, and leaves the typing as it is.
bool typesNothing(const QKeyEvent *event)
{
    const int key = event->key();
    if ((key >= Qt::Key_Shift && key <= Qt::Key_ScrollLock) || key == Qt::Key_Super_L || key == Qt::Key_Super_R ||
        key == Qt::Key_Hyper_L || key == Qt::Key_Hyper_R || key == Qt::Key_AltGr)
        return true;
    if (!event->text().isEmpty() || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return false;
    // What ends the typing, moves the cursor, steps the date or opens the calendar.
    static const int acted[] = {Qt::Key_Return, Qt::Key_Enter,  Qt::Key_Escape,   Qt::Key_Tab,  Qt::Key_Backtab,
                                Qt::Key_Left,   Qt::Key_Right,  Qt::Key_Up,       Qt::Key_Down, Qt::Key_Home,
                                Qt::Key_End,    Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_F4,   Qt::Key_Select};
    // A key of its own for copy or undo, where a keyboard has one, is that shortcut.
    const QKeySequence::StandardKey edits[] = {QKeySequence::Copy, QKeySequence::Cut, QKeySequence::Undo,
                                               QKeySequence::Redo};
    return std::find(std::begin(acted), std::end(acted), key) == std::end(acted) &&
           std::none_of(std::begin(edits), std::end(edits), [event](auto edit) { return event->matches(edit); });
}

bool closesCalendar(const QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    return (event->key() == Qt::Key_F4 && modifiers == Qt::NoModifier) ||
           (event->key() == Qt::Key_Up && modifiers == Qt::AltModifier);
}

bool onlyDigits(const QString &text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.isDigit(); });
}

// True when `digit` cannot join the number `sofar` ends with in a section of kind `field`: the
// section is full, or a day or month would pass its largest ("3" then "1" is March, day 1).
bool endsSection(QChar field, const QString &sofar, QChar digit)
{
    const qsizetype run = trailingDigits(sofar);
    if (field == QLatin1Char('y'))
        return run == 4;
    return run >= 2 || sofar.back().digitValue() * 10 + digit.digitValue() > (field == QLatin1Char('d') ? 31 : 12);
}

// The layouts from `layout` down to the one holding `widget`, innermost first, each with the index
// of the item on the way.
bool pathTo(QLayout *layout, QWidget *widget, QList<QPair<QLayout *, int>> &path)
{
    for (int i = 0; layout && i < layout->count(); ++i) {
        QLayoutItem *item = layout->itemAt(i);
        if (item->widget() == widget || pathTo(item->layout(), widget, path)) {
            path.append({layout, i});
            return true;
        }
    }
    return false;
}

// Puts `line` on a line of its own under the row holding `widget`: into the nearest column or form
// around that row, so the row keeps its fields together and the window its width.
bool placeUnder(QWidget *widget, QLabel *line)
{
    for (QWidget *child = widget; child && !child->isWindow(); child = child->parentWidget()) {
        QWidget *host = child->parentWidget();
        QList<QPair<QLayout *, int>> path;
        pathTo(host->layout(), child, path);
        for (const auto &[layout, index] : path) {
            auto *box = qobject_cast<QBoxLayout *>(layout);
            if (box && box->direction() == QBoxLayout::TopToBottom) {
                line->setParent(host);
                box->insertWidget(index + 1, line);
                return true;
            }
            if (auto *form = qobject_cast<QFormLayout *>(layout)) {
                int row = 0;
                QFormLayout::ItemRole role;
                form->getItemPosition(index, &row, &role);
                line->setParent(host);
                form->insertRow(row + 1, static_cast<QWidget *>(nullptr), line);
                return true;
            }
        }
    }
    return false;
}

// The field drawn as Qt draws a date field with a calendar: as an editable combo box.
QStyleOptionComboBox comboOption(const QWidget *field)
{
    QStyleOptionComboBox option;
    option.initFrom(field);
    option.editable = true;
    option.subControls = QStyle::SC_All;
    return option;
}

// Qt makes the calendar's columns as wide as the widest weekday name in whole pixels, but the name's width has
// a fraction: at some font sizes the widest is cut to "…".
void fitWeekdayNames(QCalendarWidget *calendar)
{
    const auto *view = calendar->findChild<QTableView *>();
    if (!view || calendar->horizontalHeaderFormat() == QCalendarWidget::NoHorizontalHeader)
        return;
    const QAbstractItemModel *model = view->model();
    const int margins = 2 * (view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1);
    int widest = 0;
    for (int column = 0; column < model->columnCount(); ++column) {
        const QModelIndex header = model->index(0, column);
        const QVariant font = header.data(Qt::FontRole);
        const QFontMetricsF metrics(font.isValid() ? font.value<QFont>() : view->font());
        widest = qMax(widest, qCeil(metrics.horizontalAdvance(header.data().toString())));
    }
    calendar->setMinimumWidth(model->columnCount() * (widest + margins) + 2 * view->frameWidth());
}

} // namespace

DateEdit::DateEdit(QWidget *parent) : QDateEdit(parent)
{
    setDisplayFormat(fourDigitYearFormat(locale()));
    lineEdit()->installEventFilter(this);
    // A date set from outside (the calendar popup, the form) replaces what was typed.
    connect(this, &QDateEdit::dateChanged, this, [this] {
        if (m_typing)
            dropTyped();
    });
}

QString DateEdit::fourDigitYearFormat(const QLocale &locale)
{
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    QString result;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            result += c;
            ++i;
            continue;
        }
        qsizetype run = 1;
        while (i + run < format.size() && format.at(i + run) == c)
            ++run;
        result += !quoted && c == QLatin1Char('y') && run == 2 ? QStringLiteral("yyyy") : format.mid(i, run);
        i += run;
    }
    return result;
}

bool DateEdit::readTypedText()
{
    if (!m_typing)
        return true;
    m_fromHere = false;
    bool ambiguous = false;
    const QDate date = dateFromTypedText(m_shown, displayFormat(), locale(), m_heldDate.year(), &ambiguous);
    if (!date.isValid() || date < minimumDate() || date > maximumDate()) {
        setProblem(ambiguous ? tr("Cannot tell which date this is: type one as %1").arg(example())
                             : tr("No such date: type one as %1").arg(example()));
        return false;
    }
    m_typing = false;
    setProblem(QString());
    setDate(date);
    return true;
}

QString DateEdit::example() const
{
    const QDate today = Common::Clock::today();
    const QString shown = locale().toString(today, displayFormat());
    if (dateFromTypedText(shown, displayFormat(), locale()) == today)
        return shown;
    // A format whose words are not read (an era, a calendar's own month names): the numbers in its order.
    QString order = dateSectionOrder(displayFormat());
    order.replace(QLatin1Char('y'), QStringLiteral("yyyy"));
    for (qsizetype i = order.size() - 1; i > 0; --i)
        order.insert(i, QLatin1Char('/'));
    return locale().toString(today, order);
}

bool DateEdit::readAll(QWidget *window)
{
    for (DateEdit *edit : window->findChildren<DateEdit *>()) {
        if (edit->isEnabled() && edit->isVisibleTo(window) && !edit->readTypedText()) {
            edit->setFocus();
            return false;
        }
    }
    return true;
}

void DateEdit::setProblem(const QString &text)
{
    m_problemText = text;
    if (!m_problem && !text.isEmpty()) {
        m_problem = new QLabel;
        m_problem->setObjectName(objectName() + QStringLiteral("Problem"));
        m_problem->setTextFormat(Qt::PlainText);
        // Wrapped, the words take height, never the window's width.
        m_problem->setWordWrap(true);
        m_problem->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        m_problem->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        QPalette palette = m_problem->palette();
        palette.setColor(QPalette::WindowText,
                         ColorContrast::readableColour(QColor(255, 0, 0), {palette.color(QPalette::Window)}));
        m_problem->setPalette(palette);
        m_problem->hide();
        if (!placeUnder(this, m_problem)) {
            delete m_problem;
            m_problem = nullptr;
            return;
        }
        // The line sits in an outer layout: it goes with the field, as when a form drops the row.
        connect(this, &QObject::destroyed, m_problem, [line = m_problem] { delete line; });
    }
    showProblem(true);
}

void DateEdit::showProblem(bool refit)
{
    if (!m_problem)
        return;
    // The line goes with its field: hidden with the field's row, shown again with it.
    const bool shown = !m_problemText.isEmpty() && isVisibleTo(m_problem->parentWidget());
    if (shown == !m_problem->isHidden() && !refit)
        return;

    // The window keeps its width: it grows by the lines' height while one shows and takes its own
    // size back once none does. One that may be resized grows too: its layout would take the height
    // from the rows above rather than make the window taller.
    QWidget *top = window();
    // A press elsewhere in the window (on OK) took the focus and read the field: what is under the
    // pointer stays until the release, so that the click lands where it began.
    if (QGuiApplication::mouseButtons() != Qt::NoButton && top->isVisible()) {
        if (!m_holding)
            qApp->installEventFilter(this);
        m_holding = true;
        return;
    }
    if (refit) {
        m_problem->setText(m_problemText);
        m_problem->setMinimumHeight(0);
    }
    const bool fixed = top->minimumSize() == top->maximumSize();
    static const char restingSize[] = "qrRestingSize", grownSize[] = "qrGrownSize";
    // A size set by others since (a message of the window's own, the user) is theirs to keep.
    QSize resting = top->property(restingSize).toSize();
    if (!resting.isValid() || top->size() != top->property(grownSize).toSize())
        resting = top->size();
    // Taken before the line shows: showing it settles the layouts, which may grow the window already.
    m_problem->setVisible(shown);
    QList<QLabel *> lines;
    for (const DateEdit *edit : top->findChildren<DateEdit *>()) {
        if (edit->m_problem && !edit->m_problem->isHidden())
            lines.append(edit->m_problem);
    }
    top->setProperty(restingSize, lines.isEmpty() ? QVariant() : QVariant(resting));
    const auto setHeight = [top, fixed, width = resting.width()](int height) {
        if (fixed)
            top->setFixedSize(width, height);
        else
            top->resize(width, height);
    };
    // Layouts settle from the inside out, so the window's own asks for the line just shown, or
    // no longer asks for one just hidden. A widget without a layout (a tab widget) passes the change
    // on only when told, else the layout around it keeps the heights it learnt before.
    for (QWidget *widget = m_problem->parentWidget(); widget;
         widget = widget->isWindow() ? nullptr : widget->parentWidget()) {
        if (widget->layout())
            widget->layout()->activate();
        widget->updateGeometry();
    }
    if (lines.isEmpty()) {
        setHeight(resting.height());
        return;
    }
    const int needed = top->hasHeightForWidth() ? top->heightForWidth(resting.width()) : top->sizeHint().height();
    int height = qMax(resting.height(), needed);
    setHeight(height);
    // A form sizes a wrapped line's row for the width it guesses, not the one it gives: a line placed
    // narrower asks for its whole height, and the window grows by what it lacked.
    for (int round = 0; round < 3 && top->isVisible() && top->layout(); ++round) {
        top->layout()->setGeometry(top->contentsRect());
        int lacking = 0;
        for (QLabel *line : std::as_const(lines)) {
            const int wanted = line->heightForWidth(line->width());
            if (wanted > line->height()) {
                line->setMinimumHeight(wanted);
                lacking = qMax(lacking, wanted - line->height());
            }
        }
        if (lacking <= 0)
            break;
        height += lacking;
        setHeight(height);
    }
    top->setProperty(grownSize, top->size());
}

void DateEdit::showEvent(QShowEvent *event)
{
    QDateEdit::showEvent(event);
    showProblem(false);
}

void DateEdit::hideEvent(QHideEvent *event)
{
    QDateEdit::hideEvent(event);
    showProblem(false);
}

QString DateEdit::problem() const
{
    return m_problemText;
}

QValidator::State DateEdit::validate(QString &text, int &pos) const
{
    if (m_typing)
        return QValidator::Intermediate;
    const QValidator::State state = QDateEdit::validate(text, pos);
    if (state == QValidator::Acceptable)
        return state;
    // A date pasted through the line's menu or by the mouse comes whole.
    const QDate date = dateFromTypedText(text, displayFormat(), locale(), this->date().year());
    if (!date.isValid() || date < minimumDate() || date > maximumDate())
        return state;
    text = locale().toString(date, displayFormat());
    pos = int(text.size());
    return QValidator::Acceptable;
}

QString DateEdit::textFromDateTime(const QDateTime &dateTime) const
{
    // Qt writes the date back on many occasions (the focus leaving, a section change); a text
    // being typed, or waiting to be mended, stays.
    if (m_typing && dateTime.date() == m_heldDate)
        return m_shown;
    return QDateEdit::textFromDateTime(dateTime);
}

bool DateEdit::event(QEvent *event)
{
    // A character the input method composed (after a dead or compose key) is typed as a key is.
    if (event->type() == QEvent::InputMethod) {
        const QString text = static_cast<QInputMethodEvent *>(event)->commitString();
        if (!text.isEmpty()) {
            type(text);
            event->accept();
            return true;
        }
    }
    return QDateEdit::event(event);
}

bool DateEdit::eventFilter(QObject *watched, QEvent *event)
{
    if (m_holding && event->type() == QEvent::MouseButtonRelease) {
        m_holding = false;
        qApp->removeEventFilter(this);
        // After the click: an OK that accepts has closed the window by then.
        QMetaObject::invokeMethod(
            this, [this] { showProblem(true); }, Qt::QueuedConnection);
    }
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->matches(QKeySequence::Cancel)) {
        const auto *calendar = findChild<QCalendarWidget *>();
        if (calendar && watched == calendar->window())
            setDate(m_calendarDate);
    }
    // Alt+Up and F4 close the calendar as they close a combo box's list, taking the marked day as Return does.
    if (event->type() == QEvent::KeyPress && closesCalendar(static_cast<QKeyEvent *>(event))) {
        const auto *calendar = findChild<QCalendarWidget *>();
        if (calendar && calendar->window()->isVisible() &&
            calendar->window()->isAncestorOf(qobject_cast<QWidget *>(watched))) {
            setDate(calendar->selectedDate());
            calendar->window()->hide();
            return true;
        }
    }
    // A click moves the cursor: typing goes on from there.
    if (watched == lineEdit() &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick))
        m_fromHere = false;
    return QDateEdit::eventFilter(watched, event);
}

void DateEdit::mousePressEvent(QMouseEvent *event)
{
    const QStyleOptionComboBox option = comboOption(this);
    if (calendarPopup() && style()->hitTestComplexControl(QStyle::CC_ComboBox, &option, event->position().toPoint(),
                                                          this) == QStyle::SC_ComboBoxArrow)
        fitWeekdayNames(calendarWidget());
    QDateEdit::mousePressEvent(event);
    // The field takes each day the arrow keys reach in the calendar, and Qt's own Escape puts back the last
    // of them: the date the calendar opened on comes back.
    const auto *calendar = findChild<QCalendarWidget *>();
    if (calendar && calendar->window()->isVisible()) {
        m_calendarDate = date();
        calendar->window()->installEventFilter(this);
        // The day table acts on the arrows itself: Alt+Up would move the mark a week.
        if (auto *view = calendar->findChild<QTableView *>())
            view->installEventFilter(this);
    }
}

void DateEdit::focusInEvent(QFocusEvent *event)
{
    QDateEdit::focusInEvent(event);
    m_fromHere = false;
    if (m_typing) {
        const QSignalBlocker blocker(lineEdit());
        lineEdit()->selectAll();
    }
}

void DateEdit::focusOutEvent(QFocusEvent *event)
{
    readTypedText();
    QDateEdit::focusOutEvent(event);
}

bool DateEdit::focusNextPrevChild(bool next)
{
    // Tab after a whole date leaves the field; after one section typed it goes to the next, as Qt does.
    const bool sections = m_typing && partCount(dateParts(m_typed)) > 1;
    if (!readTypedText() || sections)
        return QAbstractSpinBox::focusNextPrevChild(next);
    return QDateEdit::focusNextPrevChild(next);
}

void DateEdit::keyPressEvent(QKeyEvent *event)
{
    const bool plain = !(event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier | Qt::GroupSwitchModifier));
    const QString text = event->text();
    if (event->matches(QKeySequence::Paste)) {
        type(QGuiApplication::clipboard()->text());
        return;
    }
    // A direction mark (a key of Arabic and Hebrew layouts) goes on with the typing: the locale writes them
    // between the parts, and they are passed over when the text is read.
    if (plain && !text.isEmpty() && (text.at(0).isPrint() || text.at(0).category() == QChar::Other_Format)) {
        type(text);
        return;
    }
    if (plain && (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete)) {
        erase(event->key() == Qt::Key_Backspace);
        return;
    }
    if (typesNothing(event)) {
        event->ignore();
        return;
    }
    if (m_typing && !readTypedText()) {
        // The text stays to be mended: the cursor moves in it, and Return does not accept a dialog
        // with another date.
        const int key = event->key();
        if (event->matches(QKeySequence::SelectAll) || key == Qt::Key_Left || key == Qt::Key_Right ||
            key == Qt::Key_Home || key == Qt::Key_End) {
            const QSignalBlocker blocker(lineEdit());
            QCoreApplication::sendEvent(lineEdit(), event);
        }
        event->setAccepted(key != Qt::Key_Escape);
        return;
    }
    // F4 and Alt+Down open the calendar, as they open the list of a combo box; Qt opens it only by the mouse.
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (calendarPopup() && ((event->key() == Qt::Key_F4 && modifiers == Qt::NoModifier) ||
                            (event->key() == Qt::Key_Down && modifiers == Qt::AltModifier))) {
        const QStyleOptionComboBox option = comboOption(this);
        const QPoint arrow =
            style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, this).center();
        QMouseEvent press(QEvent::MouseButtonPress, arrow, mapToGlobal(arrow), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        mousePressEvent(&press);
        return;
    }
    QDateEdit::keyPressEvent(event);
}

void DateEdit::startTyping(bool overPart)
{
    const QLineEdit *edit = lineEdit();
    const QString text = edit->text();
    qsizetype from = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
    qsizetype to = edit->hasSelectedText() ? edit->selectionEnd() : from;
    // A key typed after a click goes over the part the cursor is in, as over a section Tab selects.
    if (overPart && from == to) {
        from -= trailingPart(text.left(from));
        to += leadingPart(text, to);
    }
    if (!m_typing)
        m_heldDate = date();
    m_before = text.left(from);
    m_after = text.mid(to);
    m_keys.clear();
    m_typing = m_fromHere = true;
}

void DateEdit::type(const QString &text)
{
    if (!m_fromHere)
        startTyping(!text.isEmpty() && inPart(text.at(0)));
    for (const QChar c : text) {
        if (c.isPrint())
            m_keys += c;
    }
    showTyped();
}

void DateEdit::erase(bool backward)
{
    const bool selected = lineEdit()->hasSelectedText();
    if (!m_fromHere) {
        startTyping();
        if (selected) {
            showTyped();
            return;
        }
    }
    if (!backward)
        m_after.remove(0, 1);
    else if (!m_keys.isEmpty())
        m_keys.chop(1);
    else
        m_before.chop(1);
    showTyped();
}

QString DateEdit::dateParts(const QString &text, bool *monthNamed) const
{
    QString parts;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype run = qMax<qsizetype>(leadingPart(text, i), 1);
        const QString part = text.mid(i, run);
        i += run;
        // Only words are looked up: a long paste of numbers stays quick.
        const bool word = std::any_of(part.cbegin(), part.cend(), [](QChar c) { return c.isLetter(); });
        if (word && isWeekdayWord(part, locale())) {
            while (i < text.size() && !inPart(text.at(i)))
                ++i;
            continue;
        }
        if (monthNamed && word && monthOfWord(part, locale()) > 0)
            *monthNamed = true;
        parts += part;
    }
    return parts;
}

QString DateEdit::sectioned(const QString &before) const
{
    const QString order = dateSectionOrder(displayFormat());
    // Once a word names the month, the numbers are read by their size, not by their place.
    bool monthNamed = false;
    dateParts(before + m_keys, &monthNamed);
    QString typed;
    for (const QChar c : std::as_const(m_keys)) {
        // Qt moved on once a section could take no more: "3" then "1" is March, day 1.
        if (c.isDigit() && !monthNamed && !typed.isEmpty() && typed.back().isDigit()) {
            const QString sofar = before + typed;
            const int section = partCount(dateParts(sofar)) - 1;
            if (section >= 0 && section < 2 && endsSection(order.at(section), sofar, c))
                typed += separatorAfter(section);
        }
        typed += c;
    }
    return typed;
}

void DateEdit::showTyped()
{
    // More digits than a year has, without separators, are a whole date, read in the format's order
    // when the typing ends ("270315" is 2027-03-15 where the year comes first).
    bool whole = m_keys.size() > 4 && onlyDigits(m_keys);
    // Numbers with a month's name or with separators of their own are a date written as the user writes
    // one: the old text's parts left beside them would be read as parts the user never typed.
    if (!whole && std::any_of(m_keys.cbegin(), m_keys.cend(), [](QChar c) { return c.isDigit(); })) {
        bool monthNamed = false;
        dateParts(m_keys, &monthNamed);
        const QString format = displayFormat();
        whole = monthNamed || std::any_of(m_keys.cbegin(), m_keys.cend(),
                                          [&](QChar c) { return c.isPunct() && !format.contains(c); });
        // Two numbers typed up to the year are a day and a month where they make one: none is the year for
        // where the cursor stood.
        const int yearPart = int(dateSectionOrder(format).indexOf(QLatin1Char('y')));
        const int firstPart = partCount(dateParts(m_before));
        if (!whole && partCount(dateParts(m_keys)) == 2 && yearPart >= firstPart && yearPart < firstPart + 2)
            whole = dateFromTypedText(m_keys, format, locale(), m_heldDate.year()).isValid();
        // So is a whole date whose words hold its numbers together ("2027年3月15日").
        static const QRegularExpression number(QStringLiteral("\\d+"));
        if (!whole && m_keys.count(number) >= 3)
            whole = dateFromTypedText(m_keys, format, locale(), m_heldDate.year()).isValid();
    }
    m_typed = whole ? m_keys : sectioned(m_before);
    if (!whole && partCount(dateParts(m_typed)) >= 3) {
        // A whole date replaces the text wherever the typing began: its parts count from the first.
        whole = true;
        m_typed = sectioned(QString());
    }
    const QString parts = dateParts(m_typed);
    int separators = 0;
    for (qsizetype i = 0; i < parts.size(); ++i)
        separators += !inPart(parts.at(i)) && (i == 0 || inPart(parts.at(i - 1)));
    const bool open = !parts.isEmpty() && !inPart(parts.back());
    QString rest;
    if (!whole) {
        // Each separator typed ends a section: the one typed over next shows its old part.
        qsizetype i = separators > 0 ? leadingPart(m_after) : 0;
        for (int unit = 0; unit < separators; ++unit) {
            while (i < m_after.size() && !inPart(m_after.at(i)))
                ++i;
            if (!open || unit + 1 < separators)
                i += leadingPart(m_after, i);
        }
        rest = m_after.mid(i);
        m_shown = m_before + m_typed + rest;
    } else {
        // A whole date: what stood around it goes.
        m_shown = m_typed;
    }
    const int cursor = int(m_shown.size() - rest.size());
    QLineEdit *edit = lineEdit();
    const QSignalBlocker blocker(edit);
    edit->setText(m_shown);
    edit->setSelection(cursor, open ? int(leadingPart(rest)) : 0);
}

void DateEdit::dropTyped()
{
    m_typing = m_fromHere = false;
    setProblem(QString());
}

QString DateEdit::separatorAfter(int section) const
{
    // The format's own text between that section and the next, its quotes left out.
    const QString format = displayFormat();
    int seen = -1;
    QString separator;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        const bool field = c == QLatin1Char('d') || c == QLatin1Char('M') || c == QLatin1Char('y');
        if (field && (i == 0 || format.at(i - 1) != c) && ++seen > section)
            break;
        if (!field && seen == section && c != QLatin1Char('\''))
            separator += c;
    }
    return separator.isEmpty() ? QStringLiteral("/") : separator;
}
