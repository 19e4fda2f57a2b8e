// GetAttr with a text path of three steps on a small document, early-bound, against the
// object model's own selectSingleNode + getAttribute with the path already folded.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "client.h"
#include "dom/dom.h"

namespace {

using rt::ComPtr;
using rt::Str;
using rt::Variant;

const char16_t* const kSmall =
    u"<kainterface roottag='voucher'><voucher><head code='V01'><line no='1' amount='12.50'/>"
    u"<line no='2' amount='3.00'/></head><body><item id='a'/><item id='b'/></body></voucher></kainterface>";

struct Fixture {
    ComPtr<velmora::_CCommonFunction> cf;
    ComPtr<dom::IXMLDOMDocument> doc;
    ComPtr<dom::IXMLDOMElement> root;

    Fixture() {
        velmora::client::useLibrary();
        cf = velmora::client::newCommonFunction();
        rt::check(rt::createInstance(dom::CLSID_DOMDocument, dom::IXMLDOMDocument::IID_,
                                     reinterpret_cast<void**>(doc.put())));
        int16_t ok = 0;
        rt::check(doc->loadXML(kSmall, &ok));
        rt::check(doc->get_documentElement(root.put()));
        if (!ok || !root) std::abort();
    }
};

void BM_GetAttr_ThreeStepPath(benchmark::State& state) {
    Fixture f;
    Variant path(Str(u" Voucher/Head/Line "));
    Variant name(Str(u"AMOUNT"));
    dom::IXMLDOMElement* context = f.root.get();
    Str out;
    if (rt::failed(f.cf->GetAttr(&path, &name, &context, &out)) || out != u"12.50") std::abort();
    for (auto _ : state) {
        f.cf->GetAttr(&path, &name, &context, &out);
        benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GetAttr_ThreeStepPath);

// Baseline: the two object-model calls GetAttr is made of, without folding or guards.
void BM_DomSelectAndGetAttribute(benchmark::State& state) {
    Fixture f;
    const Str path = u"voucher/head/line";
    const Str name = u"amount";
    for (auto _ : state) {
        ComPtr<dom::IXMLDOMNode> node;
        f.root->selectSingleNode(path, node.put());
        auto e = node.as<dom::IXMLDOMElement>();
        Variant v;
        e->getAttribute(name, &v);
        benchmark::DoNotOptimize(v);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DomSelectAndGetAttribute);

}  // namespace

BENCHMARK_MAIN();
