// The parts of a view's record that the rooms above app/ own.
#pragma once

// Hands app/view_record the creation and release of a record's layers, undo
// stack and contour list.
void InstallViewRecordParts();
