#include "base/code_pages.h"
#include <windows.h>

std::u16string WideFrom(const std::string& text, unsigned codePage)
{
    int length = MultiByteToWideChar(codePage, 0, text.data(), (int)text.size(), nullptr, 0);
    if (length <= 0) return std::u16string();
    std::u16string wide((size_t)length, 0);
    MultiByteToWideChar(codePage, 0, text.data(), (int)text.size(), (WCHAR*)&wide[0], length);
    return wide;
}

std::string NarrowFrom(const char16_t* wide, unsigned codePage)
{
    int length = WideCharToMultiByte(codePage, 0, (const WCHAR*)wide, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1) return std::string();
    std::string text((size_t)length, 0);
    WideCharToMultiByte(codePage, 0, (const WCHAR*)wide, -1, &text[0], length, nullptr, nullptr);
    text.resize((size_t)length - 1);
    return text;
}

std::string StoredTextAsProgramText(const std::string& stored)
{
    if (stored.empty() || GetACP() != CP_UTF8) return stored;
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, stored.data(), (int)stored.size(), nullptr, 0) > 0)
        return stored;
    std::u16string wide = WideFrom(stored, 1252);
    std::string text = wide.empty() ? std::string() : NarrowFrom(wide.c_str(), CP_UTF8);
    return text.empty() ? stored : text;
}
