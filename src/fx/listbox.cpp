// The list box: model/view list with tabbed lines.
#include <algorithm>
#include <cmath>
#include <strings.h>

#include <QApplication>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

#include "fx/controls.h"
#include "fx/listbox_model.h"

namespace fx {

// ---------------------------------------------------------------- model

ListBoxModel::ListBoxModel(bool sorted, QObject* parent) : QAbstractListModel(parent), m_sorted(sorted) { }

int ListBoxModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_committed;
}

QVariant ListBoxModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_committed)
        return {};
    return QString::fromStdString(m_lines[size_t(index.row())]);
}

Qt::ItemFlags ListBoxModel::flags(const QModelIndex& index) const
{
    if (index.isValid() && index.row() < m_committed && RoleOf(index.row()) != LineRole::Item)
        return Qt::NoItemFlags;
    return QAbstractListModel::flags(index);
}

LineRole ListBoxModel::RoleOf(int index) const
{
    if (!m_reader.role || index < 0 || index >= Count())
        return LineRole::Item;
    return m_reader.role(m_lines, index);
}

QString ListBoxModel::SpokenText(int index) const
{
    if (index < 0 || index >= Count())
        return {};
    if (m_reader.text)
        return QString::fromStdString(m_reader.text(m_lines, index));
    return QString::fromStdString(m_lines[size_t(index)]);
}

int ListBoxModel::SortedPosition(const std::string& line) const
{
    // After the last line that compares equal, as the list keeps insertion order for ties.
    auto it = std::upper_bound(m_lines.begin(), m_lines.end(), line, [](const std::string& a, const std::string& b) {
        return strcasecmp(a.c_str(), b.c_str()) < 0;
    });
    return int(it - m_lines.begin());
}

void ListBoxModel::ScheduleFlush()
{
    if (m_flushScheduled)
        return;
    m_flushScheduled = true;
    QTimer::singleShot(0, this, [this] { Flush(); });
}

void ListBoxModel::Flush()
{
    m_flushScheduled = false;
    if (m_committed >= Count())
        return;
    beginInsertRows(QModelIndex(), m_committed, Count() - 1);
    m_committed = Count();
    endInsertRows();
}

int ListBoxModel::Add(std::string line)
{
    if (m_sorted) {
        int pos = SortedPosition(line);
        if (pos < Count())
            return Insert(pos, std::move(line));
    }
    Measure(line);
    m_lines.push_back(std::move(line));
    if (!m_data.empty())
        m_data.push_back(0);
    ScheduleFlush();
    return Count() - 1;
}

void ListBoxModel::AddMany(std::vector<std::string> lines)
{
    if (m_sorted) {
        for (auto& l : lines)
            Add(std::move(l));
        return;
    }
    m_lines.reserve(m_lines.size() + lines.size());
    for (auto& l : lines) {
        Measure(l);
        m_lines.push_back(std::move(l));
    }
    if (!m_data.empty())
        m_data.resize(m_lines.size(), 0);
    ScheduleFlush();
}

int ListBoxModel::Insert(int index, std::string line)
{
    Flush();
    if (index < 0 || index > Count())
        index = Count();
    Measure(line);
    beginInsertRows(QModelIndex(), index, index);
    m_lines.insert(m_lines.begin() + index, std::move(line));
    if (!m_data.empty())
        m_data.insert(m_data.begin() + index, 0);
    m_committed = Count();
    endInsertRows();
    return index;
}

bool ListBoxModel::Remove(int index)
{
    Flush();
    if (index < 0 || index >= Count())
        return false;
    beginRemoveRows(QModelIndex(), index, index);
    m_lines.erase(m_lines.begin() + index);
    m_widestStale = true;
    if (!m_data.empty())
        m_data.erase(m_data.begin() + index);
    m_committed = Count();
    endRemoveRows();
    return true;
}

void ListBoxModel::Reset()
{
    beginResetModel();
    m_lines.clear();
    m_lines.shrink_to_fit();
    m_data.clear();
    m_reader = {};
    m_committed = 0;
    m_widest = {};
    m_widestStale = false;
    endResetModel();
}

void ListBoxModel::Measure(const std::string& line)
{
    if (m_width && !m_widestStale)
        WidenColumns(m_widest, line, m_byTabs, m_width);
}

void ListBoxModel::SetMeasure(TextWidth width, bool byTabs)
{
    m_width = std::move(width);
    m_byTabs = byTabs;
    m_widestStale = true;
}

