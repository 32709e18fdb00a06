// Block pools, vertex lookup and the run's random generator.
#include "tests/tri_check.h"
#include "base/triangulate/mesh.h"

TEST(TriPools, FirstBlockUsedUpBeforeASmallerSecond)
{
    MemoryPool pool;
    PoolInit(&pool, 24, 4, 10, 0, 4);
    ASSERT_NE(pool.firstBlock, nullptr);
    char* first = (char*)PoolAlloc(&pool);
    for (int i = 1; i < 10; i++) EXPECT_EQ((char*)PoolAlloc(&pool), first + i * pool.itemBytes);
    EXPECT_EQ((Word*)pool.firstBlock[0], nullptr);
    char* eleventh = (char*)PoolAlloc(&pool);
    ASSERT_NE((Word*)pool.firstBlock[0], nullptr);
    EXPECT_TRUE(eleventh < first || eleventh >= first + 10 * pool.itemBytes);
    // the last freed item is the next one handed out
    PoolDealloc(&pool, first + 3 * pool.itemBytes);
    EXPECT_EQ((char*)PoolAlloc(&pool), first + 3 * pool.itemBytes);
    EXPECT_EQ(pool.liveItems, 11);
    // traversal visits every slot handed out, in order
    TraversalInit(&pool);
    int seen = 0;
    while (Traverse(&pool)) seen++;
    EXPECT_EQ(seen, 11);
    PoolDeinit(&pool);
}

TEST(TriPools, RandomSequenceStartsFromSeedOne)
{
    TriMesh m;
    MeshInit(&m);
    int first = NextRandom(1000);
    EXPECT_EQ(first, ((1366 + 150889) % 714025) / (714025 / 1000 + 1));
    MeshInit(&m);
    EXPECT_EQ(NextRandom(1000), first);
    for (int i = 0; i < 1000; i++) {
        int r = NextRandom(7);
        ASSERT_GE(r, 0);
        ASSERT_LT(r, 7);
    }
}

TEST(TriPools, GetVertexCountsFromFirstNumber)
{
    TriMesh m;
    MeshInit(&m);
    TriSwitches b;
    const char* sw[1] = { "Q" };
    ParseTriSwitches(1, sw, &b);
    m.inputPoints = 5000;   // more than one default block
    InitializeVertexPool(&m, &b);
    for (int i = 0; i < 5000; i++) {
        Vertex v = (Vertex)PoolAlloc(&m.vertices);
        v[0] = i;
        v[1] = -i;
    }
    EXPECT_EQ(GetVertex(&m, &b, 1)[0], 0.0);
    EXPECT_EQ(GetVertex(&m, &b, 4999)[0], 4998.0);
    b.firstNumber = 0;
    EXPECT_EQ(GetVertex(&m, &b, 4999)[0], 4999.0);
    EXPECT_EQ(GetVertex(&m, &b, 5000), nullptr);
    PoolDeinit(&m.vertices);
}

TEST(TriPools, SwitchParsing)
{
    TriSwitches b;
    const char* sw[1] = { "pczAeo2lVVXo" };
    ParseTriSwitches(1, sw, &b);
    EXPECT_TRUE(b.pslg && b.keepConvexHull && b.regionAttributes && b.writeEdges && b.noExactArithmetic);
    EXPECT_EQ(b.firstNumber, 0);
    EXPECT_EQ(b.order, 2);
    EXPECT_EQ(b.alternatingCuts, 0);
    EXPECT_EQ(b.verbose, 2);
    EXPECT_EQ(b.useSegments, 1);
    const char* sw2[1] = { "Aw" };
    ParseTriSwitches(1, sw2, &b);
    EXPECT_EQ(b.regionAttributes, 0);   // A needs p
    EXPECT_EQ(b.weighted, 1);
    EXPECT_EQ(b.firstNumber, 1);
    EXPECT_EQ(b.order, 1);
}
