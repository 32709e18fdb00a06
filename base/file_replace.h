// Replacing a group of files that belong together (the three files of a
// shapefile, a project table and its tile index) as one change.
#pragma once
#include <string>

// Puts each of the `count` written files in place of its target. Targets that
// exist are moved aside first; when any of them cannot be replaced (another
// program has it open, or it is read-only, which Windows refuses to replace
// and Wine does not), every target gets its old file back and the written
// files stay where they are for the caller to remove: never a mix of old and
// new. 1 when all were placed.
int ReplaceFileGroup(const std::string* written, const std::string* targets, int count);
