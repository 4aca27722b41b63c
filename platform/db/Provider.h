// TDataSetProvider: hands the rows of an SQL dataset to a client dataset and writes the client's changes
// back to the table they came from.
//
// Fetching opens (or re-runs) the source dataset and passes its records on without copying them, with
// the table's primary-key columns as the packet's key.
//
// Applying resolves every changed record against the source's table (the one table all its table
// columns come from) with prepared statements, in one transaction:
//   insert -> INSERT of the columns the client may update;
//   modify -> UPDATE of the columns whose value changed, WHERE the key columns hold their original values;
//   delete -> DELETE WHERE the key columns hold their original values.
// The key columns are the fields flagged pfInKey in the client dataset, else the table's primary key,
// else every comparable column (all of them must then still hold their original values). Values are bound
// as parameters, never written into the text. A statement that changes no row (another user changed or
// deleted it meanwhile) or more than one is an error of that record: it is undone and reported, and the
// record stays in the client's change log. When more than maxErrors records fail (maxErrors -1: no limit)
// the whole transaction is rolled back and every change stays pending; otherwise the applied ones are
// committed.
#pragma once

#include "data/DBClient.h"
#include "db/SqlExpr.h"

class TDataSetProvider : public TCustomProvider {
    PLANTMON_CLASS(TDataSetProvider, TCustomProvider)
public:
    explicit TDataSetProvider(TComponent* owner);
    ~TDataSetProvider() override;

    // The source: a TSQLQuery or TSQLDataSet (any dataset can be fetched from; only SQL datasets apply).
    TDataSet* DataSet() const noexcept { return dataSet_; }
    void SetDataSet(TDataSet* ds);

    void GetRecords(TDataPacket& packet) override;
    int ApplyUpdates(const TUpdateDelta& delta, int maxErrors, std::vector<TUpdateResult>& results) override;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    TDataSet* dataSet_ = nullptr;
};
