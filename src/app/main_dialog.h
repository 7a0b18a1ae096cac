// The main window: Server and Display boxes, the result list, Browse/Stop, Export,
// Exit, Entries Found and the busy animation; menu 130.
#pragma once

#include "app/options.h"
#include "app/worker_thread.h"
#include "browse/browse_types.h"
#include "browse/list_step.h"
#include "fx/fx.h"
#include "platform/files/owner_walk.h"
#include "platform/net/netapi.h"
#include "settings/app_settings.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <stop_token>
#include <string>

// The NETWORK worker lists shares (set at every NETWORK start).
extern int g_wantShares;
// Frame of the busy animation, 0 to 3. Never reset, so an animation resumes where the
// last one stopped.
extern int g_busyFrame;

// One threaded browse, shared between the window and its worker. The window drops a
// result whose browse is no longer the current one.
struct BrowseRun {
    std::uint64_t id = 0;
    WorkerKind kind = WorkerKind::USERS;
    std::stop_source stop;
    // Set by the worker once its list is built and posted.
    std::atomic<bool> finished{false};
};

class CMainDialog : public CDialog {
public:
    // `api` must outlive every worker the dialog starts (the program never destroys it).
    // `options` name the start-up server; without one the domain controller is asked.
    explicit CMainDialog(net::NetApi& api, app::Options options = {}, CWnd* pParent = nullptr);
    ~CMainDialog() override;

    // Controls, in the order of the data exchange's bindings.
    CButton m_btnStop;
    CStatic m_busyIcon[4];  // 1071, 1070, 1069, 1068: frames 3, 2, 1, 0
    CButton m_btnBrowse;
    CComboBox m_comboDisplay;
    CComboBox m_comboServer;
    CListBox m_listResults;

    AppSettings m_settings;
    int m_nEntriesFound = 0;
    DisplayType m_shownType = DisplayType::NONE;
    std::string m_strVersion;
    std::string m_strBuild;
    HICON m_hIcon = nullptr;

    // Browse engine (main_dialog_browse.cpp).
    afx_msg void OnBrowse();
    afx_msg void OnStop();
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    void StartFilesBrowse();
    void StartNetworkBrowse();
    void BrowseServers();
    // Starts the worker of `kind` on a browse of its own; false when no thread could
    // be created (the window then stays idle). A FILES walk of an SMB root logs on
    // with `smbCredentials`; nullopt: the worker finds them (a Kerberos ticket, else
    // the log-on prompt).
    bool StartWorker(WorkerKind kind, std::optional<files::SmbCredentials> smbCredentials = files::SmbCredentials{});
    void BrowseStarted();
    void BrowseFinished();
    void SwapButtons(CButton& hidden, CButton& shown);
    BOOL StartBusyTimer();
    void DisablePropertiesItem();
    void EnablePropertiesItem();
    // Shows the list a worker built, if its browse is still the current one.
    void ShowResults(std::uint64_t browseId, ListContent content);
    // Shows the SERVERS list, if no browse started since.
    void ShowServers(std::uint64_t browseId, ListContent content);
    // Marks the running browse stopped and forgets it; false when none was running.
    bool CancelRunningBrowse();
    bool IsBrowsing() const { return m_hWorker != nullptr; }
    // Replaces how worker priorities are set (tests).
    void SetPrioritySetter(ThreadPrioritySetter setter) { m_prioritySetter = std::move(setter); }
    // Replaces the stack size of the workers (tests).
    void SetWorkerStackBytes(std::size_t bytes) { m_nWorkerStackBytes = bytes; }

    // Combo boxes and system menu (main_dialog.cpp).
    afx_msg void OnSelchangeServer();
    afx_msg void OnSelchangeDisplay();
    afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
    afx_msg void OnPaint();
    afx_msg HCURSOR OnQueryDragIcon();
    afx_msg int OnCreate(void* lpCreateStruct);
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg void OnDestroy();
    afx_msg void OnHelpContents();

    // Commands filled in by their own subjects.
    afx_msg void OnAbout();                              // main_dialog_about.cpp
    afx_msg void OnContact();                            // main_dialog_about.cpp
    afx_msg void OnSettings();                           // main_dialog_settings.cpp
    afx_msg void OnExport();                             // main_dialog_export.cpp
    afx_msg void OnListDoubleClick();                    // main_dialog_list.cpp
    afx_msg void OnPropertiesCyclic();                   // main_dialog_list.cpp
    afx_msg void OnSelchangeResults();                   // main_dialog_list.cpp
    void OpenUserProperties(std::string rowText);        // main_dialog_list.cpp
    void OpenGroupProperties(const std::string& group);  // main_dialog_list.cpp
    void MakeServerCurrent(const std::string& server);   // main_dialog_list.cpp
    afx_msg void OnHScroll(UINT nSBCode, UINT nPos, void* pScrollBar);
    // main_dialog_access.cpp
    afx_msg LRESULT OnContextMenuKey(WPARAM control, LPARAM);
    void DescribeResults();
    std::string ResultsName() const;

    net::NetApi& GetNetApi() const { return m_api; }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnCancel() override;
    DECLARE_MESSAGE_MAP()

private:
    void ShowStartupServer();
    void RestoreGeometry();
    void SaveGeometry();
    void FillDisplayBox();
    std::uint64_t m_nextBrowseId = 0;
    // The browse of the last started worker while it is the current one; Stop and a
    // new browse end it, its completion clears it.
    std::shared_ptr<BrowseRun> m_hWorker;
    // Stops the SERVERS list being built, when the window goes or another browse starts.
    std::stop_source m_serversStop;
    ThreadPrioritySetter m_prioritySetter = &SetThreadNiceDelta;
    std::size_t m_nWorkerStackBytes = kWorkerStackBytes;
    // Posted completions hold a weak reference; it expires with the window.
    std::shared_ptr<CMainDialog*> m_pAlive;
    net::NetApi& m_api;
    app::Options m_options;
};
