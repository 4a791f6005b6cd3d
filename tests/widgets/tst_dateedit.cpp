#include "core/clock.h"
#include "core/dateconversions.h"
#include "dateforms.h"
#include "testhelpers.h"
#include "widgets/dateedit.h"

#include <QClipboard>
#include <QRandomGenerator>
#include <QTableView>
#include <QLineEdit>
#include <QtTest>

// A date typed or pasted into a date field as the user means it, whatever Qt's sections make of it.
class TestDateEdit : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestHelpers::isolateEnvironment();
        Common::Clock::pin(QDateTime(QDate(2026, 12, 6), QTime(9, 30)));
    }
    void cleanupTestCase() { Common::Clock::unpin(); }
    void typedDate_data();
    void typedDate();
    void calendarFromKeyboard_data();
    void calendarFromKeyboard();
};

void TestDateEdit::typedDate_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QDate>("shown");
    QTest::addColumn<QString>("start");  // how the typing starts: as after Tab, Ctrl+A, Home, clicks, or a paste
    QTest::addColumn<QString>("typed");  // "\r" ends with Return, else the field is left
    QTest::addColumn<QDate>("expected"); // none: the text is refused and said
    const QDate today(2026, 12, 6), march(2027, 3, 15);
    const auto row = [](const char *name, const char *locale, QDate shown, const char *start, const char *typed,
                        QDate expected) { QTest::newRow(name) << locale << shown << start << typed << expected; };
    row("en_US in order", "en_US", QDate(1970, 1, 2), "tab", "3/15/27\r", march);
    row("ja_JP short year first", "ja_JP", today, "tab", "27/3/15\r", march);
    row("sv_SE short year first", "sv_SE", today, "tab", "27-03-15", march);
    row("ko_KR as shown", "ko_KR", today, "tab", "2027. 3. 15.\r", march);
    row("hu_HU as shown", "hu_HU", today, "tab", "2027. 03. 15.", march);
    row("ja_JP year alone", "ja_JP", today, "tab", "27\r", QDate(2027, 12, 6));
    row("de_DE day past June", "de_DE", QDate(2026, 6, 10), "tab", "31.12.1999", QDate(1999, 12, 31));
    row("en_GB day past April", "en_GB", QDate(2026, 4, 10), "tab", "31/12/2027\r", QDate(2027, 12, 31));
    row("de_DE day past February", "de_DE", QDate(2021, 2, 10), "tab", "30.04.2027\r", QDate(2027, 4, 30));
    row("en_US digits alone", "en_US", today, "tab", "3152027\r", march);
    row("de_DE digits alone", "de_DE", today, "tab", "1532027\r", march);
    row("en_US dashes", "en_US", today, "tab", "1-5-27\r", QDate(2027, 1, 5));
    row("ja_JP dashes", "ja_JP", today, "tab", "27-03-15\r", march);
    row("en_US over all", "en_US", today, "all", "3/15/2032\r", QDate(2032, 3, 15));
    row("en_US after Home", "en_US", today, "home", "3/15/2032\r", QDate(2032, 3, 15));
    row("en_US after a click", "en_US", today, "click", "3/15/27\r", march);
    row("en_US year after a click", "en_US", today, "click", "27\r", QDate(2027, 12, 6));
    row("en_US after a double click", "en_US", today, "dclick", "3/15/2032", QDate(2032, 3, 15));
    row("de_DE pasted", "de_DE", today, "paste", "15.3.27", march);
    row("ar_EG pasted", "ar_EG", today, "paste", "15/3/2027", march);
    row("ar_EG typed", "ar_EG", today, "tab", "15/3/27\r", march);
    row("en_US no such day", "en_US", today, "tab", "2/30/2027\r", QDate());
    row("ja_JP six digits", "ja_JP", today, "tab", "270315\r", march);
    row("ja_JP eight digits", "ja_JP", today, "tab", "20270315\r", march);
    row("hu_HU six digits", "hu_HU", today, "tab", "270315", march);
    row("sv_SE six digits after a click", "sv_SE", today, "click", "270315\r", march);
    row("ko_KR six digits", "ko_KR", today, "tab", "270315\r", march);
    row("fa_IR six digits", "fa_IR", today, "tab", "270315\r", march);
    row("lt_LT six digits pasted", "lt_LT", today, "paste", "270315", march);
    row("ja_JP seven digits make no year", "ja_JP", today, "tab", "2703150\r", QDate());
    row("de_DE after a click on the month", "de_DE", QDate(2026, 12, 9), "click2", "15.3.2027\r", march);
    row("ru_RU after a click on the month", "ru_RU", QDate(2026, 12, 9), "click2", "15.03.27", march);
    row("C month name", "C", QDate(2026, 12, 9), "tab", "15 Mar 2027\r", march);
    row("de_DE month name pasted", "de_DE", today, "paste", "15. März 2027", march);
    row("C no such day, said as it reads", "C", today, "tab", "30 Feb 2027\r", QDate());
    // As a keyboard sends them: "⇧" or a capital holds Shift; ⇮ and ⇪ are AltGr and Caps Lock pressed alone,
    // and after a dead key ¨ or Compose ⎄ pressed alone the next character comes from the input method; ⟳ is F5.
    row("en_US capital after Tab", "en_US", today, "tab", "9 Dec 2026\r", QDate(2026, 12, 9));
    row("en_GB weekday", "en_GB", today, "tab", "Monday, 15 March 2027", march);
    row("fr_FR weekday, every digit shifted", "fr_FR", today, "tab", "lundi ⇧1⇧5⇧/⇧0⇧3⇧/⇧2⇧0⇧2⇧7\r", march);
    row("C function key amid the month", "C", today, "tab", "15 Ma⟳r 2027\r", march);
    row("de_DE weekday, AltGr, Caps Lock", "de_DE", today, "tab", "⇪M⇪ontag, 1⇮5. M¨ärz 2027\r", march);
    row("sv_SE short weekday, own month", "sv_SE", today, "tab", "m⎄ån 15 mars 2027", march);
    row("ja_JP English month", "ja_JP", today, "tab", "9 Dec 2026\r", QDate(2026, 12, 9));
    row("hu_HU month first", "hu_HU", today, "tab", "Dec 9, 2026\r", QDate(2026, 12, 9));
    row("ko_KR year last", "ko_KR", today, "paste", "15 March 2027", march);
    row("zh_CN month first", "zh_CN", today, "tab", "Mar 15, 2027\r", march);
    row("fa_IR year last", "fa_IR", today, "tab", "15 Mar 2027", march);
    row("lt_LT own month", "lt_LT", today, "tab", "15 kovo 2027\r", march);
    row("he_IL own long form", "he_IL", today, "tab", "15 במרץ 2027\r", march);
    row("he_IL weekday, own long form", "he_IL", today, "tab", "יום שני, 15 במרץ 2027", march);
    row("ru_RU short month with a dot", "ru_RU", today, "tab", "24 фев. 2034\r", QDate(2034, 2, 24));
    // Numbers with a month's name or separators of their own, or two up to the year, are read alone: none is
    // the year the cursor stood in. Without a year it is the one shown.
    const QDate shownDay(2026, 12, 10), thisMarch(2026, 3, 15);
    row("sv_SE day and month name", "sv_SE", shownDay, "tab", "15 mars\r", thisMarch);
    row("sv_SE day/month", "sv_SE", shownDay, "tab", "15/3\r", thisMarch);
    row("hu_HU month name and day", "hu_HU", shownDay, "tab", "márc. 15.\r", thisMarch);
    row("ja_JP English month and day", "ja_JP", shownDay, "tab", "Mar 15\r", thisMarch);
    row("ja_JP month/day", "ja_JP", shownDay, "tab", "01/10\r", QDate(2026, 1, 10));
    row("sv_SE two-digit year by a month name", "sv_SE", shownDay, "tab", "15 mars 27\r", march);
    row("ar_EG direction marks typed", "ar_EG", shownDay, "click2", "١٢\u200F/١٢\u200F/٢٠٧٤\r", QDate(2074, 12, 12));
    // A sample of the forms each locale writes, typed from Tab and after a click in each part; QR_DATE_ROUNDS
    // multiplies it.
    QRandomGenerator random(20261210);
    for (int round = 0; round < 2 * qMax(1, qEnvironmentVariableIntValue("QR_DATE_ROUNDS")); ++round) {
        for (const char *name : DateForms::locales) {
            const DateForms::Form &form = DateForms::forms[random.bounded(int(std::size(DateForms::forms)))];
            const QDate written(form.yearDigits == 0 ? 2026 : random.bounded(1950, 2100), random.bounded(1, 13),
                                random.bounded(1, 29));
            const QString text = DateForms::written(form, QLocale(name), written) + u'\r';
            const QDate meant(form.yearDigits == 2 ? yearNearToday(written.year() % 100) : written.year(),
                              written.month(), written.day());
            for (const char *start : {"tab", "click2", "click"})
                QTest::addRow("sample %s \"%s\" (%s), %s", name, qPrintable(text), form.name, start)
                    << name << shownDay << start << text << meant;
        }
    }
}

