// The interchange format's values: written from fields, read back and put into fields.
#include "gridlib/grid/DBGridGxImpExp.h"

#include "gridlib/editors/GridLibConsts.h"
#include "gui/Dialogs.h"
#include "gui/Forms.h"
#include "rtl/DateUtils.h"

#include <cstring>

namespace {

constexpr char kSignature[7] = {'V', 'C', 'L', 'D', 'B', 'I', 'F'};

void writeTag(TStream* stream, std::uint8_t tag) { stream->WriteBuffer(&tag, 1); }

// Text and binary values: a length and the bytes.
void writeBytes(TStream* stream, std::uint8_t tag, const std::string& bytes) {
    TVCLDBIF_STRING head{tag, static_cast<std::int32_t>(bytes.size())};
    stream->WriteBuffer(&head, sizeof head);
    if (!bytes.empty()) stream->WriteBuffer(bytes.data(), static_cast<long long>(bytes.size()));
}

bool isBinaryTarget(TFieldType t) {
    switch (t) {
    case ftBytes:
    case ftVarBytes:
    case ftBlob:
    case ftGraphic:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
    case ftOraBlob: return true;
    default: return false;
    }
}

}  // namespace

TField* ImpExpTargetFieldGx(TField* field) {
    if (!field || field->FieldKind() != fkLookup) return field;
    if (field->KeyFields().IsEmpty() || !field->DataSet()) return nullptr;
    return field->DataSet()->FindField(field->KeyFields());
}

void WriteVCLDBIFPrefixGx(TStream* stream, const std::vector<bool>& visibleColumns) {
    TVCLDBIF_BOF bof{};
    std::memcpy(bof.Signature, kSignature, sizeof kSignature);
    bof.Version = 1;
    bof.ColCount = static_cast<std::int32_t>(visibleColumns.size());
    stream->WriteBuffer(&bof, sizeof bof);
    for (bool visible : visibleColumns) {
        const std::uint8_t descriptor[2] = {static_cast<std::uint8_t>(visible ? 1 : 0), 0};
        stream->WriteBuffer(descriptor, sizeof descriptor);
    }
}

void WriteVCLDBIFValueGx(TStream* stream, TField* column) {
    TField* field = ImpExpTargetFieldGx(column);
    if (!field) {
        writeTag(stream, vdtUnassignedGx);
        return;
    }
    if (field->IsNull()) {
        writeTag(stream, vdtNullGx);
        return;
    }
    switch (field->DataType()) {
    case ftString:
    case ftBoolean:
    case ftMemo:
    case ftFixedChar:
    case ftLargeint:
    case ftOraClob:
    case ftGuid: writeBytes(stream, vdtStringGx, Utf8ToCp1251(field->AsString().str())); break;
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc: {
        TVCLDBIF_INTEGER32 v{vdtInteger32Gx, static_cast<std::int32_t>(field->AsInteger())};
        stream->WriteBuffer(&v, sizeof v);
        break;
    }
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftTimeStamp: {
        TVCLDBIF_FLOAT64 v{vdtFloat64Gx, static_cast<double>(field->AsDateTime())};
        stream->WriteBuffer(&v, sizeof v);
        break;
    }
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftFMTBcd: {
        TVCLDBIF_FLOAT64 v{vdtFloat64Gx, field->AsFloat()};
        stream->WriteBuffer(&v, sizeof v);
        break;
    }
    case ftWideString:
        // A wide text goes as the 8-bit text it reads as.
        writeBytes(stream, vdtBinaryDataGx, Utf8ToCp1251(field->AsString().str()));
        break;
    case ftBytes:
    case ftVarBytes:
    case ftBlob:
    case ftGraphic:
    case ftFmtMemo:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
    case ftOraBlob: writeBytes(stream, vdtBinaryDataGx, field->AsString().str()); break;
    default: writeTag(stream, vdtUnassignedGx); break;
    }
}

void WriteVCLDBIFSuffixGx(TStream* stream) { writeTag(stream, vdtEndGx); }

// ---- Reading ---------------------------------------------------------------------------------------

void TVCLDBIFReaderGx::formatError() const {
    throw Exception("TDBGridGxImportAsVCLDBIF.ReadPrefix: " + LoadResString(&SInvalidVCLDBIFFormatGx));
}

void TVCLDBIFReaderGx::readExactly(void* data, long long size) {
    if (size > 0 && stream_->Read(data, size) != size) formatError();
}

