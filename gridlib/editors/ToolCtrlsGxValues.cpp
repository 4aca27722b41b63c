// Value comparison, the double-click test and the field-list helpers.
#include "gridlib/editors/ToolCtrlsGx.h"

#include "gui/WinApi.h"

#include <cstdlib>

namespace {

// Two arrays whose elements are compared one by one: the same number of dimensions and the same
// bounds of the first.
bool sameShape(const Variant& a, const Variant& b) {
    return VarArrayDimCount(a) == VarArrayDimCount(b) && VarArrayLowBound(a, 1) == VarArrayLowBound(b, 1) &&
           VarArrayHighBound(a, 1) == VarArrayHighBound(b, 1);
}

}  // namespace

bool VarEquals(const Variant& v1, const Variant& v2) {
    try {
        const bool a1 = VarIsArray(v1), a2 = VarIsArray(v2);
        if (a1 != a2) return false;
        if (a1 && sameShape(v1, v2)) {
            const int low = VarArrayLowBound(v1, 1), high = VarArrayHighBound(v1, 1);
            if (high < low) return false;
            for (int i = low; i <= high; ++i)
                if (!(v1.GetElement(i) == v2.GetElement(i))) return false;
            return true;
        }
        if (VarIsEmpty(v1) != VarIsEmpty(v2)) return false;
        if (VarIsEmpty(v1)) return true;
        return v1 == v2;
    } catch (...) {
        // Values that cannot be compared are not equal.
        return false;
    }
}

namespace {
TVariantRelationship scalarRelationship(const Variant& a, const Variant& b) {
    if (VarIsNull(a) && VarIsNull(b)) return vrEqual;
    if (VarIsNull(a)) return vrLessThan;
    if (VarIsNull(b)) return vrGreaterThan;
    try {
        return VarCompareValue(a, b);
    } catch (...) {
        return vrNotEqual;
    }
}
}  // namespace

TVariantRelationship DBVarCompareValue(const Variant& a, const Variant& b) {
    const bool aa = VarIsArray(a), ab = VarIsArray(b);
    if (aa != ab) return vrNotEqual;
    if (aa && sameShape(a, b)) {
        const int low = VarArrayLowBound(a, 1), high = VarArrayHighBound(a, 1);
        if (high < low) return vrNotEqual;
        for (int i = low; i <= high; ++i) {
            TVariantRelationship r;
            try {
                r = scalarRelationship(a.GetElement(i), b.GetElement(i));
            } catch (...) {
                r = vrNotEqual;
            }
            if (r != vrEqual) return r;
        }
        return vrEqual;
    }
    return scalarRelationship(a, b);
}

bool IsDoubleClickMessage(TPoint oldPos, TPoint newPos, long interval) {
    return interval <= static_cast<long>(GetDoubleClickTime()) &&
           std::abs(newPos.x - oldPos.x) <= GetSystemMetrics(SM_CXDOUBLECLK) &&
           std::abs(newPos.y - oldPos.y) <= GetSystemMetrics(SM_CYDOUBLECLK);
}

// ---- Field lists ---------------------------------------------------------------------------------------

void GetFieldsProperty(std::vector<TField*>* list, TDataSet* dataSet, TComponent* component, const AnsiString& fieldNames) {
    int pos = 1;
    for (;;) {
        AnsiString name = ExtractFieldName(fieldNames, pos);
        if (name.IsEmpty()) break;
        TField* field = dataSet->FindField(name);
        if (!field) DatabaseError(Format(DBText::FieldNotFound, name), component);
        if (list) list->push_back(field);
    }
}

TFieldsArrGx GetFieldsProperty(TDataSet* dataSet, TComponent* component, const AnsiString& fieldNames) {
    TFieldsArrGx fields;
    GetFieldsProperty(&fields, dataSet, component, fieldNames);
    return fields;
}

void DataSetSetFieldValues(TDataSet* dataSet, const AnsiString& fields, const Variant& value) {
    if (VarEquals(value, Null())) {
        std::vector<TField*> list;
        dataSet->GetFieldList(list, fields);
        for (TField* f : list) f->Clear();
        return;
    }
    dataSet->SetFieldValues(fields, value);
}
