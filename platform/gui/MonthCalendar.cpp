// TMonthCalendar: one month as a sheet, painted and hit-tested by the control itself.
#include "gui/ComCtrls.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kMargin = 4;

// 0 for Monday .. 6 for Sunday.
int mondayIndex(TDateTime d) { return (DayOfWeek(d) + 5) % 7; }

// The week of the year that holds the Monday given (weeks start on Monday; week 1 holds 4 January).
int isoWeek(TDateTime monday) {
    TDateTime thursday = monday + 3;
    int y, m, d;
    DecodeDate(thursday, y, m, d);
    return static_cast<int>((thursday - EncodeDate(y, 1, 1)) / 7) + 1;
}

}  // namespace

struct TMonthCalendar::Layout {
    // What the geometry was worked out for.
    struct Key {
        int width, height, border, year, month;
        HFONT font;
        bool weekNumbers, showToday;
        TDateTime today;
        bool operator==(const Key&) const = default;
    } key;
    TRect sheet;  // inside the border
    TRect title, prevButton, nextButton, monthText, yearText;
    TRect header, grid, weekColumn, today, todayText;
    int cellWidth = 0, cellHeight = 0;
    int year = 0, month = 0;
    TDateTime firstCell = 0;  // the date of the top-left cell
    TSize minimum;            // the smallest sheet
};

TMonthCalendar::TMonthCalendar(TComponent* owner) : TCustomControl(owner) {
    date_ = DateOf(::Date());
    SetColor(clWindow);
    SetTabStop(true);
    TRect r = MinReqRect();
    SetBounds(0, 0, r.Width(), r.Height());
}

TMonthCalendar::~TMonthCalendar() = default;

const TMonthCalendar::Layout& TMonthCalendar::layout() {
    int year = 0, month = 0, day = 0;
    DecodeDate(date_, year, month, day);
    const Layout::Key key{Width(), Height(), BorderWidth(), year, month, Font()->Handle(), weekNumbers_, showToday_,
                          DateOf(::Date())};
    if (layout_ && layout_->key == key) return *layout_;
    layout_ = std::make_unique<Layout>();
    Layout& l = *layout_;
    l.key = key;
    TBitmap scratch(1, 1);
    TCanvas* c = scratch.Canvas();
    c->Font()->Assign(Font());
    const TFormatSettings& fs = FormatSettings();
    int nameWidth = c->TextWidth("00");
    for (const AnsiString& n : fs.ShortDayNames) nameWidth = std::max(nameWidth, c->TextWidth(n));
    const int ch = c->TextHeight("0");
    l.cellWidth = nameWidth + 8;
    l.cellHeight = ch + 4;
    const int titleHeight = ch + 10;
    const int headerHeight = l.cellHeight + 2;
    const int weekWidth = weekNumbers_ ? l.cellWidth : 0;
    const int todayHeight = showToday_ ? l.cellHeight + 4 : 0;
    int titleWidth = 0;
    for (const AnsiString& n : fs.LongMonthNames) titleWidth = std::max(titleWidth, c->TextWidth(n + " 0000"));
    const int minWidth = std::max(2 * kMargin + weekWidth + 7 * l.cellWidth, 2 * kMargin + titleWidth + 2 * titleHeight + 8);
    const int minHeight = 2 * kMargin + titleHeight + headerHeight + 6 * l.cellHeight + todayHeight;
    l.minimum = TSize{minWidth, minHeight};

    const int b = BorderWidth();
    l.sheet = TRect(b, b, std::max(b, Width() - b), std::max(b, Height() - b));
    const int x0 = l.sheet.Left + std::max(0, (l.sheet.Width() - minWidth) / 2) + kMargin;
    const int y0 = l.sheet.Top + kMargin;
    const int contentWidth = minWidth - 2 * kMargin;

    l.year = year;
    l.month = month;
    l.title = TRect(l.sheet.Left, l.sheet.Top, l.sheet.Right, y0 + titleHeight);
    const int button = titleHeight - 4;
    l.prevButton = Bounds(x0, y0 + 2, button, button);
    l.nextButton = Bounds(x0 + contentWidth - button, y0 + 2, button, button);
    const AnsiString monthName = fs.LongMonthNames[l.month - 1];
    const AnsiString yearText = IntToStr(l.year);
    const int mw = c->TextWidth(monthName), sw = c->TextWidth(" "), yw = c->TextWidth(yearText);
    const int tx = x0 + (contentWidth - (mw + sw + yw)) / 2, ty = y0 + (titleHeight - ch) / 2;
    l.monthText = Bounds(tx, ty, mw, ch);
    l.yearText = Bounds(tx + mw + sw, ty, yw, ch);

    const int gx = x0 + weekWidth;
    l.header = Bounds(gx, l.title.Bottom, 7 * l.cellWidth, headerHeight);
    l.grid = Bounds(gx, l.header.Bottom, 7 * l.cellWidth, 6 * l.cellHeight);
    l.weekColumn = Bounds(x0, l.grid.Top, weekWidth, l.grid.Height());
    if (showToday_) {
        l.today = Bounds(x0, l.grid.Bottom + 2, contentWidth, l.cellHeight);
        l.todayText = Bounds(x0, l.today.Top, c->TextWidth("Сегодня: " + DateToStr(::Date())), l.cellHeight);
    }
    // Six weeks from the Monday before the first of the month (a whole week before it when the
    // month starts on a Monday, so that the neighbouring months always show).
    const TDateTime first = EncodeDate(l.year, l.month, 1);
    int back = mondayIndex(first);
    if (back == 0) back = 7;
    l.firstCell = first - back;
    return l;
}

