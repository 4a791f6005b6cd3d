#pragma once

#include "widgets/dialog.h"

#include <QFrame>
#include <QMap>
#include <QPointer>
#include <QRect>
#include <QTimer>

#include <memory>

namespace Ui {
struct WidgetInfoDialog;
}

namespace Debug {

// Four thin frames around a widget's rectangle, children of its parent so that they go with it.
class HighlightFrame
{
public:
    HighlightFrame(QWidget *parent, const QRect &rect);
    ~HighlightFrame();

    QRect rect() const { return m_rect; }
    bool isVisible() const;
    void setVisible(bool visible);

private:
    QMap<int, QPointer<QFrame>> m_edges;
    QRect m_rect;
};

// A developer's window over one live widget: its owners and children as links, its class chain,
// geometry in pixels and points, margins, one property at a time, the colour under the pointer, the
// style-sheet rules that apply to it and its own sheet, which can be edited live.
class WidgetInfoDialog : public Dialog
{
    Q_OBJECT

public:
    WidgetInfoDialog(QWidget *widget, QWidget *parent);
    ~WidgetInfoDialog() override;

    QWidget *widget() const { return m_widget; }
    HighlightFrame *highlightFrame() const { return m_frame.get(); }
    // The widgets behind the owner and children links, by link number.
    QMap<int, QPointer<QWidget>> hierarchy() const { return m_hierarchy; }

    void updateInfo();
    void updateProperties();
    void updateColor();
    void updateStyles();

private slots:
    void updateFrame();
    void showNextWidget(const QString &link);
    void setPosPxX(int value);
    void setPosPxY(int value);
    void setPosPtX(double value);
    void setPosPtY(double value);
    void setSizePxX(int value);
    void setSizePxY(int value);
    void setSizePtX(double value);
    void setSizePtY(double value);
    void setMinSizePxX(int value);
    void setMinSizePxY(int value);
    void setMinSizePtX(double value);
    void setMinSizePtY(double value);
    void setMaxSizePxX(int value);
    void setMaxSizePxY(int value);
    void setMaxSizePtX(double value);
    void setMaxSizePtY(double value);
    void setLeftMargin(int value);
    void setRightMargin(int value);
    void setTopMargin(int value);
    void setBottomMargin(int value);
    void setLeftMarginLayout(int value);
    void setRightMarginLayout(int value);
    void setTopMarginLayout(int value);
    void setBottomMarginLayout(int value);
    void setSpacing(int value);
    void adjustScrollAreasSize();
    void blinkFrame();
    void onPropertyNameEdited(const QString &name);
    void onPropertyValueEdited(const QString &text);
    void onPropertyComboChanged();
    void onStyleChanged();

private:
    QString makeLink(QWidget *widget);
    double dpi() const;
    int toPixels(double points) const;
    // Applies a change to the inspected widget and refreshes, unless the form is being filled.
    template <class Change> void change(Change apply);
    void setMargin(int side, int value, bool layout);

    QMap<int, QPointer<QWidget>> m_hierarchy;
    std::unique_ptr<HighlightFrame> m_frame;
    QTimer m_frameTimer;
    std::unique_ptr<Ui::WidgetInfoDialog> m_ui;
    QPointer<QWidget> m_widget;
    bool m_updating = false;
};

} // namespace Debug
