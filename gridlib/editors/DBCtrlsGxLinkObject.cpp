// Replacing an edit control's data link with a derived editor's own kind.
#include "gridlib/editors/DBCtrlsGx.h"

void TCustomDBEditGx::SetDataLinkObject(std::unique_ptr<TFieldDataLinkGx> link) {
    if (!link) return;
    if (dataLink_) {
        dataLink_->OnDataChange = TNotifyEvent();
        dataLink_->OnEditingStateChange = TNotifyEvent();
        dataLink_->OnUpdateData = TNotifyEvent();
        dataLink_->OnActiveStateChange = TNotifyEvent();
        link->SetDataSource(dataLink_->GetDataSource());
        dataLink_->SetDataSource(nullptr);
    }
    dataLink_ = std::move(link);
    dataLink_->Control = this;
    dataLink_->OnDataChange = TNotifyEvent(this, &TCustomDBEditGx::DataChange);
    dataLink_->OnEditingStateChange = TNotifyEvent(this, &TCustomDBEditGx::EditingChange);
    dataLink_->OnUpdateData = TNotifyEvent(this, &TCustomDBEditGx::InternalUpdateData);
    dataLink_->OnActiveStateChange = TNotifyEvent(this, &TCustomDBEditGx::ActiveChange);
}
