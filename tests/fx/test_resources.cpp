#include "test_resources.h"

namespace fxtest {

namespace {

using fx::ControlKind;
using fx::ControlTemplate;

ControlTemplate C(int id, ControlKind kind, std::string text, int x, int y, int cx, int cy, DWORD style = 0,
                  UINT image = 0)
{
    ControlTemplate c;
    c.id = id;
    c.kind = kind;
    c.text = std::move(text);
    c.x = x;
    c.y = y;
    c.cx = cx;
    c.cy = cy;
    c.style = style;
    c.imageId = image;
    return c;
}

fx::ResourceSet MakeResources()
{
    using namespace fx;
    ResourceSet rs;
    DialogTemplate d;
    d.id = IDD_TEST;
    d.caption = "Test Dialog";
    d.cx = 441;
    d.cy = 213;
    d.style = DS_CAPTION | DS_SYSMENU | DS_MINIMIZEBOX;
    d.menuId = IDR_MENU;
    const DWORD tab = CS_TABSTOP;
    d.controls = {
        C(IDC_LIST, ControlKind::ListBox, "", 100, 15, 330, 185,
          CS_NOTIFY | CS_USETABSTOPS | CS_EXTENDEDSEL | CS_NOINTEGRALHEIGHT | CS_VSCROLL | CS_HSCROLL | CS_BORDER |
              tab),
        C(IDC_BROWSE, ControlKind::DefPushButton, "&Browse", 5, 100, 65, 15, tab),
        C(IDC_STATIC, ControlKind::GroupBox, "", 95, 5, 340, 200),
        C(IDC_COMBO, ControlKind::ComboBox, "", 5, 55, 85, 45, CS_DROPDOWNLIST | CS_SORT | CS_VSCROLL | tab),
        C(IDC_STATIC, ControlKind::Static, "Server", 5, 45, 65, 10),
        C(IDC_ICON, ControlKind::IconStatic, "", 5, 10, 18, 20, 0, IDI_GLOBE),
        C(IDC_NAME, ControlKind::Edit, "", 5, 120, 80, 12, CS_BORDER | CS_AUTOHSCROLL | tab),
        C(IDC_COUNT, ControlKind::Edit, "", 5, 135, 80, 12, CS_BORDER | tab),
        C(IDC_PASSWORD, ControlKind::Edit, "", 5, 150, 80, 12, CS_BORDER | CS_PASSWORD | tab),
        C(IDC_CHECK, ControlKind::CheckBox, "&Check", 5, 165, 60, 10, tab),
        C(IDC_RADIO0, ControlKind::RadioButton, "Radio &0", 5, 175, 40, 10, CS_GROUP | tab),
        C(IDC_RADIO1, ControlKind::RadioButton, "Radio &1", 45, 175, 40, 10),
        C(IDC_STATIC, ControlKind::Static, "between", 5, 185, 30, 8),
        C(IDC_RADIO2, ControlKind::RadioButton, "Radio &2", 45, 185, 40, 10),
        C(IDC_OTHER_RADIO, ControlKind::RadioButton, "Other", 5, 195, 40, 10, CS_GROUP | tab),
        C(IDC_STOP, ControlKind::DefPushButton, "&Stop", 5, 100, 65, 15, CS_HIDDEN | tab),
        C(IDC_STATIC, ControlKind::EtchedLine, "", 5, 210, 85, 1),
    };
    rs.Add(d);

    DialogTemplate plain;
    plain.id = IDD_PLAIN;
    plain.caption = "Plain";
    plain.cx = 200;
    plain.cy = 100;
    plain.controls = {
        C(IDC_NAME, ControlKind::Edit, "", 10, 10, 100, 12, CS_BORDER | CS_TABSTOP),
        C(IDC_COUNT, ControlKind::Edit, "", 10, 30, 100, 12, CS_BORDER | CS_TABSTOP),
        C(IDC_CHECK, ControlKind::CheckBox, "Check", 10, 50, 60, 10, CS_TABSTOP),
        C(IDC_SINGLE_LIST, ControlKind::ListBox, "", 120, 10, 70, 50, CS_NOTIFY | CS_BORDER | CS_VSCROLL | CS_TABSTOP),
        C(IDOK, ControlKind::PushButton, "OK", 40, 80, 50, 14, CS_TABSTOP),
        C(IDCANCEL, ControlKind::PushButton, "Cancel", 100, 80, 50, 14, CS_TABSTOP),
    };
    rs.Add(plain);

    DialogTemplate a;
    a.id = IDD_PAGE_A;
    a.caption = "Alpha";
    a.cx = 200;
    a.cy = 120;
    a.style = DS_CHILD;
    a.controls = {
        C(IDC_NAME, ControlKind::Edit, "", 10, 10, 100, 12, CS_BORDER | CS_TABSTOP),
        C(IDC_CHECK, ControlKind::CheckBox, "Flag", 10, 30, 60, 10, CS_TABSTOP),
    };
    rs.Add(a);
    DialogTemplate b = a;
    b.id = IDD_PAGE_B;
    b.caption = "Beta";
    b.controls = {
        C(IDC_RADIO0, ControlKind::RadioButton, "One", 10, 10, 60, 10, CS_GROUP | CS_TABSTOP),
        C(IDC_RADIO1, ControlKind::RadioButton, "Two", 10, 22, 60, 10),
        C(IDC_COUNT, ControlKind::Edit, "", 10, 40, 60, 12, CS_BORDER | CS_GROUP | CS_TABSTOP),
    };
    rs.Add(b);
    DialogTemplate c = a;
    c.id = IDD_PAGE_C;
    c.caption = "Gamma";
    c.cy = 140;
    c.controls = {C(IDC_CHECK, ControlKind::CheckBox, "Other flag", 10, 10, 60, 10, CS_TABSTOP)};
    rs.Add(c);

    MenuTemplate m;
    m.id = IDR_MENU;
    using MI = MenuItemTemplate;
    m.items = {
        MI::Popup("&File", {MI::Item(32775, "&Export"), MI::Separator(), MI::Item(ID_FILE_EXIT, "E&xit")}),
        MI::Popup("&Tools",
                  {MI::Item(ID_TOOLS_BROWSE, "&Browse"), MI::Item(ID_TOOLS_PROPS, "&Properties (cyclic)", true),
                   MI::Item(32782, "P&roperties (combined)", true), MI::Separator(), MI::Item(32774, "&Settings")}),
    };
    rs.Add(m);
    rs.strings[IDS_HELLO] = "Hello, world";
    rs.strings[IDS_SHEET] = "Settings";
    rs.icons[IDI_GLOBE] = FX_TEST_DATADIR "/globe.svg";
    return rs;
}

}  // namespace

void InstallTestResources()
{
    static const fx::ResourceSet rs = MakeResources();
    fx::InstallResources(rs);
}

BEGIN_MESSAGE_MAP(CTestDialog, CDialog)
ON_BN_CLICKED(IDC_BROWSE, &CTestDialog::OnBrowse)
ON_BN_CLICKED(IDC_STOP, &CTestDialog::OnStop)
ON_COMMAND(ID_TOOLS_BROWSE, &CTestDialog::OnMenuBrowse)
ON_COMMAND(ID_FILE_EXIT, &CDialog::OnOK)
ON_LBN_DBLCLK(IDC_LIST, &CTestDialog::OnListDblClk)
ON_LBN_SELCHANGE(IDC_LIST, &CTestDialog::OnListSelChange)
ON_LBN_SETFOCUS(IDC_LIST, &CTestDialog::OnListFocus)
ON_CBN_SELCHANGE(IDC_COMBO, &CTestDialog::OnComboChange)
ON_WM_TIMER()
ON_WM_SYSCOMMAND()
ON_WM_PAINT()
ON_MESSAGE(WM_APP + 1, &CTestDialog::OnDone)
END_MESSAGE_MAP()

BOOL CTestDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    if (CMenu* sys = GetSystemMenu(FALSE)) {
        sys->AppendMenu(MF_SEPARATOR);
        sys->AppendMenu(MF_STRING, ID_SYS_ABOUT, "&About Test...");
    }
    return TRUE;
}