const ColumnWidths& ListBoxModel::Widest()
{
    if (m_widestStale) {
        m_widestStale = false;
        m_widest = {};
        for (const std::string& line : m_lines)
            Measure(line);
    }
    return m_widest;
}

void ListBoxModel::SetData(int index, DWORD_PTR data)
{
    if (index < 0 || index >= Count())
        return;
    if (m_data.empty())
        m_data.resize(m_lines.size(), 0);
    m_data[size_t(index)] = data;
}

DWORD_PTR ListBoxModel::Data(int index) const
{
    if (index < 0 || index >= Count() || m_data.empty())
        return 0;
    return m_data[size_t(index)];
}

// ---------------------------------------------------------------- tab stops

namespace {

constexpr int kDefaultTabDlu = 32;
constexpr int kTextMargin = 2;

int StopPx(const ListBoxLayout& layout, int dlu)
{
    return detail::DluToPxX(layout.units, dlu);
}

// The k-th (0-based) tab stop in dialog units.
int StopDlu(const ListBoxLayout& layout, size_t k)
{
    const auto& stops = layout.tabStopsDlu;
    if (stops.empty())
        return kDefaultTabDlu * int(k + 1);
    if (stops.size() == 1) {
        int every = stops[0] > 0 ? stops[0] : kDefaultTabDlu;
        return every * int(k + 1);
    }
    if (k < stops.size())
        return stops[k];
    return stops.back() + kDefaultTabDlu * int(k - stops.size() + 1);
}

// First stop to the right of x (pixels from the start of the text).
int NextStopPx(const ListBoxLayout& layout, int x)
{
    for (size_t k = 0;; ++k) {
        int px = StopPx(layout, StopDlu(layout, k));
        if (px > x)
            return px;
        if (k > 100000)
            return x + StopPx(layout, kDefaultTabDlu);
    }
}

// Space kept between the widest field of a column and the next column.
constexpr int kColumnGapDlu = 4;

}  // namespace

void WidenColumns(ColumnWidths& widths, std::string_view line, bool byTabs, const TextWidth& width)
{
    const bool tabbed = byTabs && line.find('\t') != std::string_view::npos;
    size_t column = 0;
    size_t start = 0;
    while (true) {
        size_t tab = byTabs ? line.find('\t', start) : std::string_view::npos;
        std::string_view field =
            line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start);
        if (column >= widths.reaching.size()) {
            widths.pushing.resize(column + 1, 0);
            widths.reaching.resize(column + 1, 0);
        }
        if (!field.empty()) {
            const int w = width(field);
            widths.reaching[column] = std::max(widths.reaching[column], w);
            if (tabbed)
                widths.pushing[column] = std::max(widths.pushing[column], w);
        }
        if (tab == std::string_view::npos)
            return;
        start = tab + 1;
        ++column;
    }
}

std::vector<int> ColumnStarts(const std::vector<int>& pushing, const std::vector<int>& stopsPx, int gap)
{
    std::vector<int> starts;
    starts.reserve(pushing.size());
    int x = 0;
    for (size_t k = 0; k < pushing.size(); ++k) {
        starts.push_back(x);
        if (k + 1 == pushing.size())
            break;
        const int stop = k < stopsPx.size() ? stopsPx[k] : x;
        x = std::max(stop, x + pushing[k] + (pushing[k] > 0 ? gap : 0));
    }
    return starts;
}

int ColumnsExtent(const std::vector<int>& starts, const std::vector<int>& reaching)
{
    int extent = 0;
    for (size_t k = 0; k < starts.size() && k < reaching.size(); ++k)
        extent = std::max(extent, starts[k] + reaching[k]);
    return extent;
}

std::vector<int> TabStopPositions(const ListBoxLayout& layout, int tabs)
{
    std::vector<int> out;
    for (int k = 0; k < tabs; ++k)
        out.push_back(StopPx(layout, StopDlu(layout, size_t(k))));
    return out;
}

// ---------------------------------------------------------------- delegate

ListBoxDelegate::ListBoxDelegate(ListBoxView* view) : QStyledItemDelegate(view), m_view(view) { }

void ListBoxDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const auto* model = static_cast<const ListBoxModel*>(index.model());
    const std::string& line = model->Line(index.row());
    const ListBoxLayout& layout = m_view->Layout();
    const std::vector<int>& starts = m_view->ColumnStartsPx();
    const QPalette& pal = option.palette;
    bool selected = option.state & QStyle::State_Selected;
    QRect rect = option.rect;
    // Headings and separators are not items, yet they look like every other line.
    const QPalette::ColorGroup group = !m_view->isEnabled()                  ? QPalette::Disabled
                                       : option.state & QStyle::State_Active ? QPalette::Active
                                                                             : QPalette::Inactive;
    painter->save();
    if (selected) {
        painter->fillRect(rect, pal.brush(group, QPalette::Highlight));
        painter->setPen(pal.color(group, QPalette::HighlightedText));
    } else {
        painter->setPen(pal.color(group, QPalette::Text));
    }
    painter->setFont(option.font);
    const QFontMetrics& fm = option.fontMetrics;
    int baseline = rect.top() + (rect.height() - fm.height()) / 2 + fm.ascent();
    int x0 = rect.left() + kTextMargin;
    int x = 0;
    size_t start = 0;
    for (size_t column = 0; start <= line.size(); ++column) {
        size_t tab = line.find('\t', start);
        size_t end = tab == std::string::npos ? line.size() : tab;
        QString segment = QString::fromUtf8(line.data() + start, qsizetype(end - start));
        if (!layout.useTabStops)
            segment.replace(QLatin1Char('\t'), QLatin1Char(' '));
        if (!segment.isEmpty()) {
            painter->drawText(QPoint(x0 + x, baseline), segment);
            x += fm.horizontalAdvance(segment);
        }
        if (tab == std::string::npos)
            break;
        if (layout.useTabStops) {
            // Every line's field k stands at column k's start (the next stop, should a line
            // ever have more fields than were measured).
            x = column + 1 < starts.size() ? starts[column + 1] : NextStopPx(layout, x);
        } else {
            x += fm.horizontalAdvance(QLatin1Char(' '));
        }
        start = tab + 1;
    }
    if ((option.state & QStyle::State_HasFocus) && (option.state & QStyle::State_Active)) {
        QPen pen(pal.color(selected ? QPalette::HighlightedText : QPalette::Text), 1, Qt::DotLine);
        painter->setPen(pen);
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(rect.adjusted(0, 0, -1, -1));
    }
    painter->restore();
}

QSize ListBoxDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    return QSize(std::max(m_view->ExtentPx(), 1), option.fontMetrics.height());
}

// ---------------------------------------------------------------- view

namespace {

// Field widths in the list's font. Plain ASCII (nearly every field) adds up the
// letters' advances, which is exact but for kerning, which the column gap absorbs;
// other text is shaped whole.
class FieldWidth {
public:
    explicit FieldWidth(const QFont& font) : m_fm(font)
    {
        for (int c = 0; c < 128; ++c)
            m_ascii[c] = m_fm.horizontalAdvance(QChar(c == '\t' ? ' ' : c));
    }
    int operator()(std::string_view text) const
    {
        qreal width = 0;
        for (unsigned char c : text) {
            if (c >= 128)
                return int(std::ceil(m_fm.horizontalAdvance(QString::fromUtf8(text.data(), qsizetype(text.size())))));
            width += m_ascii[c];
        }
        return int(std::ceil(width));
    }

private:
    QFontMetricsF m_fm;
    qreal m_ascii[128];
};

}  // namespace

ListBoxView::ListBoxView(bool sorted, QWidget* parent) : QListView(parent), m_model(new ListBoxModel(sorted, this))
{
    InstallListBoxAccessibility();
    setModel(m_model);
    setItemDelegate(new ListBoxDelegate(this));
    setUniformItemSizes(true);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTextElideMode(Qt::ElideNone);
    setWordWrap(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    MeasureInFont();
    // New lines may reach further than the items were laid out for.
    connect(m_model, &QAbstractItemModel::rowsInserted, this, [this] { FollowExtent(); });
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, [this] { FollowExtent(); });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] { FollowExtent(); });
}

void ListBoxView::SetUseTabStops(bool use)
{
    m_layout.useTabStops = use;
    MeasureInFont();
}

void ListBoxView::MeasureInFont()
{
    m_model->SetMeasure(FieldWidth(font()), m_layout.useTabStops);
}

const std::vector<int>& ListBoxView::ColumnStartsPx()
{
    const std::vector<int>& pushing = m_model->Widest().pushing;
    if (!m_layout.useTabStops) {
        m_starts.assign(pushing.empty() ? 0 : 1, 0);
        return m_starts;
    }
    const int columns = int(pushing.size());
    const std::vector<int> stops = columns > 0 ? TabStopPositions(m_layout, columns - 1) : std::vector<int>{};
    m_starts = ColumnStarts(pushing, stops, StopPx(m_layout, kColumnGapDlu));
    return m_starts;
}

