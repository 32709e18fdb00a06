// Text that files written by other programs, or by this one before it spoke
// UTF-8, hold in the Windows code page 1252.
#pragma once
#include <string>

// `stored` as the program's own text: unchanged when it is valid UTF-8 or
// when the program does not run in UTF-8 (older Windows, where the stored
// bytes are already in the code page the program speaks); otherwise its
// bytes are taken as code page 1252 and given as UTF-8, so that a folder
// or file name stored as "Donn\xe9es" finds "Données" again.
std::string StoredTextAsProgramText(const std::string& stored);
