#include "list_rules.h"

namespace pxbuilder {

void appendMovingToEnd(QStringList& list, const QString& entry) {
    const qsizetype found = list.indexOf(entry);
    if (found >= 0)
        list.removeAt(found);
    list.append(entry);
}

bool reorderByDrag(QStringList& list, int dragIndex, int dropIndex) {
    if (dragIndex < 0 || dropIndex < 0 || dragIndex >= list.size() || dropIndex >= list.size())
        return false;
    list.insert(dropIndex, list.at(dragIndex));
    // Dropping at or above the dragged entry pushed it down by one.
    list.removeAt(dropIndex <= dragIndex ? dragIndex + 1 : dragIndex);
    return true;
}

}  // namespace pxbuilder
