// The main window: construction, message map, data exchange, start-up and the
// handlers of the combo boxes, the system menu and painting.
#include "app/main_dialog.h"

#include "res/resource.h"

int g_wantShares = 0;
int g_busyFrame = 0;

BEGIN_MESSAGE_MAP(CMainDialog, CDialog)
ON_WM_SYSCOMMAND()
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
ON_WM_CREATE()
ON_WM_SIZE()
ON_WM_DESTROY()
ON_BN_CLICKED(res::IDC_BROWSE, &CMainDialog::OnBrowse)
ON_COMMAND(res::ID_TOOLS_BROWSE, &CMainDialog::OnBrowse)
ON_BN_CLICKED(res::IDC_STOP, &CMainDialog::OnStop)
ON_WM_TIMER()
ON_CBN_SELCHANGE(res::IDC_SERVER, &CMainDialog::OnSelchangeServer)
ON_CBN_SELCHANGE(res::IDC_DISPLAY, &CMainDialog::OnSelchangeDisplay)
ON_COMMAND(res::ID_FILE_EXIT, &CMainDialog::OnOK)
ON_BN_CLICKED(res::IDC_EXIT, &CMainDialog::OnOK)
ON_COMMAND(res::ID_HELP_CONTENTS, &CMainDialog::OnHelpContents)
ON_COMMAND(res::ID_HELP_ABOUT, &CMainDialog::OnAbout)
ON_COMMAND(res::ID_HELP_CONTACT, &CMainDialog::OnContact)
ON_BN_CLICKED(res::IDC_EXPORT, &CMainDialog::OnExport)
ON_COMMAND(res::ID_FILE_EXPORT, &CMainDialog::OnExport)
ON_COMMAND(res::ID_TOOLS_SETTINGS, &CMainDialog::OnSettings)
ON_LBN_SELCHANGE(res::IDC_RESULTS, &CMainDialog::OnSelchangeResults)
ON_WM_HSCROLL()
ON_LBN_DBLCLK(res::IDC_RESULTS, &CMainDialog::OnListDoubleClick)
ON_COMMAND(res::ID_TOOLS_PROPERTIES_CYCLIC, &CMainDialog::OnPropertiesCyclic)
ON_MESSAGE(WM_CONTEXTMENU, &CMainDialog::OnContextMenuKey)
END_MESSAGE_MAP()

CMainDialog::CMainDialog(net::NetApi& api, app::Options options, CWnd* pParent)
    : CDialog(res::IDD_MAIN, pParent),
      m_pAlive(std::make_shared<CMainDialog*>(this)),
      m_api(api),
      m_options(std::move(options))
{
    m_nEntriesFound = 0;
    m_hIcon = AfxGetApp() ? AfxGetApp()->LoadIcon(res::IDI_GLOBE0) : fx::LoadIconResource(res::IDI_GLOBE0);
}

// Closing the window stops a running browse; its late result finds the window gone.
// The window is destroyed here, while OnDestroy can still keep its place.
CMainDialog::~CMainDialog()
{
    DestroyWindow();
    CancelRunningBrowse();
    m_serversStop.request_stop();
}

void CMainDialog::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, res::IDC_STOP, m_btnStop);
    DDX_Control(pDX, res::IDC_BUSY3, m_busyIcon[0]);
    DDX_Control(pDX, res::IDC_BUSY2, m_busyIcon[1]);
    DDX_Control(pDX, res::IDC_BUSY1, m_busyIcon[2]);
    DDX_Control(pDX, res::IDC_BUSY0, m_busyIcon[3]);
    DDX_Control(pDX, res::IDC_BROWSE, m_btnBrowse);
    DDX_Control(pDX, res::IDC_DISPLAY, m_comboDisplay);
    DDX_Control(pDX, res::IDC_SERVER, m_comboServer);
    DDX_Control(pDX, res::IDC_RESULTS, m_listResults);
    DDX_Text(pDX, res::IDC_ENTRIES_FOUND, m_nEntriesFound);
}

