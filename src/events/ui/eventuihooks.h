#pragma once

// Connects the event model to the widgets: user errors an event finds while loading are shown as
// message boxes. The application calls it once at start.
void installEventUiHooks();
