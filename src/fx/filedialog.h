// Save / open file dialog with a filter list in the "Name|*.ext|Name|*.ext||" form.
#pragma once

#include <string>
#include <vector>

#include "fx/wnd.h"

struct OPENFILENAME {
    DWORD Flags = 0;
    DWORD nFilterIndex = 0;  // 1-based; 0 = the first filter. Out: the chosen one.
    const char* lpstrFilter = nullptr;
    const char* lpstrDefExt = nullptr;
    const char* lpstrTitle = nullptr;
    const char* lpstrInitialDir = nullptr;
};

class CFileDialog {
public:
    CFileDialog(BOOL bOpenFileDialog, const char* lpszDefExt = nullptr, const char* lpszFileName = nullptr,
                DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, const char* lpszFilter = nullptr,
                CWnd* pParentWnd = nullptr);
    virtual ~CFileDialog() = default;

    // IDOK or IDCANCEL.
    virtual INT_PTR DoModal();
    CString GetPathName() const { return CString(m_strPath); }
    CString GetFileName() const;
    CString GetFileExt() const;

    OPENFILENAME m_ofn;

    // (description, patterns) pairs of a filter string.
    static std::vector<std::pair<std::string, std::string>> ParseFilter(const char* filter);
    // Adds the extension of the chosen filter (or the default) to a name that has none.
    static std::string ApplyDefaultExtension(const std::string& path, const std::string& filterPattern,
                                             const std::string& defExt);

private:
    BOOL m_bOpen;
    std::string m_strFilter, m_strDefExt, m_strFileName, m_strTitle;
    std::string m_strPath;
    CWnd* m_pParent;
};
