#include "settings/settings_pages.h"

#include "res/settings_resource.h"

using namespace res;

// Users.

CUserspage::CUserspage() : CPropertyPage(IDD_USERS_PAGE) { }
CUserspage::~CUserspage() = default;

BEGIN_MESSAGE_MAP(CUserspage, CPropertyPage)
END_MESSAGE_MAP()

void CUserspage::DoDataExchange(CDataExchange* pDX)
{
    CPropertyPage::DoDataExchange(pDX);
    DDX_Check(pDX, IDC_USERS_DISABLED, u_disabled);
    DDX_Check(pDX, IDC_USERS_EXPIRES, u_expires);
    DDX_Check(pDX, IDC_USERS_USER_ID, u_user_id);
    DDX_Check(pDX, IDC_USERS_LAST_LOGON, u_last_logon);
    DDX_Check(pDX, IDC_USERS_NUM_LOGONS, u_num_logons);
    DDX_Check(pDX, IDC_USERS_USER_NAME, u_user_name);
    DDX_Check(pDX, IDC_USERS_PW_CHECK, u_pw_check);
    DDX_Check(pDX, IDC_USERS_PROFILE, u_profile_check);
    DDX_Check(pDX, IDC_USERS_SCRIPT, u_script_check);
    DDX_Check(pDX, IDC_USERS_MAX_STORAGE, u_max_storage);
    DDX_Check(pDX, IDC_USERS_PASS_EXPIRES, u_pass_expires);
}

// Groups.

groupspage::groupspage() : CPropertyPage(IDD_GROUPS_PAGE) { }
groupspage::~groupspage() = default;

BEGIN_MESSAGE_MAP(groupspage, CPropertyPage)
END_MESSAGE_MAP()

void groupspage::DoDataExchange(CDataExchange* pDX)
{
    CPropertyPage::DoDataExchange(pDX);
    DDX_Check(pDX, IDC_GROUPS_COMMENTS, g_comments);
    DDX_Check(pDX, IDC_GROUPS_GROUPNAME, g_groupname);
    DDX_Check(pDX, IDC_GROUPS_SHOW_MEMBERS, g_show_members);
}

// Export.

CExportPage::CExportPage() : CPropertyPage(IDD_EXPORT_PAGE) { }
CExportPage::~CExportPage() = default;

BEGIN_MESSAGE_MAP(CExportPage, CPropertyPage)
END_MESSAGE_MAP()

void CExportPage::DoDataExchange(CDataExchange* pDX)
{
    CPropertyPage::DoDataExchange(pDX);
    DDX_Radio(pDX, IDC_EXPORT_TAB, x_export_type);
}

// Servers.

CServerspage::CServerspage() : CPropertyPage(IDD_SERVERS_PAGE) { }
CServerspage::~CServerspage() = default;

BEGIN_MESSAGE_MAP(CServerspage, CPropertyPage)
ON_BN_CLICKED(IDC_SERVERS_BROWSE, &CServerspage::OnBrowse)
END_MESSAGE_MAP()

