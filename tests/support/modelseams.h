#pragma once

#include "core/langs.h"
#include "events/system/openurlevent.h"

#include <QList>
#include <QStringList>
#include <QUrl>

// The seams below the widgets, with a test's stand-ins while it lives: web pages go to a list
// instead of the browser, and the installed translations lie where the test says. When it goes,
// each seam is the program's own again.
class ModelSeams
{
public:
    ModelSeams()
    {
        OpenUrlEvent::setUrlOpener([this](const QUrl &url) {
            openedUrls << url;
            return opensUrls;
        });
    }
    ~ModelSeams()
    {
        OpenUrlEvent::setUrlOpener({});
        Langs::setInstalledFolders({});
    }
    ModelSeams(const ModelSeams &) = delete;
    ModelSeams &operator=(const ModelSeams &) = delete;

    // Folders of installed translations in place of the system's; empty, the system's.
    void setLanguageFolders(const QStringList &folders) { Langs::setInstalledFolders(folders); }

    // The web pages handed to the browser, and what the browser answers.
    QList<QUrl> openedUrls;
    bool opensUrls = true;
};
