// The batch dialogs' project mode: the marked tiles of a project run one after
// another, each with its neighbours' buffer points and under its own lock.
#pragma once

// Hands the batch dialogs their project mode (classify/batch.h).
void InstallBatchProjectMode();
