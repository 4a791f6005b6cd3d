#include "diagnostics/ui/widgetinfodialog.h"

#include "core/log.h"
#include "core/settingkeys.h"
#include "diagnostics/ui/widgetinfodialogform.h"
#include "diagnostics/widgetinfotexts.h"
#ifdef QR_HAVE_CSS_SELECTOR
#include "diagnostics/ui/qstylesheetstyleselector.h"
#endif

#include <QBoxLayout>
#include <QCursor>
#include <QFormLayout>
#include <QGridLayout>
#include <QImage>
#include <QMetaEnum>
#include <QMetaProperty>

namespace Debug {

HighlightFrame::HighlightFrame(QWidget *parent, const QRect &rect) : m_rect(rect)
{
    if (!parent)
        return;
    const QRect edges[] = {
        QRect(rect.left(), rect.top(), 1, rect.height()), QRect(rect.right(), rect.top(), 1, rect.height()),
        QRect(rect.left(), rect.top(), rect.width(), 1), QRect(rect.left(), rect.bottom(), rect.width(), 1)};
    for (int i = 0; i < 4; ++i) {
        auto *edge = new QFrame(parent);
        edge->setFrameShape(QFrame::Box);
        edge->setFrameShadow(QFrame::Plain);
        edge->setLineWidth(2);
        edge->setGeometry(edges[i]);
        edge->hide();
        m_edges.insert(i, edge);
    }
}

HighlightFrame::~HighlightFrame()
{
    for (const QPointer<QFrame> &edge : qAsConst(m_edges))
        delete edge.data();
}

bool HighlightFrame::isVisible() const
{
    const QFrame *left = m_edges.value(0);
    return left && left->isVisible();
}

void HighlightFrame::setVisible(bool visible)
{
    for (const QPointer<QFrame> &edge : qAsConst(m_edges)) {
        if (edge)
            edge->setVisible(visible);
    }
}

WidgetInfoDialog::WidgetInfoDialog(QWidget *widget, QWidget *parent)
    : Dialog(parent, Setting::WidgetInfoDialogGeometry, Qt::Dialog | Qt::Tool),
      m_ui(std::make_unique<Ui::WidgetInfoDialog>()), m_widget(widget)
{
    QR_ASSERT(widget);
    auto *container = new QWidget(this);
    m_ui->setupUi(container);
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(container);
    setWindowTitle(QStringLiteral("Widget Info"));

    updateProperties();
    updateInfo();
    updateColor();
    updateStyles();

    Ui::WidgetInfoDialog &ui = *m_ui;
    connect(ui.frame, &QCheckBox::stateChanged, this, &WidgetInfoDialog::updateFrame);
    connect(ui.ownershipLabel, &QLabel::linkActivated, this, &WidgetInfoDialog::showNextWidget);
    connect(ui.childrenLabel, &QLabel::linkActivated, this, &WidgetInfoDialog::showNextWidget);
    const auto connectInt = [this](QSpinBox *box, void (WidgetInfoDialog::*slot)(int)) {
        connect(box, &QSpinBox::valueChanged, this, slot);
    };
    const auto connectReal = [this](QDoubleSpinBox *box, void (WidgetInfoDialog::*slot)(double)) {
        connect(box, &QDoubleSpinBox::valueChanged, this, slot);
    };
    connectInt(ui.posPxX, &WidgetInfoDialog::setPosPxX);
    connectInt(ui.posPxY, &WidgetInfoDialog::setPosPxY);
    connectReal(ui.posPtX, &WidgetInfoDialog::setPosPtX);
    connectReal(ui.posPtY, &WidgetInfoDialog::setPosPtY);
    connectInt(ui.sizePxWidth, &WidgetInfoDialog::setSizePxX);
    connectInt(ui.sizePxHeight, &WidgetInfoDialog::setSizePxY);
    connectReal(ui.sizePtWidth, &WidgetInfoDialog::setSizePtX);
    connectReal(ui.sizePtHeight, &WidgetInfoDialog::setSizePtY);
    connectInt(ui.minSizePxWidth, &WidgetInfoDialog::setMinSizePxX);
    connectInt(ui.minSizePxHeight, &WidgetInfoDialog::setMinSizePxY);
    connectReal(ui.minSizePtWidth, &WidgetInfoDialog::setMinSizePtX);
    connectReal(ui.minSizePtHeight, &WidgetInfoDialog::setMinSizePtY);
    connectInt(ui.maxSizePxWidth, &WidgetInfoDialog::setMaxSizePxX);
    connectInt(ui.maxSizePxHeight, &WidgetInfoDialog::setMaxSizePxY);
    connectReal(ui.maxSizePtWidth, &WidgetInfoDialog::setMaxSizePtX);
    connectReal(ui.maxSizePtHeight, &WidgetInfoDialog::setMaxSizePtY);
    connectInt(ui.leftMargin, &WidgetInfoDialog::setLeftMargin);
    connectInt(ui.rightMargin, &WidgetInfoDialog::setRightMargin);
    connectInt(ui.topMargin, &WidgetInfoDialog::setTopMargin);
    connectInt(ui.bottomMargin, &WidgetInfoDialog::setBottomMargin);
    connectInt(ui.leftMarginLayout, &WidgetInfoDialog::setLeftMarginLayout);
    connectInt(ui.rightMarginLayout, &WidgetInfoDialog::setRightMarginLayout);
    connectInt(ui.topMarginLayout, &WidgetInfoDialog::setTopMarginLayout);
    connectInt(ui.bottomMarginLayout, &WidgetInfoDialog::setBottomMarginLayout);
    connectInt(ui.spacing, &WidgetInfoDialog::setSpacing);
    connect(ui.propertyName, &QComboBox::currentTextChanged, this, &WidgetInfoDialog::onPropertyNameEdited);
    connect(ui.propertyValue, &QLineEdit::textEdited, this, &WidgetInfoDialog::onPropertyValueEdited);
    connect(ui.propertyValueCombo, &QComboBox::activated, this, &WidgetInfoDialog::onPropertyComboChanged);
    connect(ui.ownStyles, &QPlainTextEdit::textChanged, this, &WidgetInfoDialog::onStyleChanged);
    connect(ui.closeButton, &QPushButton::clicked, this, &QDialog::close);

    m_frameTimer.setInterval(500);
    m_frameTimer.setSingleShot(false);
    connect(&m_frameTimer, &QTimer::timeout, this, &WidgetInfoDialog::blinkFrame);
    m_frameTimer.start();
}

WidgetInfoDialog::~WidgetInfoDialog() = default;

double WidgetInfoDialog::dpi() const
{
    return m_widget ? m_widget->logicalDpiX() : 96.0;
}

int WidgetInfoDialog::toPixels(double points) const
{
    return pixelsFromPoints(points, dpi());
}

QString WidgetInfoDialog::makeLink(QWidget *widget)
{
    const int number = int(m_hierarchy.size());
    m_hierarchy.insert(number, widget);
    return linkText(number, QString::fromLatin1(widget->metaObject()->className()), widget->objectName());
}

void WidgetInfoDialog::updateInfo()
{
    if (!m_widget)
        return;
    m_updating = true;
    m_frame.reset();
    Ui::WidgetInfoDialog &ui = *m_ui;
    ui.title->setText(QStringLiteral("%1 (%2)").arg(QString::fromLatin1(m_widget->metaObject()->className()),
                                                    m_widget->objectName()));

    m_hierarchy.clear();
    QStringList owners;
    for (QWidget *w = m_widget; w; w = w->parentWidget()) {
        owners << makeLink(w);
        if (w->isWindow())
            break;
    }
    owners.removeFirst();
    ui.ownershipLabel->setText(ownersText(owners));
    QStringList children;
    for (QObject *child : m_widget->children()) {
        if (auto *w = qobject_cast<QWidget *>(child))
            children << makeLink(w);
    }
    ui.childrenLabel->setText(childrenText(children));
    QStringList chain;
    for (const QMetaObject *meta = m_widget->metaObject(); meta; meta = meta->superClass())
        chain << QString::fromLatin1(meta->className());
    ui.inheritanceLabel->setText(chain.join(QStringLiteral(" - ")));
    QMetaObject::invokeMethod(this, &WidgetInfoDialog::adjustScrollAreasSize, Qt::QueuedConnection);

    const double d = dpi();
    const auto setPair = [d](QSpinBox *px, QDoubleSpinBox *pt, int value) {
        px->setValue(value);
        pt->setValue(pointsFromPixels(value, d));
    };
    setPair(ui.posPxX, ui.posPtX, m_widget->x());
    setPair(ui.posPxY, ui.posPtY, m_widget->y());
    setPair(ui.sizePxWidth, ui.sizePtWidth, m_widget->width());
    setPair(ui.sizePxHeight, ui.sizePtHeight, m_widget->height());
    setPair(ui.minSizePxWidth, ui.minSizePtWidth, m_widget->minimumWidth());
    setPair(ui.minSizePxHeight, ui.minSizePtHeight, m_widget->minimumHeight());
    setPair(ui.maxSizePxWidth, ui.maxSizePtWidth, m_widget->maximumWidth());
    setPair(ui.maxSizePxHeight, ui.maxSizePtHeight, m_widget->maximumHeight());
    setPair(ui.sizeHintPxWidth, ui.sizeHintPtWidth, m_widget->sizeHint().width());
    setPair(ui.sizeHintPxHeight, ui.sizeHintPtHeight, m_widget->sizeHint().height());
    setPair(ui.minSizeHintPxWidth, ui.minSizeHintPtWidth, m_widget->minimumSizeHint().width());
    setPair(ui.minSizeHintPxHeight, ui.minSizeHintPtHeight, m_widget->minimumSizeHint().height());

    const QMargins margins = m_widget->contentsMargins();
    ui.leftMargin->setValue(margins.left());
    ui.rightMargin->setValue(margins.right());
    ui.topMargin->setValue(margins.top());
    ui.bottomMargin->setValue(margins.bottom());
    QLayout *layout = m_widget->layout();
    const QMargins layoutMargins = layout ? layout->contentsMargins() : QMargins();
    ui.leftMarginLayout->setValue(layoutMargins.left());
    ui.rightMarginLayout->setValue(layoutMargins.right());
    ui.topMarginLayout->setValue(layoutMargins.top());
    ui.bottomMarginLayout->setValue(layoutMargins.bottom());
    int spacing = 0;
    if (auto *box = qobject_cast<QBoxLayout *>(layout))
        spacing = box->spacing();
    else if (auto *grid = qobject_cast<QGridLayout *>(layout))
        spacing = grid->spacing();
    else if (auto *form = qobject_cast<QFormLayout *>(layout))
        spacing = form->spacing();
    ui.spacing->setValue(spacing);

    updateFrame();
    m_updating = false;
}

void WidgetInfoDialog::updateFrame()
{
    if (!m_widget)
        return;
    if (m_ui->frame->isChecked())
        m_frame = std::make_unique<HighlightFrame>(m_widget->parentWidget(), m_widget->geometry());
    else
        m_frame.reset();
}

void WidgetInfoDialog::showNextWidget(const QString &link)
{
    const int index = link.toInt();
    if (!QR_CHECK(m_hierarchy.contains(index)))
        return;
    QWidget *next = m_hierarchy.value(index);
    if (!next)
        return;
    m_widget = next;
    updateInfo();
    updateStyles();
    updateProperties();
}

template <class Change> void WidgetInfoDialog::change(Change apply)
{
    if (m_updating || !m_widget)
        return;
    apply(m_widget.data());
    updateInfo();
}

void WidgetInfoDialog::setPosPxX(int value)
{
    change([value](QWidget *w) { w->move(value, w->y()); });
}

void WidgetInfoDialog::setPosPxY(int value)
{
    change([value](QWidget *w) { w->move(w->x(), value); });
}

void WidgetInfoDialog::setPosPtX(double value)
{
    setPosPxX(toPixels(value));
}

void WidgetInfoDialog::setPosPtY(double value)
{
    setPosPxY(toPixels(value));
}

void WidgetInfoDialog::setSizePxX(int value)
{
    change([value](QWidget *w) { w->resize(value, w->height()); });
}

void WidgetInfoDialog::setSizePxY(int value)
{
    change([value](QWidget *w) { w->resize(w->width(), value); });
}

void WidgetInfoDialog::setSizePtX(double value)
{
    setSizePxX(toPixels(value));
}

void WidgetInfoDialog::setSizePtY(double value)
{
    setSizePxY(toPixels(value));
}

void WidgetInfoDialog::setMinSizePxX(int value)
{
    change([value](QWidget *w) { w->setMinimumWidth(value); });
}

void WidgetInfoDialog::setMinSizePxY(int value)
{
    change([value](QWidget *w) { w->setMinimumHeight(value); });
}

void WidgetInfoDialog::setMinSizePtX(double value)
{
    setMinSizePxX(toPixels(value));
}

void WidgetInfoDialog::setMinSizePtY(double value)
{
    setMinSizePxY(toPixels(value));
}

void WidgetInfoDialog::setMaxSizePxX(int value)
{
    change([value](QWidget *w) { w->setMaximumWidth(value); });
}

void WidgetInfoDialog::setMaxSizePxY(int value)
{
    change([value](QWidget *w) { w->setMaximumHeight(value); });
}

void WidgetInfoDialog::setMaxSizePtX(double value)
{
    setMaxSizePxX(toPixels(value));
}

void WidgetInfoDialog::setMaxSizePtY(double value)
{
    setMaxSizePxY(toPixels(value));
}

void WidgetInfoDialog::setMargin(int side, int value, bool layout)
{
    change([side, value, layout](QWidget *w) {
        QLayout *l = w->layout();
        if (layout && !l)
            return;
        QMargins m = layout ? l->contentsMargins() : w->contentsMargins();
        switch (side) {
        case 0:
            m.setLeft(value);
            break;
        case 1:
            m.setRight(value);
            break;
        case 2:
            m.setTop(value);
            break;
        default:
            m.setBottom(value);
            break;
        }
        if (layout)
            l->setContentsMargins(m);
        else
            w->setContentsMargins(m);
    });
}

void WidgetInfoDialog::setLeftMargin(int value)
{
    setMargin(0, value, false);
}

void WidgetInfoDialog::setRightMargin(int value)
{
    setMargin(1, value, false);
}

void WidgetInfoDialog::setTopMargin(int value)
{
    setMargin(2, value, false);
}

void WidgetInfoDialog::setBottomMargin(int value)
{
    setMargin(3, value, false);
}

void WidgetInfoDialog::setLeftMarginLayout(int value)
{
    setMargin(0, value, true);
}

void WidgetInfoDialog::setRightMarginLayout(int value)
{
    setMargin(1, value, true);
}

void WidgetInfoDialog::setTopMarginLayout(int value)
{
    setMargin(2, value, true);
}

void WidgetInfoDialog::setBottomMarginLayout(int value)
{
    setMargin(3, value, true);
}

void WidgetInfoDialog::setSpacing(int value)
{
    change([value](QWidget *w) {
        QLayout *layout = w->layout();
        if (auto *box = qobject_cast<QBoxLayout *>(layout))
            box->setSpacing(value);
        else if (auto *grid = qobject_cast<QGridLayout *>(layout))
            grid->setSpacing(value);
        else if (auto *form = qobject_cast<QFormLayout *>(layout))
            form->setSpacing(value);
    });
}

void WidgetInfoDialog::adjustScrollAreasSize()
{
    Ui::WidgetInfoDialog &ui = *m_ui;
    ui.ownersScrollAreaContent->setMinimumWidth(ui.ownershipLabel->sizeHint().width());
    ui.inheritanceScrollAreaContent->setMinimumWidth(ui.inheritanceLabel->sizeHint().width());
    ui.childrenScrollAreaContent->setMinimumWidth(ui.childrenLabel->sizeHint().width());
    ui.ownersScrollAreaContent->adjustSize();
    ui.inheritanceScrollAreaContent->adjustSize();
    ui.childrenScrollAreaContent->adjustSize();
}

void WidgetInfoDialog::blinkFrame()
{
    if (!m_frame || !m_widget)
        return;
    if (m_widget->geometry() == m_frame->rect())
        m_frame->setVisible(!m_frame->isVisible());
    else
        updateInfo();
}

void WidgetInfoDialog::updateProperties()
{
    m_ui->propertyName->clear();
    if (!m_widget)
        return;
    QStringList names;
    const QMetaObject *meta = m_widget->metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i)
        names << QString::fromUtf8(meta->property(i).name());
    for (const QByteArray &name : m_widget->dynamicPropertyNames())
        names << QString::fromUtf8(name);
    names.sort();
    // Filling the box selects its first name, which shows that property's value.
    m_ui->propertyName->addItems(names);
    if (!names.isEmpty())
        onPropertyNameEdited(m_ui->propertyName->currentText());
}

