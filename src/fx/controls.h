// Controls: buttons, edits, statics, list box, combo box. Each is a handle on a Qt
// widget created from a dialog template; all state lives in the widget, so a member
// bound with DDX_Control and the handle from GetDlgItem see the same control.
#pragma once

#include <string>
#include <vector>

#include "fx/line_reader.h"
#include "fx/wnd.h"

class QListView;
class QComboBox;

namespace fx {
class ListBoxModel;
}

// Push button, default push button, check box, radio button, group box.
class CButton : public CWnd {
public:
    int GetCheck() const;  // BST_CHECKED / BST_UNCHECKED
    void SetCheck(int nCheck);
    UINT GetState() const;  // BST_CHECKED bit, 0x0004 while pressed
    // Presses the button as a user would: it ticks (check box / radio) and notifies.
    void Click();
};

class CEdit : public CWnd {
public:
    // Maximum length in characters; 0 removes the limit.
    void SetLimitText(UINT nMax);
    void LimitText(int nChars = 0) { SetLimitText(UINT(nChars)); }
    UINT GetLimitText() const;
    BOOL SetReadOnly(BOOL bReadOnly = TRUE);
    BOOL IsReadOnly() const;
    bool IsPassword() const;
    void SetSel(int nStartChar, int nEndChar, BOOL bNoScroll = FALSE);
    void GetSel(int& nStartChar, int& nEndChar) const;
    void ReplaceSel(const char* text, BOOL bCanUndo = FALSE);
    int GetLineCount() const;
};

class CStatic : public CWnd {
public:
    HICON SetIcon(HICON hIcon);
    HICON GetIcon() const;
    HBITMAP SetBitmap(HBITMAP hBitmap);
    HBITMAP GetBitmap() const;
};

// List box on a model/view list: lines are kept in a vector of UTF-8 strings and
// drawn by a delegate that expands TAB characters to the tab stops.
class CListBox : public CWnd {
public:
    int GetCount() const;
    // Appends, or inserts at the sorted place in a sorted list. Returns the index.
    int AddString(const char* text);
    // Appends many lines at once (unsorted lists append in order; sorted ones merge).
    void AddStrings(std::vector<std::string> lines);
    // Inserts at nIndex (-1 = at the end), never sorting. Returns the index or LB_ERR.
    int InsertString(int nIndex, const char* text);
    // Returns the remaining count or LB_ERR.
    int DeleteString(UINT nIndex);
    void ResetContent();
    // Full text of a line, whatever its length. Returns the length or LB_ERR.
    int GetText(int nIndex, CString& rString) const;
    int GetTextLen(int nIndex) const;
    int FindString(int nStartAfter, const char* text) const;       // case-insensitive prefix
    int FindStringExact(int nStartAfter, const char* text) const;  // case-insensitive whole
    void SetItemData(int nIndex, DWORD_PTR data);
    DWORD_PTR GetItemData(int nIndex) const;

    // Single-selection lists.
    int GetCurSel() const;
    int SetCurSel(int nSelect);  // -1 clears
    // Multiple/extended-selection lists.
    int GetSel(int nIndex) const;                 // >0 selected, 0 not, LB_ERR bad index
    int SetSel(int nIndex, BOOL bSelect = TRUE);  // nIndex -1: every line
    int GetSelCount() const;                      // LB_ERR in a single-selection list
    // Fills rgIndex with up to nMaxItems selected indices in ascending order; returns the number.
    int GetSelItems(int nMaxItems, int* rgIndex) const;
    std::vector<int> GetSelItems() const;
    int SelItemRange(BOOL bSelect, int nFirstItem, int nLastItem);
    int GetCaretIndex() const;
    int SetCaretIndex(int nIndex, BOOL bScroll = TRUE);
    int GetTopIndex() const;
    int SetTopIndex(int nIndex);

    // Tab stops in dialog units: no value = every 32 units, one value = every that many,
    // several = at those positions (then every 32 units past the last).
    BOOL SetTabStops();
    BOOL SetTabStops(const int& cxEachStop);
    BOOL SetTabStops(int nTabStops, const int* rgTabStops);
    // Ctrl+F in the list's window opens a find field over the list, F3 finds the next
    // line containing its text (ignoring case), Escape closes it. Ctrl+C copies every
    // selected line in every list box.
    void EnableFind();
    // Width in pixels that the horizontal scroll bar can reach.
    void SetHorizontalExtent(int cxExtent);
    int GetHorizontalExtent() const;

    // How a screen reader reads the present lines (which are headings or separators,
    // what each says); ResetContent drops it with the lines.
    void SetLineReader(fx::LineReader reader);

    // Framework side.
    QListView* View() const;
    fx::ListBoxModel* Model() const;
    // Tab stop positions in pixels from the start of the text, for a line with
    // `tabs` TAB characters (exposed for tests).
    std::vector<int> TabStopPixels(int tabs) const;
};

// Combo box; with the drop-down-list style the user picks from the list only.
class CComboBox : public CWnd {
public:
    int GetCount() const;
    int AddString(const char* text);  // sorted place in a sorted box; returns the index
    int InsertString(int nIndex, const char* text);
    int DeleteString(UINT nIndex);
    void ResetContent();
    int GetCurSel() const;
    int SetCurSel(int nSelect);  // -1 clears; returns CB_ERR for a bad index
    int GetLBText(int nIndex, CString& rString) const;
    int GetLBTextLen(int nIndex) const;
    // Case-insensitive prefix search after nStartAfter (-1: from the top), wrapping.
    int FindString(int nStartAfter, const char* text) const;
    // Case-insensitive whole-text search, wrapping.
    int FindStringExact(int nIndexStart, const char* text) const;
    int SelectString(int nStartAfter, const char* text);
    void SetItemData(int nIndex, DWORD_PTR data);
    DWORD_PTR GetItemData(int nIndex) const;
    // GetWindowText (inherited) gives the text of the selection.

    // Picks item nIndex as the user would: selects it and sends CBN_SELCHANGE.
    void UserSelect(int nIndex);

    QComboBox* Combo() const;
};
