// The result list: selection, scrolling, and opening properties from a line.
#include "app/main_dialog.h"

#include "accounts/group_props_dlg.h"
#include "accounts/open_properties.h"
#include "accounts/user_props_dlg.h"
#include "platform/net/status_text.h"
#include "res/accounts_resource.h"

void CMainDialog::OnSelchangeResults() { }

void CMainDialog::OnHScroll(UINT nSBCode, UINT nPos, void* pScrollBar)
{
    CDialog::OnHScroll(nSBCode, nPos, pScrollBar);
}

// A double-click: every selected line, one after another (each dialog opens when the
// previous one has closed).
void CMainDialog::OnListDoubleClick()
{
    const std::vector<int> selected = m_listResults.GetSelItems();
    if (selected.empty())
        return;
    if (!accounts::ValidSelection(selected, m_listResults.GetCount())) {
        MessageBox(res::STR_INVALID_SELECTION);
        return;
    }
    if (m_shownType == DisplayType::GROUPS) {
        std::vector<std::string> rows;
        for (int i = 0; i < m_listResults.GetCount(); ++i) {
            CString row;
            m_listResults.GetText(i, row);
            rows.push_back(std::move(row));
        }
        for (int index : selected)
            OpenGroupProperties(accounts::GroupOfRow(rows, index));
        return;
    }
    if (m_shownType != DisplayType::USERS && m_shownType != DisplayType::NETWORK)
        return;
    for (int index : selected) {
        CString row;
        m_listResults.GetText(index, row);
        if (m_shownType == DisplayType::USERS)
            OpenUserProperties(row);
        else
            MakeServerCurrent(accounts::ServerOfNetworkRow(row));
    }
}

// The Group Properties dialog of one group; a name that names no group (a failure
// line, or a list without the group-name column) opens nothing but a message.
void CMainDialog::OpenGroupProperties(const std::string& group)
{
    CGroupPropsDlg dlg(m_api, this);
    dlg.m_pServerName = &m_settings.serverName;
    dlg.m_strGroup = group;
    net::Status status = net::NERR_Success;
    if (!dlg.Load(status)) {
        MessageBox((std::string(res::STR_GROUP_UNREADABLE) + "\n" + net::StatusText(status)).c_str());
        return;
    }
    dlg.DoModal();
}

// Tools > Properties (cyclic): the selected lines one after another.
void CMainDialog::OnPropertiesCyclic()
{
    OnListDoubleClick();
}

// The User Properties dialog of one USERS line, after a warning when the current
// server is not (or can't be shown to be) the domain controller.
void CMainDialog::OpenUserProperties(std::string rowText)
{
    if (accounts::NameOfRow(rowText).empty())
        return;  // a line that names no account
    net::SERVER_INFO_101 info;
    if (m_api.ServerGetInfo(m_settings.serverName, info) != net::NERR_Success ||
        !(info.sv101_type & net::SV_TYPE_DOMAIN_CTRL)) {
        if (MessageBox(res::STR_NOT_DOMAIN_CONTROLLER, res::STR_WARNING_CAPTION, MB_YESNO) != IDYES)
            return;
    }
    CUserPropsDlg dlg(m_api, this);
    dlg.m_pServerName = &m_settings.serverName;
    dlg.m_strRowText = std::move(rowText);
    net::Status status = net::NERR_Success;
    if (!dlg.Load(status)) {
        MessageBox((std::string(res::STR_ACCOUNT_UNREADABLE) + "\n" + net::StatusText(status)).c_str());
        return;
    }
    dlg.DoModal();
}

// A NETWORK server line makes its server the current one through the Server box, so
// that the box always shows the server the next Browse and account edit use: an entry
// the box has (matched whole, ignoring case) is selected; a new one is offered, and
// selected once added. Declining keeps the current server.
void CMainDialog::MakeServerCurrent(const std::string& server)
{
    if (server.empty())
        return;
    int index = m_comboServer.FindStringExact(-1, server.c_str());
    if (index == CB_ERR) {
        if (MessageBox(res::STR_ADD_NEW_SERVER, res::STR_APP_CAPTION, MB_YESNO | MB_ICONQUESTION) != IDYES)
            return;
        index = m_comboServer.AddString(server.c_str());
        if (index < 0)
            return;
    }
    m_comboServer.SetCurSel(index);
    CString shown;
    m_comboServer.GetLBText(index, shown);
    m_settings.serverName = shown;
}
