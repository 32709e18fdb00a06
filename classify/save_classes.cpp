// Saving the classes of a batch run.
#include "classify/save_classes.h"
#include "app/shell/save_las.h"
#include "base/messages.h"
#include "data/data_set.h"
#include "data/las_save.h"
#include <cstdio>

// Decimated sets lack points and LAZ sources cannot be patched in place.
static int MaySave(const DataSet* set)
{
    const char* refusal = set->decimated == 1 ? kSaveDecimatedText : set->source != SOURCE_LAS ? kSaveNotLASText : nullptr;
    if (!refusal) return 1;
    char text[700];
    snprintf(text, sizeof(text), refusal, set->title);
    ErrorMessage(text);
    return 0;
}

static int Save(DataSet* set, const char* target, const char* name, const char* logFormat)
{
    if (!MaySave(set)) return 0;
    LASClassSave outcome;
    if (!SaveLASClassesAsking(set, target, name, &outcome)) {
        if (outcome.status != LAS_SAVE_SOURCE_REWRITTEN) ErrorMessage(outcome.message);
        return 0;
    }
    set->saved = 1;
    char line[300];
    snprintf(line, sizeof(line), logFormat, set->title);
    LogMessage(line);
    return 1;
}

int SaveDataSetClasses(DataSet* set)
{
    return Save(set, set->path, set->title, "[SAVE]  %s");
}

int SaveDataSetClassesAs(DataSet* set, const char* path, const char* displayName)
{
    return Save(set, path, displayName, "[SAVE AS]  %s");
}
