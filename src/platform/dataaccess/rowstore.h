// Compact in-memory storage of fetched rows.
//
// A row is encoded once, contiguously, in large blocks: per cell one tag byte, then the
// payload (integers in the fewest bytes that hold them, reals in 8, text and blobs as a
// length and their bytes). That keeps a 100,000-row record set close to the size of its
// values instead of one variant per cell. Encoded rows never move, so a row is known by the
// address of its first byte.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ado {

// The storage classes values travel in between providers, the row store and the record set.
enum class CellKind : uint8_t { Null, Integer, Real, Text, Blob };

// A value borrowed from its storage (text is UTF-8).
struct CellView {
    CellKind kind = CellKind::Null;
    int64_t integer = 0;
    double real = 0;
    std::string_view bytes;  // Text and Blob

    static CellView null() { return {}; }
    static CellView ofInteger(int64_t v) { return {CellKind::Integer, v, 0, {}}; }
    static CellView ofReal(double v) { return {CellKind::Real, 0, v, {}}; }
    static CellView ofText(std::string_view s) { return {CellKind::Text, 0, 0, s}; }
    static CellView ofBlob(std::string_view s) { return {CellKind::Blob, 0, 0, s}; }
    bool isNull() const { return kind == CellKind::Null; }
};

// A value that owns its bytes.
struct Cell {
    CellKind kind = CellKind::Null;
    int64_t integer = 0;
    double real = 0;
    std::string bytes;

    Cell() = default;
    explicit Cell(CellView v) : kind(v.kind), integer(v.integer), real(v.real), bytes(v.bytes) {}
    CellView view() const { return {kind, integer, real, bytes}; }
    bool isNull() const { return kind == CellKind::Null; }
};

bool sameCell(CellView a, CellView b);

class RowStore {
public:
    RowStore() = default;
    RowStore(const RowStore&) = delete;
    RowStore& operator=(const RowStore&) = delete;

    // Building a row cell by cell; finishRow returns the row's address (stable for the
    // store's life).
    void addNull() { putTag(kNull); }
    void addInteger(int64_t v);
    void addReal(double v);
    void addText(std::string_view s) { addBytes(kText, s); }
    void addBlob(std::string_view s) { addBytes(kBlob, s); }
    void add(CellView v);
    const char* finishRow();
    // A whole row at once.
    const char* appendRow(const CellView* cells, size_t count);

    // Cell `column` of an encoded row (column must be below the row's cell count).
    static CellView cell(const char* row, size_t column);
    // All cells of an encoded row into out[0..count).
    static void decodeRow(const char* row, size_t count, CellView* out);

    // Bytes held by the store's blocks.
    size_t allocatedBytes() const { return allocated_; }

private:
    enum Tag : uint8_t { kNull, kInt8, kInt16, kInt32, kInt64, kReal, kText, kBlob };
    static constexpr size_t kBlockSize = size_t(1) << 20;

    void putTag(uint8_t tag) {
        ensure(1);
        *cur_++ = char(tag);
    }
    void addBytes(uint8_t tag, std::string_view s);
    // Room for n more bytes of the row being built; moves the partial row to a new block
    // when the current one is full.
    void ensure(size_t n) {
        if (size_t(end_ - cur_) < n) grow(n);
    }
    void grow(size_t n);
    static const char* skipCell(const char* p);

    std::vector<std::unique_ptr<char[]>> blocks_;
    char* rowStart_ = nullptr;
    char* cur_ = nullptr;
    char* end_ = nullptr;
    size_t allocated_ = 0;
};

}  // namespace ado
