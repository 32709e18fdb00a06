// Damaged inputs through every loading road. Each road gets small valid files
// written here, which are then cut short, bit-flipped, emptied, given NaN,
// infinite or huge numbers, missing keys or companions, overlong lines and
// binary garbage, and loaded through the road's own function under a
// deadline. A case fails on a hang, on a refusal without a message, on a
// taken file holding values no record can hold, or on taking a file the road
// must refuse; a crash ends the run.
#include "layer_test_files.h"
#include "project_test_files.h"
#include "app/class_table.h"
#include "shell/config_file.h"
#include "app/display_settings.h"
#include "app/job_control.h"
#include "shell/open_files.h"
#include "base/code_pages.h"
#include "base/file_io.h"
#include "base/file_list.h"
#include "base/file_system.h"
#include "base/paths.h"
#include "base/text.h"
#include "data/ascii_loader.h"
#include "data/data_set.h"
#include "data/gdal_grid.h"
#include "data/import_fields.h"
#include "data/las_loader.h"
#include "data/lasfile/las_file.h"
#include "data/radar_grid.h"
#include "data/statistics.h"
#include "gis/convert/convert_dialog.h"
#include "gis/convert/import_ascii.h"
#include "gis/convert/import_las.h"
#include "gis/convert/import_shape.h"
#include "gis/layers/aoi_shapefile.h"
#include "app/layer_sets.h"
#include "gis/layers/poi_set.h"
#include "gis/layers/poi_shapefile.h"
#include "gis/layers/ref_files.h"
#include "gis/layers/ref_image.h"
#include "gis/layers/ref_shapefile.h"
#include "gis/project/project.h"
#include "gis/project/project_file.h"
#include "gis/project/tscan_project.h"
#include "base/polygon.h"
#include <gdal.h>
#include "base/shape_io.h"
#include <cmath>
#include <cstring>
#include <functional>

namespace {

typedef std::string Bytes;
const double kNaN = std::nan(""), kInf = HUGE_VAL;

Bytes ReadBytes(const std::string& path)
{
    Bytes bytes;
    VFile f = VFileOpenRead(path.c_str());
    if (!f) return bytes;
    bytes.resize((size_t)VFileSize(f));
    if (!bytes.empty()) VFileReadExact(f, &bytes[0], bytes.size());
    VFileClose(f);
    return bytes;
}

void WriteBytes(const std::string& path, const Bytes& bytes)
{
    VFile f = VFileCreate(path.c_str());
    if (!bytes.empty()) VFileWrite(f, bytes.data(), bytes.size());
    VFileClose(f);
}

// Ends the process naming the case when a load runs past its deadline, so a
// hang fails at once with its case rather than at the test's own limit.
class Deadline {
public:
    explicit Deadline(const std::string& name) : name_(name), done_(CreateEventA(nullptr, TRUE, FALSE, nullptr))
    {
        thread_ = CreateThread(nullptr, 0, Watch, this, 0, nullptr);
    }
    ~Deadline()
    {
        SetEvent(done_);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        CloseHandle(done_);
    }

private:
    static DWORD WINAPI Watch(void* self)
    {
        Deadline* d = (Deadline*)self;
        if (WaitForSingleObject(d->done_, 20000) == WAIT_TIMEOUT) {
            fprintf(stderr, "damaged input hung: %s\n", d->name_.c_str());
            fflush(stderr);
            TerminateProcess(GetCurrentProcess(), 0xC6);
        }
        return 0;
    }
    std::string name_;
    HANDLE done_, thread_;
};

// What one load did: whether the road took the file, the values it took were
// sane, and the boxes it showed.
struct Outcome {
    bool taken = false, sane = true;
    std::vector<ShownBox> boxes;
};

// `load` returns whether the file was taken and sets `sane`; every question
// (a missing companion, a memory warning) is answered No.
Outcome Load(const std::string& name, const std::function<bool(bool* sane)>& load)
{
    Outcome o;
    BoxAnswers answers({}, IDNO);
    {
        Deadline deadline(name);
        o.taken = load(&o.sane);
    }
    o.boxes = answers.shown();
    return o;
}

// Any outcome but a silent refusal or insane values.
void ExpectHandled(const Outcome& o, const std::string& name)
{
    if (o.taken) EXPECT_TRUE(o.sane) << name << ": taken with values no record can hold";
    else EXPECT_FALSE(o.boxes.empty()) << name << ": refused without a word";
}

void ExpectRefused(const Outcome& o, const std::string& name)
{
    EXPECT_FALSE(o.taken) << name << ": a damaged file was taken";
    if (!o.taken) { EXPECT_FALSE(o.boxes.empty()) << name << ": refused without a word"; }
}

bool Usable(double v) { return std::isfinite(v) && std::fabs(v) <= kMaxGridCoordinate; }

// The damage every file gets: none left, cut at several places, and bytes
// with bits flipped at places chosen by a fixed seed.
std::vector<std::pair<std::string, Bytes>> Damaged(const Bytes& good, uint32_t seed, int flips = 8)
{
    std::vector<std::pair<std::string, Bytes>> out;
    out.push_back({"empty", Bytes()});
    for (size_t cut : {(size_t)1, good.size() / 3, good.size() / 2, good.size() - 2})
        if (cut < good.size()) out.push_back({"cut at " + std::to_string(cut), good.substr(0, cut)});
    uint32_t state = seed;
    for (int i = 0; i < flips && !good.empty(); i++) {
        Bytes b = good;
        for (int k = 0; k < 3; k++) {
            state = state * 1664525u + 1013904223u;
            b[(state >> 8) % b.size()] ^= (char)(1u << (state % 8));
        }
        out.push_back({"flip " + std::to_string(i), b});
    }
    return out;
}

void PutBigEndian32(Bytes& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; i++) b[at + i] = (char)(v >> (24 - 8 * i));
}

// ---- shapefiles ---------------------------------------------------------------------------

// The three files of a shapefile as bytes.
struct ShapeFiles {
    Bytes shp, shx, dbf;
};

ShapeFiles ReadShapeFiles(const std::string& shp)
{
    return {ReadBytes(shp), ReadBytes(ChangeFileExtension(shp.c_str(), ".shx")),
            ReadBytes(ChangeFileExtension(shp.c_str(), ".dbf"))};
}

// Writes the files under a new name; a part with `missing` set is left out.
std::string WriteShapeFiles(const char* name, const ShapeFiles& f, const char* missing = "")
{
    std::string shp = TempPath(name);
    for (const char* ext : {".shp", ".shx", ".dbf"}) {
        std::string path = ChangeFileExtension(shp.c_str(), ext);
        DeleteFileA(path.c_str());
        if (strcmp(ext, missing) == 0) continue;
        WriteBytes(path, !strcmp(ext, ".shp") ? f.shp : !strcmp(ext, ".shx") ? f.shx : f.dbf);
    }
    return shp;
}

// Damage that every shapefile road must refuse: a table cut short, a record
// length that does not match the fields, a record count beyond the file, an
// index that points into the header, and missing companions.
std::vector<std::pair<std::string, ShapeFiles>> RefusedShapeDamage(const ShapeFiles& good, bool table)
{
    std::vector<std::pair<std::string, ShapeFiles>> out;
    ShapeFiles f = good;
    f.shx = good.shx;
    PutBigEndian32(f.shx, 100, 10);   // record 0 at byte 20, inside the header
    out.push_back({"index into the header", f});
    f = good;
    PutBigEndian32(f.shx, 100 + 8 * (good.shx.size() / 8 - 13), 0x7FFFFFF0);   // the last record beyond the end
    out.push_back({"index beyond the end", f});
    if (table) {
        f = good;
        f.dbf.resize(good.dbf.size() - 6);
        out.push_back({"table cut short", f});
        f = good;
        f.dbf[10] = f.dbf[11] = (char)0xFF;   // record length 65535
        out.push_back({"record length 65535", f});
        f = good;
        f.dbf[4] = f.dbf[5] = f.dbf[6] = (char)0xFF;
        f.dbf[7] = 0x0F;   // some 268 million records
        out.push_back({"record count beyond the file", f});
    }
    return out;
}

void RunShapefileRoad(const char* road, const ShapeFiles& good, const std::function<bool(const std::string&, bool*)>& load,
                      bool table)
{
    int n = 0;
    auto one = [&](const std::string& what, const ShapeFiles& files, const char* missing, bool mustRefuse) {
        std::string name = std::string(road) + ": " + what;
        std::string path = WriteShapeFiles(("d" + std::to_string(n++) + ".shp").c_str(), files, missing);
        Outcome o = Load(name, [&](bool* sane) { return load(path, sane); });
        if (mustRefuse) ExpectRefused(o, name);
        else ExpectHandled(o, name);
    };
    one("good", good, "", false);
    for (const auto& d : Damaged(good.shp, 11)) one(".shp " + d.first, {d.second, good.shx, good.dbf}, "", d.first == "empty");
    for (const auto& d : Damaged(good.shx, 12)) one(".shx " + d.first, {good.shp, d.second, good.dbf}, "", d.first == "empty");
    for (const auto& d : Damaged(good.dbf, 13)) one(".dbf " + d.first, {good.shp, good.shx, d.second}, "", false);
    for (const auto& d : RefusedShapeDamage(good, table)) one(d.first, d.second, "", true);
    one("no .shx", good, ".shx", true);
    one("no .dbf", good, ".dbf", true);
}

std::vector<double> V(double x, double y, double z = 0) { return {x, y, z}; }

// Shapefiles with one bad number in a vertex, each of which must be refused.
std::vector<std::pair<std::string, std::vector<double>>> BadVertices(bool z)
{
    std::vector<std::pair<std::string, std::vector<double>>> out = {
        {"NaN X", V(kNaN, 5, 1)}, {"infinite Y", V(5, kInf, 1)}, {"X of -1e300", V(-1e300, 5, 1)}};
    if (z) {
        out.push_back({"NaN Z", V(5, 5, kNaN)});
        out.push_back({"Z of 1e300", V(5, 5, 1e300)});
    }
    return out;
}

bool SaneReference(const ReferenceFile* f)
{
    if (!f) return true;
    bool sane = true;
    for (int i = 0; f->lines && i < f->lines->count; i++)
        for (int k = 0; k < f->lines->items[i]->vertexCount; k++) {
            const Vec3& v = f->lines->items[i]->vertices[k];
            sane = sane && Usable(v.x) && Usable(v.y) && Usable(v.z);
        }
    for (int i = 0; f->points && i < f->pointCount; i++)
        sane = sane && Usable(f->points[i].x) && Usable(f->points[i].y) && Usable(f->points[i].z);
    if (f->image) sane = sane && Usable(f->minX) && Usable(f->maxX) && Usable(f->minY) && Usable(f->maxY);
    return sane;
}

bool LoadReference(const std::string& path, bool* sane)
{
    ReferenceFile* f = LoadReferenceFile(path.c_str(), "damaged");
    *sane = SaneReference(f);
    FreeReferenceFile(f);
    return f != nullptr;
}

}  // namespace

