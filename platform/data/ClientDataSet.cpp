// TClientDataSet: rows from a provider, a file or nothing, a change log, and ApplyUpdates.
#include "data/DBClient.h"

#include "data/DataInternal.h"
#include "rtl/FileUtils.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <unordered_map>
#include <unordered_set>

using dbdetail::Msg;

TClientDataSet::TClientDataSet(TComponent* owner) : TDataSet(owner) {}

TClientDataSet::~TClientDataSet() {
    // Close here, while this class still exists, so that the file is written; the owner's
    // handlers are not called any more.
    CloseSilently();
}

void TClientDataSet::SetProvider(TCustomProvider* p) {
    if (p == provider_) return;
    if (provider_) RemoveFreeNotification(provider_);
    provider_ = p;
    if (p) FreeNotification(p);
}

void TClientDataSet::Notification(TComponent* component, TOperation operation) {
    TDataSet::Notification(component, operation);
    if (operation == opRemove && component == provider_) provider_ = nullptr;
}

TCustomProvider* TClientDataSet::resolveProvider() const {
    if (provider_) return provider_;
    if (providerName_.IsEmpty() || !Owner()) return nullptr;
    return dynamic_cast<TCustomProvider*>(Owner()->FindComponent(providerName_));
}

void TClientDataSet::CreateDataSet() {
    CheckInactive();
    auto packet = std::make_unique<TDataPacket>();
    if (FieldDefs()->Count() > 0) {
        packet->FieldDefs.Assign(*FieldDefs());
    } else {
        for (TField* f : *Fields()) {
            if (f->FieldKind() != fkData) continue;
            packet->FieldDefs.Add(f->FieldName(), f->DataType(), f->Size(), f->Required());
        }
    }
    if (packet->FieldDefs.Count() == 0) DatabaseError("Cannot create a dataset without fields", this);
    pendingPacket_ = std::move(packet);
    try {
        Open();
    } catch (...) {
        pendingPacket_.reset();
        throw;
    }
}

void TClientDataSet::fetchPacket(TDataPacket& packet) {
    if (TCustomProvider* p = resolveProvider()) {
        p->GetRecords(packet);
        return;
    }
    if (!FileName().IsEmpty()) {
        readFile(FileName(), packet);
        return;
    }
    DatabaseError(DBText::NoDataProvider, this);
}

void TClientDataSet::loadPacket(TDataPacket& packet) {
    const int n = packet.FieldDefs.Count();
    for (const TRecordPtr& r : packet.Records)
        if (!r || r->FieldCount() != n) DatabaseError("The data packet's rows do not match its columns", this);
    FieldDefs()->Assign(packet.FieldDefs);
    ClearStoredRecords();
    ReserveStoredRecords(packet.Records.size());
    for (TRecordPtr& r : packet.Records) AppendStoredRecord(std::move(r));
    packet.Records.clear();
}

void TClientDataSet::takeOriginals() {
    originals_.clear();
    originals_.reserve(static_cast<std::size_t>(StoredRecordCount()));
    for (int i = 0; i < StoredRecordCount(); ++i) originals_.push_back({StoredRecord(i).id, StoredRecord(i).rec});
}

void TClientDataSet::InternalOpen() {
    if (pendingPacket_) {
        std::unique_ptr<TDataPacket> packet = std::move(pendingPacket_);
        loadPacket(*packet);
    } else {
        TDataPacket packet;
        fetchPacket(packet);
        loadPacket(packet);
    }
    takeOriginals();
    log_.clear();
    updateErrors_.clear();
}

void TClientDataSet::InternalClose() {
    std::exception_ptr error;
    if (!FileName().IsEmpty() && !loadingFile_ && !UndoingFailedOpen()) {
        try {
            writeFile(FileName());
        } catch (...) {
            error = std::current_exception();
        }
    }
    originals_.clear();
    log_.clear();
    updateErrors_.clear();
    if (error) std::rethrow_exception(error);
}