void WidgetInfoDialog::onPropertyNameEdited(const QString &name)
{
    if (!m_widget)
        return;
    Ui::WidgetInfoDialog &ui = *m_ui;
    const QByteArray id = name.toUtf8();
    const QVariant value = m_widget->property(id.constData());
    const QMetaObject *meta = m_widget->metaObject();
    const int index = meta->indexOfProperty(id.constData());
    if (index >= 0 && meta->property(index).isEnumType()) {
        const QMetaEnum enumerator = meta->property(index).enumerator();
        ui.propertyValue->hide();
        ui.propertyValueCombo->show();
        ui.propertyValueCombo->clear();
        int selected = -1;
        for (int k = 0; k < enumerator.keyCount(); ++k) {
            ui.propertyValueCombo->addItem(QString::fromLatin1(enumerator.key(k)), enumerator.value(k));
            if (enumerator.value(k) == value.toInt())
                selected = k;
        }
        ui.propertyValueCombo->setCurrentIndex(selected);
    } else {
        ui.propertyValue->show();
        ui.propertyValueCombo->hide();
        ui.propertyValue->setText(value.toString());
    }
}

void WidgetInfoDialog::onPropertyValueEdited(const QString &text)
{
    if (!m_widget)
        return;
    m_widget->setProperty(m_ui->propertyName->currentText().toUtf8().constData(), typedPropertyValue(text));
}

