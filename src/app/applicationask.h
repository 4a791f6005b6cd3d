#pragma once

class QDialog;

// Runs the application's modal windows, so tests can drive them without a modal loop. Messages and
// questions go through Common::UserMessages.
class IApplicationAsk
{
public:
    virtual ~IApplicationAsk() = default;
    // Runs the window modally and returns its result; test doubles that open windows replace it.
    virtual int runModal(QDialog *dialog);
};
