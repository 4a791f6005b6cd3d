#include "editor/editorresources.h"

#include <QtGlobal>
#include <QResource>

static void initResourcesOnce()
{
    Q_INIT_RESOURCE(editor);
}

void initEditorResources()
{
    static const bool s_done = (initResourcesOnce(), true);
    Q_UNUSED(s_done);
}