BOOL CMainDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    CenterWindow();

    const std::string about = fx::LoadString(res::IDS_ABOUTBOX);
    if (CMenu* sysMenu = GetSystemMenu(FALSE); sysMenu && !about.empty()) {
        sysMenu->AppendMenu(MF_SEPARATOR);
        sysMenu->AppendMenu(MF_STRING, res::IDM_ABOUTBOX, about.c_str());
    }
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    m_shownType = DisplayType::NONE;
    ShowStartupServer();
    FillDisplayBox();

    AssignStartupDefaults(m_settings);
    m_settings.entryCount = 0;
    m_nEntriesFound = m_settings.entryCount;
    g_wantShares = 0;

    m_listResults.SetHorizontalExtent(1250);
    m_listResults.EnableFind();
    m_listResults.SetAccessibleName(ResultsName().c_str());

    if (!LoadSettings(m_settings, m_strVersion, m_strBuild))
        MessageBox(res::STR_REGISTRY_OPEN_FAILED);
    RestoreGeometry();

    UpdateData(FALSE);
    return TRUE;
}

// The start-up server: the one the command line names, else the domain controller;
// when none answers, this computer.
void CMainDialog::ShowStartupServer()
{
    const std::string name = app::StartupServerName(m_options, m_api);
    m_settings.serverName = name;
    m_comboServer.AddString(name.c_str());
    m_comboServer.SetCurSel(0);
}

void CMainDialog::FillDisplayBox()
{
    for (UINT id : {res::IDS_FILES, res::IDS_GROUPS, res::IDS_NETWORK, res::IDS_SERVERS, res::IDS_USERS})
        m_comboDisplay.AddString(fx::LoadString(id).c_str());
    m_comboDisplay.SetCurSel(4);
}

// Escape and IDCANCEL never close the main window.
void CMainDialog::OnCancel() { }

void CMainDialog::OnSelchangeServer()
{
    UpdateData(TRUE);
    CString text;
    m_comboServer.GetWindowText(text);
    m_settings.serverName = text;
    if (m_settings.always_browse)
        OnBrowse();
}

void CMainDialog::OnSelchangeDisplay()
{
    UpdateData(TRUE);
    if (m_settings.always_browse)
        OnBrowse();
}

void CMainDialog::OnSysCommand(UINT nID, LPARAM lParam)
{
    const UINT command = nID & 0xFFF0;
    if (command == res::IDM_ABOUTBOX)
        OnAbout();
    else if (command == SC_CLOSE)
        OnOK();
    else
        CDialog::OnSysCommand(nID, lParam);
}

// The window manager draws the minimised window from the window icon; while shown,
// Entries Found follows the running count.
void CMainDialog::OnPaint()
{
    if (IsIconic()) {
        CPaintDC dc(this);
        CRect rect;
        GetClientRect(&rect);
        const int x = (rect.Width() - GetSystemMetrics(SM_CXICON) + 1) / 2;
        const int y = (rect.Height() - GetSystemMetrics(SM_CYICON) + 1) / 2;
        dc.DrawIcon(x, y, m_hIcon);
        return;
    }
    m_nEntriesFound = m_settings.entryCount;
    CDialog::OnPaint();
}

HCURSOR CMainDialog::OnQueryDragIcon()
{
    return m_hIcon;
}

int CMainDialog::OnCreate(void* lpCreateStruct)
{
    return CDialog::OnCreate(lpCreateStruct) == -1 ? -1 : 0;
}

void CMainDialog::OnSize(UINT nType, int cx, int cy)
{
    CDialog::OnSize(nType, cx, cy);
}

// The window goes away: a running browse is stopped, so its late result is dropped;
// its size and place are kept for the next run.
void CMainDialog::OnDestroy()
{
    CancelRunningBrowse();
    SaveGeometry();
    CDialog::OnDestroy();
}

// The window comes back where it was, pulled onto the screen if that changed.
void CMainDialog::RestoreGeometry()
{
    const std::optional<WindowGeometry> saved = LoadWindowGeometry();
    if (!saved)
        return;
    WINDOWPLACEMENT placement;
    placement.showCmd = saved->maximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
    placement.rcNormalPosition = CRect(saved->left, saved->top, saved->left + saved->width, saved->top + saved->height);
    SetWindowPlacement(&placement);
}

// A settings file that can't be written was reported at start; the place is then
// simply not kept.
void CMainDialog::SaveGeometry()
{
    WINDOWPLACEMENT placement;
    if (!GetWindowPlacement(&placement))
        return;
    const CRect& rc = placement.rcNormalPosition;
    SaveWindowGeometry({rc.left, rc.top, rc.Width(), rc.Height(), placement.showCmd == SW_SHOWMAXIMIZED});
}

void CMainDialog::OnHelpContents()
{
    WinHelp(0, HELP_CONTENTS);
}
