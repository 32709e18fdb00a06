// Text read from files, kept as the file held it. The program shows and edits
// text in its own code page; where that is no UTF-8 (Windows that ignores the
// manifest) a letter it lacks is shown as "?". A save must not write that "?"
// over a letter nobody touched, so a field that shows such a text carries,
// behind its terminator, the number of a kept copy of the letters; the copy
// is written back while the field still shows what was read. The mark moves
// with the field's bytes (records copied, arrays grown) and means nothing
// once the field holds another text.
#pragma once
#include <windows.h>
#include <cstddef>
#include <string>
#include <vector>

// One text as read: in the program's code page, and where that lacks some of
// its letters, the letters themselves in UTF-8 ("" when `shown` holds them all).
struct StoredText {
    std::string shown;
    std::string letters;
};

// `stored` read as StoredTextAsProgramText reads it, its letters kept.
StoredText ReadStoredText(const std::string& stored, unsigned declared = 0);
// The texts of one file that declares no code page, read in one (StoredFileCodePage).
std::vector<StoredText> ReadStoredTexts(const std::vector<std::string>& stored);

// Copies the text into a field of `size` bytes as CopyBounded does; the
// letters that are shown as "?" go with it while the field has the room
// (five bytes behind the text). 1 when the text fit whole.
int CopyStoredText(char* field, size_t size, const StoredText& text);
// Appends program text to the field, cut as CopyBounded cuts; the letters it
// was read with, when it shows them, grow by the same text.
void AppendToField(char* field, size_t size, const char* text);
// A field made anew from a dialog or a list takes the kept letters of the
// field it was made from (`from`, null for none), when it shows the same text.
void KeepLettersOf(char* field, const char* from, size_t size);
// True when the field of `size` bytes still shows a text read with letters
// the program's code page lacks.
bool FieldKeepsLetters(const char* field, size_t size);
// The field's text for a file written in `codePage` (UTF-8 or the program's
// own): the letters it was read with while it still shows them, else its
// text converted. `size` 0: a text that is no such field.
std::string FieldTextIn(const char* field, size_t size, unsigned codePage);
// The code page a file is written in: the program's own, unless a field holds
// letters that code page lacks; UTF-8 then, which holds every letter.
unsigned CodePageToWrite(bool keepsLetters);

// A terminated text field of `size` bytes.
struct StoredField {
    char* text;
    size_t size;
};
// The fields of one file, in place, read as one text each (ReadStoredTexts).
void StoredFieldsAsProgramText(const std::vector<StoredField>& fields);
void StoredFieldAsProgramText(char* field, size_t size);
// The same fields, in place, as the file is to hold them in `codePage` (FieldTextIn).
void FieldsAsFileText(const std::vector<StoredField>& fields, unsigned codePage);
bool AnyFieldKeepsLetters(const std::vector<StoredField>& fields);

// How many texts this thread has read so far with letters the program's code
// page lacks: a load tells them once, from the difference (NoteUnshownLetters).
unsigned UnshownTextCount();
// The warning about the `count` texts a load read so; nothing for none.
extern const char kUnshownLettersFormat[];
extern const char kUnshownLetterFormat[];
void NoteUnshownLetters(unsigned count, HWND owner = nullptr);   // the box's owner as WarningMessage takes it
