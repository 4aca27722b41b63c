// The log timer of the main window: drains the event queue into the daily file.
#include "app/Main.h"
#include "core/EventLog.h"
#include "core/ShowError.h"
#include "rtl/MathUtils.h"

void TFormMain::TimerGetLogTimer(TObject*) {
    try {
        // At most ten entries a tick, which bounds the time a tick takes.
        for (int pass = 0; pass < 10 && EventFIFO.GetCount() != 0; ++pass) {
            AnsiString text;
            TDateTime time = 0;
            std::uint64_t tick = 0;
            int flags = 0;
            if (!EventFIFO.Pop(text, time, tick, flags)) continue;

            if (flags & evShowNotice) {
                if (flags & evNewNotice) {
                    // A window of its own, near the middle of the screen, not on top of the last one.
                    auto* notice = NewForm<TShowErrorForm>(this);
                    ShowNotice(notice, text, time, flags);
                    notice->SetLeft(static_cast<int>(Round(RandG(320, 25))));
                    notice->SetTop(static_cast<int>(Round(RandG(200, 15))));
                } else {
                    ShowNotice(ShowErrorForm, text, time, flags);
                }
            }

            ++LogLineCount;
            // A line that cannot be written is lost; the next one is tried all the same.
            try {
                AppendDailyLog(FormatLogLine(LogLineCount, tick, time, text));
            } catch (...) {
            }
        }
    } catch (...) {
        PostEvent("Ошибка в TFormMain::TimerGetLogTimer()", 0);
    }
}
