#include "audit/ui/AuditMarks.h"

#include "audit/AuditStore.h"

#include <QTreeWidget>

namespace AuditMarks {

void mark(QTreeWidget *list)
{
    QStringList ids;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        ids << list->topLevelItem(i)->text(0);
    const QHash<QString, QString> problems = AuditStore::problemsOf(ids);
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QTreeWidgetItem *row = list->topLevelItem(i);
        const QString found = problems.value(row->text(0));
        row->setData(0, ProblemsRole, found.isEmpty() ? QVariant() : QVariant(found));
        for (int c = 0; c < list->columnCount(); ++c)
            row->setToolTip(c, found);
    }
}

} // namespace AuditMarks
