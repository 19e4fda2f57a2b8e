// XML templates: the library's folder, its default template file, and loading templates.
// Plain functions behind LoadFromTemplate and sCurrentPath, with the same guards.
#pragma once

#include "runtime/variant.h"

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
rt::Str currentPath(rt::Str& strPath);
// The default template file of the loaded library (the library folder, "/", kDefaultTemplate).
rt::Str defaultTemplateFile();

// Whether path names a regular file whose name is not hidden (begins with "."). Folders,
// missing files and unreadable paths do not count. Never throws.
bool fileExists(const rt::Str& path) noexcept;

// Loads a template file (fileName, trimmed in place, when it names an existing file, else
// defaultFile) and stores in result: the whole document when templateName is empty; else
// the element templateName selects below the template parent, either as the root of the
// loaded document (asDom) or as it lies in the loaded document. result becomes nothing on
// any failure, never an error.
void loadTemplateFrom(const rt::Str& defaultFile, const rt::Str& templateName, rt::Variant& result,
                      rt::Str& fileName, bool asDom) noexcept;
// loadTemplateFrom with the library's default template file.
void loadFromTemplate(const rt::Str& templateName, rt::Variant& result, rt::Str& fileName,
                      bool asDom = true) noexcept;

}  // namespace velmora::xml