TEST(DamagedInputs, ShapefilesOfPOIMarkersAOIPolygonsAndReferenceLayers)
{
    // POI markers, written by the program's own save.
    POISet* markers = NewPOISet(3);
    ASSERT_NE(markers, nullptr);
    for (int i = 0; i < 3; i++) {
        markers->records[i].x = 1000 + i;
        markers->records[i].y = 2000 + i;
        markers->records[i].z = 10.0f + i;
        markers->records[i].color = 0x00FF00;
        snprintf(markers->records[i].name, sizeof markers->records[i].name, "m%d", i);
    }
    snprintf(markers->path, sizeof markers->path, "%s", TempPath("poi.shp").c_str());
    snprintf(markers->title, sizeof markers->title, "poi.shp");
    {
        BoxAnswers quiet;
        ASSERT_EQ(SavePOIShapefile(markers), 1);
    }
    ShapeFiles poi = ReadShapeFiles(markers->path);
    auto loadPOI = [](const std::string& path, bool* sane) {
        POISet* set = LoadPOIShapefile(path.c_str(), "damaged.shp");
        for (int i = 0; set && i < set->count; i++)
            if (!set->records[i].deleted)
                *sane = *sane && Usable(set->records[i].x) && Usable(set->records[i].y) && Usable(set->records[i].z);
        DeletePOISet(set);
        return set != nullptr;
    };
    RunShapefileRoad("POI", poi, loadPOI, true);
    // A colour cell holding no number, and markers with a bad coordinate.
    ShapeFiles garbage = poi;
    size_t colour = garbage.dbf.size() - 2 - 10;   // the last record's COLOR cell, before the end mark
    memcpy(&garbage.dbf[colour], "12#$%abcde", 10);
    ExpectRefused(Load("POI: colour garbage", [&](bool* sane) { return loadPOI(WriteShapeFiles("pg.shp", garbage), sane); }),
                  "POI: colour garbage");
    for (const auto& bad : BadVertices(true)) {
        POISet* set = NewPOISet(2);
        set->records[0] = markers->records[0];
        set->records[1] = markers->records[1];
        set->records[1].x = bad.second[0];
        set->records[1].y = bad.second[1];
        set->records[1].z = (float)bad.second[2];
        snprintf(set->path, sizeof set->path, "%s", TempPath("poibad.shp").c_str());
        {
            BoxAnswers quiet;
            EXPECT_EQ(SavePOIShapefile(set), 0) << bad.first;   // the writer refuses what its reader would
        }
        DeletePOISet(set);
        // Such a file from elsewhere: the last marker's X, Y and Z, the record's last doubles.
        ShapeFiles f = poi;
        for (int k = 0; k < 3; k++) memcpy(&f.shp[f.shp.size() - 24 + 8 * k], &bad.second[(size_t)k], 8);
        std::string path = WriteShapeFiles("poibad2.shp", f);
        ExpectRefused(Load("POI: " + bad.first, [&](bool* sane) { return loadPOI(path, sane); }), "POI: " + bad.first);
    }
    DeletePOISet(markers);

    // AOI polygons with their table.
    std::string aoiPath = TempPath("aoi.shp");
    TestShape square{{{V(0, 0), V(0, 10), V(10, 10), V(10, 0), V(0, 0)}}};
    TestShape other{{{V(20, 20), V(20, 30), V(30, 30), V(20, 20)}}};
    ASSERT_TRUE(WriteTestShapefile(aoiPath, SHAPE_POLYGON, {square, other}, false));
    ASSERT_TRUE(WriteTestAOITable(aoiPath, {3, 4}, true, true, {"a", "b"}, {255, 65280}));
    ShapeFiles aoi = ReadShapeFiles(aoiPath);
    auto loadAOI = [](const std::string& path, bool* sane) {
        AOISet* set = LoadAOIShapefile(path.c_str(), "damaged.shp");
        *sane = SaneReference(set);
        FreeReferenceFile(set);
        return set != nullptr;
    };
    RunShapefileRoad("AOI", aoi, loadAOI, true);
    for (const auto& bad : BadVertices(false)) {
        std::string path = TempPath("aoibad.shp");
        TestShape broken{{{V(0, 0), V(0, 10), bad.second, V(0, 0)}}};
        ASSERT_TRUE(WriteTestShapefile(path, SHAPE_POLYGON, {square, broken}, false));
        ASSERT_TRUE(WriteTestAOITable(path, {1, 2}, false, false));
        ExpectRefused(Load("AOI: " + bad.first, [&](bool* sane) { return loadAOI(path, sane); }), "AOI: " + bad.first);
    }

    // Reference layers: lines with Z and points; the table is not read.
    std::string linesPath = TempPath("lines.shp");
    ASSERT_TRUE(WriteTestShapefile(linesPath, SHAPE_ARCZ,
                                   {TestShape{{{V(0, 0, 1), V(5, 5, 2), V(9, 1, 3)}}}, TestShape{{{V(1, 1, 1), V(2, 2, 2)}}}}));
    RunShapefileRoad("reference lines", ReadShapeFiles(linesPath), LoadReference, false);
    std::string pointsPath = TempPath("points.shp");
    ASSERT_TRUE(WriteTestShapefile(pointsPath, SHAPE_POINTZ, {TestShape{{{V(1, 2, 3)}}}, TestShape{{{V(4, 5, 6)}}}}));
    RunShapefileRoad("reference points", ReadShapeFiles(pointsPath), LoadReference, false);
    for (int type : {SHAPE_POLYGONZ, SHAPE_POINTZ})
        for (const auto& bad : BadVertices(true)) {
            std::string path = TempPath("refbad.shp");
            TestShape broken = type == SHAPE_POINTZ ? TestShape{{{bad.second}}}
                                                   : TestShape{{{V(0, 0, 1), bad.second, V(3, 0, 1), V(0, 0, 1)}}};
            ASSERT_TRUE(WriteTestShapefile(path, type, {TestShape{{{V(1, 1, 1), V(2, 2, 2), V(2, 1, 1), V(1, 1, 1)}}}, broken}));
            std::string name = "reference " + std::to_string(type) + ": " + bad.first;
            ExpectRefused(Load(name, [&](bool* sane) { return LoadReference(path, sane); }), name);
        }
}

namespace {

// A GeoTIFF of Float32 heights (or bytes for an image) with the geotransform.
std::string WriteRaster(const char* name, int width, int height, int bands, GDALDataType type,
                        const std::vector<float>& values, const double* g, const char* driver = "GTiff",
                        char** options = nullptr, const std::vector<int>& interpretations = {})
{
    std::string path = TempPath(name);
    GDALAllRegister();
    GDALDatasetH mem = GDALCreate(GDALGetDriverByName("MEM"), "", width, height, bands, type, nullptr);
    if (g) GDALSetGeoTransform(mem, const_cast<double*>(g));
    for (int b = 1; b <= bands; b++) {
        std::vector<float> v = values;
        for (float& x : v) x += (b - 1) * 7;
        CPLErr e = GDALRasterIO(GDALGetRasterBand(mem, b), GF_Write, 0, 0, width, height, v.data(), width, height,
                                GDT_Float32, 0, 0);
        (void)e;
        if (b <= (int)interpretations.size())
            GDALSetRasterColorInterpretation(GDALGetRasterBand(mem, b), (GDALColorInterp)interpretations[b - 1]);
    }
    GDALDatasetH out =
        GDALCreateCopy(GDALGetDriverByName(driver), ToNativePath(path.c_str()).c_str(), mem, FALSE, options, nullptr, nullptr);
    if (out) GDALClose(out);
    GDALClose(mem);
    return path;
}

bool LoadGrid(const std::string& path, bool* sane, int64_t* valid = nullptr)
{
    DataSet* set = LoadDataFile(path.c_str(), "damaged.tif");
    if (set) {
        *sane = Usable(set->minX) && Usable(set->maxX) && Usable(set->minY) && Usable(set->maxY);
        for (int r = 0; set->heights && r < set->rows; r++)
            for (int c = 0; c < set->columns; c++) *sane = *sane && std::isfinite(set->heights[r][c]);
        if (valid) *valid = set->pointCount;
        FreeDataSet(set);
    }
    return set != nullptr;
}

// Damages a sound raster file and expects each damaged copy handled.
void ExpectDamagedRasterHandled(const std::string& good, uint32_t seed, const std::string& road,
                                const std::function<bool(const std::string&, bool*)>& load)
{
    int n = 0;
    for (const auto& d : Damaged(ReadBytes(good), seed, 16)) {
        std::string path = TempPath((road.substr(0, 1) + std::to_string(n++) + ".tif").c_str());
        WriteBytes(path, d.second);
        std::string name = road + d.first;
        ExpectHandled(Load(name, [&](bool* sane) { return load(path, sane); }), name);
    }
}

}  // namespace

