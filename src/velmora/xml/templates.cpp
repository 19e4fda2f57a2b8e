// Templates: loading template files and the folder the library lives in.
#include "xml/templates.h"

#include <filesystem>
#include <system_error>

#include "frame/classes.h"
#include "frame/binding.h"
#include "frame/module.h"
#include "runtime/call.h"
#include "frame/server.h"
#include "text/strings.h"
#include "xml/nodes.h"

namespace velmora::xml {

using rt::ComPtr;
using rt::Str;
using rt::StrView;
using rt::Variant;

namespace {

Str libraryFolderText() {
    std::string folder = libraryFolder();
    if (folder.empty()) rt::raise(rt::kErrPathNotFound, u"The folder of the library's own file cannot be found.");
    return rt::fromUtf8(folder);
}

// The template parent's match for name: an element, or nothing.
ComPtr<Element> findTemplate(Document* doc, const Str& name) {
    ComPtr<Element> parent = rt::call(gCommon(), &_CCommonFunction::objSelectRootTag, &doc);
    if (!parent) rt::raise(rt::kErrObjectNotSet, u"The template file has no template parent.");
    ComPtr<dom::IXMLDOMNode> found;
    rt::check(parent->selectSingleNode(name, found.put()));
    if (!found) return {};
    auto e = found.as<Element>();
    if (!e) rt::raise(rt::kErrTypeMismatch, u"The template '" + name + u"' is not an element.");
    return e;
}

// Makes element the document's root; everything else of the old root goes.
void makeRoot(Document* doc, Element* element) {
    ComPtr<Element> root;
    rt::check(doc->get_documentElement(root.put()));
    ComPtr<dom::IXMLDOMNode> old;
    rt::check(doc->replaceChild(element, root.get(), old.put()));
}

}  // namespace

Str withSeparator(StrView folder) {
    while (!folder.empty() && folder.back() == u'/') folder.remove_suffix(1);
    return Str(folder) + u"/";
}

Str currentPathIn(StrView libraryFolder, Str& strPath) {
    strPath = Str(rt::trimSpaces(strPath));
    if (strPath.empty()) return withSeparator(libraryFolder);
    if (strPath.front() == u'/') return withSeparator(strPath);
    return withSeparator(libraryFolder) + withSeparator(strPath);
}

Str sCurrentPath(Str& strPath) {
    // Trimmed before the folder is looked up, so the caller's text is clean even on failure.
    strPath = Str(rt::trimSpaces(strPath));
    return currentPathIn(libraryFolderText(), strPath);
}

Str defaultTemplateFile() {
    Str none;
    return sCurrentPath(none) + kDefaultTemplate;
}

bool fileExists(const Str& path) noexcept {
    try {
        std::filesystem::path p(rt::toUtf8(path));
        std::error_code ec;
        if (!std::filesystem::is_regular_file(p, ec) || ec) return false;
        std::string name = p.filename().string();
        return !name.empty() && name.front() != '.';
    } catch (...) {
        return false;
    }
}

namespace {

// The default file is asked for only when the given one does not exist.
template <class DefaultFile>
void loadTemplate(GuardScope& guard, DefaultFile&& defaultFile, const Str& templateName, Variant& result,
                  Str& fileName, bool asDom) {
    guard.onError([&result] { result = Variant::nothing(); });
    ComPtr<Document> doc = newDocument();
    Variant given(fileName);
    fileName = text::strVal(given, false).str();
    // An unreadable or unparsable file leaves the document empty; that is no failure here.
    Variant source(!fileName.empty() && fileExists(fileName) ? fileName : defaultFile());
    int16_t loaded = 0;
    rt::check(doc->load(source, &loaded));
    if (templateName.empty()) {
        result = Variant(doc);
        return;
    }
    ComPtr<Element> found = findTemplate(doc.get(), templateName);
    if (asDom) {
        makeRoot(doc.get(), found.get());
        result = Variant(doc);
    } else {
        result = Variant(found);
    }
}

}  // namespace

void loadTemplateFrom(GuardScope& guard, const Str& defaultFile, const Str& templateName, Variant& result,
                      Str& fileName, bool asDom) {
    loadTemplate(guard, [&] { return defaultFile; }, templateName, result, fileName, asDom);
}

void LoadFromTemplate(GuardScope& guard, const Str& strTemplateName, Variant& objRtnDoc, Str& strFileName,
                      bool bAsDom) {
    loadTemplate(guard, &defaultTemplateFile, strTemplateName, objRtnDoc, strFileName, bAsDom);
}

}  // namespace velmora::xml

namespace velmora {

HRESULT CCommonFunction::LoadFromTemplate(Str* strTemplateName, Variant* objRtnDoc, Str* strFileName,
                                          VARIANT_BOOL* bAsDom) {
    return bind<&_CCommonFunction::LoadFromTemplate>(&xml::LoadFromTemplate, strTemplateName, objRtnDoc,
                                                     strFileName, bAsDom);
}

HRESULT CCommonFunction::sCurrentPath(Str* strPath, Str* result) {
    return bind<&_CCommonFunction::sCurrentPath>(&xml::sCurrentPath, strPath, result);
}

}  // namespace velmora
