// TSQLClientDataSet: a client dataset with its own SQL dataset and provider, for screens that only need
// "rows of this statement, cached": set DBConnection and CommandText, open.
#pragma once

#include "data/DBClient.h"
#include "db/Provider.h"
#include "db/SqlExpr.h"

#include <memory>

class TSQLClientDataSet : public TClientDataSet {
    PLANTMON_CLASS(TSQLClientDataSet, TClientDataSet)
public:
    explicit TSQLClientDataSet(TComponent* owner);
    ~TSQLClientDataSet() override;

    TSQLConnection* DBConnection() const noexcept { return source_->SQLConnection(); }
    void SetDBConnection(TSQLConnection* c) { source_->SetSQLConnection(c); }
    const AnsiString& CommandText() const noexcept { return source_->CommandText(); }
    void SetCommandText(const AnsiString& s) { source_->SetCommandText(s); }
    TSQLCommandType CommandType() const noexcept { return source_->CommandType(); }
    void SetCommandType(TSQLCommandType t) { source_->SetCommandType(t); }
    TParams* Params() const noexcept { return source_->Params(); }

    // The inner dataset and provider (their settings are this dataset's).
    TSQLDataSet* SQLDataSet() const noexcept { return source_.get(); }
    TDataSetProvider* DataSetProvider() const noexcept { return provider_.get(); }

private:
    std::unique_ptr<TSQLDataSet> source_;
    std::unique_ptr<TDataSetProvider> provider_;
};
