// The About box: product name, version and build stamps, and the release history.
#pragma once

#include "fx/fx.h"

class CAboutDlg : public CDialog {
public:
    explicit CAboutDlg(CWnd* pParent = nullptr);
    ~CAboutDlg() override;

    CListBox m_listHistory;
    CString m_strVersion;  // shown in place of the template's "Alpha"
    CString m_strBuild;    // shown in place of the template's "Build 005"

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    DECLARE_MESSAGE_MAP()
};
