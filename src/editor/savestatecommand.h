#pragma once

#include <QUndoCommand>
#include <QVariant>
#include <QVariantMap>

// Undo of a change that touches many things at once (calendars, the event types tree).
// Push it before changing the target: the push's redo records the state before the change, and
// every later undo or redo swaps the recorded state with the target's present one.
// T needs `QVariantMap state() const` and `void setState(const QVariantMap &)`.
template <class T> class SaveStateCommand : public QUndoCommand
{
public:
    SaveStateCommand(T *target, const QString &text) : QUndoCommand(text), m_target(target) {}

    void undo() override { redo(); }

    void redo() override
    {
        const QVariant current = QVariant(m_target->state());
        // Validity, not emptiness, marks the first call: an empty recorded state still counts.
        if (m_state.isValid())
            m_target->setState(m_state.toMap());
        m_state = current;
    }

private:
    T *m_target;
    QVariant m_state;
};