int ListBoxView::ExtentPx()
{
    const std::vector<int>& starts = ColumnStartsPx();
    const int lines = ColumnsExtent(starts, m_model->Widest().reaching);
    return std::max(m_layout.horizontalExtent, lines > 0 ? lines + 2 * kTextMargin : 0);
}

void ListBoxView::FollowExtent()
{
    if (ExtentPx() != m_laidOutExtent)
        UpdateExtent();
}

void ListBoxView::UpdateExtent()
{
    // The item width follows the extent; the view recomputes its scroll range.
    m_laidOutExtent = ExtentPx();
    doItemsLayout();
    viewport()->update();
}

void ListBoxView::resizeEvent(QResizeEvent* e)
{
    QListView::resizeEvent(e);
}

// Scrolling by pixels, the view would step the whole item, which is as wide as the
// list's extent, at one click of an arrow: an arrow scrolls about one character and a
// click in the trough one page.
void ListBoxView::updateGeometries()
{
    QListView::updateGeometries();
    QScrollBar* bar = horizontalScrollBar();
    bar->setSingleStep(std::max(1, fontMetrics().averageCharWidth()));
    bar->setPageStep(std::max(1, viewport()->width()));
}

void ListBoxView::changeEvent(QEvent* e)
{
    QListView::changeEvent(e);
    if (e->type() == QEvent::FontChange) {
        MeasureInFont();
        UpdateExtent();
    }
}

}  // namespace fx

// ---------------------------------------------------------------- CListBox

using fx::ListBoxView;

namespace {

ListBoxView* ViewOf(const CWnd* w)
{
    return dynamic_cast<ListBoxView*>(w->GetWidget());
}

bool MultiSelect(const ListBoxView* v)
{
    return v->selectionMode() != QAbstractItemView::SingleSelection;
}

// Changes the selection without a notification to the dialog.
template <class F>
void Quietly(ListBoxView* v, F&& f)
{
    bool old = v->m_bProgrammatic;
    v->m_bProgrammatic = true;
    f();
    v->m_bProgrammatic = old;
}

std::vector<std::pair<int, int>> SelectedRanges(const ListBoxView* v)
{
    std::vector<std::pair<int, int>> ranges;
    for (const QItemSelectionRange& r : v->selectionModel()->selection())
        ranges.emplace_back(r.top(), r.bottom());
    std::sort(ranges.begin(), ranges.end());
    std::vector<std::pair<int, int>> merged;
    for (auto& r : ranges) {
        if (!merged.empty() && r.first <= merged.back().second + 1) {
            merged.back().second = std::max(merged.back().second, r.second);
        } else {
            merged.push_back(r);
        }
    }
    return merged;
}

}  // namespace

QListView* CListBox::View() const
{
    return ViewOf(this);
}

fx::ListBoxModel* CListBox::Model() const
{
    auto* v = ViewOf(this);
    return v ? v->Model() : nullptr;
}

int CListBox::GetCount() const
{
    auto* m = Model();
    return m ? m->Count() : LB_ERR;
}

int CListBox::AddString(const char* text)
{
    auto* v = ViewOf(this);
    if (!v)
        return LB_ERR;
    int at = 0;
    Quietly(v, [&] { at = v->Model()->Add(text ? text : ""); });
    return at;
}

void CListBox::AddStrings(std::vector<std::string> lines)
{
    if (auto* m = Model())
        m->AddMany(std::move(lines));
}

int CListBox::InsertString(int nIndex, const char* text)
{
    auto* m = Model();
    if (!m || nIndex < -1 || nIndex > m->Count())
        return LB_ERR;
    auto* v = ViewOf(this);
    int at = 0;
    Quietly(v, [&] { at = m->Insert(nIndex, text ? text : ""); });
    return at;
}

int CListBox::DeleteString(UINT nIndex)
{
    auto* m = Model();
    if (!m || nIndex >= UINT(m->Count()))
        return LB_ERR;
    auto* v = ViewOf(this);
    Quietly(v, [&] { m->Remove(int(nIndex)); });
    return m->Count();
}

void CListBox::ResetContent()
{
    auto* v = ViewOf(this);
    if (!v)
        return;
    Quietly(v, [&] { v->Model()->Reset(); });
}

