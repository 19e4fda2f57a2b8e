#include "rowstore.h"

#include <algorithm>
#include <cstring>

namespace ado {

namespace {

size_t putVarint(char* p, uint64_t v) {
    size_t n = 0;
    while (v >= 0x80) {
        p[n++] = char(uint8_t(v) | 0x80);
        v >>= 7;
    }
    p[n++] = char(v);
    return n;
}

uint64_t getVarint(const char*& p) {
    uint64_t v = 0;
    int shift = 0;
    for (;;) {
        uint8_t b = uint8_t(*p++);
        v |= uint64_t(b & 0x7F) << shift;
        if (!(b & 0x80)) return v;
        shift += 7;
    }
}

template <class T>
T load(const char* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

}  // namespace

bool sameCell(CellView a, CellView b) {
    if (a.kind != b.kind) return false;
    switch (a.kind) {
        case CellKind::Null: return true;
        case CellKind::Integer: return a.integer == b.integer;
        case CellKind::Real: return a.real == b.real || (a.real != a.real && b.real != b.real);
        default: return a.bytes == b.bytes;
    }
}

void RowStore::grow(size_t n) {
    const size_t partial = size_t(cur_ - rowStart_);
    const size_t size = std::max(kBlockSize, partial + n);
    auto block = std::make_unique<char[]>(size);
    if (partial) std::memcpy(block.get(), rowStart_, partial);
    rowStart_ = block.get();
    cur_ = rowStart_ + partial;
    end_ = rowStart_ + size;
    allocated_ += size;
    blocks_.push_back(std::move(block));
}

void RowStore::addInteger(int64_t v) {
    ensure(9);
    if (v >= INT8_MIN && v <= INT8_MAX) {
        *cur_++ = char(kInt8);
        *cur_++ = char(int8_t(v));
    } else if (v >= INT16_MIN && v <= INT16_MAX) {
        *cur_++ = char(kInt16);
        int16_t s = int16_t(v);
        std::memcpy(cur_, &s, 2);
        cur_ += 2;
    } else if (v >= INT32_MIN && v <= INT32_MAX) {
        *cur_++ = char(kInt32);
        int32_t s = int32_t(v);
        std::memcpy(cur_, &s, 4);
        cur_ += 4;
    } else {
        *cur_++ = char(kInt64);
        std::memcpy(cur_, &v, 8);
        cur_ += 8;
    }
}

void RowStore::addReal(double v) {
    ensure(9);
    *cur_++ = char(kReal);
    std::memcpy(cur_, &v, 8);
    cur_ += 8;
}

void RowStore::addBytes(uint8_t tag, std::string_view s) {
    ensure(1 + 10 + s.size());
    *cur_++ = char(tag);
    cur_ += putVarint(cur_, s.size());
    if (!s.empty()) std::memcpy(cur_, s.data(), s.size());
    cur_ += s.size();
}

void RowStore::add(CellView v) {
    switch (v.kind) {
        case CellKind::Null: addNull(); break;
        case CellKind::Integer: addInteger(v.integer); break;
        case CellKind::Real: addReal(v.real); break;
        case CellKind::Text: addText(v.bytes); break;
        case CellKind::Blob: addBlob(v.bytes); break;
    }
}

const char* RowStore::finishRow() {
    if (!rowStart_) grow(1);  // a row without cells still needs an address
    const char* row = rowStart_;
    rowStart_ = cur_;
    return row;
}

const char* RowStore::appendRow(const CellView* cells, size_t count) {
    for (size_t i = 0; i < count; ++i) add(cells[i]);
    return finishRow();
}

const char* RowStore::skipCell(const char* p) {
    switch (uint8_t(*p++)) {
        case kNull: return p;
        case kInt8: return p + 1;
        case kInt16: return p + 2;
        case kInt32: return p + 4;
        case kInt64:
        case kReal: return p + 8;
        default: {
            uint64_t n = getVarint(p);
            return p + n;
        }
    }
}

CellView RowStore::cell(const char* row, size_t column) {
    const char* p = row;
    for (size_t i = 0; i < column; ++i) p = skipCell(p);
    CellView v;
    switch (uint8_t(*p++)) {
        case kNull: break;
        case kInt8: v = CellView::ofInteger(int8_t(*p)); break;
        case kInt16: v = CellView::ofInteger(load<int16_t>(p)); break;
        case kInt32: v = CellView::ofInteger(load<int32_t>(p)); break;
        case kInt64: v = CellView::ofInteger(load<int64_t>(p)); break;
        case kReal: v = CellView::ofReal(load<double>(p)); break;
        case kText: {
            uint64_t n = getVarint(p);
            v = CellView::ofText(std::string_view(p, n));
            break;
        }
        case kBlob: {
            uint64_t n = getVarint(p);
            v = CellView::ofBlob(std::string_view(p, n));
            break;
        }
    }
    return v;
}

void RowStore::decodeRow(const char* row, size_t count, CellView* out) {
    const char* p = row;
    for (size_t i = 0; i < count; ++i) {
        out[i] = cell(p, 0);
        p = skipCell(p);
    }
}

}  // namespace ado
