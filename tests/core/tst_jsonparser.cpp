#include "core/jsonparser.h"
#include "core/log.h"
#include "testhelpers.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QtTest>

namespace {

// Strict tree comparison: QVariant's own == treats an int 1 and a double 1.0 as equal.
bool sameTree(const QVariant &a, const QVariant &b, QString *where, const QString &path = QStringLiteral("$"))
{
    if (a.userType() != b.userType()) {
        *where = path + QStringLiteral(": type %1 vs %2").arg(a.typeName(), b.typeName());
        return false;
    }
    if (a.userType() == QMetaType::QVariantMap) {
        const QVariantMap ma = a.toMap(), mb = b.toMap();
        if (ma.keys() != mb.keys()) {
            *where = path + QStringLiteral(": keys differ");
            return false;
        }
        for (auto it = ma.cbegin(); it != ma.cend(); ++it)
            if (!sameTree(it.value(), mb.value(it.key()), where, path + QLatin1Char('.') + it.key()))
                return false;
        return true;
    }
    if (a.userType() == QMetaType::QVariantList) {
        const QVariantList la = a.toList(), lb = b.toList();
        if (la.size() != lb.size()) {
            *where = path + QStringLiteral(": sizes differ");
            return false;
        }
        for (int i = 0; i < la.size(); ++i)
            if (!sameTree(la.at(i), lb.at(i), where, path + QStringLiteral("[%1]").arg(i)))
                return false;
        return true;
    }
    if (a != b) {
        *where = path + QStringLiteral(": %1 vs %2").arg(a.toString(), b.toString());
        return false;
    }
    return true;
}

#define QCOMPARE_TREE(actual, expected)                                                                                \
    do {                                                                                                               \
        QString where;                                                                                                 \
        QVERIFY2(sameTree(actual, expected, &where), qPrintable(where));                                               \
    } while (false)

QVariantMap map(std::initializer_list<std::pair<QString, QVariant>> items)
{
    QVariantMap m;
    for (const auto &item : items)
        m.insert(item.first, item.second);
    return m;
}

QVariant randomTree(QRandomGenerator &rng, int depth)
{
    static const QString alphabet = QStringLiteral("abc XYZ019_-\"\\/\n\t\r\b\f{}[],:äöüßяжЖ€😀\u00a0\u0085\ufeff");
    auto randomString = [&] {
        QString s;
        const int n = rng.bounded(12);
        for (int i = 0; i < n; ++i) {
            const int at = rng.bounded(alphabet.size());
            s += alphabet.at(at);
            if (alphabet.at(at).isHighSurrogate())
                s += alphabet.at(at + 1);
            else if (alphabet.at(at).isLowSurrogate())
                s.chop(1);
        }
        return s;
    };
    const int kind = rng.bounded(depth > 4 ? 6 : 8);
    switch (kind) {
    case 0:
        return QVariant();
    case 1:
        return rng.bounded(2) == 1;
    case 2:
        return int(rng.generate());
    case 3:
        return rng.bounded(2) ? double(rng.bounded(-1000, 1000)) : (rng.generateDouble() - 0.5) * 1e9;
    case 4:
    case 5:
        return randomString();
    case 6: {
        QVariantList list;
        const int n = rng.bounded(6);
        for (int i = 0; i < n; ++i)
            list << randomTree(rng, depth + 1);
        return list;
    }
    default: {
        QVariantMap m;
        const int n = rng.bounded(6);
        for (int i = 0; i < n; ++i)
            m.insert(randomString(), randomTree(rng, depth + 1));
        return m;
    }
    }
}

} // namespace