TEST(DamagedInputs, ElevationGridsRefuseBadPlacementsAndVoidCellsThatAreNoNumber)
{
    const double north[6] = {500000, 2, 0, 4000000, 0, -2};
    std::vector<float> ramp(24);
    for (int i = 0; i < 24; i++) ramp[i] = 100.0f + i;
    std::string good = WriteRaster("grid.tif", 6, 4, 1, GDT_Float32, ramp, north);
    // A file GDAL does not know goes on to the text road, which says why not.
    ExpectDamagedRasterHandled(good, 21, "grid: ", [](const std::string& path, bool* sane) { return LoadGrid(path, sane); });
    // Placements that would put cells nowhere or everywhere.
    struct Placement {
        const char* what;
        double g[6];
    } placements[] = {
        {"NaN origin", {kNaN, 2, 0, 4000000, 0, -2}},   {"infinite origin", {500000, 2, 0, kInf, 0, -2}},
        {"cell size 1e300", {500000, 1e300, 0, 4000000, 0, -1e300}}, {"origin 1e300", {1e300, 2, 0, 4000000, 0, -2}},
        {"cell size 1e-300", {500000, 1e-300, 0, 4000000, 0, -1e-300}},
    };
    for (const Placement& p : placements) {
        std::string path = WriteRaster("placed.tif", 6, 4, 1, GDT_Float32, ramp, p.g);
        std::string name = std::string("grid: ") + p.what;
        ExpectRefused(Load(name, [&](bool* sane) { return LoadGrid(path, sane); }), name);
        // The loader itself, reached without the grid test, refuses it too.
        ExpectRefused(Load(name + " (loader)", [&](bool*) {
                          DataSet* set = Load32BitTIFF(path.c_str(), "placed.tif");
                          FreeDataSet(set);
                          return set != nullptr;
                      }),
                      name + " (loader)");
    }
    // Cells that are no number become void cells and are counted.
    for (int bad : {1, 10}) {
        std::vector<float> cells = ramp;
        for (int i = 0; i < bad; i++) cells[i * 24 / bad] = i % 2 ? -HUGE_VALF : std::nanf("");
        std::string path = WriteRaster("nan.tif", 6, 4, 1, GDT_Float32, cells, north);
        std::string name = "grid: " + std::to_string(bad) + " cells no number";
        LogLines log;
        int64_t valid = -1;
        Outcome o = Load(name, [&](bool* sane) { return LoadGrid(path, sane, &valid); });
        EXPECT_TRUE(o.taken && o.sane) << name;
        EXPECT_EQ(valid, 24 - bad) << name;
        char line[100];
        snprintf(line, sizeof line, kGridVoidedLine, (long long)bad);
        EXPECT_TRUE(log.contains(line)) << name;
    }
    // A grid whose every cell is void (no number or no data)
    // holds no heights: refused, not opened as no points with an empty range.
    auto withNoData = [](const std::string& path) {
        GDALDatasetH ds = GDALOpen(ToNativePath(path.c_str()).c_str(), GA_Update);
        if (ds) GDALSetRasterNoDataValue(GDALGetRasterBand(ds, 1), -9999.0);
        if (ds) GDALClose(ds);
        return ds != nullptr;
    };
    for (float fill : {std::nanf(""), -9999.0f}) {
        std::string path = WriteRaster("void.tif", 6, 4, 1, GDT_Float32, std::vector<float>(24, fill), north);
        ASSERT_TRUE(withNoData(path));
        std::string name = "grid: every cell " + std::to_string(fill);
        Outcome o = Load(name, [&](bool* sane) { return LoadGrid(path, sane); });
        ExpectRefused(o, name);
        ASSERT_EQ(o.boxes.size(), 1u) << name;
        EXPECT_NE(o.boxes[0].text.find("no valid cell"), std::string::npos) << o.boxes[0].text;
    }
    // The file's own no-data value is the program's void value.
    std::vector<float> cells = ramp;
    cells[0] = cells[5] = -9999.0f;
    std::string path = WriteRaster("nodata.tif", 6, 4, 1, GDT_Float32, cells, north);
    ASSERT_TRUE(withNoData(path));
    {
        BoxAnswers none;
        DataSet* set = LoadDataFile(path.c_str(), "nodata.tif");
        ASSERT_NE(set, nullptr);
        EXPECT_EQ(set->heights[0][0], VoidCellValue);
        EXPECT_EQ(set->heights[0][5], VoidCellValue);
        EXPECT_EQ(set->pointCount, 22);
        EXPECT_EQ(set->minZ, 101.0f);
        FreeDataSet(set);
    }
}

TEST(DamagedInputs, ReferenceImagesTakeOnlyNorthUpPlacementsAndWholeFiles)
{
    const double north[6] = {1000, 2, 0, 2000, 0, -2};
    std::vector<float> pixels(64);
    for (int i = 0; i < 64; i++) pixels[i] = (float)(i * 3);
    std::string good = WriteRaster("image.tif", 8, 8, 3, GDT_Byte, pixels, north);
    ExpectDamagedRasterHandled(good, 31, "image: ", LoadReference);
    struct Placement {
        const char* what;
        double g[6];
    } placements[] = {
        {"rotated", {1000, 2, 0.5, 2000, 0.5, -2}}, {"south-up", {1000, 2, 0, 2000, 0, 2}},
        {"west-running", {1000, -2, 0, 2000, 0, -2}}, {"zero pixel width", {1000, 0, 0, 2000, 0, -2}},
        {"NaN origin", {kNaN, 2, 0, 2000, 0, -2}},    {"pixel size 1e300", {1000, 1e300, 0, 2000, 0, -1e300}},
    };
    for (const Placement& p : placements) {
        std::string path = WriteRaster("placed.tif", 8, 8, 1, GDT_Byte, pixels, p.g);
        std::string name = std::string("image: ") + p.what;
        Outcome o = Load(name, [&](bool* sane) { return LoadReference(path, sane); });
        ExpectRefused(o, name);
        if (!o.boxes.empty()) { EXPECT_EQ(o.boxes[0].caption, "ERROR") << name; }
        ExpectRefused(Load(name + " (loader)", [&](bool*) {
                          ReferenceFile* f = LoadReferenceImage(path.c_str(), "placed.tif");
                          FreeReferenceFile(f);
                          return f != nullptr;
                      }),
                      name + " (loader)");
    }
    // A JPEG placed by its world file loads whole; cut short it is refused.
    char worldFile[] = "WORLDFILE=YES";
    char* options[] = {worldFile, nullptr};
    std::vector<float> photo(128 * 128);
    for (size_t i = 0; i < photo.size(); i++) photo[i] = (float)((i * 7919) % 251);
    std::string jpeg = WriteRaster("photo.jpg", 128, 128, 3, GDT_Byte, photo, north, "JPEG", options);
    ExpectHandled(Load("image: JPEG", [&](bool* sane) { return LoadReference(jpeg, sane); }), "image: JPEG");
    Bytes whole = ReadBytes(jpeg);
    std::string cut = TempPath("cut.jpg");
    WriteBytes(cut, whole.substr(0, whole.size() * 2 / 3));
    WriteBytes(TempPath("cut.wld"), ReadBytes(ChangeFileExtension(jpeg.c_str(), ".wld")));
    Outcome o = Load("image: JPEG cut short", [&](bool* sane) { return LoadReference(cut, sane); });
    ExpectRefused(o, "image: JPEG cut short");
    if (!o.boxes.empty()) { EXPECT_EQ(o.boxes[0].text, Formatted(kImageReadFailed, "damaged")); }
    // A PNG with a world file is an image of a format this road does not take: it says so.
    std::string png = WriteRaster("scan.png", 8, 8, 1, GDT_Byte, pixels, north, "PNG", options);
    ExpectRefused(Load("image: PNG", [&](bool* sane) { return LoadReference(png, sane); }), "image: PNG");
    // An image named for a format GDAL cannot open here says why.
    for (const char* name : {"survey.ecw", "survey.jp2", "garbled.tif"}) {
        std::string path = TempPath(name);
        WriteBytes(path, Bytes(64, 'x'));
        Outcome o = Load(name, [&](bool* sane) { return LoadReference(path, sane); });
        ExpectRefused(o, name);
        if (!strcmp(name, "survey.ecw") && !GDALGetDriverByName("ECW") && !o.boxes.empty()) {
            EXPECT_EQ(o.boxes[0].text, Formatted(kImageDriverMissing, "ECW", path.c_str()));
        }
    }
    // Grey with alpha: the grey band is shown, not the alpha.
    std::string alpha = WriteRaster("alpha.tif", 8, 8, 2, GDT_Byte, pixels, north, "GTiff", nullptr,
                                    {GCI_GrayIndex, GCI_AlphaBand});
    BoxAnswers none;
    ReferenceFile* f = LoadReferenceFile(alpha.c_str(), "alpha.tif");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->image->pixels[0][1], 3);
    FreeReferenceFile(f);
}

namespace {

const char kRadarHeader[] = "UTM ; DATA FILE TYPE\n3 4 ; DATA FILE DIMENSIONS\n2.5 ; POST SPACING\n"
                            "4500000.0 350000.0 ; STARTING CORNER POSITION\n10 ; UTM ZONE\n";

std::string WriteRadar(const char* base, const Bytes& header, std::vector<float> heights, bool mag = true)
{
    std::string hdr = TempPath((std::string(base) + ".hdr").c_str());
    WriteBytes(hdr, header);
    std::vector<float> swapped = heights;
    SwapBytes4(swapped.data(), swapped.size());
    Bytes dte((const char*)swapped.data(), swapped.size() * 4);
    WriteBytes(ChangeFileExtension(hdr.c_str(), ".dte"), dte);
    std::string magPath = ChangeFileExtension(hdr.c_str(), ".mag");
    if (mag) WriteBytes(magPath, dte);
    else DeleteFileA(magPath.c_str());
    return hdr;
}

bool LoadRadar(const std::string& path, bool* sane)
{
    DataSet* set = LoadDTEData(path.c_str(), "damaged.hdr");
    if (set) {
        *sane = Usable(set->minX) && Usable(set->maxX) && Usable(set->minY) && Usable(set->maxY);
        for (int r = 0; r < set->rows; r++)
            for (int c = 0; c < set->columns; c++) *sane = *sane && std::isfinite(set->heights[r][c]);
        FreeDataSet(set);
    }
    return set != nullptr;
}

std::string Replaced(std::string text, const char* from, const char* to)
{
    size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, strlen(from), to);
    return text;
}

}  // namespace

