#pragma once
#include <QColor>
#include <Qt>

class QTreeWidget;

// The address list's sign of a failed index audit: the number cell of an
// address whose last audit found problems is drawn in orange, and the
// problems are the row's tooltip.
namespace AuditMarks {
// The item data (column 0) holding the problems.
inline constexpr int ProblemsRole = Qt::UserRole + 40;
inline QColor colour() { return QColor(230, 120, 0); }
// Marks the rows the list shows (column 0: the address's number).
void mark(QTreeWidget *list);
} // namespace AuditMarks