int CListBox::GetText(int nIndex, CString& rString) const
{
    auto* m = Model();
    if (!m || nIndex < 0 || nIndex >= m->Count()) {
        rString.Empty();
        return LB_ERR;
    }
    rString = m->Line(nIndex);
    return rString.GetLength();
}

int CListBox::GetTextLen(int nIndex) const
{
    auto* m = Model();
    if (!m || nIndex < 0 || nIndex >= m->Count())
        return LB_ERR;
    return int(m->Line(nIndex).size());
}

namespace {

template <class Match>
int SearchWrapping(const fx::ListBoxModel* m, int nStartAfter, Match&& match)
{
    int n = m->Count();
    if (n == 0)
        return LB_ERR;
    int first = (nStartAfter < 0 || nStartAfter >= n) ? 0 : nStartAfter + 1;
    for (int k = 0; k < n; ++k) {
        int i = (first + k) % n;
        if (match(m->Line(i)))
            return i;
    }
    return LB_ERR;
}

}  // namespace

int CListBox::FindString(int nStartAfter, const char* text) const
{
    auto* m = Model();
    if (!m)
        return LB_ERR;
    std::string prefix = text ? text : "";
    return SearchWrapping(m, nStartAfter, [&](const std::string& line) {
        return line.size() >= prefix.size() && strncasecmp(line.c_str(), prefix.c_str(), prefix.size()) == 0;
    });
}

int CListBox::FindStringExact(int nStartAfter, const char* text) const
{
    auto* m = Model();
    if (!m)
        return LB_ERR;
    std::string whole = text ? text : "";
    return SearchWrapping(m, nStartAfter,
                          [&](const std::string& line) { return strcasecmp(line.c_str(), whole.c_str()) == 0; });
}

void CListBox::SetItemData(int nIndex, DWORD_PTR data)
{
    if (auto* m = Model())
        m->SetData(nIndex, data);
}

DWORD_PTR CListBox::GetItemData(int nIndex) const
{
    auto* m = Model();
    return m ? m->Data(nIndex) : 0;
}

int CListBox::GetCurSel() const
{
    auto* v = ViewOf(this);
    if (!v)
        return LB_ERR;
    v->Model()->Flush();
    if (MultiSelect(v)) {
        QModelIndex cur = v->currentIndex();
        return cur.isValid() ? cur.row() : LB_ERR;
    }
    auto rows = v->selectionModel()->selectedIndexes();
    return rows.isEmpty() ? LB_ERR : rows.first().row();
}

int CListBox::SetCurSel(int nSelect)
{
    auto* v = ViewOf(this);
    if (!v || MultiSelect(v))
        return LB_ERR;
    auto* m = v->Model();
    m->Flush();
    int result = LB_ERR;
    Quietly(v, [&] {
        if (nSelect < 0 || nSelect >= m->Count()) {
            v->selectionModel()->clearSelection();
            return;
        }
        QModelIndex idx = m->index(nSelect);
        v->selectionModel()->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect);
        v->scrollTo(idx);
        result = nSelect;
    });
    return result;
}

int CListBox::GetSel(int nIndex) const
{
    auto* v = ViewOf(this);
    if (!v)
        return LB_ERR;
    auto* m = v->Model();
    if (nIndex < 0 || nIndex >= m->Count())
        return LB_ERR;
    m->Flush();
    return v->selectionModel()->isSelected(m->index(nIndex)) ? 1 : 0;
}

int CListBox::SetSel(int nIndex, BOOL bSelect)
{
    auto* v = ViewOf(this);
    if (!v || !MultiSelect(v))
        return LB_ERR;
    auto* m = v->Model();
    if (nIndex < -1 || nIndex >= m->Count())
        return LB_ERR;
    m->Flush();
    Quietly(v, [&] {
        auto flag = bSelect ? QItemSelectionModel::Select : QItemSelectionModel::Deselect;
        if (nIndex == -1) {
            if (m->Count() > 0)
                v->selectionModel()->select(QItemSelection(m->index(0), m->index(m->Count() - 1)), flag);
        } else {
            v->selectionModel()->select(m->index(nIndex), flag);
        }
    });
    return LB_OKAY;
}

int CListBox::GetSelCount() const
{
    auto* v = ViewOf(this);
    if (!v || !MultiSelect(v))
        return LB_ERR;
    v->Model()->Flush();
    int count = 0;
    for (auto& r : SelectedRanges(v))
        count += r.second - r.first + 1;
    return count;
}

