// POI files through the view commands: save, save as, load into another
// view, the unsaved-set question, and what a read-back with OGR finds.
#include "point_sets.h"
#include "window_fixtures.h"
#include "base/file_dialog.h"
#include "base/file_system.h"
#include "base/paths.h"
#include "gis/layers/poi_files.h"
#include "gis/layers/poi_set.h"
#include "gis/layers/poi_shapefile.h"
#include "base/shape_io.h"
#include <gdal.h>
#include <ogr_api.h>
#include <cmath>

namespace {

// Answers one save or open dialog with `answer`, keeping what it was shown.
struct FileChoice {
    std::string preset, caption, filter, answer;
    HWND owner = nullptr;
    int calls = 0;
};
FileChoice choice;

int AnswerChoice(OPENFILENAMEA* ofn, int)
{
    choice.calls++;
    choice.preset = ofn->lpstrFile;
    choice.caption = ofn->lpstrTitle ? ofn->lpstrTitle : "";
    choice.owner = ofn->hwndOwner;
    choice.filter.clear();
    for (const char* f = ofn->lpstrFilter; f && *f; f += strlen(f) + 1) choice.filter += std::string(f) + "|";
    if (choice.answer.empty()) return 0;
    snprintf(ofn->lpstrFile, ofn->nMaxFile, "%s", choice.answer.c_str());
    snprintf(ofn->lpstrFileTitle, ofn->nMaxFileTitle, "%s", GetPathFileName(choice.answer.c_str()));
    return 1;
}

std::vector<std::string>& logged = KeptLog();

class POIFilesTest : public ViewFixture {
protected:
    void SetUp() override
    {
        ViewFixture::SetUp();
        choice = FileChoice();
        logged.clear();
        SetFileDialogHook(AnswerChoice);
        SetLogHook(KeepLog);
    }
    void TearDown() override
    {
        SetLogHook(nullptr);
        SetFileDialogHook(nullptr);
        ViewFixture::TearDown();
    }
    HWND PointView(const char* title)
    {
        DataSet* set = MakePointDataSet({MakePoint(10, 10, 1.5f, 2), MakePoint(60, 20, 2.5f, 2), MakePoint(90, 90, 3, 2)});
        strcpy(set->title, title);
        HWND view = OpenView({set}, 200, 200, title);
        SendMessageA(view, WM_COMMAND, TOOL_POI, 0);
        return view;
    }
    static void PlaceAt(HWND view, double x, double y)
    {
        ViewRecord* r = Record(view);
        LPARAM at = MAKELPARAM((int)std::lround((x - r->viewLeft) / r->scale), (int)std::lround((r->viewTop - y) / r->scale));
        SendMessageA(view, WM_MOUSEMOVE, 0, at);
        SendMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(view, WM_LBUTTONUP, 0, at);
    }
};

}  // namespace

