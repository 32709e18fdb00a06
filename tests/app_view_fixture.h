// A started frame with plan views and their linked windows, for the tests of
// the bars, tools and view commands.
#pragma once
#include "test_support.h"
#include "app/startup.h"
#include "views/plan/view_mapping.h"
#include "app/command_ids.h"
#include "app/frame.h"
#include "app/view_window.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/messages.h"
#include <commctrl.h>
#include <cstring>
#include <string>

class ViewShellTest : public testing::Test {
public:
    void SetUp() override
    {
        ASSERT_NE(InitInstance(""), nullptr);
        PumpMessages(20);
    }

    void TearDown() override
    {
        // Linked windows first: they read the record their plan view frees.
        for (HWND w : linked)
            if (IsWindow(w)) SendMessageA(MDIClientWindow, WM_MDIDESTROY, (WPARAM)w, 0);
        if (project) {
            SetWindowSlot(FrameWindow, FRAME_PROJECTWIN, 0);
            if (IsWindow(project)) SendMessageA(MDIClientWindow, WM_MDIDESTROY, (WPARAM)project, 0);
            FreeViewRecord(projectRecord);
        }
        DestroyWindow(FrameWindow);
        PumpMessages(10);
        FrameWindow = nullptr;
        MDIClientWindow = nullptr;
    }

    // A plan view over a square world extent, fitted to its window.
    HWND AddView(const char* title = "view", double extent = 1000.0)
    {
        ViewRecord* r = CreateViewRecord();
        strcpy(r->title, title);
        r->dataMinX = 5000.0;
        r->dataMinY = 2000.0;
        r->dataMaxX = 5000.0 + extent;
        r->dataMaxY = 2000.0 + extent;
        HWND view = CreateViewWindow(r);
        FitViewToWindow(view);
        return view;
    }

    // A profile ("ChildProfile") or 3D ("ChildOpenGL") window of a view.
    HWND AddLinked(HWND view, const char* cls)
    {
        ViewRecord* r = Record(view);
        MDICREATESTRUCTA mcs = {cls, cls, AppInstance, CW_USEDEFAULT, CW_USEDEFAULT, 200, 150, 0, (LPARAM)r};
        HWND w = (HWND)SendMessageA(MDIClientWindow, WM_MDICREATE, 0, (LPARAM)&mcs);
        if (!strcmp(cls, "ChildProfile")) r->profileWindow = w;
        else r->glWindow = w;
        linked.push_back(w);
        return w;
    }

    HWND AddProjectWindow()
    {
        projectRecord = CreateViewRecord();
        MDICREATESTRUCTA mcs = {"ProjectWin", "Project", AppInstance, CW_USEDEFAULT, CW_USEDEFAULT, 200, 150, 0,
                                (LPARAM)projectRecord};
        project = (HWND)SendMessageA(MDIClientWindow, WM_MDICREATE, 0, (LPARAM)&mcs);
        projectRecord->window = project;
        SetWindowSlot(FrameWindow, FRAME_PROJECTWIN, (LONG_PTR)project);
        return project;
    }

    static ViewRecord* Record(HWND w) { return (ViewRecord*)GetWindowSlot(w, CHILD_RECORD); }
    static HWND Toolbar() { return (HWND)GetWindowSlot(FrameWindow, FRAME_TOOLBAR); }
    static bool ButtonChecked(int id)
    {
        return (SendMessageA(Toolbar(), TB_GETSTATE, id, 0) & TBSTATE_CHECKED) != 0;
    }
    static bool MenuChecked(int id)
    {
        return (GetMenuState(ViewMenu, id, MF_BYCOMMAND) & MF_CHECKED) != 0;
    }
    static std::string StatusText(HWND window, int part)
    {
        char text[256] = "";
        SendMessageA((HWND)GetWindowSlot(window, CHILD_STATUSBAR), SB_GETTEXTA, part, (LPARAM)text);
        return text;
    }
    // The window's place inside the MDI client: left, top, width, height.
    static RECT PlaceOf(HWND w)
    {
        RECT r;
        GetWindowRect(w, &r);
        MapWindowPoints(nullptr, MDIClientWindow, (POINT*)&r, 2);
        return {r.left, r.top, r.right - r.left, r.bottom - r.top};
    }
    static RECT ClientOfMDI()
    {
        RECT r;
        GetClientRect(MDIClientWindow, &r);
        return r;
    }

    std::vector<HWND> linked;
    HWND project = nullptr;
    ViewRecord* projectRecord = nullptr;
};