std::vector<int> CListBox::GetSelItems() const
{
    std::vector<int> out;
    auto* v = ViewOf(this);
    if (!v)
        return out;
    v->Model()->Flush();
    for (auto& r : SelectedRanges(v)) {
        for (int i = r.first; i <= r.second; ++i)
            out.push_back(i);
    }
    return out;
}

int CListBox::GetSelItems(int nMaxItems, int* rgIndex) const
{
    auto* v = ViewOf(this);
    if (!v || !MultiSelect(v))
        return LB_ERR;
    if (nMaxItems <= 0 || !rgIndex)
        return 0;
    int n = 0;
    v->Model()->Flush();
    for (auto& r : SelectedRanges(v)) {
        for (int i = r.first; i <= r.second && n < nMaxItems; ++i)
            rgIndex[n++] = i;
    }
    return n;
}

int CListBox::SelItemRange(BOOL bSelect, int nFirstItem, int nLastItem)
{
    auto* v = ViewOf(this);
    if (!v || !MultiSelect(v))
        return LB_ERR;
    auto* m = v->Model();
    if (nFirstItem > nLastItem)
        std::swap(nFirstItem, nLastItem);
    nFirstItem = std::max(nFirstItem, 0);
    nLastItem = std::min(nLastItem, m->Count() - 1);
    if (nFirstItem > nLastItem)
        return LB_ERR;
    m->Flush();
    Quietly(v, [&] {
        v->selectionModel()->select(QItemSelection(m->index(nFirstItem), m->index(nLastItem)),
                                    bSelect ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
    });
    return LB_OKAY;
}

int CListBox::GetCaretIndex() const
{
    auto* v = ViewOf(this);
    if (!v)
        return LB_ERR;
    QModelIndex cur = v->currentIndex();
    return cur.isValid() ? cur.row() : 0;
}

int CListBox::SetCaretIndex(int nIndex, BOOL bScroll)
{
    auto* v = ViewOf(this);
    if (!v)
        return LB_ERR;
    auto* m = v->Model();
    if (nIndex < 0 || nIndex >= m->Count())
        return LB_ERR;
    m->Flush();
    Quietly(v, [&] {
        v->selectionModel()->setCurrentIndex(m->index(nIndex), QItemSelectionModel::NoUpdate);
        if (bScroll)
            v->scrollTo(m->index(nIndex));
    });
    return LB_OKAY;
}

int CListBox::GetTopIndex() const
{
    auto* v = ViewOf(this);
    if (!v)
        return LB_ERR;
    v->Model()->Flush();
    QModelIndex top = v->indexAt(QPoint(1, 1));
    return top.isValid() ? top.row() : 0;
}

int CListBox::SetTopIndex(int nIndex)
{
    auto* v = ViewOf(this);
    if (!v)
        return LB_ERR;
    auto* m = v->Model();
    if (nIndex < 0 || nIndex >= m->Count())
        return LB_ERR;
    m->Flush();
    v->scrollTo(m->index(nIndex), QAbstractItemView::PositionAtTop);
    return LB_OKAY;
}

BOOL CListBox::SetTabStops()
{
    return SetTabStops(0, nullptr);
}

BOOL CListBox::SetTabStops(const int& cxEachStop)
{
    return SetTabStops(1, &cxEachStop);
}

BOOL CListBox::SetTabStops(int nTabStops, const int* rgTabStops)
{
    auto* v = ViewOf(this);
    if (!v || nTabStops < 0 || (nTabStops > 0 && !rgTabStops))
        return FALSE;
    v->Layout().tabStopsDlu.assign(rgTabStops, rgTabStops + nTabStops);
    v->UpdateExtent();
    return v->Layout().useTabStops ? TRUE : FALSE;
}

void CListBox::SetHorizontalExtent(int cxExtent)
{
    auto* v = ViewOf(this);
    if (!v)
        return;
    v->Layout().horizontalExtent = std::max(cxExtent, 0);
    v->UpdateExtent();
}

int CListBox::GetHorizontalExtent() const
{
    auto* v = ViewOf(this);
    return v ? v->Layout().horizontalExtent : 0;
}

void CListBox::SetLineReader(fx::LineReader reader)
{
    if (auto* m = Model())
        m->SetReader(std::move(reader));
}

std::vector<int> CListBox::TabStopPixels(int tabs) const
{
    auto* v = ViewOf(this);
    if (!v)
        return {};
    return fx::TabStopPositions(v->Layout(), tabs);
}
