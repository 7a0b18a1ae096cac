// The contact box: how to reach the makers, with the figure and the word-mark
// painted left of the texts.
#pragma once

#include "fx/fx.h"

class CContactDlg : public CDialog {
public:
    explicit CContactDlg(CWnd* pParent = nullptr);

    HBITMAP m_pPicture = nullptr;  // bitmap 156, the figure, dark lines on white
    HBITMAP m_pLogo = nullptr;     // bitmap 153, the word-mark

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    afx_msg void OnPaint();
    DECLARE_MESSAGE_MAP()
};
