// Conversions between code pages, and the code page stored text was written in.
#include "base/code_pages.h"
#include <windows.h>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <cstring>

std::u16string WideFrom(const std::string& text, unsigned codePage)
{
    int length = MultiByteToWideChar(codePage, 0, text.data(), (int)text.size(), nullptr, 0);
    if (length <= 0) return std::u16string();
    std::u16string wide((size_t)length, 0);
    MultiByteToWideChar(codePage, 0, text.data(), (int)text.size(), (WCHAR*)&wide[0], length);
    return wide;
}

std::string NarrowFrom(const char16_t* wide, unsigned codePage, bool standIn)
{
    // UTF-8 takes no such flag.
    DWORD flags = standIn && codePage != CP_UTF8 ? WC_NO_BEST_FIT_CHARS : 0;
    int length = WideCharToMultiByte(codePage, flags, (const WCHAR*)wide, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1) return std::string();
    std::string text((size_t)length, 0);
    WideCharToMultiByte(codePage, flags, (const WCHAR*)wide, -1, &text[0], length, nullptr, nullptr);
    text.resize((size_t)length - 1);
    return text;
}

size_t LetterBoundary(const char* text, size_t bytes, unsigned codePage)
{
    if (bytes == 0) return 0;
    const unsigned char* t = (const unsigned char*)text;
    if (codePage == CP_UTF8) {
        // The last letter starts at the last byte that is no continuation
        // byte (10xxxxxx); its lead byte says how many bytes it takes.
        size_t start = bytes - 1;
        while (start > 0 && bytes - start < 4 && (t[start] & 0xC0) == 0x80) start--;
        unsigned lead = t[start];
        size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        return start + length > bytes ? start : bytes;
    }
    CPINFO info;
    if (!GetCPInfo(codePage, &info) || info.MaxCharSize < 2) return bytes;
    // A double-byte code page: only a walk from the start tells lead bytes
    // from trail bytes.
    size_t at = 0;
    while (at < bytes) {
        size_t length = IsDBCSLeadByteEx(codePage, t[at]) ? 2 : 1;
        if (at + length > bytes) break;
        at += length;
    }
    return at;
}

// ---- the system's code page -----------------------------------------------------------------

static std::atomic<unsigned> codePageForTests{0};

void SetSystemCodePageForTests(unsigned codePage) { codePageForTests = codePage; }

unsigned SystemCodePage()
{
    if (unsigned forTests = codePageForTests) return forTests;
    static const unsigned system = [] {
        DWORD codePage = 0;
        if (!GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                            (LPWSTR)&codePage, sizeof codePage / sizeof(WCHAR)))
            codePage = 0;
        // A locale without an ANSI code page (0), or a system set to UTF-8,
        // leaves the Western one as the likeliest for bytes that are no UTF-8.
        return codePage == 0 || codePage == CP_UTF8 || !IsValidCodePage(codePage) ? 1252u : (unsigned)codePage;
    }();
    return system;
}

// ---- declared code pages --------------------------------------------------------------------

// dBASE language bytes and their code pages. 0x57 ("ANSI": whatever the
// writing system's was) and 0 name none.
struct LanguageByte {
    unsigned char id;
    unsigned short codePage;
};
static const LanguageByte kLanguageBytes[] = {
    {0x01, 437},  {0x02, 850},  {0x03, 1252}, {0x04, 10000}, {0x08, 865},  {0x09, 437},   {0x0A, 850},
    {0x0B, 437},  {0x0D, 437},  {0x0E, 850},  {0x0F, 437},   {0x10, 850},  {0x11, 437},   {0x12, 850},
    {0x13, 932},  {0x14, 850},  {0x15, 437},  {0x16, 850},   {0x17, 865},  {0x18, 437},   {0x19, 437},
    {0x1A, 850},  {0x1B, 437},  {0x1C, 863},  {0x1D, 850},   {0x1F, 852},  {0x22, 852},   {0x23, 852},
    {0x24, 860},  {0x25, 850},  {0x26, 866},  {0x37, 850},   {0x40, 852},  {0x4D, 936},   {0x4E, 949},
    {0x4F, 950},  {0x50, 874},  {0x58, 1252}, {0x59, 1252},  {0x64, 852},  {0x65, 866},   {0x66, 865},
    {0x67, 861},  {0x6A, 737},  {0x6B, 857},  {0x6C, 863},   {0x78, 950},  {0x79, 949},   {0x7A, 936},
    {0x7B, 932},  {0x7C, 874},  {0x86, 737},  {0x87, 852},   {0x88, 857},  {0x96, 10007}, {0x97, 10029},
    {0x98, 10006}, {0xC8, 1250}, {0xC9, 1251}, {0xCA, 1254}, {0xCB, 1253}, {0xCC, 1257},
};

static unsigned LanguageByteCodePage(int id)
{
    for (const LanguageByte& b : kLanguageBytes)
        if (b.id == id) return b.codePage;
    return 0;
}

// Code pages .cpg files name by word rather than number.
struct CodePageName {
    const char* name;
    unsigned codePage;
};
static const CodePageName kCodePageNames[] = {
    {"UTF8", CP_UTF8},    {"KOI8R", 20866}, {"KOI8U", 21866},  {"BIG5", 950},    {"GBK", 936},
    {"GB2312", 936},      {"SHIFTJIS", 932}, {"SJIS", 932},    {"EUCKR", 51949}, {"EUCJP", 20932},
    {"LATIN1", 28591},    {"ASCII", 20127}, {"USASCII", 20127},
};

