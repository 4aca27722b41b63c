#include "db/SqlClientDataSet.h"

#include "rtl/TypInfo.h"

namespace {

// The command text is published as TSQLDataSet's is (a wide string).
const bool clientPropertiesRegistered = [] {
    RegisterPublishedProperties(TSQLClientDataSet::StaticClass(),
                                {MakeProperty<TSQLClientDataSet>("CommandText", TypeInfoOf(tkWString, "WideString"),
                                                                 &TSQLClientDataSet::CommandText,
                                                                 &TSQLClientDataSet::SetCommandText)});
    return true;
}();

}  // namespace

TSQLClientDataSet::TSQLClientDataSet(TComponent* owner)
    : TClientDataSet(owner), source_(std::make_unique<TSQLDataSet>(nullptr)), provider_(std::make_unique<TDataSetProvider>(nullptr)) {
    provider_->SetDataSet(source_.get());
    SetProvider(provider_.get());
}

TSQLClientDataSet::~TSQLClientDataSet() {
    // The inner parts go before the client dataset does: let go of them while this object is whole.
    if (Active()) Close();
    SetProvider(nullptr);
    provider_.reset();
    source_.reset();
}
