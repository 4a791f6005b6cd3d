#pragma once

#include <QString>

#include <functional>

// The to-do list's text and drop arithmetic, kept apart from the view so it can be checked alone.
namespace ToDoLayout {

// Breaks text greedily at white space into lines no wider than `available` (as `width` measures them),
// dropping the white space at each break, and joins them with U+2028. A word wider than the whole line
// is broken between characters, so every character still shows.
QString wrapText(const QString &text, int available, const std::function<int(const QString &)> &width);

// The row a dropped to-do goes to. `row` is the row under the drop point (-1 below the rows),
// `sourceRow` the dragged row of this same view (or -2 for a drag from elsewhere), `upperHalf` whether
// the point lies in the upper half of that row. Neighbours of the dragged row swap with it.
int dropRow(int row, int sourceRow, bool upperHalf, int rowCount);

} // namespace ToDoLayout
