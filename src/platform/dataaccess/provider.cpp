#include "provider.h"

#include <map>

#include "runtime/error.h"

namespace ado {

namespace {

std::map<rt::Str, ProviderFactory>& providers() {
    static auto* table = new std::map<rt::Str, ProviderFactory>;  // outlives static destructors
    return *table;
}

}  // namespace

ProviderRegistrar::ProviderRegistrar(const char16_t* name, ProviderFactory factory) {
    providers()[rt::asciiLower(name)] = std::move(factory);
}

void requireCompleteCommand(rt::StrView sql) {
    if (sql.find(u'\0') != rt::StrView::npos)
        throw rt::Error::status(kErrorsInCommand,
                                u"The command text holds a NUL character (U+0000); no statement may hold one.");
}

void requireCompleteName(rt::StrView text, rt::StrView what) {
    if (text.find(u'\0') != rt::StrView::npos)
        throw rt::Error::status(rt::E_FAIL, rt::Str(what) + u" holds a NUL character (U+0000); no name may hold one.");
}

const ProviderFactory& providerNamed(rt::StrView name) {
    const rt::Str key = rt::asciiLower(name.empty() ? rt::StrView(kDefaultProvider) : name);
    auto it = providers().find(key);
    if (it == providers().end())
        throw rt::Error::number(adErrProviderNotFound, u"Provider cannot be found. It may not be properly installed.");
    return it->second;
}

}  // namespace ado
