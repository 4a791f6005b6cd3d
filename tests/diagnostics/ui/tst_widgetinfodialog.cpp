#include "core/properties.h"
#include "diagnostics/ui/widgetinfodialog.h"
#include "diagnostics/ui/widgetinfodialogform.h"
#include "fakeapplication.h"
#include "shots.h"
#include "testhelpers.h"

#include <QTimer>
#include "core/log.h"
#include <QtTest>

namespace {

template <class T> T *part(QWidget *dialog, const char *name)
{
    T *found = dialog->findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no %s in the form", name);
    return found;
}

const QString s_head =
    QStringLiteral("<html><head><style type=text/css>a:link {color:rgb(210,210,255);}</style></head><body>");

} // namespace

class TestWidgetInfoDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestHelpers::isolateEnvironment();
        m_properties = std::make_unique<Properties>(nullptr, m_app.dataLocation() + "/prop.dat");
        m_app.m_properties = m_properties.get();
    }

    void formStartsEmptyWithItsRanges()
    {
        QWidget container;
        Ui::WidgetInfoDialog ui;
        ui.setupUi(&container);
        QCOMPARE(container.objectName(), QStringLiteral("WidgetInfoDialog"));
        QCOMPARE(container.windowTitle(), QStringLiteral("Widget Info"));
        for (QLabel *label : {ui.title, ui.ownershipLabel, ui.childrenLabel, ui.inheritanceLabel, ui.colorDec})
            QCOMPARE(label->text(), QStringLiteral("TextLabel"));
        QVERIFY(ui.frame->isChecked());
        QVERIFY(ui.closeButton->isDefault());
        QVERIFY(ui.propertyName->count() == 0 && ui.propertyValue->text().isEmpty());

        ui.posPxX->setValue(100000000);
        QCOMPARE(ui.posPxX->value(), 99999999);
        ui.leftMargin->setValue(1000);
        QCOMPARE(ui.leftMargin->value(), 999);
        ui.posPtX->setValue(100000001.0);
        QCOMPARE(ui.posPtX->value(), 100000000.0);

        const QList<QAbstractSpinBox *> boxes = container.findChildren<QAbstractSpinBox *>();
        int hints = 0;
        for (QAbstractSpinBox *box : boxes) {
            const bool hint = box->objectName().contains("Hint");
            hints += hint;
            QCOMPARE(box->isReadOnly(), hint);
            QCOMPARE(box->buttonSymbols() == QAbstractSpinBox::NoButtons, hint);
        }
        QCOMPARE(hints, 8);
        QVERIFY(ui.ownersScrollArea->maximumHeight() == 50);
        QCOMPARE(ui.ownersScrollArea->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    }

    void topLevelWidgetHasNoOwnersAndNoFrame()
    {
        QWidget window;
        window.setObjectName("main");
        Debug::WidgetInfoDialog dialog(&window, nullptr);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Widget Info"));
        QCOMPARE(part<QLabel>(&dialog, "title")->text(), QStringLiteral("QWidget (main)"));
        QCOMPARE(part<QLabel>(&dialog, "ownershipLabel")->text(), s_head + "</body>");
        QCOMPARE(dialog.hierarchy().keys(), QList<int>{0});
        QVERIFY(dialog.highlightFrame());
        QVERIFY(!dialog.highlightFrame()->isVisible());
        QCOMPARE(part<QLabel>(&dialog, "inheritanceLabel")->text(), QStringLiteral("QWidget - QObject"));
    }

    void ownersThenChildrenAreNumbered()
    {
        TestHelpers::expectFailedChecks();
        QWidget window;
        QFrame outer(&window);
        outer.setObjectName("outer");
        QWidget inner(&outer);
        inner.setObjectName("inner");
        QWidget target(&inner);
        target.setObjectName("target");
        for (int i = 0; i < 12; ++i)
            (new QLabel(&target))->setObjectName(QStringLiteral("child%1").arg(i));
        new QTimer(&target);
        Debug::WidgetInfoDialog dialog(&target, nullptr);
        QCOMPARE(dialog.hierarchy().size(), 16);
        QCOMPARE(dialog.hierarchy().value(1).data(), &inner);
        QCOMPARE(dialog.hierarchy().value(3).data(), &window);
        QCOMPARE(
            part<QLabel>(&dialog, "ownershipLabel")->text(),
            s_head +
                "<a href='1'>QWidget(inner)</a> - <a href='2'>QFrame(outer)</a> - <a href='3'>QWidget()</a></body>");
        const QString children = part<QLabel>(&dialog, "childrenLabel")->text();
        QVERIFY(children.indexOf("<a href='15'>QLabel(child11)</a>") <
                children.indexOf("<a href='4'>QLabel(child0)</a>"));
        QCOMPARE(children.count("<a href"), 12);

        // Following a link inspects that widget.
        emit part<QLabel>(&dialog, "ownershipLabel")->linkActivated("2");
        QCOMPARE(dialog.widget(), &outer);
        QCOMPARE(part<QLabel>(&dialog, "title")->text(), QStringLiteral("QFrame (outer)"));
        Common::clearLogBuffer();
        emit part<QLabel>(&dialog, "childrenLabel")->linkActivated("99");
        QCOMPARE(dialog.widget(), &outer);
        QVERIFY(logBuffer().contains("m_hierarchy.contains(index)"));
    }

    void boxesMoveTheWidgetAndTheFrame()
    {
        QWidget window;
        window.resize(400, 300);
        QWidget target(&window);
        target.setGeometry(10, 20, 100, 50);
        Debug::WidgetInfoDialog dialog(&target, nullptr);
        QCOMPARE(part<QSpinBox>(&dialog, "posPxX")->value(), 10);
        QCOMPARE(part<QDoubleSpinBox>(&dialog, "sizePtWidth")->value(), 75.0);

        part<QSpinBox>(&dialog, "posPxX")->setValue(96);
        QCOMPARE(target.pos(), QPoint(96, 20));
        QCOMPARE(part<QDoubleSpinBox>(&dialog, "posPtX")->value(), 72.0);
        QCOMPARE(dialog.highlightFrame()->rect(), target.geometry());

        part<QDoubleSpinBox>(&dialog, "sizePtHeight")->setValue(10.0);
        QCOMPARE(target.height(), 13);
        part<QSpinBox>(&dialog, "minSizePxWidth")->setValue(40);
        QCOMPARE(target.minimumWidth(), 40);
        part<QSpinBox>(&dialog, "leftMargin")->setValue(7);
        QCOMPARE(target.contentsMargins().left(), 7);
        // No layout: the layout boxes change nothing.
        part<QSpinBox>(&dialog, "spacing")->setValue(9);
        QCOMPARE(part<QSpinBox>(&dialog, "spacing")->value(), 0);
    }

    void layoutMarginsAndSpacing()
    {
        QWidget target;
        auto *layout = new QGridLayout(&target);
        layout->setSpacing(4);
        layout->setContentsMargins(1, 2, 3, 4);
        Debug::WidgetInfoDialog dialog(&target, nullptr);
        QCOMPARE(part<QSpinBox>(&dialog, "spacing")->value(), 4);
        QCOMPARE(part<QSpinBox>(&dialog, "bottomMarginLayout")->value(), 4);
        part<QSpinBox>(&dialog, "spacing")->setValue(11);
        QCOMPARE(layout->spacing(), 11);
        part<QSpinBox>(&dialog, "topMarginLayout")->setValue(8);
        QCOMPARE(layout->contentsMargins(), QMargins(1, 8, 3, 4));
    }

    void propertiesAreTypedAndEnumerationsChosen()
    {
        QWidget target;
        target.setProperty("answer", 0);
        Debug::WidgetInfoDialog dialog(&target, nullptr);
        auto *names = part<QComboBox>(&dialog, "propertyName");
        QVERIFY(names->findText("answer") >= 0);
        QVERIFY(names->findText("geometry") >= 0);

        names->setCurrentText("answer");
        auto *value = part<QLineEdit>(&dialog, "propertyValue");
        QCOMPARE(value->text(), QStringLiteral("0"));
        value->selectAll();
        QTest::keyClicks(value, "0x1F");
        QCOMPARE(target.property("answer"), QVariant(31));

        names->setCurrentText("focusPolicy");
        auto *choices = part<QComboBox>(&dialog, "propertyValueCombo");
        QVERIFY(!choices->isHidden());
        QVERIFY(value->isHidden());
        QCOMPARE(choices->currentText(), QStringLiteral("NoFocus"));
        choices->setCurrentIndex(choices->findText("StrongFocus"));
        emit choices->activated(choices->currentIndex());
        QCOMPARE(target.focusPolicy(), Qt::StrongFocus);
    }

    void ownSheetIsEditedLive()
    {
        QWidget window;
        QLabel target(&window);
        target.setStyleSheet("QLabel { color: red }");
        Debug::WidgetInfoDialog dialog(&target, nullptr);
        auto *own = part<QPlainTextEdit>(&dialog, "ownStyles");
        QCOMPARE(own->toPlainText(), QStringLiteral("QLabel { color: red }"));
#ifdef QR_HAVE_CSS_SELECTOR
        QCOMPARE(part<QPlainTextEdit>(&dialog, "styles")->toPlainText(),
                 QStringLiteral("QLabel\n{\n     color: red;\n}"));
#endif
        own->setPlainText("color: blue");
        QCOMPARE(target.styleSheet(), QStringLiteral("color: blue"));
    }

    void destroyedWidgetIsLeftAlone()
    {
        QWidget window;
        auto *target = new QLabel(&window);
        Debug::WidgetInfoDialog dialog(target, nullptr);
        delete target;
        QVERIFY(!dialog.widget());
        dialog.updateInfo();
        dialog.updateStyles();
        dialog.updateProperties();
        part<QSpinBox>(&dialog, "posPxX")->setValue(5);
        QCOMPARE(part<QComboBox>(&dialog, "propertyName")->count(), 0);
    }

    void shot()
    {
        QWidget window;
        window.setObjectName("mainWindow");
        auto *layout = new QVBoxLayout(&window);
        auto *button = new QPushButton("Überweisung bestätigen", &window);
        button->setObjectName("confirmTransferButton");
        layout->addWidget(button);
        for (int i = 0; i < 6; ++i)
            layout->addWidget(new QLabel(QStringLiteral("Zeile %1").arg(i), &window));
        Debug::WidgetInfoDialog dialog(&window, nullptr);
        dialog.resize(651, 675);
        TestHelpers::saveShot(&dialog, "widgetinfodialog");
    }

private:
    FakeApplication m_app;
    std::unique_ptr<Properties> m_properties;
};

QTEST_MAIN(TestWidgetInfoDialog)
#include "tst_widgetinfodialog.moc"
