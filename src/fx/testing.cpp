#include "fx/testing.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>

#include "fx/app.h"
#include "fx/controls.h"
#include "fx/internal.h"
#include "fx/listbox_model.h"

namespace fx::detail {

Hooks& GetHooks()
{
    static Hooks hooks;
    return hooks;
}

}  // namespace fx::detail

namespace fx::testing {

using detail::GetHooks;

void SetMessageBoxHandler(MessageBoxHandler handler)
{
    GetHooks().messageBox = std::move(handler);
}
void SetModalHandler(ModalHandler handler)
{
    GetHooks().modal = std::move(handler);
}
void SetSaveDialogHandler(SaveDialogHandler handler)
{
    GetHooks().saveDialog = std::move(handler);
}
void SetPopupMenuHandler(PopupMenuHandler handler)
{
    GetHooks().popupMenu = std::move(handler);
}
void SetOpenFileHandler(OpenFileHandler handler)
{
    GetHooks().openFile = std::move(handler);
}
void ResetHandlers()
{
    GetHooks() = detail::Hooks{};
}

bool WaitForPostedWork(std::chrono::milliseconds limit)
{
    return detail::WaitForPostedWork(limit);
}

void ProcessEvents()
{
    EnsureApplication();
    // Posted work may post more; a few rounds settle it.
    for (int round = 0; round < 10; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool RenderToPng(CWnd& window, const std::string& path)
{
    QWidget* w = window.GetWidget();
    if (!w)
        return false;
    // Deferred list updates and layouts first, so the picture shows the current state.
    QCoreApplication::sendPostedEvents();
    for (auto* view : w->findChildren<fx::ListBoxView*>())
        view->Model()->Flush();
    w->ensurePolished();
    if (w->layout())
        w->layout()->activate();
    // A fixed-size window takes its size; a resizable one is shown as it was left.
    if (w->minimumSize() == w->maximumSize())
        w->adjustSize();
    QImage image(w->size(), QImage::Format_ARGB32);
    image.setDevicePixelRatio(1.0);
    image.fill(w->palette().color(QPalette::Window));
    w->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
    return image.save(detail::Q(path), "PNG");
}

namespace {

QWidget* Item(CWnd& dialog, int nID)
{
    return dialog.GetChildWidget(nID);
}

}  // namespace

void Click(CWnd& dialog, int nID)
{
    if (auto* b = qobject_cast<QAbstractButton*>(Item(dialog, nID)); b && b->isEnabled() && b->isVisible())
        b->click();
}

void SelectComboItem(CWnd& dialog, int nID, int index)
{
    if (auto* combo = static_cast<CComboBox*>(dialog.GetDlgItem(nID)); combo && combo->Combo())
        combo->UserSelect(index);
}

void ClickListItem(CWnd& dialog, int nID, int index, bool ctrl, bool shift)
{
    auto* view = dynamic_cast<fx::ListBoxView*>(Item(dialog, nID));
    if (!view || !view->isEnabled())
        return;
    view->Model()->Flush();
    if (index < 0 || index >= view->Model()->Count())
        return;
    QModelIndex idx = view->Model()->index(index);
    QItemSelectionModel::SelectionFlags flags;
    bool multi = view->selectionMode() != QAbstractItemView::SingleSelection;
    if (!multi || (!ctrl && !shift)) {
        flags = QItemSelectionModel::ClearAndSelect;
    } else if (shift) {
        QModelIndex anchor = view->currentIndex().isValid() ? view->currentIndex() : idx;
        view->selectionModel()->select(QItemSelection(anchor, idx),
                                       ctrl ? QItemSelectionModel::Select : QItemSelectionModel::ClearAndSelect);
        view->selectionModel()->setCurrentIndex(idx, QItemSelectionModel::NoUpdate);
        return;
    } else {
        flags = QItemSelectionModel::Toggle;
    }
    view->selectionModel()->setCurrentIndex(idx, flags);
}

void DoubleClickListItem(CWnd& dialog, int nID, int index)
{
    auto* view = dynamic_cast<fx::ListBoxView*>(Item(dialog, nID));
    if (!view || !view->isEnabled())
        return;
    ClickListItem(dialog, nID, index);
    view->Model()->Flush();
    if (index >= 0 && index < view->Model()->Count())
        emit view->doubleClicked(view->Model()->index(index));
}

void FocusControl(CWnd& dialog, int nID)
{
    QWidget* w = Item(dialog, nID);
    if (!w)
        return;
    // Offscreen windows are never active, so focus events are sent directly.
    QWidget* old = QApplication::focusWidget();
    w->setFocus(Qt::MouseFocusReason);
    if (QApplication::focusWidget() != w) {
        if (old && old != w) {
            QFocusEvent out(QEvent::FocusOut, Qt::MouseFocusReason);
            QCoreApplication::sendEvent(old, &out);
        }
        QFocusEvent in(QEvent::FocusIn, Qt::MouseFocusReason);
        QCoreApplication::sendEvent(w, &in);
    }
}

void TypeText(CWnd& dialog, int nID, const std::string& text)
{
    QWidget* w = Item(dialog, nID);
    if (auto* e = qobject_cast<QLineEdit*>(w); e && e->isEnabled() && !e->isReadOnly()) {
        e->selectAll();
        e->insert(detail::Q(text));  // respects the length limit, as typing does
    } else if (auto* e = qobject_cast<QPlainTextEdit*>(w); e && e->isEnabled() && !e->isReadOnly()) {
        e->setPlainText(detail::Q(text));
    }
}

void ChooseMenuCommand(CWnd& dialog, UINT nCommand)
{
    CMenu* menu = dialog.GetMenu();
    if (!menu)
        return;
    auto* bar = qobject_cast<QMenuBar*>(menu->GetQtMenu());
    if (!bar)
        return;
    for (QAction* a : bar->findChildren<QAction*>()) {
        if (!a->menu() && !a->isSeparator() && a->property("fxMenuId").toUInt() == nCommand) {
            // A grayed item cannot be chosen.
            if (a->isEnabled())
                a->trigger();
            return;
        }
    }
}

void PressKey(CWnd& dialog, int qtKey, int qtModifiers)
{
    QWidget* w = dialog.GetWidget();
    if (!w)
        return;
    QWidget* target = w->focusWidget() ? w->focusWidget() : w;
    QKeyEvent press(QEvent::KeyPress, qtKey, Qt::KeyboardModifiers(qtModifiers));
    // Delivered like a real key: the focused control first, then up its parents.
    QCoreApplication::sendEvent(target, &press);
}

void TypeKeys(CWnd& dialog, const std::string& text)
{
    QWidget* w = dialog.GetWidget();
    if (!w)
        return;
    for (const QChar c : detail::Q(text)) {
        QWidget* target = w->focusWidget() ? w->focusWidget() : w;
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(target, &press);
    }
}

void CloseBox(CWnd& dialog)
{
    if (QWidget* w = dialog.GetWidget())
        w->close();
}

void FireTimer(CWnd& window, UINT_PTR nIDEvent)
{
    window.FireTimer(nIDEvent);
}

bool HasTimer(const CWnd& window, UINT_PTR nIDEvent)
{
    return window.HasTimer(nIDEvent);
}

}  // namespace fx::testing
