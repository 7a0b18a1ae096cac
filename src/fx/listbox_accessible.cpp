// The list box as assistive technology sees it: a list whose children are its lines,
// each with the role and text the list's line reader gives it.
#include <mutex>
#include <unordered_map>

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPointer>

#include "fx/listbox_model.h"

namespace fx {
namespace {

QAccessible::Role AccessibleRole(LineRole role)
{
    switch (role) {
    case LineRole::Heading:
        return QAccessible::ColumnHeader;
    case LineRole::Separator:
        return QAccessible::Separator;
    case LineRole::Item:
        break;
    }
    return QAccessible::ListItem;
}

// One line. It has no object of its own; the list keeps it registered while its row
// stays where it is.
class LineAccessible : public QAccessibleInterface {
public:
    LineAccessible(ListBoxView* view, int row) : m_view(view), m_row(row) { }
    int Row() const { return m_row; }
    const ListBoxView* View() const { return m_view; }

    bool isValid() const override { return m_view && m_row >= 0 && m_row < m_view->Model()->rowCount(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_view ? m_view->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_view); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    void setText(QAccessible::Text, const QString&) override { }

    QString text(QAccessible::Text t) const override
    {
        return isValid() && t == QAccessible::Name ? m_view->Model()->SpokenText(m_row) : QString();
    }

    QRect rect() const override
    {
        if (!isValid())
            return {};
        QRect r = m_view->visualRect(m_view->Model()->index(m_row));
        return r.translated(m_view->viewport()->mapToGlobal(QPoint(0, 0)));
    }

    QAccessible::Role role() const override
    {
        return isValid() ? AccessibleRole(m_view->Model()->RoleOf(m_row)) : QAccessible::ListItem;
    }

    QAccessible::State state() const override
    {
        QAccessible::State st;
        if (!isValid())
            return st;
        const QModelIndex index = m_view->Model()->index(m_row);
        if (!m_view->viewport()->rect().intersects(m_view->visualRect(index)))
            st.invisible = true;
        if (!(index.flags() & Qt::ItemIsSelectable))
            return st;
        st.selectable = true;
        st.focusable = true;
        st.selected = m_view->selectionModel()->isSelected(index);
        st.focused = m_view->hasFocus() && m_view->currentIndex() == index;
        st.multiSelectable = m_view->selectionMode() == QAbstractItemView::MultiSelection;
        st.extSelectable = m_view->selectionMode() == QAbstractItemView::ExtendedSelection;
        return st;
    }

private:
    QPointer<ListBoxView> m_view;
    int m_row;
};

class ListBoxAccessible : public QAccessibleWidget {
public:
    explicit ListBoxAccessible(ListBoxView* view) : QAccessibleWidget(view, QAccessible::List), m_view(view)
    {
        // Lines that move or go take their interfaces with them. The connections end
        // with this interface (m_guard), whichever of it and the view goes first.
        ListBoxModel* model = view->Model();
        auto forget = [this] { ForgetLines(); };
        QObject::connect(model, &QAbstractItemModel::rowsInserted, &m_guard, forget);
        QObject::connect(model, &QAbstractItemModel::rowsRemoved, &m_guard, forget);
        QObject::connect(model, &QAbstractItemModel::modelReset, &m_guard, forget);
    }
    ~ListBoxAccessible() override { ForgetLines(); }

    int childCount() const override { return m_view ? m_view->Model()->rowCount() : 0; }

    QAccessibleInterface* child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        if (auto it = m_lines.find(index); it != m_lines.end())
            return QAccessible::accessibleInterface(it->second);
        auto* line = new LineAccessible(m_view, index);
        m_lines[index] = QAccessible::registerAccessibleInterface(line);
        return line;
    }

    int indexOfChild(const QAccessibleInterface* child) const override
    {
        const auto* line = dynamic_cast<const LineAccessible*>(child);
        return line && line->View() == m_view && line->isValid() ? line->Row() : -1;
    }

    QAccessibleInterface* childAt(int x, int y) const override
    {
        if (!m_view)
            return nullptr;
        const QModelIndex index = m_view->indexAt(m_view->viewport()->mapFromGlobal(QPoint(x, y)));
        return index.isValid() ? child(index.row()) : nullptr;
    }

    QAccessibleInterface* focusChild() const override
    {
        if (!m_view || !m_view->hasFocus() || !m_view->currentIndex().isValid())
            return nullptr;
        return child(m_view->currentIndex().row());
    }

    QAccessible::State state() const override
    {
        QAccessible::State st = QAccessibleWidget::state();
        if (m_view) {
            st.multiSelectable = m_view->selectionMode() == QAbstractItemView::MultiSelection;
            st.extSelectable = m_view->selectionMode() == QAbstractItemView::ExtendedSelection;
        }
        return st;
    }

private:
    void ForgetLines()
    {
        for (const auto& [row, id] : m_lines)
            QAccessible::deleteAccessibleInterface(id);
        m_lines.clear();
    }

    QPointer<ListBoxView> m_view;
    mutable std::unordered_map<int, QAccessible::Id> m_lines;
    QObject m_guard;
};

QAccessibleInterface* ListBoxFactory(const QString&, QObject* object)
{
    if (auto* view = dynamic_cast<ListBoxView*>(object))
        return new ListBoxAccessible(view);
    return nullptr;
}

}  // namespace

void InstallListBoxAccessibility()
{
    static std::once_flag once;
    std::call_once(once, [] { QAccessible::installFactory(ListBoxFactory); });
}

}  // namespace fx
