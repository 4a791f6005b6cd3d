#pragma once

class QModelIndex;

// Tells a tree model whether the view shows a folder open, so it can pick the folder's icon.
class ITreeViewExpandInfo
{
public:
    virtual ~ITreeViewExpandInfo() = default;
    virtual bool isExpanded(const QModelIndex &index) const = 0;
};