namespace {
// The values of a record's key columns as one comparable text.
std::string recordKey(const TRecordData& r, const std::vector<int>& columns) {
    std::string key;
    for (int c : columns) {
        if (c < 0 || c >= r.FieldCount() || r.IsNull(c)) {
            key += '\0';
            continue;
        }
        key += static_cast<char>(1 + r.Kind(c));
        switch (r.Kind(c)) {
        case skBytes: {
            std::string_view b = r.Bytes(c);
            std::uint64_t n = b.size();
            key.append(reinterpret_cast<const char*>(&n), sizeof n);
            key.append(b.data(), b.size());
            break;
        }
        case skFloat: {
            double d = r.Float(c);
            key.append(reinterpret_cast<const char*>(&d), sizeof d);
            break;
        }
        default: {
            std::int64_t i = r.Int(c);
            key.append(reinterpret_cast<const char*>(&i), sizeof i);
            break;
        }
        }
    }
    return key;
}
}  // namespace

std::vector<int> TClientDataSet::refreshKeyColumns(const TDataPacket& packet) const {
    std::vector<int> columns;
    for (int i = 0; i < packet.FieldDefs.Count(); ++i) {
        TField* f = FindField(packet.FieldDefs.Items(i)->Name());
        if (f && f->FieldKind() == fkData && (f->ProviderFlags() & pfInKey)) columns.push_back(i);
    }
    if (columns.empty()) columns = packet.KeyColumns;
    return columns;
}

void TClientDataSet::InternalRefresh() {
    if (!log_.empty()) DatabaseError(DBText::ApplyBeforeRefresh, this);
    TDataPacket packet;
    fetchPacket(packet);
    const std::vector<int> keys = refreshKeyColumns(packet);
    // Same layout and a key: records read again under the same key keep their ids. A key that
    // occurs twice on either side names no record for sure, so those records get new ids.
    std::unordered_map<std::string, std::uint64_t> oldIds;
    const bool sameLayout = packet.FieldDefs.Count() == FieldDefs()->Count();
    if (!keys.empty() && sameLayout) {
        std::unordered_set<std::string> ambiguous;
        for (int i = 0; i < StoredRecordCount(); ++i) {
            const TStoredRecord& r = StoredRecord(i);
            std::string k = recordKey(*r.rec, keys);
            if (!oldIds.emplace(k, r.id).second) ambiguous.insert(k);
        }
        std::unordered_set<std::string> seen;
        for (const TRecordPtr& r : packet.Records)
            if (r) {
                std::string k = recordKey(*r, keys);
                if (!seen.insert(k).second) ambiguous.insert(k);
            }
        for (const std::string& k : ambiguous) oldIds.erase(k);
    }
    loadPacket(packet);
    if (!oldIds.empty()) {
        std::vector<TStoredRecord> fresh;
        fresh.reserve(static_cast<std::size_t>(StoredRecordCount()));
        for (int i = 0; i < StoredRecordCount(); ++i) fresh.push_back(StoredRecord(i));
        ClearStoredRecords();
        ReserveStoredRecords(fresh.size());
        for (TStoredRecord& r : fresh) {
            auto it = oldIds.find(recordKey(*r.rec, keys));
            InsertStoredRecord(StoredRecordCount(), it == oldIds.end() ? r.id : it->second, std::move(r.rec));
        }
    }
    takeOriginals();
}

// ---- change log ------------------------------------------------------------------------------
void TClientDataSet::RecordInserted(std::uint64_t id, const TRecordPtr&) { log_.push_back({ukInsert, id, {}, -1}); }

void TClientDataSet::RecordModified(std::uint64_t id, const TRecordPtr& before, const TRecordPtr&) {
    log_.push_back({ukModify, id, before, -1});
}

void TClientDataSet::RecordDeleted(std::uint64_t id, const TRecordPtr& before, int baseIndex) {
    log_.push_back({ukDelete, id, before, baseIndex});
}

bool TClientDataSet::UndoLastChange(bool followChange) {
    CheckActive();
    if (State() == dsEdit || State() == dsInsert) Cancel();
    if (log_.empty()) return false;
    LogEntry e = log_.back();
    log_.pop_back();
    std::uint64_t follow = 0;
    switch (e.kind) {
    case ukInsert: {
        int b = FindStoredRecord(e.id);
        if (b >= 0) RemoveStoredRecord(b);
        break;
    }
    case ukModify: {
        int b = FindStoredRecord(e.id);
        if (b >= 0) ReplaceStoredRecord(b, e.before);
        follow = e.id;
        break;
    }
    case ukDelete:
        InsertStoredRecord(e.baseIndex, e.id, e.before);
        follow = e.id;
        break;
    }
    ResyncView(followChange && follow ? follow : CurrentRecordId());
    return true;
}