void CServerspage::DoDataExchange(CDataExchange* pDX)
{
    CPropertyPage::DoDataExchange(pDX);
    DDX_Check(pDX, IDC_SERVERS_AFP, s_AFP);
    DDX_Check(pDX, IDC_SERVERS_BKB, s_BKB);
    DDX_Check(pDX, IDC_SERVERS_BKDC, s_BKDC);
    DDX_Check(pDX, IDC_SERVERS_COMMENTS, s_comments);
    DDX_Check(pDX, IDC_SERVERS_DC, s_DC);
    DDX_Check(pDX, IDC_SERVERS_DM, s_DM);
    DDX_Check(pDX, IDC_SERVERS_DOMMEM, s_DOMMEM);
    DDX_Check(pDX, IDC_SERVERS_MB, s_MB);
    DDX_Check(pDX, IDC_SERVERS_MFPN, s_MFPN);
    DDX_Check(pDX, IDC_SERVERS_SERVER_NAME, s_Server_Name);
    DDX_Check(pDX, IDC_SERVERS_NOVELL, s_NOVELL);
    DDX_Check(pDX, IDC_SERVERS_NT, s_NT);
    DDX_Check(pDX, IDC_SERVERS_NTS, s_NTS);
    DDX_Check(pDX, IDC_SERVERS_DSF, s_DSF);
    DDX_Check(pDX, IDC_SERVERS_PB, s_PB);
    DDX_Check(pDX, IDC_SERVERS_PQS, s_PQS);
    DDX_Check(pDX, IDC_SERVERS_SERV, s_SERV);
    DDX_Check(pDX, IDC_SERVERS_DIALIN, s_DIALIN);
    DDX_Check(pDX, IDC_SERVERS_SQL, s_SQL);
    DDX_Check(pDX, IDC_SERVERS_TIMESRV, s_TIMESRV);
    DDX_Check(pDX, IDC_SERVERS_TYPE, s_TYPE);
    DDX_Check(pDX, IDC_SERVERS_UNIX, s_UNIX);
    DDX_Check(pDX, IDC_SERVERS_VMS, s_VMS);
    DDX_Check(pDX, IDC_SERVERS_WFW, s_WFW);
    DDX_Check(pDX, IDC_SERVERS_WORKS, s_WORKS);
    DDX_Text(pDX, IDC_SERVERS_CURRENT, m_strCurrentServer);
}

void CServerspage::OnBrowse() { }

// General.

CGeneralPage::CGeneralPage() : CPropertyPage(IDD_GENERAL_PAGE) { }
CGeneralPage::~CGeneralPage() = default;

BEGIN_MESSAGE_MAP(CGeneralPage, CPropertyPage)
END_MESSAGE_MAP()

void CGeneralPage::DoDataExchange(CDataExchange* pDX)
{
    CPropertyPage::DoDataExchange(pDX);
    DDX_Check(pDX, IDC_GENERAL_ALWAYS_BROWSE, always_browse);
    DDX_Radio(pDX, IDC_GENERAL_LOWEST, browse_priority);
}

// Files.

CFilesPage::CFilesPage() : CPropertyPage(IDD_FILES_PAGE) { }
CFilesPage::~CFilesPage() = default;

BEGIN_MESSAGE_MAP(CFilesPage, CPropertyPage)
ON_BN_CLICKED(IDC_FILES_BROWSE, &CFilesPage::OnBrowse)
END_MESSAGE_MAP()

void CFilesPage::DoDataExchange(CDataExchange* pDX)
{
    CPropertyPage::DoDataExchange(pDX);
    DDX_Check(pDX, IDC_FILES_STORAGE, f_storage);
    DDX_Check(pDX, IDC_FILES_USER_NAME, f_user_name);
    DDX_Text(pDX, IDC_FILES_ROOT_PATH, f_root_path);
    DDX_Check(pDX, IDC_FILES_FILE_DENIAL, f_file_denial);
    DDX_Check(pDX, IDC_FILES_DIRECTORY_DENIAL, f_directory_denial);
}

void CFilesPage::OnBrowse()
{
    MessageBox(STR_FILES_BROWSE_REMOVED, nullptr, MB_OK);
}

// Networks.

CNetworks::CNetworks() : CPropertyPage(IDD_NETWORKS_PAGE) { }
CNetworks::~CNetworks() = default;

BEGIN_MESSAGE_MAP(CNetworks, CPropertyPage)
END_MESSAGE_MAP()

void CNetworks::DoDataExchange(CDataExchange* pDX)
{
    CPropertyPage::DoDataExchange(pDX);
    DDX_Check(pDX, IDC_NETWORKS_NET_TYPES, n_Net_Types);
    DDX_Check(pDX, IDC_NETWORKS_SHARES_DISK, n_Shares_Disk);
    DDX_Check(pDX, IDC_NETWORKS_SHARES_PRINTER, n_Shares_Printer);
    DDX_Check(pDX, IDC_NETWORKS_DOMAIN_MEMBERS, n_Domain_Members);
    DDX_Check(pDX, IDC_NETWORKS_DOMAINS, n_Domains);
}
