// The seven pages of the Settings sheet. Each member named after an AppSettings field
// is a copy of that field: flags are exchanged with their check box, indexes with their
// radio group (the ticked button's index, -1 when none). A new page holds 0 in every
// flag, -1 in every index and empty texts; the sheet's caller copies the record in.
#pragma once

#include <string>

#include "fx/propsheet.h"

class CUserspage : public CPropertyPage {
public:
    CUserspage();
    ~CUserspage() override;

    int u_disabled = 0;
    int u_expires = 0;
    int u_user_id = 0;
    int u_last_logon = 0;
    int u_num_logons = 0;
    int u_user_name = 0;
    int u_pw_check = 0;
    int u_profile_check = 0;
    int u_script_check = 0;
    int u_max_storage = 0;
    int u_pass_expires = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    DECLARE_MESSAGE_MAP()
};

class groupspage : public CPropertyPage {
public:
    groupspage();
    ~groupspage() override;

    int g_comments = 0;
    int g_groupname = 0;
    int g_show_members = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    DECLARE_MESSAGE_MAP()
};

class CExportPage : public CPropertyPage {
public:
    CExportPage();
    ~CExportPage() override;

    int x_export_type = -1;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    DECLARE_MESSAGE_MAP()
};

class CServerspage : public CPropertyPage {
public:
    CServerspage();
    ~CServerspage() override;

    int s_AFP = 0;
    int s_BKB = 0;
    int s_BKDC = 0;
    int s_comments = 0;
    int s_DC = 0;
    int s_DM = 0;
    int s_DOMMEM = 0;
    int s_MB = 0;
    int s_MFPN = 0;
    int s_Server_Name = 0;
    int s_NOVELL = 0;
    int s_NT = 0;
    int s_NTS = 0;
    int s_DSF = 0;
    int s_PB = 0;
    int s_PQS = 0;
    int s_SERV = 0;
    int s_DIALIN = 0;
    int s_SQL = 0;
    int s_TIMESRV = 0;
    int s_TYPE = 0;
    int s_UNIX = 0;
    int s_VMS = 0;
    int s_WFW = 0;
    int s_WORKS = 0;
    // Shown in the disabled "Current Server Name" edit; never read back.
    std::string m_strCurrentServer;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    // The Browse button does nothing.
    afx_msg void OnBrowse();
    DECLARE_MESSAGE_MAP()
};

class CGeneralPage : public CPropertyPage {
public:
    CGeneralPage();
    ~CGeneralPage() override;

    int always_browse = 0;
    int browse_priority = -1;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    DECLARE_MESSAGE_MAP()
};

class CFilesPage : public CPropertyPage {
public:
    CFilesPage();
    ~CFilesPage() override;

    int f_storage = 0;
    int f_user_name = 0;
    std::string f_root_path;
    int f_file_denial = 0;
    int f_directory_denial = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    // Tells the user that choosing the folder here is not available.
    afx_msg void OnBrowse();
    DECLARE_MESSAGE_MAP()
};

class CNetworks : public CPropertyPage {
public:
    CNetworks();
    ~CNetworks() override;

    int n_Net_Types = 0;
    int n_Shares_Disk = 0;
    int n_Shares_Printer = 0;
    int n_Domain_Members = 0;
    int n_Domains = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    DECLARE_MESSAGE_MAP()
};