void WidgetInfoDialog::onPropertyComboChanged()
{
    if (!m_widget)
        return;
    m_widget->setProperty(m_ui->propertyName->currentText().toUtf8().constData(),
                          m_ui->propertyValueCombo->currentData().toInt());
}

void WidgetInfoDialog::updateColor()
{
    if (!m_widget)
        return;
    QImage image(m_widget->size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    m_widget->render(&image);
    const QPoint at = m_widget->mapFromGlobal(QCursor::pos());
    // Outside the widget there is no pixel of it to show.
    const QColor color = image.rect().contains(at) ? QColor(image.pixel(at)) : QColor(0, 0, 0);
    const ColorTexts texts = colorTexts(color.red(), color.green(), color.blue());
    m_ui->colorDec->setText(texts.dec);
    m_ui->colorHex->setText(texts.hex);
    m_ui->colorHtml->setText(texts.html);
}

void WidgetInfoDialog::updateStyles()
{
    if (!m_widget)
        return;
#ifdef QR_HAVE_CSS_SELECTOR
    m_ui->styles->setPlainText(styleRulesText(styleRules(m_widget)));
#else
    m_ui->styles->setPlainText(QStringLiteral("Built without the style-sheet rule selector"));
#endif
    if (m_ui->ownStyles->toPlainText() != m_widget->styleSheet())
        m_ui->ownStyles->setPlainText(m_widget->styleSheet());
}

void WidgetInfoDialog::onStyleChanged()
{
    if (m_widget)
        m_widget->setStyleSheet(m_ui->ownStyles->toPlainText());
}

} // namespace Debug
