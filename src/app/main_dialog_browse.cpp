// The browse controller: the Browse command, worker starts with their priority, the
// busy timer and animation, Stop and the completion of a threaded browse.
//
// Each threaded browse works on a copy of the settings and server taken at its start
// and fills a table of its own on its worker thread; the finished list is built there
// too and posted to the window thread, which shows it only while that browse is still
// the current one. Stop and a new browse only mark the running browse stopped.
#include "app/main_dialog.h"

#include "app/browse_run.h"
#include "browse/result_table.h"
#include "enum/files_owners.h"
#include "enum/servers_list.h"
#include "platform/threads/owned_threads.h"
#include "res/files_strings.h"
#include "res/resource.h"

#include <utility>

namespace {

constexpr UINT_PTR kBusyTimer = 1;
constexpr UINT kBusyPeriodMs = 500;

// The FILES walk warns of an unreadable security descriptor with a box that blocks the
// walk until it is closed; the box itself is shown on the window thread. An SMB root is
// walked with the credentials the browse was started with, or else with a Kerberos
// ticket or what the log-on prompt gives (asked here: klist runs off the window thread).
files::WalkOptions FilesWalkOptions(const std::optional<files::SmbCredentials>& credentials)
{
    files::WalkOptions options;
    std::string unused;  // only an authentication file has errors to tell
    options.credentials = credentials ? *credentials : SmbWalkCredentials("", unused);
    options.onInvalidDescriptor = [](const std::string&) {
        fx::ShowMessageBox(nullptr, res::STR_INVALID_DESCRIPTOR, res::STR_INVALID_DESCRIPTOR_CAPTION, MB_OK);
    };
    return options;
}

// What a browse shows when its enumeration ended by an exception (out of memory, a
// library's failure): an empty list and a message saying nothing was listed.
ListContent FailedBrowse()
{
    ListContent content;
    content.messageText = res::STR_BROWSE_FAILED;
    return content;
}

void SetListTabStops(CListBox& list, const std::vector<int>& stops)
{
    if (!stops.empty())
        list.SetTabStops(static_cast<int>(stops.size()), stops.data());
}

}  // namespace

void CMainDialog::OnBrowse()
{
    if (CancelRunningBrowse())
        BrowseFinished();
    ++m_nextBrowseId;  // a SERVERS list still being built is dropped

    m_settings.entryCount = 0;
    m_listResults.ResetContent();

    CString text;
    m_comboDisplay.GetWindowText(text);
    const std::optional<DisplayType> type = DisplayTypeFromText(text);
    if (!type) {
        m_listResults.AddString(fx::LoadString(res::IDS_UNSUPPORTED_DISPLAY_TYPE).c_str());
    } else {
        switch (*type) {
        case DisplayType::FILES:
            StartFilesBrowse();
            break;
        case DisplayType::GROUPS:
            SetListTabStops(m_listResults, kGroupsTabStops);
            StartWorker(WorkerKind::GROUPS);
            break;
        case DisplayType::NETWORK:
            SetListTabStops(m_listResults, kNetworkTabStops);
            StartNetworkBrowse();
            break;
        case DisplayType::SERVERS:
            BrowseServers();
            break;
        case DisplayType::USERS:
            StartWorker(WorkerKind::USERS);
            break;
        case DisplayType::NONE:
            break;
        }
    }
    m_nEntriesFound = m_settings.entryCount;
    UpdateData(FALSE);
}

// An SMB walk's authentication file is read here, once per browse, so that a message
// about it belongs to the window; without one the worker finds the credentials.
void CMainDialog::StartFilesBrowse()
{
    SetListTabStops(m_listResults, kFilesTabStops);
    std::optional<files::SmbCredentials> credentials = files::SmbCredentials{};
    if (files::IsSmbRoot(m_settings.f_root_path) && m_options.authFile.empty()) {
        credentials = std::nullopt;
    } else if (files::IsSmbRoot(m_settings.f_root_path)) {
        std::string error;
        credentials = SmbWalkCredentials(m_options.authFile, error);
        if (!error.empty())
            MessageBox(error.c_str());
    }
    StartWorker(WorkerKind::FILES, std::move(credentials));
}

void CMainDialog::StartNetworkBrowse()
{
    g_wantShares = (m_settings.n_Shares_Disk == 1 || m_settings.n_Shares_Printer == 1) ? 1 : 0;
    StartWorker(WorkerKind::NETWORK);
}

