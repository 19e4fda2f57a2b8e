// The persisted row format (a record set as XML), written into and read from trees through
// the DOM layer's native builder and reader (dom/native_write.h, dom/native_read.h).
//
// Written: the document element "xml" declaring the prefixes s, dt, rs and z; the schema
// (one s:AttributeType per field with its number, type, size, precision and scale,
// nullability, writability, base table and column, key and auto-increment flags; names
// that are not XML names get an alias in "name" and the real name in rs:name); and rs:data
// with one z:row per row, null values as absent attributes. Pending changes use the
// format's own elements: rs:insert for added rows, rs:update (rs:original with the row as
// read, then a z:row with the changed columns) and rs:delete. A changed column that became
// null, which the format cannot say with an absent attribute, is listed in an attribute of
// this platform's own namespace on the changed row; other readers ignore it. So is a value
// the column's type would read back as another (2.5 held in an integer column, text with
// characters XML cannot carry): written in its storage class's form, and listed with how to
// read it in the row's "stored" attribute of that namespace (values.h, appendXmlText).
//
// Read: documents of that shape whatever their prefixes (namespaces decide), columns
// described inside s:ElementType or referenced from it with s:attribute, types given on the
// column or in an s:datatype child, and any element in rs:data as a row.
#pragma once

#include <memory>

#include "dom/native_read.h"
#include "rowset.h"

namespace ado::persist {

inline constexpr char kSchemaNs[] = "uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882";
inline constexpr char kDataTypeNs[] = "uuid:C2F41010-65B3-11d1-A29F-00AA00C14882";
inline constexpr char kRowsetNs[] = "urn:schemas-microsoft-com:rowset";
inline constexpr char kRowNs[] = "#RowsetSchema";
inline constexpr char kExtensionNs[] = "urn:velmora:rowset-extensions";

// A new document holding data in the persisted format, owned by the caller (keep it in a
// dom::OwnedTree, or hand it to a document object with dom::resetDocument).
// lockAllowsWrites decides rs:write against rs:writeunknown and marks the row type
// updatable. Never fails except for memory (std::bad_alloc; nothing is left behind).
xmlDocPtr write(const RowsetData& data, bool lockAllowsWrites);

// The rows of the persisted document whose document element is root, pending changes
// included; the caller owns them, and they do not refer to the tree. Throws rt::Error
// E_FAIL "Recordset cannot be created. Source XML is incomplete or invalid." when root is
// none or has no schema with columns.
std::shared_ptr<RowsetData> read(dom::native::ElementRef root);

}  // namespace ado::persist