TEST(DamagedInputs, RadarHeadersNeedEveryKeyValidAndHeightsThatAreNoNumberAreVoid)
{
    std::vector<float> heights(12);
    for (int i = 0; i < 12; i++) heights[i] = 10.0f + i;
    int n = 0;
    for (const auto& d : Damaged(kRadarHeader, 41, 24)) {
        std::string path = WriteRadar(("r" + std::to_string(n++)).c_str(), d.second, heights);
        ExpectHandled(Load("radar header: " + d.first, [&](bool* sane) { return LoadRadar(path, sane); }),
                      "radar header: " + d.first);
    }
    const std::string h = kRadarHeader;
    const std::pair<const char*, std::string> refused[] = {
        {"no type", Replaced(h, "UTM ; DATA FILE TYPE\n", "")},
        // A line with nothing after its semicolon matches every key: it stands in for the missing type.
        {"no type but a bare line", Replaced(h, "UTM ; DATA FILE TYPE\n3 4 ; DATA FILE DIMENSIONS", "3 4 ;")},
        {"unknown type", Replaced(h, "UTM ;", "XYZ ;")},
        {"no dimensions", Replaced(h, "3 4 ; DATA FILE DIMENSIONS\n", "")},
        {"dimensions 3.5", Replaced(h, "3 4 ;", "3.5 4 ;")},
        {"dimensions beyond 32 bits", Replaced(h, "3 4 ;", "99999999999 4 ;")},
        {"no spacing", Replaced(h, "2.5 ; POST SPACING\n", "")},
        {"spacing 1e308", Replaced(h, "2.5 ;", "1e308 ;")},
        {"spacing NaN", Replaced(h, "2.5 ;", "nan ;")},
        {"spacing 1e-300", Replaced(h, "2.5 ;", "1e-300 ;")},
        {"no corner", Replaced(h, "4500000.0 350000.0 ; STARTING CORNER POSITION\n", "")},
        {"corner NaN", Replaced(h, "4500000.0 350000.0", "nan 350000.0")},
        {"corner infinite", Replaced(h, "4500000.0 350000.0", "4500000.0 inf")},
        {"corner 1e308", Replaced(h, "4500000.0 350000.0", "1e308 350000.0")},
        {"keys without semicolons", Replaced(Replaced(h, "3 4 ;", "3 4 "), "2.5 ;", "2.5 ")},
    };
    for (const auto& r : refused) {
        std::string path = WriteRadar(("rr" + std::to_string(n++)).c_str(), r.second, heights);
        std::string name = std::string("radar: ") + r.first;
        ExpectRefused(Load(name, [&](bool* sane) { return LoadRadar(path, sane); }), name);
        // A header lacking a key still opens as one, so that the refusal names the key.
        if (!strncmp(r.first, "no ", 3)) {
            EXPECT_EQ(GetDataFileKind(path.c_str()), DATA_RADAR) << name;
        }
    }
    // Long lines are read whole: a comment, or a key's values followed by a remark.
    const std::pair<const char*, std::string> taken[] = {
        {"comment of 5,000 characters", "# " + std::string(5000, 'c') + "\n" + h},
        {"value line of 400 characters", Replaced(h, "2.5 ; POST SPACING\n", ("2.5 ; POST SPACING " + std::string(400, 'x') + "\n").c_str())},
    };
    for (const auto& t : taken) {
        std::string path = WriteRadar(("rt" + std::to_string(n++)).c_str(), t.second, heights);
        std::string name = std::string("radar: ") + t.first;
        Outcome o = Load(name, [&](bool* sane) { return LoadRadar(path, sane); });
        EXPECT_TRUE(o.taken && o.sane && o.boxes.empty()) << name;
    }
    // A line beyond what is read whole, and a read that fails, refuse the header with their reason.
    std::string beyond = WriteRadar("rbeyond", "# " + std::string(kRadarLineChars, 'c') + "\n" + h, heights);
    Outcome o = Load("radar: line beyond the limit", [&](bool* sane) { return LoadRadar(beyond, sane); });
    ExpectRefused(o, "radar: line beyond the limit");
    char text[300];
    snprintf(text, sizeof text, kRadarLineTooLong, "damaged.hdr", 1);
    EXPECT_TRUE(!o.boxes.empty() && o.boxes[0].text == text);
    std::string good = WriteRadar("rgood", h, heights);
    SetReadFaultAt(2);   // the header opens and reads, then the disk fails
    o = Load("radar: read error", [&](bool* sane) { return LoadRadar(good, sane); });
    SetReadFaultAt(0);
    ExpectRefused(o, "radar: read error");
    snprintf(text, sizeof text, kRadarReadFailed, "damaged.hdr");
    EXPECT_TRUE(!o.boxes.empty() && o.boxes[0].text == text);
    // Companion files: heights missing or short are refused; magnitudes missing are asked about.
    std::string cut = WriteRadar("cut", kRadarHeader, std::vector<float>(heights.begin(), heights.begin() + 7));
    ExpectRefused(Load("radar: heights cut", [&](bool* sane) { return LoadRadar(cut, sane); }), "radar: heights cut");
    std::string noMag = WriteRadar("nomag", kRadarHeader, heights, false);
    ExpectRefused(Load("radar: no magnitudes, answered No", [&](bool* sane) { return LoadRadar(noMag, sane); }),
                  "radar: no magnitudes, answered No");
    DeleteFileA(ChangeFileExtension(noMag.c_str(), ".dte"));
    ExpectRefused(Load("radar: no heights", [&](bool* sane) { return LoadRadar(noMag, sane); }), "radar: no heights");
    // Heights that are no number become void and are counted.
    std::vector<float> holes = heights;
    holes[2] = std::nanf("");
    holes[7] = HUGE_VALF;
    std::string path = WriteRadar("holes", kRadarHeader, holes);
    LogLines log;
    o = Load("radar: NaN heights", [&](bool* sane) { return LoadRadar(path, sane); });
    EXPECT_TRUE(o.taken && o.sane);
    char line[100];
    snprintf(line, sizeof line, kRadarVoidedLine, 2LL);
    EXPECT_TRUE(log.contains(line));
    // The same values as magnitudes: the infinite one is no magnitude and
    // leaves the stretch to the others.
    BoxAnswers none;
    DataSet* set = LoadDTEData(path.c_str(), "holes.hdr");
    ASSERT_NE(set, nullptr);
    ASSERT_NE(set->magnitudes, nullptr);
    EXPECT_EQ(set->magnitudes[1][3], 0);   // the infinite one
    EXPECT_EQ(set->magnitudes[0][0], 2);
    EXPECT_EQ(set->magnitudes[2][3], 65534);
    FreeDataSet(set);
}

namespace {

bool LoadASCII(const std::string& path, bool* sane)
{
    DataSet* set = ReadASCIIPointsDecimated(path.c_str(), "damaged.xyz", 1);
    if (set) {
        *sane = Usable(set->minX) && Usable(set->maxX) && Usable(set->minY) && Usable(set->maxY);
        for (int i = 0; i < set->pointCount; i++)
            *sane = *sane && Usable(set->points[i].x) && Usable(set->points[i].y) && Usable(set->points[i].z);
        FreeDataSet(set);
    }
    return set != nullptr;
}

// One file through the import, its boxes and its tally.
struct Imported {
    int result;
    ConvertTally tally;
    std::vector<ShownBox> boxes;
};

Imported ImportText(const char* title, const Bytes& bytes, const ImportFieldList* fields, JobControl* job)
{
    std::string path = TempPath(title);
    WriteBytes(path, bytes);
    Imported r = {};
    BoxAnswers answers;
    Deadline deadline(title);
    FileList files = {};
    AddFileListEntry(&files, path.c_str(), title);
    r.result = ImportASCIIFile(files.entries[0], fields, job, nullptr, &r.tally);
    ClearFileList(&files);
    r.boxes = answers.shown();
    return r;
}

}  // namespace

TEST(DamagedInputs, ASCIIPointFilesRefuseCoordinatesNoPointCanHold)
{
    ASSERT_EQ(asciiFieldList, nullptr);   // X, Y, Z in the first three columns
    const std::string good = "1000.5 2000.5 10.25\n1001 2001 11\n1002 2002 12\n";
    int n = 0;
    auto run = [&](const std::string& what, const Bytes& bytes, bool mustRefuse) {
        std::string path = TempPath(("a" + std::to_string(n++) + ".xyz").c_str());
        WriteBytes(path, bytes);
        Outcome o = Load("ASCII: " + what, [&](bool* sane) { return LoadASCII(path, sane); });
        if (mustRefuse) ExpectRefused(o, "ASCII: " + what);
        else ExpectHandled(o, "ASCII: " + what);
    };
    for (const auto& d : Damaged(good, 51, 12)) run(d.first, d.second, d.first == "empty");
    for (const char* bad : {"nan", "-inf", "infinity", "1e400", "1e300", "-2e10"}) {
        run(std::string("X ") + bad, Replaced(good, "1001 ", (std::string(bad) + " ").c_str()), true);
        run(std::string("Z ") + bad, Replaced(good, " 12\n", (" " + std::string(bad) + "\n").c_str()), true);
    }
    std::string wide;
    for (int i = 0; i < 10000; i++) wide += std::to_string(i) + " ";
    run("10,000 fields", good + wide + "\n", false);
    run("a line of 1 MB", good + std::string(1 << 20, '7') + "\n" + good, false);
    Bytes garbage;
    for (int i = 0; i < 4096; i++) garbage += (char)((i * 7919) % 256);
    run("binary garbage", garbage, false);
    run("CR line ends", "1 2 3\r4 5 6\r7 8 9\r", false);
    run("non-UTF-8 bytes", good + "\xff\xfe 1 2\n", false);
    run("header line", "X Y Z\n" + good, false);

    // A UTF-8 mark and CRLF line ends are no part of the first X; a field
    // that is no decimal number (hexadecimal, a word) is no 0, nor is a line
    // a NUL byte cuts: each is left out and counted.
    LogLines log;
    std::string path = TempPath("marked.xyz");
    WriteBytes(path, "\xEF\xBB\xBF" "1000.5 2000.5 10.25\r\n0x7a120 2000 10\r\n1001 red 11\r\n" +
                         std::string("1002\0 2002 12\r\n", 15) + "1003 2003 13\r\n" +
                         std::string("1003.5 2003\0 13\r\n", 17) + "1004 2004 14\r\n");
    BoxAnswers lost;
    DataSet* set = ReadASCIIPointsDecimated(path.c_str(), "marked.xyz", 1);
    ASSERT_NE(set, nullptr);
    ASSERT_EQ(set->pointCount, 3);
    EXPECT_EQ(set->points[0].x, 1000.5);
    EXPECT_EQ(set->points[2].x, 1004.0);
    EXPECT_EQ(set->minX, 1000.5);
    FreeDataSet(set);
    std::string notNumbers = Formatted(kASCIILeftOutLine, 2LL), damaged = Formatted(kASCIIControlLine, 2LL, 4LL);
    EXPECT_TRUE(log.contains(notNumbers));
    EXPECT_TRUE(log.contains(damaged));
    // Four of its seven lines: the user is told in a box too.
    ASSERT_TRUE(ShowedOneBox(lost, "marked.xyz" + Formatted(kASCIILinesLostFormat, 4LL, 7LL) + notNumbers + "\n" +
                                       damaged + "\n"));
    EXPECT_EQ(lost.shown()[0].caption, "Warning");
}

namespace {

// Point lines (X 1000.5, 1001.5, ...) with one stray control byte, or with
// the marks and line ends old editors leave, or joined from files of every
// kind of line end: how many points each text road reads, and the line it
// leaves out (0 for none).
struct StrayBytes {
    const char* title;
    Bytes text;
    int points, badLine;
};

std::vector<StrayBytes> StrayControlBytes()
{
    std::vector<std::string> lines;
    for (int i = 0; i < 1000; i++)
        lines.push_back(std::to_string(1000 + i) + ".5 " + std::to_string(2000 + i) + ".5 " + std::to_string(10 + i));
    // The first `count` lines, the i-th ended by ends[i % ends.size()].
    auto joined = [](const std::vector<std::string>& l, std::vector<const char*> ends, size_t count) {
        Bytes b;
        for (size_t i = 0; i < count; i++) b += l[i] + ends[i % ends.size()];
        return b;
    };
    std::vector<std::string> formFeed = lines, nul = lines;
    formFeed[2] = "\f" + formFeed[2];   // read as a blank, it would pass for a point
    nul[9].insert(4, 1, '\0');           // 1009 and .5: a cut number
    return {{"dos.xyz", joined(lines, {"\r\n"}, 10) + "\x1A", 10, 0},
            {"formfeed.xyz", joined(formFeed, {"\r\n"}, 12), 11, 3},
            {"cutnumber.xyz", joined(nul, {"\n"}, 12), 11, 10},
            {"crcrlf.xyz", joined(lines, {"\r\r\n"}, 12), 12, 0},
            {"mac.xyz", joined(lines, {"\r"}, 12), 12, 0},
            {"mixed.xyz", joined(lines, {"\n", "\r\n", "\r"}, 1000), 1000, 0}};
}

}  // namespace