void TClientDataSet::CancelUpdates() {
    CheckActive();
    if (State() == dsEdit || State() == dsInsert) Cancel();
    if (log_.empty()) return;
    std::uint64_t current = CurrentRecordId();
    ClearStoredRecords();
    ReserveStoredRecords(originals_.size());
    for (const Original& o : originals_) InsertStoredRecord(StoredRecordCount(), o.id, o.rec);
    log_.clear();
    ResyncView(current);
}

void TClientDataSet::MergeChangeLog() {
    CheckActive();
    takeOriginals();
    log_.clear();
}

TUpdateStatus TClientDataSet::UpdateStatus() const {
    if (!Active()) return usUnmodified;
    if (State() == dsInsert) return usInserted;
    std::uint64_t id = CurrentRecordId();
    TUpdateStatus st = usUnmodified;
    for (const LogEntry& e : log_) {
        if (e.id != id) continue;
        if (e.kind == ukInsert) return usInserted;
        if (e.kind == ukModify) st = usModified;
    }
    return st;
}

int TClientDataSet::ApplyUpdates(int maxErrors) {
    CheckBrowseMode();
    updateErrors_.clear();
    if (log_.empty()) return 0;
    TCustomProvider* provider = resolveProvider();
    if (!provider) DatabaseError(DBText::NoDataProvider, this);

    std::unordered_map<std::uint64_t, const Original*> original;
    for (const Original& o : originals_) original[o.id] = &o;

    // The net change of every record, in the order the records were first changed.
    std::vector<std::uint64_t> ids;
    std::unordered_set<std::uint64_t> seen;
    for (const LogEntry& e : log_)
        if (seen.insert(e.id).second) ids.push_back(e.id);

    TUpdateDelta delta;
    delta.FieldDefs = FieldDefs();
    for (int i = 0; i < FieldDefs()->Count(); ++i) {
        TField* f = FindField(FieldDefs()->Items(i)->Name());
        delta.FieldFlags.push_back(f ? f->ProviderFlags() : TProviderFlags(pfInUpdate | pfInWhere));
    }
    std::vector<std::uint64_t> deltaIds;
    std::vector<std::uint64_t> unchanged;
    for (std::uint64_t id : ids) {
        auto it = original.find(id);
        TRecordPtr before = it != original.end() ? it->second->rec : TRecordPtr();
        int b = FindStoredRecord(id);
        TRecordPtr now = b >= 0 ? StoredRecord(b).rec : TRecordPtr();
        TDeltaRecord d;
        if (!before && !now) {
            unchanged.push_back(id);  // inserted and deleted again
            continue;
        }
        if (!before) {
            d.UpdateKind = ukInsert;
            d.NewValues = now;
        } else if (!now) {
            d.UpdateKind = ukDelete;
            d.OldValues = before;
        } else {
            if (before->SameValues(*now)) {
                unchanged.push_back(id);
                continue;
            }
            d.UpdateKind = ukModify;
            d.OldValues = before;
            d.NewValues = now;
        }
        delta.Records.push_back(d);
        deltaIds.push_back(id);
    }

    std::vector<TUpdateResult> results;
    if (!delta.Records.empty()) provider->ApplyUpdates(delta, maxErrors, results);
    results.resize(delta.Records.size());

    std::vector<std::uint64_t> done = unchanged;
    for (std::size_t i = 0; i < results.size(); ++i) {
        if (results[i].Applied) {
            done.push_back(deltaIds[i]);
            continue;
        }
        TUpdateError err;
        err.UpdateKind = delta.Records[i].UpdateKind;
        err.Message = results[i].ErrorMessage;
        err.ErrorCode = results[i].ErrorCode;
        if (err.UpdateKind != ukDelete) {
            std::string bm(8, '\0');
            std::uint64_t id = deltaIds[i];
            for (int k = 7; k >= 0; --k) {
                bm[k] = static_cast<char>(id & 0xFF);
                id >>= 8;
            }
            err.Bookmark = TBookmark(bm);
        }
        updateErrors_.push_back(err);
    }
    mergeApplied(done, delta.Records, results);

    if (!updateErrors_.empty()) {
        AnsiString first;
        for (const TUpdateError& e : updateErrors_)
            if (!e.Message.IsEmpty()) {
                first = e.Message;
                break;
            }
        if (first.IsEmpty()) first = "The changes were not applied";
        DatabaseError(first, this);
    }
    return 0;
}

