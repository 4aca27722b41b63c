// Client datasets: an editable in-memory copy of rows fetched from a provider (or loaded from a
// file, or created empty), with a change log that is applied back through the provider.
//
// The client dataset talks to its source only through TCustomProvider:
// - GetRecords fills a TDataPacket with the column definitions and every row of the source;
// - ApplyUpdates receives a TUpdateDelta (one entry per changed record: inserted, modified or
//   deleted, each with the original values as fetched and the new values) and reports per entry
//   whether it was applied and, if not, why. The provider decides how rows are found (by key
//   fields, ProviderFlags pfInKey) and must report a row that changed nothing in the source
//   ("affected rows 0") as an error of that entry, so that nothing is lost silently.
// The database provider (TDataSetProvider over a query) lives in db/; tests use in-memory ones.
// CreateDataSet makes a client dataset with no source at all: the in-memory dataset that tests of
// data-aware controls (and screens with their own rows) use.
//
// Refresh fetches the rows again. A record read again under the same key (the fields flagged
// pfInKey, else the key columns the provider names) keeps its bookmark; a record that is gone, or
// every record of a dataset without a key, gets none back, so no old bookmark reaches another
// record.
//
// The change log: every Post and Delete adds an entry. ChangeCount is the number of entries;
// UndoLastChange takes back the newest, CancelUpdates all of them; MergeChangeLog makes the
// current rows the new originals. ApplyUpdates sends the net change of every changed record (a
// record inserted and deleted again sends nothing) and merges the entries that were applied;
// failed ones stay in the log.
#pragma once

#include "data/DB.h"

#include <vector>

// What a provider delivers: the columns and every row (laid out by FieldDefs), and the columns
// that identify a row in the source (its table's primary key; empty when none is known).
struct TDataPacket {
    TFieldDefs FieldDefs;
    std::vector<TRecordPtr> Records;
    std::vector<int> KeyColumns;
};

enum TUpdateKind { ukModify, ukInsert, ukDelete };

struct TDeltaRecord {
    TUpdateKind UpdateKind = ukModify;
    TRecordPtr OldValues;  // as fetched (none for ukInsert)
    TRecordPtr NewValues;  // as now (none for ukDelete)
};

struct TUpdateDelta {
    const TFieldDefs* FieldDefs = nullptr;
    // Per column of FieldDefs: the client field's ProviderFlags (pfInUpdate | pfInWhere when the
    // client has no field of that name).
    std::vector<TProviderFlags> FieldFlags;
    std::vector<TDeltaRecord> Records;
};

struct TUpdateResult {
    bool Applied = false;
    AnsiString ErrorMessage;  // why it was not applied (empty when stopped before reaching it)
    int ErrorCode = 0;
};

class TCustomProvider : public TComponent {
    PLANTMON_CLASS(TCustomProvider, TComponent)
public:
    explicit TCustomProvider(TComponent* owner) : TComponent(owner) {}
    // Fills packet.FieldDefs and packet.Records from the source (opening it as needed).
    virtual void GetRecords(TDataPacket& packet) = 0;
    // Applies delta; results gets one entry per delta record. When more than maxErrors records
    // fail (maxErrors -1: no limit) the provider stops and undoes what it applied (every result
    // then reads not applied). Returns the number of failed records.
    virtual int ApplyUpdates(const TUpdateDelta& delta, int maxErrors, std::vector<TUpdateResult>& results) = 0;
};

// Status of a record in the change log.
enum TUpdateStatus { usUnmodified, usModified, usInserted, usDeleted };

// One record that failed in the last ApplyUpdates.
struct TUpdateError {
    TUpdateKind UpdateKind = ukModify;
    TBookmark Bookmark;  // the record in this dataset (empty for a deleted record)
    AnsiString Message;
    int ErrorCode = 0;
};

class TClientDataSet : public TDataSet {
    PLANTMON_CLASS(TClientDataSet, TDataSet)
public:
    explicit TClientDataSet(TComponent* owner);
    ~TClientDataSet() override;

