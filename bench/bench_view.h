// A bare 1600 x 1000 plan view window around one data set, for the drawing
// benchmarks: record, job control and fitted mapping, no frame.
#pragma once
#include "app/display_settings.h"
#include "app/job_control.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/heap.h"
#include "views/plan/view_mapping.h"
#include <windows.h>

inline HWND MakeBenchView(DataSet* set, ViewRecord** record)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "BenchPlanView";
    wc.cbWndExtra = CHILD_EXTRA_BYTES;
    RegisterClassA(&wc);
    HWND view = CreateWindowExA(0, "BenchPlanView", "bench", WS_POPUP, 0, 0, 1600, 1000, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    ViewRecord* r = (ViewRecord*)NBLCalloc(1, sizeof(ViewRecord));
    InitViewSettings(r);
    r->window = view;
    r->dataKind = set->kind;
    r->dataSetCount = 1;
    r->dataSets = (DataSet**)NBLCalloc(1, sizeof(DataSet*));
    r->dataSets[0] = set;
    SetWindowSlot(view, CHILD_RECORD, (LONG_PTR)r);
    SetWindowSlot(view, CHILD_JOB, (LONG_PTR)CreateJobControl());
    ComputeViewExtents(view);
    *record = r;
    return view;
}