void TVCLDBIFReaderGx::ReadPrefix() {
    readExactly(&header_, sizeof header_);
    if (std::memcmp(header_.Signature, kSignature, sizeof kSignature) != 0) formatError();
    visible_.clear();
    names_.clear();
    hasNames_ = false;
    eof_ = false;
    // The descriptors are read one by one: a count the stream cannot hold ends in its early end,
    // never in a reservation of that size.
    for (std::int32_t i = 0; i < header_.ColCount; ++i) {
        std::uint8_t flag = 0;
        readExactly(&flag, 1);
        std::string name;
        for (;;) {
            char c = 0;
            readExactly(&c, 1);
            if (c == 0) break;
            name.push_back(c);
        }
        if (!name.empty()) hasNames_ = true;
        visible_.push_back(flag != 0);
        names_.push_back(AnsiString(std::move(name)));
    }
    ReadValue();
    // Without columns no record takes a value: data that follows would be read for ever.
    if (header_.ColCount <= 0 && !eof_) formatError();
}

void TVCLDBIFReaderGx::ReadValue() {
    if (eof_) return;
    std::uint8_t tag = 0;
    readExactly(&tag, 1);
    value_ = Variant();
    switch (tag) {
    case vdtEndGx: eof_ = true; break;
    case vdtNullGx: value_ = Variant::Null(); break;
    case vdtInteger32Gx: {
        std::int32_t v = 0;
        readExactly(&v, sizeof v);
        value_ = Variant(static_cast<int>(v));
        break;
    }
    case vdtFloat64Gx: {
        double v = 0;
        readExactly(&v, sizeof v);
        value_ = Variant(v);
        break;
    }
    case vdtStringGx:
    case vdtBinaryDataGx: {
        std::int32_t length = 0;
        readExactly(&length, sizeof length);
        // A length the stream cannot hold is a foreign or damaged stream, not a size to allocate.
        if (length < 0 || length > stream_->Size() - stream_->Position()) formatError();
        std::string bytes(static_cast<std::size_t>(length), '\0');
        readExactly(bytes.data(), length);
        value_ = Variant(AnsiString(std::move(bytes)));
        break;
    }
    default: break;  // no value, and tags not defined: nothing follows them
    }
}

// ---- Putting values into fields ---------------------------------------------------------------------

namespace {

// A day count for a date or time field that the calendar cannot carry (years 1 to 9999, or no
// number at all) is refused like any value the field cannot take: stored, it would fail each time
// the cell is shown.
void checkDateTimeValue(TField* field, const Variant& value) {
    switch (field->DataType()) {
    case ftDate: case ftTime: case ftDateTime: case ftTimeStamp: break;
    default: return;
    }
    if (!VarIsNumeric(value) && (VarType(value) & varTypeMask) != varDate) return;
    const double days = value.AsDouble();
    int year = 0, month = 0, day = 0;
    try {
        DecodeDate(days, year, month, day);
    } catch (const EConvertError&) {
        year = 0;
    }
    if (year < 1 || year > 9999) throw EConvertError("Недопустимое значение даты и времени");
}

}  // namespace

void AssignVCLDBIFValueGx(TField* column, const Variant& value) {
    TField* field = ImpExpTargetFieldGx(column);
    if (!field || value.IsEmpty()) return;
    checkDateTimeValue(field, value);
    TDataSet* ds = field->DataSet();
    if (ds && ds->CanModify() && ds->State() != dsEdit && ds->State() != dsInsert) ds->Edit();
    if (ds && ds->State() != dsEdit && ds->State() != dsInsert) return;
    if (value.Type() == varString && !isBinaryTarget(field->DataType()))
        field->SetValue(Variant(Cp1251ToUtf8(value.AsString().str())));
    else
        field->SetValue(value);
}

void ImportErrorPromptGx(const Exception& error, bool& ignoreAll) {
    if (ignoreAll) return;
    const AnsiString text = LoadResString(&SErrorDuringInsertValueGx) + "\n" + error.Message() + "\n\n" +
                            LoadResString(&SIgnoreErrorGx);
    switch (MessageDlg(text, mtError, TMsgDlgButtons{mbYes, mbNo, mbAll})) {
    case mrYes: break;
    case mrAll: ignoreAll = true; break;
    default: throw EAbort("");
    }
}