// SERVERS has no busy animation, Stop or menu change. Its list is built off the window
// thread, since the browser list asks every server for its roles within a time budget,
// and the window stays usable meanwhile; a browse started before it is done drops it.
void CMainDialog::BrowseServers()
{
    const std::uint64_t id = m_nextBrowseId;
    std::weak_ptr<CMainDialog*> alive = m_pAlive;
    net::NetApi* api = &m_api;
    m_serversStop.request_stop();
    m_serversStop = std::stop_source();
    PendingThread thread;
    const bool started =
        thread.Start(m_nWorkerStackBytes, [alive, api, id, settings = m_settings, stop = m_serversStop.get_token()]() {
            ListContent content;
            try {
                threads::StopScope scope(stop);
                content = ServersList(*api, settings);
            } catch (const std::exception&) {
                content = FailedBrowse();
            }
            if (stop.stop_requested())
                return;  // a later browse or the window's end dropped this list
            fx::PostToUi([alive, id, content = std::move(content)]() mutable {
                if (auto self = alive.lock())
                    (*self)->ShowServers(id, std::move(content));
            });
        });
    if (!started) {
        MessageBox(res::STR_BROWSE_START_FAILED);
        return;
    }
    thread.Release();
}

void CMainDialog::ShowServers(std::uint64_t browseId, ListContent content)
{
    if (browseId != m_nextBrowseId || !GetSafeHwnd())
        return;
    if (content.messageId != 0 || content.messageText != nullptr) {
        const std::string text =
            content.messageText ? content.messageText : fx::LoadString(static_cast<UINT>(content.messageId));
        MessageBox(text.c_str());
    }
    m_listResults.ResetContent();
    SetListTabStops(m_listResults, content.tabStops);
    m_listResults.AddStrings(std::move(content.lines));
    m_shownType = DisplayType::SERVERS;
    m_settings.entryCount = content.entryCount;
    m_nEntriesFound = m_settings.entryCount;
    UpdateData(FALSE);
    DescribeResults();
}

bool CMainDialog::StartWorker(WorkerKind kind, std::optional<files::SmbCredentials> smbCredentials)
{
    m_serversStop.request_stop();
    auto run = std::make_shared<BrowseRun>();
    run->id = ++m_nextBrowseId;
    run->kind = kind;

    // Everything the worker reads is its own: the settings (with the server) as they
    // are now, the network interface, and the browse it reports to.
    std::weak_ptr<CMainDialog*> alive = m_pAlive;
    net::NetApi* api = &m_api;
    auto body = [run, alive, api, settings = m_settings, smbCredentials = std::move(smbCredentials)]() {
        const std::stop_token stop = run->stop.get_token();
        ResultTable table;
        ListContent content;
        CPendingWork pending([&](WorkerKind finished) {
            if (!stop.stop_requested())
                content = BuildList(finished, std::move(table), settings);
        });
        pending.ResetPendingWork(run->kind);
        pending.EnterWork(run->kind);
        try {
            // The network calls of this thread, and of the helpers it starts, see Stop.
            threads::StopScope scope(stop);
            const files::WalkOptions filesOptions =
                run->kind == WorkerKind::FILES ? FilesWalkOptions(smbCredentials) : files::WalkOptions{};
            RunEnumeration(run->kind, *api, settings, filesOptions, table, stop);
            pending.LeaveWork(run->kind);
        } catch (const std::exception&) {
            content = FailedBrowse();
        }
        run->finished = true;
        if (stop.stop_requested())
            return;
        fx::PostToUi([alive, id = run->id, content = std::move(content)]() mutable {
            if (auto self = alive.lock())
                (*self)->ShowResults(id, std::move(content));
        });
    };

    PendingThread thread;
    if (!thread.Start(m_nWorkerStackBytes, std::move(body))) {
        MessageBox(res::STR_BROWSE_START_FAILED);
        return false;
    }
    m_hWorker = run;
    const bool priorityOk = m_prioritySetter(thread.Tid(), NiceDeltaForPriority(m_settings.browse_priority));
    if (!priorityOk)
        MessageBox(fx::LoadString(res::IDS_PRIORITY_FAILED).c_str());
    BrowseStarted();
    m_listResults.ResetContent();
    m_listResults.AddString(fx::LoadString(res::IDS_WORKING).c_str());
    thread.Release();
    return true;
}

