// Framework internals shared by the fx sources; not for application code.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include <QFont>
#include <QRect>
#include <QString>

class QLabel;
class QAbstractButton;

#include "fx/resources.h"
#include "fx/testing.h"
#include "fx/wnd.h"

namespace fx::detail {

// Blocks until work has been posted to the window thread since the last call, or until
// `limit` has passed; true when work was posted (fx::testing::WaitForPostedWork).
bool WaitForPostedWork(std::chrono::milliseconds limit);

// Dialog base units in pixels: average character width and character height.
struct BaseUnits {
    int cx = 6;
    int cy = 13;
};
BaseUnits BaseUnitsOf(const QFont& font);
int DluToPxX(const BaseUnits& bu, int x);
int DluToPxY(const BaseUnits& bu, int y);
QRect DluRect(const BaseUnits& bu, int x, int y, int cx, int cy);

// `wanted` moved and cut so that it lies inside `available`: at least `minimum` large
// where `available` has room for it, never larger than `available`.
QRect FitOnScreen(const QRect& wanted, const QRect& available, const QSize& minimum);

// Installed test handlers.
struct Hooks {
    testing::MessageBoxHandler messageBox;
    testing::ModalHandler modal;
    testing::SaveDialogHandler saveDialog;
    testing::PopupMenuHandler popupMenu;
    testing::OpenFileHandler openFile;
};
Hooks& GetHooks();
// True on a platform without a screen (offscreen/minimal): nobody could answer a dialog.
bool NoDisplay();
void WarnNoHandler(const char* what, const std::string& detail);

inline QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}
inline QString Q(const char* s)
{
    return QString::fromUtf8(s ? s : "");
}
inline std::string S(const QString& s)
{
    return s.toStdString();
}

// Creates the widget of one template control inside `parent` and registers it with
// `owner` (the dialog or page whose map receives its notifications).
QWidget* CreateControl(CWnd& owner, QWidget* parent, const ControlTemplate& ct, const BaseUnits& bu);
// Sets a static's text, showing '&' as a mnemonic unless the static says otherwise.
void SetLabelText(QLabel* label, const QString& text);
// The text without its mnemonic markers ("&&" stays one '&').
QString StripMnemonic(const QString& text);

// Ties each static to the control it names (the nearest edit, list or combo box beside it
// on its right, or just below it): the control takes the static's text as its accessible
// name, the static becomes its label and, where the window has a letter to spare, gets a
// mnemonic.
void LinkLabels(CWnd& owner, const BaseUnits& bu);
// A control inside a titled group box takes the title as its accessible description: the
// group a screen reader tells it is in.
void DescribeGroups(CWnd& owner);
// A dialog's only list, which no static names, is named by the dialog's caption.
void NameLoneList(CWnd& owner);
// Where in `text` a mnemonic can go without taking a letter of `used` (lower case): the
// first letter when free, else the first free one; -1 when none is.
int MnemonicPosition(const QString& text, const QString& used);
// Reading order of rectangles: columns left to right where a vertical gap runs through
// them all, else rows top to bottom where a horizontal gap does, each split again the
// same way. Returns indexes into `rects`.
std::vector<size_t> ReadingOrder(const std::vector<QRect>& rects);
// The controls the Tab key reaches, in reading order; OrderTabs makes that the Tab order.
std::vector<QWidget*> TabChain(const CWnd& owner);
void OrderTabs(const CWnd& owner);
// Ticks or unticks a button; unticking the ticked radio of a group leaves none ticked.
void SetRadioChecked(QAbstractButton* button, bool checked);
QString WidgetText(const QWidget* w);
void SetWidgetText(QWidget* w, const QString& text);

// Alt+Space anywhere in `window` opens `owner`'s system menu, before any control sees it.
void SetSystemMenuOwner(QWidget* window, CWnd* owner);

// Text of a framework string: the installed table's, else the built-in fallback.
std::string FrameworkString(UINT id, const char* fallback);
// Opens the help file; shows "Failed to launch help." on failure.
void LaunchHelp(QWidget* owner);
// Builds a QMenu (or menu bar content) from a menu template.
void FillMenu(QWidget* menu, const std::vector<MenuItemTemplate>& items, CWnd* owner);
// Name of the executable without its extension.
std::string ExecutableBaseName();

// Widget property holding a control's id.
inline constexpr const char* kIdProperty = "fxControlId";
inline constexpr const char* kStyleProperty = "fxStyle";
inline constexpr const char* kKindProperty = "fxKind";

}  // namespace fx::detail
