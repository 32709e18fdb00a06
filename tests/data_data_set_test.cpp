#include "test_support.h"
#include "base/heap.h"
#include "data/data_set.h"

TEST(FoundDataSet, AllocatedZeroedAndFreedWithWhatItOwns)
{
    EXPECT_EQ(FreeDataSet(nullptr), 0);

    DataSet* empty = AllocDataSet();
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->pointCount, 0);
    EXPECT_EQ(empty->points, nullptr);
    EXPECT_EQ(empty->sourceIdTable[65535].present, 0);
    EXPECT_EQ(FreeDataSet(empty), 1);

    DataSet* set = AllocDataSet();
    set->kind = DATA_RADAR;
    set->points = (PointRecord*)NBLCalloc(10, sizeof(PointRecord));
    set->extent = NewPolygon(4);
    set->rows = 3;
    set->columns = 4;
    set->heights = (float**)Calloc2D(3, 4, sizeof(float), "test");
    set->mask = (uint8_t**)Calloc2D(3, 8, 1, "test");
    set->magnitudes = (uint16_t**)Calloc2D(3, 4, sizeof(uint16_t), "test");
    EXPECT_EQ(FreeDataSet(set), 1);
}

TEST(FoundDataSet, ReturnPositionRule)
{
    uint8_t b = MakeReturnByte(0, 0);  // neither given: a single return, 1 of 1
    EXPECT_EQ(ReturnNumberOf(b), 1u);
    EXPECT_EQ(NumberOfReturnsOf(b), 1u);
    EXPECT_EQ(ReturnPositionOf(b), (uint32_t)RETURN_SINGLE);
    EXPECT_EQ(ReturnPositionOf(MakeReturnByte(1, 1)), (uint32_t)RETURN_SINGLE);
    EXPECT_EQ(ReturnPositionOf(MakeReturnByte(1, 2)), (uint32_t)RETURN_FIRST);
    EXPECT_EQ(ReturnPositionOf(MakeReturnByte(2, 3)), (uint32_t)RETURN_INTERMEDIATE);
    EXPECT_EQ(ReturnPositionOf(MakeReturnByte(3, 3)), (uint32_t)RETURN_LAST);
    EXPECT_EQ(ReturnPositionOf(MakeReturnByte(0, 2)), (uint32_t)RETURN_INTERMEDIATE);
    b = MakeReturnByte(3, 3);
    EXPECT_EQ(b, 3 | (3 << 3) | (3 << 6));
}
