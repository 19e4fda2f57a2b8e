// Amounts in words with the shipped catalogs. The loader fixes its language when a thread
// first asks for a text, so each case runs on a thread of its own with VELMORA_LANGUAGE set.
#include <functional>
#include <random>
#include <thread>

#include "library_testing.h"
#include "support/testing.h"

using namespace velmora;
using namespace velmora::testing;
using rt::CallArg;
using rt::Str;
using rt::Variant;

namespace {

// Runs body on a new thread whose text loader speaks language; rethrows nothing (gtest
// assertions report from any thread).
void inLanguage(const char* language, const std::function<void(const rt::ComPtr<_CCommonFunction>&)>& body) {
    support::ScopedEnv speaking("VELMORA_LANGUAGE", language);
    std::thread([&] {
        auto cf = newCommon();
        Variant warmUp(1);
        client::call(cf.get(), &_CCommonFunction::LittleToBig, &warmUp);  // the loader is made here
        body(cf);
    }).join();
}

Str words(const rt::ComPtr<_CCommonFunction>& cf, Variant money) {
    return client::call(cf.get(), &_CCommonFunction::LittleToBig, &money);
}

int failureNumber(const rt::ComPtr<_CCommonFunction>& cf, Variant money) {
    try {
        words(cf, money);
    } catch (rt::Error& e) {
        return e.numberValue();
    }
    return 0;
}

// ---- the oracle: spelling by four-digit groups ---------------------------------------

const char16_t* const kNumerals[10] = {u"零", u"壹", u"贰", u"叁", u"肆", u"伍", u"陆", u"柒", u"捌", u"玖"};

int digitAt(uint64_t cents, int place) {  // place: 10^place units, -1 jiao, -2 fen
    for (int i = -2; i < place; ++i) cents /= 10;
    return int(cents % 10);
}

const char16_t* placeWord(int place) {
    switch (place) {
        case 12: return u"万";
        case 8: return u"亿";
        case 4: return u"万";
        case 0: return u"元";
        case -1: return u"角";
        case -2: return u"分";
        default: break;
    }
    static const char16_t* const kInGroup[4] = {u"", u"拾", u"佰", u"仟"};
    return kInGroup[place % 4];
}

// One zero numeral for each run of zeros between non-zero digits; group words where their
// group holds a digit (the hundred-million word also under a 10^12 digit); the unit word
// once the amount reaches a unit; the whole-amount word without hundredths.
Str spell(uint64_t cents) {
    if (cents == 0) return {};
    int top = 12;
    while (digitAt(cents, top) == 0) --top;
    Str out;
    bool zeros = false;
    for (int place = top; place >= -2; --place) {
        const int d = digitAt(cents, place);
        if (d != 0) {
            if (zeros) out += kNumerals[0];
            out += kNumerals[d];
            out += placeWord(place);
            zeros = false;
            continue;
        }
        zeros = true;
        const bool tenThousands = digitAt(cents, 5) || digitAt(cents, 6) || digitAt(cents, 7);
        if (place == 8 || (place == 4 && tenThousands) || place == 0) out += placeWord(place);
    }
    if (digitAt(cents, -2) == 0) out += u"整";
    return out;
}

Str amountText(uint64_t cents) {
    return rt::ascii(std::to_string(cents / 100) + "." + std::to_string(cents % 100 / 10) + std::to_string(cents % 10));
}

}  // namespace

TEST(Words, WorkedExamples) {
    inLanguage("zh-CN", [](const auto& cf) {
        EXPECT_EQ(words(cf, 1234.56), u"壹仟贰佰叁拾肆元伍角陆分");
        EXPECT_EQ(words(cf, 1005), u"壹仟零伍元整");
        EXPECT_EQ(words(cf, 10.05), u"壹拾元零伍分");
        EXPECT_EQ(words(cf, 1.5), u"壹元伍角整");
        EXPECT_EQ(words(cf, 0.05), u"伍分");
        EXPECT_EQ(words(cf, 100000), u"壹拾万元整");
        EXPECT_EQ(words(cf, 100000000), u"壹亿元整");
        EXPECT_EQ(words(cf, 1000000000), u"壹拾亿元整");
        EXPECT_EQ(words(cf, 20000001), u"贰仟万零壹元整");
        EXPECT_EQ(words(cf, 100010000), u"壹亿零壹万元整");
        EXPECT_EQ(words(cf, -5), u"伍元整");
    });
}

