// Shared helpers for the tests of the data helpers: a fresh database per test on SQLite (a
// file in a temporary folder) or on the private PostgreSQL server (skipped without one),
// and short ways to reach record sets, fields and documents.
#pragma once

#include <memory>

#include "dataaccess/behaviour/ado_testing.h"
#include "dom/dom.h"
#include "library_testing.h"
#include "pg/pg_testing.h"

namespace velmora::testing {

using ado::testing::fieldCount;
using ado::testing::isEOF;
using ado::testing::recordCount;
using ado::testing::text;
using ado::testing::value;

inline const char* const kSqlite = "SQLite";
inline const char* const kPostgres = "PostgreSQL";

using ado::testing::kNamespaces;
using ado::testing::loadDocument;
using ado::testing::openDocument;
using ado::testing::shippersSchema;

// A persisted row document made of a schema body (the children of s:ElementType) and the
// rows (the children of rs:data).
inline rt::Str rowsetXml(const rt::Str& columns, const rt::Str& rows) {
    return u"<xml " + rt::Str(kNamespaces) + u"><s:Schema id='RowsetSchema'>" +
           u"<s:ElementType name='row' content='eltOnly'>" + columns +
           u"<s:extends type='rs:rowbase'/></s:ElementType></s:Schema><rs:data>" + rows + u"</rs:data></xml>";
}

inline rt::ComPtr<dom::IXMLDOMElement> rootOf(dom::IXMLDOMDocument* doc) {
    rt::ComPtr<dom::IXMLDOMElement> root;
    rt::check(doc->get_documentElement(root.put()));
    return root;
}

inline rt::ComPtr<dom::IXMLDOMNode> selectIn(dom::IXMLDOMNode* context, const rt::Str& path) {
    rt::ComPtr<dom::IXMLDOMNode> found;
    rt::check(context->selectSingleNode(path, found.put()));
    return found;
}

inline int32_t countIn(dom::IXMLDOMNode* context, const rt::Str& path) {
    rt::ComPtr<dom::IXMLDOMNodeList> list;
    rt::check(context->selectNodes(path, list.put()));
    int32_t n = 0;
    rt::check(list->get_length(&n));
    return n;
}

inline rt::Str xmlOf(dom::IXMLDOMNode* node) {
    rt::Str xml;
    rt::check(node->get_xml(&xml));
    return xml;
}

// An attribute's value as text, "<absent>" when the element lacks it.
inline std::string attributeOf(dom::IXMLDOMNode* node, const rt::Str& name) {
    auto e = rt::ComPtr<dom::IXMLDOMNode>(node).as<dom::IXMLDOMElement>();
    if (!e) return "<no element>";
    rt::Variant v;
    rt::check(e->getAttribute(name, &v));
    return v.isNull() ? "<absent>" : rt::toUtf8(rt::toText(v));
}

inline rt::ComPtr<ado::Field> fieldOf(ado::_Recordset* rs, const rt::Variant& index) {
    return ado::testing::field(rs, index);
}

inline int32_t editMode(ado::_Recordset* rs) {
    int32_t mode = 0;
    rt::check(rs->get_EditMode(&mode));
    return mode;
}

// The fixture of the database tests: a fresh database on the backend the parameter names,
// an open connection to it, and a CCommonFunction.
class DataTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        cf = newCommon();
        if (isPostgres()) {
            if (ado::pgtest::serverConnectionString().empty()) GTEST_SKIP() << ado::pgtest::kNoServer;
            lock_ = std::make_unique<ado::pgtest::ServerLock>(ado::pgtest::ServerLock::Shared);
            pg_ = std::make_unique<ado::pgtest::PrivateDatabase>();
            cs_ = pg_->connectionString();
        } else {
            cs_ = u"provider=sqlite;data source=" + rt::fromUtf8((dir_.path() / "test.db").string());
        }
        conn_ = ado::testing::openConnection(cs_);
    }
    void TearDown() override {
        conn_ = nullptr;
        pg_.reset();
        lock_.reset();
    }

    bool isPostgres() const { return std::string(GetParam()) == kPostgres; }
    // The connection string of the test's database (lower case, as the pool keeps it).
    const rt::Str& connectionString() const { return cs_; }
    ado::_Connection* conn() const { return conn_.get(); }
    // DDL and statements in the suite's words, rewritten for PostgreSQL.
    void exec(const rt::Str& sql) {
        ado::testing::execute(conn_.get(), isPostgres() ? ado::pgtest::postgresDdl(sql) : sql);
    }
    rt::ComPtr<ado::_Recordset> open(const rt::Str& sql, int32_t lockType = ado::adLockReadOnly) {
        return ado::testing::query(conn_.get(), sql, lockType);
    }
    rt::Variant scalarOf(const rt::Str& sql) { return ado::testing::scalar(conn_.get(), sql); }

    rt::ComPtr<_CCommonFunction> cf;

private:
    ado::testing::TempDir dir_;
    std::unique_ptr<ado::pgtest::ServerLock> lock_;
    std::unique_ptr<ado::pgtest::PrivateDatabase> pg_;
    rt::Str cs_;
    rt::ComPtr<ado::_Connection> conn_;
};

inline std::string backendName(const ::testing::TestParamInfo<const char*>& info) { return info.param; }

#define VELMORA_ON_BOTH_BACKENDS(Fixture)                                                                  \
    INSTANTIATE_TEST_SUITE_P(Backends, Fixture, ::testing::Values(velmora::testing::kSqlite,                 \
                                                                  velmora::testing::kPostgres),              \
                             velmora::testing::backendName)

}  // namespace velmora::testing
