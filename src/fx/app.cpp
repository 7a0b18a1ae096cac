#include "fx/app.h"

#include <unistd.h>

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>

#include <QApplication>
#include <QDesktopServices>
#include <QEvent>
#include <QFileInfo>
#include <QFont>
#include <QKeyEvent>
#include <QStyle>
#include <QStyleFactory>
#include <QThread>
#include <QUrl>

#include "fx/internal.h"

namespace {

CWinApp* g_pApp = nullptr;

// Receives posted work on the window thread.
class UiReceiver : public QObject {
public:
    static constexpr QEvent::Type kRun = QEvent::Type(QEvent::User + 0x3F1);
    struct RunEvent : QEvent {
        explicit RunEvent(std::function<void()> f) : QEvent(kRun), fn(std::move(f)) { }
        std::function<void()> fn;
    };
    ~UiReceiver() override;
    bool event(QEvent* e) override;
};

std::mutex g_uiMutex;
UiReceiver* g_receiver = nullptr;  // guarded by g_uiMutex; null before start and after quit
// Work posted so far, and how much of it a test's wait has seen; guarded by g_uiMutex.
std::uint64_t g_postedCount = 0;
std::uint64_t g_seenCount = 0;
std::condition_variable g_posted;

// Work handed to the window thread crosses Qt's event queue, whose locks are Qt's own.
// Passing through g_uiMutex on both sides as well (the poster holds it while posting)
// orders the hand-over by a lock that every tool, the thread sanitizer included, sees.
void PassUiMutex()
{
    std::lock_guard lock(g_uiMutex);
}

bool UiReceiver::event(QEvent* e)
{
    PassUiMutex();
    if (e->type() == kRun) {
        auto fn = std::move(static_cast<RunEvent*>(e)->fn);
        if (fn)
            fn();
        return true;
    }
    return QObject::event(e);
}

UiReceiver::~UiReceiver()
{
    std::lock_guard lock(g_uiMutex);
    if (g_receiver == this)
        g_receiver = nullptr;
}

constexpr const char* kSysMenuOwner = "fxSysMenuOwner";

// Alt+Space is the window's key, as on the desktop the program came from: it opens
// the system menu whichever control has the focus.
class SystemKeyFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* o, QEvent* e) override
    {
        // Only widgets take keys; work posted from other threads goes to the receiver.
        if (!o->isWidgetType() || e->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(e);
        if (key->key() != Qt::Key_Space || (key->modifiers() & ~Qt::KeypadModifier) != Qt::AltModifier)
            return false;
        QWidget* window = static_cast<QWidget*>(o)->window();
        auto* owner = static_cast<CWnd*>(window->property(kSysMenuOwner).value<void*>());
        if (!owner || owner->GetWidget() != window)
            return false;
        owner->ShowSystemMenu();
        return true;
    }
};

void StartReceiver()
{
    {
        std::lock_guard lock(g_uiMutex);
        if (g_receiver)
            return;
    }
    qApp->installEventFilter(new SystemKeyFilter(qApp));
    auto* receiver = new UiReceiver;
    receiver->moveToThread(qApp->thread());
    receiver->setParent(qApp);
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, receiver, [] {
        std::lock_guard lock(g_uiMutex);
        g_receiver = nullptr;
    });
    std::lock_guard lock(g_uiMutex);
    g_receiver = receiver;
}

// The look does not depend on the desktop: one style, its own palette, pinned font.
void PinLook()
{
    if (QStyle* style = QStyleFactory::create("Fusion")) {
        QApplication::setStyle(style);
        QApplication::setPalette(style->standardPalette());
    }
    QApplication::setFont(fx::DialogFont("MS Sans Serif", 8));
    QApplication::setQuitOnLastWindowClosed(false);
}

void CreateApplication(int& argc, char** argv)
{
    if (QApplication::instance())
        return;
    new QApplication(argc, argv);
    PinLook();
}

}  // namespace

