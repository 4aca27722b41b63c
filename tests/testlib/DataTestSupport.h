// Fixtures of the dataset tests: small client datasets, a link and dataset events that record
// what they hear, and an in-memory provider.
#pragma once

#include "data/DBClient.h"

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace datatest {

// Runs every test with the Russian defaults (decimal comma, dd.mm.yyyy).
class RussianLocale {
public:
    RussianLocale() : saved_(FormatSettings()) { FormatSettings() = TFormatSettings::Russian(); }
    ~RussianLocale() { FormatSettings() = saved_; }

private:
    TFormatSettings saved_;
};

// ID 1..n, Name "Row i", Amount i * 1.5 (Null for every fifth row); no pending changes.
inline void FillRows(TClientDataSet& ds, int n) {
    ds.FieldDefs()->Add("ID", ftInteger, 0, true);
    ds.FieldDefs()->Add("Name", ftString, 20);
    ds.FieldDefs()->Add("Amount", ftFloat);
    ds.CreateDataSet();
    for (int i = 1; i <= n; ++i)
        ds.AppendRecord({Variant(i), Variant("Row " + std::to_string(i)), i % 5 == 0 ? Null() : Variant(i * 1.5)});
    ds.MergeChangeLog();
    ds.First();
}

// Code (integer) and Name (text of 20) rows as given; no pending changes, on the first record.
inline void FillCodeNames(TClientDataSet& ds, std::initializer_list<std::pair<int, const char*>> rows) {
    ds.FieldDefs()->Add("Code", ftInteger);
    ds.FieldDefs()->Add("Name", ftString, 20);
    ds.CreateDataSet();
    for (auto [code, name] : rows) ds.AppendRecord({Variant(code), Variant(name)});
    ds.MergeChangeLog();
    ds.First();
}

class RecordingLink : public TDataLink {
public:
    explicit RecordingLink(std::vector<std::string>& log, std::string tag = "") : log_(log), tag_(std::move(tag)) {}
    std::function<void()> onUpdateData;
    TField* focusable = nullptr;

protected:
    void ActiveChanged() override { add("ActiveChanged(" + std::string(Active() ? "1" : "0") + ")"); }
    void DataSetChanged() override { add("DataSetChanged"); }
    void DataSetScrolled(int d) override { add("DataSetScrolled(" + std::to_string(d) + ")"); }
    void RecordChanged(TField* f) override { add("RecordChanged(" + (f ? f->FieldName().str() : std::string()) + ")"); }
    void EditingChanged() override { add("EditingChanged(" + std::string(Editing() ? "1" : "0") + ")"); }
    void LayoutChanged() override { add("LayoutChanged"); }
    void CheckBrowseMode() override { add("CheckBrowseMode"); }
    void UpdateData() override {
        add("UpdateData");
        if (onUpdateData) onUpdateData();
    }
    void FocusControl(TField** f) override {
        add("FocusControl(" + (*f)->FieldName().str() + ")");
        if (*f == focusable) *f = nullptr;
    }

private:
    void add(const std::string& s) { log_.push_back(tag_ + s); }
    std::vector<std::string>& log_;
    std::string tag_;
};

// Puts every Before/After event of ds into log.
inline void RecordEvents(TDataSet& ds, std::vector<std::string>& log) {
    auto h = [&log](const char* name) { return TDataSetNotifyEvent([&log, name](TDataSet*) { log.push_back(name); }); };
    ds.BeforeOpen = h("BeforeOpen");
    ds.AfterOpen = h("AfterOpen");
    ds.BeforeClose = h("BeforeClose");
    ds.AfterClose = h("AfterClose");
    ds.BeforeInsert = h("BeforeInsert");
    ds.AfterInsert = h("AfterInsert");
    ds.BeforeEdit = h("BeforeEdit");
    ds.AfterEdit = h("AfterEdit");
    ds.BeforePost = h("BeforePost");
    ds.AfterPost = h("AfterPost");
    ds.BeforeCancel = h("BeforeCancel");
    ds.AfterCancel = h("AfterCancel");
    ds.BeforeDelete = h("BeforeDelete");
    ds.AfterDelete = h("AfterDelete");
    ds.BeforeScroll = h("BeforeScroll");
    ds.AfterScroll = h("AfterScroll");
    ds.BeforeRefresh = h("BeforeRefresh");
    ds.AfterRefresh = h("AfterRefresh");
}

// A provider over rows held in memory. ApplyUpdates finds rows by the ID column (column 0) and
// reports a row it cannot find as an error, the way the database provider reports "affected rows
// 0"; rows whose Name is "bad" are refused. More than maxErrors failures undo everything.
class MemProvider : public TCustomProvider {
public:
    explicit MemProvider(TComponent* owner) : TCustomProvider(owner) {}
    TFieldDefs defs;
    std::vector<TRecordPtr> rows;
    std::vector<TUpdateDelta> received;  // copies of the deltas (FieldDefs pointer not kept)
    int fetches = 0;

    void GetRecords(TDataPacket& packet) override {
        ++fetches;
        packet.FieldDefs.Assign(defs);
        packet.Records = rows;
    }

    int ApplyUpdates(const TUpdateDelta& delta, int maxErrors, std::vector<TUpdateResult>& results) override {
        received.push_back(delta);
        received.back().FieldDefs = nullptr;
        std::vector<TRecordPtr> work = rows;
        results.assign(delta.Records.size(), TUpdateResult());
        int errors = 0;
        for (std::size_t i = 0; i < delta.Records.size(); ++i) {
            const TDeltaRecord& d = delta.Records[i];
            TRecordPtr key = d.OldValues ? d.OldValues : d.NewValues;
            if (d.NewValues && !d.NewValues->IsNull(1) && d.NewValues->Bytes(1) == "bad") {
                results[i].ErrorMessage = "refused";
                ++errors;
                continue;
            }
            auto it = work.end();
            for (auto r = work.begin(); r != work.end(); ++r)
                if ((*r)->Int(0) == key->Int(0)) it = r;
            if (d.UpdateKind == ukInsert) {
                work.push_back(d.NewValues);
            } else if (it == work.end()) {
                results[i].ErrorMessage = "affected rows 0";
                ++errors;
                continue;
            } else if (d.UpdateKind == ukModify) {
                *it = d.NewValues;
            } else {
                work.erase(it);
            }
            results[i].Applied = true;
        }
        if (maxErrors >= 0 && errors > maxErrors) {
            for (auto& r : results) r.Applied = false;
            return errors;
        }
        rows = work;
        return errors;
    }
};

// A record of the provider's layout: ID, Name, Amount.
inline TRecordPtr Row(long long id, const std::string& name, double amount) {
    TRecordBuilder b(3);
    b.SetInt(0, id);
    b.SetBytes(1, name);
    b.SetFloat(2, amount);
    return b.Build();
}

inline void SetupProvider(MemProvider& p, int n) {
    p.defs.Add("ID", ftInteger, 0, true);
    p.defs.Add("Name", ftString, 20);
    p.defs.Add("Amount", ftFloat);
    for (int i = 1; i <= n; ++i) p.rows.push_back(Row(i, "Row " + std::to_string(i), i * 1.5));
}

}  // namespace datatest
