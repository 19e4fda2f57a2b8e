#include "runtime/variant.h"
#include "runtime/value_testing.h"

using namespace rt;

namespace {

TEST(Arrays, BoundsAndSubscripts) {
    Array a(1, {Variant(int32_t(10)), Variant(u"b")});
    EXPECT_EQ(1, a.lbound());
    EXPECT_EQ(2, a.ubound());
    EXPECT_EQ(10, a.at(1).i4());
    EXPECT_EQ(u"b", a.at(2).str());
    EXPECT_RT_ERROR(9, a.at(0));
    EXPECT_RT_ERROR(9, a.at(3));
    EXPECT_RT_ERROR(9, a.at(INT32_MIN));

    const Array empty = Array::ofSize(0, 0);
    EXPECT_TRUE(empty.dimensioned());
    EXPECT_EQ(-1, empty.ubound());

    const Array never;
    EXPECT_FALSE(never.dimensioned());
    EXPECT_RT_ERROR(9, never.lbound());
    EXPECT_RT_ERROR(9, never.ubound());
    EXPECT_RT_ERROR(9, never.at(0));

    Array sized = Array::ofSize(-2, 3);
    EXPECT_TRUE(sized.at(-2).isEmpty());
    sized.at(0) = Variant(1.5);
    EXPECT_EQ(1.5, sized.items()[2].r8());
    EXPECT_EQ(0, sized.ubound());
    EXPECT_EQ(INT32_MAX, Array::ofSize(INT32_MAX, 1).ubound());
}

TEST(Variants, CopiesOfArraysAreDeep) {
    Variant original(Array(0, {Variant(int32_t(1)), Variant(Array(0, {Variant(u"inner")}))}));
    Variant copy = original;
    copy.array().at(0) = Variant(int32_t(99));
    copy.array().at(1).array().at(0) = Variant(u"changed");
    EXPECT_EQ(1, original.array().at(0).i4());
    EXPECT_EQ(u"inner", original.array().at(1).array().at(0).str());

    Variant assigned;
    assigned = original;
    EXPECT_EQ(u"inner", assigned.array().at(1).array().at(0).str());
    assigned = assigned;  // self-assignment keeps the value
    EXPECT_EQ(1, assigned.array().at(0).i4());
}

TEST(Variants, AssigningAnElementOfItsOwnArray) {
    Variant v(Array(0, {Variant(u"x"), Variant(int32_t(2))}));
    v = v.array().at(0);
    ASSERT_TRUE(v.isString());
    EXPECT_EQ(u"x", v.str());
}

TEST(Variants, Kinds) {
    EXPECT_TRUE(Variant(int16_t(1)).isNumberType());
    EXPECT_TRUE(Variant(int32_t(1)).isNumberType());
    EXPECT_TRUE(Variant(1.0).isNumberType());
    EXPECT_TRUE(Variant(Currency{1}).isNumberType());
    EXPECT_TRUE(Variant(Decimal()).isNumberType());
    EXPECT_FALSE(Variant(true).isNumberType());
    EXPECT_FALSE(Variant(DateValue{1}).isNumberType());
    EXPECT_FALSE(Variant(u"1").isNumberType());
    EXPECT_FALSE(Variant().isNumberType());
    Variant target(2.5);
    EXPECT_TRUE(Variant::byRef(&target).isNumberType());

    EXPECT_TRUE(Variant(Missing{}).isMissing());
    EXPECT_TRUE(Variant::nothing().isNothing());
    EXPECT_EQ(VARIANT_TRUE, Variant::boolean(5).boolean());
    EXPECT_EQ(VT_BOOL, Variant(false).type());
}

}  // namespace