TEST_F(POIFilesTest, SavedMarkersReadBackWithOGRAndLoadIntoAnotherView)
{
    HWND view = PointView("area.las");
    ViewRecord* r = Record(view);
    PlaceAt(view, 10, 10);
    PlaceAt(view, 60, 20);
    PlaceAt(view, 90, 90);
    POIRecord* poi = r->poiSet->records;
    poi[0].deleted = 1;
    strcpy(poi[1].comment, std::string(255, 'c').c_str());
    poi[2].color = RGB(1, 2, 3);
    strcpy(poi[2].name, "Tower");

    // A set never saved is offered the data set's name; the file is the user's choice.
    std::string path = TempPath("survey_poi.shp");
    choice.answer = path;
    SendMessageA(view, WM_COMMAND, CMD_SAVE_POI, 0);
    ASSERT_EQ(choice.calls, 1);
    EXPECT_EQ(choice.preset, "area_poi.shp");
    EXPECT_EQ(choice.caption, "Save POI File");
    EXPECT_EQ(choice.filter, "POI Files (*.shp) |*.shp|");
    EXPECT_EQ(choice.owner, FrameWindow);
    EXPECT_EQ(r->poiSet->saved, 1);
    EXPECT_STREQ(r->poiSet->path, path.c_str());
    EXPECT_STREQ(r->poiSet->title, "survey_poi.shp");
    EXPECT_EQ(logged.back(), "[SAVE]  survey_poi.shp:  POI markers:  2");

    GDALAllRegister();
    GDALDatasetH ds = GDALOpenEx(ToNativePath(path.c_str()).c_str(), GDAL_OF_VECTOR, nullptr, nullptr, nullptr);
    ASSERT_NE(ds, nullptr);
    OGRLayerH layer = GDALDatasetGetLayer(ds, 0);
    EXPECT_EQ(OGR_L_GetGeomType(layer), wkbPoint25D);
    ASSERT_EQ(OGR_L_GetFeatureCount(layer, 1), 2);
    OGRFeatureDefnH defn = OGR_L_GetLayerDefn(layer);
    ASSERT_EQ(OGR_FD_GetFieldCount(defn), 4);
    const char* names[] = {"POI_INDEX", "NAME", "COMMENT", "COLOR"};
    const bool text[] = {false, true, true, false};
    const int widths[] = {10, 32, 255, 10};
    for (int i = 0; i < 4; i++) {
        OGRFieldDefnH field = OGR_FD_GetFieldDefn(defn, i);
        EXPECT_STREQ(OGR_Fld_GetNameRef(field), names[i]);
        // Ten digits may not fit 32 bits: OGR calls such a field a 64-bit integer.
        OGRFieldType type = OGR_Fld_GetType(field);
        EXPECT_TRUE(text[i] ? type == OFTString : type == OFTInteger || type == OFTInteger64) << names[i];
        EXPECT_EQ(OGR_Fld_GetPrecision(field), 0) << names[i];
        EXPECT_EQ(OGR_Fld_GetWidth(field), widths[i]) << names[i];
    }
    OGR_L_ResetReading(layer);
    for (int i = 0; i < 2; i++) {
        OGRFeatureH f = OGR_L_GetNextFeature(layer);
        ASSERT_NE(f, nullptr);
        const POIRecord& want = poi[i + 1];
        EXPECT_EQ(OGR_F_GetFieldAsInteger(f, 0), i);
        EXPECT_STREQ(OGR_F_GetFieldAsString(f, 1), want.name);
        EXPECT_STREQ(OGR_F_GetFieldAsString(f, 2), want.comment);
        EXPECT_EQ(OGR_F_GetFieldAsInteger(f, 3), (int)want.color);
        OGRGeometryH g = OGR_F_GetGeometryRef(f);
        EXPECT_EQ(OGR_G_GetX(g, 0), want.x);
        EXPECT_EQ(OGR_G_GetY(g, 0), want.y);
        EXPECT_EQ(OGR_G_GetZ(g, 0), want.z);
        OGR_F_Destroy(f);
    }
    GDALClose(ds);

    // Another view loads the file; its next marker continues the numbering.
    HWND other = PointView("other.las");
    ViewRecord* o = Record(other);
    choice = FileChoice();
    choice.answer = path;
    SendMessageA(other, WM_COMMAND, CMD_LOAD_POI, 0);
    EXPECT_EQ(choice.caption, "Load POI File");
    EXPECT_EQ(choice.filter, "POI Files (*.shp) |*.shp|All files (*.*)|*.*|");
    ASSERT_EQ(o->poiSet->count, 2);
    EXPECT_EQ(o->poiSet->saved, 1);
    EXPECT_STREQ(o->poiSet->title, "survey_poi.shp");
    EXPECT_EQ(logged.back(), "POI Load Markers:  2");
    for (int i = 0; i < 2; i++) {
        const POIRecord& got = o->poiSet->records[i];
        const POIRecord& want = poi[i + 1];
        EXPECT_EQ(got.x, want.x);
        EXPECT_EQ(got.y, want.y);
        EXPECT_EQ(got.z, want.z);
        EXPECT_STREQ(got.name, want.name);
        EXPECT_STREQ(got.comment, want.comment);
        EXPECT_EQ(got.color, want.color);
    }
    PlaceAt(other, 10, 10);
    EXPECT_STREQ(o->poiSet->records[2].name, "Marker 3");

    // Saved once, "Save POI File" writes at once to the same file.
    choice = FileChoice();
    SendMessageA(other, WM_COMMAND, CMD_SAVE_POI, 0);
    EXPECT_EQ(choice.calls, 0);
    EXPECT_EQ(o->poiSet->saved, 1);
    EXPECT_EQ(logged.back(), "[SAVE]  survey_poi.shp:  POI markers:  3");
}

