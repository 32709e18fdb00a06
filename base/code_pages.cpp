#include "base/code_pages.h"
#include "base/text.h"
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

static bool IsUTF8(const std::string& text)
{
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), (int)text.size(), nullptr, 0) > 0;
}

std::string StoredTextAsProgramText(const std::string& stored)
{
    if (stored.empty() || GetACP() != CP_UTF8) return stored;
    if (IsUTF8(stored)) return stored;
    // A text cut by bytes (a field's width, or an earlier version's cut of a
    // dialog field) may end in part of a letter. Only a text that holds a
    // letter of several bytes before it is taken for UTF-8 so: "Caf\xe9" is
    // code page 1252's "Café" with no letter cut.
    size_t whole = LetterBoundary(stored.data(), stored.size(), CP_UTF8);
    if (whole > 0 && whole < stored.size()) {
        std::string kept = stored.substr(0, whole);
        bool multiByte = false;
        for (char c : kept) multiByte = multiByte || (unsigned char)c >= 0x80;
        if (multiByte && IsUTF8(kept)) return kept;
    }
    std::u16string wide = WideFrom(stored, 1252);
    std::string text = wide.empty() ? std::string() : NarrowFrom(wide.c_str(), CP_UTF8);
    return text.empty() ? stored : text;
}
