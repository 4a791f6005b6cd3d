#pragma once

#include "events/abstractcommonevent.h"
#include "events/customtypeinfo.h"

#include <QByteArray>
#include <QIcon>
#include <QPixmap>
#include <QString>

// Where the five kinds differ only in data: their key, name, pictures and the fields a custom type
// of the kind may set. One row per kind; the kind classes, the factory and the forms read it.
namespace EventKinds {

// How a custom-type field starts out.
enum class Start { Unset, Off, On, NoWords, PrefixWords, PostfixWords };

struct Field
{
    enum Flag { Shown = 1, Parameter = 2 };
    const char *id;
    int flags;
    Start start;
    // Translated in the kind's own context.
    const char *title;
};

struct Kind
{
    EventType type;
    const char *textId;
    // Translated in the QObject context.
    const char *name;
    const char *context;
    AbstractCommonEventPtr (*make)(const QByteArray &id);
    // The small icon's files are the stem followed by each size and ".png".
    const char *iconStem;
    int iconSizes[4];
    // The size of the small icon that lists the event.
    int listSize;
    // The large picture: a file of its own, else the stem's 128 size.
    const char *picture;
    // The stem's size painted into a photo's corner; 0 for none.
    int cornerSize;
    bool defaultPhoto;
    const Field *fields;
    int fieldCount;
    // The prefix and postfix words a new custom type starts with; null for none.
    QString (*prefixText)();
    QString (*postfixText)();
    // The kind class's own record of the fields, made from `fields`.
    CustomTypeMetaInfo (*typeMetaInfo)();
};

// The kind's row; null, after an assertion, for a number that is no kind.
const Kind *find(int kind);

QIcon smallIcon(int kind);
QIcon picture(int kind);
QPixmap listPixmap(int kind);
QPixmap cornerPixmap(int kind);
// The record of the kind's fields; each kind class hands it out as its typeMetaInfo.
CustomTypeMetaInfo fieldTable(int kind);

} // namespace EventKinds
