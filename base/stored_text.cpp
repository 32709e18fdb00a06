// Stored text with the letters the program's code page lacks kept beside it.
#include "base/stored_text.h"
#include "base/code_pages.h"
#include "base/messages.h"
#include "base/text.h"

#include <windows.h>
#include <cstdint>
#include <cstring>
#include <algorithm>
#include <map>
#include <mutex>

const char kUnshownLettersFormat[] =
    "%u names hold letters this Windows cannot show; they are shown as ? and kept as they are";
const char kUnshownLetterFormat[] = "1 name holds letters this Windows cannot show; it is shown as ? and kept as it is";

namespace {

// The byte behind a field's terminator that says a kept copy's number follows.
constexpr unsigned char kKeptMark = 0x1A;
constexpr size_t kMarkBytes = 4;   // the mark and a 24-bit number

struct Kept {
    std::string shown, letters;
};

// Every text read with letters the program cannot show, each once: the
// batch worker reads files while the window thread does.
std::mutex keptLock;
std::vector<Kept> kept;
std::map<std::pair<std::string, std::string>, uint32_t> keptNumbers;

thread_local unsigned unshownTexts = 0;

// The program's text in `codePage` (UTF-8 or the program's own).
std::string ProgramTextIn(const char* text, unsigned codePage)
{
    return codePage == ProgramCodePage() ? std::string(text) : ProgramTextAsUTF8(text);
}

// The kept letters of a field that still shows them; false when it shows none.
bool KeptOf(const char* field, size_t size, std::string* letters = nullptr)
{
    if (!field || size == 0) return false;
    size_t length = strnlen(field, size);
    if (length + 1 + kMarkBytes > size || (unsigned char)field[length + 1] != kKeptMark) return false;
    const unsigned char* n = (const unsigned char*)field + length + 2;
    uint32_t number = n[0] | (uint32_t)n[1] << 8 | (uint32_t)n[2] << 16;
    std::lock_guard<std::mutex> hold(keptLock);
    if (number >= kept.size() || kept[number].shown != std::string(field, length)) return false;
    if (letters) *letters = kept[number].letters;
    return true;
}

// A field's bytes behind its text lose a mark they hold: an earlier text's,
// or one that came with the file, which names no copy of this run's.
void ClearMark(char* field, size_t size)
{
    size_t length = strnlen(field, size);
    if (length + 1 + kMarkBytes <= size && (unsigned char)field[length + 1] == kKeptMark)
        memset(field + length + 1, 0, kMarkBytes);
}

// The number of a kept copy, taken anew or found; false when none can be had.
bool KeepLetters(const std::string& shown, const std::string& letters, uint32_t* number)
{
    std::lock_guard<std::mutex> hold(keptLock);
    auto found = keptNumbers.find({shown, letters});
    if (found != keptNumbers.end()) {
        *number = found->second;
        return true;
    }
    if (kept.size() >= 0xFFFFFF) return false;
    *number = (uint32_t)kept.size();
    kept.push_back({shown, letters});
    keptNumbers[{shown, letters}] = *number;
    return true;
}

// The letters a text shows in the program's code page, when it lacks some of them.
std::string LettersNotShown(const std::string& shown, const std::string& utf8)
{
    if (ProgramCodePage() == CP_UTF8 || utf8.empty()) return std::string();
    return WideFrom(shown, ProgramCodePage()) == WideFrom(utf8, CP_UTF8) ? std::string() : utf8;
}

}  // namespace

StoredText ReadStoredText(const std::string& stored, unsigned declared)
{
    StoredText text;
    text.shown = StoredTextAsProgramText(stored, declared);
    if (ProgramCodePage() != CP_UTF8) text.letters = LettersNotShown(text.shown, StoredTextAsUTF8(stored, declared));
    if (!text.letters.empty()) unshownTexts++;
    return text;
}

std::vector<StoredText> ReadStoredTexts(const std::vector<std::string>& stored)
{
    unsigned codePage = StoredFileCodePage(stored);
    std::vector<StoredText> texts;
    for (const std::string& s : stored) texts.push_back(ReadStoredText(s, codePage));
    return texts;
}