void TestDateEdit::typedDate()
{
    static const Qt::Key alone[] = {Qt::Key_AltGr, Qt::Key_CapsLock, Qt::Key_Dead_Diaeresis, Qt::Key_Multi_key,
                                    Qt::Key_F5};
    QFETCH(QString, locale);
    QFETCH(QDate, shown);
    QFETCH(QString, start);
    QFETCH(QString, typed);
    QFETCH(QDate, expected);
    QLocale::setDefault(QLocale(locale));
    QWidget window;
    auto *edit = new DateEdit(&window);
    QLocale::setDefault(QLocale::c());
    edit->setDate(shown);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    edit->setFocus();
    auto *line = edit->findChild<QLineEdit *>();
    const QPoint middle = line->rect().center(), end(line->width() - 2, middle.y());
    edit->setSelectedSection(edit->sectionAt(0));
    if (start == "all")
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    else if (start == "home")
        QTest::keyClick(edit, Qt::Key_Home);
    else if (start == "click")
        QTest::mouseClick(line, Qt::LeftButton, {}, end);
    else if (start == "dclick")
        QTest::mouseDClick(line, Qt::LeftButton, {}, middle);
    else if (start == "click2") { // in the middle of the second part
        const QString text = line->text();
        const qsizetype second = text.indexOf(QRegularExpression("\\d"), text.indexOf(QRegularExpression("\\D"))) + 1;
        int x = 0;
        while (x < line->width() && line->cursorPositionAt({x, middle.y()}) < second)
            ++x;
        QTest::mouseClick(line, Qt::LeftButton, {}, {x, middle.y()});
    }
    if (start == "paste") {
        QGuiApplication::clipboard()->setText(typed);
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    } else {
        for (qsizetype i = 0; i < typed.size(); ++i) {
            const qsizetype key = QStringView(u"⇮⇪¨⎄⟳").indexOf(typed.at(i));
            const bool shift = typed.at(i) == u'⇧' ? bool(++i) : typed.at(i).isUpper();
            QInputMethodEvent composed;
            composed.setCommitString(typed.mid(i, 1));
            if (key >= 0)
                QTest::sendKeyEvent(QTest::Click, edit, alone[key], QString(), {});
            else if (i > 0 && QStringView(u"¨⎄").contains(typed.at(i - 1)))
                QApplication::sendEvent(edit, &composed);
            else if (typed.at(i).unicode() > 127) // a key of the locale's own layout
                QTest::sendKeyEvent(QTest::Click, edit, Qt::Key(typed.at(i).toUpper().unicode()), typed.mid(i, 1), {});
            else
                QTest::keyClick(edit, char(typed.at(i).unicode()), shift ? Qt::ShiftModifier : Qt::NoModifier);
        }
    }
    if (!typed.endsWith('\r')) {
        QFocusEvent leave(QEvent::FocusOut); // as a click on OK takes the focus
        QApplication::sendEvent(edit, &leave);
    }
    if (QByteArray(QTest::currentDataTag()).startsWith("sample ") && edit->date() == shown &&
        !edit->problem().isEmpty())
        return; // a sample may be refused with the message, never read as another date
    QCOMPARE(edit->date(), expected.isValid() ? expected : shown);
    QCOMPARE(edit->problem().isEmpty(), expected.isValid());
    if (!expected.isValid()) { // kept to be mended; the form the message gives is read
        QCOMPARE(edit->text(), typed.chopped(1));
        const QString example = edit->problem().section(QStringLiteral(" as "), 1);
        QCOMPARE(dateFromTypedText(example, edit->displayFormat(), edit->locale()), QDate(2026, 12, 6));
    }
}

