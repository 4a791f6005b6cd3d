#include "diagnostics/ui/widgetinfodialogform.h"

#include <QMetaObject>

namespace WidgetInfoDialogFormPrivate {

QLabel *plainLabel(QWidget *parent, const char *name, const QString &text)
{
    auto *result = new QLabel(text, parent);
    result->setObjectName(QLatin1String(name));
    return result;
}

QLabel *sectionLabel(QWidget *parent, const char *name, const QString &text, bool centred = false)
{
    QLabel *result = plainLabel(parent, name, text);
    QFont font;
    font.setFamily(QStringLiteral("Arial"));
    font.setUnderline(true);
    result->setFont(font);
    if (centred)
        result->setAlignment(Qt::AlignCenter);
    return result;
}

QSpinBox *spinBox(QWidget *parent, const char *name, int maximum)
{
    auto *box = new QSpinBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setRange(0, maximum);
    box->setMaximumWidth(60);
    return box;
}

QSpinBox *pixelBox(QWidget *parent, const char *name)
{
    return spinBox(parent, name, 99999999);
}

QSpinBox *marginBox(QWidget *parent, const char *name)
{
    return spinBox(parent, name, 999);
}

QDoubleSpinBox *pointBox(QWidget *parent, const char *name)
{
    auto *box = new QDoubleSpinBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setRange(0.0, 100000000.0);
    box->setMaximumWidth(60);
    return box;
}

template <class Box> Box *readOnlyHint(Box *box)
{
    box->setReadOnly(true);
    box->setButtonSymbols(QAbstractSpinBox::NoButtons);
    QPalette palette = box->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setBrush(group, QPalette::Base, QBrush(QColor(240, 240, 240)));
    box->setPalette(palette);
    return box;
}

QFrame *hLine(QWidget *parent, const char *name)
{
    auto *frame = new QFrame(parent);
    frame->setObjectName(QLatin1String(name));
    frame->setFrameShape(QFrame::HLine);
    frame->setFrameShadow(QFrame::Sunken);
    return frame;
}

QSpacerItem *spacer()
{
    return new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum);
}

// A one-line row of links that scrolls sideways and never grows taller than 50 pixels.
QScrollArea *valueScrollArea(QWidget *parent, const char *name, bool setScrollPolicy)
{
    auto *area = new QScrollArea(parent);
    area->setObjectName(QLatin1String(name));
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHorizontalStretch(0);
    policy.setVerticalStretch(0);
    policy.setHeightForWidth(area->sizePolicy().hasHeightForWidth());
    area->setSizePolicy(policy);
    area->setMaximumHeight(50);
    area->setFrameShape(QFrame::NoFrame);
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    if (setScrollPolicy)
        area->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    area->setWidgetResizable(true);
    return area;
}

} // namespace WidgetInfoDialogFormPrivate

using namespace WidgetInfoDialogFormPrivate;

