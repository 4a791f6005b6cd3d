#include "core/encodingdetector.h"

#include <QString>
#include <QTextCodec>

#include <uchardet.h>

#include <algorithm>
#include <memory>

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

// Control characters are no text: a file with them may be binary, whatever it decodes as.
bool hasControls(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(), isControl);
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
    static const char *const common[] = {"windows-1252", "windows-1250", "ISO-8859-2", "windows-1251",
                                         "KOI8-R",       "IBM866",       "ISO-8859-5", "windows-1253",
                                         "windows-1254", "windows-1257", "ISO-8859-15"};
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

namespace {

// UTF-16 without a mark: the zero high bytes of ASCII characters fall on one side of
// each pair only.
QByteArray utf16Order(const QByteArray &data)
{
    const qsizetype pairs = data.size() / 2;
    if (pairs < 2)
        return {};
    qsizetype even = 0, odd = 0;
    for (qsizetype i = 0; i + 1 < data.size(); i += 2) {
        even += data.at(i) == '\0';
        odd += data.at(i + 1) == '\0';
    }
    if (odd * 4 >= pairs && even * 50 <= pairs)
        return QByteArrayLiteral("UTF-16LE");
    if (even * 4 >= pairs && odd * 50 <= pairs)
        return QByteArrayLiteral("UTF-16BE");
    return {};
}

// Counts well-formed multi-byte UTF-8 characters and the bytes that break the rules; a
// character cut by the end of the sample is neither.
void countUtf8(const QByteArray &data, qsizetype *valid, qsizetype *invalid)
{
    *valid = *invalid = 0;
    const auto *p = reinterpret_cast<const unsigned char *>(data.constData());
    const qsizetype n = data.size();
    for (qsizetype i = 0; i < n;) {
        const unsigned char c = p[i];
        const int length = c < 0x80                 ? 1
                           : c >= 0xC2 && c <= 0xDF ? 2
                           : c >= 0xE0 && c <= 0xEF ? 3
                           : c >= 0xF0 && c <= 0xF4 ? 4
                                                    : 0;
        if (length == 1) {
            ++i;
            continue;
        }
        int k = 1;
        while (length > 1 && k < length && i + k < n && (p[i + k] & 0xC0) == 0x80)
            ++k;
        if (length > 1 && k == length) {
            ++*valid;
            i += length;
        } else if (length > 1 && i + k == n) {
            break;
        } else {
            ++*invalid;
            ++i;
        }
    }
}

// The codecs that read the same letters as the statistical guess and differ in a few
// signs: which one fits is told by those signs.
QList<QByteArray> siblings(const QByteArray &name)
{
    static const QList<QList<QByteArray>> families = {
        {"ISO-8859-7", "windows-1253"}, {"ISO-8859-9", "windows-1254"},  {"ISO-8859-1", "windows-1252", "ISO-8859-15"},
        {"ISO-8859-2", "windows-1250"}, {"ISO-8859-13", "windows-1257"}, {"ISO-8859-8", "windows-1255"},
        {"ISO-8859-6", "windows-1256"},
    };
    for (const QList<QByteArray> &family : families) {
        for (const QByteArray &member : family) {
            if (member.compare(name, Qt::CaseInsensitive) == 0)
                return family;
        }
    }
    return {};
}

// How well the decoded text reads; signs next to letters of another script are what a
// wrong member of a family gives, as is the rare currency sign in place of the euro.
int siblingScore(const QByteArray &data, QTextCodec *codec)
{
    QTextCodec::ConverterState state;
    const QString text = codec->toUnicode(data.constData(), int(data.size()), &state);
    int score = EncodingDetector::textScore(text) - 10 * state.invalidChars;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c == 0x00A4)
            score -= 2;
        // Guillemets and the middle dot are the same in every member and ordinary next to Greek or Cyrillic.
        const bool quote = c == 0x00AB || c == 0x00BB || c == 0x00B7;
        const bool sign = ((c >= 0xA1 && c <= 0xBF) && !quote) || c == 0x2018 || c == 0x2019;
        if (!sign)
            continue;
        for (qsizetype j : {i - 1, i + 1}) {
            if (j >= 0 && j < text.size() && text.at(j).isLetter() && text.at(j).script() != QChar::Script_Latin)
                score -= 3;
        }
    }
    return score;
}

