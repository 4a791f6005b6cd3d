#pragma once

#include <QString>

// Supplies the value of one {TAG} of a text template; events and recurrence rules answer their own tags.
class TagProvider
{
public:
    virtual ~TagProvider() = default;

    // tag: the tag text with its braces, such as "{CAPTION}"; number: the number the template is parsed with.
    virtual QString decodeTag(const QString &tag, int number) = 0;
};
