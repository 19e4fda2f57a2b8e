// The message text service for the fuzz targets: the zh-CN numerals and place words,
// without the platform's service objects and catalog files.
#include <unordered_map>

#include "frame/text_service.h"
#include "runtime/error.h"

namespace velmora {

namespace {

const std::unordered_map<rt::Str, rt::Str>& texts() {
    static const std::unordered_map<rt::Str, rt::Str> t = {
        {u"Ostrel.FM.Velmora.00003", u"万"}, {u"Ostrel.FM.Velmora.00004", u"仟"},
        {u"Ostrel.FM.Velmora.00005", u"佰"}, {u"Ostrel.FM.Velmora.00006", u"拾"},
        {u"Ostrel.FM.Velmora.00007", u"亿"}, {u"Ostrel.FM.Velmora.00011", u"万"},
        {u"Ostrel.FM.Velmora.00015", u"元"}, {u"Ostrel.FM.Velmora.00016", u"角"},
        {u"Ostrel.FM.Velmora.00017", u"分"}, {u"Ostrel.FM.Velmora.00018", u"零"},
        {u"Ostrel.FM.Velmora.00019", u"壹"}, {u"Ostrel.FM.Velmora.00020", u"贰"},
        {u"Ostrel.FM.Velmora.00021", u"叁"}, {u"Ostrel.FM.Velmora.00022", u"肆"},
        {u"Ostrel.FM.Velmora.00023", u"伍"}, {u"Ostrel.FM.Velmora.00024", u"陆"},
        {u"Ostrel.FM.Velmora.00025", u"柒"}, {u"Ostrel.FM.Velmora.00026", u"捌"},
        {u"Ostrel.FM.Velmora.00027", u"玖"}, {u"Ostrel.FM.Velmora.00028", u"亿万"},
        {u"Ostrel.FM.Velmora.00029", u"整"},
    };
    return t;
}

}  // namespace

rt::Str sGetText(const rt::Str& key) {
    auto it = texts().find(key);
    if (it == texts().end()) rt::raise(5, u"No text for " + key);
    return it->second;
}

rt::Str languageCode() { return u"zh-CN"; }

}  // namespace velmora
