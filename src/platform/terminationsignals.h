#pragma once

#include <QObject>

class QSocketNotifier;

// Brings SIGTERM, SIGINT and SIGHUP (log-out, shut-down, Ctrl+C) into the event loop as a Qt signal, so
// that the program ends the way its own Exit does instead of dying with its changes. Also ignores
// SIGXFSZ: a write beyond the file-size limit then fails with an error the save reports.
// One per process; the handlers are put back to the default when it goes.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

    // False when the signals could not be taken over; they then end the program as before.
    bool isWatching() const { return m_notifier != nullptr; }
    // For the whole process, from its first write on (the instance lock); the constructor does it too.
    static void ignoreFileSizeSignal();

signals:
    // Emitted from the event loop, never from inside the signal handler.
    void terminationRequested(int signalNumber);

private:
    void onReadable();

    QSocketNotifier *m_notifier = nullptr;
};
