#include "core/encodingdetector.h"

#include <QString>
#include <QTextCodec>

namespace {

// Enough text to judge by; large files are judged by the part where their first
// non-ASCII bytes are.
constexpr qsizetype kSampleBytes = 256 * 1024;

bool isAscii(const QByteArray &data)
{
    for (const char c : data) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

QByteArray sampleOf(const QByteArray &data)
{
    qsizetype first = 0;
    while (first < data.size() && static_cast<unsigned char>(data.at(first)) < 0x80)
        ++first;
    const qsizetype begin = qMax<qsizetype>(0, first - 1024);
    return data.mid(begin, kSampleBytes);
}

bool isControl(QChar c)
{
    return c.category() == QChar::Other_Control && c != QLatin1Char('\n') && c != QLatin1Char('\r') &&
           c != QLatin1Char('\t');
}

// Scores one run of letters: a letter of another script in the word, or a capital
// after a small letter, is what a wrong 8-bit codec typically gives.
int wordScore(QStringView word)
{
    int nonAscii = 0;
    int latin = 0;
    int other = 0;
    int caseJumps = 0;
    for (qsizetype i = 0; i < word.size(); ++i) {
        const QChar c = word.at(i);
        if (c.unicode() >= 0x80)
            ++nonAscii;
        if (c.script() == QChar::Script_Latin)
            ++latin;
        else
            ++other;
        if (i > 0 && c.isUpper() && word.at(i - 1).isLower())
            ++caseJumps;
    }
    if (nonAscii == 0)
        return 0;
    if (latin > 0 && other > 0)
        return -4 * nonAscii;
    int score = -3 * caseJumps;
    // Latin words are mostly plain ASCII with a few accents; a word of nothing but
    // accented letters is another script read with a Latin codec.
    if (latin > 0 && word.size() >= 3 && nonAscii * 2 > word.size())
        return score;
    return score + 2 * nonAscii;
}

} // namespace

int EncodingDetector::textScore(const QString &text)
{
    int score = 0;
    qsizetype wordStart = -1;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const QChar c = i < text.size() ? text.at(i) : QChar();
        if (i < text.size() && c.isLetter()) {
            if (wordStart < 0)
                wordStart = i;
            continue;
        }
        if (wordStart >= 0) {
            score += wordScore(QStringView(text).mid(wordStart, i - wordStart));
            wordStart = -1;
        }
        if (i == text.size() || c.unicode() < 0x80)
            continue;
        if (isControl(c) || c == QChar::ReplacementCharacter || c.category() == QChar::Other_NotAssigned ||
            c.category() == QChar::Other_PrivateUse) {
            score -= 10;
            continue;
        }
        if (c.isPunct() || c.isSpace() || c.category() == QChar::Symbol_Currency)
            continue; // quotes, dashes, the euro sign: ordinary in any text
        // Other symbols inside or next to a word are letters read with the wrong codec.
        const bool touchesLetter =
            (i > 0 && text.at(i - 1).isLetter()) || (i + 1 < text.size() && text.at(i + 1).isLetter());
        score -= touchesLetter ? 3 : 1;
    }
    return score;
}

int EncodingDetector::undecodable(const QByteArray &data, const QByteArray &codecName)
{
    QTextCodec *codec = QTextCodec::codecForName(codecName);
    if (!codec)
        return 0;
    codec = QTextCodec::codecForUtfText(data, codec);
    QTextCodec::ConverterState state;
    const QString text = codec->toUnicode(data.constData(), int(data.size()), &state);
    return state.invalidChars + state.remainingChars;
}

QList<QByteArray> EncodingDetector::candidates()
{
    static const char *const common[] = {"windows-1252", "windows-1250", "ISO-8859-2", "windows-1251", "KOI8-R",
                                         "IBM866",       "ISO-8859-5",   "windows-1253", "windows-1254",
                                         "windows-1257", "ISO-8859-15"};
    QList<QByteArray> names;
    const QTextCodec *locale = QTextCodec::codecForLocale();
    if (locale && locale->mibEnum() != 106) // not UTF-8: its bytes are judged first
        names << locale->name();
    for (const char *name : common) {
        const QTextCodec *codec = QTextCodec::codecForName(name);
        if (codec && !names.contains(codec->name()))
            names << codec->name();
    }
    return names;
}

EncodingDetector::Result EncodingDetector::detect(const QByteArray &data)
{
    // A byte-order mark names the codec.
    QTextCodec *byMark = QTextCodec::codecForUtfText(data, nullptr);
    if (byMark)
        return {byMark->name(), true};
    if (isAscii(data)) // plain text, unless zero bytes say it is UTF-16 without a mark
        return {QByteArrayLiteral("UTF-8"), !data.contains('\0')};
    // Only bytes that break the rules count: a sample may end inside a character.
    QTextCodec::ConverterState utf8State;
    QTextCodec::codecForMib(106)->toUnicode(data.constData(), int(data.size()), &utf8State);
    if (utf8State.invalidChars == 0)
        return {QByteArrayLiteral("UTF-8"), true};

    const QByteArray sample = sampleOf(data);
    Result best;
    int bestScore = 0;
    for (const QByteArray &name : candidates()) {
        QTextCodec *codec = QTextCodec::codecForName(name);
        QTextCodec::ConverterState state;
        const QString text = codec->toUnicode(sample.constData(), int(sample.size()), &state);
        const int score = textScore(text) - 10 * state.invalidChars;
        if (best.codec.isEmpty() || score > bestScore) {
            best.codec = name;
            bestScore = score;
        }
    }
    return best;
}