class TestJsonParser : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestHelpers::isolateEnvironment(); }

    void writesCompactBytes_data();
    void writesCompactBytes();
    void writesIndentedLayout();
    void writesDoublesAsVariantText();
    void leavesGapForTypesWithoutJsonForm();

    void readsLenientInput_data();
    void readsLenientInput();
    void warnsAboutDroppedSlashAndUnicodeEscape();
    void reportsErrorsWithPosition_data();
    void reportsErrorsWithPosition();
    void limitsNestingDepth();
    void readJsonOrNullGivesInvalidOnError();
    void deviceKeepsBytesAfterValue_data();
    void deviceKeepsBytesAfterValue();

    void numbersReadAsQtConvertsThem();
    void roundTripsLargeGeneratedTree();
    void readsManyDistinctNamesAndTexts();
    void handsOverTheElementsOfOneList_data();
    void handsOverTheElementsOfOneList();
    void handsOverElementsReadBeforeAnError();
    void survivesEveryTruncation();
};

void TestJsonParser::writesCompactBytes_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("empty map") << QVariant(QVariantMap()) << QByteArray("{}");
    QTest::newRow("empty list") << QVariant(QVariantList()) << QByteArray("[]");
    QTest::newRow("map of int and list") << QVariant(map({{"a", 1}, {"b", QVariantList{1.5, QStringLiteral("x")}}}))
                                         << QByteArray("{\"a\": 1,\"b\": [1.5, \"x\"]}");
    QTest::newRow("whole double") << QVariant(3.0) << QByteArray("3.0");
    QTest::newRow("half") << QVariant(0.5) << QByteArray("0.5");
    QTest::newRow("big double") << QVariant(1e20) << QByteArray("1e+20");
    QTest::newRow("negative int") << QVariant(-17) << QByteArray("-17");
    QTest::newRow("invalid") << QVariant() << QByteArray("null");
    QTest::newRow("bools") << QVariant(QVariantList{true, false}) << QByteArray("[true, false]");
    QTest::newRow("byte array with quote") << QVariant(QByteArray("\"")) << QByteArray("\"\\\"\"");
    QTest::newRow("escapes") << QVariant(QStringLiteral("\\\"\b\n\f\r\t/\x01"))
                             << QByteArray("\"\\\\\\\"\\b\\n\\f\\r\\t/\x01\"");
    QTest::newRow("utf8 as is") << QVariant(QStringLiteral("äя€")) << QByteArray("\"\xc3\xa4\xd1\x8f\xe2\x82\xac\"");
    QTest::newRow("key order") << QVariant(map({{"b", 1}, {"a", 2}})) << QByteArray("{\"a\": 2,\"b\": 1}");
    QTest::newRow("escaped keys") << QVariant(map({{"q\"k\\", 1}})) << QByteArray("{\"q\\\"k\\\\\": 1}");
    QTest::newRow("nested") << QVariant(QVariantList{map({{"x", QVariantList()}}), QVariantList{1}})
                            << QByteArray("[{\"x\": []}, [1]]");
}

void TestJsonParser::writesCompactBytes()
{
    QFETCH(QVariant, value);
    QFETCH(QByteArray, expected);
    QCOMPARE(Common::toJson(value), expected);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    Common::writeJsonCompact(value, &buffer);
    QCOMPARE(buffer.data(), expected);
}

void TestJsonParser::writesIndentedLayout()
{
    const QVariant value = map({{"a", 1}, {"b", QVariantList{1, 2, QVariantList{3}}}, {"c", map({{"d", true}})}});
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    Common::writeJsonIndented(value, &buffer);
    QCOMPARE(buffer.data(), QByteArray("{\n"
                                       "\t\"a\": 1,\n"
                                       "\t\"b\": \n"
                                       "\t[\n"
                                       "\t\t1, 2, \n"
                                       "\t\t[\n"
                                       "\t\t\t3\n"
                                       "\t\t]\n"
                                       "\t],\n"
                                       "\t\"c\": \n"
                                       "\t{\n"
                                       "\t\t\"d\": true\n"
                                       "\t}\n"
                                       "}"));
    QCOMPARE_TREE(Common::readJson(buffer.data()), value);
}

void TestJsonParser::writesDoublesAsVariantText()
{
    // The writer's number text must stay what QVariant prints, which older files hold.
    QRandomGenerator rng(7);
    for (int i = 0; i < 2000; ++i) {
        const double d = (rng.generateDouble() - 0.5) * std::pow(10.0, rng.bounded(-30, 30));
        QByteArray text = QVariant(d).toString().toLatin1();
        if (!text.contains('.') && !text.contains('e') && !text.contains('E'))
            text += ".0";
        QCOMPARE(Common::toJson(d), text);
        QCOMPARE(Common::readJson(text).toDouble(), d);
    }
}

