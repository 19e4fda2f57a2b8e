// Files and machine: lines appended to text files, and the computer's name.
#include "frame/binding.h"
#include "frame/classes.h"

namespace velmora::forms {

bool bWriteLine(const rt::Str&, const rt::Str&, bool) { notImplemented("CCommonFunction.bWriteLine"); }

rt::Str ComputerName() { notImplemented("CCommonFunction.ComputerName"); }

}  // namespace velmora::forms

namespace velmora {

HRESULT CCommonFunction::bWriteLine(Str* strFileName, Str* strContent, VARIANT_BOOL* bOpenFlag,
                                    VARIANT_BOOL* result) {
    return bind<&_CCommonFunction::bWriteLine>(&forms::bWriteLine, strFileName, strContent, bOpenFlag, result);
}

HRESULT CCommonFunction::ComputerName(Str* result) {
    return bind<&_CCommonFunction::ComputerName>(&forms::ComputerName, result);
}

}  // namespace velmora
