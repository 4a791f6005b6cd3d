#pragma once

#include <QByteArray>
#include <QDialog>
#include <QVariant>

// Base of the program's windows. A window given a geometry id keeps its place and size in the
// settings under that id: restored on every show, saved on every hide, followed when the setting
// changes (another window with the same id was moved). Windows never show a context-help button.
class Dialog : public QDialog
{
    Q_OBJECT

public:
    Dialog(QWidget *parent, const QByteArray &geometrySid, Qt::WindowFlags flags = {});
    ~Dialog() override;

    QByteArray geometrySid() const { return m_geometrySid; }

    // Flags for a window of fixed size: a title and a close button, and no maximise button that
    // could only stretch an empty frame around it.
    static Qt::WindowFlags fixedSizeFlags(Qt::WindowFlags flags);
    // Runs the dialog modal to its own window only: a reminder that opens meanwhile, and the program's
    // other windows, stay usable.
    static int execWindowModal(QDialog *dialog);

    void saveWindowGeometry();
    void restoreWindowGeometry();
    // Takes the place where the window server has the shown window, once it was activated: Qt may have asked
    // while the window manager's new frame still stood at the screen's corner, and then places popups, and the
    // window itself at its next resize, from that corner.
    void takePlaceFromServer();

protected:
    void addGeometryProperty();
    // Forgets the id for good (a gadget the user closed); later hides store nothing.
    void removeGeometryProperty();

    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void onPropertyChanged(const QByteArray &id, const QVariant &value);

private:
    QByteArray m_geometrySid;
    // Set from a show until the window is first exposed: only then does the window manager's frame
    // around it have a size, and the whole frame is fitted into the screen again.
    bool m_fitFramePending = false;
    // Set from a show until the window is first activated: the window manager may still be placing it, and
    // where the window server has it meanwhile is not yet its place.
    bool m_placePending = false;
};
