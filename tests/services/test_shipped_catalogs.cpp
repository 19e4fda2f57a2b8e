// The catalogs that ship with the library: every key the library asks for, in each language,
// with the texts that amounts in words are built from.
#include <map>

#include "services/catalog.h"
#include "services_testing.h"

namespace svc {
namespace {

const char* const kLanguages[] = {"zh-CN", "zh-TW", "en-US"};

std::string shippedFile(const std::string& language) { return VELMORA_SOURCE_DIR "/catalogs/" + language + ".txt"; }

std::string text(const Catalog& c, const std::string& key) {
    const rt::Str* t = c.find(rt::fromUtf8(key));
    return t ? rt::toUtf8(*t) : "<missing " + key + ">";
}

std::string key(int n) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "Ostrel.FM.Velmora.%05d", n);
    return buf;
}

TEST(ShippedCatalogs, EveryLibraryKeyHasARealTextInEachLanguage) {
    for (const char* language : kLanguages) {
        SCOPED_TRACE(language);
        Catalog c = Catalog::load(shippedFile(language));
        for (const auto& k : testing::libraryKeys()) {
            const std::string t = text(c, k);
            EXPECT_FALSE(t.empty()) << k;
            EXPECT_NE(t, k) << k;
            EXPECT_EQ(t.find("<missing"), std::string::npos) << k;
        }
    }
}

TEST(ShippedCatalogs, TheBuildCopiesTheCatalogsBesideTheLibraries) {
    for (const char* language : kLanguages) {
        Catalog shipped = Catalog::load(shippedFile(language));
        Catalog built = Catalog::load(VELMORA_OUT_DIR "/catalogs/" + std::string(language) + ".txt");
        EXPECT_EQ(built.size(), shipped.size()) << language;
    }
}

// Key -> text for the numerals and place words of one Chinese language.
void expectAmountWords(const std::string& language, const std::vector<std::string>& numerals,
                       const std::map<int, std::string>& places) {
    SCOPED_TRACE(language);
    Catalog c = Catalog::load(shippedFile(language));
    for (int d = 0; d < 10; ++d) EXPECT_EQ(text(c, key(18 + d)), numerals[size_t(d)]) << "digit " << d;
    for (const auto& [n, word] : places) EXPECT_EQ(text(c, key(n)), word) << key(n);
}

TEST(ShippedCatalogs, SimplifiedChineseNumeralsAndPlaceWords) {
    expectAmountWords("zh-CN", {"零", "壹", "贰", "叁", "肆", "伍", "陆", "柒", "捌", "玖"},
                      {{3, "万"}, {4, "仟"}, {5, "佰"}, {6, "拾"}, {7, "亿"}, {11, "万"}, {15, "元"}, {16, "角"},
                       {17, "分"}, {28, "亿万"}, {29, "整"}});
}

TEST(ShippedCatalogs, TraditionalChineseNumeralsAndPlaceWords) {
    expectAmountWords("zh-TW", {"零", "壹", "貳", "參", "肆", "伍", "陸", "柒", "捌", "玖"},
                      {{3, "萬"}, {4, "仟"}, {5, "佰"}, {6, "拾"}, {7, "億"}, {11, "萬"}, {15, "元"}, {16, "角"},
                       {17, "分"}, {28, "億萬"}, {29, "整"}});
}

TEST(ShippedCatalogs, PairTextIsTheHundredMillionWordThenTheTenThousandWord) {
    // Amounts in words replace the pair by the hundred-million word and compare the unit and
    // tenth words with single characters.
    for (const char* language : kLanguages) {
        SCOPED_TRACE(language);
        Catalog c = Catalog::load(shippedFile(language));
        const std::string pair = text(c, key(28));
        const std::string hundredMillion = text(c, key(7)), tenThousand = text(c, key(11));
        EXPECT_TRUE(pair == hundredMillion + tenThousand || pair == hundredMillion + " " + tenThousand) << pair;
        if (std::string(language) != "en-US") {
            EXPECT_EQ(c.find(rt::fromUtf8(key(15)))->size(), 1u);
            EXPECT_EQ(c.find(rt::fromUtf8(key(16)))->size(), 1u);
        }
    }
}

TEST(ShippedCatalogs, AllLanguagesHoldTheSameKeys) {
    Catalog en = Catalog::load(shippedFile("en-US"));
    for (const char* language : {"zh-CN", "zh-TW"}) {
        Catalog c = Catalog::load(shippedFile(language));
        EXPECT_EQ(c.keys(), en.keys()) << language;
    }
}

}  // namespace
}  // namespace svc
