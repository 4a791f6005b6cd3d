#pragma once

#include <QString>

class TagProvider;

// Turns a text template and a number into a text: picks the alternative whose regular expression matches the
// whole decimal number ("<[1]>one day<\d+>{NDAYS} days"), fills {TAGS} from a provider and collapses blanks.
// Errors come back as the result text, never as exceptions. GUI thread only.
class SimpleParser
{
public:
    explicit SimpleParser(TagProvider *provider);

    QString parse(const QString &text, int number) const;

private:
    QString expandTags(const QString &text, int number) const;

    TagProvider *m_provider;
};
