#pragma once

#include "widgets/dialog.h"

#include <memory>

namespace Ui {
class UpdateDialog;
}

// Tells the user that the server offers a newer version: its news, a link that opens the download
// page in the browser, and a link that silences the notice until a later version.
class UpdateDialog : public Dialog
{
    Q_OBJECT

public:
    UpdateDialog();
    ~UpdateDialog() override;

public slots:
    void download();
    void dontRemind();

private:
    std::unique_ptr<Ui::UpdateDialog> m_ui;
};
