#pragma once

// What the editor's benchmarks share: the application's test double with its settings, pictures,
// undo stack and event types, a paint watcher and the median.

#include "core/properties.h"
#include "core/storage.h"
#include "core/undoobject.h"
#include "eventtypes/customtypesstorage.h"
#include "eventtypes/eventtypesstorage.h"
#include "fakeapplication.h"

#include <QDir>
#include <QEvent>
#include <QTemporaryDir>

#include <algorithm>
#include <vector>

// Notes the watched widget's paints.
class PaintWatcher : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return QObject::eventFilter(watched, event);
    }
    bool painted = false;
};

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct EditorBenchEnv
{
    EditorBenchEnv()
        : properties(nullptr, QDir(app.dataLocation()).filePath("prop.dat")), storage(dir.filePath("pixmaps.dat")),
          customTypes(dir.filePath("customtypes.dat")), types(&customTypes, dir.filePath("eventtypes.dat"))
    {
        app.m_properties = &properties;
        properties.addProperty("daysToWatch", 15);
        properties.addProperty("notifyMinutes", 15);
        properties.addProperty("notifyDays", 0);
        app.m_storage = &storage;
        app.m_undoObject = &undo;
        app.m_eventTypesStorage = &types;
    }

    QTemporaryDir dir;
    FakeApplication app;
    Properties properties;
    Storage storage;
    UndoObject undo;
    CustomTypesStorage customTypes;
    EventTypesStorage types;
};