void CTestDialog::OnCancel()
{
    calls.push_back("cancel");
    if (!m_bRefuseClose)
        CDialog::OnCancel();
}

void CTestDialog::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    if (GetTemplateId() == IDD_TEST) {
        DDX_Control(pDX, IDC_LIST, m_listResults);
        DDX_Control(pDX, IDC_COMBO, m_comboServer);
        DDX_Control(pDX, IDC_BROWSE, m_btnBrowse);
        DDX_Control(pDX, IDC_STOP, m_btnStop);
        DDX_Radio(pDX, IDC_RADIO0, m_nRadio);
    }
    DDX_Text(pDX, IDC_NAME, m_strName);
    DDX_Text(pDX, IDC_COUNT, m_nCount);
    DDX_Check(pDX, IDC_CHECK, m_bCheck);
}

void CTestDialog::OnSysCommand(UINT id, LPARAM lParam)
{
    sysCommands.push_back(id);
    if ((id & 0xFFF0) == ID_SYS_ABOUT)
        return;
    CDialog::OnSysCommand(id, lParam);
}

void CTestDialog::OnPaint()
{
    ++paints;
    CPaintDC dc(this);
    CDialog::OnPaint();
}

LRESULT CTestDialog::OnDone(WPARAM w, LPARAM l)
{
    done.emplace_back(w, l);
    ++s_doneCalls;
    return 42;
}

BEGIN_MESSAGE_MAP(CDerivedDialog, CTestDialog)
ON_BN_CLICKED(IDC_CHECK, &CDerivedDialog::OnExtra)
END_MESSAGE_MAP()

}  // namespace fxtest
