// The two list rules shared by the project list and the editor's module list,
// kept apart from the windows so that they read (and test) as plain rules.
#pragma once

#include <QString>
#include <QStringList>

namespace pxbuilder {

// Adds `entry` at the end, first removing the topmost equal entry (exact,
// case-sensitive), so a makefile added again moves to the end instead of
// being listed twice.
void appendMovingToEnd(QStringList& list, const QString& entry);

// Drag to reorder: a copy of the entry at `dragIndex` goes in before position
// `dropIndex`, then the dragged entry is removed from where it now stands.
// Dragging 0 onto 2 of [P,Q,R,S] gives [Q,P,R,S]; 2 onto 0 gives [R,P,Q,S];
// a plain click (drag == drop) changes nothing. Out-of-range indexes change
// nothing and return false.
bool reorderByDrag(QStringList& list, int dragIndex, int dropIndex);

}  // namespace pxbuilder
