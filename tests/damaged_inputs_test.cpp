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
#include "base/file_io.h"
#include "base/file_list.h"
#include "base/file_system.h"
#include "base/paths.h"
#include "data/ascii_loader.h"
#include "data/data_set.h"
#include "data/gdal_grid.h"
#include "data/import_fields.h"
#include "data/las_loader.h"
#include "data/lasfile/las_file.h"
#include "data/radar_grid.h"
#include "gis/convert/import_ascii.h"
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
#include "base/polygon.h"
#include <gdal.h>
#include <shapefil.h>
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
    if (!o.taken) EXPECT_FALSE(o.boxes.empty()) << name << ": refused without a word";
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
            SavePOIShapefile(set);
        }
        DeletePOISet(set);
        // A float Z cannot hold 1e300: written in the file's double instead.
        ShapeFiles f = ReadShapeFiles(TempPath("poibad.shp"));
        if (bad.first == "Z of 1e300") {
            double z = 1e300;
            memcpy(&f.shp[f.shp.size() - 16], &z, 8);
        }
        std::string path = WriteShapeFiles("poibad2.shp", f);
        ExpectRefused(Load("POI: " + bad.first, [&](bool* sane) { return loadPOI(path, sane); }), "POI: " + bad.first);
    }
    DeletePOISet(markers);

    // AOI polygons with their table.
    std::string aoiPath = TempPath("aoi.shp");
    TestShape square{{{V(0, 0), V(0, 10), V(10, 10), V(10, 0), V(0, 0)}}};
    TestShape other{{{V(20, 20), V(20, 30), V(30, 30), V(20, 20)}}};
    ASSERT_TRUE(WriteTestShapefile(aoiPath, SHPT_POLYGON, {square, other}, false));
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
        ASSERT_TRUE(WriteTestShapefile(path, SHPT_POLYGON, {square, broken}, false));
        ASSERT_TRUE(WriteTestAOITable(path, {1, 2}, false, false));
        ExpectRefused(Load("AOI: " + bad.first, [&](bool* sane) { return loadAOI(path, sane); }), "AOI: " + bad.first);
    }

    // Reference layers: lines with Z and points; the table is not read.
    std::string linesPath = TempPath("lines.shp");
    ASSERT_TRUE(WriteTestShapefile(linesPath, SHPT_ARCZ,
                                   {TestShape{{{V(0, 0, 1), V(5, 5, 2), V(9, 1, 3)}}}, TestShape{{{V(1, 1, 1), V(2, 2, 2)}}}}));
    RunShapefileRoad("reference lines", ReadShapeFiles(linesPath), LoadReference, false);
    std::string pointsPath = TempPath("points.shp");
    ASSERT_TRUE(WriteTestShapefile(pointsPath, SHPT_POINTZ, {TestShape{{{V(1, 2, 3)}}}, TestShape{{{V(4, 5, 6)}}}}));
    RunShapefileRoad("reference points", ReadShapeFiles(pointsPath), LoadReference, false);
    for (int type : {SHPT_POLYGONZ, SHPT_POINTZ})
        for (const auto& bad : BadVertices(true)) {
            std::string path = TempPath("refbad.shp");
            TestShape broken = type == SHPT_POINTZ ? TestShape{{{bad.second}}}
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

}  // namespace

