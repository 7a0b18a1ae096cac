// Test hooks: answer message boxes, modal runs and save dialogs from a test, render
// a window to PNG, and act on controls as a user would. Without a display nothing
// here opens a nested event loop.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "fx/types.h"

class CWnd;

namespace fx::testing {

struct MessageBoxCall {
    std::string text;
    std::string caption;
    UINT flags = 0;
};
// Returns the answer (IDOK, IDYES, ...). An empty function removes the handler.
using MessageBoxHandler = std::function<int(const MessageBoxCall&)>;
void SetMessageBoxHandler(MessageBoxHandler handler);

// Called instead of the modal loop of CDialog::DoModal, CPropertySheet::DoModal:
// the window exists and is initialised; the handler reads and changes controls and
// presses buttons (EndDialog). DoModal then returns the result; -1 if the handler
// never ended the dialog.
using ModalHandler = std::function<void(CWnd& window)>;
void SetModalHandler(ModalHandler handler);

struct SaveDialogCall {
    std::vector<std::pair<std::string, std::string>> filters;  // (name, pattern)
    int filterIndex = 1;                                       // 1-based, as preselected
    std::string defaultExt;
    std::string fileName;
    DWORD flags = 0;
};
struct SaveDialogAnswer {
    std::string path;     // as typed; the default extension rule still applies
    int filterIndex = 1;  // 1-based
};
// std::nullopt = the user cancelled.
using SaveDialogHandler = std::function<std::optional<SaveDialogAnswer>(const SaveDialogCall&)>;
void SetSaveDialogHandler(SaveDialogHandler handler);

// Popup menus (the system menu): gets (id, text) of the enabled entries, returns the
// chosen id or 0 for none.
using PopupMenuHandler = std::function<UINT(const std::vector<std::pair<UINT, std::string>>&)>;
void SetPopupMenuHandler(PopupMenuHandler handler);

// Opening the help file: gets the path; returns whether it opened.
using OpenFileHandler = std::function<bool(const std::string& path)>;
void SetOpenFileHandler(OpenFileHandler handler);

// Removes every handler.
void ResetHandlers();

// Runs posted work (PostToUi, PostMessage, deferred list updates) until none is left.
void ProcessEvents();
// Blocks until work is posted to the window thread (PostToUi, RunOnUiBlocking) from any
// thread since the last call, or until `limit` passes; true when work was posted. The
// wait and the posting meet on one mutex, so the thread sanitizer sees them ordered.
// ProcessEvents then runs the work.
bool WaitForPostedWork(std::chrono::milliseconds limit);
// Renders the window (with its menu bar) into a PNG at device pixel ratio 1.
bool RenderToPng(CWnd& window, const std::string& path);

// User actions on dialog items of `dialog`.
void Click(CWnd& dialog, int nID);                       // push button, check box, radio
void SelectComboItem(CWnd& dialog, int nID, int index);  // sends CBN_SELCHANGE
void ClickListItem(CWnd& dialog, int nID, int index, bool ctrl = false, bool shift = false);
void DoubleClickListItem(CWnd& dialog, int nID, int index);
void FocusControl(CWnd& dialog, int nID);
void TypeText(CWnd& dialog, int nID, const std::string& text);  // replaces an edit's text
void ChooseMenuCommand(CWnd& dialog, UINT nCommand);            // menu bar item
void PressKey(CWnd& dialog, int qtKey, int qtModifiers = 0);    // Escape, Enter, Alt+Space
void TypeKeys(CWnd& dialog, const std::string& text);           // into whatever has the focus
void CloseBox(CWnd& dialog);                                    // the title bar's close box
void FireTimer(CWnd& window, UINT_PTR nIDEvent);                // one WM_TIMER tick
bool HasTimer(const CWnd& window, UINT_PTR nIDEvent);

}  // namespace fx::testing
