#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

// A program version text such as "2.0.1", optionally ending in "a" or "b" for a pre-release.
// Versions are ordered part by part as numbers, a missing part counting as 0, and for equal
// numbers "a" < "b" < no letter; so "2.0" equals "2.0.0".
class Version
{
public:
    explicit Version(const QString &text);

    // The text as it was given, suffix included.
    QString toString() const;

    bool operator<(const Version &other) const;
    bool operator==(const Version &other) const;
    bool operator>(const Version &other) const;
    bool operator>=(const Version &other) const;

private:
    QString m_text;
    QStringList m_parts;
    QChar m_suffix;
};
