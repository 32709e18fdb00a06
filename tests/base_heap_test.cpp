#include "test_support.h"
#include "base/heap.h"
#include <cstring>

TEST(Heap, ZeroSizedBlocksAreValidAndNullFreeSucceeds)
{
    void* a = NBLMalloc(0);
    void* b = NBLCalloc(0, 16);
    EXPECT_NE(a, nullptr);
    EXPECT_NE(b, nullptr);
    EXPECT_EQ(NBLFree(a), 1);
    EXPECT_EQ(NBLFree(b), 1);
    EXPECT_EQ(NBLFree(nullptr), 1);
}

TEST(Heap, TwoDimensionalRowsAreContiguous)
{
    double** g = (double**)NBLCalloc2D(3, 5, sizeof(double));
    ASSERT_NE(g, nullptr);
    EXPECT_EQ((char*)g[1] - (char*)g[0], 5 * (long)sizeof(double));
    EXPECT_EQ((char*)g[2] - (char*)g[0], 10 * (long)sizeof(double));
    for (int r = 0; r < 3; r++)
        for (int c = 0; c < 5; c++) EXPECT_EQ(g[r][c], 0.0);
    EXPECT_EQ(NBLFree2D(g), 1);

    int** one = (int**)NBLMalloc2D(1, 4, sizeof(int));
    ASSERT_NE(one, nullptr);
    one[0][3] = 7;
    EXPECT_EQ(NBLFree2D(one), 1);
}

TEST(Heap, ReCallocZeroesOnlyTheAddedBytes)
{
    unsigned char* p = (unsigned char*)NBLMalloc(8);
    memset(p, 0xAB, 8);
    p = (unsigned char*)NBLReCalloc(p, 64);
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 8; i++) EXPECT_EQ(p[i], 0xAB);
    for (int i = 8; i < 64; i++) EXPECT_EQ(p[i], 0);
    NBLFree(p);
}

TEST(Heap, OverflowingRequestsFailLikeAnExhaustedHeap)
{
    // count x size wraps around 64 bits: must not come back as a short block.
    EXPECT_EQ(NBLCalloc(0x100000001ull, 0x100000000ull), nullptr);
    EXPECT_NE(strstr(nblErrorText, "FATAL ERROR:  NBLMalloc:  NBLCalloc"), nullptr);
    EXPECT_EQ(NBLCalloc2D(0x10000, 0x10000, 0x100000000ull), nullptr);
    EXPECT_NE(strstr(nblErrorText, "FATAL ERROR:  NBLMalloc:  NBLCalloc2D Block"), nullptr);
    EXPECT_EQ(NBLMalloc2D(1ull << 62, 1, 1), nullptr);   // the row table itself cannot be sized
    EXPECT_NE(strstr(nblErrorText, "FATAL ERROR:  NBLMalloc:  NBLMalloc2D Pointers"), nullptr);
    // A request far beyond memory fails with the block's label and leaks nothing.
    EXPECT_EQ(NBLCalloc2D(4, 1ull << 40, 1 << 10), nullptr);
    EXPECT_NE(strstr(nblErrorText, "FATAL ERROR:  NBLMalloc:  NBLCalloc2D Block"), nullptr);
}

TEST(Heap, NamedFamilyLeavesTheErrorTextAlone)
{
    EXPECT_EQ(NBLMalloc(1ull << 62), nullptr);
    std::string before = nblErrorText;
    EXPECT_EQ(Malloc(1ull << 62, "CreateLASStruct"), nullptr);
    EXPECT_EQ(Calloc(1ull << 40, 1ull << 40, "FitHistoData"), nullptr);
    EXPECT_EQ(before, nblErrorText);
}
