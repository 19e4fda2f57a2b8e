// Node lists, attribute maps and the parse error object.
#include "dom/objects.h"

namespace dom::detail {

namespace {

constexpr const char16_t* kSource = u"msxml3.dll";

// Children of a node, followed live: counts and positions are recomputed after any change,
// and sequential access costs one step per item.
class ChildList final : public rt::DispatchObject<ChildList, IXMLDOMNodeList> {
public:
    explicit ChildList(NodeCore& parent) : parentRef_(parent.asNode()), parent_(parent) {}

    rt::HRESULT get_item(int32_t index, IXMLDOMNode** r) override { DOM_GUARD(putNode(need(r), at(index))); }
    rt::HRESULT get_length(int32_t* r) override { DOM_GUARD(*need(r) = int32_t(count())); }
    rt::HRESULT nextNode(IXMLDOMNode** r) override {
        DOM_GUARD({
            need(r);
            xmlNodePtr n = iter_ < 0 ? nullptr : at(iter_);
            if (n) ++iter_;
            putNode(r, n);
        });
    }
    rt::HRESULT reset() override { DOM_GUARD(iter_ = 0); }

private:
    void refresh() {
        uint64_t now = gMutations.load(std::memory_order_relaxed);
        xmlNodePtr p = parent_.node();
        if (now == stamp_ && p == cachedParent_) return;
        stamp_ = now;
        cachedParent_ = p;
        length_ = SIZE_MAX;
        cursor_ = nullptr;
    }
    size_t count() {
        refresh();
        if (length_ == SIZE_MAX) {
            length_ = 0;
            for (xmlNodePtr c = firstChildOf(cachedParent_); c; c = c->next) ++length_;
        }
        return length_;
    }
    xmlNodePtr at(int32_t index) {
        refresh();
        if (index < 0) return nullptr;
        size_t i = size_t(index);
        if (length_ != SIZE_MAX && i >= length_) return nullptr;
        if (!cursor_ || i < cursorIndex_ / 2) {
            cursor_ = firstChildOf(cachedParent_);
            cursorIndex_ = 0;
        }
        while (cursor_ && cursorIndex_ < i) {
            cursor_ = cursor_->next;
            ++cursorIndex_;
        }
        while (cursor_ && cursorIndex_ > i) {
            cursor_ = cursor_->prev;
            --cursorIndex_;
        }
        return cursor_;
    }

    rt::ComPtr<IXMLDOMNode> parentRef_;  // keeps the parent (and its tree) alive
    NodeCore& parent_;
    uint64_t stamp_ = UINT64_MAX;
    xmlNodePtr cachedParent_ = nullptr;
    size_t length_ = SIZE_MAX;
    xmlNodePtr cursor_ = nullptr;
    size_t cursorIndex_ = 0;
    int32_t iter_ = 0;
};

class SnapshotList final : public rt::DispatchObject<SnapshotList, IXMLDOMNodeList> {
public:
    explicit SnapshotList(std::vector<rt::ComPtr<IXMLDOMNode>> nodes) : nodes_(std::move(nodes)) {}

    rt::HRESULT get_item(int32_t index, IXMLDOMNode** r) override { DOM_GUARD(rt::assignOut(need(r), at(index))); }
    rt::HRESULT get_length(int32_t* r) override { DOM_GUARD(*need(r) = int32_t(nodes_.size())); }
    rt::HRESULT nextNode(IXMLDOMNode** r) override {
        DOM_GUARD({
            need(r);
            rt::ComPtr<IXMLDOMNode> n = at(iter_);
            if (n) ++iter_;
            rt::assignOut(r, n);
        });
    }
    rt::HRESULT reset() override { DOM_GUARD(iter_ = 0); }

private:
    rt::ComPtr<IXMLDOMNode> at(int32_t index) const {
        if (index < 0 || size_t(index) >= nodes_.size()) return nullptr;
        return nodes_[size_t(index)];
    }
    std::vector<rt::ComPtr<IXMLDOMNode>> nodes_;
    int32_t iter_ = 0;
};

class AttributeMap final : public rt::DispatchObject<AttributeMap, IXMLDOMNamedNodeMap> {
public:
    explicit AttributeMap(NodeCore& element) : elementRef_(element.asNode()), element_(element.node()) {}

