// Saving a 100,000-row, 8-column record set into a DOMDocument and serializing it, against
// libxml2's xmlTextWriter writing the same elements and attributes from the same values.
#include <benchmark/benchmark.h>
#include <libxml/xmlwriter.h>
#include <sqlite3.h>

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "dataaccess/objects.h"
#include "dataaccess/persist.h"
#include "dataaccess/values.h"
#include "dom/native.h"
#include "support/sample_table.h"

namespace {

constexpr int kRows = 100000;
const char* kQuery = "select id, name, amount, qty, price, created, flag, note from t";

std::string databasePath() {
    static const std::string path = bench::writeSampleTable("velmora-bench-save.db", kRows, true);
    return path;
}

rt::ComPtr<ado::_Recordset> openedRecordset() {
    static rt::ComPtr<ado::_Recordset> rs = [] {
        auto conn = ado::newConnection();
        rt::check(conn->Open(u"Provider=SQLite;Data Source=" + rt::fromUtf8(databasePath()), {}, {}, -1));
        auto r = ado::newRecordset();
        rt::check(r->Open(rt::Variant(rt::fromUtf8(kQuery)), rt::Variant(rt::ComPtr<rt::IDispatch>(conn.get())),
                          ado::adOpenStatic, ado::adLockReadOnly, ado::adCmdText));
        return r;
    }();
    return rs;
}

// The record set's values in plain typed columns, for the baseline writer.
struct Columns {
    std::vector<int64_t> id, qty, flag;
    std::vector<double> amount, price;
    struct Stamp {
        int y, mo, d, h, mi, s;
    };
    std::vector<Stamp> created;
    std::vector<std::string> name, note;
    std::vector<bool> noteNull;
};

Columns plainColumns() {
    const ado::RowsetData& data = *ado::recordsetObjectOf(openedRecordset().get())->data();
    Columns c;
    for (const ado::Row& r : data.rows) {
        ado::CellView v[8];
        ado::RowStore::decodeRow(r.base, 8, v);
        c.id.push_back(v[0].integer);
        c.name.emplace_back(v[1].bytes);
        c.amount.push_back(v[2].kind == ado::CellKind::Real ? v[2].real : double(v[2].integer));
        c.qty.push_back(v[3].integer);
        c.price.push_back(v[4].kind == ado::CellKind::Real ? v[4].real : double(v[4].integer));
        Columns::Stamp s{};
        std::sscanf(std::string(v[5].bytes).c_str(), "%d-%d-%d %d:%d:%d", &s.y, &s.mo, &s.d, &s.h, &s.mi, &s.s);
        c.created.push_back(s);
        c.flag.push_back(v[6].integer);
        c.noteNull.push_back(v[7].isNull());
        c.note.emplace_back(v[7].bytes);
    }
    return c;
}

const xmlChar* X(const char* s) { return reinterpret_cast<const xmlChar*>(s); }

void writeNumber(xmlTextWriterPtr w, const char* name, int64_t v) {
    char buf[24];
    *std::to_chars(buf, buf + sizeof buf - 1, v).ptr = 0;
    xmlTextWriterWriteAttribute(w, X(name), X(buf));
}

void writeNumber(xmlTextWriterPtr w, const char* name, double v) {
    char buf[40];
    *std::to_chars(buf, buf + sizeof buf - 1, v).ptr = 0;
    xmlTextWriterWriteAttribute(w, X(name), X(buf));
}

// The baseline: the same elements and attributes, written straight to a buffer.
void BM_TextWriterBaseline(benchmark::State& state) {
    const Columns c = plainColumns();
    const char* names[] = {"id", "name", "amount", "qty", "price", "created", "flag", "note"};
    size_t size = 0;
    for (auto _ : state) {
        xmlBufferPtr buf = xmlBufferCreate();
        xmlTextWriterPtr w = xmlNewTextWriterMemory(buf, 0);
        xmlTextWriterStartElement(w, X("xml"));
        xmlTextWriterWriteAttribute(w, X("xmlns:s"), X(ado::persist::kSchemaNs));
        xmlTextWriterWriteAttribute(w, X("xmlns:dt"), X(ado::persist::kDataTypeNs));
        xmlTextWriterWriteAttribute(w, X("xmlns:rs"), X(ado::persist::kRowsetNs));
        xmlTextWriterWriteAttribute(w, X("xmlns:z"), X(ado::persist::kRowNs));
        xmlTextWriterStartElement(w, X("s:Schema"));
        xmlTextWriterWriteAttribute(w, X("id"), X("RowsetSchema"));
        xmlTextWriterStartElement(w, X("s:ElementType"));
        xmlTextWriterWriteAttribute(w, X("name"), X("row"));
        xmlTextWriterWriteAttribute(w, X("content"), X("eltOnly"));
        for (int i = 0; i < 8; ++i) {
            xmlTextWriterStartElement(w, X("s:AttributeType"));
            xmlTextWriterWriteAttribute(w, X("name"), X(names[i]));
            writeNumber(w, "rs:number", int64_t(i + 1));
            xmlTextWriterWriteAttribute(w, X("rs:basetable"), X("t"));
            xmlTextWriterWriteAttribute(w, X("rs:basecolumn"), X(names[i]));
            xmlTextWriterStartElement(w, X("s:datatype"));
            xmlTextWriterWriteAttribute(w, X("dt:type"), X("string"));
            xmlTextWriterWriteAttribute(w, X("dt:maxLength"), X("40"));
            xmlTextWriterEndElement(w);
            xmlTextWriterEndElement(w);
        }
        xmlTextWriterStartElement(w, X("s:extends"));
        xmlTextWriterWriteAttribute(w, X("type"), X("rs:rowbase"));
        xmlTextWriterEndElement(w);
        xmlTextWriterEndElement(w);
        xmlTextWriterEndElement(w);
        xmlTextWriterStartElement(w, X("rs:data"));
        char stamp[32];
        for (size_t r = 0; r < c.id.size(); ++r) {
            xmlTextWriterStartElement(w, X("z:row"));
            writeNumber(w, "id", c.id[r]);
            xmlTextWriterWriteAttribute(w, X("name"), X(c.name[r].c_str()));
            writeNumber(w, "amount", c.amount[r]);
            writeNumber(w, "qty", c.qty[r]);
            writeNumber(w, "price", c.price[r]);
            const Columns::Stamp& s = c.created[r];
            std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02dT%02d:%02d:%02d", s.y, s.mo, s.d, s.h, s.mi, s.s);
            xmlTextWriterWriteAttribute(w, X("created"), X(stamp));
            xmlTextWriterWriteAttribute(w, X("flag"), X(c.flag[r] ? "True" : "False"));
            if (!c.noteNull[r]) xmlTextWriterWriteAttribute(w, X("note"), X(c.note[r].c_str()));
            xmlTextWriterEndElement(w);
        }
        xmlTextWriterEndDocument(w);
        xmlFreeTextWriter(w);
        size = size_t(xmlBufferLength(buf));
        xmlBufferFree(buf);
    }
    state.counters["bytes"] = double(size);
}
BENCHMARK(BM_TextWriterBaseline)->Unit(benchmark::kMillisecond);

// Save into a DOMDocument, then serialize the document's tree.
void BM_SaveToDocumentAndSerialize(benchmark::State& state) {
    auto rs = openedRecordset();
    size_t size = 0;
    for (auto _ : state) {
        auto doc = dom::newDocument();
        rt::check(rs->Save(rt::Variant(rt::ComPtr<rt::IDispatch>(doc.get())), ado::adPersistXML));
        xmlChar* out = nullptr;
        int length = 0;
        xmlDocDumpMemoryEnc(dom::nativeDocument(doc.get()), &out, &length, "UTF-8");
        size = size_t(length);
        xmlFree(out);
        state.PauseTiming();  // releasing the document is not part of saving it (measured below)
        doc = nullptr;
        state.ResumeTiming();
    }
    state.counters["bytes"] = double(size);
}
BENCHMARK(BM_SaveToDocumentAndSerialize)->Unit(benchmark::kMillisecond);

// What releasing the saved document costs (freeing its tree).
void BM_ReleaseSavedDocument(benchmark::State& state) {
    auto rs = openedRecordset();
    for (auto _ : state) {
        state.PauseTiming();
        auto doc = dom::newDocument();
        rt::check(rs->Save(rt::Variant(rt::ComPtr<rt::IDispatch>(doc.get())), ado::adPersistXML));
        state.ResumeTiming();
        doc = nullptr;
    }
}
BENCHMARK(BM_ReleaseSavedDocument)->Unit(benchmark::kMillisecond);

// The same, serialized through the document's xml property (text as the runtime keeps it).
void BM_SaveToDocumentAndXmlProperty(benchmark::State& state) {
    auto rs = openedRecordset();
    for (auto _ : state) {
        auto doc = dom::newDocument();
        rt::check(rs->Save(rt::Variant(rt::ComPtr<rt::IDispatch>(doc.get())), ado::adPersistXML));
        rt::Str xml;
        rt::check(doc->get_xml(&xml));
        benchmark::DoNotOptimize(xml.data());
    }
}
BENCHMARK(BM_SaveToDocumentAndXmlProperty)->Unit(benchmark::kMillisecond);

}  // namespace


