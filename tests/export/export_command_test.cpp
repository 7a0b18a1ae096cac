// The Export command: the not-enough message, the save dialog it opens, the mode the
// dialog's file type chooses, and the reports of a failed write. Driven through the fx
// hooks, writing into a temporary folder.
#include "export/export_command.h"

#include "fx/app.h"
#include "fx/controls.h"
#include "fx/dialog.h"
#include "fx/resources.h"
#include "fx/testing.h"
#include "res/export_strings.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using fx::testing::MessageBoxCall;
using fx::testing::SaveDialogAnswer;
using fx::testing::SaveDialogCall;

namespace {

const std::string kSeparator = "----------------------------------------";

// A USERS list with the default columns: header, separator, two users, separator.
const std::vector<std::string> kUsersList = {"UserName\tFull Name\tAcct.Expires\tMax.Stg.\t", kSeparator,
                                             "jsmith\tJohn Smith\tNever\tUnlimited\t",
                                             "adoe\tAnn Doe\t12/31/2027\tUnlimited\t", kSeparator};

// A NETWORK list with a provider, a domain and a server under it.
const std::vector<std::string> kNetworkList = {"Network\tResource\tResource Type",
                                               kSeparator,
                                               "Samba\t\t\tProvider",
                                               "\tDOMAIN\t\tDomain",
                                               "\t\t\\\\DC1\tServer",
                                               kSeparator};

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

class ExportCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        fx::EnsureApplication();
        char pattern[] = "/tmp/vellox-export-cmd-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_dir = pattern;
        fx::testing::SetMessageBoxHandler([this](const MessageBoxCall& call) {
            m_messages.push_back(call);
            return IDOK;
        });
        fx::testing::SetSaveDialogHandler([this](const SaveDialogCall& call) {
            m_dialogs.push_back(call);
            return m_answer;
        });
    }
    void TearDown() override
    {
        fx::testing::ResetHandlers();
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }

    // The user picks `name` in the folder with the file type `filterIndex`.
    void Answer(const std::string& name, int filterIndex)
    {
        m_answer = SaveDialogAnswer{m_dir + "/" + name, filterIndex};
    }

    std::string m_dir;
    std::optional<SaveDialogAnswer> m_answer;
    std::vector<MessageBoxCall> m_messages;
    std::vector<SaveDialogCall> m_dialogs;
};

// --- too little to export ---

TEST_F(ExportCommand, FewerThanThreeLinesShowTheMessageAndNoDialog)
{
    Answer("out.txt", 1);
    for (const auto& list : {std::vector<std::string>{}, std::vector<std::string>{"Working..."},
                             std::vector<std::string>{"header", kSeparator}}) {
        m_messages.clear();
        OnExportCommand(list, 0, nullptr);
        ASSERT_EQ(m_messages.size(), 1u) << list.size();
        EXPECT_EQ(m_messages[0].text, "There is not enough information to be exported. Re-apply selection with "
                                      "different settings.");
        EXPECT_EQ(m_messages[0].flags & 0x0F, UINT(MB_OK));
    }
    EXPECT_TRUE(m_dialogs.empty());
    EXPECT_FALSE(fs::exists(m_dir + "/out.txt"));
}

TEST_F(ExportCommand, HeaderAndSeparatorsOnlyWriteTheHeaderAlone)
{
    Answer("empty.txt", 1);
    OnExportCommand({"UserName\tFull Name\t", kSeparator, kSeparator}, 0, nullptr);
    EXPECT_EQ(ReadFile(m_dir + "/empty.txt"), "UserName\tFull Name\t\n");
    EXPECT_TRUE(m_messages.empty());
}

// --- the dialog ---

TEST_F(ExportCommand, DialogOffersBothTypesAndAsksBeforeReplacing)
{
    Answer("out.txt", 1);
    OnExportCommand(kUsersList, 0, nullptr);
    ASSERT_EQ(m_dialogs.size(), 1u);
    const SaveDialogCall& call = m_dialogs[0];
    using Filters = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(call.filters, (Filters{{"Text files (*.txt)", "*.txt"}, {"CSV (*.csv)", "*.csv"}}));
    EXPECT_EQ(call.defaultExt, "TXT");
    EXPECT_EQ(call.fileName, "");
    EXPECT_NE(call.flags & OFN_OVERWRITEPROMPT, 0u);
    EXPECT_EQ(ExportFilterString(), "Text files (*.txt)|*.txt|CSV (*.csv)|*.csv||");
}