    // ---- Source ----
    TCustomProvider* Provider() const noexcept { return provider_; }
    void SetProvider(TCustomProvider* p);
    // A provider looked up by name among the components of this dataset's owner at open.
    const AnsiString& ProviderName() const noexcept { return providerName_; }
    void SetProviderName(const AnsiString& n) { providerName_ = n; }
    // Opens an empty dataset with the columns of FieldDefs (or of the persistent data fields when
    // FieldDefs is empty).
    void CreateDataSet();

    // ---- Files (XML data packets) ----
    // Open reads FileName when there is no provider; Close writes it (after BeforeClose).
    const AnsiString& FileName() const noexcept { return fileName_; }
    void SetFileName(const AnsiString& f) { fileName_ = f; }
    // Replaces the rows (and, when closed, the columns) with those of the file and opens.
    void LoadFromFile(const AnsiString& fileName = AnsiString());
    // Writes the columns and the current rows.
    void SaveToFile(const AnsiString& fileName = AnsiString());

    // ---- Change log ----
    int ChangeCount() const noexcept { return static_cast<int>(log_.size()); }
    void CancelUpdates();
    bool UndoLastChange(bool followChange);
    void MergeChangeLog();
    // Sends the changes to the provider. Applied records leave the log; failed ones stay. When a
    // record failed, raises EDatabaseError with the first failure's message after the log is
    // updated (UpdateErrors lists them all); otherwise returns 0.
    int ApplyUpdates(int maxErrors);
    const std::vector<TUpdateError>& UpdateErrors() const noexcept { return updateErrors_; }
    // The change status of the current record.
    TUpdateStatus UpdateStatus() const;

    // ---- Order ----
    const AnsiString& IndexFieldNames() const { return SortFields(); }
    void SetIndexFieldNames(const AnsiString& names) { SetSortFields(names); }

    bool ReadOnly() const noexcept { return readOnly_; }
    void SetReadOnly(bool r) { readOnly_ = r; }

    // ---- Aggregates ----
    // While set, the aggregate fields (AggFields) keep their values over the records.
    bool AggregatesActive() const noexcept { return aggregatesActive_; }
    void SetAggregatesActive(bool b);

protected:
    void InternalOpen() override;
    void InternalClose() override;
    void InternalRefresh() override;
    bool GetCanModify() const override { return !readOnly_; }
    void RecordInserted(std::uint64_t id, const TRecordPtr& rec) override;
    void RecordModified(std::uint64_t id, const TRecordPtr& before, const TRecordPtr& after) override;
    void RecordDeleted(std::uint64_t id, const TRecordPtr& before, int baseIndex) override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    struct LogEntry {
        TUpdateKind kind;
        std::uint64_t id;
        TRecordPtr before;  // the record before this change (none for an insert)
        int baseIndex;      // for a delete: where the record stood
    };
    struct Original {
        std::uint64_t id;
        TRecordPtr rec;
    };
    TCustomProvider* resolveProvider() const;
    void fetchPacket(TDataPacket& packet);
    // Takes the packet's records over (the packet is left without them).
    void loadPacket(TDataPacket& packet);
    // The columns that identify a record of packet: the pfInKey fields, else the packet's key.
    std::vector<int> refreshKeyColumns(const TDataPacket& packet) const;
    void takeOriginals();
    void mergeApplied(const std::vector<std::uint64_t>& ids, const std::vector<TDeltaRecord>& delta,
                      const std::vector<TUpdateResult>& results);
    static void readFile(const AnsiString& fileName, TDataPacket& packet);
    void writeFile(const AnsiString& fileName) const;

    TCustomProvider* provider_ = nullptr;
    AnsiString providerName_;
    AnsiString fileName_;
    bool readOnly_ = false;
    bool aggregatesActive_ = false;
    bool loadingFile_ = false;
    std::unique_ptr<TDataPacket> pendingPacket_;
    std::vector<Original> originals_;  // rows as fetched or last merged, in base order
    std::vector<LogEntry> log_;
    std::vector<TUpdateError> updateErrors_;
};

// XML data packets (the client dataset file format): text in, text out.
void ReadXmlDataPacket(const std::string& xml, TDataPacket& packet);
std::string WriteXmlDataPacket(const TFieldDefs& defs, const std::vector<TRecordPtr>& records);