namespace Ui {

void WidgetInfoDialog::setupUi(QWidget *container)
{
    if (container->objectName().isEmpty())
        container->setObjectName(QStringLiteral("WidgetInfoDialog"));
    container->resize(651, 675);
    QWidget *c = container;

    verticalLayout = new QVBoxLayout(c);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    verticalLayout->setSpacing(3);
    const QMargins margins = verticalLayout->contentsMargins();
    verticalLayout->setContentsMargins(margins.left(), 3, margins.right(), 3);

    title = plainLabel(c, "title", QStringLiteral("TextLabel"));
    QFont titleFont;
    titleFont.setFamily(QStringLiteral("Arial Black"));
    title->setFont(titleFont);
    title->setAlignment(Qt::AlignCenter);
    verticalLayout->addWidget(title);

    const auto linkRow = [&](QHBoxLayout *&row, const char *rowName, QLabel *&caption, const char *captionName,
                             const QString &captionText, QScrollArea *&area, const char *areaName, QWidget *&content,
                             const char *contentName, const QRect &geometry, QHBoxLayout *&contentLayout,
                             const char *contentLayoutName, QLabel *&value, const char *valueName, bool scrollPolicy) {
        row = new QHBoxLayout();
        row->setObjectName(QLatin1String(rowName));
        caption = sectionLabel(c, captionName, captionText);
        row->addWidget(caption);
        area = valueScrollArea(c, areaName, scrollPolicy);
        content = new QWidget();
        content->setObjectName(QLatin1String(contentName));
        content->setGeometry(geometry);
        contentLayout = new QHBoxLayout(content);
        contentLayout->setObjectName(QLatin1String(contentLayoutName));
        contentLayout->setContentsMargins(0, 0, 0, 0);
        value = plainLabel(content, valueName, QStringLiteral("TextLabel"));
        contentLayout->addWidget(value);
        area->setWidget(content);
        row->addWidget(area);
        verticalLayout->addLayout(row);
    };

    linkRow(horizontalLayout_6, "horizontalLayout_6", label_2, "label_2", QStringLiteral("Owners"), ownersScrollArea,
            "ownersScrollArea", ownersScrollAreaContent, "ownersScrollAreaContent", QRect(0, 0, 585, 50),
            horizontalLayout, "horizontalLayout", ownershipLabel, "ownershipLabel", true);
    line_6 = hLine(c, "line_6");
    verticalLayout->addWidget(line_6);
    linkRow(horizontalLayout_7, "horizontalLayout_7", label_3, "label_3", QStringLiteral("Children"),
            childrenScrollArea, "childrenScrollArea", childrenScrollAreaContent, "childrenScrollAreaContent",
            QRect(0, 0, 586, 50), horizontalLayout_4, "horizontalLayout_4", childrenLabel, "childrenLabel", true);
    line = hLine(c, "line");
    verticalLayout->addWidget(line);
    linkRow(horizontalLayout_8, "horizontalLayout_8", label2, "label2", QStringLiteral("Inheritance"),
            inheritanceScrollArea, "inheritanceScrollArea", inheritanceScrollAreaContent,
            "inheritanceScrollAreaContent", QRect(0, 0, 572, 50), horizontalLayout_2, "horizontalLayout_2",
            inheritanceLabel, "inheritanceLabel", false);
    line_2 = hLine(c, "line_2");
    verticalLayout->addWidget(line_2);

    gridLayout = new QGridLayout();
    gridLayout->setObjectName(QStringLiteral("gridLayout"));
    QGridLayout *g = gridLayout;
    label_6 = sectionLabel(c, "label_6", QStringLiteral("Position"), true);
    label_8 = sectionLabel(c, "label_8", QStringLiteral("Size"), true);
    label_27 = sectionLabel(c, "label_27", QStringLiteral("Minimum Size"), true);
    label_28 = sectionLabel(c, "label_28", QStringLiteral("Maximum Size"), true);
    g->addWidget(label_6, 0, 1, 1, 2);
    g->addWidget(label_8, 0, 3, 1, 2);
    g->addWidget(label_27, 0, 5, 1, 2);
    g->addWidget(label_28, 0, 7, 1, 2);
    label_7 = plainLabel(c, "label_7", QStringLiteral("X"));
    label_9 = plainLabel(c, "label_9", QStringLiteral("Y"));
    label_14 = plainLabel(c, "label_14", QStringLiteral("Width"));
    label_15 = plainLabel(c, "label_15", QStringLiteral("Height"));
    label_17 = plainLabel(c, "label_17", QStringLiteral("Width"));
    label_18 = plainLabel(c, "label_18", QStringLiteral("Height"));
    label_20 = plainLabel(c, "label_20", QStringLiteral("Width"));
    label_21 = plainLabel(c, "label_21", QStringLiteral("Height"));
    int column = 1;
    for (QLabel *caption : {label_7, label_9, label_14, label_15, label_17, label_18, label_20, label_21})
        g->addWidget(caption, 1, column++);

    label_12 = plainLabel(c, "label_12", QStringLiteral("Pixels"));
    label_13 = plainLabel(c, "label_13", QStringLiteral("Points"));
    g->addWidget(label_12, 3, 0);
    g->addWidget(label_13, 4, 0);
    posPxX = pixelBox(c, "posPxX");
    posPxY = pixelBox(c, "posPxY");
    sizePxWidth = pixelBox(c, "sizePxWidth");
    sizePxHeight = pixelBox(c, "sizePxHeight");
    minSizePxWidth = pixelBox(c, "minSizePxWidth");
    minSizePxHeight = pixelBox(c, "minSizePxHeight");
    maxSizePxWidth = pixelBox(c, "maxSizePxWidth");
    maxSizePxHeight = pixelBox(c, "maxSizePxHeight");
    posPtX = pointBox(c, "posPtX");
    posPtY = pointBox(c, "posPtY");
    sizePtWidth = pointBox(c, "sizePtWidth");
    sizePtHeight = pointBox(c, "sizePtHeight");
    minSizePtWidth = pointBox(c, "minSizePtWidth");
    minSizePtHeight = pointBox(c, "minSizePtHeight");
    maxSizePtWidth = pointBox(c, "maxSizePtWidth");
    maxSizePtHeight = pointBox(c, "maxSizePtHeight");
    column = 1;
    for (QSpinBox *box :
         {posPxX, posPxY, sizePxWidth, sizePxHeight, minSizePxWidth, minSizePxHeight, maxSizePxWidth, maxSizePxHeight})
        g->addWidget(box, 3, column++);
    column = 1;
    for (QDoubleSpinBox *box :
         {posPtX, posPtY, sizePtWidth, sizePtHeight, minSizePtWidth, minSizePtHeight, maxSizePtWidth, maxSizePtHeight})
        g->addWidget(box, 4, column++);
    line_5 = hLine(c, "line_5");
    g->addWidget(line_5, 5, 0, 1, 9);

    label_22 = sectionLabel(c, "label_22", QStringLiteral("Left Margin"), true);
    label_24 = sectionLabel(c, "label_24", QStringLiteral("Right Margin"), true);
    label_26 = sectionLabel(c, "label_26", QStringLiteral("Top Margin"), true);
    label_31 = sectionLabel(c, "label_31", QStringLiteral("Bottom Margin"), true);
    label_32 = sectionLabel(c, "label_32", QStringLiteral("Spacing"), true);
    column = 1;
    for (QLabel *caption : {label_22, label_24, label_26, label_31, label_32})
        g->addWidget(caption, 6, column++);
    label = plainLabel(c, "label", QStringLiteral("Widget"));
    label_4 = plainLabel(c, "label_4", QStringLiteral("Layout"));
    g->addWidget(label, 7, 0);
    g->addWidget(label_4, 8, 0);
    leftMargin = marginBox(c, "leftMargin");
    rightMargin = marginBox(c, "rightMargin");
    topMargin = marginBox(c, "topMargin");
    bottomMargin = marginBox(c, "bottomMargin");
    column = 1;
    for (QSpinBox *box : {leftMargin, rightMargin, topMargin, bottomMargin})
        g->addWidget(box, 7, column++);
    leftMarginLayout = marginBox(c, "leftMarginLayout");
    rightMarginLayout = marginBox(c, "rightMarginLayout");
    topMarginLayout = marginBox(c, "topMarginLayout");
    bottomMarginLayout = marginBox(c, "bottomMarginLayout");
    spacing = marginBox(c, "spacing");
    column = 1;
    for (QSpinBox *box : {leftMarginLayout, rightMarginLayout, topMarginLayout, bottomMarginLayout, spacing})
        g->addWidget(box, 8, column++);
    line_4 = hLine(c, "line_4");
    g->addWidget(line_4, 9, 0, 1, 9);

    label_16 = sectionLabel(c, "label_16", QStringLiteral("Size Hint"), true);
    label_19 = sectionLabel(c, "label_19", QStringLiteral("Minimum Size Hint"), true);
    label_5 = plainLabel(c, "label_5", QStringLiteral("Property"));
    g->addWidget(label_16, 10, 1, 1, 2);
    g->addWidget(label_19, 10, 3, 1, 2);
    g->addWidget(label_5, 10, 7);
    label_30 = plainLabel(c, "label_30", QStringLiteral("Pixels"));
    label_29 = plainLabel(c, "label_29", QStringLiteral("Points"));
    g->addWidget(label_30, 11, 0);
    g->addWidget(label_29, 12, 0);
    sizeHintPxWidth = readOnlyHint(pixelBox(c, "sizeHintPxWidth"));
    sizeHintPxHeight = readOnlyHint(pixelBox(c, "sizeHintPxHeight"));
    minSizeHintPxWidth = readOnlyHint(pixelBox(c, "minSizeHintPxWidth"));
    minSizeHintPxHeight = readOnlyHint(pixelBox(c, "minSizeHintPxHeight"));
    sizeHintPtWidth = readOnlyHint(pointBox(c, "sizeHintPtWidth"));
    sizeHintPtHeight = readOnlyHint(pointBox(c, "sizeHintPtHeight"));
    minSizeHintPtWidth = readOnlyHint(pointBox(c, "minSizeHintPtWidth"));
    minSizeHintPtHeight = readOnlyHint(pointBox(c, "minSizeHintPtHeight"));
    column = 1;
    for (QSpinBox *box : {sizeHintPxWidth, sizeHintPxHeight, minSizeHintPxWidth, minSizeHintPxHeight})
        g->addWidget(box, 11, column++);
    column = 1;
    for (QDoubleSpinBox *box : {sizeHintPtWidth, sizeHintPtHeight, minSizeHintPtWidth, minSizeHintPtHeight})
        g->addWidget(box, 12, column++);
    label_33 = plainLabel(c, "label_33", QStringLiteral("Name"));
    label_34 = plainLabel(c, "label_34", QStringLiteral("Value"));
    g->addWidget(label_33, 11, 6);
    g->addWidget(label_34, 12, 6);
    propertyName = new QComboBox(c);
    propertyName->setObjectName(QStringLiteral("propertyName"));
    g->addWidget(propertyName, 11, 7, 1, 2);
    horizontalLayout_5 = new QHBoxLayout();
    horizontalLayout_5->setObjectName(QStringLiteral("horizontalLayout_5"));
    horizontalLayout_5->setSpacing(0);
    propertyValue = new QLineEdit(c);
    propertyValue->setObjectName(QStringLiteral("propertyValue"));
    propertyValueCombo = new QComboBox(c);
    propertyValueCombo->setObjectName(QStringLiteral("propertyValueCombo"));
    horizontalLayout_5->addWidget(propertyValue);
    horizontalLayout_5->addWidget(propertyValueCombo);
    g->addLayout(horizontalLayout_5, 12, 7, 1, 2);
    verticalLayout->addLayout(g);

    line_3 = hLine(c, "line_3");
    verticalLayout->addWidget(line_3);
    label_10 = sectionLabel(c, "label_10", QStringLiteral("Color at cursor"));
    verticalLayout->addWidget(label_10);
    gridLayout_2 = new QGridLayout();
    gridLayout_2->setObjectName(QStringLiteral("gridLayout_2"));
    label_11 = plainLabel(c, "label_11", QStringLiteral("Dec"));
    colorDec = plainLabel(c, "colorDec", QStringLiteral("TextLabel"));
    label_23 = plainLabel(c, "label_23", QStringLiteral("Hex"));
    colorHex = plainLabel(c, "colorHex", QStringLiteral("TextLabel"));
    label_25 = plainLabel(c, "label_25", QStringLiteral("Html"));
    colorHtml = plainLabel(c, "colorHtml", QStringLiteral("TextLabel"));
    gridLayout_2->addWidget(label_11, 0, 0);
    gridLayout_2->addWidget(colorDec, 0, 1);
    gridLayout_2->addItem(spacer(), 0, 2);
    gridLayout_2->addWidget(label_23, 0, 3);
    gridLayout_2->addWidget(colorHex, 0, 4);
    gridLayout_2->addItem(spacer(), 0, 5);
    gridLayout_2->addWidget(label_25, 0, 6);
    gridLayout_2->addWidget(colorHtml, 0, 7);
    gridLayout_2->addItem(spacer(), 0, 8);
    verticalLayout->addLayout(gridLayout_2);

    gridLayout_3 = new QGridLayout();
    gridLayout_3->setObjectName(QStringLiteral("gridLayout_3"));
    stylesLabel = sectionLabel(c, "stylesLabel", QStringLiteral("Applied Styles"));
    stylesLabel_2 = sectionLabel(c, "stylesLabel_2", QStringLiteral("Own Styles (editable)"));
    styles = new QPlainTextEdit(c);
    styles->setObjectName(QStringLiteral("styles"));
    styles->setReadOnly(true);
    styles->setBackgroundVisible(false);
    ownStyles = new QPlainTextEdit(c);
    ownStyles->setObjectName(QStringLiteral("ownStyles"));
    gridLayout_3->addWidget(stylesLabel, 0, 0);
    gridLayout_3->addWidget(stylesLabel_2, 0, 1);
    gridLayout_3->addWidget(styles, 1, 0);
    gridLayout_3->addWidget(ownStyles, 1, 1);
    verticalLayout->addLayout(gridLayout_3);

    horizontalLayout_3 = new QHBoxLayout();
    horizontalLayout_3->setObjectName(QStringLiteral("horizontalLayout_3"));
    frame = new QCheckBox(QStringLiteral("Show Frame"), c);
    frame->setObjectName(QStringLiteral("frame"));
    frame->setChecked(true);
    closeButton = new QPushButton(QStringLiteral("Close"), c);
    closeButton->setObjectName(QStringLiteral("closeButton"));
    closeButton->setAutoDefault(true);
    closeButton->setDefault(true);
    horizontalLayout_3->addWidget(frame);
    horizontalLayout_3->addItem(spacer());
    horizontalLayout_3->addWidget(closeButton);
    verticalLayout->addLayout(horizontalLayout_3);

    container->setWindowTitle(QStringLiteral("Widget Info"));
    retranslateUi(container);
    QMetaObject::connectSlotsByName(container);
}

void WidgetInfoDialog::retranslateUi(QWidget *)
{
    posPxX->setSuffix(QString());
    posPtX->setSuffix(QString());
    posPxY->setSuffix(QString());
    posPtY->setSuffix(QString());
}

} // namespace Ui
