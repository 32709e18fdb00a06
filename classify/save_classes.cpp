// Saving the classes of a batch run.
#include "classify/save_classes.h"
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

const char kSaveRewrittenText[] = "%s has been written since it was loaded, perhaps by another copy of this program.\n\n"
                                  "The file was not saved.";

static int Save(DataSet* set, const char* target, const char* name, const char* logFormat)
{
    if (!MaySave(set)) return 0;
    LASClassSave outcome;
    // A run has nobody to ask whether a source written since its load may be
    // replaced: it is kept, and the file's reason says so rather than ask.
    if (!SaveLASClasses(set, target, name, &outcome)) {
        char text[700];
        if (outcome.status == LAS_SAVE_SOURCE_REWRITTEN) snprintf(text, sizeof text, kSaveRewrittenText, set->title);
        ErrorMessage(outcome.status == LAS_SAVE_SOURCE_REWRITTEN ? text : outcome.message);
        return 0;
    }
    if (lstrcmpiA(target, set->path) == 0) RestampLASSource(set);
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
