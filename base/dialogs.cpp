// Dialog helpers: centring on the frame, the modal owner, popup menus, the colour chooser.
#include "base/dialogs.h"
#include "base/messages.h"
#include "base/shell_hooks.h"
#include "base/file_list.h"
#include "base/code_pages.h"
#include "base/gdi_text.h"
#include "base/text.h"
#include <commdlg.h>
#include <string>

void CenterOnFrame(HWND dialog)
{
    RECT frame, own;
    if (!GetWindowRect(MessageOwner(), &frame) || !GetWindowRect(dialog, &own)) return;   // no frame: stay put
    int w = own.right - own.left, h = own.bottom - own.top;
    int x = frame.left + (frame.right - frame.left) / 2 - w / 2;
    int y = frame.top + (frame.bottom - frame.top) / 2 - h / 2;
    MoveWindow(dialog, x, y, w, h, TRUE);
}

int GetDialogText(HWND dialog, int id, char* out, size_t outChars)
{
    // Read in UTF-16 and converted whole: the system's own cut of a text
    // read into a short buffer may fall inside a letter.
    HWND control = GetDlgItem(dialog, id);
    int length = control ? GetWindowTextLengthW(control) : 0;
    std::u16string wide((size_t)length + 1, 0);
    if (length > 0) GetWindowTextW(control, (WCHAR*)&wide[0], length + 1);
    return CopyBounded(out, outChars, NarrowFrom(wide.c_str(), CP_ACP).c_str());
}

struct OwnedSearch {
    HWND owner;
    HWND found;     // a shown dialog: the active one, else the topmost
    HWND hidden;    // a dialog not shown yet (still in its WM_INITDIALOG)
};

static bool IsDialog(HWND window)
{
    char name[16];
    return GetClassNameA(window, name, sizeof name) && !lstrcmpA(name, "#32770");
}

// Only a dialog can hold a modal loop: tooltips and other owned tool windows
// (topmost once shown) come first in the z-order and must not win.
static BOOL CALLBACK FindEnabledOwned(HWND window, LPARAM p)
{
    OwnedSearch* search = (OwnedSearch*)p;
    if (GetWindow(window, GW_OWNER) != search->owner || !IsWindowEnabled(window) || !IsDialog(window)) return TRUE;
    if (!IsWindowVisible(window)) {
        if (!search->hidden) search->hidden = window;
        return TRUE;
    }
    if (!search->found || window == GetActiveWindow()) search->found = window;
    return TRUE;
}

HWND ModalOwner(HWND owner)
{
    if (!owner || !IsWindow(owner)) return owner;
    HWND top = GetAncestor(owner, GA_ROOT);
    if (!top || IsWindowEnabled(top)) return owner;
    // The dialogs run on the frame's thread, also when a worker asks.
    DWORD thread = GetWindowThreadProcessId(top, nullptr);
    HWND inner = top;
    for (int depth = 0; depth < 32 && !IsWindowEnabled(inner); depth++) {
        OwnedSearch search = {inner, nullptr, nullptr};
        EnumThreadWindows(thread, FindEnabledOwned, (LPARAM)&search);
        HWND next = search.found ? search.found : search.hidden;
        if (!next) break;
        inner = next;
    }
    return inner == top ? owner : inner;
}

static CHOOSECOLORA colorChoice;
static COLORREF customColors[16];

static INT_PTR OpenColorDialog(void*) { return ChooseColorA(&colorChoice); }

static PopupMenuHookProc popupMenuHook;
void SetPopupMenuHook(PopupMenuHookProc hook) { popupMenuHook = hook; }

int ChooseFromPopupMenu(HMENU popup, int x, int y, HWND owner)
{
    if (popupMenuHook) return popupMenuHook(popup);
    return (int)TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD | TPM_NONOTIFY, x, y, 0, owner,
                               nullptr);
}

