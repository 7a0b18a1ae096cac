// Modal runs, message boxes and the save dialog driven through the test hooks.
#include <thread>

#include "test_resources.h"

namespace fxtest {
namespace {

using fx::testing::MessageBoxCall;

class Modal : public FxTest { };

// A dialog whose button asks a question, as a command handler would.
class CAskDialog : public CTestDialog {
public:
    CAskDialog() : CTestDialog(IDD_PLAIN) { }
    int answer = 0;
    void OnAsk() { answer = MessageBox("Replace it?", nullptr, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CAskDialog, CTestDialog)
ON_BN_CLICKED(IDC_CHECK, &CAskDialog::OnAsk)
END_MESSAGE_MAP()

TEST_F(Modal, DialogDrivenEndToEnd)
{
    CAskDialog dlg;
    dlg.m_strName = "before";
    dlg.m_nCount = 1;
    std::vector<MessageBoxCall> boxes;
    fx::testing::SetMessageBoxHandler([&](const MessageBoxCall& c) {
        boxes.push_back(c);
        return IDNO;
    });
    bool visible = false;
    fx::testing::SetModalHandler([&](CWnd& w) {
        visible = w.IsWindowVisible();
        CString name;
        w.GetDlgItemText(IDC_NAME, name);
        EXPECT_EQ(name, "before");  // OnInitDialog showed the members
        fx::testing::TypeText(w, IDC_NAME, "after");
        fx::testing::TypeText(w, IDC_COUNT, "99");
        fx::testing::Click(w, IDC_CHECK);  // asks: answered No by the handler
        fx::testing::Click(w, IDOK);
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(visible);
    EXPECT_EQ(dlg.m_strName, "after");
    EXPECT_EQ(dlg.m_nCount, 99);
    EXPECT_EQ(dlg.m_bCheck, 1);
    EXPECT_EQ(dlg.answer, IDNO);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Replace it?");
    EXPECT_EQ(boxes[0].caption, AfxGetAppName());  // no caption given: the application name
    EXPECT_EQ(boxes[0].flags, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
    EXPECT_EQ(dlg.GetWidget(), nullptr);  // the window is gone after DoModal
    EXPECT_EQ(dlg.m_listResults.GetCount(), LB_ERR);
}

TEST_F(Modal, CancelLeavesMembersAlone)
{
    CTestDialog dlg(IDD_PLAIN);
    fx::testing::SetModalHandler([&](CWnd& w) {
        fx::testing::TypeText(w, IDC_NAME, "typed");
        fx::testing::Click(w, IDCANCEL);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(dlg.m_strName, "initial");
}

TEST_F(Modal, HandlerThatNeverEndsTheDialogGivesMinusOne)
{
    CTestDialog dlg(IDD_PLAIN);
    fx::testing::SetModalHandler([](CWnd&) {});
    EXPECT_EQ(dlg.DoModal(), -1);
}

TEST_F(Modal, UnknownTemplateFails)
{
    CTestDialog dlg(4321);
    bool ran = false;
    fx::testing::SetModalHandler([&](CWnd&) { ran = true; });
    EXPECT_EQ(dlg.DoModal(), -1);
    EXPECT_FALSE(ran);
}

TEST_F(Modal, ADialogCanRunAgainAfterItEnded)
{
    CTestDialog dlg(IDD_PLAIN);
    int runs = 0;
    fx::testing::SetModalHandler([&](CWnd& w) {
        ++runs;
        fx::testing::Click(w, IDOK);
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(runs, 2);
}

TEST_F(Modal, WithoutAHandlerOffscreenNothingBlocks)
{
    CTestDialog dlg(IDD_PLAIN);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    // A message box answers with its default button.
    EXPECT_EQ(AfxMessageBox("x", MB_YESNO | MB_DEFBUTTON2), IDNO);
    EXPECT_EQ(AfxMessageBox("x", MB_OKCANCEL), IDOK);
}

TEST_F(Modal, MessageBoxFromAWorkerThreadIsShownOnTheWindowThread)
{
    bool onUi = false;
    std::string caption;
    fx::testing::SetMessageBoxHandler([&](const MessageBoxCall& c) {
        onUi = fx::IsUiThread();
        caption = c.caption;
        return IDYES;
    });
    int result = 0;
    std::thread worker([&] { result = AfxMessageBox("from worker", MB_YESNO); });
    // The worker blocks until the window thread has answered.
    while (result == 0)
        fx::testing::ProcessEvents();
    worker.join();
    EXPECT_EQ(result, IDYES);
    EXPECT_TRUE(onUi);
    EXPECT_EQ(caption, AfxGetAppName());
}

TEST_F(Modal, StringIdMessageBox)
{
    std::string text;
    fx::testing::SetMessageBoxHandler([&](const MessageBoxCall& c) {
        text = c.text;
        return IDOK;
    });
    EXPECT_EQ(AfxMessageBox(IDS_HELLO), IDOK);
    EXPECT_EQ(text, "Hello, world");
}

class SaveDialog : public FxTest { };

constexpr const char* kFilter = "Text files (*.txt)|*.txt|CSV (*.csv)|*.csv||";

TEST_F(SaveDialog, FilterStringIsParsed)
{
    auto f = CFileDialog::ParseFilter(kFilter);
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(f[0], (std::pair<std::string, std::string>{"Text files (*.txt)", "*.txt"}));
    EXPECT_EQ(f[1], (std::pair<std::string, std::string>{"CSV (*.csv)", "*.csv"}));
    EXPECT_TRUE(CFileDialog::ParseFilter("").empty());
    EXPECT_EQ(CFileDialog::ParseFilter("All|*.*").size(), 1u);
}

TEST_F(SaveDialog, FilterIndexGoesInAndComesOut)
{
    fx::testing::SaveDialogCall seen;
    fx::testing::SetSaveDialogHandler([&](const fx::testing::SaveDialogCall& c) {
        seen = c;
        return fx::testing::SaveDialogAnswer{"/tmp/out", 1};
    });
    CFileDialog dlg(FALSE, "TXT", nullptr, OFN_OVERWRITEPROMPT, kFilter);
    dlg.m_ofn.nFilterIndex = 2;
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(seen.filterIndex, 2);
    EXPECT_EQ(seen.defaultExt, "TXT");
    EXPECT_EQ(seen.flags & OFN_OVERWRITEPROMPT, OFN_OVERWRITEPROMPT);
    ASSERT_EQ(seen.filters.size(), 2u);
    EXPECT_EQ(dlg.m_ofn.nFilterIndex, 1u);
    // A name without extension gets the chosen filter's.
    EXPECT_EQ(dlg.GetPathName(), "/tmp/out.txt");
}

TEST_F(SaveDialog, ExtensionFollowsTheChosenFilterAndTypedOnesStay)
{
    EXPECT_EQ(CFileDialog::ApplyDefaultExtension("/a/list", "*.csv", "TXT"), "/a/list.csv");
    EXPECT_EQ(CFileDialog::ApplyDefaultExtension("/a/list.dat", "*.csv", "TXT"), "/a/list.dat");
    EXPECT_EQ(CFileDialog::ApplyDefaultExtension("/a.b/list", "*.*", "TXT"), "/a.b/list.TXT");
    EXPECT_EQ(CFileDialog::ApplyDefaultExtension("/a/list", "*.csv", ""), "/a/list");
}

TEST_F(SaveDialog, CancelGivesIdCancel)
{
    fx::testing::SetSaveDialogHandler([](const auto&) { return std::nullopt; });
    CFileDialog dlg(FALSE, "TXT", nullptr, OFN_OVERWRITEPROMPT, kFilter);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(dlg.GetPathName().IsEmpty());
}

TEST_F(SaveDialog, OutOfRangeIndexStartsOnTheFirstFilter)
{
    int seen = 0;
    fx::testing::SetSaveDialogHandler([&](const fx::testing::SaveDialogCall& c) {
        seen = c.filterIndex;
        return fx::testing::SaveDialogAnswer{"/tmp/x.csv", 9};
    });
    CFileDialog dlg(FALSE, "TXT", nullptr, OFN_OVERWRITEPROMPT, kFilter);
    dlg.m_ofn.nFilterIndex = 0;
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(dlg.m_ofn.nFilterIndex, 1u);  // an impossible answer keeps the preselection
}

class Help : public FxTest { };

TEST_F(Help, MissingHelpFileReportsFailure)
{
    std::string text;
    fx::testing::SetMessageBoxHandler([&](const MessageBoxCall& c) {
        text = c.text;
        return IDOK;
    });
    std::string opened;
    fx::testing::SetOpenFileHandler([&](const std::string& p) {
        opened = p;
        return false;
    });
    CWinApp app;
    app.SetHelpFilePath("/nonexistent/help.html");
    CTestDialog dlg(IDD_PLAIN);
    ASSERT_TRUE(dlg.Create());
    dlg.WinHelp(0, HELP_CONTENTS);
    EXPECT_EQ(opened, "/nonexistent/help.html");
    EXPECT_EQ(text, "Failed to launch help.");
    text.clear();
    fx::testing::SetOpenFileHandler([](const std::string&) { return true; });
    dlg.WinHelp(0, HELP_CONTENTS);
    EXPECT_EQ(text, "");
}

TEST_F(Help, AppNameIsTheExecutableNameWithoutExtension)
{
    CWinApp app;
    EXPECT_STREQ(AfxGetAppName(), "fx_tests");
    EXPECT_EQ(AfxGetApp(), &app);
    CWinApp named("Named");
    EXPECT_STREQ(AfxGetAppName(), "Named");
}

}  // namespace
}  // namespace fxtest
