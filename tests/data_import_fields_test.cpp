#include "test_support.h"
#include "data/import_fields.h"
#include <string>

namespace {

std::vector<std::string> Names(const ImportFieldList* list)
{
    std::vector<std::string> names;
    for (int i = 0; i < list->count; i++) names.push_back(list->entries[i] ? list->entries[i]->name : "<null>");
    return names;
}

struct Lists {
    ImportFieldList* import = NewXYZFieldList();
    ImportFieldList* available = NewAvailableFieldList();
    ~Lists()
    {
        FreeImportFieldList(import);
        FreeImportFieldList(available);
    }
};

}  // namespace

TEST(ImportFields, NewListsHoldXYZAndTheSkipAndOptionalFieldsInCodeOrder)
{
    Lists l;
    EXPECT_EQ(Names(l.import), (std::vector<std::string>{"X (Easting)", "Y (Northing)", "Z (Elevation)"}));
    EXPECT_EQ(l.import->delimiter, kDelimiterSpace);
    ASSERT_EQ(l.available->count, 14);
    EXPECT_EQ(l.available->entries[0]->code, FIELD_SKIP);
    for (int i = 1; i < 14; i++) EXPECT_EQ(l.available->entries[i]->code, FIELD_INTENSITY + i - 1);
    EXPECT_STREQ(l.available->entries[13]->name, " Blue");
    EXPECT_EQ(l.available->entries[10]->realValued, 1);  // GPS time
    EXPECT_EQ(l.available->entries[1]->realValued, 0);
}

TEST(ImportFields, XYZStayAndASkipEntryIsDeletedWithoutTouchingTheAvailableList)
{
    Lists l;
    for (int i = 0; i < 3; i++) EXPECT_EQ(RemoveImportField(l.import, l.available, i), 0);
    EXPECT_EQ(l.import->count, 3);

    // Three skips are three entries of their own; the available list keeps its one.
    for (int i = 0; i < 3; i++) ASSERT_EQ(MoveImportField(l.import, l.available, 0), 1);
    ASSERT_EQ(l.import->count, 6);
    EXPECT_NE(l.import->entries[3], l.import->entries[4]);
    EXPECT_NE(l.import->entries[3], l.available->entries[0]);
    std::vector<std::string> availableBefore = Names(l.available);
    EXPECT_EQ(availableBefore[0], " <Skip Field>");

    ASSERT_EQ(RemoveImportField(l.import, l.available, 4), 1);
    EXPECT_EQ(l.import->count, 5);
    EXPECT_EQ(Names(l.available), availableBefore);
    EXPECT_EQ(l.import->entries[4]->code, FIELD_SKIP);
}

TEST(ImportFields, AFieldComingBackTakesTheFirstFreeSlot)
{
    Lists l;
    ASSERT_EQ(MoveImportField(l.import, l.available, 1), 1);  // Intensity
    ASSERT_EQ(MoveImportField(l.import, l.available, 1), 1);  // then Return Number
    EXPECT_EQ(l.available->count, 14);
    EXPECT_EQ(l.available->entries[12], nullptr);
    EXPECT_EQ(l.available->entries[13], nullptr);
    EXPECT_EQ(Names(l.import)[3], " Intensity");

    ASSERT_EQ(RemoveImportField(l.import, l.available, 3), 1);
    EXPECT_EQ(l.import->count, 4);
    EXPECT_EQ(Names(l.import)[3], " Return Number");
    ASSERT_NE(l.available->entries[12], nullptr);
    EXPECT_EQ(l.available->entries[12]->code, FIELD_INTENSITY);
    EXPECT_EQ(l.available->entries[13], nullptr);

    // Out-of-range and empty slots are refused.
    EXPECT_EQ(MoveImportField(l.import, l.available, 13), 0);
    EXPECT_EQ(MoveImportField(l.import, l.available, 14), 0);
    EXPECT_EQ(RemoveImportField(l.import, l.available, 9), 0);
}

TEST(ImportFields, SplitTreatsARunOfDelimitersAsOneAndStopsAt256)
{
    char* fields[kMaxSplitFields + 1];
    char line[] = "1,,2";
    ASSERT_EQ(SplitFields(line, fields, ","), 2);
    EXPECT_STREQ(fields[0], "1");
    EXPECT_STREQ(fields[1], "2");

    char spaced[] = "  10.5\t 20  30 ";
    ASSERT_EQ(SplitFields(spaced, fields, " "), 3);
    EXPECT_STREQ(fields[1], "20");  // a tab is no delimiter here
    EXPECT_STREQ(fields[0], "10.5\t");

    std::string many;
    for (int i = 0; i < 300; i++) many += std::to_string(i) + " ";
    std::vector<char> buffer(many.begin(), many.end());
    buffer.push_back(0);
    ASSERT_EQ(SplitFields(buffer.data(), fields, " "), 256);
    EXPECT_STREQ(fields[255], "255");

    char empty[] = ",,,";
    EXPECT_EQ(SplitFields(empty, fields, ","), 0);
}

TEST(ImportFields, HeadingsAndDelimiters)
{
    EXPECT_STREQ(ImportFieldHeading(FIELD_SKIP), "<Skip Field>");
    EXPECT_STREQ(ImportFieldHeading(FIELD_SOURCE_ID), "SOURCE_ID");
    EXPECT_STREQ(ImportFieldHeading(16), "ERROR");
    EXPECT_EQ(DelimiterOf(kDelimiterComma), ',');
    EXPECT_EQ(DelimiterOf(kDelimiterTab), '\t');
    EXPECT_EQ(DelimiterOf(1234), ' ');
}