namespace fx {

void EnsureApplication()
{
    if (!QApplication::instance()) {
        static int argc = 1;
        static std::string name = detail::ExecutableBaseName();
        static char* argv[] = {name.data(), nullptr};
        CreateApplication(argc, argv);
    }
    StartReceiver();
}

bool IsUiThread()
{
    auto* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

void PostToUi(std::function<void()> fn)
{
    if (!fn)
        return;
    std::lock_guard lock(g_uiMutex);
    if (!g_receiver)
        return;
    QCoreApplication::postEvent(g_receiver, new UiReceiver::RunEvent(std::move(fn)));
    ++g_postedCount;
    g_posted.notify_all();
}

namespace detail {

// Runs fn on the window thread and waits for it. False when there is none.
bool RunOnUiBlocking(const std::function<void()>& fn)
{
    if (IsUiThread()) {
        fn();
        return true;
    }
    UiReceiver* receiver = nullptr;
    {
        std::lock_guard lock(g_uiMutex);
        receiver = g_receiver;
    }
    if (!receiver)
        return false;
    {
        std::lock_guard lock(g_uiMutex);
        ++g_postedCount;
        g_posted.notify_all();
    }
    const bool ran = QMetaObject::invokeMethod(
        receiver,
        [&fn] {
            PassUiMutex();
            fn();
            PassUiMutex();
        },
        Qt::BlockingQueuedConnection);
    PassUiMutex();
    return ran;
}

void SetSystemMenuOwner(QWidget* window, CWnd* owner)
{
    window->setProperty(kSysMenuOwner, QVariant::fromValue<void*>(owner));
}

std::string ExecutableBaseName()
{
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    std::string path = n > 0 ? std::string(buf, size_t(n)) : std::string("app");
    size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.resize(dot);
    return name;
}

bool NoDisplay()
{
    EnsureApplication();
    QString platform = QGuiApplication::platformName();
    return platform == "offscreen" || platform == "minimal";
}

void WarnNoHandler(const char* what, const std::string& detail)
{
    std::fprintf(stderr, "fx: %s with no test handler on a display-less platform: %s\n", what, detail.c_str());
}

void LaunchHelp(QWidget* owner)
{
    CWinApp* app = AfxGetApp();
    std::string path = app && app->m_pszHelpFilePath ? app->m_pszHelpFilePath : "";
    bool opened = false;
    if (!path.empty()) {
        if (auto& handler = GetHooks().openFile) {
            opened = handler(path);
        } else if (QFileInfo::exists(Q(path)) && !NoDisplay()) {
            opened = QDesktopServices::openUrl(QUrl::fromLocalFile(Q(path)));
        }
    }
    if (!opened) {
        std::string text = FrameworkString(AFX_IDP_FAILED_TO_LAUNCH_HELP, "Failed to launch help.");
        ShowMessageBox(owner, text.c_str(), nullptr, MB_OK | MB_ICONEXCLAMATION);
    }
}

}  // namespace detail

QFont DialogFont(const std::string& face, int pointSize)
{
    // Every dialog face maps to the one font installed with the program, sized as
    // the point size would be at 96 dpi so that the result is the same on any screen.
    (void)face;
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(1, (pointSize * 96 + 36) / 72));
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

}  // namespace fx

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(const char* lpszAppName)
{
    m_strExeName = fx::detail::ExecutableBaseName();
    m_strAppName = lpszAppName ? lpszAppName : m_strExeName;
    m_pszAppName = m_strAppName.c_str();
    m_pszExeName = m_strExeName.c_str();
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    if (g_pApp == this)
        g_pApp = nullptr;
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::ExitInstance()
{
    return 0;
}

int CWinApp::Run()
{
    fx::EnsureApplication();
    return QApplication::exec();
}

void CWinApp::SetHelpFilePath(const char* path)
{
    m_strHelpPath = path ? path : "";
    m_pszHelpFilePath = m_strHelpPath.c_str();
}

HICON CWinApp::LoadIcon(UINT nIDResource) const
{
    return fx::LoadIconResource(nIDResource);
}

void CWinApp::OnHelp()
{
    fx::detail::LaunchHelp(m_pMainWnd ? m_pMainWnd->GetSafeHwnd() : nullptr);
}

CWinApp* AfxGetApp()
{
    return g_pApp;
}

const char* AfxGetAppName()
{
    if (g_pApp)
        return g_pApp->m_pszAppName;
    static std::string name = fx::detail::ExecutableBaseName();
    return name.c_str();
}

int AfxMessageBox(const char* lpszText, UINT nType)
{
    CWinApp* app = AfxGetApp();
    QWidget* owner = app && app->m_pMainWnd ? app->m_pMainWnd->GetSafeHwnd() : nullptr;
    return fx::ShowMessageBox(owner, lpszText, nullptr, nType);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType)
{
    return AfxMessageBox(fx::LoadString(nIDPrompt).c_str(), nType);
}

int AfxWinMain(int argc, char** argv)
{
    static int s_argc = argc;
    CreateApplication(s_argc, argv);
    fx::EnsureApplication();
    CWinApp* app = AfxGetApp();
    if (!app)
        return 1;
    int code = 0;
    if (app->InitInstance())
        code = app->Run();
    int exitCode = app->ExitInstance();
    return code != 0 ? code : exitCode;
}

int GetSystemMetrics(int index)
{
    switch (index) {
    case SM_CXICON:
    case SM_CYICON:
        return 32;
    default:
        return 0;
    }
}

namespace fx::detail {

bool WaitForPostedWork(std::chrono::milliseconds limit)
{
    std::unique_lock lock(g_uiMutex);
    const bool posted = g_posted.wait_for(lock, limit, [] { return g_postedCount != g_seenCount; });
    g_seenCount = g_postedCount;
    return posted;
}

}  // namespace fx::detail
