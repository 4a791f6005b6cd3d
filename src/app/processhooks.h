#pragma once

#include <functional>

class EventEditDialog;

// The hooks of the whole process through which the lower layers reach the widgets: the kinds' edit
// forms, the information frame, the edit dialog and the form pictures that an event asks for. The
// program installs them once, in main, before the application; whatever builds an application
// without main (a test, a benchmark) holds one as main does. When it goes the hooks are empty again.
class ProcessHooks
{
public:
    ProcessHooks();
    ~ProcessHooks();

    ProcessHooks(const ProcessHooks &) = delete;
    ProcessHooks &operator=(const ProcessHooks &) = delete;

    // How the edit dialog runs once; empty, modally for the user. Tests answer the dialog here.
    std::function<int(EventEditDialog &dialog)> runEditDialog;
};