TEST(Words, EdgeCases) {
    inLanguage("zh-CN", [](const auto& cf) {
        EXPECT_EQ(words(cf, 0), u"");
        EXPECT_EQ(words(cf, 0.001), u"");
        EXPECT_EQ(words(cf, -0.004), u"");
        EXPECT_EQ(words(cf, 0.005), u"壹分");
        EXPECT_EQ(words(cf, 2.675), u"贰元陆角捌分");  // decimal rounding, not the double's
        EXPECT_EQ(words(cf, str(u"1,234.50")), u"壹仟贰佰叁拾肆元伍角整");
        EXPECT_EQ(words(cf, rt::Decimal::parse(u"9999999999999.99").value()),
                  u"玖万玖仟玖佰玖拾玖亿玖仟玖佰玖拾玖万玖仟玖佰玖拾玖元玖角玖分");
        EXPECT_EQ(words(cf, str(u"abc")), u"");
        EXPECT_EQ(words(cf, Variant(rt::Null{})), u"");

        Variant money(1234.56);
        client::call(cf.get(), &_CCommonFunction::LittleToBig, &money);
        EXPECT_EQ(rt::toText(money), u"123456");  // left holding the cents
        Variant negative(Str(u"-12.345"));
        client::call(cf.get(), &_CCommonFunction::LittleToBig, &negative);
        EXPECT_EQ(rt::toText(negative), u"1235");
        Variant text(Str(u"abc"));
        client::call(cf.get(), &_CCommonFunction::LittleToBig, &text);
        EXPECT_EQ(text.str(), u"abc");
    });
}

TEST(Words, AmountsBeyondTheWindowOverflow) {
    inLanguage("zh-CN", [](const auto& cf) {
        // The lowest 15 cent digits alone would spell a different amount.
        EXPECT_EQ(failureNumber(cf, 12345678901234.0), 6);
        EXPECT_EQ(failureNumber(cf, 10000000000000.0), 6);
        EXPECT_EQ(failureNumber(cf, str(u"9999999999999.996")), 6);  // rounds up to 10^13
        EXPECT_EQ(failureNumber(cf, -1e13), 6);
        EXPECT_EQ(failureNumber(cf, 1e40), 6);  // beyond the decimal type itself
        Variant money(1e13);
        EXPECT_THROW(client::call(cf.get(), &_CCommonFunction::LittleToBig, &money), rt::Error);
        ASSERT_EQ(money.type(), rt::VT_R8);  // a failed call loses nothing
        EXPECT_EQ(money.r8(), 1e13);
    });
}

TEST(Words, HundredMillionWordUnderTheTopPlace) {
    inLanguage("zh-CN", [](const auto& cf) {
        EXPECT_EQ(words(cf, 2000000000000.0), u"贰万亿元整");
        EXPECT_EQ(words(cf, 1000000010000.0), u"壹万亿零壹万元整");
        EXPECT_EQ(words(cf, 1000000000001.0), u"壹万亿零壹元整");
        EXPECT_EQ(words(cf, 1100000000000.0), u"壹万壹仟亿元整");
        EXPECT_EQ(words(cf, 1000100000000.0), u"壹万零壹亿元整");
        EXPECT_EQ(words(cf, 10000000000.0), u"壹佰亿元整");  // below 10^12: as before
    });
}

TEST(Words, OtherLanguages) {
    inLanguage("zh-TW", [](const auto& cf) { EXPECT_EQ(words(cf, 1234.56), u"壹仟貳佰參拾肆元伍角陸分"); });
    inLanguage("en-US", [](const auto& cf) {
        Variant money(1234.56);
        EXPECT_EQ(client::call(cf.get(), &_CCommonFunction::LittleToBig, &money), u"");
        ASSERT_EQ(money.type(), rt::VT_R8);  // unchanged
        EXPECT_EQ(money.r8(), 1234.56);
    });
}

TEST(Words, AgreeWithTheGroupSpeller) {
    inLanguage("zh-CN", [](const auto& cf) {
        std::mt19937_64 rng(1234);
        for (int i = 0; i < 5000; ++i) {
            // Up to 15 digits, zeros in runs of every length.
            const int length = int(rng() % 15) + 1;
            uint64_t cents = 0;
            for (int k = 0; k < length; ++k) cents = cents * 10 + (rng() % 2 ? rng() % 10 : 0);
            const Str want = spell(cents);
            Variant asText(amountText(cents));
            ASSERT_EQ(client::call(cf.get(), &_CCommonFunction::LittleToBig, &asText), want) << cents;
            ASSERT_EQ(rt::toText(asText), rt::ascii(std::to_string(cents)));
            ASSERT_EQ(words(cf, -double(cents) / 100), want) << cents;
        }
    });
}

TEST(Words, LateBound) {
    inLanguage("zh-CN", [](const auto& cf) {
        Variant money(10.05);
        EXPECT_EQ(late(cf, u"LittleToBig", {CallArg::ref(money)}).str(), u"壹拾元零伍分");
        EXPECT_EQ(rt::toText(money), u"1005");
        try {
            late(cf, u"littletobig", {Variant(1e14)});
            FAIL();
        } catch (rt::Error& e) {
            EXPECT_EQ(e.numberValue(), 6);
            EXPECT_EQ(e.source(), u"Velmora.CCommonFunction");
        }
    });
}