// A control byte spoils its own line, wherever it stands: both text roads
// leave that line out and name it in the log (a DOS mark at the end is the
// end); only text that is not text at all is refused whole.
TEST(DamagedInputs, AStrayControlByteIsOneBadLineOnBothTextRoads)
{
    ASSERT_EQ(asciiFieldList, nullptr);   // X, Y, Z in the first three columns
    JobControl* job = CreateJobControl();
    ImportFieldList* xyz = NewXYZFieldList();
    for (const StrayBytes& c : StrayControlBytes()) {
        char leftOut[200];
        snprintf(leftOut, sizeof leftOut, kASCIIControlLine, 1LL, (long long)c.badLine);
        std::string path = TempPath(c.title);
        WriteBytes(path, c.text);
        {
            LogLines log;
            BoxAnswers boxes;
            DataSet* set = LoadASCIIData(path.c_str(), c.title, 0);
            ASSERT_NE(set, nullptr) << c.title << ": " << (boxes.shown().empty() ? "" : boxes.shown()[0].text);
            ASSERT_EQ(set->pointCount, c.points) << c.title;
            if (c.badLine) { EXPECT_EQ(set->points[c.badLine - 1].x, 1000.5 + c.badLine) << c.title; }
            EXPECT_EQ(set->points[c.points - 1].x, 999.5 + c.points + (c.badLine ? 1 : 0)) << c.title;
            FreeDataSet(set);
            if (c.badLine) { EXPECT_TRUE(log.contains(leftOut)) << c.title; }
        }
        LogLines log;
        Imported r = ImportText(c.title, c.text, xyz, job);
        EXPECT_EQ(r.result, 1) << c.title << ": " << (r.boxes.empty() ? "" : r.boxes[0].text);
        EXPECT_EQ(r.tally.controlLines, c.badLine ? 1u : 0u) << c.title;
        EXPECT_EQ(r.tally.skippedLines, 0u) << c.title;
        snprintf(leftOut, sizeof leftOut, kImportControlLeftOutFormat, 1ull, (unsigned long long)c.badLine);
        bool logged = false;
        for (const std::string& line : log.lines())
            logged = logged || (line.find(c.title) != std::string::npos && line.find(leftOut) != std::string::npos);
        EXPECT_EQ(logged, c.badLine != 0) << c.title;
        BoxAnswers quiet;
        DataSet* set = LoadLASDataWhole(ChangeFileExtension(path.c_str(), ".las"), c.title);
        ASSERT_NE(set, nullptr) << c.title;
        EXPECT_EQ(set->pointCount, c.points) << c.title;
        FreeDataSet(set);
    }
    FreeImportFieldList(xyz);
    FreeJobControl(job);
}

// A file that loses more than a few of its lines (more than 10, or more
// than 3 that are more than 1 % of them) says so with the count: in a box
// after the load, in the import's end notice by the file's name. Fewer are
// told in the log alone, and an import's header line is no loss.
TEST(DamagedInputs, MoreThanAFewLinesLeftOutAreShownWithTheirCount)
{
    ASSERT_EQ(asciiFieldList, nullptr);
    JobControl* job = CreateJobControl();
    ImportFieldList* xyz = NewXYZFieldList();
    // `lines` point lines, a NUL ending every other one from line 2 until `damaged` do.
    auto pointLines = [](int lines, int damaged) {
        Bytes b;
        for (int i = 0; i < lines; i++) {
            b += std::to_string(1000 + i) + " 2000 10";
            if (i % 2 == 1 && i / 2 < damaged) b += '\0';
            b += "\n";
        }
        return b;
    };
    const struct {
        int lines, damaged;
        bool told;
    } cases[] = {{10000, 10, false}, {10000, 11, true}, {100, 3, false}, {100, 4, true},
                 {400, 4, false},    {399, 4, true},     {1000, 500, true}};
    for (const auto& c : cases) {
        std::string title = "lost" + std::to_string(c.lines) + "_" + std::to_string(c.damaged) + ".xyz";
        Bytes text = pointLines(c.lines, c.damaged);
        std::string path = TempPath(title.c_str());
        WriteBytes(path, text);
        {
            BoxAnswers boxes;
            DataSet* set = LoadASCIIData(path.c_str(), title.c_str(), 0);
            ASSERT_NE(set, nullptr) << title;
            EXPECT_EQ(set->pointCount, c.lines - c.damaged) << title;
            FreeDataSet(set);
            if (c.told)
                EXPECT_TRUE(ShowedOneBox(boxes, title + Formatted(kASCIILinesLostFormat, (long long)c.damaged,
                                                                (long long)c.lines) +
                                                    Formatted(kASCIIControlLine, (long long)c.damaged, 2LL) + "\n"))
                    << title;
            else
                EXPECT_TRUE(boxes.shown().empty()) << title;
        }
        Imported r = ImportText(title.c_str(), text, xyz, job);
        ASSERT_EQ(r.result, 1) << title;
        EXPECT_TRUE(r.boxes.empty()) << title;
        EXPECT_EQ(r.tally.lossyFiles, c.told ? 1 : 0) << title;
        EXPECT_EQ(r.tally.lossNotes, c.told ? Formatted(kConvertLinesLostNote, title.c_str(), (unsigned long long)c.damaged,
                                                      (unsigned long long)c.lines)
                                            : std::string())
            << title;
        if (c.damaged != 500) continue;
        // The end notice names the file among the rest of the run, as a warning.
        ConvertDialogState state = {};
        r.tally.converted = 1;
        BoxAnswers notice;
        EndConvertRun(nullptr, &state, &r.tally, "Import", kImportCompleteCaption);
        ASSERT_EQ(notice.shown().size(), 1u);
        std::string note = r.tally.lossNotes;
        note.pop_back();   // the notice ends without a line end
        EXPECT_EQ(notice.shown()[0].text, "Import Process Complete\n\nFiles converted:  1\nFiles failed:  0\nFiles "
                                          "stopped:  0\nLines holding a control byte left out:  500\n\nFiles that "
                                          "lost more than a few lines:\n" + note);
        EXPECT_EQ(notice.shown()[0].type & MB_ICONMASK, (unsigned)MB_ICONWARNING);
    }
    // A header line the import leaves out of fifty (2 %): a header is no loss.
    Bytes headed = "X Y Z\n" + pointLines(49, 0);
    Imported r = ImportText("headed.xyz", headed, xyz, job);
    ASSERT_EQ(r.result, 1);
    EXPECT_EQ(r.tally.skippedLines, 1u);
    EXPECT_EQ(r.tally.lossyFiles, 0);
    FreeImportFieldList(xyz);
    FreeJobControl(job);
}

// Text whose every line holds a control byte (a NUL at the end of each) is
// damaged text, not text without points: every road refuses it as no text,
// saying what it weighed (the first 20 lines but the empty ones, or all of them).
TEST(DamagedInputs, TextWhoseEveryLineHoldsAControlByteIsRefusedAsNoText)
{
    ASSERT_EQ(asciiFieldList, nullptr);
    Bytes text = "\n\n";
    for (int i = 0; i < 30; i++) text += std::to_string(1000 + i) + " 2000 10" + std::string(1, '\0') + "\r\n";
    std::string path = TempPath("nulends.xyz");
    WriteBytes(path, text);
    // The loader looks at the first lines before it reads; a read on its own finds it in its checking pass.
    for (bool loader : {true, false}) {
        BoxAnswers boxes;
        DataSet* set = loader ? LoadASCIIData(path.c_str(), "nulends.xyz", 0)
                              : ReadASCIIPointsDecimated(path.c_str(), "nulends.xyz", 1);
        EXPECT_EQ(set, nullptr);
        FreeDataSet(set);
        std::string refused = loader ? "\n" + Formatted(kASCIINotTextFormat, 18, 18) + "\n"
                                      : Formatted(kASCIIControlRefused, 30LL, 32LL);
        ASSERT_TRUE(ShowedOneBox(boxes, "nulends.xyz" + refused)) << loader;
    }
    JobControl* job = CreateJobControl();
    ImportFieldList* xyz = NewXYZFieldList();
    Imported r = ImportText("nulends.xyz", text, xyz, job);
    EXPECT_EQ(r.result, 0);
    ASSERT_EQ(r.boxes.size(), 1u);
    EXPECT_EQ(r.boxes[0].text, "nulends.xyz\n" + Formatted(kASCIINotTextFormat, 18, 18) + "\n");
    EXPECT_FALSE(VFileExists(ChangeFileExtension(path.c_str(), ".las")));
    FreeImportFieldList(xyz);
    FreeJobControl(job);
}

// A long line reads as the same pieces whatever its end, so the loader names
// the same line; a rewind that fails between the passes fails the read on
// every text road, rather than reading nothing and calling that the end.
TEST(DamagedInputs, TextRoadsCountLinesAlikeWithAnyEndAndFailOnAFailedRewind)
{
    ASSERT_EQ(asciiFieldList, nullptr);
    char refused[200];
    snprintf(refused, sizeof refused, kASCIIValueRefused, 3LL);
    for (const char* end : {"\n", "\r\n", "\r\r\n", "\r"}) {
        std::string path = TempPath("ends.xyz");
        WriteBytes(path, std::string(253, 'x') + end + "1 2 3" + end + "1e400 2 3" + end);
        BoxAnswers boxes;
        EXPECT_EQ(ReadASCIIPointsDecimated(path.c_str(), "ends.xyz", 1), nullptr);
        ASSERT_TRUE(ShowedOneBox(boxes, std::string("ends.xyz") + refused)) << strlen(end);
    }

    const Bytes good = "1000.5 2000.5 10.25\n1001 2001 11\n1002 2002 12\n";
    std::string path = TempPath("rewind.xyz");
    WriteBytes(path, good);
    {
        BoxAnswers boxes;
        SetSeekFaultAt(2);   // the rewind after the checking pass
        DataSet* set = ReadASCIIPointsDecimated(path.c_str(), "rewind.xyz", 1);
        SetSeekFaultAt(0);
        EXPECT_EQ(set, nullptr);
        FreeDataSet(set);
        ASSERT_TRUE(ShowedOneBox(boxes, std::string("rewind.xyz") + kASCIIParseFailed));
    }
    JobControl* job = CreateJobControl();
    ImportFieldList* xyz = NewXYZFieldList();
    SetSeekFaultAt(2);   // the rewind before the points are written
    Imported r = ImportText("rewind.xyz", good, xyz, job);
    SetSeekFaultAt(0);
    EXPECT_EQ(r.result, 0);
    ASSERT_EQ(r.boxes.size(), 1u);
    EXPECT_NE(r.boxes[0].text.find(kImportReadError), std::string::npos) << r.boxes[0].text;
    FreeImportFieldList(xyz);
    FreeJobControl(job);

    // A class list is read twice too: its second pass is no empty file.
    ClassTable t;
    SetDefaultClassTable(&t);
    WriteBytes(path, "1,a,1,2,3\r\n2,b,4,5,6\r\n");
    BoxAnswers boxes;
    SetSeekFaultAt(1);
    EXPECT_EQ(ReadClassListFile(&t, path.c_str(), "rewind.csv"), 0);
    SetSeekFaultAt(0);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_NE(boxes.shown()[0].text.find("Read error after line 0"), std::string::npos) << boxes.shown()[0].text;
    EXPECT_EQ(t.count, 256);
}