int PickColor(HWND owner, COLORREF initial, COLORREF* chosen)
{
    static const COLORREF fixed[16] = {
        RGB(255, 0, 0),   RGB(255, 0, 128),   RGB(0, 255, 0),   RGB(128, 255, 128),
        RGB(0, 0, 255),   RGB(128, 128, 255), RGB(0, 255, 255), RGB(128, 255, 255),
        RGB(255, 255, 0), RGB(255, 255, 128), RGB(255, 0, 255), RGB(255, 128, 255),
        RGB(255, 128, 0), RGB(128, 52, 0),    RGB(128, 128, 128), RGB(180, 180, 180)};
    for (int i = 0; i < 16; i++) customColors[i] = fixed[i];
    ZeroMemory(&colorChoice, sizeof colorChoice);
    colorChoice.lStructSize = sizeof colorChoice;
    colorChoice.hwndOwner = ModalOwner(owner);
    colorChoice.rgbResult = initial;
    colorChoice.lpCustColors = customColors;
    colorChoice.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR;
    if (!RunModal(DIALOG_CHOOSECOLOR, OpenColorDialog, nullptr)) return 0;
    *chosen = colorChoice.rgbResult;
    return 1;
}

void FillColorSwatch(COLORREF colour, HDC hdc, const RECT* item)
{
    HBRUSH brush = CreateSolidBrush(colour);
    HRGN region = CreateRectRgn(0, 0, item->right, item->bottom);
    HGDIOBJ old = SelectObject(hdc, brush);
    FillRgn(hdc, region, brush);
    SelectObject(hdc, old);
    DeleteObject(region);
    DeleteObject(brush);
}

int GetTextWidth(HDC hdc, const char* text)
{
    HFONT font = CreateFontA(8, 0, 0, 0, 0, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "MS Sans Serif");
    HGDIOBJ old = SelectObject(hdc, font);
    SIZE size = ProgramTextExtent(hdc, text);
    SelectObject(hdc, old);
    DeleteObject(font);
    return size.cx + 4;
}

int ScreenToClientRect(HWND window, RECT* rect)
{
    POINT a = {rect->left, rect->top}, b = {rect->right, rect->bottom};
    if (!ScreenToClient(window, &a)) return 0;
    int ok = ScreenToClient(window, &b);
    rect->left = a.x;
    rect->top = a.y;
    rect->right = b.x;
    rect->bottom = b.y;
    return ok;
}

void SetListBoxExtent(HWND listBox, const FileList* files)
{
    HDC dc = GetDC(listBox);
    int widest = 0;
    for (int i = 0; files && i < files->count; i++) {
        if (!files->entries[i]) continue;
        int w = GetTextWidth(dc, files->entries[i]->path);
        if (w > widest) widest = w;
    }
    ReleaseDC(listBox, dc);
    RECT client;
    GetClientRect(listBox, &client);
    int clientWidth = client.right - client.left;
    SendMessageA(listBox, LB_SETHORIZONTALEXTENT, widest < clientWidth ? clientWidth - 1 : widest + 16, 0);
}

bool RadioChoiceCommand(HWND dialog, int id, int first, int last, const int* values, int* choice)
{
    if (id >= first && id <= last) {
        *choice = values ? values[id - first] : id;
        CheckRadioButton(dialog, first, last, id);
        return true;
    }
    if (id == IDOK || id == IDCANCEL) {
        EndDialog(dialog, id == IDOK ? *choice : 0);
        return true;
    }
    return false;
}

INT_PTR EndDialogWith(HWND dialog, INT_PTR result)
{
    EndDialog(dialog, result);
    return TRUE;
}

LPARAM DialogParameter(HWND dialog, UINT message, LPARAM lParam)
{
    if (message == WM_INITDIALOG) SetWindowLongPtrA(dialog, DWLP_USER, (LONG_PTR)lParam);
    return (LPARAM)GetWindowLongPtrA(dialog, DWLP_USER);
}
