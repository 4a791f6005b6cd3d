#include "core/simpleparser.h"
#include "core/tagprovider.h"

#include <QtTest>

#include <functional>

// Answers tags from a table and records every call.
class TableProvider : public TagProvider
{
public:
    QString decodeTag(const QString &tag, int number) override
    {
        m_calls << tag;
        if (m_hook)
            return m_hook(tag, number);
        return m_values.value(tag, tag);
    }

    QHash<QString, QString> m_values;
    QStringList m_calls;
    std::function<QString(const QString &, int)> m_hook;
};

class TestSimpleParser : public QObject
{
    Q_OBJECT

private slots:
    void choosesAlternative_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("expected");

        const QString sample = QStringLiteral("<[1]>{1}<[2]>2<\\d\\d?>Other");
        QTest::newRow("tag alternative") << sample << 1 << "One";
        QTest::newRow("plain alternative") << sample << 2 << "2";
        QTest::newRow("zero") << sample << 0 << "Other";
        QTest::newRow("two digits") << sample << 57 << "Other";
        QTest::newRow("whole number only") << sample << 11 << "Other";
        QTest::newRow("no match") << sample << 100
                                  << QStringLiteral(
                                         "Cannot parse string: <[1]>{1}<[2]>2<\\d\\d?>Other with argument 100");
        QTest::newRow("negative with sign") << "<-1>minus one<\\d+>plus" << -1 << "minus one";
        QTest::newRow("negative needs sign") << "<1>one<-\\d+>negative" << -1 << "negative";
        QTest::newRow("text before first bracket dropped") << "lead<\\d+>x" << 3 << "x";
        QTest::newRow("first match wins") << "<\\d>first<3>second" << 3 << "first";
        QTest::newRow("alternative is expanded") << "<\\d+>{1}  and  {1}" << 4 << "One and One";
        QTest::newRow("empty last alternative") << "<1>one<5>" << 5 << "";
        QTest::newRow("empty middle alternative") << "<1><2>two" << 1 << "";
        QTest::newRow("unclosed expression skipped")
            << "<1>one<2" << 2 << QStringLiteral("Cannot parse string: <1>one<2 with argument 2");
        QTest::newRow("percent in template kept")
            << "<1>%1" << 2 << QStringLiteral("Cannot parse string: <1>%1 with argument 2");
    }

    void choosesAlternative()
    {
        QFETCH(QString, text);
        QFETCH(int, number);
        QFETCH(QString, expected);
        TableProvider provider;
        provider.m_values.insert(QStringLiteral("{1}"), QStringLiteral("One"));
        QCOMPARE(SimpleParser(&provider).parse(text, number), expected);
    }

    void invalidExpressionIsReported()
    {
        TableProvider provider;
        SimpleParser parser(&provider);
        QCOMPARE(parser.parse(QStringLiteral("<(1>one<\\d+>many"), 5),
                 QStringLiteral("Regular expression (1 is not valid"));
        // An invalid expression after the matching one is never reached.
        QCOMPARE(parser.parse(QStringLiteral("<\\d+>many<(1>one"), 5), QStringLiteral("many"));
    }

    void expandsTags_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");

        QTest::newRow("no tags") << "plain   text"
                                 << "plain text";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("tags") << "{A} is {B}"
                              << "alpha is beta";
        QTest::newRow("dropped dash value") << "x {EMPTY} y"
                                            << "x y";
        QTest::newRow("unknown tag unchanged") << "{Z}"
                                               << "{Z}";
        QTest::newRow("unclosed brace takes rest") << "a {A b"
                                                   << "a rest";
        QTest::newRow("value with braces not expanded again") << "{BRACES}"
                                                              << "{A}";
        QTest::newRow("non-ascii kept") << "Über {A} → ok"
                                        << "Über alpha → ok";
        QTest::newRow("three spaces") << "a   b"
                                      << "a b";
        QTest::newRow("closing brace alone") << "a } b"
                                             << "a } b";
    }

    void expandsTags()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        TableProvider provider;
        provider.m_values.insert(QStringLiteral("{A}"), QStringLiteral("alpha"));
        provider.m_values.insert(QStringLiteral("{B}"), QStringLiteral("beta"));
        provider.m_values.insert(QStringLiteral("{EMPTY}"), QStringLiteral("--BIRTHDAYPREFIX"));
        provider.m_values.insert(QStringLiteral("{A b"), QStringLiteral("rest"));
        provider.m_values.insert(QStringLiteral("{BRACES}"), QStringLiteral("{A}"));
        QCOMPARE(SimpleParser(&provider).parse(text, -1), expected);
    }

    void passesNumberToProvider()
    {
        TableProvider provider;
        provider.m_hook = [](const QString &, int number) { return QString::number(number); };
        QCOMPARE(SimpleParser(&provider).parse(QStringLiteral("<\\d+>{NDAYS} days"), 42), QStringLiteral("42 days"));
    }

    void recursionGuardEmptiesRepeatedTag()
    {
        TableProvider provider;
        SimpleParser parser(&provider);
        provider.m_hook = [&](const QString &tag, int number) {
            if (tag == QLatin1String("{OUTER}"))
                return QStringLiteral("[") + parser.parse(QStringLiteral("{OUTER}{INNER}"), number) +
                       QStringLiteral("]");
            return QStringLiteral("in");
        };
        QCOMPARE(parser.parse(QStringLiteral("{OUTER} {OUTER}"), 1), QStringLiteral("[in] [in]"));
        QCOMPARE(provider.m_calls, QStringList({"{OUTER}", "{INNER}", "{OUTER}", "{INNER}"}));
    }
};

QTEST_GUILESS_MAIN(TestSimpleParser)
#include "tst_simpleparser.moc"
