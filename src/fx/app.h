// The application object, global framework functions and cross-thread posting.
#pragma once

#include <functional>
#include <string>

#include "fx/cstring.h"
#include "fx/wnd.h"

class QFont;

class CWinApp : public CCmdTarget {
public:
    // nullptr: the application name is the executable's file name without extension.
    explicit CWinApp(const char* lpszAppName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitInstance();
    virtual int ExitInstance();
    // Runs the event loop until the application quits; creates QApplication if none.
    virtual int Run();

    void Enable3dControls() { }
    void LoadStdProfileSettings(UINT nMaxMRU = 4) { (void)nMaxMRU; }
    void SetHelpFilePath(const char* path);
    HICON LoadIcon(UINT nIDResource) const;

    // Opens the help file's contents (the framework's Help command).
    afx_msg void OnHelp();

    const char* m_pszAppName = nullptr;  // points into m_strAppName
    const char* m_pszExeName = nullptr;
    const char* m_pszHelpFilePath = nullptr;
    CWnd* m_pMainWnd = nullptr;

protected:
    DECLARE_MESSAGE_MAP()

private:
    std::string m_strAppName;
    std::string m_strExeName;
    std::string m_strHelpPath;
};

CWinApp* AfxGetApp();
const char* AfxGetAppName();
// A message box owned by the main window; caption = the application name.
int AfxMessageBox(const char* lpszText, UINT nType = MB_OK);
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK);
// Program entry: creates QApplication, runs InitInstance of the application object,
// then Run if it returned TRUE. Returns the process exit code.
int AfxWinMain(int argc, char** argv);

namespace fx {

// Makes sure a QApplication exists (the window thread is the one that calls this first).
void EnsureApplication();
bool IsUiThread();
// Runs fn on the window thread, queued. Safe from any thread; dropped once the
// application has quit or before it exists.
void PostToUi(std::function<void()> fn);
// The message box behind CWnd::MessageBox and AfxMessageBox. From another thread it
// blocks until the window thread has shown it. Caption nullptr = application name.
int ShowMessageBox(QWidget* owner, const char* text, const char* caption, UINT flags);
// Font used for a dialog face and point size (pinned: DejaVu Sans, 96 dpi).
QFont DialogFont(const std::string& face, int pointSize);

}  // namespace fx