TEST(DamagedInputs, ProjectsAndTheirTileIndexes)
{
    std::string folder = TempDir();
    Project* p = MakeRowProject(folder, 3, false);
    snprintf(p->path, sizeof p->path, "%sjob.lep", folder.c_str());
    snprintf(p->title, sizeof p->title, "job.lep");
    {
        BoxAnswers quiet;
        ASSERT_EQ(WriteProjectFile(p), 1);
    }
    FreeProject(p);
    const Bytes lep = ReadBytes(folder + "job.lep");
    const ShapeFiles tiles = ReadShapeFiles(folder + "job_tiles.shp");
    int n = 0;
    auto run = [&](const std::string& what, const Bytes& table, const ShapeFiles& index, bool mustRefuse,
                   const char* missing = "") {
        std::string base = folder + "p" + std::to_string(n++);
        WriteBytes(base + ".lep", table);
        WriteBytes(base + "_tiles.shp", index.shp);
        WriteBytes(base + "_tiles.shx", index.shx);
        WriteBytes(base + "_tiles.dbf", index.dbf);
        if (missing[0]) DeleteFileA((base + missing).c_str());
        std::string name = "project: " + what;
        Outcome o = Load(name, [&](bool* sane) {
            Project* read = ReadProjectFile((base + ".lep").c_str(), "damaged.lep");
            // A tile kept without an outline has no bounds to check.
            for (int i = 0; read && i < read->tileCount; i++) {
                const ProjectTile* t = read->tiles[i];
                *sane = *sane && (!t->boundary || (Usable(t->minX) && Usable(t->maxX) && Usable(t->minY) && Usable(t->maxY))) &&
                        !strpbrk(t->name, "\\/:");
            }
            FreeProject(read);
            return read != nullptr;
        });
        if (mustRefuse) ExpectRefused(o, name);
        else ExpectHandled(o, name);
    };
    run("good", lep, tiles, false);
    for (const auto& d : Damaged(lep, 61)) run(".lep " + d.first, d.second, tiles, d.first.compare(0, 3, "cut") == 0 || d.first == "empty");
    for (const auto& d : Damaged(tiles.shp, 62)) run(".shp " + d.first, lep, {d.second, tiles.shx, tiles.dbf}, d.first == "empty");
    for (const auto& d : Damaged(tiles.dbf, 63)) run(".dbf " + d.first, lep, {tiles.shp, tiles.shx, d.second}, d.first == "empty");
    for (const auto& d : RefusedShapeDamage(tiles, true)) run(d.first, lep, d.second, true);
    // Tile names with folders or drives, and tiles with a corner that is no number.
    for (const char* name : {"..\\tile0.las", "C:\\tile0.las", "sub/tile0.las"}) {
        Project* q = MakeRowProject(folder, 2, false);
        snprintf(q->path, sizeof q->path, "%sq.lep", folder.c_str());
        snprintf(q->tiles[1]->name, sizeof q->tiles[1]->name, "%s", name);
        {
            BoxAnswers quiet;
            WriteProjectFile(q);
        }
        FreeProject(q);
        run(std::string("tile named ") + name, ReadBytes(folder + "q.lep"), ReadShapeFiles(folder + "q_tiles.shp"), true);
    }
    Project* q = MakeRowProject(folder, 2, false);
    snprintf(q->path, sizeof q->path, "%sq.lep", folder.c_str());
    q->tiles[1]->boundary->contour[0].vertex[2].x = kNaN;
    {
        BoxAnswers quiet;
        WriteProjectFile(q);
    }
    FreeProject(q);
    // The program writes such an outline as none, which opens again; a file
    // from elsewhere with the corner is refused.
    ShapeFiles corner = ReadShapeFiles(folder + "q_tiles.shp");
    run("tile corner NaN, as written", ReadBytes(folder + "q.lep"), corner, false);
    // The first tile's closing X, before the second tile's null shape (12 bytes).
    memcpy(&corner.shp[corner.shp.size() - 12 - 16], &kNaN, 8);
    run("tile corner NaN", ReadBytes(folder + "q.lep"), corner, true);
    for (const char* part : {"_tiles.shp", "_tiles.shx", "_tiles.dbf"}) run(std::string("no ") + part, lep, tiles, true, part);
    // A tile whose data folder and name make a path longer than a path holds
    // is named, not shown as missing while its file is there. The message
    // counts the path in letters, and the limit in the bytes it is in.
    const char* longName = "a_tile_with_a_rather_long_name.las";
    auto refusedAsTooLong = [&](const std::string& deep, size_t twoByteLetters) {
        // An earlier run under the same process id may have left the folder:
        // the tile's path is too long for the A calls that empty it.
        ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
        std::u16string full = WideFrom("\\\\?\\" + deep + longName, CP_UTF8);
        HANDLE made = CreateFileW((const WCHAR*)full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (made != INVALID_HANDLE_VALUE) CloseHandle(made);
        Project* distant = MakeRowProject(folder, 2, false);
        snprintf(distant->path, sizeof distant->path, "%sfar.lep", folder.c_str());
        snprintf(distant->dataFolder, sizeof distant->dataFolder, "%s", deep.c_str());
        snprintf(distant->tiles[1]->name, sizeof distant->tiles[1]->name, "%s", longName);
        {
            BoxAnswers quiet;
            ASSERT_EQ(WriteProjectFile(distant), 1);
        }
        FreeProject(distant);
        BoxAnswers boxes;
        Project* read = ReadProjectFile((folder + "far.lep").c_str(), "far.lep");
        EXPECT_EQ(read, nullptr);
        FreeProject(read);
        int bytes = (int)(deep.size() + strlen(longName));
        std::string first = Formatted(kProjectOpenReadFailed, "far.lep");
        std::string reason = Formatted(kTilePathTooLongFormat, longName, 2, bytes - (int)twoByteLetters, bytes, 255);
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].text, Formatted(kProjectCorruptReasonFormat, first.c_str(), reason.c_str()));
        DeleteFileW((const WCHAR*)full.c_str());
        RemoveDirectoryA(deep.c_str());
    };
    refusedAsTooLong(folder + std::string(240 - folder.size(), 'd') + "\\", 0);
    std::string russian = folder;
    while (russian.size() < 238) russian += "\xd0\x94";   // Д
    refusedAsTooLong(russian + "\\", (russian.size() - folder.size()) / 2);
    // Missing tiles are no damage: the project opens with them marked not found.
    BoxAnswers none;
    Project* read = ReadProjectFile((folder + "job.lep").c_str(), "job.lep");
    ASSERT_NE(read, nullptr);
    for (int i = 0; i < read->tileCount; i++) EXPECT_EQ(read->tiles[i]->activeStatus, TILE_NOT_FOUND);
    FreeProject(read);
}

TEST(DamagedInputs, TerraScanProjectsAreReadWholeOrRefusedSayingWhy)
{
    const std::string head = "[TerraScan project]\nStorage=LAS\n";
    const std::string block = "Block C:\\tiles\\a.las\n1000 5000\n1000 5100\n1100 5100\n1100 5000\n";
    int n = 0;
    auto read = [&](const std::string& what, const Bytes& text) {
        std::string path = TempPath(("s" + std::to_string(n++) + ".prj").c_str());
        WriteBytes(path, text);
        std::string name = "TerraScan: " + what;
        return Load(name, [&](bool* sane) {
            Project* p = ReadTScanProject(path.c_str(), "survey.prj");
            for (int i = 0; p && i < p->tileCount; i++)
                *sane = *sane && Usable(p->tiles[i]->minX) && Usable(p->tiles[i]->maxX) && Usable(p->tiles[i]->minY) &&
                        Usable(p->tiles[i]->maxY) && p->tiles[i]->minX <= p->tiles[i]->maxX;
            FreeProject(p);
            return p != nullptr;
        });
    };
    auto refused = [&](const std::string& what, const Bytes& text, const std::string& message) {
        Outcome o = read(what, text);
        ExpectRefused(o, "TerraScan: " + what);
        EXPECT_TRUE(!o.boxes.empty() && o.boxes[0].text == message) << what << ": " << (o.boxes.empty() ? "" : o.boxes[0].text);
    };
    for (const auto& d : Damaged(head + block, 101, 16)) ExpectHandled(read(d.first, d.second), "TerraScan: " + d.first);
    // A corner that is no number or lies off any map is never kept with empty bounds.
    for (const char* corner : {"nan 5000", "1000 1e308", "inf -inf", "1e400 5000"}) {
        std::string text = head + block + "Block C:\\tiles\\b.las\n1100 5000\n" + corner + "\n1200 5100\n";
        char message[300];
        snprintf(message, sizeof message, kTScanBadCorner, "C:\\tiles\\b.las", "survey.prj");
        refused(std::string("corner ") + corner, text, message);
    }
    // A path or line too long to read whole is refused by its line, never
    // cut; the message shows the path's start by whole letters.
    char message[300];
    const std::string longPath = "C:\\" + std::string(300, 'p') + ".las";
    snprintf(message, sizeof message, kTScanPathTooLong, 3, "survey.prj", 255,
             longPath.substr(0, kTScanPathShown).c_str());
    refused("path of 300 characters", head + "Block " + longPath + "\n0 0\n0 1\n1 1\n" + block, message);
    std::string cyrillic = "C:\\";
    for (int i = 0; i < 150; i++) cyrillic += "\xd0\xb4";   // 2 bytes a letter: byte 80 would split one
    snprintf(message, sizeof message, kTScanPathTooLong, 3, "survey.prj", 255,
             cyrillic.substr(0, kTScanPathShown - 1).c_str());
    refused("path of 150 Cyrillic letters", head + "Block " + cyrillic + ".las\n0 0\n0 1\n1 1\n" + block, message);
    snprintf(message, sizeof message, kTScanLineTooLong, 2, "survey.prj", 4095);
    refused("description of 5,000 characters", "[TerraScan project]\nDescription=" + std::string(5000, 'd') + "\n" + block,
            message);
    // A line at the limit fits whatever its end.
    std::string crlf = head + block;
    for (size_t at = 0; (at = crlf.find('\n', at)) != std::string::npos; at += 2) crlf.insert(at, 1, '\r');
    EXPECT_TRUE(read("description of 4,095 characters, CRLF",
                     "[TerraScan project]\r\nDescription=" + std::string(4095 - 12, 'd') + "\r\n" + crlf)
                    .taken);
    // A read that fails is no end of the file: the blocks after it would be lost.
    snprintf(message, sizeof message, kTScanReadFailed, "survey.prj");
    SetReadFaultAt(2);
    refused("read error", head + block, message);
    SetReadFaultAt(0);
    // A UTF-8 mark before the first line is no part of it.
    EXPECT_TRUE(read("UTF-8 mark", "\xEF\xBB\xBF" + head + block).taken);
}

