#pragma once

// Qt's private style-sheet parser and matcher: the build includes this file only when those headers
// fit the Qt it builds against (see src/CMakeLists.txt).
#include <QtGui/private/qcssparser_p.h>

#include <QHash>
#include <QList>
#include <QString>

class QWidget;

namespace Debug {

// Answers the style-sheet matcher's questions about widgets: class names along the meta-object
// chain, object names, properties as attributes; tooltips count as children of their widget.
class QStyleSheetStyleSelector : public QCss::StyleSelector
{
public:
    bool nodeNameEquals(NodePtr node, const QString &nodeName) const override;
    QString attributeValue(NodePtr node, const QCss::AttributeSelector &aSelector) const override;
    bool hasAttributes(NodePtr node) const override;
    QStringList nodeIds(NodePtr node) const override;
    QStringList nodeNames(NodePtr node) const override;
    bool isNullNode(NodePtr node) const override;
    NodePtr parentNode(NodePtr node) const override;
    NodePtr previousSiblingNode(NodePtr node) const override;
    NodePtr duplicateNode(NodePtr node) const override;
    void freeNode(NodePtr node) const override;

    // How often a property was read for an attribute; the cache keeps it to one per name and widget.
    int propertyReads() const { return m_propertyReads; }

private:
    mutable QHash<const QWidget *, QHash<QString, QString>> m_attributeCache;
    mutable int m_propertyReads = 0;
};

// The rules of the application's and the widgets' style sheets that match the widget, lowest
// precedence first. The selector may be handed in to look at it afterwards.
QList<QCss::StyleRule> styleRules(QWidget *widget, QStyleSheetStyleSelector *selector = nullptr);

// The widget that counts as the parent for style matching: a tooltip's widget, else the parent.
QWidget *parentWidget(const QWidget *widget);

// The rules as the inspector shows them: a selector line, then the declarations in braces.
QString styleRulesText(const QList<QCss::StyleRule> &rules);

} // namespace Debug
