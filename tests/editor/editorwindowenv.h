#pragma once

#include "core/undoobject.h"
#include "editortestenv.h"
#include "eventtypes/customtypesstorage.h"
#include "eventtypes/eventtypesstorage.h"

#include <memory>

// The editor's environment: events, calendars, event types and the shared undo stack.
struct EditorEnv : EditorTestEnv
{
    EditorEnv()
    {
        customTypes = std::make_unique<CustomTypesStorage>(dir.filePath("customtypes.dat"));
        types = std::make_unique<EventTypesStorage>(customTypes.get(), dir.filePath("eventtypes.dat"));
        app.m_eventTypesStorage = types.get();
        app.m_undoObject = &undo;
        undo.clearUndoStack();
    }
    ~EditorEnv()
    {
        undo.clearUndoStack();
        app.m_undoObject = nullptr;
        app.m_eventTypesStorage = nullptr;
    }

    std::unique_ptr<CustomTypesStorage> customTypes;
    std::unique_ptr<EventTypesStorage> types;
    UndoObject undo;
};
