// Projects written to disk by the project tests.
#pragma once
#include "gis/project/project.h"
#include "gis/project/project_file.h"
#include <cstdio>
#include <string>

// Writes the project as `name` in `folder` (ends in a backslash) and frees
// it; the project file's path, or "" when the write failed.
inline std::string SaveAndFreeProject(Project* p, const std::string& folder, const char* name)
{
    snprintf(p->path, sizeof p->path, "%s%s", folder.c_str(), name);
    snprintf(p->title, sizeof p->title, "%s", name);
    const bool written = WriteProjectFile(p) == 1;
    FreeProject(p);
    return written ? folder + name : "";
}
