#pragma once

#include "app/settingsdialogform.h"
#include "app/settingsvalues.h"

#include <QDialog>
#include <QFont>
#include <QGradientStops>

#include <functional>

class QAbstractButton;

// The window where the user changes the general and the bar's settings. It only reads and writes
// the property store: what a changed value does is up to the store's listeners. Made once and kept;
// every show reloads the controls from the store.
class SettingsDialog : public QDialog, public Ui_settingsDialog
{
    Q_OBJECT

public:
    // The pickers of the window, so tests answer them; its questions go through Common::UserMessages.
    struct Ask
    {
        std::function<QColor(QWidget *parent, const QColor &initial)> color; // invalid when cancelled
        std::function<bool(QWidget *parent, QFont *font)> font;              // false when cancelled
    };
    static Ask defaultAsk();

    // `screenCount` below 0: the screens present.
    explicit SettingsDialog(const Ask &ask = defaultAsk(), int screenCount = -1);
    ~SettingsDialog() override;

    void load();
    void apply();
    // What the controls show now, as the store would get it.
    SettingsValues shownValues() const;
    QGradientStops gradient() const { return m_backgroundGradientData; }
    QFont editedFont() const { return m_font; }
    QColor textColor() const;
    bool isDirty() const;

public slots:
    void setDirty(bool dirty = true);
    void onPositionChanged(int index);
    void onButtonBoxClicked(QAbstractButton *button);
    void onFontButtonClicked();
    void onTextColorButtonClicked();
    void onBgColor1ButtonClicked();
    void onBgColor2ButtonClicked();
    void onPanelPositionChanged(int index);
    void onTextDirecionChanged(int index);

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showValues(const SettingsValues &values);
    // Fixes the window to the size the shown page needs.
    void fitToPage();
    void showGradient();
    void pickGradientEnd(bool first);
    QColor pickColor(const QColor &initial);

    Ask m_ask;
    QGradientStops m_backgroundGradientData;
    QList<SettingsValues::Language> m_languages;
    QFont m_font;
};
