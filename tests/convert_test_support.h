// Helpers of the export and import tests: text files as lines, shapefiles
// read back through the shapefile adapter, export settings and waiting on a dialog's run.
#pragma once
#include "tests/test_support.h"
#include "tests/window_fixtures.h"
#include "gis/convert/export_fields.h"
#include "base/file_system.h"
#include "base/shape_io.h"
#include <functional>
#include <string>
#include <vector>

// The file's text split at CR LF; `crlf` false when any line ended otherwise.
std::vector<std::string> ReadLines(const std::string& path, bool* crlf = nullptr);
std::vector<std::string> SplitAt(const std::string& line, char delimiter);
// Settings with exactly these fields checked, in this order, the rest after them unchecked.
ExportSettings* SettingsWith(std::vector<int> codes, int format = kExportASCII);

// A shapefile opened for reading through the one path adapter; closes itself.
struct ShapeReader {
    ShapeInput in;
    bool opened = false;   // the shapes and the table
    int count = 0, type = 0;
    explicit ShapeReader(const std::string& shpPath);
    int Field(const char* name) const;
    int Columns() const { return TableColumnCount(&in); }
    int Integer(int record, int column) const { return ReadIntegerCell(&in, record, column); }
    double Real(int record, int column) const { return ReadRealCell(&in, record, column); }
    bool Point(int i, double* x, double* y, double* z) const;
};

// Writes a shapefile of points (Point or PointZ) with integer and double
// columns named as given; `values[i][j]` is column j of record i.
struct ShapeColumn {
    const char* name;
    int type;   // COLUMN_INTEGER, COLUMN_REAL or COLUMN_TEXT
};
bool WriteTestShapefile(const std::string& shpPath, int shapeType, const std::vector<double>& xyz,
                        const std::vector<ShapeColumn>& columns, const std::vector<std::vector<double>>& values);

bool FileThere(const std::string& path);
// Outputs named `name` at the path limit of 255 bytes, one under and one
// over, in folders of letters of one, two and three bytes: `check` gets the
// letter, the output's path (made for it, in a folder of its own) and
// whether it fits.
void ForOutputsAroundThePathLimit(const char* name,
                                  const std::function<void(const char* letter, const std::string& path, bool fits)>& check);
std::vector<std::string> ListBoxRows(HWND listBox);

// A started frame whose log lines are kept for the test.
class LoggedFrameTest : public FrameFixture {
protected:
    void SetUp() override;
    void TearDown() override;
    static const std::vector<std::string>& logged();
};
