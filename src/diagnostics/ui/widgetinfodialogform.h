#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSpacerItem>
#include <QSpinBox>
#include <QVBoxLayout>

namespace Ui {

// The widget inspector's form: fixed controls under fixed object names, filled by the inspector.
struct WidgetInfoDialog
{
    QVBoxLayout *verticalLayout;
    QLabel *title;
    QHBoxLayout *horizontalLayout_6;
    QLabel *label_2;
    QScrollArea *ownersScrollArea;
    QWidget *ownersScrollAreaContent;
    QHBoxLayout *horizontalLayout;
    QLabel *ownershipLabel;
    QFrame *line_6;
    QHBoxLayout *horizontalLayout_7;
    QLabel *label_3;
    QScrollArea *childrenScrollArea;
    QWidget *childrenScrollAreaContent;
    QHBoxLayout *horizontalLayout_4;
    QLabel *childrenLabel;
    QFrame *line;
    QHBoxLayout *horizontalLayout_8;
    QLabel *label2;
    QScrollArea *inheritanceScrollArea;
    QWidget *inheritanceScrollAreaContent;
    QHBoxLayout *horizontalLayout_2;
    QLabel *inheritanceLabel;
    QFrame *line_2;
    QGridLayout *gridLayout;
    QLabel *label_6, *label_8, *label_27, *label_28;
    QLabel *label_7, *label_9, *label_14, *label_15, *label_17, *label_18, *label_20, *label_21;
    QLabel *label_12, *label_13;
    QSpinBox *posPxX, *posPxY, *sizePxWidth, *sizePxHeight, *minSizePxWidth, *minSizePxHeight, *maxSizePxWidth,
        *maxSizePxHeight;
    QDoubleSpinBox *posPtX, *posPtY, *sizePtWidth, *sizePtHeight, *minSizePtWidth, *minSizePtHeight, *maxSizePtWidth,
        *maxSizePtHeight;
    QFrame *line_5;
    QLabel *label_22, *label_24, *label_26, *label_31, *label_32;
    QLabel *label, *label_4;
    QSpinBox *leftMargin, *rightMargin, *topMargin, *bottomMargin;
    QSpinBox *leftMarginLayout, *rightMarginLayout, *topMarginLayout, *bottomMarginLayout, *spacing;
    QFrame *line_4;
    QLabel *label_16, *label_19, *label_5, *label_30, *label_29, *label_33, *label_34;
    QSpinBox *sizeHintPxWidth, *sizeHintPxHeight, *minSizeHintPxWidth, *minSizeHintPxHeight;
    QDoubleSpinBox *sizeHintPtWidth, *sizeHintPtHeight, *minSizeHintPtWidth, *minSizeHintPtHeight;
    QComboBox *propertyName;
    QHBoxLayout *horizontalLayout_5;
    QLineEdit *propertyValue;
    QComboBox *propertyValueCombo;
    QFrame *line_3;
    QLabel *label_10;
    QGridLayout *gridLayout_2;
    QLabel *label_11, *colorDec, *label_23, *colorHex, *label_25, *colorHtml;
    QGridLayout *gridLayout_3;
    QLabel *stylesLabel, *stylesLabel_2;
    QPlainTextEdit *styles, *ownStyles;
    QHBoxLayout *horizontalLayout_3;
    QCheckBox *frame;
    QPushButton *closeButton;

    void setupUi(QWidget *container);
    void retranslateUi(QWidget *container);
};

} // namespace Ui
