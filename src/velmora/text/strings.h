// Tolerant string functions: read loose values as text without failing on empty, null,
// missing or nothing. Each is the body of the member of its name (frame/binding.h applies
// the member's guard); they throw rt::Error where a step fails.
#pragma once

#include "runtime/variant.h"

namespace velmora {
class GuardScope;
}

namespace velmora::text {

// The normaliser. vVal is rewritten with its trimmed text (null stays null); the result is
// that text, or the empty result ("" / the int16 0 when bNumFlag) for empty, null, missing
// and "". Nothing gives "" (or the string "0" with bNumFlag) and stays unchanged.
// Throws Error 13 for values without text (arrays, objects without a default value).
rt::Variant strVal(rt::Variant& vVal, bool bNumFlag = false);
// The common rule of the functions below: vData = strVal(vData); returns the text.
const rt::Str& normalize(rt::Variant& vData);

// Decimal digit at lPos counted from the right of |vVal| (vVal is replaced by its absolute
// value); 0 when vVal is not numeric or lPos is outside the text. Error 13 when the position
// lands on a point or an exponent; error 6 when |vVal| does not fit vVal's type.
int16_t iBitVal(rt::Variant& vVal, int32_t lPos = 1);

// Bytes of the text in the system code page (a Chinese character counts 2 under Chinese
// locales; characters the code page lacks count 1).
int32_t LenEx(rt::Variant& vData);
// Error 5 for a negative length (unless the text is empty).
rt::Str LeftEx(rt::Variant& vData, int32_t llen);
rt::Str RightEx(rt::Variant& vData, int32_t llen);
// Error 5 for lstart < 1 or llen < 0 (unless the text is empty).
rt::Str MidEx(rt::Variant& vData, int32_t lstart, int32_t llen);
// 1-based position of vfind in vData from istart; 0 when absent or either text is empty.
// compare 0 exact, 1 without regard to case. Error 5 for istart < 1 or another compare,
// error 6 for a position above 32767.
int16_t InstrEx(int32_t istart, rt::Variant& vData, rt::Variant& vfind, int32_t compare = 1);
// Trimmed (lTrimMode 0 leading, 1 trailing, else both) and lower- or upper-cased text of
// vData. vData is not changed. Throws error 13 (94 for null) for a value without text,
// which the member's handler turns into "".
rt::Str strTrim(const rt::Variant& vData, bool bLowerCase = true, int32_t lTrimMode = 2);
// One step of walking a separated list: true with the next part in strPart (unless strPart
// is the missing marker) and iPos past it; false when the list is exhausted or a text is
// empty. strAll and strSeparator are rewritten (normalised, trimmed). Throws for a list
// value without text; later failures (iPos below 1, a position overflowing 16 bits) throw
// after the guard's change, so the member ends quietly with false.
bool bGetNextPart(GuardScope& guard, rt::Variant& strAll, rt::Variant& strPart, int16_t& iPos,
                  rt::Str& strSeparator);

}  // namespace velmora::text
