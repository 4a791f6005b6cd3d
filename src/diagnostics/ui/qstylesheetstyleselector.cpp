#include "diagnostics/ui/qstylesheetstyleselector.h"

#include <QApplication>
#include <QLabel>
#include <QMetaObject>
#include <QUrl>
#include <QVariant>
#include <QWidget>

namespace QStyleSheetStyleSelectorPrivate {

QWidget *widgetOf(QCss::StyleSelector::NodePtr node)
{
    return static_cast<QWidget *>(node.ptr);
}

QCss::StyleSelector::NodePtr nodeOf(const QWidget *widget)
{
    QCss::StyleSelector::NodePtr node;
    node.ptr = const_cast<QWidget *>(widget);
    return node;
}

bool isTipLabel(const QWidget *widget)
{
    return qstrcmp(widget->metaObject()->className(), "QTipLabel") == 0;
}

QString cssClassName(const char *className)
{
    return QString::fromLatin1(className).replace(QLatin1Char(':'), QLatin1Char('-'));
}

// A ':' of a class name also matches the '-' that stands for it in a sheet.
bool classNameMatches(const char *className, const QString &name)
{
    const QString cls = QString::fromLatin1(className);
    if (cls.size() != name.size())
        return false;
    for (qsizetype i = 0; i < cls.size(); ++i) {
        if (cls.at(i) != name.at(i) && !(cls.at(i) == QLatin1Char(':') && name.at(i) == QLatin1Char('-')))
            return false;
    }
    return true;
}

bool holdsList(const QVariant &value)
{
    return value.userType() == QMetaType::QStringList || value.userType() == QMetaType::QVariantList;
}

QString selectorLine(const QCss::StyleRule &rule)
{
    QStringList parts;
    for (const QCss::Selector &selector : rule.selectors) {
        for (const QCss::BasicSelector &basic : selector.basicSelectors) {
            QString text = basic.elementName;
            for (const QString &id : basic.ids)
                text += QLatin1Char('#') + id;
            for (const QCss::Pseudo &pseudo : basic.pseudos)
                text += QLatin1Char(':') + (pseudo.negated ? QStringLiteral("!") : QString()) + pseudo.name;
            for (const QCss::AttributeSelector &attribute : basic.attributeSelectors)
                text += QLatin1Char('[') + attribute.name + QLatin1Char('=') + attribute.value + QLatin1Char(']');
            if (!text.isEmpty())
                parts << text;
        }
    }
    return parts.join(QLatin1Char(' '));
}

} // namespace QStyleSheetStyleSelectorPrivate

using namespace QStyleSheetStyleSelectorPrivate;

