#include <gtest/gtest.h>

#include "support/Tyx_dstruct.h"
#include "support/Tyx_matrix.h"
#include "support/Tyx_tyxbase.h"
#include "support/Tyx_vector.h"

using namespace tyx;

TEST(BitFld, BitsOneToNAreUsableAndOthersAreRefused)
{
    TBitFld bits;
    bits.SetSize(5);
    for (int i = 1; i <= 5; ++i) EXPECT_FALSE(bits.GetBit(i));
    bits.SetBit(1, true);
    bits.SetBit(5, true);
    EXPECT_TRUE(bits.GetBit(1));
    EXPECT_FALSE(bits.GetBit(3));
    EXPECT_TRUE(bits.GetBit(5));
    EXPECT_EQ(bits.Count(), 2);
    EXPECT_THROW(bits.GetBit(0), ETYXError);
    EXPECT_THROW(bits.SetBit(6, true), ETYXError);
    EXPECT_THROW(bits.SetSize(-1), ETYXError);

    bits.SetSize(8); // growing keeps what was set
    EXPECT_TRUE(bits.GetBit(5));
    EXPECT_FALSE(bits.GetBit(8));
    bits.SetBit(5, false);
    EXPECT_EQ(bits.Count(), 1);
    bits.Clear();
    EXPECT_EQ(bits.Count(), 0);
    EXPECT_EQ(bits.Size(), 8);
}

TEST(Matrix, IndexesFromOneByColumnAndRow)
{
    TMatrix m(3, 2);
    EXPECT_EQ(m.NumColumns(), 3);
    EXPECT_EQ(m.NumRows(), 2);
    for (int c = 1; c <= 3; ++c)
        for (int r = 1; r <= 2; ++r) m.SetVal(c, r, 10 * c + r);
    EXPECT_EQ(m.GetVal(3, 2), 32);
    EXPECT_EQ(m.GetVal(1, 2), 12);
    EXPECT_EQ(m.GetVal(2, 1), 21);
    EXPECT_THROW(m.GetVal(4, 1), ETYXError);
    EXPECT_THROW(m.GetVal(1, 3), ETYXError);
    EXPECT_THROW(m.SetVal(0, 1, 1.0), ETYXError);
    EXPECT_THROW(m.Resize(-1, 2), ETYXError);

    TMatrix copy;
    copy.Assign(m);
    TMatrix clone;
    clone.Clone(m);
    m.Fill(7);
    for (const TMatrix* x : {&copy, &clone}) {
        EXPECT_EQ(x->NumColumns(), 3);
        EXPECT_EQ(x->NumRows(), 2);
        EXPECT_EQ(x->GetVal(3, 1), 31);
    }
    EXPECT_EQ(m.GetVal(3, 1), 7);
    m.Resize(5, 1);
    EXPECT_EQ(m.NumRows(), 1);
    EXPECT_THROW(m.GetVal(1, 2), ETYXError);
    EXPECT_EQ(m.GetVal(5, 1), 0);
}

TEST(Vector, IndexesFromOne)
{
    TVector v;
    v.SetVecSize(3);
    v.SetVal(1, 1.5);
    v.SetVal(3, -2);
    EXPECT_EQ(v.GetVal(1), 1.5);
    EXPECT_EQ(v.GetVal(2), 0);
    EXPECT_EQ(v.GetVal(3), -2);
    EXPECT_THROW(v.GetVal(0), ETYXError);
    EXPECT_THROW(v.SetVal(4, 1), ETYXError);
    v.Fill(4);
    EXPECT_EQ(v.GetVal(2), 4);
}
