// Member tables of the data-access interfaces, with ADO's dispatch ids.
#include "ado.h"

namespace ado {

using namespace rt;
using namespace rt::types;

const InterfaceInfo& Field::info() {
    static const InterfaceInfo table("Field", IID_, {
        getter<&Field::get_ActualSize>("ActualSize", 1109, Int32),
        getter<&Field::get_Attributes>("Attributes", 1114, Int32),
        getter<&Field::get_DefinedSize>("DefinedSize", 1103, Int32),
        getter<&Field::get_Name>("Name", 1100, String),
        getter<&Field::get_Type>("Type", 1102, Int32),
        getter<&Field::get_Value>("Value", DISPID_VALUE, Variant_),
        setter<&Field::put_Value>("Value", DISPID_VALUE, {param("pvar", Variant_).byVal()}),
        getter<&Field::get_Precision>("Precision", 1112, Int16),
        getter<&Field::get_NumericScale>("NumericScale", 1113, Int16),
        getter<&Field::get_OriginalValue>("OriginalValue", 1104, Variant_),
        getter<&Field::get_UnderlyingValue>("UnderlyingValue", 1105, Variant_),
    });
    return table;
}

const InterfaceInfo& Fields::info() {
    static const InterfaceInfo table("Fields", IID_, {
        getter<&Fields::get_Count>("Count", 1, Int32),
        getter<&Fields::get_Item>("Item", DISPID_VALUE, iface<Field>("Field"), {param("Index", Variant_).byVal()}),
        sub<&Fields::Refresh>("Refresh", 2, {}),
    });
    return table;
}

const InterfaceInfo& _Recordset::info() {
    static const InterfaceInfo table("_Recordset", IID_, {
        getter<&_Recordset::get_AbsolutePosition>("AbsolutePosition", 1000, Int32),
        setter<&_Recordset::put_AbsolutePosition>("AbsolutePosition", 1000, {param("pl", Int32).byVal()}),
        getter<&_Recordset::get_ActiveConnection>("ActiveConnection", 1001, Variant_),
        setter<&_Recordset::put_ActiveConnection>("ActiveConnection", 1001, {param("pvar", Variant_).byVal()}),
        setterRef<&_Recordset::putref_ActiveConnection>("ActiveConnection", 1001, {param("pCon", Object).byVal()}),
        getter<&_Recordset::get_BOF>("BOF", 1002, Boolean),
        getter<&_Recordset::get_EOF>("EOF", 1006, Boolean),
        getter<&_Recordset::get_CursorType>("CursorType", 1005, Int32),
        setter<&_Recordset::put_CursorType>("CursorType", 1005, {param("plCursorType", Int32).byVal()}),
        getter<&_Recordset::get_LockType>("LockType", 1008, Int32),
        setter<&_Recordset::put_LockType>("LockType", 1008, {param("plLockType", Int32).byVal()}),
        getter<&_Recordset::get_CursorLocation>("CursorLocation", 1051, Int32),
        setter<&_Recordset::put_CursorLocation>("CursorLocation", 1051, {param("plCursorLoc", Int32).byVal()}),
        getter<&_Recordset::get_RecordCount>("RecordCount", 1010, Int32),
        getter<&_Recordset::get_Source>("Source", 1011, String),
        getter<&_Recordset::get_Fields>("Fields", DISPID_VALUE, iface<Fields>("Fields")),
        getter<&_Recordset::get_EditMode>("EditMode", 1026, Int32),
        getter<&_Recordset::get_State>("State", 1054, Int32),
        sub<&_Recordset::AddNew>("AddNew", 1012,
            {param("FieldList", Variant_).byVal().opt(), param("Values", Variant_).byVal().opt()}),
        sub<&_Recordset::Update>("Update", 1025,
            {param("Fields", Variant_).byVal().opt(), param("Values", Variant_).byVal().opt()}),
        sub<&_Recordset::CancelUpdate>("CancelUpdate", 1013, {}),
        sub<&_Recordset::Delete>("Delete", 1015,
            {param("AffectRecords", Int32).byVal().opt(Variant(int32_t(adAffectCurrent)))}),
        sub<&_Recordset::UpdateBatch>("UpdateBatch", 1035,
            {param("AffectRecords", Int32).byVal().opt(Variant(int32_t(adAffectAll)))}),
        sub<&_Recordset::CancelBatch>("CancelBatch", 1049,
            {param("AffectRecords", Int32).byVal().opt(Variant(int32_t(adAffectAll)))}),
        sub<&_Recordset::MoveFirst>("MoveFirst", 1020, {}),
        sub<&_Recordset::MoveLast>("MoveLast", 1021, {}),
        sub<&_Recordset::MoveNext>("MoveNext", 1018, {}),
        sub<&_Recordset::MovePrevious>("MovePrevious", 1019, {}),
        sub<&_Recordset::Open>("Open", 1022,
            {param("Source", Variant_).byVal().opt(), param("ActiveConnection", Variant_).byVal().opt(),
             param("CursorType", Int32).byVal().opt(Variant(int32_t(adOpenUnspecified))),
             param("LockType", Int32).byVal().opt(Variant(int32_t(adLockUnspecified))),
             param("Options", Int32).byVal().opt(Variant(int32_t(adCmdUnspecified)))}),
        sub<&_Recordset::Close>("Close", 1014, {}),
        sub<&_Recordset::Save>("Save", 1057,
            {param("Destination", Variant_).byVal().opt(),
             param("PersistFormat", Int32).byVal().opt(Variant(int32_t(adPersistADTG)))}),
        method<&_Recordset::Clone>("Clone", 1034,
            {param("LockType", Int32).byVal().opt(Variant(int32_t(adLockUnspecified)))},
            iface<_Recordset>("_Recordset")),
    });
    return table;
}

const InterfaceInfo& _Connection::info() {
    static const InterfaceInfo table("_Connection", IID_, {
        getter<&_Connection::get_ConnectionString>("ConnectionString", DISPID_VALUE, String),
        setter<&_Connection::put_ConnectionString>("ConnectionString", DISPID_VALUE, {param("pbstr", String).byVal()}),
        getter<&_Connection::get_CommandTimeout>("CommandTimeout", 2, Int32),
        setter<&_Connection::put_CommandTimeout>("CommandTimeout", 2, {param("plTimeout", Int32).byVal()}),
        getter<&_Connection::get_ConnectionTimeout>("ConnectionTimeout", 3, Int32),
        setter<&_Connection::put_ConnectionTimeout>("ConnectionTimeout", 3, {param("plTimeout", Int32).byVal()}),
        getter<&_Connection::get_Version>("Version", 4, String),
        sub<&_Connection::Close>("Close", 5, {}),
        method<&_Connection::Execute>("Execute", 6,
            {param("CommandText", String).byVal(), param("RecordsAffected", Variant_).opt(),
             param("Options", Int32).byVal().opt(Variant(int32_t(adCmdUnspecified)))},
            iface<_Recordset>("_Recordset")),
        method<&_Connection::BeginTrans>("BeginTrans", 7, {}, Int32),
        sub<&_Connection::CommitTrans>("CommitTrans", 8, {}),
        sub<&_Connection::RollbackTrans>("RollbackTrans", 9, {}),
        sub<&_Connection::Open>("Open", 10,
            {param("ConnectionString", String).byVal().opt(Variant(Str())),
             param("UserID", String).byVal().opt(Variant(Str())),
             param("Password", String).byVal().opt(Variant(Str())),
             param("Options", Int32).byVal().opt(Variant(int32_t(-1)))}),
        getter<&_Connection::get_CursorLocation>("CursorLocation", 15, Int32),
        setter<&_Connection::put_CursorLocation>("CursorLocation", 15, {param("plCursorLoc", Int32).byVal()}),
        getter<&_Connection::get_Provider>("Provider", 17, String),
        setter<&_Connection::put_Provider>("Provider", 17, {param("pbstr", String).byVal()}),
        getter<&_Connection::get_State>("State", 18, Int32),
    });
    return table;
}

}  // namespace ado
