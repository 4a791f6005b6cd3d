#include "core/encodingdetector.h"

#include <QTextCodec>
#include <QtTest>

namespace {

QByteArray encoded(const char *codec, const char *utf8)
{
    return QTextCodec::codecForName(codec)->fromUnicode(QString::fromUtf8(utf8));
}

const char kRussian[] = "BEGIN:VEVENT\r\nSUMMARY:Встреча с Иваном\r\nDESCRIPTION:Обсудить проект, "
                        "принести документы\r\nEND:VEVENT\r\n";
const char kGerman[] = "12.04.2026,Geburtstag von Jürgen Müller,Blumen für Oma\n01.05.2026,Maifeier – Café Größe\n";
const char kPolish[] = "12.04.2026,Zażółć gęślą jaźń,Spotkanie w Łodzi\n";
const char kJapanese[] = "2026/04/12,会議の準備,資料を持ってくること\n2026/05/01,誕生日パーティー,花とケーキを買う\n"
                         "2026/06/03,歯医者の予約,午前十時に行く\n";
const char kChinese[] = "2026-04-12,專案會議,請帶上所有文件和報告\n2026-05-01,生日聚會,買花和蛋糕給媽媽\n"
                        "2026-06-03,看牙醫,上午十點在醫院見面\n";
const char kKorean[] = "12.04.2026,회의 준비,모든 서류와 보고서를 가져오세요\n";
const char kGreek[] = "01.05.2026,«Γενέθλια της Άννας»,«Εισιτήρια τρένου· διαβατήριο»\n";

} // namespace

class TestEncodingDetector : public QObject
{
    Q_OBJECT

private slots:
    void detects_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("codec");
        QTest::addColumn<bool>("certain");
        QTest::newRow("ASCII") << QByteArray("01.05.2026,May Day\n") << QByteArray("UTF-8") << true;
        QTest::newRow("UTF-8") << QByteArray(kRussian) << QByteArray("UTF-8") << true;
        QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF") + kGerman << QByteArray("UTF-8") << true;
        QTest::newRow("UTF-16 LE with BOM")
            << QByteArray("\xFF\xFE") + encoded("UTF-16LE", "Встреча") << QByteArray("UTF-16LE") << true;
        QTest::newRow("UTF-16 BE with BOM")
            << QByteArray("\xFE\xFF") + encoded("UTF-16BE", "Müller") << QByteArray("UTF-16BE") << true;
        QTest::newRow("UTF-16 without BOM") << encoded("UTF-16LE", "May Day") << QByteArray("UTF-16LE") << false;
        // "Встреча с Иваном" as a Windows program writes it.
        QTest::newRow("Windows-1251 bytes")
            << QByteArray("SUMMARY:\xC2\xF1\xF2\xF0\xE5\xF7\xE0 \xF1 \xC8\xE2\xE0\xED\xEE\xEC\r\n")
            << QByteArray("windows-1251") << false;
        QTest::newRow("Windows-1251") << encoded("windows-1251", kRussian) << QByteArray("windows-1251") << false;
        QTest::newRow("KOI8-R") << encoded("KOI8-R", kRussian) << QByteArray("KOI8-R") << false;
        QTest::newRow("Windows-1252") << encoded("windows-1252", kGerman) << QByteArray("windows-1252") << false;
        QTest::newRow("ISO-8859-2") << encoded("ISO-8859-2", kPolish) << QByteArray("ISO-8859-2") << false;
        QTest::newRow("Windows-1250") << encoded("windows-1250", kPolish) << QByteArray("windows-1250") << false;
        QTest::newRow("EUC-JP") << encoded("EUC-JP", kJapanese) << QByteArray("EUC-JP") << false;
        QTest::newRow("Big5") << encoded("Big5", kChinese) << QByteArray("Big5") << false;
        QTest::newRow("EUC-KR") << encoded("EUC-KR", kKorean) << QByteArray("windows-949") << false;
        QTest::newRow("cp1253") << encoded("windows-1253", kGreek).repeated(16) << QByteArray("windows-1253") << false;
        QTest::newRow("ASCII, control") << QByteArray("May\x1B Day\n") << QByteArray("UTF-8") << false;
        QTest::newRow("BOM, control") << QByteArray("\xEF\xBB\xBF") + kGerman + '\x01' << QByteArray("UTF-8") << false;
    }

    void detects()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, codec);
        QFETCH(bool, certain);
        const EncodingDetector::Result result = EncodingDetector::detect(bytes);
        QCOMPARE(result.codec, codec);
        QCOMPARE(result.certain, certain);
        // What was chosen reads back as the text without a replacement character.
        QCOMPARE(EncodingDetector::undecodable(bytes, result.codec), 0);
    }

    void utf8CutInsideCharacterIsStillUtf8()
    {
        // A preview ends wherever its byte limit falls, maybe inside a character.
        const QByteArray bytes = QByteArray(kRussian).left(23); // the first byte of "В"
        QVERIFY(static_cast<unsigned char>(bytes.at(22)) >= 0x80);
        QCOMPARE(EncodingDetector::detect(bytes).codec, QByteArray("UTF-8"));
        QVERIFY(EncodingDetector::detect(bytes).certain);
    }

    void countsWhatUtf8CannotDecode()
    {
        QVERIFY(EncodingDetector::undecodable(encoded("windows-1251", kRussian), "UTF-8") > 0);
        QCOMPARE(EncodingDetector::undecodable(QByteArray(kRussian), "UTF-8"), 0);
    }

    void candidatesAreKnownAndUnique()
    {
        const QList<QByteArray> names = EncodingDetector::candidates();
        QVERIFY(names.contains("windows-1251"));
        QVERIFY(names.contains("KOI8-R"));
        QVERIFY(names.contains("ISO-8859-2"));
        for (const QByteArray &name : names) {
            QVERIFY2(QTextCodec::codecForName(name), name.constData());
            QCOMPARE(names.count(name), 1);
        }
    }
};

QTEST_MAIN(TestEncodingDetector)
#include "tst_encodingdetector.moc"
