#include "settings/settings_sheet.h"

#include <array>
#include <cstdint>

#include "fx/app.h"
#include "fx/resources.h"
#include "res/resource.h"
#include "settings/settings_pages.h"

namespace {

// A record field and the page member that holds its copy.
template <class Page>
struct Link {
    std::int32_t AppSettings::*field;
    int Page::*member;
};

#define VELLOX_LINK(Page, name)                                                                                        \
    Link<Page>                                                                                                         \
    {                                                                                                                  \
        &AppSettings::name, &Page::name                                                                                \
    }

constexpr Link<CUserspage> kUsersLinks[] = {
    VELLOX_LINK(CUserspage, u_disabled),     VELLOX_LINK(CUserspage, u_expires),
    VELLOX_LINK(CUserspage, u_user_id),      VELLOX_LINK(CUserspage, u_last_logon),
    VELLOX_LINK(CUserspage, u_num_logons),   VELLOX_LINK(CUserspage, u_user_name),
    VELLOX_LINK(CUserspage, u_pw_check),     VELLOX_LINK(CUserspage, u_profile_check),
    VELLOX_LINK(CUserspage, u_script_check), VELLOX_LINK(CUserspage, u_max_storage),
    VELLOX_LINK(CUserspage, u_pass_expires),
};

constexpr Link<groupspage> kGroupsLinks[] = {
    VELLOX_LINK(groupspage, g_comments),
    VELLOX_LINK(groupspage, g_groupname),
    VELLOX_LINK(groupspage, g_show_members),
};

constexpr Link<CExportPage> kExportLinks[] = {
    VELLOX_LINK(CExportPage, x_export_type),
};

constexpr Link<CServerspage> kServersLinks[] = {
    VELLOX_LINK(CServerspage, s_AFP),         VELLOX_LINK(CServerspage, s_BKB),     VELLOX_LINK(CServerspage, s_BKDC),
    VELLOX_LINK(CServerspage, s_comments),    VELLOX_LINK(CServerspage, s_DC),      VELLOX_LINK(CServerspage, s_DM),
    VELLOX_LINK(CServerspage, s_DOMMEM),      VELLOX_LINK(CServerspage, s_MB),      VELLOX_LINK(CServerspage, s_MFPN),
    VELLOX_LINK(CServerspage, s_Server_Name), VELLOX_LINK(CServerspage, s_NOVELL),  VELLOX_LINK(CServerspage, s_NT),
    VELLOX_LINK(CServerspage, s_NTS),         VELLOX_LINK(CServerspage, s_DSF),     VELLOX_LINK(CServerspage, s_PB),
    VELLOX_LINK(CServerspage, s_PQS),         VELLOX_LINK(CServerspage, s_SERV),    VELLOX_LINK(CServerspage, s_DIALIN),
    VELLOX_LINK(CServerspage, s_SQL),         VELLOX_LINK(CServerspage, s_TIMESRV), VELLOX_LINK(CServerspage, s_TYPE),
    VELLOX_LINK(CServerspage, s_UNIX),        VELLOX_LINK(CServerspage, s_VMS),     VELLOX_LINK(CServerspage, s_WFW),
    VELLOX_LINK(CServerspage, s_WORKS),
};

constexpr Link<CGeneralPage> kGeneralLinks[] = {
    VELLOX_LINK(CGeneralPage, always_browse),
    VELLOX_LINK(CGeneralPage, browse_priority),
};

constexpr Link<CFilesPage> kFilesLinks[] = {
    VELLOX_LINK(CFilesPage, f_storage),
    VELLOX_LINK(CFilesPage, f_user_name),
    VELLOX_LINK(CFilesPage, f_file_denial),
    VELLOX_LINK(CFilesPage, f_directory_denial),
};

constexpr Link<CNetworks> kNetworksLinks[] = {
    VELLOX_LINK(CNetworks, n_Net_Types),      VELLOX_LINK(CNetworks, n_Shares_Disk),
    VELLOX_LINK(CNetworks, n_Shares_Printer), VELLOX_LINK(CNetworks, n_Domain_Members),
    VELLOX_LINK(CNetworks, n_Domains),
};

#undef VELLOX_LINK

template <class Page, std::size_t N>
void CopyIn(const AppSettings& settings, const Link<Page> (&links)[N], Page& page)
{
    for (const Link<Page>& link : links)
        page.*link.member = settings.*link.field;
}

template <class Page, std::size_t N>
void CopyOut(const Page& page, const Link<Page> (&links)[N], AppSettings& settings)
{
    for (const Link<Page>& link : links)
        settings.*link.field = page.*link.member;
}

// The seven pages in the order of their tabs.
struct Pages {
    CFilesPage files;
    groupspage groups;
    CNetworks networks;
    CServerspage servers;
    CUserspage users;
    CExportPage exportPage;
    CGeneralPage general;

