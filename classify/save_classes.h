// Writing a classified data set's classes back to LAS after a batch run: in
// place, or as a copy under a new path. Both go through the one class-saving
// copy (data/las_save): a temporary file beside the target that replaces it
// only when every read, write and close succeeded.
#pragma once

struct DataSet;

// The reason of a source written since it was loaded (its title): never replaced here.
extern const char kSaveRewrittenText[];

// 1 when the file was written; 0 after telling the user why (ErrorMessage).
int SaveDataSetClasses(DataSet* set);
int SaveDataSetClassesAs(DataSet* set, const char* path, const char* displayName);
