#include "base/stored_text.h"
#include <windows.h>

std::string StoredTextAsProgramText(const std::string& stored)
{
    if (stored.empty() || GetACP() != CP_UTF8) return stored;
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, stored.data(), (int)stored.size(), nullptr, 0) > 0)
        return stored;
    int wideLen = MultiByteToWideChar(1252, 0, stored.data(), (int)stored.size(), nullptr, 0);
    if (wideLen <= 0) return stored;
    std::u16string units((size_t)wideLen, 0);   // char16_t: a winelib wchar_t is not WCHAR
    MultiByteToWideChar(1252, 0, stored.data(), (int)stored.size(), (WCHAR*)&units[0], wideLen);
    int length = WideCharToMultiByte(CP_UTF8, 0, (const WCHAR*)units.data(), wideLen, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return stored;
    std::string text((size_t)length, 0);
    WideCharToMultiByte(CP_UTF8, 0, (const WCHAR*)units.data(), wideLen, &text[0], length, nullptr, nullptr);
    return text;
}
