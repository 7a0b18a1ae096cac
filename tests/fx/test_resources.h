// A small resource set and dialog classes for the framework's tests.
#pragma once

#include <string>
#include <vector>

#include "fx/fx.h"
#include "fx/testing.h"

namespace fxtest {

constexpr UINT IDD_TEST = 100;
constexpr UINT IDD_PLAIN = 101;  // no default button, OK/Cancel only
constexpr UINT IDD_PAGE_A = 200;
constexpr UINT IDD_PAGE_B = 201;
constexpr UINT IDD_PAGE_C = 202;
constexpr UINT IDR_MENU = 130;
constexpr UINT IDI_GLOBE = 128;
constexpr UINT IDS_HELLO = 500;
constexpr UINT IDS_SHEET = 501;

constexpr int IDC_LIST = 1003;
constexpr int IDC_BROWSE = 1004;
constexpr int IDC_STOP = 1005;
constexpr int IDC_COMBO = 1011;
constexpr int IDC_NAME = 1040;
constexpr int IDC_COUNT = 1041;
constexpr int IDC_PASSWORD = 1042;
constexpr int IDC_CHECK = 1060;
constexpr int IDC_RADIO0 = 1070;
constexpr int IDC_RADIO1 = 1071;
constexpr int IDC_RADIO2 = 1072;
constexpr int IDC_OTHER_RADIO = 1080;  // starts a second group
constexpr int IDC_ICON = 1068;
constexpr int IDC_SINGLE_LIST = 1090;

constexpr UINT ID_FILE_EXIT = 32771;
constexpr UINT ID_TOOLS_BROWSE = 32773;
constexpr UINT ID_TOOLS_PROPS = 32781;
constexpr UINT ID_SYS_ABOUT = 16;

// Installs the test resources (idempotent).
void InstallTestResources();

// Clears the hooks at the start and end of every test.
class HookGuard {
public:
    HookGuard() { fx::testing::ResetHandlers(); }
    ~HookGuard() { fx::testing::ResetHandlers(); }
};

// A dialog like the program's main window, recording every handler call.
class CTestDialog : public CDialog {
public:
    explicit CTestDialog(UINT id = IDD_TEST) : CDialog(id) { }

    CListBox m_listResults;
    CComboBox m_comboServer;
    CButton m_btnBrowse;
    CButton m_btnStop;
    CString m_strName = "initial";
    int m_nCount = 7;
    int m_bCheck = 0;
    int m_nRadio = -1;
    bool m_bRefuseClose = false;

    std::vector<std::string> calls;
    std::vector<UINT_PTR> timers;
    std::vector<UINT> sysCommands;

    BOOL OnInitDialog() override;
    void OnCancel() override;
    void DoDataExchange(CDataExchange* pDX) override;

    void OnBrowse() { calls.push_back("browse"); }
    void OnStop() { calls.push_back("stop"); }
    void OnMenuBrowse() { calls.push_back("menu-browse"); }
    void OnListDblClk() { calls.push_back("dblclk"); }
    void OnListSelChange() { calls.push_back("selchange"); }
    void OnListFocus() { calls.push_back("setfocus"); }
    void OnComboChange() { calls.push_back("combo"); }
    void OnTimer(UINT_PTR id) { timers.push_back(id); }
    void OnSysCommand(UINT id, LPARAM lParam);
    void OnPaint();
    LRESULT OnDone(WPARAM w, LPARAM l);

    int paints = 0;
    static inline int s_doneCalls = 0;
    std::vector<std::pair<WPARAM, LPARAM>> done;

    DECLARE_MESSAGE_MAP()
};

// Derived class with an empty map of its own: handlers of the base map still run.
class CDerivedDialog : public CTestDialog {
public:
    void OnExtra() { calls.push_back("extra"); }
    DECLARE_MESSAGE_MAP()
};

}  // namespace fxtest

#include <gtest/gtest.h>

namespace fxtest {

class FxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fx::EnsureApplication();
        InstallTestResources();
    }
    HookGuard m_hooks;
};

}  // namespace fxtest