bool CMainDialog::CancelRunningBrowse()
{
    if (!m_hWorker)
        return false;
    m_hWorker->stop.request_stop();
    m_hWorker.reset();
    return true;
}

BOOL CMainDialog::StartBusyTimer()
{
    return SetTimer(kBusyTimer, kBusyPeriodMs, nullptr) != 0;
}

void CMainDialog::BrowseStarted()
{
    if (!StartBusyTimer())
        MessageBox(fx::LoadString(res::IDS_NO_TIMER).c_str());
    DisablePropertiesItem();
    SwapButtons(m_btnBrowse, m_btnStop);
}

void CMainDialog::BrowseFinished()
{
    SwapButtons(m_btnStop, m_btnBrowse);
    KillTimer(kBusyTimer);
}

// Shows `shown` in the place of `hidden`. The focus follows only from the button that
// goes, straight to the one that comes; anywhere else it stays where the user left it.
void CMainDialog::SwapButtons(CButton& hidden, CButton& shown)
{
    const bool follow = hidden.HasFocus();
    shown.ShowWindow(SW_SHOWNORMAL);
    shown.EnableWindow(TRUE);
    if (follow)
        shown.SetFocus();
    hidden.ShowWindow(SW_HIDE);
    hidden.EnableWindow(FALSE);
}

void CMainDialog::DisablePropertiesItem()
{
    if (CMenu* menu = GetMenu())
        if (CMenu* tools = menu->GetSubMenu(res::kToolsMenuPosition))
            tools->EnableMenuItem(res::kPropertiesCyclicPosition, MF_BYPOSITION | MF_DISABLED);
}

void CMainDialog::EnablePropertiesItem()
{
    CMenu* menu = GetMenu();
    CMenu* tools = menu ? menu->GetSubMenu(res::kToolsMenuPosition) : nullptr;
    if (!tools) {
        MessageBox(res::STR_NO_SUBMENU);
        return;
    }
    tools->EnableMenuItem(res::kPropertiesCyclicPosition, MF_BYPOSITION | MF_ENABLED);
}

// One animation step per tick: show the next frame, hide the one before.
void CMainDialog::OnTimer(UINT_PTR nIDEvent)
{
    // m_busyIcon holds frames 3, 2, 1, 0.
    auto frame = [this](int n) -> CStatic& { return m_busyIcon[3 - n]; };
    if (g_busyFrame >= 0 && g_busyFrame <= 3) {
        const int shown = g_busyFrame;
        const int hidden = (g_busyFrame + 3) % 4;
        frame(shown).ShowWindow(SW_SHOW);
        frame(hidden).ShowWindow(SW_HIDE);
        g_busyFrame = (g_busyFrame + 1) % 4;
    }
    CDialog::OnTimer(nIDEvent);
}

void CMainDialog::ShowResults(std::uint64_t browseId, ListContent content)
{
    if (!m_hWorker || m_hWorker->id != browseId || !GetSafeHwnd())
        return;
    m_hWorker.reset();

    m_listResults.ResetContent();
    m_settings.entryCount = 0;
    SetListTabStops(m_listResults, content.tabStops);
    m_listResults.AddStrings(std::move(content.lines));
    m_shownType = content.shownType;
    m_settings.entryCount = content.entryCount;
    if (content.messageId != 0 || content.messageText != nullptr) {
        const std::string text =
            content.messageText ? content.messageText : fx::LoadString(static_cast<UINT>(content.messageId));
        MessageBox(text.c_str());
    }

    BrowseFinished();
    EnablePropertiesItem();
    m_nEntriesFound = m_settings.entryCount;
    UpdateData(FALSE);
    DescribeResults();
}

void CMainDialog::OnStop()
{
    if (m_hWorker && !m_hWorker->finished) {
        CancelRunningBrowse();
        m_listResults.ResetContent();
        m_listResults.InsertString(0, fx::LoadString(res::IDS_USER_TERMINATED).c_str());
    } else {
        // The worker has already ended: its list is on its way and is shown.
        MessageBox(fx::LoadString(res::IDS_COULD_NOT_TERMINATE).c_str());
    }
    BrowseFinished();
}