void TestJsonParser::leavesGapForTypesWithoutJsonForm()
{
    TestHelpers::expectFailedChecks();
    Common::clearLogBuffer();
    QTest::ignoreMessage(QtWarningMsg, "Cannot serialize QVariant of type qlonglong in JSON");
    const QByteArray text = Common::toJson(map({{"a", QVariant(qlonglong(5))}, {"b", 1}}));
    QCOMPARE(text, QByteArray("{\"a\": ,\"b\": 1}"));
    QVERIFY(logBuffer().contains("ASSERT: false"));
    QCOMPARE_TREE(Common::readJson(text), QVariant(map({{"a", QString()}, {"b", 1}})));
}

void TestJsonParser::readsLenientInput_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QVariant>("expected");

    QTest::newRow("empty map") << QByteArray("{}") << QVariant(QVariantMap());
    QTest::newRow("empty list") << QByteArray("[ ]") << QVariant(QVariantList());
    QTest::newRow("empty text") << QByteArray("") << QVariant(QString(""));
    QTest::newRow("only white space") << QByteArray(" \t\r\n\xa0") << QVariant(QString(""));
    QTest::newRow("bare name") << QByteArray("{ version : 1 }") << QVariant(map({{"version", 1}}));
    QTest::newRow("trailing comma") << QByteArray("[1, 2,]") << QVariant(QVariantList{1, 2, QString("")});
    QTest::newRow("comment and words") << QByteArray("// note\n[true, null, 2.5, 7, word]")
                                       << QVariant(QVariantList{true, QVariant(), 2.5, 7, QStringLiteral("word")});
    QTest::newRow("comment at end") << QByteArray("1 // done") << QVariant(1);
    QTest::newRow("int") << QByteArray("12") << QVariant(12);
    QTest::newRow("double with point") << QByteArray("12.0") << QVariant(12.0);
    QTest::newRow("exponent") << QByteArray("1e3") << QVariant(1000.0);
    QTest::newRow("hex is text") << QByteArray("0x1F") << QVariant(QStringLiteral("0x1F"));
    QTest::newRow("plus sign") << QByteArray("+5") << QVariant(5);
    QTest::newRow("leading zeros") << QByteArray("0000000001") << QVariant(1);
    QTest::newRow("int max") << QByteArray("2147483647") << QVariant(2147483647);
    QTest::newRow("int min") << QByteArray("-2147483648") << QVariant(int(-2147483647 - 1));
    QTest::newRow("above int") << QByteArray("2147483648") << QVariant(2147483648.0);
    QTest::newRow("below int") << QByteArray("-2147483649") << QVariant(-2147483649.0);
    QTest::newRow("huge int") << QByteArray("123456789012345678901234") << QVariant(123456789012345678901234.0);
    QTest::newRow("true is case-sensitive") << QByteArray("True") << QVariant(QStringLiteral("True"));
    QTest::newRow("escapes") << QByteArray("\"\\b\\f\\n\\r\\t\\/\\\\\\\"\\q\"")
                             << QVariant(QStringLiteral("\b\f\n\r\t/\\\"q"));
    QTest::newRow("utf8 string") << QByteArray("\"\xd1\x8f\"") << QVariant(QStringLiteral("я"));
    QTest::newRow("utf8 bare word") << QByteArray("[h\xc3\xa9llo]") << QVariant(QVariantList{QStringLiteral("héllo")});
    QTest::newRow("0x85 inside a word") << QByteArray("[a\x85z]") << QVariant(QVariantList{QStringLiteral("a\ufffdz")});
    QTest::newRow("byte order mark kept in string")
        << QByteArray("[\"\xef\xbb\xbfx\"]") << QVariant(QVariantList{QStringLiteral("\ufeffx")});
    QTest::newRow("bare word is never UTF-32") << QByteArray("[\0\0\xfe\xff"
                                                             "ab]",
                                                             8)
                                               << QVariant(QVariantList{QString::fromUtf8("\0\0\xfe\xff"
                                                                                          "ab",
                                                                                          6)});
    QTest::newRow("repeated key keeps last") << QByteArray("{\"a\": 1, \"a\": 2}") << QVariant(map({{"a", 2}}));
    QTest::newRow("utf8 key") << QByteArray("{\"\xd0\xba\": 1}") << QVariant(map({{QStringLiteral("к"), 1}}));
    QTest::newRow("names repeat in every form")
        << QByteArray("[{\"a\": 1, b: {a: 2}}, {\"a\": 3, \"b\\\"\": 4}, {\"b\\\"\": 5, \"\": 6}, {\"\": 7}]")
        << QVariant(QVariantList{map({{"a", 1}, {"b", map({{"a", 2}})}}), map({{"a", 3}, {"b\"", 4}}),
                                 map({{"b\"", 5}, {"", 6}}), map({{"", 7}})});
    QTest::newRow("texts repeat")
        << QByteArray("[\"ab\", \"ab\", \"\", \"\", \"a\\tb\", \"a\\tb\", \"\xef\xbb\xbf"
                      "c\", \"\xef\xbb\xbf"
                      "c\", "
                      "\"0123456789012345678901234567890123456789\", \"0123456789012345678901234567890123456789\", "
                      "\"01234567890123456789012345678901234567890\", \"01234567890123456789012345678901234567890\"]")
        << QVariant(
               QVariantList{"ab", "ab", "", "", "a\tb", "a\tb", QStringLiteral("\ufeffc"), QStringLiteral("\ufeffc"),
                            "0123456789012345678901234567890123456789", "0123456789012345678901234567890123456789",
                            "01234567890123456789012345678901234567890", "01234567890123456789012345678901234567890"});
    QTest::newRow("byte order mark kept in name")
        << QByteArray("[{\"\xef\xbb\xbf"
                      "a\": 1}, {\"\xef\xbb\xbf"
                      "a\": 2}]")
        << QVariant(QVariantList{map({{QStringLiteral("\ufeffa"), 1}}), map({{QStringLiteral("\ufeffa"), 2}})});
    QTest::newRow("value stops early") << QByteArray("[1] trailing junk") << QVariant(QVariantList{1});
    QTest::newRow("word ends at brace") << QByteArray("{\"a\":x}") << QVariant(map({{"a", QStringLiteral("x")}}));
}

