#include "gadgets/todolayout.h"

#include <QStringList>

namespace ToDoLayout {

namespace {
int nextSpace(const QString &text, int from)
{
    for (int i = from; i < text.size(); ++i) {
        if (text.at(i).isSpace())
            return i;
    }
    return -1;
}

// How many characters from `start` fit, at least one, never splitting a surrogate pair.
int charactersThatFit(const QString &text, int start, int available, const std::function<int(const QString &)> &width)
{
    int n = 0;
    while (start + n < text.size()) {
        int step = text.at(start + n).isHighSurrogate() && start + n + 1 < text.size() ? 2 : 1;
        if (n > 0 && width(text.mid(start, n + step)) > available)
            break;
        n += step;
    }
    return n;
}
} // namespace

QString wrapText(const QString &text, int available, const std::function<int(const QString &)> &width)
{
    if (width(text) <= available)
        return text;
    QStringList lines;
    int start = 0;
    while (start < text.size()) {
        const QString rest = text.mid(start);
        if (width(rest) <= available) {
            lines << rest;
            break;
        }
        int end = -1;
        for (int space = nextSpace(text, start); space != -1; space = nextSpace(text, space + 1)) {
            if (width(text.mid(start, space - start)) > available)
                break;
            end = space;
        }
        if (end == -1) {
            const int n = charactersThatFit(text, start, available, width);
            lines << text.mid(start, n);
            start += n;
            // The break already stands where this space would have put it.
            if (start < text.size() && text.at(start).isSpace())
                ++start;
        } else {
            lines << text.mid(start, end - start);
            start = end + 1;
        }
    }
    return lines.join(QChar(QChar::LineSeparator));
}

int dropRow(int row, int sourceRow, bool upperHalf, int rowCount)
{
    int target;
    if (row < 0)
        target = rowCount;
    else if (row == sourceRow - 1)
        target = row;
    else if (row == sourceRow + 1)
        target = row + 1;
    else
        target = upperHalf ? row : row + 1;
    return qBound(0, target, rowCount);
}

} // namespace ToDoLayout