int CopyStoredText(char* field, size_t size, const StoredText& text)
{
    if (text.letters.empty() || size == 0) {
        int whole = CopyBounded(field, size, text.shown.c_str());
        if (size) ClearMark(field, size);
        return whole;
    }
    // The letters as a field of this size holds them where the program speaks
    // UTF-8, and what the program shows of those.
    std::string letters = text.letters.substr(0, LetterBoundary(text.letters.data(),
                                                                std::min(text.letters.size(), size - 1), CP_UTF8));
    std::u16string wide = WideFrom(letters, CP_UTF8);
    std::string shown = wide.empty() ? text.shown : NarrowFrom(wide.c_str(), ProgramCodePage(), true);
    int whole = CopyBounded(field, size, shown.c_str()) && letters.size() == text.letters.size();
    ClearMark(field, size);
    size_t length = strlen(field);
    uint32_t number;
    if (length == shown.size() && length + 1 + kMarkBytes <= size && KeepLetters(shown, letters, &number)) {
        unsigned char* n = (unsigned char*)field + length + 1;
        n[0] = kKeptMark;
        n[1] = (unsigned char)number;
        n[2] = (unsigned char)(number >> 8);
        n[3] = (unsigned char)(number >> 16);
    }
    return whole;
}

bool FieldKeepsLetters(const char* field, size_t size) { return KeptOf(field, size); }

void KeepLettersOf(char* field, const char* from, size_t size)
{
    if (from && size && KeptOf(from, size) && strncmp(field, from, size) == 0) memcpy(field, from, size);
}

void AppendToField(char* field, size_t size, const char* text)
{
    if (!size) return;
    StoredText joined;
    joined.shown = std::string(field, strnlen(field, size)) + text;
    if (KeptOf(field, size, &joined.letters)) joined.letters += ProgramTextAsUTF8(text);
    CopyStoredText(field, size, joined);
}

std::string FieldTextIn(const char* field, size_t size, unsigned codePage)
{
    if (!field) return std::string();
    std::string letters;
    if (codePage == CP_UTF8 && KeptOf(field, size, &letters)) return letters;
    return ProgramTextIn(size ? std::string(field, strnlen(field, size)).c_str() : field, codePage);
}

unsigned CodePageToWrite(bool keepsLetters) { return keepsLetters ? CP_UTF8 : ProgramCodePage(); }

void StoredFieldsAsProgramText(const std::vector<StoredField>& fields)
{
    std::vector<std::string> stored;
    for (const StoredField& f : fields) stored.push_back(f.size ? std::string(f.text, strnlen(f.text, f.size)) : "");
    std::vector<StoredText> texts = ReadStoredTexts(stored);
    for (size_t i = 0; i < fields.size(); i++)
        if (fields[i].size) CopyStoredText(fields[i].text, fields[i].size, texts[i]);
}

void StoredFieldAsProgramText(char* field, size_t size) { StoredFieldsAsProgramText({{field, size}}); }

void FieldsAsFileText(const std::vector<StoredField>& fields, unsigned codePage)
{
    for (const StoredField& f : fields) {
        if (!f.size) continue;
        // In the program's own code page the bytes are the file's as they are.
        if (codePage == ProgramCodePage()) {
            ClearMark(f.text, f.size);
            continue;
        }
        std::string text = FieldTextIn(f.text, f.size, codePage);
        // Cut between letters of the file's code page; nothing of a mark stays.
        size_t n = LetterBoundary(text.data(), std::min(text.size(), f.size - 1), codePage);
        memset(f.text, 0, f.size);
        memcpy(f.text, text.data(), n);
    }
}

bool AnyFieldKeepsLetters(const std::vector<StoredField>& fields)
{
    for (const StoredField& f : fields)
        if (FieldKeepsLetters(f.text, f.size)) return true;
    return false;
}

unsigned UnshownTextCount() { return unshownTexts; }

void NoteUnshownLetters(unsigned count, HWND owner)
{
    if (count == 0) return;
    WarningMessage(count == 1 ? kUnshownLetterFormat : Formatted(kUnshownLettersFormat, count).c_str(), owner);
}