void TestJsonParser::readsLenientInput()
{
    QFETCH(QByteArray, text);
    QFETCH(QVariant, expected);
    QCOMPARE_TREE(Common::readJson(text), expected);
}

void TestJsonParser::warnsAboutDroppedSlashAndUnicodeEscape()
{
    QTest::ignoreMessage(QtWarningMsg, "don't support \\uxxxx char");
    QCOMPARE_TREE(Common::readJson(QByteArray("\"a\\u0041\"")), QVariant(QStringLiteral("au0041")));
    // No block comments: the "/" goes and the "*" starts a word.
    QTest::ignoreMessage(QtWarningMsg, "I removed a '/' while parsing JSON file.");
    QCOMPARE_TREE(Common::readJson(QByteArray("[/*x, 1]")), QVariant(QVariantList{QStringLiteral("*x"), 1}));
}

void TestJsonParser::reportsErrorsWithPosition_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("column");

    QTest::newRow("underscore ends bare name")
        << QByteArray("{ my_key: 1 }") << QByteArray("Expected ':' after a member name: my") << 1 << 4;
    QTest::newRow("comma before brace") << QByteArray("{\"a\": 1,}")
                                        << QByteArray("End of file before end of string: }") << 1 << 9;
    QTest::newRow("unclosed array") << QByteArray("[1, 2") << QByteArray("Expected ']' to close an array") << 1 << 5;
    QTest::newRow("unclosed object") << QByteArray("{\"a\": 1 \"b\": 2}")
                                     << QByteArray("Expected '}' to close an object") << 1 << 8;
    QTest::newRow("missing colon") << QByteArray("{\"a\" 1}") << QByteArray("Expected ':' after a member name: a") << 1
                                   << 5;
    QTest::newRow("unterminated string") << QByteArray("\"abc") << QByteArray("End of file before end of string: abc")
                                         << 1 << 4;
    QTest::newRow("unterminated after escape")
        << QByteArray("[\"a\\n") << QByteArray("End of file before end of string: a\n") << 1 << 5;
    QTest::newRow("empty comment moves line")
        << QByteArray("//\n[1 2]") << QByteArray("Expected ']' to close an array") << 2 << 3;
    QTest::newRow("error on third line") << QByteArray("{\n\"a\": [1,\n2 }")
                                         << QByteArray("Expected ']' to close an array") << 3 << 2;
    QTest::newRow("bare word too long") << "[" + QByteArray((1 << 20) + 1, '\0') << QByteArray("Bare word too long")
                                        << 1 << (1 << 20) + 2;
    QTest::newRow("hyphen ends bare name")
        << QByteArray("{a-b: 1}") << QByteArray("Expected ':' after a member name: a") << 1 << 2;
    QTest::newRow("end inside bare name")
        << QByteArray("{abc") << QByteArray("End of file before end of string: abc") << 1 << 4;
}

