#include "app/processhooks.h"

#include "core/log.h"
#include "events/ui/eventeditdialog.h"
#include "events/ui/eventuihooks.h"
#include "widgets/dialog.h"

namespace ProcessHooksPrivate {
// A second set would empty the first one's hooks when it goes.
bool s_installed = false;
} // namespace ProcessHooksPrivate

ProcessHooks::ProcessHooks()
{
    QR_ASSERT(!ProcessHooksPrivate::s_installed);
    ProcessHooksPrivate::s_installed = true;
    installEventUiHooks([this](EventEditDialog &dialog) {
        return runEditDialog ? runEditDialog(dialog) : Dialog::execWindowModal(&dialog);
    });
}

ProcessHooks::~ProcessHooks()
{
    removeEventUiHooks();
    ProcessHooksPrivate::s_installed = false;
}
