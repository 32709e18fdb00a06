// Edits kept within a field's bytes, not its characters.
#include "base/edit_limit.h"
#include "base/code_pages.h"

namespace {

bool HighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool LowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

size_t ProgramBytes(const std::u16string& text) { return NarrowFrom(text.c_str(), CP_ACP).size(); }

}  // namespace

bool KeepEditWithinBytes(HWND edit, size_t bytes, std::u16string* kept)
{
    int length = GetWindowTextLengthW(edit);
    std::u16string text((size_t)length + 1, 0);
    if (length > 0) GetWindowTextW(edit, (WCHAR*)&text[0], length + 1);
    text.resize(std::char_traits<char16_t>::length(text.c_str()));
    if (ProgramBytes(text) <= bytes) {
        *kept = text;
        return false;
    }
    // What the change inserted lies between the parts before and after it
    // that it left as they were; neither part ends inside a letter.
    const std::u16string& old = *kept;
    size_t before = 0;
    while (before < text.size() && before < old.size() && text[before] == old[before]) before++;
    if (before > 0 && before < text.size() && LowSurrogate(text[before])) before--;
    size_t after = 0;
    while (after < text.size() - before && after < old.size() - before &&
           text[text.size() - 1 - after] == old[old.size() - 1 - after])
        after++;
    if (after > 0 && LowSurrogate(text[text.size() - after])) after--;
    std::u16string head = text.substr(0, before), tail = text.substr(text.size() - after);
    std::u16string inserted = text.substr(before, text.size() - before - after);
    size_t take = 0;
    while (take < inserted.size()) {
        size_t next = take + (HighSurrogate(inserted[take]) && take + 1 < inserted.size() ? 2 : 1);
        if (ProgramBytes(head + inserted.substr(0, next) + tail) > bytes) break;
        take = next;
    }
    std::u16string fitted = head + inserted.substr(0, take) + tail;
    if (ProgramBytes(fitted) > bytes) fitted = old;   // a text set whole: what fit before
    *kept = fitted;
    SetWindowTextW(edit, (const WCHAR*)fitted.c_str());
    DWORD caret = (DWORD)(head.size() + take);
    SendMessageW(edit, EM_SETSEL, caret, caret);
    return true;
}
