// Opening a record set (from SQL or a table through a connection, from a document or node
// holding the persisted row format, from a saved file), closing it, saving it (into a
// document or a new file) and cloning it.
#include <filesystem>

#include "dom/native_write.h"
#include "persist.h"
#include "recordset_internal.h"
#include "runtime/convert.h"

namespace ado {

using namespace recordset;

namespace {

[[noreturn]] void notAllowedHere() { raiseAdo(adErrIllegalOperation, u"Operation is not allowed in this context."); }

}  // namespace

void RecordsetObject::openOver(std::shared_ptr<RowsetData> data, rt::ComPtr<_Connection> connection,
                               int32_t lockType, rt::Str source) {
    data_ = std::move(data);
    connection_ = std::move(connection);
    lockType_ = lockType;
    cursorType_ = adOpenStatic;  // rows in memory: a static cursor whatever was asked for
    cursorLocation_ = adUseClient;
    source_ = std::move(source);
    open_ = true;
    dropEdit();
    moveToStart();
}

void RecordsetObject::openPersisted(std::shared_ptr<RowsetData> data, int32_t lockType, rt::Str source) {
    openOver(std::move(data), nullptr, lockType, std::move(source));
}

void RecordsetObject::openFromDocument(rt::IDispatch* document, int32_t lockType) {
    dom::native::ElementRef root;
    rt::ComPtr<dom::IXMLDOMDocument> doc;
    if (rt::succeeded(document->QueryInterface(dom::IXMLDOMDocument::IID_, reinterpret_cast<void**>(doc.put())))) {
        root = dom::native::documentElement(doc.get());
    } else {
        rt::ComPtr<dom::IXMLDOMNode> node;
        if (rt::failed(document->QueryInterface(dom::IXMLDOMNode::IID_, reinterpret_cast<void**>(node.put()))))
            invalidArgument();
        root = dom::native::elementOf(node.get());
    }
    openPersisted(persist::read(root), lockType, {});
}

void RecordsetObject::openFromFile(const rt::Str& path, int32_t lockType) {
    requireCompleteName(path, u"The file name");
    const std::string file = rt::toUtf8(path);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec))
        throw rt::Error::status(rt::E_FAIL, u"File could not be opened: " + path);
    const dom::OwnedTree tree = dom::native::readFile(file);
    if (!tree) throw rt::Error::status(rt::E_FAIL, u"Recordset cannot be created. Source XML is incomplete or invalid.");
    openPersisted(persist::read(dom::native::documentElement(tree)), lockType, path);
}

rt::HRESULT RecordsetObject::Open(const rt::Variant& source, const rt::Variant& activeConnection, int32_t cursorType,
                                  int32_t lockType, int32_t options) {
    return boundary(kSource, [&] {
        requireClosed();
        const int32_t lock = lockType == adLockUnspecified ? lockType_ : lockType;
        if (!validLockType(lock)) invalidArgument();
        if (cursorType < adOpenUnspecified || cursorType > adOpenStatic) invalidArgument();
        const int32_t opts = options < 0 ? 0 : options;
        const rt::Variant& src = source.deref();
        const rt::Variant& con = activeConnection.deref();
        if (src.isMissing() || src.isEmpty() || src.isNull()) invalidArgument();
        if (src.isObject()) {
            if (!src.object()) invalidArgument();
            if (!con.isMissing() && !con.isEmpty() && !con.isNothing()) invalidArgument();
            openFromDocument(src.object().get(), lock);
            return;
        }
        const rt::Str text = rt::toText(src);
        if (opts & adCmdFile) {
            openFromFile(text, lock);
            return;
        }
        if (!con.isMissing()) resolveConnection(con);
        ConnectionObject* c = connectionObjectOf(connection_.get());
        if (!c && text.find(u'\0') == rt::Str::npos) {
            std::error_code ec;
            if (std::filesystem::is_regular_file(rt::toUtf8(text), ec)) {
                openFromFile(text, lock);
                return;
            }
        }
        if (!c)
            raiseAdo(adErrInvalidConnection,
                     u"The connection cannot be used to perform this operation. It is either closed or invalid in "
                     u"this context.");
        const bool table = (opts & (adCmdTable | adCmdTableDirect)) != 0;
        const rt::Str sql = table ? u"select * from " + text : text;
        auto data = std::make_shared<RowsetData>();
        const ExecuteResult r = c->session().execute(sql, data.get());
        if (!r.hasRows) return;  // the statement ran; a result without rows leaves the record set closed
        openOver(std::move(data), connection_, lock, text);
    });
}

rt::HRESULT RecordsetObject::Close() {
    return boundary(kSource, [&] {
        requireOpen();
        if (edit_.active && immediateMode()) notAllowedHere();
        dropEdit();
        open_ = false;
        data_.reset();
        at_ = At::Before;
    });
}

rt::HRESULT RecordsetObject::Save(const rt::Variant& destination, int32_t persistFormat) {
    return boundary(kSource, [&] {
        requireOpen();
        if (persistFormat != adPersistXML)
            raiseAdo(adErrInvalidArgument, u"Only the XML persistence format (adPersistXML, 1) is supported.");
        if (edit_.active) {
            if (immediateMode()) notAllowedHere();  // the edit would have to reach the database first
            commitEdit();
        }
        const rt::Variant& dest = destination.deref();
        if (dest.isObject()) {
            rt::ComPtr<dom::IXMLDOMDocument> doc;
            if (!dest.object() ||
                rt::failed(dest.object()->QueryInterface(dom::IXMLDOMDocument::IID_,
                                                         reinterpret_cast<void**>(doc.put()))))
                invalidArgument();
            dom::resetDocument(doc.get(), persist::write(*data_, lockAllowsWrites()));
            return;
        }
        if (!dest.isString() || dest.str().empty()) invalidArgument();
        requireCompleteName(dest.str(), u"The file name");
        const std::string file = rt::toUtf8(dest.str());
        std::error_code ec;
        if (std::filesystem::exists(file, ec))
            throw rt::Error::status(rt::hr(0x80030050), u"The file already exists: " + dest.str());
        const dom::OwnedTree tree(persist::write(*data_, lockAllowsWrites()));
        switch (dom::native::writeFile(tree.get(), file)) {
            case dom::native::WriteOutcome::Written: return;
            case dom::native::WriteOutcome::CannotCreate:
                throw rt::Error::number(rt::kErrPathNotFound, u"Path not found: " + dest.str());
            case dom::native::WriteOutcome::WriteFailed:
                std::filesystem::remove(file, ec);  // did not exist before: no half-written document stays
                throw rt::Error::number(75, u"Path/File access error: " + dest.str());
        }
    });
}

rt::HRESULT RecordsetObject::Clone(int32_t lockType, _Recordset** clone) {
    return boundary(kSource, [&] {
        rt::need(clone);
        requireOpen();
        if (lockType != adLockUnspecified && lockType != adLockReadOnly) invalidArgument();
        auto rs = rt::makeObject<RecordsetObject>();
        rs->openOver(data_, connection_, lockType == adLockReadOnly ? adLockReadOnly : lockType_, source_);
        rs->cursorType_ = cursorType_;
        rt::assignOut(clone, rt::ComPtr<_Recordset>(rs.get()));
    });
}

}  // namespace ado
