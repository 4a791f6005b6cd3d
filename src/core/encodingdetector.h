#pragma once

#include <QByteArray>
#include <QList>

// Judges the text encoding of a file's bytes. A byte-order mark, pure ASCII and valid
// UTF-8 are certain; anything else is the 8-bit codec under which the bytes read most
// like text, which is a guess the user should confirm.
class EncodingDetector
{
public:
    struct Result
    {
        QByteArray codec; // a name the codec registry knows, as it spells it
        bool certain = false;
    };

    static Result detect(const QByteArray &data);
    // The 8-bit codecs tried, the locale's first when it is one of them.
    static QList<QByteArray> candidates();
    // How many bytes the codec could not decode (0 for an unknown name: nothing to judge).
    static int undecodable(const QByteArray &data, const QByteArray &codec);
    // Higher reads more like text; public for tests.
    static int textScore(const QString &text);
};
