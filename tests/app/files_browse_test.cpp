// The FILES browse in the window: Stop during a large walk, and the credentials an SMB
// walk is given (read once per browse on the window thread).
#include "app_test_env.h"

#include "platform/net/credentials.h"

#include <fstream>
#include <sys/stat.h>

namespace {

class FilesBrowse : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        ::setenv("KRB5CCNAME", ("FILE:" + (m_dir / "no-such-cache").string()).c_str(), 1);
        net::ResetLogonPromptState();
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        net::SetLogonPrompt(nullptr);
        net::ResetLogonPromptState();
        ::unsetenv("KRB5CCNAME");
    }

    CMainDialog& OpenWith(const std::string& authFile)
    {
        app::Options options = SampleOptions();
        options.authFile = authFile;
        m_dlg = std::make_unique<CMainDialog>(*m_sim, options);
        EXPECT_TRUE(m_dlg->Create());
        return *m_dlg;
    }

    void BrowseFiles(const std::string& root)
    {
        m_dlg->m_settings.f_root_path = root;
        SelectDisplay("FILES");
        fx::testing::Click(*m_dlg, res::IDC_BROWSE);
    }

    std::string WorldReadableAuthFile()
    {
        const std::string path = (m_dir / "auth").string();
        std::ofstream(path) << "username=alice\npassword=pw\ndomain=VELLOX\n";
        ::chmod(path.c_str(), 0644);
        return path;
    }

    // `dirs` folders of `files` empty files each below a fresh root.
    std::string MakeTree(int dirs, int files)
    {
        const std::filesystem::path root = m_dir / "tree";
        for (int d = 0; d < dirs; ++d) {
            const std::filesystem::path dir = root / ("d" + std::to_string(d));
            std::filesystem::create_directories(dir);
            for (int f = 0; f < files; ++f)
                std::ofstream(dir / ("f" + std::to_string(f)));
        }
        return root.string() + "/";
    }
};

// Nothing listens on the loopback's SMB port here: the walk fails at once.
const std::string kSmbRoot = "\\\\127.0.0.1\\share\\dir\\";

TEST_F(FilesBrowse, StopDuringALargeWalkEndsTheBrowseAndDropsItsResult)
{
    const std::string root = MakeTree(200, 200);  // 40,000 files
    CMainDialog& dlg = Open();
    BrowseFiles(root);
    ASSERT_TRUE(Browsing());
    fx::testing::Click(dlg, res::IDC_STOP);
    EXPECT_TRUE(m_messages.empty()) << "the walk had ended before Stop: make the tree larger";
    EXPECT_EQ(ListLines(), std::vector<std::string>{"User terminated browse."});
    EXPECT_TRUE(Idle());
    EXPECT_FALSE(dlg.IsBrowsing());

    ASSERT_TRUE(WaitForWorkers());
    fx::testing::ProcessEvents();
    EXPECT_EQ(ListLines(), std::vector<std::string>{"User terminated browse."});
    EXPECT_EQ(dlg.m_shownType, DisplayType::NONE);
    EXPECT_FALSE(PropertiesCyclicEnabled());
    EXPECT_TRUE(m_messages.empty());

    // The next browse of the same tree runs to its end.
    BrowseFiles(root);
    ASSERT_TRUE(WaitForBrowse());
    EXPECT_EQ(dlg.m_shownType, DisplayType::FILES);
    EXPECT_EQ(EntriesFoundText(), "1");
}

TEST_F(FilesBrowse, UnreadableAuthFileIsReportedOnceAndTheSmbWalkRunsWithout)
{
    const std::string path = WorldReadableAuthFile();
    CMainDialog& dlg = OpenWith(path);
    BrowseFiles(kSmbRoot);
    EXPECT_EQ(m_messages, std::vector<std::string>{"The authentication file " + path +
                                                   " can be read or written by other users; make it private "
                                                   "with: chmod 600 " +
                                                   path});
    ASSERT_TRUE(WaitForBrowse());
    EXPECT_EQ(dlg.m_shownType, DisplayType::FILES);
    // The share can't be listed: one "<dirlist denied>" (shown, as by default).
    ASSERT_EQ(dlg.m_settings.f_directory_denial, 1);
    EXPECT_EQ(ListLines(), (std::vector<std::string>{"UserName\tFilesize in use", g_separatorLine,
                                                     "<dirlist denied>\t1\t", g_separatorLine}));
    EXPECT_EQ(m_messages.size(), 1u);
}

TEST_F(FilesBrowse, LocalWalkNeedsNoCredentials)
{
    OpenWith(WorldReadableAuthFile());
    int prompted = 0;
    net::SetLogonPrompt([&](const std::string&) -> std::optional<net::Credentials> {
        ++prompted;
        return std::nullopt;
    });
    BrowseFiles(MakeTree(1, 1));
    ASSERT_TRUE(WaitForBrowse());
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(prompted, 0);
    EXPECT_EQ(EntriesFoundText(), "1");
}

// The ticket check (klist) and the prompt's turn come on the worker: the window is free
// meanwhile, and the prompt itself is shown on the window thread.
TEST_F(FilesBrowse, WithoutAuthFileTheSmbWalkAsksTheLogonPromptOnce)
{
    std::vector<std::string> asked;
    bool askedOnWindowThread = true;
    net::SetLogonPrompt([&](const std::string& domain) -> std::optional<net::Credentials> {
        asked.push_back(domain);
        askedOnWindowThread = fx::IsUiThread();
        return net::Credentials{"alice", "VELLOX", "pw"};
    });
    OpenWith("");
    for (int browse = 0; browse < 2; ++browse) {
        BrowseFiles(kSmbRoot);
        ASSERT_TRUE(WaitForBrowse());
        EXPECT_EQ(m_dlg->m_shownType, DisplayType::FILES);
    }
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_FALSE(askedOnWindowThread);
    EXPECT_TRUE(m_messages.empty());
}

}  // namespace