TEST_F(POIFilesTest, SaveRefusesAnEmptyListAndSaveAsWritesAnEmptyFile)
{
    HWND view = PointView("area.las");
    ViewRecord* r = Record(view);
    BoxAnswers boxes;
    choice.answer = TempPath("none_poi.shp");
    SendMessageA(view, WM_COMMAND, CMD_SAVE_POI_AS, 0);   // no records at all
    PlaceAt(view, 10, 10);
    r->poiSet->records[0].deleted = 1;
    SendMessageA(view, WM_COMMAND, CMD_SAVE_POI, 0);      // every record deleted
    ASSERT_EQ(boxes.shown().size(), 2u);
    for (const ShownBox& box : boxes.shown()) {
        EXPECT_EQ(box.text, kPOIListEmpty);
        EXPECT_EQ(box.caption, "ERROR");
        EXPECT_EQ(box.type & MB_ICONMASK, (unsigned)MB_ICONERROR);
    }
    EXPECT_EQ(choice.calls, 0);

    SendMessageA(view, WM_COMMAND, CMD_SAVE_POI_AS, 0);
    EXPECT_EQ(choice.calls, 1);
    EXPECT_EQ(r->poiSet->saved, 1);
    ShapeInput written;
    ASSERT_EQ(OpenShapesToRead(&written, choice.answer.c_str(), nullptr, true), SHAPES_READABLE);
    EXPECT_EQ(written.count, 0);
    EXPECT_EQ(written.type, SHAPE_POINTZ);
    EXPECT_EQ(boxes.shown().size(), 2u);
}

TEST_F(POIFilesTest, AnUnsavedSetIsAskedAboutBeforeAnotherIsLoaded)
{
    HWND view = PointView("area.las");
    ViewRecord* r = Record(view);
    PlaceAt(view, 10, 10);

    // Never saved: Cancel stops before the open dialog and keeps the set.
    {
        BoxAnswers boxes({IDCANCEL});
        EXPECT_EQ(LoadPOIFile(view), 0);
        ASSERT_TRUE(ShowedOneBox(boxes, kPOIUnsavedUntitled));
        EXPECT_EQ(boxes.shown()[0].caption, "Warning");
        EXPECT_EQ(boxes.shown()[0].type, (unsigned)(MB_YESNOCANCEL | MB_ICONWARNING));
        EXPECT_EQ(choice.calls, 0);
        EXPECT_EQ(r->poiSet->count, 1);
    }
    // Yes saves it first (here through the save dialog); a cancelled open then changes nothing.
    std::string path = TempPath("first_poi.shp");
    {
        BoxAnswers boxes({IDYES});
        choice.answer = path;
        SetFileDialogHook([](OPENFILENAMEA* ofn, int save) {
            if (!save) choice.answer.clear();
            return AnswerChoice(ofn, save);
        });
        EXPECT_EQ(LoadPOIFile(view), 1);
        SetFileDialogHook(AnswerChoice);
        EXPECT_EQ(choice.calls, 2);
        EXPECT_EQ(r->poiSet->saved, 1);
        EXPECT_EQ(r->poiSet->count, 1);
        EXPECT_TRUE(FileExists(path.c_str()));
    }
    // Named and changed: the question names it; No goes on and loads.
    PlaceAt(view, 90, 90);
    {
        BoxAnswers boxes({IDNO});
        choice.answer = path;
        EXPECT_EQ(LoadPOIFile(view), 1);
        ASSERT_TRUE(ShowedOneBox(boxes, Formatted(kPOIUnsavedQuestion, "first_poi.shp")));
        EXPECT_EQ(r->poiSet->count, 1);
        EXPECT_EQ(r->poiSet->saved, 1);
    }
}
