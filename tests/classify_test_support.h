// A plan view holding one synthetic point set, for the class edit tests.
#pragma once
#include "window_fixtures.h"
#include "base/heap.h"
#include "shell/view_command.h"
#include "data/data_set.h"
#include "data/selection.h"
#include "point_sets.h"

class ClassEditTest : public ViewFixture {
public:
    void SetUp() override
    {
        ViewFixture::SetUp();
        logged().clear();
        SetLogHook(Keep);
    }
    void TearDown() override
    {
        SetLogHook(nullptr);
        SetDialogDriver(nullptr);
        ViewFixture::TearDown();
    }

    // A view over 5000..6000 x 2000..3000 with `n` points of the given classes.
    HWND ViewWithPoints(int n, const std::vector<uint8_t>& classes = {1, 2, 5})
    {
        HWND view = OpenEmptyView("edit.las");
        set = AllocDataSet();
        set->kind = DATA_LAS;
        set->saved = 1;   // as loaded
        strcpy(set->title, "edit.las");
        set->points = (PointRecord*)NBLCalloc(n > 0 ? n : 1, sizeof(PointRecord));
        set->pointCount = set->filePointCount = n;
        for (int i = 0; i < n; i++) {
            set->points[i].x = 5000.0 + (i * 37 % 1000);
            set->points[i].y = 2000.0 + (i * 53 % 1000);
            set->points[i].classification = classes[i % classes.size()];
        }
        Retile();
        ViewRecord* r = Record(view);
        r->dataSets[0] = set;
        r->dataSetCount = 1;
        r->currentDataSet = set;
        return view;
    }
    // Bounds and spatial tiles for the points where they are now.
    void Retile()
    {
        FreePointTiles(set->tiles);
        SetPointSetBounds(set);
        set->tiles = BuildPointTiles(set);
    }
    std::vector<uint8_t> Classes() const
    {
        std::vector<uint8_t> c;
        for (int i = 0; i < set->pointCount; i++) c.push_back(set->points[i].classification);
        return c;
    }
    static std::vector<std::string>& logged()
    {
        static std::vector<std::string> lines;
        return lines;
    }
    static bool Logged(const std::string& line)
    {
        for (const std::string& l : logged())
            if (l == line) return true;
        return false;
    }

    DataSet* set = nullptr;

private:
    static void Keep(const char* text) { logged().push_back(text); }
};