void TestDateEdit::calendarFromKeyboard_data()
{
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<QKeySequence>("closing");
    QTest::addColumn<QDate>("expected");
    QTest::newRow("F4") << QKeySequence(Qt::Key_F4) << QKeySequence(Qt::Key_Escape) << QDate(2027, 3, 15);
    QTest::newRow("Alt+Down") << QKeySequence(Qt::ALT | Qt::Key_Down) << QKeySequence(Qt::Key_Escape)
                              << QDate(2027, 3, 15);
    QTest::newRow("Alt+Up takes the day")
        << QKeySequence(Qt::Key_F4) << QKeySequence(Qt::ALT | Qt::Key_Up) << QDate(2027, 3, 16);
    QTest::newRow("F4 takes the day") << QKeySequence(Qt::Key_F4) << QKeySequence(Qt::Key_F4) << QDate(2027, 3, 16);
}

void TestDateEdit::calendarFromKeyboard()
{
    QFETCH(QKeySequence, keys);
    QWidget window;
    window.setFont(QFont(window.font().family(), 16)); // where a weekday name was cut to "…"
    auto *edit = new DateEdit(&window);
    edit->setLocale(QLocale(QLocale::German, QLocale::Germany));
    edit->setCalendarPopup(true);
    edit->setDate(QDate(2027, 3, 15));
    window.show();
    QTest::keySequence(edit, keys);
    QTRY_VERIFY(QApplication::activePopupWidget());
    QWidget *popup = QApplication::activePopupWidget();
    const auto *view = popup->findChild<QTableView *>(); // each weekday name whole within the cell's margins
    const int margins = 2 * (view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1);
    for (int column = 0; column < 7; ++column)
        QVERIFY(QFontMetricsF(view->font()).horizontalAdvance(view->model()->index(0, column).data().toString()) +
                    margins <=
                view->columnWidth(column));
    QFETCH(QKeySequence, closing);
    QFETCH(QDate, expected);
    QTest::keySequence(QApplication::focusWidget(), QKeySequence(Qt::Key_Right)); // another day marked
    QTest::keySequence(QApplication::focusWidget(), closing);
    QTRY_VERIFY(!popup->isVisible());
    QCOMPARE(edit->date(), expected);
}

QTEST_MAIN(TestDateEdit)
#include "tst_dateedit.moc"