namespace Debug {

bool QStyleSheetStyleSelector::nodeNameEquals(NodePtr node, const QString &nodeName) const
{
    const QWidget *widget = widgetOf(node);
    if (!widget)
        return false;
    if (isTipLabel(widget))
        return nodeName == QLatin1String("QToolTip");
    for (const QMetaObject *meta = widget->metaObject(); meta; meta = meta->superClass()) {
        if (classNameMatches(meta->className(), nodeName))
            return true;
    }
    return false;
}

QString QStyleSheetStyleSelector::attributeValue(NodePtr node, const QCss::AttributeSelector &aSelector) const
{
    const QWidget *widget = widgetOf(node);
    if (!widget)
        return QString();
    const QString &name = aSelector.name;
    QHash<QString, QString> &cache = m_attributeCache[widget];
    const auto cached = cache.constFind(name);
    if (cached != cache.cend())
        return cached.value();
    ++m_propertyReads;
    const QVariant value = widget->property(name.toLatin1().constData());
    QString text;
    if (!value.isValid() && name == QLatin1String("class"))
        text = cssClassName(widget->metaObject()->className());
    else if (holdsList(value))
        text = value.toStringList().join(QLatin1Char(' '));
    else
        text = value.toString();
    cache.insert(name, text);
    return text;
}

bool QStyleSheetStyleSelector::hasAttributes(NodePtr) const
{
    return true;
}

QStringList QStyleSheetStyleSelector::nodeIds(NodePtr node) const
{
    const QWidget *widget = widgetOf(node);
    return widget ? QStringList{widget->objectName()} : QStringList();
}

QStringList QStyleSheetStyleSelector::nodeNames(NodePtr node) const
{
    const QWidget *widget = widgetOf(node);
    if (!widget)
        return QStringList();
    if (isTipLabel(widget))
        return {QStringLiteral("QToolTip")};
    QStringList names;
    for (const QMetaObject *meta = widget->metaObject(); meta; meta = meta->superClass())
        names << cssClassName(meta->className());
    return names;
}

bool QStyleSheetStyleSelector::isNullNode(NodePtr node) const
{
    return !widgetOf(node);
}

QCss::StyleSelector::NodePtr QStyleSheetStyleSelector::parentNode(NodePtr node) const
{
    const QWidget *widget = widgetOf(node);
    return nodeOf(widget ? Debug::parentWidget(widget) : nullptr);
}

QCss::StyleSelector::NodePtr QStyleSheetStyleSelector::previousSiblingNode(NodePtr) const
{
    return nodeOf(nullptr);
}

QCss::StyleSelector::NodePtr QStyleSheetStyleSelector::duplicateNode(NodePtr node) const
{
    return node;
}

void QStyleSheetStyleSelector::freeNode(NodePtr) const {}

QWidget *parentWidget(const QWidget *widget)
{
    if (isTipLabel(widget) && qobject_cast<const QLabel *>(widget)) {
        if (QWidget *owner = widget->property("_q_stylesheet_parent").value<QWidget *>())
            return owner;
    }
    return widget->parentWidget();
}

QList<QCss::StyleRule> styleRules(QWidget *widget, QStyleSheetStyleSelector *selector)
{
    QStyleSheetStyleSelector own;
    if (!selector)
        selector = &own;
    QCss::Parser parser;

    const QString appSheet = qApp->styleSheet();
    if (!appSheet.isEmpty()) {
        // A sheet given as "file:///path" is read from that file.
        const bool fromFile = appSheet.startsWith(QLatin1String("file:///"));
        parser.init(fromFile ? QUrl(appSheet).toLocalFile() : appSheet, fromFile);
        QCss::StyleSheet sheet;
        if (!parser.parse(&sheet, Qt::CaseSensitive))
            qWarning("Could not parse application stylesheet");
        sheet.origin = QCss::StyleSheetOrigin_Inline;
        sheet.depth = 1;
        selector->styleSheets << sheet;
    }

    QList<QCss::StyleSheet> widgetSheets;
    for (const QWidget *w = widget; w; w = parentWidget(w)) {
        if (w->styleSheet().isEmpty())
            continue;
        QCss::StyleSheet sheet;
        parser.init(w->styleSheet());
        if (!parser.parse(&sheet, Qt::CaseSensitive)) {
            // Bare declarations apply to the widget and everything below it.
            sheet = QCss::StyleSheet();
            parser.init(QStringLiteral("* {") + w->styleSheet() + QLatin1Char('}'));
            if (!parser.parse(&sheet, Qt::CaseSensitive))
                qWarning("Could not parse stylesheet of widget %p", static_cast<const void *>(w));
        }
        sheet.origin = QCss::StyleSheetOrigin_Inline;
        widgetSheets << sheet;
    }
    // The nearest sheet ranks highest; every widget sheet ranks above the application's.
    const int n = int(widgetSheets.size());
    for (int i = 0; i < n; ++i) {
        widgetSheets[i].depth = n - i + 2;
        selector->styleSheets << widgetSheets.at(i);
    }
    return selector->styleRulesForNode(nodeOf(widget));
}

QString styleRulesText(const QList<QCss::StyleRule> &rules)
{
    QStringList blocks;
    for (const QCss::StyleRule &rule : rules) {
        QStringList lines;
        const QString selector = selectorLine(rule);
        if (!selector.isEmpty())
            lines << selector;
        lines << QStringLiteral("{");
        for (const QCss::Declaration &declaration : rule.declarations) {
            if (declaration.isEmpty())
                continue;
            QStringList values;
            for (const QCss::Value &value : declaration.d->values) {
                // A function value is its name and its argument; other lists are left out.
                if (!holdsList(value.variant)) {
                    values << value.toString();
                } else {
                    const QStringList parts = value.variant.toStringList();
                    if (parts.size() == 2)
                        values << parts.at(0) + QLatin1Char('(') + parts.at(1) + QLatin1Char(')');
                }
            }
            const QString &property = declaration.d->property;
            const QString joined = values.join(QLatin1Char(' '));
            lines << QStringLiteral("     ") + property + QStringLiteral(": ") +
                         (property.contains(QLatin1String("image"))
                              ? QStringLiteral("url(") + joined + QStringLiteral(");")
                              : joined + QLatin1Char(';'));
        }
        lines << QStringLiteral("}");
        blocks << lines.join(QLatin1Char('\n'));
    }
    return blocks.join(QLatin1Char('\n'));
}

} // namespace Debug