TRect TMonthCalendar::MinReqRect() {
    const Layout& l = layout();
    return TRect(0, 0, l.minimum.cx, l.minimum.cy);
}

DWORD TMonthCalendar::HitTest(TPoint p, TDateTime* date) {
    const Layout& l = layout();
    if (date) *date = 0;
    if (!l.sheet.Contains(p)) return MCHT_NOWHERE;
    if (l.prevButton.Contains(p)) return MCHT_TITLEBTNPREV;
    if (l.nextButton.Contains(p)) return MCHT_TITLEBTNNEXT;
    if (l.monthText.Contains(p)) return MCHT_TITLEMONTH;
    if (l.yearText.Contains(p)) return MCHT_TITLEYEAR;
    if (l.title.Contains(p)) return MCHT_TITLEBK;
    if (l.header.Contains(p)) return MCHT_CALENDARDAY;
    if (l.grid.Contains(p)) {
        int row = (p.y - l.grid.Top) / l.cellHeight, col = (p.x - l.grid.Left) / l.cellWidth;
        TDateTime d = l.firstCell + row * 7 + col;
        if (date) *date = d;
        int y, m, dd;
        DecodeDate(d, y, m, dd);
        if (y * 12 + m < l.year * 12 + l.month) return MCHT_CALENDARDATEPREV;
        if (y * 12 + m > l.year * 12 + l.month) return MCHT_CALENDARDATENEXT;
        return MCHT_CALENDARDATE;
    }
    if (weekNumbers_ && l.weekColumn.Contains(p)) return MCHT_CALENDARWEEKNUM;
    if (showToday_ && l.todayText.Contains(p)) {
        if (date) *date = DateOf(::Date());
        return MCHT_TODAYLINK;
    }
    return MCHT_CALENDARBK;
}

void TMonthCalendar::SetDate(TDateTime d) {
    d = DateOf(d);
    if (d == date_) return;
    date_ = d;
    Invalidate();
}

void TMonthCalendar::changeDate(TDateTime d) {
    d = DateOf(d);
    if (d == date_) return;
    date_ = d;
    Invalidate();
    OnChange(this);
}

void TMonthCalendar::SetWeekNumbers(bool b) {
    if (b == weekNumbers_) return;
    weekNumbers_ = b;
    AdjustSize();
    Invalidate();
}

void TMonthCalendar::SetShowToday(bool b) {
    if (b == showToday_) return;
    showToday_ = b;
    AdjustSize();
    Invalidate();
}

void TMonthCalendar::SetAutoSize(bool b) {
    if (b == autoSize_) return;
    autoSize_ = b;
    AdjustSize();
}

bool TMonthCalendar::CanAutoSize(int& newWidth, int& newHeight) {
    TRect r = MinReqRect();
    newWidth = r.Width() + 2 * BorderWidth();
    newHeight = r.Height() + 2 * BorderWidth();
    return true;
}

void TMonthCalendar::AdjustSize() {
    if (!autoSize_) return;
    int w = Width(), h = Height();
    if (CanAutoSize(w, h)) SetBounds(Left(), Top(), w, h);
}

void TMonthCalendar::FontChanged() {
    TCustomControl::FontChanged();
    AdjustSize();
}

void TMonthCalendar::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft) {
        TDateTime d = 0;
        DWORD hit = HitTest(TPoint(x, y), &d);
        if (hit == MCHT_TITLEBTNPREV) changeDate(IncMonth(date_, -1));
        else if (hit == MCHT_TITLEBTNNEXT) changeDate(IncMonth(date_, 1));
        else if ((hit & MCHT_CALENDARDATE) == MCHT_CALENDARDATE || hit == MCHT_TODAYLINK) changeDate(d);
    }
    TCustomControl::MouseDown(button, shift, x, y);
}

void TMonthCalendar::KeyDown(WORD& key, TShiftState shift) {
    int y, m, d;
    DecodeDate(date_, y, m, d);
    switch (key) {
    case VK_LEFT: changeDate(date_ - 1); break;
    case VK_RIGHT: changeDate(date_ + 1); break;
    case VK_UP: changeDate(date_ - 7); break;
    case VK_DOWN: changeDate(date_ + 7); break;
    case VK_PRIOR: changeDate(IncMonth(date_, -1)); break;
    case VK_NEXT: changeDate(IncMonth(date_, 1)); break;
    case VK_HOME: changeDate(EncodeDate(y, m, 1)); break;
    case VK_END: changeDate(EncodeDate(y, m, DaysInAMonth(y, m))); break;
    default: break;
    }
    TCustomControl::KeyDown(key, shift);
}

