// The text loader: texts by message key from the shared catalog of the loader's language.
#include <memory>
#include <string>

#include "runtime/classes.h"
#include "runtime/convert.h"
#include "runtime/object.h"
#include "services/catalog.h"
#include "services/message_service.h"

namespace svc {

namespace {

constexpr const char16_t* kSource = u"Ostrel.TextLoader";

// "%1" .. "%9" replaced by the text of the inserts' first nine items; other "%" stay.
rt::Str withInserts(const rt::Str& text, const rt::Array& inserts) {
    rt::Str out;
    out.reserve(text.size());
    const auto& items = inserts.items();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'%' && i + 1 < text.size() && text[i + 1] >= u'1' && text[i + 1] <= u'9') {
            size_t k = size_t(text[i + 1] - u'1');
            if (k < items.size()) {
                out += rt::toText(items[k]);
                ++i;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

class TextLoader final : public rt::DispatchObject<TextLoader, ITextLoader> {
public:
    rt::HRESULT InitTexts(int32_t, int32_t* result) override {
        if (!result) return rt::E_POINTER;
        return boundary(kSource, [&] { *result = int32_t(catalog().size()); });
    }

    rt::HRESULT GetText(rt::Str* key, int32_t*, rt::Array* inserts, rt::Str* result) override {
        if (!key || !result) return rt::E_POINTER;
        return boundary(kSource, [&] {
            const rt::Str* text = catalog().find(*key);
            rt::Str found = text ? *text : *key;
            if (inserts && inserts->dimensioned() && inserts->size() > 0) found = withInserts(found, *inserts);
            *result = std::move(found);
        });
    }

    rt::HRESULT LanguageCode(rt::Str* result) override {
        if (!result) return rt::E_POINTER;
        return boundary(kSource, [&] { *result = rt::fromUtf8(language_); });
    }

private:
    const Catalog& catalog() {
        if (!catalog_) catalog_ = catalogFor(language_);
        return *catalog_;
    }

    const std::string language_ = currentLanguage();
    std::shared_ptr<const Catalog> catalog_;
};

const rt::ClassRegistrar registrar(
    kProgidTextLoader, kClsidTextLoader,
    [](const rt::IID& iid, void** out) { return rt::makeObject<TextLoader>()->QueryInterface(iid, out); },
    &ITextLoader::info);

}  // namespace

}  // namespace svc