// The detector's names that the codec registry lacks, with the codec that reads the same
// bytes. EUC-TW and VISCII have none: their text opens the preview unsure.
QTextCodec *codecForGuess(const QByteArray &guess)
{
    static const std::pair<const char *, const char *> nearest[] = {
        {"UHC", "windows-949"},     // EUC-KR with the Hangul that Windows added
        {"ISO-8859-11", "TIS-620"}, // the same Thai letters
    };
    for (const auto &[name, codec] : nearest) {
        if (guess.compare(name, Qt::CaseInsensitive) == 0)
            return QTextCodec::codecForName(codec);
    }
    return guess.isEmpty() ? nullptr : QTextCodec::codecForName(guess);
}

} // namespace

EncodingDetector::Result EncodingDetector::detect(const QByteArray &data)
{
    // A byte-order mark names the codec.
    const QByteArray head = data.left(kSampleBytes);
    QTextCodec *byMark = QTextCodec::codecForUtfText(data, nullptr);
    if (byMark)
        return {byMark->name(), !hasControls(byMark->toUnicode(head))};
    const QByteArray sample = sampleOf(data);
    // Whole pairs only, as a sample may end inside one.
    const QByteArray pairs = data.left(qMin(data.size(), kSampleBytes) & ~qsizetype(1));
    const QByteArray utf16 = utf16Order(pairs);
    if (!utf16.isEmpty() && undecodable(pairs, utf16) == 0)
        return {utf16, false};
    if (isAscii(data)) // plain text, unless zero bytes say it is some UTF-16
        return {QByteArrayLiteral("UTF-8"), !hasControls(QString::fromLatin1(head))};
    // Only bytes that break the rules count: a sample may end inside a character.
    qsizetype valid = 0, invalid = 0;
    countUtf8(data, &valid, &invalid);
    if (invalid == 0)
        return {QByteArrayLiteral("UTF-8"), !hasControls(QString::fromUtf8(head))};
    // Mostly UTF-8 with a stray byte or two: the preview shows where.
    if (valid >= 4 * invalid)
        return {QByteArrayLiteral("UTF-8"), false};

    std::unique_ptr<std::remove_pointer_t<uchardet_t>, void (*)(uchardet_t)> detector(uchardet_new(), uchardet_delete);
    QByteArray guess;
    if (detector && uchardet_handle_data(detector.get(), sample.constData(), size_t(sample.size())) == 0) {
        uchardet_data_end(detector.get());
        guess = uchardet_get_charset(detector.get());
    }
    QTextCodec *codec = codecForGuess(guess);
    if (!codec)
        return {QTextCodec::codecForLocale()->name(), false};
    // The detector's own pick stays on equal scores.
    QByteArray best = codec->name();
    int bestScore = siblingScore(sample, codec);
    for (const QByteArray &name : siblings(guess)) {
        QTextCodec *other = QTextCodec::codecForName(name);
        if (!other || other == codec)
            continue;
        const int score = siblingScore(sample, other);
        if (score > bestScore) {
            best = other->name();
            bestScore = score;
        }
    }
    // A short text gives the detector little to go on: when it picked an 8-bit codec (one
    // character a byte), another that reads better than it and than every other one wins.
    // Multi-byte picks stay: 8-bit readings of them give more letters and so more score.
    if (codec->toUnicode(sample).size() != sample.size())
        return {best, false};
    // The longer the text, the more the detector's statistics count against a small lead in
    // score: quotes read as letters of another script give one.
    const qsizetype nonAscii =
        std::count_if(sample.cbegin(), sample.cend(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    const int threshold = bestScore + int(nonAscii / 4);
    int topScore = threshold;
    QList<QByteArray> top;
    for (const QByteArray &name : candidates()) {
        const int score = siblingScore(sample, QTextCodec::codecForName(name));
        if (score > topScore)
            top.clear();
        if (score >= topScore && score > threshold) {
            topScore = score;
            top << name;
        }
    }
    return {top.size() == 1 ? top.first() : best, false};
}