TEST(DamagedInputs, ConfigurationFilesAndClassLists)
{
    // Class lists: the program's own file, damaged.
    ClassTable table;
    SetDefaultClassTable(&table);
    std::string list = TempPath("classes.csv");
    {
        BoxAnswers quiet;
        ASSERT_EQ(WriteClassListFile(&table, list.c_str(), "classes.csv"), 1);
    }
    const Bytes good = ReadBytes(list);
    int n = 0;
    auto runList = [&](const std::string& what, const Bytes& bytes, bool mustRefuse, const std::string& error = "") {
        std::string path = TempPath(("c" + std::to_string(n++) + ".csv").c_str());
        WriteBytes(path, bytes);
        Outcome o = Load("class list: " + what, [&](bool* sane) {
            ClassTable t;
            SetDefaultClassTable(&t);
            bool taken = ReadClassListFile(&t, path.c_str(), "damaged.csv") == 1;
            *sane = t.count >= 0 && t.count <= 256;
            for (const ClassEntry& e : t.entries) *sane = *sane && memchr(e.name, 0, sizeof e.name);
            return taken;
        });
        if (mustRefuse) ExpectRefused(o, "class list: " + what);
        else ExpectHandled(o, "class list: " + what);
        if (!error.empty()) {
            EXPECT_TRUE(!o.boxes.empty() && o.boxes[0].text.find("\nError:  " + error + "\n") != std::string::npos)
                << what << ": " << (o.boxes.empty() ? "" : o.boxes[0].text);
        }
    };
    for (const auto& d : Damaged(good, 71, 16)) runList(d.first, d.second, d.first == "empty" || d.first == "cut at 1");
    runList("code 300", "300,Too High,1,2,3\n2,Ground,4,5,6\n", true);
    runList("colour -1", "1,Unclassified,-1,2,3\n2,Ground,4,5,6\n", true);
    runList("unterminated quote", "1,\"Unclassified,1,2,3\n2,Ground,4,5,6\n", false);
    runList("name of 300 characters", "1," + std::string(300, 'n') + ",1,2,3\n2,Ground,4,5,6\n", true,
            "Line 1 longer than 254 characters");
    // Codes and colours that are no numbers are refused by their line, never read as 0.
    runList("hexadecimal red", "1,Unclassified,0x1F,2,3\n2,Ground,4,5,6\n", true, "Line 1: Red not a number");
    runList("code a word", "2,Ground,4,5,6\nx,Wires,1,2,3\n", true, "Line 2: Code not a number");
    runList("blue with a NUL byte", "2,Ground,4,5,6\n3,Low,1,2," + std::string("3\0", 2) + "\n", true,
            "Line 2 holds a NUL byte");
    runList("header line", "code,name,red,green,blue\n1,a,1,2,3\n2,b,4,5,6\n", true, "Line 1: Code not a number");
    // A code named twice would lose a class; a cut line would pass for another.
    runList("code twice", "1,a,1,2,3\n2,b,4,5,6\n1,c,7,8,9\n", true, "Line 3: Code 1 repeated (first on line 1)");
    runList("long line with a class at its end", "1,a,1,2,3\n" + std::string(251, 'x') + ",,,9,tail,1,2,3\n2,b,4,5,6\n",
            true, "Line 2 longer than 254 characters");
    // The program's own list with a UTF-8 mark before it reads the same.
    runList("UTF-8 mark", "\xEF\xBB\xBF" + good, false);

    // Configuration files: the program's own file, damaged. Reading one
    // either takes it whole or leaves the settings as they were.
    std::string config = TempPath("settings.cfg");
    snprintf(currentConfigPath, sizeof currentConfigPath, "%s", config.c_str());
    snprintf(currentConfigTitle, sizeof currentConfigTitle, "settings.cfg");
    SetDefaultDisplaySettings();   // settings that pass the reader's checks when read back
    const DisplaySettings before = GlobalDisplaySettings;
    {
        BoxAnswers quiet;
        ASSERT_EQ(WriteConfigFile(nullptr), 1);
    }
    const Bytes settings = ReadBytes(config);
    for (const auto& d : Damaged(settings, 81, 40)) {
        WriteBytes(config, d.second);
        std::string name = "config: " + d.first;
        Outcome o = Load(name, [&](bool*) { return ReadConfigFile(nullptr) == 1; });
        if (d.first == "empty" || d.first.compare(0, 3, "cut") == 0) ExpectRefused(o, name);
        else ExpectHandled(o, name);
        if (!o.taken) { EXPECT_EQ(memcmp(&GlobalDisplaySettings, &before, sizeof before), 0) << name; }
        GlobalDisplaySettings = before;
    }
    // A class count beyond the table is refused; one of 0 or 1 is a table the
    // program saves itself once classes are deleted.
    for (int32_t count : {0, 1, -1, 257, 2}) {
        Bytes b = settings;
        memcpy(&b[46], &count, 4);   // the class table's count
        WriteBytes(config, b);
        std::string name = "config: class count " + std::to_string(count);
        Outcome o = Load(name, [&](bool*) { return ReadConfigFile(nullptr) == 1; });
        if (count >= 0 && count <= 256) {
            EXPECT_TRUE(o.taken) << name;
            EXPECT_EQ(GlobalDisplaySettings.classTable.count, count) << name;
        } else {
            ExpectRefused(o, name);
        }
        GlobalDisplaySettings = before;
    }
}

namespace {

// Whether the LAS file an import wrote loads with sane coordinates (the
// loader takes no file of fewer than two points, a fair result of a text
// that holds fewer).
bool SaneImport(const std::string& las)
{
    LASFile* file = OpenLASFile(las.c_str(), LAS_MODE_READ);
    uint32_t points = file ? file->header.legacyPointCount : 1;
    if (file) CloseLASFile(file);
    if (points < 2) return true;
    BoxAnswers quiet;
    DataSet* set = LoadLASDataWhole(las.c_str(), "imported.las");
    bool sane = set != nullptr;
    for (int i = 0; set && i < set->pointCount; i++)
        sane = sane && Usable(set->points[i].x) && Usable(set->points[i].y) && Usable(set->points[i].z);
    FreeDataSet(set);
    return sane;
}

// A table of INTENSITY and CLASS with `rows` rows beside the shapefile.
bool WriteImportTable(const std::string& shp, int rows)
{
    std::string dbf = ChangeFileExtension(shp.c_str(), ".dbf");
    ShapeGroupWriter w;
    int h = BeginShapeGroup(&w, dbf.c_str()) ? CreateGroupTable(&w, dbf.c_str()) : -1;
    bool ok = h >= 0 && AddTableColumn(&w, h, "INTENSITY", COLUMN_INTEGER, 8, 0) == 0 &&
              AddTableColumn(&w, h, "CLASS", COLUMN_INTEGER, 4, 0) == 1;
    for (int i = 0; i < rows && ok; i++) ok = WriteIntegerCell(&w, h, i, 0, 100 + i) && WriteIntegerCell(&w, h, i, 1, 2);
    return CommitShapeGroup(&w, ok) == 1;
}

}  // namespace

