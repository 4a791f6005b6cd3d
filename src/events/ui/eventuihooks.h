#pragma once

#include <functional>

class AbstractCommonEvent;
class EventEditDialog;
class EventForm;
class QPixmap;
class QWidget;

// Connects the event model to the widgets: the kinds' edit forms, the information frame, the edit
// dialog and the form pictures. Installed once at start through ProcessHooks. `runEditDialog` runs
// the edit dialog once (tests answer it there); empty, the dialog runs modally.
void installEventUiHooks(std::function<int(EventEditDialog &)> runEditDialog = {});
// Empties the hooks installEventUiHooks set.
void removeEventUiHooks();

// A new edit form of the event's kind on `parent`, honouring the event's custom type. It is not
// the event's open form, so a preview never disturbs an open edit dialog.
EventForm *makeEventForm(AbstractCommonEvent *event, QWidget *parent);

// The event's form rendered off screen into a picture of its size (previews of a kind or a custom type).
QPixmap renderEditorPixmap(AbstractCommonEvent *event);