// How reading `text` ends, with the elements of its top list taken as variants or as nodes.
static QString outcome(const QByteArray &text, bool nodes)
{
    Common::JsonListTaker taker;
    taker.start = [] {};
    taker.take = [](QVariant &&) {};
    if (nodes)
        taker.takeObject = [](const Common::JsonObject &) {};
    try {
        Common::readJson(text, {}, taker);
        return QStringLiteral("read");
    } catch (const Common::JsonParserException &e) {
        return QStringLiteral("%1 at %2:%3").arg(QString::fromUtf8(e.what())).arg(e.line()).arg(e.column());
    }
}

void TestJsonParser::reportsErrorsWithPosition()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, message);
    QFETCH(int, line);
    QFETCH(int, column);
    try {
        Common::readJson(text);
        QFAIL("no exception");
    } catch (const Common::JsonParserException &e) {
        QCOMPARE(QByteArray(e.what()), message);
        QCOMPARE(e.line(), line);
        QCOMPARE(e.column(), column);
    }
    // An element read without maps fails where the same element read as variants fails.
    const QByteArray inList = "[0, " + text + "]";
    QCOMPARE(outcome(inList, true), outcome(inList, false));
    QVERIFY(outcome(inList, true) != QLatin1String("read"));
}

void TestJsonParser::limitsNestingDepth()
{
    const int limit = Common::kJsonMaxDepth;
    const QByteArray deepest = QByteArray(limit, '[') + QByteArray(limit, ']');
    QVariant value = Common::readJson(deepest);
    for (int i = 1; i < limit; ++i)
        value = value.toList().value(0);
    QCOMPARE_TREE(value, QVariant(QVariantList()));

    QVERIFY_THROWS_EXCEPTION(Common::JsonParserException, Common::readJson(QByteArray(limit + 1, '[')));
    QVERIFY_THROWS_EXCEPTION(Common::JsonParserException, Common::readJson(QByteArray(limit + 1, '{')));
    QByteArray mixed;
    for (int i = 0; i < 100000; ++i)
        mixed += "{\"a\":[";
    QVERIFY_THROWS_EXCEPTION(Common::JsonParserException, Common::readJson(mixed));

    // The same limit holds for list elements read without maps.
    QCOMPARE(outcome(deepest, true), QStringLiteral("read"));
    const QByteArray tooDeep = QByteArray(limit + 1, '[') + QByteArray(limit + 1, ']');
    QCOMPARE(outcome(tooDeep, true), outcome(tooDeep, false));
    QVERIFY(outcome(tooDeep, true) != QLatin1String("read"));
    QCOMPARE(outcome("[" + mixed, true), outcome("[" + mixed, false));
}

