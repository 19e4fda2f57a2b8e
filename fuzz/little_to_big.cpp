// LittleToBig on amounts in cents and on any text, checked against a speller that works
// by four-digit groups (the window walk of the library is not used here).
#include <cstring>

#include "fuzz_support.h"
#include "runtime/convert.h"
#include "runtime/error.h"
#include "text/words.h"

using rt::Str;
using rt::Variant;

namespace {

const char16_t* const kNumerals[10] = {u"零", u"壹", u"贰", u"叁", u"肆", u"伍", u"陆", u"柒", u"捌", u"玖"};

// Word of place k (10^k units; -1 and -2 are jiao and fen).
const char16_t* placeWord(int k) {
    switch (k) {
        case 12: return u"万";
        case 8: return u"亿";
        case 4: return u"万";
        case 0: return u"元";
        case -1: return u"角";
        case -2: return u"分";
        default: break;
    }
    static const char16_t* const kInGroup[4] = {u"", u"拾", u"佰", u"仟"};
    return kInGroup[((k % 4) + 4) % 4];
}

int digitAt(uint64_t cents, int k) {
    uint64_t v = cents;
    for (int i = -2; i < k; ++i) v /= 10;
    return int(v % 10);
}

// Groups: 10^12 alone, then 10^8..10^11 (亿), 10^4..10^7 (万), 10^0..10^3 (元), cents. A
// zero numeral stands for every run of zeros between two non-zero digits; a group word is
// written at its place when the group holds a non-zero digit (the 亿 group also when the
// 10^12 place does), the unit word always once the amount reaches it.
Str spell(uint64_t cents) {
    if (cents == 0) return {};
    int top = 12;
    while (digitAt(cents, top) == 0) --top;
    Str out;
    bool pendingZero = false;
    for (int k = top; k >= -2; --k) {
        const int d = digitAt(cents, k);
        if (d != 0) {
            if (pendingZero) out += kNumerals[0];
            out += kNumerals[d];
            out += placeWord(k);
            pendingZero = false;
            continue;
        }
        pendingZero = true;
        const bool tenThousandGroupUsed = digitAt(cents, 5) || digitAt(cents, 6) || digitAt(cents, 7);
        if (k == 8 || (k == 4 && tenThousandGroupUsed) || k == 0) out += placeWord(k);
    }
    if (digitAt(cents, -2) == 0) out += u"整";
    return out;
}

Str amountText(uint64_t cents, bool negative) {
    std::string s = std::to_string(cents / 100) + "." + std::to_string(cents % 100 / 10) + std::to_string(cents % 10);
    return rt::ascii((negative ? "-" : "") + s);
}

void checkCents(uint64_t cents, bool negative, bool asDouble) {
    const Str text = amountText(cents, negative);
    Variant money = asDouble ? Variant(rt::toDouble(Variant(text))) : Variant(text);
    if (cents >= 1000000000000000ULL) {
        try {
            velmora::text::LittleToBig(money);
        } catch (rt::Error& e) {
            if (e.numberValue() != 6) fuzz::mismatch("overflow number", text, rt::ascii(std::to_string(e.numberValue())), u"6");
            return;
        }
        fuzz::mismatch("overflow", text, u"a result", u"error 6");
    }
    fuzz::expectEqual("words", text, velmora::text::LittleToBig(money), spell(cents));
    fuzz::expectEqual("cents left in the variable", text, rt::toText(money), rt::ascii(std::to_string(cents)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    if (data[0] & 1) {
        // Any text: a result or a clean error.
        Variant money(fuzz::latin1(data + 1, size - 1));
        try {
            velmora::text::LittleToBig(money);
        } catch (rt::Error&) {
        }
        return 0;
    }
    uint64_t raw = 0;
    std::memcpy(&raw, data + 1, std::min<size_t>(size - 1, sizeof raw));
    // Mostly within the window, sometimes just beyond it.
    const uint64_t cents = raw % ((data[0] & 2) ? 2000000000000000ULL : 1000000000000000ULL);
    checkCents(cents, (data[0] & 4) != 0, (data[0] & 8) != 0);
    return 0;
}