TEST_F(ExportCommand, DialogOpensOnTheTypeOfTheSetting)
{
    Answer("out.txt", 1);
    const std::pair<int, int> cases[] = {{0, 1}, {1, 2}, {2, 1}, {-1, 1}, {-7, 1}, {9, 1}};
    for (const auto& [setting, index] : cases) {
        m_dialogs.clear();
        OnExportCommand(kUsersList, setting, nullptr);
        ASSERT_EQ(m_dialogs.size(), 1u);
        EXPECT_EQ(m_dialogs[0].filterIndex, index) << "x_export_type " << setting;
    }
}

TEST_F(ExportCommand, CancelledDialogWritesNothing)
{
    m_answer = std::nullopt;
    OnExportCommand(kUsersList, 0, nullptr);
    EXPECT_EQ(m_dialogs.size(), 1u);
    EXPECT_TRUE(m_messages.empty());
    EXPECT_TRUE(fs::is_empty(m_dir));
}

// --- what is written ---

TEST_F(ExportCommand, UsersListInBothModes)
{
    Answer("users.txt", 1);
    OnExportCommand(kUsersList, 0, nullptr);
    EXPECT_EQ(ReadFile(m_dir + "/users.txt"), "UserName\tFull Name\tAcct.Expires\tMax.Stg.\t\n"
                                              "jsmith\tJohn Smith\tNever\tUnlimited\t\n"
                                              "adoe\tAnn Doe\t12/31/2027\tUnlimited\t\n");

    Answer("users.csv", 2);
    OnExportCommand(kUsersList, 1, nullptr);
    EXPECT_EQ(ReadFile(m_dir + "/users.csv"), "UserName,Full Name,Acct.Expires,Max.Stg.,\n"
                                              "jsmith,John Smith,Never,Unlimited,\n"
                                              "adoe,Ann Doe,12/31/2027,Unlimited,\n");
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(ExportCommand, NetworkListInBothModes)
{
    Answer("net.txt", 1);
    OnExportCommand(kNetworkList, 0, nullptr);
    EXPECT_EQ(ReadFile(m_dir + "/net.txt"),
              "Network\tResource\tResource Type\nSamba\t\t\tProvider\n\tDOMAIN\t\tDomain\n"
              "\t\t\\\\DC1\tServer\n");

    Answer("net.csv", 2);
    OnExportCommand(kNetworkList, 1, nullptr);
    EXPECT_EQ(ReadFile(m_dir + "/net.csv"), "Network,Resource,Resource Type\nSamba,,,Provider\n\tDOMAIN,,Domain\n"
                                            "\t,\\\\DC1,Server\n");
}

TEST_F(ExportCommand, TheDialogsTypeOverridesTheSetting)
{
    Answer("chosen-csv.txt", 2);  // CSV chosen while the setting says tab
    OnExportCommand(kUsersList, 0, nullptr);
    EXPECT_EQ(ReadFile(m_dir + "/chosen-csv.txt").substr(0, 41), "UserName,Full Name,Acct.Expires,Max.Stg.,");

    Answer("chosen-text.csv", 1);  // text chosen while the setting says comma
    OnExportCommand(kUsersList, 1, nullptr);
    EXPECT_EQ(ReadFile(m_dir + "/chosen-text.csv").substr(0, 41), "UserName\tFull Name\tAcct.Expires\tMax.Stg.\t");
}

TEST_F(ExportCommand, CommaModeQuotesFieldsWithCommasOrQuotes)
{
    const std::vector<std::string> list = {"UserName\tFull Name\t", kSeparator, "jsmith\tSmith, John\t",
                                           "bob\tBob \"The Builder\"\t", kSeparator};
    Answer("quoted.csv", 2);
    OnExportCommand(list, 1, nullptr);
    EXPECT_EQ(ReadFile(m_dir + "/quoted.csv"),
              "UserName,Full Name,\njsmith,\"Smith, John\",\nbob,\"Bob \"\"The Builder\"\"\",\n");

    Answer("quoted.txt", 1);
    OnExportCommand(list, 0, nullptr);
    EXPECT_EQ(ReadFile(m_dir + "/quoted.txt"),
              "UserName\tFull Name\t\njsmith\tSmith, John\t\nbob\tBob \"The Builder\"\t\n");
}

TEST_F(ExportCommand, ExportingAgainReplacesTheFileEntirely)
{
    const std::string path = m_dir + "/twice.txt";
    WriteFile(path, std::string(10000, 'x'));
    Answer("twice.txt", 1);
    OnExportCommand({"H", kSeparator, "a", kSeparator}, 0, nullptr);
    EXPECT_EQ(ReadFile(path), "H\na\n");
    OnExportCommand({"H2", kSeparator, kSeparator}, 0, nullptr);
    EXPECT_EQ(ReadFile(path), "H2\n");
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(ExportCommand, LongLinesAreWrittenWhole)
{
    const std::string longLine = std::string(5000, 'n') + "\t" + std::string(3000, 'c');
    Answer("long.txt", 1);
    OnExportCommand({"H", kSeparator, longLine, kSeparator}, 0, nullptr);
    EXPECT_EQ(ReadFile(m_dir + "/long.txt"), "H\n" + longLine + "\n");
}

// The command over a list box reads every line whole, in list order.
TEST_F(ExportCommand, ListBoxLinesAreExportedWhole)
{
    constexpr UINT kDialog = 9001;
    constexpr int kList = 100;
    fx::ResourceSet set;
    fx::DialogTemplate dlg;
    dlg.id = kDialog;
    dlg.cx = 200;
    dlg.cy = 100;
    fx::ControlTemplate list;
    list.id = kList;
    list.kind = fx::ControlKind::ListBox;
    list.cx = 180;
    list.cy = 80;
    list.style = fx::CS_USETABSTOPS | fx::CS_VSCROLL;
    dlg.controls.push_back(list);
    set.Add(dlg);
    fx::InstallResources(set);

    CDialog window(kDialog);
    ASSERT_TRUE(window.Create(kDialog));
    auto* box = static_cast<CListBox*>(window.GetDlgItem(kList));
    ASSERT_NE(box, nullptr);
    const std::string longLine = "zed\t" + std::string(900, 'y');
    for (const std::string& line :
         {std::string("Name\tComment"), kSeparator, longLine, std::string("abc\tfirst, second"), kSeparator})
        box->AddString(line.c_str());

    Answer("list.csv", 2);
    OnExportCommand(*box, 0, &window);
    EXPECT_EQ(ReadFile(m_dir + "/list.csv"),
              "Name,Comment\nzed," + std::string(900, 'y') + "\nabc,\"first, second\"\n");

    box->ResetContent();
    box->AddString("only line");
    OnExportCommand(*box, 0, &window);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].text, kExportNotEnoughText);
    window.DestroyWindow();
}