void TMonthCalendar::DefaultHandler(TMessage& m) {
    switch (m.Msg) {
    case MCM_GETCURSEL:
        if (m.LParam) *reinterpret_cast<TDateTime*>(m.LParam) = date_;
        m.Result = m.LParam ? 1 : 0;
        return;
    case MCM_SETCURSEL:
        if (m.LParam) SetDate(*reinterpret_cast<const TDateTime*>(m.LParam));
        m.Result = m.LParam ? 1 : 0;
        return;
    case MCM_GETMINREQRECT:
        if (m.LParam) *reinterpret_cast<TRect*>(m.LParam) = MinReqRect();
        m.Result = m.LParam ? 1 : 0;
        return;
    case MCM_HITTEST: {
        auto* info = reinterpret_cast<TMCHitTestInfo*>(m.LParam);
        if (!info) {
            m.Result = static_cast<LRESULT>(MCHT_NOWHERE);
            return;
        }
        info->uHit = HitTest(info->pt, &info->date);
        m.Result = static_cast<LRESULT>(info->uHit);
        return;
    }
    default: TCustomControl::DefaultHandler(m);
    }
}

void TMonthCalendar::Paint() {
    const Layout l = layout();
    TCanvas* c = Canvas();
    const TFormatSettings& fs = FormatSettings();
    c->Font()->Assign(Font());
    c->Brush()->SetColor(Color());
    c->FillRect(ClientRect());
    c->SetBkMode(TRANSPARENT);

    // Title: the buttons and the month and year.
    c->Brush()->SetColor(clBtnFace);
    c->FillRect(l.title);
    TRect prev = l.prevButton, next = l.nextButton;
    DrawFrameControl(c, prev, DFC_SCROLL, DFCS_SCROLLLEFT | DFCS_FLAT);
    DrawFrameControl(c, next, DFC_SCROLL, DFCS_SCROLLRIGHT | DFCS_FLAT);
    c->SetBkMode(TRANSPARENT);
    c->Font()->SetColor(clBtnText);
    c->TextOut(l.monthText.Left, l.monthText.Top, fs.LongMonthNames[l.month - 1]);
    c->TextOut(l.yearText.Left, l.yearText.Top, IntToStr(l.year));

    // Weekday names, Monday first, over a line.
    c->Font()->SetColor(clHighlight);
    for (int i = 0; i < 7; ++i) {
        const AnsiString& n = fs.ShortDayNames[(i + 1) % 7];
        TRect cell = Bounds(l.header.Left + i * l.cellWidth, l.header.Top, l.cellWidth, l.cellHeight);
        c->TextOut(cell.Left + (cell.Width() - c->TextWidth(n)) / 2, cell.Top + 2, n);
    }
    c->Pen()->SetColor(clBtnShadow);
    c->MoveTo(l.header.Left, l.header.Bottom - 1);
    c->LineTo(l.header.Right, l.header.Bottom - 1);

    // The dates: the selected one filled, today framed, the neighbouring months greyed.
    const TDateTime today = DateOf(::Date());
    for (int row = 0; row < 6; ++row) {
        if (weekNumbers_) {
            AnsiString w = IntToStr(isoWeek(l.firstCell + row * 7));
            c->Font()->SetColor(clGrayText);
            c->TextOut(l.weekColumn.Left + (l.cellWidth - c->TextWidth(w)) / 2,
                       l.weekColumn.Top + row * l.cellHeight + 2, w);
        }
        for (int col = 0; col < 7; ++col) {
            TDateTime d = l.firstCell + row * 7 + col;
            int y, m, dd;
            DecodeDate(d, y, m, dd);
            TRect cell = Bounds(l.grid.Left + col * l.cellWidth, l.grid.Top + row * l.cellHeight, l.cellWidth, l.cellHeight);
            TColor text = m == l.month ? Font()->Color() : clGrayText;
            if (d == date_) {
                c->Brush()->SetColor(clHighlight);
                c->FillRect(cell);
                text = clHighlightText;
            }
            if (d == today) {
                c->Brush()->SetColor(clRed);
                c->FrameRect(cell);
            }
            AnsiString s = IntToStr(dd);
            c->Font()->SetColor(text);
            c->TextOut(cell.Left + (cell.Width() - c->TextWidth(s)) / 2, cell.Top + 2, s);
        }
    }
    if (weekNumbers_) {
        c->MoveTo(l.weekColumn.Right - 1, l.weekColumn.Top);
        c->LineTo(l.weekColumn.Right - 1, l.weekColumn.Bottom);
    }
    if (showToday_) {
        c->Font()->SetColor(Font()->Color());
        c->TextOut(l.todayText.Left, l.todayText.Top + 2, "Сегодня: " + DateToStr(today));
    }
}