void TestJsonParser::readJsonOrNullGivesInvalidOnError()
{
    QTest::ignoreMessage(QtWarningMsg, "Expected ']' to close an array");
    QVERIFY(!Common::readJsonOrNull("[1, 2").isValid());
    QCOMPARE(Common::readJsonOrNull("[1]").toList().size(), 1);
}

void TestJsonParser::deviceKeepsBytesAfterValue_data()
{
    QTest::addColumn<bool>("textMode");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("throws");
    QTest::addColumn<QByteArray>("rest");
    // A text-mode device cannot seek by byte count, so it gets the bytes back one by one.
    for (const bool textMode : {false, true}) {
        const char *mode = textMode ? "text mode" : "binary";
        QTest::addRow("%s, after value", mode)
            << textMode << QByteArray("  {\"a\": 1} tail") << false << QByteArray(" tail");
        QTest::addRow("%s, after error", mode)
            << textMode << QByteArray("  {\"a\" 1} tail") << true << QByteArray("1} tail");
    }
}

void TestJsonParser::deviceKeepsBytesAfterValue()
{
    QFETCH(bool, textMode);
    QFETCH(QByteArray, text);
    QFETCH(bool, throws);
    QFETCH(QByteArray, rest);
    QBuffer buffer;
    buffer.setData(text);
    QVERIFY(buffer.open(textMode ? QIODevice::ReadOnly | QIODevice::Text : QIODevice::ReadOnly));
    buffer.seek(2);
    if (throws)
        QVERIFY_THROWS_EXCEPTION(Common::JsonParserException, Common::readJson(&buffer));
    else
        QCOMPARE_TREE(Common::readJson(&buffer), QVariant(map({{"a", 1}})));
    QCOMPARE(buffer.readAll(), rest);
}

void TestJsonParser::numbersReadAsQtConvertsThem()
{
    // Plain numbers take a quicker path than other words; both must give what QString's conversions give.
    QStringList words{"00.5",          "-0.0", "1E+05",      "1e-400",      "1e400",      "123456789012",
                      "0000000000001", "-000", "1.",         ".5",          "-.5",        "1e",
                      "1e+",           "--1",  "9999999999", "-2147483648", "2147483647", "3.14159265358979323846"};
    QRandomGenerator rng(99);
    const QString chars = QStringLiteral("0123456789.-+eE");
    for (int i = 0; i < 3000; ++i) {
        QString w;
        const int n = 1 + rng.bounded(14);
        for (int k = 0; k < n; ++k)
            w += chars.at(rng.bounded(k == 0 ? 12 : chars.size()));
        words << w;
    }
    for (const QString &w : std::as_const(words)) {
        bool ok = false;
        QVariant expected = w.toInt(&ok);
        if (!ok)
            expected = w.toDouble(&ok);
        if (!ok)
            expected = w;
        QCOMPARE_TREE(Common::readJson(QByteArray("[") + w.toLatin1() + "]"), QVariant(QVariantList{expected}));
    }
}

void TestJsonParser::roundTripsLargeGeneratedTree()
{
    QRandomGenerator rng(20261207);
    QVariantList root;
    for (int i = 0; i < 300; ++i)
        root << randomTree(rng, 0);
    const QByteArray text = Common::toJson(root);
    QCOMPARE_TREE(Common::readJson(text), QVariant(root));
    QCOMPARE(Common::toJson(Common::readJson(text)), text);
}

void TestJsonParser::readsManyDistinctNamesAndTexts()
{
    // Far more names and short texts than are shared while reading, each one twice.
    QVariantMap wide;
    for (int i = 0; i < 3000; ++i)
        wide.insert(QStringLiteral("name%1").arg(i), i % 2 ? QVariant(i) : QVariant(QStringLiteral("text%1").arg(i)));
    const QVariantList twice{wide, wide};
    QCOMPARE_TREE(Common::readJson(Common::toJson(twice)), QVariant(twice));
}