TEST(DamagedInputs, ImportsOfASCIIAndShapefilesIntoLAS)
{
    JobControl* job = CreateJobControl();
    ImportFieldList* xyz = NewXYZFieldList();
    int n = 0;
    auto importText = [&](const std::string& what, const Bytes& bytes) {
        std::string path = TempPath(("t" + std::to_string(n++) + ".xyz").c_str());
        WriteBytes(path, bytes);
        std::string name = "ASCII import: " + what;
        ExpectHandled(Load(name, [&](bool* sane) {
                          FileList files = {};
                          AddFileListEntry(&files, path.c_str(), "damaged.xyz");
                          int r = ImportASCIIFile(files.entries[0], xyz, job, nullptr);
                          ClearFileList(&files);
                          if (r == 1) *sane = SaneImport(ChangeFileExtension(path.c_str(), ".las"));
                          return r == 1;
                      }),
                      name);
    };
    const std::string good = "1000.5 2000.5 10.25\n1001 2001 11\n1002 2002 12\n";
    for (const auto& d : Damaged(good, 91, 8)) importText(d.first, d.second);
    for (const char* bad : {"nan", "-inf", "1e400"}) importText(std::string("Z ") + bad, Replaced(good, " 12\n", (" " + std::string(bad) + "\n").c_str()));
    std::string wide;
    for (int i = 0; i < 10000; i++) wide += std::to_string(i) + " ";
    importText("10,000 fields", good + wide + "\n");
    importText("a line of 1 MB", good + std::string(1 << 20, '7') + "\n");
    Bytes garbage;
    for (int i = 0; i < 4096; i++) garbage += (char)((i * 7919) % 256);
    importText("binary garbage", garbage);
    importText("CR line ends", "1 2 3\r4 5 6\r7 8 9\r");
    importText("header line", "X Y Z\n" + good);

    auto importOne = [&](const char* title, const Bytes& bytes) { return ImportText(title, bytes, xyz, job); };
    // Wide and binary text is refused and leaves no file: text with a wide
    // mark as the loader refuses it, without one for its control bytes.
    auto wide16 = [&](const char* mark, bool big) {
        Bytes b = mark;
        for (char c : good) b += big ? std::string(1, '\0') + c : std::string(1, c) + '\0';
        return b;
    };
    Bytes utf32 = Bytes("\xFF\xFE\0\0", 4);
    for (char c : good) utf32 += std::string(1, c) + std::string(3, '\0');
    // Without the mark, the three lines of wide text and the NUL after them are four lines of NULs.
    const struct {
        const char* title;
        Bytes text;
        std::string reason;
    } notText[] = {{"utf16.xyz", wide16("\xFF\xFE", false), kASCIIWideText},
                   {"utf16bare.xyz", wide16("", false), Formatted(kASCIINotTextWholeFormat, 4, 4)},
                   {"utf16be.xyz", wide16("\xFE\xFF", true), kASCIIWideText},
                   {"utf32.xyz", utf32, kASCIIWideText},
                   {"binary.xyz", garbage, Formatted(kASCIINotTextFormat, 20, 20)}};
    for (const auto& t : notText) {
        Imported r = importOne(t.title, t.text);
        EXPECT_EQ(r.result, 0) << t.title;
        ASSERT_EQ(r.boxes.size(), 1u) << t.title;
        EXPECT_EQ(r.boxes[0].text, std::string(t.title) + "\n" + t.reason + "\n");
        EXPECT_FALSE(VFileExists(ChangeFileExtension(TempPath(t.title).c_str(), ".las"))) << t.title;
    }
    // A UTF-8 mark is no part of the first X; hexadecimal and words are no
    // numbers, and a NUL byte damages its line: those lines are left out and counted.
    std::string filler;
    for (int i = 0; i < 20; i++) filler += "1001 2001 11\r\n";
    Imported marked = importOne("marked.xyz", "\xEF\xBB\xBF" "1000.5 2000.5 10.25\r\n0x7a120 2000 10\r\n1001 red 11\r\n" +
                                                  filler + std::string("1002\0 2002 12\r\n", 15) + "1003 2003 13\r\n");
    EXPECT_EQ(marked.result, 1);
    EXPECT_EQ(marked.tally.skippedLines, 2u);
    EXPECT_EQ(marked.tally.controlLines, 1u);
    DataSet* set = LoadLASDataWhole(TempPath("marked.las").c_str(), "marked.las");
    ASSERT_NE(set, nullptr);
    ASSERT_EQ(set->pointCount, 22);
    EXPECT_NEAR(set->points[0].x, 1000.5, 0.0005);
    EXPECT_NEAR(set->points[21].x, 1003.0, 0.0005);
    FreeDataSet(set);
    // A file that gives no point fails, saying why, and leaves no LAS file.
    std::string hex;
    for (int i = 0; i < 1000; i++) hex += "0x7a120 0x3d090 " + std::to_string(i) + "\n";
    Imported none = importOne("hex.xyz", hex);
    EXPECT_EQ(none.result, 0);
    ASSERT_EQ(none.boxes.size(), 1u);
    char reason[200];
    snprintf(reason, sizeof reason, kImportLeftOutFormat, 1000ull);
    EXPECT_EQ(none.boxes[0].text, std::string("hex.xyz\n") + kImportNoPoints + "\n" + reason);
    EXPECT_FALSE(VFileExists(TempPath("hex.las").c_str()));
    // One far-off value keeps every point; the axis that lost resolution is
    // named with its step in the log and the end notice.
    LogLines log;
    Imported farOff = importOne("far.xyz", "500000.125 4000000.5 10\n3e9 4000001.5 11\n500002.375 4000002.5 12\n");
    EXPECT_EQ(farOff.result, 1);
    ASSERT_EQ(farOff.tally.coarseAxes, 1);
    char note[300];
    snprintf(note, sizeof note, kImportCoarseFormat, "far.xyz", 'X', 1.0, 0.001);
    EXPECT_TRUE(log.contains(note)) << note;
    ConvertDialogState state = {};
    farOff.tally.converted = 1;
    BoxAnswers notice;
    EndConvertRun(nullptr, &state, &farOff.tally, "Import", kImportCompleteCaption);
    ASSERT_EQ(notice.shown().size(), 1u);
    EXPECT_EQ(notice.shown()[0].text, "Import Process Complete\n\nFiles converted:  1\nFiles failed:  0\nFiles stopped:  0"
                                      "\n\nStored with coarser steps:\nfar.xyz:  X stored in steps of 1 instead of 0.001");
    // A value beyond any map cannot be kept with the others: the file fails by its line.
    Imported beyond = importOne("beyond.xyz", "1 2 3\n\nshort line\n4e11 5 6\n");
    EXPECT_EQ(beyond.result, 0);
    char text[300];
    snprintf(text, sizeof text, kImportBeyondMapFormat, 4ull);
    EXPECT_TRUE(!beyond.boxes.empty() && beyond.boxes[0].text == std::string("beyond.xyz\n") + text + "\n");
    EXPECT_FALSE(VFileExists(TempPath("beyond.las").c_str()));
    set = LoadLASDataWhole(TempPath("far.las").c_str(), "far.las");
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->pointCount, 3);
    EXPECT_NEAR(set->points[1].x, 3e9, 0.5);
    EXPECT_NEAR(set->points[2].y, 4000002.5, 0.0005);   // the other axes keep their step
    FreeDataSet(set);
    FreeImportFieldList(xyz);

    // Shapefile import: the shapefile roads' damage, and a LAS file written
    // only with coordinates it can hold.
    std::string pointsPath = TempPath("import.shp");
    ASSERT_TRUE(WriteTestShapefile(pointsPath, SHAPE_POINTZ, {TestShape{{{V(1, 2, 3)}}}, TestShape{{{V(4, 5, 6)}}}}));
    auto importShapes = [&](const std::string& path, bool* sane) {
        FileList list = {};
        AddFileListEntry(&list, path.c_str(), "damaged.shp");
        ShapeImportSettings settings = {};
        int r = ImportShapeFile(list.entries[0], &settings, job, nullptr);
        ClearFileList(&list);
        if (r == 1) *sane = SaneImport(ChangeFileExtension(path.c_str(), ".las"));
        return r == 1;
    };
    RunShapefileRoad("shapefile import", ReadShapeFiles(pointsPath), importShapes, true);
    // A record that is no number is left out; one beyond the map fails the file.
    for (const auto& bad : BadVertices(true)) {
        std::string path = TempPath(("bad" + std::to_string(n++) + ".shp").c_str());
        ASSERT_TRUE(WriteTestShapefile(path, SHAPE_POINTZ, {TestShape{{{V(1, 2, 3)}}}, TestShape{{{bad.second}}},
                                                           TestShape{{{V(4, 5, 6)}}}}));
        std::string name = "shapefile import: " + bad.first;
        ExpectHandled(Load(name, [&](bool* sane) { return importShapes(path, sane); }), name);
    }
    // A table that does not give every point its row, or a cell of a used
    // field that is no number, fails the file naming the record: never an
    // intensity or class of 0 that the file does not hold.
    std::string fielded = TempPath("fielded.shp");
    ASSERT_TRUE(WriteTestShapefile(fielded, SHAPE_POINTZ, {TestShape{{{V(1, 2, 3)}}}, TestShape{{{V(4, 5, 6)}}},
                                                          TestShape{{{V(7, 8, 9)}}}}, false));
    auto refusal = [&](const std::string& what, const ShapeFiles& files) {
        std::string path = WriteShapeFiles(("f" + std::to_string(n++) + ".shp").c_str(), files);
        Outcome o = Load("shapefile import: " + what, [&](bool* sane) { return importShapes(path, sane); });
        ExpectRefused(o, "shapefile import: " + what);
        return o.boxes.empty() ? std::string() : o.boxes[0].text;
    };
    for (int rows : {2, 0}) {
        ASSERT_TRUE(WriteImportTable(fielded, rows));
        std::string text = refusal(std::to_string(rows) + " rows for 3 points", ReadShapeFiles(fielded));
        EXPECT_NE(text.find("The table (.dbf) holds " + std::to_string(rows) + " records for 3 shapes."), std::string::npos)
            << text;
    }
    ASSERT_TRUE(WriteImportTable(fielded, 3));
    const ShapeFiles whole = ReadShapeFiles(fielded);
    EXPECT_TRUE(Load("shapefile import: whole table", [&](bool* sane) { return importShapes(fielded, sane); }).taken);
    for (const auto& cell : std::vector<std::pair<std::string, Bytes>>{{"a quote", "\""}, {"a NUL byte", Bytes(1, '\0')},
                                                                       {"hexadecimal", "0x7a"}}) {
        ShapeFiles f = whole;
        size_t headerLength = (uint8_t)f.dbf[8] | (uint8_t)f.dbf[9] << 8, recordLength = (uint8_t)f.dbf[10] | (uint8_t)f.dbf[11] << 8;
        size_t intensity = headerLength + recordLength + 1;   // record 2, after its deletion flag
        f.dbf.replace(intensity + 8 - cell.second.size(), cell.second.size(), cell.second);
        std::string text = refusal("intensity with " + cell.first, f);
        EXPECT_NE(text.find("Record 2 of the DBF file: INTENSITY"), std::string::npos) << text;
    }
    // Records none of which is a point give no LAS file: the file fails.
    std::string noPoint = TempPath("nopoint.shp");
    ASSERT_TRUE(WriteTestShapefile(noPoint, SHAPE_POINTZ, {TestShape{{{V(kNaN, 2, 3)}}}, TestShape{{{V(4, kInf, 6)}}}}));
    Outcome o = Load("shapefile import: no point", [&](bool* sane) { return importShapes(noPoint, sane); });
    ExpectRefused(o, "shapefile import: no point");
    EXPECT_TRUE(!o.boxes.empty() && o.boxes[0].text.find(kImportNoPoints) != std::string::npos);
    EXPECT_FALSE(VFileExists(TempPath("nopoint.las").c_str()));
    // The shapefile import says so too when a far-off point coarsens an axis.
    std::string farShapes = TempPath("farpoints.shp");
    ASSERT_TRUE(WriteTestShapefile(farShapes, SHAPE_POINTZ, {TestShape{{{V(500000.5, 4000000, 3)}}},
                                                            TestShape{{{V(500001.5, 3e9, 6)}}}}));
    FileList list = {};
    AddFileListEntry(&list, farShapes.c_str(), "farpoints.shp");
    ShapeImportSettings settings = {};
    ConvertTally tally = {};
    EXPECT_EQ(ImportShapeFile(list.entries[0], &settings, job, nullptr, &tally), 1);
    ClearFileList(&list);
    EXPECT_STREQ(tally.coarseNotes, "farpoints.shp:  Y stored in steps of 1 instead of 0.001\n");
    FreeJobControl(job);
}

namespace {

bool LoadLAS(const std::string& path, bool* sane)
{
    DataSet* set = LoadLASData(path.c_str(), "damaged.las");
    if (set) {
        for (int i = 0; i < set->pointCount; i++)
            *sane = *sane && std::isfinite(set->points[i].x) && std::isfinite(set->points[i].y) &&
                    std::isfinite(set->points[i].z);
        FreeDataSet(set);
    }
    return set != nullptr;
}

}  // namespace

// LAS files through both loading roads (a ".laz" name takes the LAZ reader):
// a file too small for a header says so, and a version other than LAS 1.0 to
// 1.4 is refused with its version, never read as another.
TEST(DamagedInputs, LASFilesTooSmallOrOfUnknownVersionsAreRefusedSayingWhy)
{
    REQUIRE_SAMPLES();
    const Bytes good = ReadBytes(SamplePath("simple.las"));
    ASSERT_GT(good.size(), 227u);
    for (const char* ext : {".las", ".laz"}) {
        int n = 0;
        auto run = [&](const std::string& what, const Bytes& bytes, const char* reason) {
            std::string name = std::string("LAS") + ext + ": " + what;
            std::string path = TempPath(("l" + std::to_string(n++) + ext).c_str());
            WriteBytes(path, bytes);
            Outcome o = Load(name, [&](bool* sane) { return LoadLAS(path, sane); });
            if (!reason) return ExpectHandled(o, name);
            ExpectRefused(o, name);
            EXPECT_TRUE(!o.boxes.empty() && o.boxes[0].text.find(reason) != std::string::npos)
                << name << ": " << (o.boxes.empty() ? "" : o.boxes[0].text);
        };
        char reason[160];
        for (const auto& d : Damaged(good, 61)) {
            snprintf(reason, sizeof reason, kLASFileTooSmallFormat, (unsigned long long)d.second.size());
            run(d.first, d.second, d.second.size() < 227 ? reason : nullptr);
        }
        for (const auto& v : std::vector<std::pair<int, int>>{{1, 5}, {1, 7}, {2, 0}, {0, 9}}) {
            Bytes b = good;
            b[24] = (char)v.first;
            b[25] = (char)v.second;
            snprintf(reason, sizeof reason, kLASVersionNotSupportedFormat, (unsigned)v.first, (unsigned)v.second);
            run("version " + std::to_string(v.first) + "." + std::to_string(v.second), b, reason);
        }
    }
}
