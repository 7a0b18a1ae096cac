// The list box's keys beyond moving the selection: Ctrl+C copies every selected line,
// and a list with find enabled opens a find field over itself.
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>

#include <algorithm>
#include <utility>
#include <vector>

#include "fx/controls.h"
#include "fx/listbox_model.h"

namespace fx {
namespace {

bool Plain(const QKeyEvent* e)
{
    return (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

// The find field: Enter finds the next line, Escape closes the field. Both are taken
// here, so the dialog's default button and Escape handling never see them.
class FindField : public QLineEdit {
public:
    explicit FindField(ListBoxView* view) : QLineEdit(view), m_view(view) { hide(); }

protected:
    void keyPressEvent(QKeyEvent* e) override
    {
        if (Plain(e) && (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)) {
            m_view->FindNext();
        } else if (Plain(e) && e->key() == Qt::Key_Escape) {
            m_view->CloseFind();
        } else {
            QLineEdit::keyPressEvent(e);
            return;
        }
        e->accept();
    }

private:
    ListBoxView* m_view;
};

// Ctrl+F and F3 wherever the focus is in the list's window: keys no control takes
// travel up to the window, where this filter sees them.
class FindKeys : public QObject {
public:
    explicit FindKeys(ListBoxView* view) : QObject(view), m_view(view) { }

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(e);
        if (key->matches(QKeySequence::Find))
            m_view->OpenFind();
        else if (key->key() == Qt::Key_F3 && Plain(key))
            m_view->FindNext();
        else
            return false;
        return true;
    }

private:
    ListBoxView* m_view;
};

}  // namespace

void ListBoxView::EnableFind()
{
    if (m_findField)
        return;
    m_findField = new FindField(this);
    window()->installEventFilter(new FindKeys(this));
}

// The field lies over the top right corner of the lines; nothing else moves.
void ListBoxView::OpenFind()
{
    if (!m_findField)
        return;
    const QRect area = viewport()->geometry();
    const int width = std::min(area.width(), std::max(area.width() / 3, 20 * fontMetrics().averageCharWidth()));
    m_findField->setGeometry(area.right() + 1 - width, area.top(), width, m_findField->sizeHint().height());
    m_findField->show();
    m_findField->raise();
    m_findField->setFocus();
    m_findField->selectAll();
}

void ListBoxView::FindNext()
{
    if (!m_findField)
        return;
    const QString text = m_findField->text();
    if (text.isEmpty()) {
        OpenFind();
        return;
    }
    m_model->Flush();
    const int count = m_model->Count();
    const int from = currentIndex().isValid() ? currentIndex().row() + 1 : 0;
    for (int step = 0; step < count; ++step) {
        const int row = (from + step) % count;
        const std::string& line = m_model->Line(row);
        if (QString::fromUtf8(line.data(), qsizetype(line.size())).contains(text, Qt::CaseInsensitive)) {
            const QModelIndex index = m_model->index(row);
            selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
            scrollTo(index);
            return;
        }
    }
    QApplication::beep();
}

void ListBoxView::CloseFind()
{
    if (!m_findField)
        return;
    m_findField->hide();
    setFocus();
}

std::string ListBoxView::SelectedLines() const
{
    m_model->Flush();
    std::vector<std::pair<int, int>> ranges;
    for (const QItemSelectionRange& r : selectionModel()->selection())
        ranges.emplace_back(r.top(), r.bottom());
    std::sort(ranges.begin(), ranges.end());
    std::string text;
    int next = 0;  // overlapping ranges give each line once
    for (const auto& [top, bottom] : ranges) {
        for (int row = std::max(top, next); row <= bottom && row < m_model->Count(); ++row) {
            text += m_model->Line(row);
            text += '\n';
        }
        next = std::max(next, bottom + 1);
    }
    return text;
}

void ListBoxView::keyPressEvent(QKeyEvent* e)
{
    if (e->matches(QKeySequence::Copy)) {
        QGuiApplication::clipboard()->setText(QString::fromStdString(SelectedLines()));
        e->accept();
        return;
    }
    QListView::keyPressEvent(e);
}

}  // namespace fx

void CListBox::EnableFind()
{
    if (auto* view = dynamic_cast<fx::ListBoxView*>(GetWidget()))
        view->EnableFind();
}
