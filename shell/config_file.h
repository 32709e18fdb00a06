// Configuration files (".cfg"): the global display settings, class table
// included, as a binary image that users carry between runs and machines.
#pragma once
#include <windows.h>

constexpr int kConfigVersion = 5;
constexpr int kConfigPathChars = 260;

// The configuration file of the run: every operation here reads or writes the
// file named by the path, and every message names it by the title.
extern char currentConfigPath[kConfigPathChars];
extern char currentConfigTitle[kConfigPathChars];

// The error texts of configuration files; %s is the file's title.
extern const char kConfigCorruptText[];
extern const char kConfigForeignText[];
extern const char kConfigBadVersionText[];
extern const char kConfigUnreadableText[];
extern const char kConfigUnwritableText[];

int WriteConfigFile(HWND view);      // 1 written, 0 failed
int ReadConfigFile(HWND view);       // versions 4 and 5
int ReadConfigFileV1(HWND view);     // versions 1 to 3
int ReadConfigVersion();             // -1 when not a configuration file
int LoadConfigCommand(HWND view);
int SaveConfigAsCommand(HWND view);
int ChooseConfigToSave(char* path, char* title);
int ChooseConfigToLoad(char* path, char* title);
