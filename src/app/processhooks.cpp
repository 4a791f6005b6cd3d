#include "app/processhooks.h"

#include "events/ui/eventeditdialog.h"
#include "events/ui/eventuihooks.h"

ProcessHooks::ProcessHooks()
{
    installEventUiHooks([this](EventEditDialog &dialog) { return runEditDialog ? runEditDialog(dialog) : dialog.exec(); });
}

ProcessHooks::~ProcessHooks()
{
    removeEventUiHooks();
}
