// The list box's model, delegate and view (framework internal).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <QAbstractListModel>
#include <QLineEdit>
#include <QListView>
#include <QStyledItemDelegate>

#include "fx/internal.h"
#include "fx/line_reader.h"

namespace fx {

// Width in pixels of a piece of UTF-8 text in the list's font.
using TextWidth = std::function<int(std::string_view)>;

// The widest field of each column over a list's lines, in pixels.
struct ColumnWidths {
    std::vector<int> pushing;   // fields of lines with columns: they push the next column
    std::vector<int> reaching;  // every field, untabbed lines included: how far lines reach
};

// Widens the columns to fit the fields of `line`: with `byTabs` each TAB starts the
// next column, else the whole line is one field. Both vectors keep one entry a column.
void WidenColumns(ColumnWidths& widths, std::string_view line, bool byTabs, const TextWidth& width);

// Where field k of every line starts, in pixels from the start of the text, given the
// widest field of each column over the lines that have columns (`pushing`) and the
// tab stops (`stopsPx`, at least one fewer than the columns): column k + 1 starts at
// stop k, or further right where that field and `gap` after it reach past the stop.
// So a field never runs into the next column and every line keeps its fields under
// the same columns. A line without TABs (a separator, a message) pushes nothing.
std::vector<int> ColumnStarts(const std::vector<int>& pushing, const std::vector<int>& stopsPx, int gap);

// The furthest right any field ends: the width of the widest line.
int ColumnsExtent(const std::vector<int>& starts, const std::vector<int>& reaching);

// Lines in a vector of UTF-8 strings. Appends at the end are made visible to the
// view in batches (at the next event-loop turn or before any other operation), so
// adding lines one by one costs no view work per line.
class ListBoxModel : public QAbstractListModel {
public:
    ListBoxModel(bool sorted, QObject* parent);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // Headings and separators are neither selectable nor reached by the keyboard.
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    int Count() const { return int(m_lines.size()); }
    const std::string& Line(int i) const { return m_lines[size_t(i)]; }
    bool Sorted() const { return m_sorted; }
    int Add(std::string line);
    void AddMany(std::vector<std::string> lines);
    int Insert(int index, std::string line);
    bool Remove(int index);
    void Reset();
    void SetData(int index, DWORD_PTR data);
    DWORD_PTR Data(int index) const;
    // Makes every line visible to the view.
    void Flush();
    // Measures every line, now and as lines come, into the widest field of each column.
    void SetMeasure(TextWidth width, bool byTabs);
    // The widest fields of each column over every line; empty without a measure.
    const ColumnWidths& Widest();
    // The reader of the lines now in the list; Reset drops it with them.
    void SetReader(LineReader reader) { m_reader = std::move(reader); }
    LineRole RoleOf(int index) const;
    QString SpokenText(int index) const;

private:
    LineReader m_reader;
    int SortedPosition(const std::string& line) const;
    void ScheduleFlush();
    void Measure(const std::string& line);
    TextWidth m_width;
    bool m_byTabs = false;
    ColumnWidths m_widest;
    bool m_widestStale = false;  // a line went: measured afresh when next asked
    std::vector<std::string> m_lines;
    std::vector<DWORD_PTR> m_data;  // empty until item data is used
    int m_committed = 0;            // lines the view knows of
    bool m_sorted;
    bool m_flushScheduled = false;
};

// Tab stops and extent of one list box.
struct ListBoxLayout {
    std::vector<int> tabStopsDlu;  // as set with SetTabStops
    bool useTabStops = false;
    int horizontalExtent = 0;  // pixels, as set: the lines may reach further
    detail::BaseUnits units;
};

// Pixel positions of the first `tabs` tab stops.
std::vector<int> TabStopPositions(const ListBoxLayout& layout, int tabs);

class ListBoxView;

class ListBoxDelegate : public QStyledItemDelegate {
public:
    explicit ListBoxDelegate(ListBoxView* view);
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    ListBoxView* m_view;
};

// Makes every list box read its lines through its line reader (once per process).
void InstallListBoxAccessibility();

class ListBoxView : public QListView {
public:
    ListBoxView(bool sorted, QWidget* parent);
    ListBoxModel* Model() const { return m_model; }
    ListBoxLayout& Layout() { return m_layout; }
    // TAB characters start columns (else they show as blanks).
    void SetUseTabStops(bool use);
    // True while the program (not the user) changes the selection.
    bool m_bProgrammatic = false;
    void UpdateExtent();
    // Where each column starts (pixels from the start of the text) and how far the
    // widest line reaches, the set extent included.
    const std::vector<int>& ColumnStartsPx();
    int ExtentPx();

    // Find (listbox_find.cpp): Ctrl+F anywhere in the list's window opens a find field
    // over the list; F3, or Enter in the field, selects the next line that contains its
    // text, ignoring case; Escape closes the field and leaves that selection.
    void EnableFind();
    void OpenFind();
    void FindNext();
    void CloseFind();
    // Every selected line, in list order, each ended by a line feed.
    std::string SelectedLines() const;

protected:
    // Ctrl+C copies SelectedLines(), not only the focused line.
    void keyPressEvent(QKeyEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;
    void updateGeometries() override;

private:
    void MeasureInFont();
    // Lays the items out again when the lines now reach further than before.
    void FollowExtent();
    ListBoxModel* m_model;
    ListBoxLayout m_layout;
    std::vector<int> m_starts;
    int m_laidOutExtent = 0;
    QLineEdit* m_findField = nullptr;  // while find is enabled
};

}  // namespace fx