    rt::HRESULT getNamedItem(const rt::Str& name, IXMLDOMNode** r) override {
        DOM_GUARD(putNode(need(r), reinterpret_cast<xmlNodePtr>(findAttribute(element_, rt::toUtf8(name)))));
    }
    rt::HRESULT removeNamedItem(const rt::Str& name, IXMLDOMNode** r) override {
        DOM_GUARD({
            need(r);
            xmlNodePtr a = reinterpret_cast<xmlNodePtr>(findAttribute(element_, rt::toUtf8(name)));
            rt::ComPtr<IXMLDOMNode> node = wrapNode(a);
            if (a) detach(a);
            rt::assignOut(r, node);
        });
    }
    rt::HRESULT get_item(int32_t index, IXMLDOMNode** r) override { DOM_GUARD(putNode(need(r), at(index))); }
    rt::HRESULT get_length(int32_t* r) override {
        DOM_GUARD({
            int32_t n = 0;
            for (xmlAttrPtr a = element_->properties; a; a = a->next) ++n;
            *need(r) = n;
        });
    }
    rt::HRESULT nextNode(IXMLDOMNode** r) override {
        DOM_GUARD({
            need(r);
            xmlNodePtr n = at(iter_);
            if (n) ++iter_;
            putNode(r, n);
        });
    }
    rt::HRESULT reset() override { DOM_GUARD(iter_ = 0); }

private:
    xmlNodePtr at(int32_t index) const {
        if (index < 0) return nullptr;
        xmlAttrPtr a = element_->properties;
        for (int32_t i = 0; a && i < index; ++i) a = a->next;
        return reinterpret_cast<xmlNodePtr>(a);
    }
    rt::ComPtr<IXMLDOMNode> elementRef_;
    xmlNodePtr element_;
    int32_t iter_ = 0;
};

class ParseError final : public rt::DispatchObject<ParseError, IXMLDOMParseError> {
public:
    explicit ParseError(ParseInfo info) : info_(std::move(info)) {}
    rt::HRESULT get_errorCode(int32_t* r) override { DOM_GUARD(*need(r) = info_.errorCode); }
    rt::HRESULT get_url(rt::Str* r) override { DOM_GUARD(*need(r) = info_.url); }
    rt::HRESULT get_reason(rt::Str* r) override { DOM_GUARD(*need(r) = info_.reason); }
    rt::HRESULT get_srcText(rt::Str* r) override { DOM_GUARD(*need(r) = info_.srcText); }
    rt::HRESULT get_line(int32_t* r) override { DOM_GUARD(*need(r) = info_.line); }
    rt::HRESULT get_linepos(int32_t* r) override { DOM_GUARD(*need(r) = info_.linepos); }
    rt::HRESULT get_filepos(int32_t* r) override { DOM_GUARD(*need(r) = info_.filepos); }

private:
    ParseInfo info_;
};

}  // namespace

rt::ComPtr<IXMLDOMNodeList> makeChildList(NodeCore& parent) { return rt::makeObject<ChildList>(parent); }

rt::ComPtr<IXMLDOMNodeList> makeSnapshotList(std::vector<rt::ComPtr<IXMLDOMNode>> nodes) {
    return rt::makeObject<SnapshotList>(std::move(nodes));
}

rt::ComPtr<IXMLDOMNamedNodeMap> makeAttributeMap(NodeCore& element) { return rt::makeObject<AttributeMap>(element); }

rt::ComPtr<IXMLDOMParseError> makeParseError(const ParseInfo& info) { return rt::makeObject<ParseError>(info); }

}  // namespace dom::detail