TEST(DamagedInputs, ElevationGridsRefuseBadPlacementsAndVoidCellsThatAreNoNumber)
{
    const double north[6] = {500000, 2, 0, 4000000, 0, -2};
    std::vector<float> ramp(24);
    for (int i = 0; i < 24; i++) ramp[i] = 100.0f + i;
    std::string good = WriteRaster("grid.tif", 6, 4, 1, GDT_Float32, ramp, north);
    Bytes bytes = ReadBytes(good);
    int n = 0;
    for (const auto& d : Damaged(bytes, 21, 16)) {
        std::string path = TempPath(("g" + std::to_string(n++) + ".tif").c_str());
        WriteBytes(path, d.second);
        std::string name = "grid: " + d.first;
        // A file GDAL does not know goes on to the text road, which says why not.
        ExpectHandled(Load(name, [&](bool* sane) { return LoadGrid(path, sane); }), name);
    }
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
    Bytes bytes = ReadBytes(good);
    int n = 0;
    for (const auto& d : Damaged(bytes, 31, 16)) {
        std::string path = TempPath(("i" + std::to_string(n++) + ".tif").c_str());
        WriteBytes(path, d.second);
        std::string name = "image: " + d.first;
        ExpectHandled(Load(name, [&](bool* sane) { return LoadReference(path, sane); }), name);
    }
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
        if (!o.boxes.empty()) EXPECT_EQ(o.boxes[0].caption, "ERROR") << name;
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
    if (!o.boxes.empty()) EXPECT_EQ(o.boxes[0].text, Formatted(kImageReadFailed, "damaged"));
    // A PNG with a world file is an image of a format this road does not take: it says so.
    std::string png = WriteRaster("scan.png", 8, 8, 1, GDT_Byte, pixels, north, "PNG", options);
    ExpectRefused(Load("image: PNG", [&](bool* sane) { return LoadReference(png, sane); }), "image: PNG");
    // An image named for a format GDAL cannot open here says why.
    for (const char* name : {"survey.ecw", "survey.jp2", "garbled.tif"}) {
        std::string path = TempPath(name);
        WriteBytes(path, Bytes(64, 'x'));
        Outcome o = Load(name, [&](bool* sane) { return LoadReference(path, sane); });
        ExpectRefused(o, name);
        if (!strcmp(name, "survey.ecw") && !GDALGetDriverByName("ECW") && !o.boxes.empty())
            EXPECT_EQ(o.boxes[0].text, Formatted(kImageDriverMissing, "ECW", path.c_str()));
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
    std::string longLine = "2.5 ; POST SPACING " + std::string(400, 'x') + "\n";   // read cut, it would match
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
        {"value line of 400 characters", Replaced(h, "2.5 ; POST SPACING\n", longLine.c_str())},
        {"keys without semicolons", Replaced(Replaced(h, "3 4 ;", "3 4 "), "2.5 ;", "2.5 ")},
    };
    for (const auto& r : refused) {
        std::string path = WriteRadar(("rr" + std::to_string(n++)).c_str(), r.second, heights);
        std::string name = std::string("radar: ") + r.first;
        ExpectRefused(Load(name, [&](bool* sane) { return LoadRadar(path, sane); }), name);
    }
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
    Outcome o = Load("radar: NaN heights", [&](bool* sane) { return LoadRadar(path, sane); });
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
            for (int i = 0; read && i < read->tileCount; i++) {
                const ProjectTile* t = read->tiles[i];
                *sane = *sane && Usable(t->minX) && Usable(t->maxX) && Usable(t->minY) && Usable(t->maxY) &&
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
    run("tile corner NaN", ReadBytes(folder + "q.lep"), ReadShapeFiles(folder + "q_tiles.shp"), true);
    for (const char* part : {"_tiles.shp", "_tiles.shx", "_tiles.dbf"}) run(std::string("no ") + part, lep, tiles, true, part);
    // Missing tiles are no damage: the project opens with them marked not found.
    BoxAnswers none;
    Project* read = ReadProjectFile((folder + "job.lep").c_str(), "job.lep");
    ASSERT_NE(read, nullptr);
    for (int i = 0; i < read->tileCount; i++) EXPECT_EQ(read->tiles[i]->activeStatus, TILE_NOT_FOUND);
    FreeProject(read);
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
    auto runList = [&](const std::string& what, const Bytes& bytes, bool mustRefuse) {
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
    };
    for (const auto& d : Damaged(good, 71, 16)) runList(d.first, d.second, d.first == "empty" || d.first == "cut at 1");
    runList("code 300", "300,Too High,1,2,3\n2,Ground,4,5,6\n", true);
    runList("colour -1", "1,Unclassified,-1,2,3\n2,Ground,4,5,6\n", true);
    runList("unterminated quote", "1,\"Unclassified,1,2,3\n2,Ground,4,5,6\n", false);
    runList("name of 300 characters", "1," + std::string(300, 'n') + ",1,2,3\n2,Ground,4,5,6\n", true);

    // Configuration files: the program's own file, damaged. Reading one
    // either takes it whole or leaves the settings as they were.
    std::string config = TempPath("settings.cfg");
    snprintf(currentConfigPath, sizeof currentConfigPath, "%s", config.c_str());
    snprintf(currentConfigTitle, sizeof currentConfigTitle, "settings.cfg");
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
        if (!o.taken) EXPECT_EQ(memcmp(&GlobalDisplaySettings, &before, sizeof before), 0) << name;
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
    FreeImportFieldList(xyz);

    // Shapefile import: the shapefile roads' damage, and a LAS file written
    // only with coordinates it can hold.
    std::string pointsPath = TempPath("import.shp");
    ASSERT_TRUE(WriteTestShapefile(pointsPath, SHPT_POINTZ, {TestShape{{{V(1, 2, 3)}}}, TestShape{{{V(4, 5, 6)}}}}));
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
        ASSERT_TRUE(WriteTestShapefile(path, SHPT_POINTZ, {TestShape{{{V(1, 2, 3)}}}, TestShape{{{bad.second}}},
                                                           TestShape{{{V(4, 5, 6)}}}}));
        std::string name = "shapefile import: " + bad.first;
        ExpectHandled(Load(name, [&](bool* sane) { return importShapes(path, sane); }), name);
    }
    FreeJobControl(job);
}