void TestJsonParser::handsOverTheElementsOfOneList_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("path");
    QTest::addColumn<QVariantList>("taken");
    QTest::addColumn<int>("starts");
    QTest::addColumn<QVariant>("rest");

    const QStringList path{"E", "list"};
    QTest::newRow("list") << QByteArray("{\"E\": {\"list\": [1, {\"a\": [2]}, x,], \"n\": 3}, \"z\": [4]}") << path
                          << QVariantList{1, map({{"a", QVariantList{2}}}), QStringLiteral("x"), QString("")} << 1
                          << QVariant(map({{"E", map({{"list", QVariantList()}, {"n", 3}})}, {"z", QVariantList{4}}}));
    QTest::newRow("empty list") << QByteArray("{E: {list: []}}") << path << QVariantList() << 1
                                << QVariant(map({{"E", map({{"list", QVariantList()}})}}));
    QTest::newRow("repeated") << QByteArray("{\"E\": {\"list\": [1], \"list\": [2]}}") << path << QVariantList{1, 2}
                              << 2 << QVariant(map({{"E", map({{"list", QVariantList()}})}}));
    QTest::newRow("not a list") << QByteArray("{\"E\": {\"list\": 5}}") << path << QVariantList() << 0
                                << QVariant(map({{"E", map({{"list", 5}})}}));
    QTest::newRow("other places") << QByteArray("{\"list\": [1], \"F\": {\"list\": [2]}, \"E\": [{\"list\": [3]}]}")
                                  << path << QVariantList() << 0
                                  << QVariant(map({{"list", QVariantList{1}},
                                                   {"F", map({{"list", QVariantList{2}}})},
                                                   {"E", QVariantList{map({{"list", QVariantList{3}}})}}}));
    QTest::newRow("top list") << QByteArray("[[1], 2]") << QStringList() << QVariantList{QVariantList{1}, 2} << 1
                              << QVariant(QVariantList());
}

void TestJsonParser::handsOverTheElementsOfOneList()
{
    QFETCH(QByteArray, text);
    QFETCH(QStringList, path);
    QFETCH(QVariantList, taken);
    QFETCH(int, starts);
    QFETCH(QVariant, rest);
    QVariantList got;
    int started = 0;
    Common::JsonListTaker taker;
    taker.start = [&] { ++started; };
    taker.take = [&](QVariant &&element) { got.append(element); };
    QCOMPARE_TREE(Common::readJson(text, path, taker), rest);
    QCOMPARE_TREE(QVariant(got), QVariant(taken));
    QCOMPARE(started, starts);

    // Read without maps, the elements are the same values.
    got.clear();
    started = 0;
    taker.takeObject = [&](const Common::JsonObject &element) { got.append(element.toVariant()); };
    QCOMPARE_TREE(Common::readJson(text, path, taker), rest);
    QCOMPARE_TREE(QVariant(got), QVariant(taken));
    QCOMPARE(started, starts);
}

void TestJsonParser::handsOverElementsReadBeforeAnError()
{
    QVariantList got;
    Common::JsonListTaker taker;
    taker.start = [] {};
    taker.take = [&](QVariant &&element) { got.append(element); };
    QVERIFY_THROWS_EXCEPTION(Common::JsonParserException, Common::readJson("{\"l\": [1, 2, {", {"l"}, taker));
    QCOMPARE_TREE(QVariant(got), QVariant(QVariantList{1, 2}));
    got.clear();
    taker.takeObject = [&](const Common::JsonObject &element) { got.append(element.toVariant()); };
    QVERIFY_THROWS_EXCEPTION(Common::JsonParserException, Common::readJson("{\"l\": [1, 2, {", {"l"}, taker));
    QCOMPARE_TREE(QVariant(got), QVariant(QVariantList{1, 2}));
}

void TestJsonParser::survivesEveryTruncation()
{
    const QByteArray text = Common::toJson(
        map({{"k\"ey", QVariantList{1, 2.5, QStringLiteral("s\\t\"r"), map({{"x", QVariant()}})}}, {"z", true}}));
    for (int n = 0; n < text.size(); ++n) {
        try {
            Common::readJson(text.left(n));
        } catch (const Common::JsonParserException &e) {
            QVERIFY(e.line() == 1 && e.column() <= n);
        }
    }
}

QTEST_GUILESS_MAIN(TestJsonParser)
#include "tst_jsonparser.moc"
