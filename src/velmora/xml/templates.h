// XML templates: the library's folder, its default template file, and loading templates:
// the bodies of LoadFromTemplate and sCurrentPath (frame/binding.h applies their guards).
#pragma once

#include "runtime/variant.h"

namespace velmora {
class GuardScope;
}

namespace velmora::xml {

// Where the default template file lies below the library folder.
inline constexpr const char16_t* kDefaultTemplate = u"xml/fdtemplate.xml";

// folder with exactly one trailing "/" ("/" stays "/").
rt::Str withSeparator(rt::StrView folder);

// The folder an sCurrentPath call answers, given the library folder: the library folder
// when strPath is empty, an absolute strPath as given, a relative one below the library
// folder; each with exactly one trailing "/". strPath is trimmed in place.
rt::Str currentPathIn(rt::StrView libraryFolder, rt::Str& strPath);
// currentPathIn for the folder of the loaded library. Throws error 76 when the library's
// file cannot be found (the folder would be unknown).
rt::Str sCurrentPath(rt::Str& strPath);
// The default template file of the loaded library (the library folder, "/", kDefaultTemplate).
rt::Str defaultTemplateFile();

// Whether path names a regular file whose name is not hidden (begins with "."). Folders,
// missing files and unreadable paths do not count. Never throws.
bool fileExists(const rt::Str& path) noexcept;

// Loads a template file (fileName, normalised in place, when it names an existing file, else
// defaultFile) and stores in result: the whole document when templateName is empty; else
// the element templateName selects below the template parent, either as the root of the
// loaded document (asDom) or as it lies in the loaded document. An unreadable or unparsable
// file gives an empty document, no error. Throws when a step fails (a rejected path, no
// template parent, no match); its handler action, registered first, makes result nothing.
void loadTemplateFrom(GuardScope& guard, const rt::Str& defaultFile, const rt::Str& templateName,
                      rt::Variant& result, rt::Str& fileName, bool asDom);
// The member's body: loadTemplateFrom with the library's default template file.
void LoadFromTemplate(GuardScope& guard, const rt::Str& strTemplateName, rt::Variant& objRtnDoc,
                      rt::Str& strFileName, bool bAsDom);

}  // namespace velmora::xml
