#include "tests/convert_test_support.h"
#include "base/messages.h"
#include <cstring>

std::vector<std::string> ReadLines(const std::string& path, bool* crlf)
{
    std::vector<std::string> lines;
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return lines;
    std::string text(GetFileSize(f, nullptr), '\0');
    DWORD got = 0;
    if (!text.empty()) ReadFile(f, &text[0], (DWORD)text.size(), &got, nullptr);
    CloseHandle(f);
    text.resize(got);
    if (crlf) *crlf = true;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        else if (crlf) *crlf = false;
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> SplitAt(const std::string& line, char delimiter)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t end = line.find(delimiter, start);
        parts.push_back(line.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

ExportSettings* SettingsWith(std::vector<int> codes, int format)
{
    ExportSettings* s = NewExportSettings();
    std::vector<ExportField*> ordered;
    for (int code : codes) ordered.push_back(s->fields[code]);
    for (int i = 0; i < s->fieldCount; i++) {
        s->fields[i]->checked = 0;
        bool listed = false;
        for (int code : codes) listed = listed || code == i;
        if (!listed) ordered.push_back(s->fields[i]);
    }
    for (int i = 0; i < s->fieldCount; i++) s->fields[i] = ordered[(size_t)i];
    for (size_t i = 0; i < codes.size(); i++) s->fields[i]->checked = 1;
    s->outputFormat = format;
    return s;
}

ShapeReader::ShapeReader(const std::string& shpPath)
{
    if (OpenShapesToRead(&in, shpPath.c_str(), nullptr, true) == SHAPES_NOT_OPENED) return;
    count = in.count;
    type = in.type;
    opened = OpenTableToRead(&in) == SHAPES_READABLE;
}

int ShapeReader::Field(const char* name) const
{
    for (int i = 0; i < Columns(); i++)
        if (!strcmp(TableColumnAt(&in, i).name, name)) return i;
    return -1;
}

bool ShapeReader::Point(int i, double* x, double* y, double* z) const
{
    ShapeRecord shape;
    if (!ReadShape(&in, i, &shape) || shape.VertexCount() < 1) return false;
    *x = shape.x[0];
    *y = shape.y[0];
    *z = shape.z[0];
    return true;
}

bool WriteTestShapefile(const std::string& shpPath, int shapeType, const std::vector<double>& xyz,
                        const std::vector<ShapeColumn>& columns, const std::vector<std::vector<double>>& values)
{
    ShapeGroupWriter w;
    int shp = BeginShapeGroup(&w, shpPath.c_str()) ? CreateGroupShapes(&w, shpPath.c_str(), shapeType) : -1;
    int dbf = shp >= 0 ? CreateGroupTable(&w, (shpPath.substr(0, shpPath.size() - 4) + ".dbf").c_str()) : -1;
    if (dbf < 0) return false;
    for (const ShapeColumn& c : columns)
        AddTableColumn(&w, dbf, c.name, c.type, c.type == COLUMN_INTEGER ? 8 : 14, c.type == COLUMN_REAL ? 4 : 0);
    bool ok = true;
    for (size_t i = 0; i * 3 < xyz.size(); i++) {
        ok = ok && AppendShape(&w, shp, shapeType, 1, &xyz[i * 3], &xyz[i * 3 + 1], &xyz[i * 3 + 2], (int)i);
        for (size_t j = 0; j < columns.size(); j++) {
            double v = i < values.size() && j < values[i].size() ? values[i][j] : 0.0;
            ok = ok && (columns[j].type == COLUMN_REAL ? WriteRealCell(&w, dbf, (int)i, (int)j, v)
                                                       : WriteIntegerCell(&w, dbf, (int)i, (int)j, (int)v));
        }
    }
    return CommitShapeGroup(&w, true) && ok;
}

bool FileThere(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void ForOutputsAroundThePathLimit(const char* name,
                                  const std::function<void(const char* letter, const std::string& path, bool fits)>& check)
{
    for (const char* letter : {"d", "\xD0\xB4", "\xE4\xB8\xAD"})   // d, д, 中
        for (size_t total : {254u, 255u, 256u}) {
            std::string path = MakeFolderOfBytes(total - strlen(name), letter) + name;
            ASSERT_EQ(path.size(), total);
            check(letter, path, total <= 255);
        }
}

std::vector<std::string> ListBoxRows(HWND list)
{
    std::vector<std::string> rows;
    int n = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < n; i++) {
        char text[2048] = "";
        SendMessageA(list, LB_GETTEXT, i, (LPARAM)text);
        rows.push_back(text);
    }
    return rows;
}


void LoggedFrameTest::SetUp()
{
    FrameFixture::SetUp();
    StartFrame();
    KeptLog().clear();
    SetLogHook(KeepLog);
}

void LoggedFrameTest::TearDown()
{
    SetLogHook(nullptr);
    StopFrame();
    FrameFixture::TearDown();
}

const std::vector<std::string>& LoggedFrameTest::logged() { return KeptLog(); }