// --- failures ---

TEST_F(ExportCommand, UnwritableFolderShowsPathAndReason)
{
    // A regular file stands where the folder should be: refused even for root.
    WriteFile(m_dir + "/plainfile", "x");
    Answer("plainfile/out.txt", 1);
    OnExportCommand(kUsersList, 0, nullptr);
    ASSERT_EQ(m_messages.size(), 1u);
    const std::string& text = m_messages[0].text;
    EXPECT_EQ(text.rfind("Could not write the export file.\n" + m_dir + "/plainfile/out.txt\n", 0), 0u) << text;
    EXPECT_GT(text.size(), ("Could not write the export file.\n" + m_dir + "/plainfile/out.txt\n").size())
        << "the reason follows the path";
    EXPECT_EQ(ReadFile(m_dir + "/plainfile"), "x");
}

TEST_F(ExportCommand, FailingWriteKeepsTheOldFileAndReportsTheReason)
{
    const std::string path = m_dir + "/kept.txt";
    WriteFile(path, "old contents\n");
    Answer("kept.txt", 1);
    ExportIo io;
    io.write = [](int, const void*, std::size_t) -> ssize_t {
        errno = ENOSPC;
        return -1;
    };
    OnExportCommand(kUsersList, 0, nullptr, io);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].text, "Could not write the export file.\n" + path + "\n" + std::strerror(ENOSPC));
    EXPECT_EQ(ReadFile(path), "old contents\n");
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(m_dir))
        left.push_back(entry.path().filename());
    EXPECT_EQ(left, std::vector<std::string>{"kept.txt"}) << "no temporary file is left behind";
}

}  // namespace