namespace {
void BM_BuildTreeOnly(benchmark::State& state) {
    auto rs = openedRecordset();
    const ado::RowsetData& data = *ado::recordsetObjectOf(rs.get())->data();
    for (auto _ : state) {
        xmlDocPtr d = ado::persist::write(data, false);
        state.PauseTiming();
        xmlFreeDoc(d);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_BuildTreeOnly)->Unit(benchmark::kMillisecond);
void BM_SerializeTreeOnly(benchmark::State& state) {
    auto rs = openedRecordset();
    const ado::RowsetData& data = *ado::recordsetObjectOf(rs.get())->data();
    xmlDocPtr d = ado::persist::write(data, false);
    for (auto _ : state) {
        xmlChar* out = nullptr;
        int length = 0;
        xmlDocDumpMemoryEnc(d, &out, &length, "UTF-8");
        xmlFree(out);
    }
    xmlFreeDoc(d);
}
BENCHMARK(BM_SerializeTreeOnly)->Unit(benchmark::kMillisecond);
void BM_ValueTextsOnly(benchmark::State& state) {
    auto rs = openedRecordset();
    const ado::RowsetData& data = *ado::recordsetObjectOf(rs.get())->data();
    std::string t;
    for (auto _ : state) {
        size_t n = 0;
        for (const ado::Row& r : data.rows)
            for (size_t c = 0; c < 8; ++c) {
                t.clear();
                ado::appendXmlText(t, ado::RowStore::cell(r.base, c), data.fields[c]);
                n += t.size();
            }
        benchmark::DoNotOptimize(n);
    }
}
BENCHMARK(BM_ValueTextsOnly)->Unit(benchmark::kMillisecond);
}  // namespace
BENCHMARK_MAIN();
