#pragma once

#include <QString>

// Whether the program's windows can be shown in this session, as far as can be told before the GUI
// starts: without a display Qt would abort with a core dump instead of saying so.
class DisplayCheck
{
public:
    DisplayCheck();
    ~DisplayCheck();
    DisplayCheck(const DisplayCheck &) = delete;
    DisplayCheck &operator=(const DisplayCheck &) = delete;

    // Why not, or empty when they can.
    QString problem() const { return m_problem; }
    // Once the GUI holds its own connection. Until then the check's connection stays open: an X
    // server left without clients resets, and a connection made meanwhile is refused.
    void release();

private:
    QString m_problem;
    void *m_connection = nullptr;
};
