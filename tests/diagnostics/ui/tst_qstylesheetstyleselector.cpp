#ifdef QR_HAVE_CSS_SELECTOR
#include "diagnostics/ui/qstylesheetstyleselector.h"
#endif
#include "testhelpers.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

// The label class Qt shows tooltips with, under its own name.
class QTipLabel : public QLabel
{
    Q_OBJECT
};

namespace Probe {
class Panel : public QWidget
{
    Q_OBJECT
};
} // namespace Probe

#ifdef QR_HAVE_CSS_SELECTOR

namespace {

QStringList properties(const QList<QCss::StyleRule> &rules)
{
    QStringList names;
    for (const QCss::StyleRule &rule : rules) {
        for (const QCss::Declaration &declaration : rule.declarations)
            names << declaration.d->property + QLatin1Char('=') + declaration.d->values.value(0).toString();
    }
    return names;
}

} // namespace

class TestQStyleSheetStyleSelector : public QObject
{
    Q_OBJECT

private slots:
    void init() { qApp->setStyleSheet(QString()); }
    void cleanup() { qApp->setStyleSheet(QString()); }

    void noSheetsNoRules()
    {
        QWidget window;
        QLabel label(&window);
        QVERIFY(Debug::styleRules(&label).isEmpty());
    }

    void applicationSheetInlineOrFromFile_data()
    {
        QTest::addColumn<bool>("fromFile");
        QTest::newRow("inline") << false;
        QTest::newRow("file:/// url") << true;
    }

    void applicationSheetInlineOrFromFile()
    {
        QFETCH(bool, fromFile);
        const QString sheet = "QLabel { color: red }";
        QTemporaryDir dir;
        const QString path = dir.filePath("app.qss");
        QVERIFY(TestHelpers::writeFile(path, sheet.toUtf8()));
        qApp->setStyleSheet(fromFile ? "file:///" + path.mid(1) : sheet);
        QWidget window;
        QLabel label(&window);
        QCOMPARE(properties(Debug::styleRules(&label)), QStringList{"color=red"});
    }

    void sheetsRankByNearness()
    {
        qApp->setStyleSheet("QLabel { color: red }");
        QWidget window;
        window.setStyleSheet("QLabel { color: green }");
        QWidget middle(&window);
        QLabel label(&middle);
        label.setStyleSheet("QLabel { color: blue }");
        Debug::QStyleSheetStyleSelector selector;
        const QList<QCss::StyleRule> rules = Debug::styleRules(&label, &selector);
        QCOMPARE(properties(rules), (QStringList{"color=red", "color=green", "color=blue"}));
        QList<int> depths;
        for (const QCss::StyleSheet &sheet : selector.styleSheets) {
            QCOMPARE(sheet.origin, QCss::StyleSheetOrigin_Inline);
            depths << sheet.depth;
        }
        QCOMPARE(depths, (QList<int>{1, 4, 3}));
    }

    void bareDeclarationsApplyBelow()
    {
        QWidget window;
        window.setStyleSheet("color: red; background: white");
        QLabel label(&window);
        const QList<QCss::StyleRule> rules = Debug::styleRules(&label);
        QCOMPARE(properties(rules), (QStringList{"color=red", "background=white"}));
        QCOMPARE(properties(Debug::styleRules(&window)), properties(rules));
    }

    void tooltipLabelIsAToolTipUnderItsWidget()
    {
        QWidget owner;
        owner.setObjectName("owner");
        owner.setStyleSheet("QWidget#owner QToolTip { color: red } QLabel { color: blue } QTipLabel { color: green }");
        QTipLabel tip;
        tip.setProperty("_q_stylesheet_parent", QVariant::fromValue<QWidget *>(&owner));
        QCOMPARE(Debug::parentWidget(&tip), &owner);
        QCOMPARE(properties(Debug::styleRules(&tip)), QStringList{"color=red"});

        Debug::QStyleSheetStyleSelector selector;
        QCss::StyleSelector::NodePtr node;
        node.ptr = &tip;
        QCOMPARE(selector.nodeNames(node), QStringList{"QToolTip"});
        QVERIFY(selector.nodeNameEquals(node, "QToolTip"));
        QVERIFY(!selector.nodeNameEquals(node, "QTipLabel"));
        QVERIFY(!selector.nodeNameEquals(node, "QLabel"));

        QWidget realParent;
        QTipLabel orphan;
        orphan.setParent(&realParent);
        QCOMPARE(Debug::parentWidget(&orphan), &realParent);
    }

    void namespacedClassUsesDashes()
    {
        QWidget window;
        window.setStyleSheet(
            "Probe--Panel { color: red } *[class=\"Probe--Panel\"] { color: blue } QFrame { color: green }");
        Probe::Panel panel;
        panel.setParent(&window);
        QCOMPARE(properties(Debug::styleRules(&panel)), (QStringList{"color=red", "color=blue"}));
        Debug::QStyleSheetStyleSelector selector;
        QCss::StyleSelector::NodePtr node;
        node.ptr = &panel;
        QCOMPARE(selector.nodeNames(node), (QStringList{"Probe--Panel", "QWidget", "QObject"}));
        QCss::AttributeSelector classAttribute;
        classAttribute.name = "class";
        QCOMPARE(selector.attributeValue(node, classAttribute), QStringLiteral("Probe--Panel"));
    }

    void siblingSelectorsNeverMatch()
    {
        QWidget window;
        window.setStyleSheet(
            "QLabel + QLabel { color: red } QLabel ~ QLabel { color: blue } QWidget > QLabel { color: green }");
        QLabel first(&window);
        QLabel second(&window);
        QCOMPARE(properties(Debug::styleRules(&second)), QStringList{"color=green"});
    }

    void eachAttributeIsReadOncePerWidget()
    {
        QWidget window;
        window.setProperty("flavour", "sour");
        window.setProperty("tags", QStringList{"a", "b"});
        window.setStyleSheet("QWidget[flavour=\"sour\"] { color: red } *[flavour=\"sour\"] { background: white }"
                             " QWidget[tags=\"a b\"] { border: none }");
        Debug::QStyleSheetStyleSelector selector;
        QCOMPARE(properties(Debug::styleRules(&window, &selector)).size(), 3);
        QCOMPARE(selector.propertyReads(), 2);
    }

    void rulesAsText()
    {
        QCss::Parser parser("QPushButton#ok:hover:!pressed[flat=\"true\"] { color: red; border-image: url(a.png) }");
        QCss::StyleSheet sheet;
        QVERIFY(parser.parse(&sheet));
        // A rule with an id is kept in the id index.
        const QList<QCss::StyleRule> rules = sheet.idIndex.values();
        QCOMPARE(rules.size(), 1);
        QCOMPARE(
            Debug::styleRulesText(rules),
            QStringLiteral(
                "QPushButton#ok:hover:!pressed[flat=true]\n{\n     color: red;\n     border-image: url(a.png);\n}"));
    }
};

#else

// Built without Qt's private GUI headers: there is no selector to test.
class TestQStyleSheetStyleSelector : public QObject
{
    Q_OBJECT

private slots:
    void selectorNotBuilt() { QSKIP("The rule selector needs Qt 6.4's private GUI headers"); }
};

#endif

QTEST_MAIN(TestQStyleSheetStyleSelector)
#include "tst_qstylesheetstyleselector.moc"
