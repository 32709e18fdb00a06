// A crash must never pass quietly: the program and every test exit non-zero.
#pragma once
void InstallCrashFilter();