void TClientDataSet::mergeApplied(const std::vector<std::uint64_t>& ids, const std::vector<TDeltaRecord>&,
                                  const std::vector<TUpdateResult>&) {
    if (ids.empty()) return;
    std::unordered_set<std::uint64_t> applied(ids.begin(), ids.end());
    // The log keeps only the entries of records whose change failed.
    log_.erase(std::remove_if(log_.begin(), log_.end(), [&](const LogEntry& e) { return applied.count(e.id) > 0; }),
               log_.end());
    // Originals: applied records take their current state (or leave, when deleted); the rest
    // keep theirs. The order follows the store, with records deleted but not yet applied kept
    // where they were.
    std::unordered_map<std::uint64_t, TRecordPtr> stored;
    for (int i = 0; i < StoredRecordCount(); ++i) stored[StoredRecord(i).id] = StoredRecord(i).rec;
    std::unordered_map<std::uint64_t, std::size_t> oldIndex;
    for (std::size_t i = 0; i < originals_.size(); ++i) oldIndex[originals_[i].id] = i;

    std::vector<Original> merged;
    merged.reserve(originals_.size() + ids.size());
    std::size_t nextOld = 0;
    auto flushOldUpTo = [&](std::size_t limit) {
        // originals that are no longer stored (deleted, change pending) keep their place
        for (; nextOld < limit; ++nextOld) {
            const Original& o = originals_[nextOld];
            if (stored.count(o.id) == 0 && applied.count(o.id) == 0) merged.push_back(o);
        }
    };
    for (int i = 0; i < StoredRecordCount(); ++i) {
        std::uint64_t id = StoredRecord(i).id;
        auto old = oldIndex.find(id);
        if (old != oldIndex.end()) {
            flushOldUpTo(old->second + 1);
            merged.push_back({id, applied.count(id) ? StoredRecord(i).rec : originals_[old->second].rec});
        } else if (applied.count(id)) {
            merged.push_back({id, StoredRecord(i).rec});  // an applied insert
        }
    }
    flushOldUpTo(originals_.size());
    originals_ = std::move(merged);
}

// ---- files -----------------------------------------------------------------------------------
void TClientDataSet::readFile(const AnsiString& fileName, TDataPacket& packet) {
    AnsiString path = PosixPath(fileName);
    std::ifstream in(path.str(), std::ios::binary);
    if (!in) throw EFOpenError("Cannot open file \"" + path + "\"");
    std::stringstream buf;
    buf << in.rdbuf();
    ReadXmlDataPacket(buf.str(), packet);
}

void TClientDataSet::writeFile(const AnsiString& fileName) const {
    std::vector<TRecordPtr> rows;
    rows.reserve(static_cast<std::size_t>(StoredRecordCount()));
    for (int i = 0; i < StoredRecordCount(); ++i) rows.push_back(StoredRecord(i).rec);
    std::string xml = WriteXmlDataPacket(*FieldDefs(), rows);
    AnsiString path = PosixPath(fileName);
    // Written to a temporary file first, so a failed write never leaves half a file behind.
    std::string tmp = path.str() + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) throw EFCreateError("Cannot create file \"" + path + "\"");
        out << xml;
        out.flush();
        if (!out) {
            std::remove(tmp.c_str());
            throw EWriteError("Cannot write file \"" + path + "\"");
        }
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::remove(tmp.c_str());
        throw EFCreateError("Cannot create file \"" + path + "\"");
    }
}

void TClientDataSet::LoadFromFile(const AnsiString& fileName) {
    AnsiString name = fileName.IsEmpty() ? FileName() : fileName;
    auto packet = std::make_unique<TDataPacket>();
    readFile(name, *packet);
    if (Active()) {
        loadingFile_ = true;
        try {
            Close();
        } catch (...) {
            loadingFile_ = false;
            throw;
        }
        loadingFile_ = false;
    }
    pendingPacket_ = std::move(packet);
    try {
        Open();
    } catch (...) {
        pendingPacket_.reset();
        throw;
    }
}

void TClientDataSet::SaveToFile(const AnsiString& fileName) {
    CheckActive();
    writeFile(fileName.IsEmpty() ? FileName() : fileName);
}
