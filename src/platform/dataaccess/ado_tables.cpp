// Member tables of the data-access interfaces, with ADO's dispatch ids.
#include "ado.h"

namespace ado {

using namespace rt;
using namespace rt::types;

namespace {
constexpr TypeSpec kField = iface<Field>("Field");
constexpr TypeSpec kFields = iface<Fields>("Fields");
constexpr TypeSpec kRecordset = iface<_Recordset>("_Recordset");
}  // namespace

const InterfaceInfo& Field::info() {
    static const InterfaceInfo table("Field", IID_, {
        getter<&Field::get_ActualSize, Int32>("ActualSize", 1109, ""),
        getter<&Field::get_Attributes, Int32>("Attributes", 1114, ""),
        getter<&Field::get_DefinedSize, Int32>("DefinedSize", 1103, ""),
        getter<&Field::get_Name, String>("Name", 1100, ""),
        getter<&Field::get_Type, Int32>("Type", 1102, ""),
        getter<&Field::get_Value, Variant_>("Value", DISPID_VALUE, ""),
        setter<&Field::put_Value>("Value", DISPID_VALUE, "", arg<Variant_>("pvar").byVal()),
        getter<&Field::get_Precision, Int16>("Precision", 1112, ""),
        getter<&Field::get_NumericScale, Int16>("NumericScale", 1113, ""),
        getter<&Field::get_OriginalValue, Variant_>("OriginalValue", 1104, ""),
        getter<&Field::get_UnderlyingValue, Variant_>("UnderlyingValue", 1105, ""),
    });
    return table;
}

const InterfaceInfo& Fields::info() {
    static const InterfaceInfo table("Fields", IID_, {
        getter<&Fields::get_Count, Int32>("Count", 1, ""),
        getter<&Fields::get_Item, kField>("Item", DISPID_VALUE, "", arg<Variant_>("Index").byVal()),
        sub<&Fields::Refresh>("Refresh", 2, ""),
    });
    return table;
}

const InterfaceInfo& _Recordset::info() {
    static const InterfaceInfo table("_Recordset", IID_, {
        getter<&_Recordset::get_AbsolutePosition, Int32>("AbsolutePosition", 1000, ""),
        setter<&_Recordset::put_AbsolutePosition>("AbsolutePosition", 1000, "", arg<Int32>("pl").byVal()),
        getter<&_Recordset::get_ActiveConnection, Variant_>("ActiveConnection", 1001, ""),
        setter<&_Recordset::put_ActiveConnection>("ActiveConnection", 1001, "", arg<Variant_>("pvar").byVal()),
        setterRef<&_Recordset::putref_ActiveConnection>("ActiveConnection", 1001, "", arg<Object>("pCon").byVal()),
        getter<&_Recordset::get_BOF, Boolean>("BOF", 1002, ""),
        getter<&_Recordset::get_EOF, Boolean>("EOF", 1006, ""),
        getter<&_Recordset::get_CursorType, Int32>("CursorType", 1005, ""),
        setter<&_Recordset::put_CursorType>("CursorType", 1005, "", arg<Int32>("plCursorType").byVal()),
        getter<&_Recordset::get_LockType, Int32>("LockType", 1008, ""),
        setter<&_Recordset::put_LockType>("LockType", 1008, "", arg<Int32>("plLockType").byVal()),
        getter<&_Recordset::get_CursorLocation, Int32>("CursorLocation", 1051, ""),
        setter<&_Recordset::put_CursorLocation>("CursorLocation", 1051, "", arg<Int32>("plCursorLoc").byVal()),
        getter<&_Recordset::get_RecordCount, Int32>("RecordCount", 1010, ""),
        getter<&_Recordset::get_Source, String>("Source", 1011, ""),
        getter<&_Recordset::get_Fields, kFields>("Fields", DISPID_VALUE, ""),
        getter<&_Recordset::get_EditMode, Int32>("EditMode", 1026, ""),
        getter<&_Recordset::get_State, Int32>("State", 1054, ""),
        sub<&_Recordset::AddNew>("AddNew", 1012, "", arg<Variant_>("FieldList").byVal().opt(), arg<Variant_>("Values").byVal().opt()),
        sub<&_Recordset::Update>("Update", 1025, "", arg<Variant_>("Fields").byVal().opt(), arg<Variant_>("Values").byVal().opt()),
        sub<&_Recordset::CancelUpdate>("CancelUpdate", 1013, ""),
        sub<&_Recordset::Delete>("Delete", 1015, "", arg<Int32>("AffectRecords").byVal().opt(Variant(int32_t(adAffectCurrent)))),
        sub<&_Recordset::UpdateBatch>("UpdateBatch", 1035, "", arg<Int32>("AffectRecords").byVal().opt(Variant(int32_t(adAffectAll)))),
        sub<&_Recordset::CancelBatch>("CancelBatch", 1049, "", arg<Int32>("AffectRecords").byVal().opt(Variant(int32_t(adAffectAll)))),
        sub<&_Recordset::MoveFirst>("MoveFirst", 1020, ""),
        sub<&_Recordset::MoveLast>("MoveLast", 1021, ""),
        sub<&_Recordset::MoveNext>("MoveNext", 1018, ""),
        sub<&_Recordset::MovePrevious>("MovePrevious", 1019, ""),
        sub<&_Recordset::Open>("Open", 1022, "", arg<Variant_>("Source").byVal().opt(), arg<Variant_>("ActiveConnection").byVal().opt(), arg<Int32>("CursorType").byVal().opt(Variant(int32_t(adOpenUnspecified))), arg<Int32>("LockType").byVal().opt(Variant(int32_t(adLockUnspecified))), arg<Int32>("Options").byVal().opt(Variant(int32_t(adCmdUnspecified)))),
        sub<&_Recordset::Close>("Close", 1014, ""),
        sub<&_Recordset::Save>("Save", 1057, "", arg<Variant_>("Destination").byVal().opt(), arg<Int32>("PersistFormat").byVal().opt(Variant(int32_t(adPersistADTG)))),
        method<&_Recordset::Clone, kRecordset>("Clone", 1034, "", arg<Int32>("LockType").byVal().opt(Variant(int32_t(adLockUnspecified)))),
    });
    return table;
}

const InterfaceInfo& _Connection::info() {
    static const InterfaceInfo table("_Connection", IID_, {
        getter<&_Connection::get_ConnectionString, String>("ConnectionString", DISPID_VALUE, ""),
        setter<&_Connection::put_ConnectionString>("ConnectionString", DISPID_VALUE, "", arg<String>("pbstr").byVal()),
        getter<&_Connection::get_CommandTimeout, Int32>("CommandTimeout", 2, ""),
        setter<&_Connection::put_CommandTimeout>("CommandTimeout", 2, "", arg<Int32>("plTimeout").byVal()),
        getter<&_Connection::get_ConnectionTimeout, Int32>("ConnectionTimeout", 3, ""),
        setter<&_Connection::put_ConnectionTimeout>("ConnectionTimeout", 3, "", arg<Int32>("plTimeout").byVal()),
        getter<&_Connection::get_Version, String>("Version", 4, ""),
        sub<&_Connection::Close>("Close", 5, ""),
        method<&_Connection::Execute, kRecordset>("Execute", 6, "", arg<String>("CommandText").byVal(), arg<Variant_>("RecordsAffected").opt(), arg<Int32>("Options").byVal().opt(Variant(int32_t(adCmdUnspecified)))),
        method<&_Connection::BeginTrans, Int32>("BeginTrans", 7, ""),
        sub<&_Connection::CommitTrans>("CommitTrans", 8, ""),
        sub<&_Connection::RollbackTrans>("RollbackTrans", 9, ""),
        sub<&_Connection::Open>("Open", 10, "", arg<String>("ConnectionString").byVal().opt(Variant(Str())), arg<String>("UserID").byVal().opt(Variant(Str())), arg<String>("Password").byVal().opt(Variant(Str())), arg<Int32>("Options").byVal().opt(Variant(int32_t(-1)))),
        getter<&_Connection::get_CursorLocation, Int32>("CursorLocation", 15, ""),
        setter<&_Connection::put_CursorLocation>("CursorLocation", 15, "", arg<Int32>("plCursorLoc").byVal()),
        getter<&_Connection::get_Provider, String>("Provider", 17, ""),
        setter<&_Connection::put_Provider>("Provider", 17, "", arg<String>("pbstr").byVal()),
        getter<&_Connection::get_State, Int32>("State", 18, ""),
    });
    return table;
}

}  // namespace ado
