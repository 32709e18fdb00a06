// The tables of tools the shell hands down to the views at start-up.
#pragma once

// Hands the plan view its tool rows (views/plan/tool_cursor.h) and the
// profile window its own (views/profile/profile_window.h).
void InstallToolTables();
