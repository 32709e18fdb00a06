// Small projects for the project tests: square LAS tiles laid side by side
// and projects made of them.
#pragma once
#include "test_support.h"
#include "window_fixtures.h"
#include "gis/project/project_window.h"
#include "gis/project/project.h"
#include "data/lasfile/las_file.h"
#include "data/lasfile/las_header.h"
#include "base/messages.h"
#include "data/data_set.h"
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

// A LAS file of n x n points spread over the square [x0, x0 + size] x [y0, y0 + size].
inline bool MakeTileLAS(const std::string& path, double x0, double y0, double size, int n = 4)
{
    if (!CreateLASFile(path.c_str(), 12)) return false;
    LASFile* las = OpenLASFile(path.c_str(), LAS_MODE_WRITE);
    if (!las) return false;
    SetLASPointRecordLength(las, 20);
    SetLASScaleAndOffset(las, x0, x0 + size, y0, y0 + size);
    bool ok = WriteLASHeader(las) == 1;
    const LASHeader& h = las->header;
    for (int i = 0; i < n && ok; i++)
        for (int k = 0; k < n && ok; k++) {
            uint8_t record[20] = {};
            double x = x0 + size * i / (n - 1), y = y0 + size * k / (n - 1);
            int32_t xyz[3] = {(int32_t)((x - h.xOffset) / h.xScale + 0.5), (int32_t)((y - h.yOffset) / h.yScale + 0.5),
                              (int32_t)((10.0 - h.zOffset) / h.zScale + 0.5)};
            memcpy(record, xyz, sizeof xyz);
            record[14] = 1 | (1 << 3);
            record[15] = 2;
            ok = WriteLASPoint(las, record) != 0;
        }
    return CloseLASFile(las) == 1 && ok;
}

// A tile record with a square boundary (no file behind it).
inline ProjectTile* SquareTile(const char* name, double x0, double y0, double size)
{
    ProjectTile* t = NewProjectTile(4);
    snprintf(t->name, sizeof t->name, "%s", name);
    RingVertex* v = t->boundary->contour[0].vertex;
    v[0] = {x0, y0};
    v[1] = {x0, y0 + size};
    v[2] = {x0 + size, y0 + size};
    v[3] = {x0 + size, y0};
    SetTileBoundsFromRing(t);
    return t;
}

// A project over a row of `count` LAS tiles of 100 units in `folder` (ends in
// a backslash), named tile0.las, tile1.las, ...; with `files` false no LAS
// file is written.
inline Project* MakeRowProject(const std::string& folder, int count, bool files = true)
{
    Project* p = NewProject();
    for (int i = 0; i < count; i++) {
        char name[32];
        snprintf(name, sizeof name, "tile%d.las", i);
        ProjectTile* t = SquareTile(name, 1000.0 + 100.0 * i, 5000.0, 100.0);
        snprintf(t->path, sizeof t->path, "%s%s", folder.c_str(), name);
        if (files) MakeTileLAS(t->path, 1000.0 + 100.0 * i, 5000.0, 100.0);
        AddProjectTile(p, t);
    }
    SetProjectBoundsFromTiles(p);
    return p;
}

// While alive, keeps every logged line.
class LogLines {
public:
    LogLines() { Lines().clear(); SetLogHook(Keep); }
    ~LogLines() { SetLogHook(nullptr); }
    const std::vector<std::string>& lines() const { return Lines(); }
    bool contains(const std::string& line) const
    {
        for (const std::string& l : Lines())
            if (l == line) return true;
        return false;
    }

private:
    static std::vector<std::string>& Lines()
    {
        static std::vector<std::string> lines;
        return lines;
    }
    static void Keep(const char* text) { Lines().push_back(text); }
};

// Writes the points of the set inside [x0, x1) x [y0, y1) as a format 0 LAS file.
inline bool WriteQuadrant(const DataSet* set, const std::string& path, double x0, double x1, double y0, double y1)
{
    if (!CreateLASFile(path.c_str(), 12)) return false;
    LASFile* las = OpenLASFile(path.c_str(), LAS_MODE_WRITE);
    if (!las) return false;
    SetLASPointRecordLength(las, 20);
    SetLASScaleAndOffset(las, x0, x1, y0, y1);
    bool ok = WriteLASHeader(las) == 1;
    const LASHeader& h = las->header;
    for (int i = 0; i < set->pointCount && ok; i++) {
        const PointRecord& p = set->points[i];
        if (p.x < x0 || p.x >= x1 || p.y < y0 || p.y >= y1) continue;
        uint8_t record[20] = {};
        int32_t xyz[3] = {(int32_t)llround((p.x - h.xOffset) / h.xScale), (int32_t)llround((p.y - h.yOffset) / h.yScale),
                          (int32_t)llround((p.z - h.zOffset) / h.zScale)};
        memcpy(record, xyz, sizeof xyz);
        memcpy(record + 12, &p.intensity, 2);
        record[14] = (uint8_t)(p.returns & 0x3F);
        record[15] = p.classification;
        ok = WriteLASPoint(las, record) != 0;
    }
    return CloseLASFile(las) == 1 && ok;
}

// Cuts the set into columns x rows tiles named <prefix>_<row><column>.las in
// the folder; the multi-selection answer of a tile dialog ("folder|names").
inline std::string CutIntoTiles(const DataSet* set, const std::string& folder, const char* prefix, int columns, int rows)
{
    std::string selection = folder.substr(0, folder.size() - 1);
    for (int row = 0; row < rows; row++)
        for (int column = 0; column < columns; column++) {
            double x0 = set->minX + (set->maxX - set->minX) * column / columns;
            double x1 = column + 1 == columns ? set->maxX + 1 : set->minX + (set->maxX - set->minX) * (column + 1) / columns;
            double y0 = set->minY + (set->maxY - set->minY) * row / rows;
            double y1 = row + 1 == rows ? set->maxY + 1 : set->minY + (set->maxY - set->minY) * (row + 1) / rows;
            std::string name = std::string(prefix) + "_" + std::to_string(row) + std::to_string(column) + ".las";
            if (!WriteQuadrant(set, folder + name, x0, x1, y0, y1)) return "";
            selection += "|" + name;
        }
    return selection;
}

// The client position of a world point in the project window.
inline POINT ProjectWindowPoint(HWND window, double x, double y)
{
    ViewRecord* r = FrameFixture::Record(window);
    return POINT{(LONG)((x - r->viewLeft) / r->scale), (LONG)((r->viewTop - y) / r->scale)};
}

// The mouse moved onto a world point of the project window, then `message` there.
inline void ClickProjectWindow(HWND window, double x, double y, UINT message = WM_LBUTTONDOWN)
{
    POINT p = ProjectWindowPoint(window, x, y);
    SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(p.x, p.y));
    SendMessageA(window, message, MK_LBUTTON, MAKELPARAM(p.x, p.y));
}

// A started frame and a temporary folder; a project window left open is
// closed at the end without saving.
class ProjectFrameFixture : public FolderFrameFixture {
protected:
    void TearDown() override
    {
        if (ProjectWindow()) {
            BoxAnswers no({}, IDNO);
            CloseProjectWindow();
        }
        FrameFixture::TearDown();
    }
};
