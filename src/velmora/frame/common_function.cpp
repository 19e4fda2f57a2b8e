#include "frame/classes.h"
#include "frame/text_service.h"

namespace velmora {

CCommonFunction::CCommonFunction() { renewMessageBox(); }

}  // namespace velmora