// ISO 8859 part n as Windows numbers it.
static unsigned ISO8859CodePage(const std::string& part)
{
    int n = part.empty() || part.find_first_not_of("0123456789") != std::string::npos ? 0 : atoi(part.c_str());
    if (n >= 1 && n <= 9) return 28590 + (unsigned)n;
    return n == 13 ? 28603 : n == 15 ? 28605 : 0;
}

// A .cpg's words with blanks, dashes and underscores taken out, in capitals.
static unsigned NamedCodePage(const std::string& word)
{
    for (const CodePageName& n : kCodePageNames)
        if (word == n.name) return n.codePage;
    for (const char* iso : {"ISO8859", "8859"})
        if (word.compare(0, strlen(iso), iso) == 0) return ISO8859CodePage(word.substr(strlen(iso)));
    std::string number = word;
    for (const char* prefix : {"WINDOWS", "ANSI", "IBM", "CP", "MS"})
        if (word.compare(0, strlen(prefix), prefix) == 0) {
            number = word.substr(strlen(prefix));
            break;
        }
    if (number.empty() || number.size() > 5 || number.find_first_not_of("0123456789") != std::string::npos) return 0;
    return (unsigned)atoi(number.c_str());
}

unsigned DeclaredCodePage(const char* declaration)
{
    if (!declaration) return 0;
    std::string text = declaration;
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);   // a .cpg saved with a byte-order mark
    unsigned codePage;
    if (text.compare(0, 5, "LDID/") == 0) {
        codePage = LanguageByteCodePage(atoi(text.c_str() + 5));
    } else {
        std::string word;
        for (char c : text)
            if (c != ' ' && c != '\t' && c != '-' && c != '_') word += (char)toupper((unsigned char)c);
        codePage = NamedCodePage(word);
    }
    return codePage == CP_UTF8 || (codePage && IsValidCodePage(codePage)) ? codePage : 0;
}

// ---- stored text ----------------------------------------------------------------------------

static bool IsUTF8(const std::string& text)
{
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), (int)text.size(), nullptr, 0) > 0;
}

bool IsMultiByteUTF8(const std::string& text)
{
    bool multiByte = false;
    for (char c : text) multiByte = multiByte || (unsigned char)c >= 0x80;
    return multiByte && IsUTF8(text);
}

static std::atomic<unsigned> programCodePageForTests{0};

void SetProgramCodePageForTests(unsigned codePage) { programCodePageForTests = codePage; }

unsigned ProgramCodePage()
{
    unsigned forTests = programCodePageForTests;
    return forTests ? forTests : GetACP();
}

std::string CodePageDeclaration(unsigned codePage)
{
    return codePage == CP_UTF8 ? std::string("UTF-8") : std::to_string(codePage);
}

// The code page `stored` was written in (see StoredTextAsProgramText), and
// in `whole` how many of its bytes hold whole letters of it.
static unsigned StoredCodePage(const std::string& stored, unsigned declared, size_t* whole)
{
    *whole = stored.size();
    if (declared && declared != CP_UTF8 && !WideFrom(stored, declared).empty()) return declared;
    if (IsUTF8(stored)) return CP_UTF8;
    // A text cut by bytes (a field's width, or an earlier version's cut of a
    // dialog field) may end in part of a letter. Only a text that holds a
    // letter of several bytes before it is taken for UTF-8 so: "Caf\xe9" is
    // code page 1252's "Café" with no letter cut.
    size_t letters = LetterBoundary(stored.data(), stored.size(), CP_UTF8);
    if (letters > 0 && letters < stored.size()) {
        std::string kept = stored.substr(0, letters);
        if (declared == CP_UTF8 ? IsUTF8(kept) : IsMultiByteUTF8(kept)) {
            *whole = letters;
            return CP_UTF8;
        }
    }
    return SystemCodePage();
}

// `stored` cut to its whole letters and the code page they are in; 0 for no text.
static unsigned StoredLetters(const std::string& stored, unsigned declared, std::string* text)
{
    size_t whole = 0;
    unsigned codePage = stored.empty() ? 0 : StoredCodePage(stored, declared, &whole);
    *text = codePage ? stored.substr(0, whole) : stored;
    return codePage;
}

// `text` of code page `from` in code page `to`; `text` itself when it does not convert.
static std::string Converted(const std::string& text, unsigned from, unsigned to)
{
    if (from == to || text.empty()) return text;
    std::u16string wide = WideFrom(text, from);
    std::string converted = wide.empty() ? std::string() : NarrowFrom(wide.c_str(), to, true);
    return converted.empty() ? text : converted;
}

std::string StoredTextAsProgramText(const std::string& stored, unsigned declared)
{
    std::string text;
    unsigned codePage = StoredLetters(stored, declared, &text);
    return codePage ? Converted(text, codePage, ProgramCodePage()) : text;
}

std::string StoredTextAsUTF8(const std::string& stored, unsigned declared)
{
    std::string text;
    unsigned codePage = StoredLetters(stored, declared, &text);
    return codePage ? Converted(text, codePage, CP_UTF8) : text;
}

std::string ProgramTextAsUTF8(const std::string& text) { return Converted(text, ProgramCodePage(), CP_UTF8); }

unsigned StoredFileCodePage(const std::vector<std::string>& texts)
{
    size_t whole;
    for (const std::string& text : texts)
        if (!text.empty() && StoredCodePage(text, 0, &whole) != CP_UTF8) return SystemCodePage();
    return CP_UTF8;
}
