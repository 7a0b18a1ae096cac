// The list box's model, delegate and view (framework internal).
#pragma once

#include <string>
#include <vector>

#include <QAbstractListModel>
#include <QListView>
#include <QStyledItemDelegate>

#include "fx/internal.h"

namespace fx {

// Lines in a vector of UTF-8 strings. Appends at the end are made visible to the
// view in batches (at the next event-loop turn or before any other operation), so
// adding lines one by one costs no view work per line.
class ListBoxModel : public QAbstractListModel {
 public:
  ListBoxModel(bool sorted, QObject* parent);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

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

 private:
  int SortedPosition(const std::string& line) const;
  void ScheduleFlush();
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
  int horizontalExtent = 0;      // pixels
  detail::BaseUnits units;
};

// Pixel positions of the first `tabs` tab stops.
std::vector<int> TabStopPositions(const ListBoxLayout& layout, int tabs);

class ListBoxDelegate : public QStyledItemDelegate {
 public:
  ListBoxDelegate(ListBoxLayout* layout, QObject* parent) : QStyledItemDelegate(parent), m_layout(layout) {}
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  ListBoxLayout* m_layout;
};

class ListBoxView : public QListView {
 public:
  ListBoxView(bool sorted, QWidget* parent);
  ListBoxModel* Model() const { return m_model; }
  ListBoxLayout& Layout() { return m_layout; }
  // True while the program (not the user) changes the selection.
  bool m_bProgrammatic = false;
  void UpdateExtent();

 protected:
  void resizeEvent(QResizeEvent* e) override;

 private:
  ListBoxModel* m_model;
  ListBoxLayout m_layout;
};

}  // namespace fx