    std::array<CPropertyPage*, 7> InTabOrder()
    {
        return {&files, &groups, &networks, &servers, &users, &exportPage, &general};
    }
};

void CopyIn(const AppSettings& settings, Pages& pages)
{
    CopyIn(settings, kFilesLinks, pages.files);
    CopyIn(settings, kGroupsLinks, pages.groups);
    CopyIn(settings, kNetworksLinks, pages.networks);
    CopyIn(settings, kServersLinks, pages.servers);
    CopyIn(settings, kUsersLinks, pages.users);
    CopyIn(settings, kExportLinks, pages.exportPage);
    CopyIn(settings, kGeneralLinks, pages.general);
    pages.files.f_root_path = settings.f_root_path;
    pages.servers.m_strCurrentServer = settings.serverName;
}

void CopyOut(const Pages& pages, AppSettings& settings)
{
    CopyOut(pages.files, kFilesLinks, settings);
    CopyOut(pages.groups, kGroupsLinks, settings);
    CopyOut(pages.networks, kNetworksLinks, settings);
    CopyOut(pages.servers, kServersLinks, settings);
    CopyOut(pages.users, kUsersLinks, settings);
    CopyOut(pages.exportPage, kExportLinks, settings);
    CopyOut(pages.general, kGeneralLinks, settings);
    settings.f_root_path = pages.files.f_root_path;
}

void ShowMessage(CWnd* owner, const char* text)
{
    if (owner)
        owner->MessageBox(text, nullptr, MB_OK);
    else
        AfxMessageBox(text, MB_OK);
}

bool IsUncPath(const std::string& path)
{
    return path.size() >= 2 && path[0] == '\\' && path[1] == '\\';
}

}  // namespace

int SettingsStartPage(const std::string& displayText)
{
    if (displayText == res::STR_GROUPS)
        return 1;
    if (displayText == res::STR_NETWORK)
        return 2;
    if (displayText == res::STR_SERVERS)
        return 3;
    if (displayText == res::STR_USERS)
        return 4;
    return 0;
}

std::string WithTrailingSeparator(const std::string& path)
{
    const char separator = IsUncPath(path) ? '\\' : '/';
    if (path.empty() || path.back() != separator)
        return path + separator;
    return path;
}

bool OnSettingsCommand(AppSettings& settings, const std::string& displayText, const std::string& version,
                       const std::string& build, CWnd* owner)
{
    // The pages outlive the sheet, which refers to them until it is gone.
    Pages pages;
    CopyIn(settings, pages);
    const std::string caption = fx::LoadString(res::IDS_SETTINGS_CAPTION);
    CPropertySheet sheet(caption.c_str(), owner, UINT(SettingsStartPage(displayText)));
    for (CPropertyPage* page : pages.InTabOrder())
        sheet.AddPage(page);
    if (sheet.DoModal() != IDOK)
        return false;

    CopyOut(pages, settings);
    settings.f_root_path = WithTrailingSeparator(settings.f_root_path);
    if (!SaveSettings(settings, version, build))
        ShowMessage(owner, res::STR_REGISTRY_WRITE_FAILED);
    return settings.always_browse != 0;
}
