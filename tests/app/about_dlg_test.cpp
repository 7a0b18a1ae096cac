// The About box and the contact box: stamps, history, both ways of opening the About
// box, and the contact box's painting (figure ANDed onto the dialog colour, word-mark
// copied).
#include "app/about_dlg.h"
#include "app/contact_dlg.h"
#include "app_test_env.h"
#include "res/about_resource.h"

#include <QImage>
#include <QPalette>
#include <QWidget>

#include <fstream>
#include <optional>
#include <regex>

namespace {

std::vector<std::string> ListLines(const CListBox& list)
{
    std::vector<std::string> lines;
    for (int i = 0; i < list.GetCount(); ++i) {
        CString text;
        list.GetText(i, text);
        lines.push_back(text);
    }
    return lines;
}

std::string ItemText(const CWnd& dlg, int id)
{
    CString text;
    dlg.GetDlgItemText(id, text);
    return text;
}

// What an open About box shows.
struct AboutContent {
    std::string version;
    std::string build;
    std::vector<std::string> history;
    bool operator==(const AboutContent&) const = default;
};

AboutContent ContentOf(CAboutDlg& dlg)
{
    return {ItemText(dlg, res::IDC_VERSION), ItemText(dlg, res::IDC_BUILD), ListLines(dlg.m_listHistory)};
}

// Runs `open` with a modal handler that records the About box it sees and presses OK.
std::optional<AboutContent> CaptureAbout(const std::function<void()>& open)
{
    std::optional<AboutContent> seen;
    fx::testing::SetModalHandler([&seen](CWnd& window) {
        auto* about = dynamic_cast<CAboutDlg*>(&window);
        ASSERT_NE(about, nullptr);
        seen = ContentOf(*about);
        fx::testing::Click(window, IDOK);
    });
    open();
    fx::testing::SetModalHandler({});
    return seen;
}

AboutContent RunAbout(const char* version, const char* build)
{
    CAboutDlg dlg;
    dlg.m_strVersion = version;
    dlg.m_strBuild = build;
    std::optional<AboutContent> seen = CaptureAbout([&dlg] { EXPECT_EQ(dlg.DoModal(), IDOK); });
    EXPECT_TRUE(seen.has_value());
    return seen.value_or(AboutContent{});
}

class AboutBoxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fx::EnsureApplication();
        res::Install();
    }
    void TearDown() override { fx::testing::ResetHandlers(); }
};

TEST_F(AboutBoxTest, ShowsTheStampsItIsGivenInPlaceOfTheTemplateTexts)
{
    AboutContent defaults = RunAbout("BETA", "Build007");
    EXPECT_EQ(defaults.version, "BETA");
    EXPECT_EQ(defaults.build, "Build007");

    AboutContent stored = RunAbout("2.1", "Build 212");
    EXPECT_EQ(stored.version, "2.1");
    EXPECT_EQ(stored.build, "Build 212");
}

TEST_F(AboutBoxTest, HistoryIsTheHeadingThenSevenBuildsOldestFirstInInsertionOrder)
{
    AboutContent content = RunAbout("BETA", "Build007");
    ASSERT_EQ(content.history.size(), 8u);
    EXPECT_EQ(content.history[0], "HISTORY" + std::string(78, '-'));

    const std::regex line(R"((\d\d)-(\d\d)-(\d\d)   BUILD (\d\d\d))");
    int previousDate = 0;
    for (int i = 1; i <= 7; ++i) {
        std::smatch m;
        const std::string& text = content.history[size_t(i)];
        ASSERT_TRUE(std::regex_match(text, m, line)) << text;
        const int day = std::stoi(m[1]), month = std::stoi(m[2]), year = std::stoi(m[3]);
        EXPECT_TRUE(day >= 1 && day <= 31 && month >= 1 && month <= 12) << text;
        const int date = year * 10000 + month * 100 + day;
        EXPECT_GT(date, previousDate) << "not oldest first: " << text;
        previousDate = date;
        EXPECT_EQ(std::stoi(m[4]), i) << text;
    }
}

TEST_F(AboutBoxTest, OkEscapeAndTheCloseBoxAllCloseTheBox)
{
    const std::vector<std::pair<const char*, std::function<void(CWnd&)>>> ways = {
        {"OK", [](CWnd& w) { fx::testing::Click(w, IDOK); }},
        {"Escape", [](CWnd& w) { fx::testing::PressKey(w, Qt::Key_Escape); }},
        {"close box", [](CWnd& w) { fx::testing::CloseBox(w); }},
    };
    for (const auto& [name, act] : ways) {
        CAboutDlg dlg;
        bool ran = false;
        fx::testing::SetModalHandler([&](CWnd& w) {
            ran = true;
            act(w);
        });
        const INT_PTR result = dlg.DoModal();
        EXPECT_TRUE(ran) << name;
        EXPECT_TRUE(dlg.IsModalEnded()) << name;
        EXPECT_NE(result, -1) << name;
    }
}

TEST_F(AboutBoxTest, RendersToPng)
{
    CAboutDlg dlg;
    dlg.m_strVersion = "BETA";
    dlg.m_strBuild = "Build007";
    ASSERT_TRUE(dlg.Create());
    const std::string path = std::string(APP_TEST_OUTDIR) + "/about_box.png";
    ASSERT_TRUE(fx::testing::RenderToPng(dlg, path));
    QImage image(QString::fromStdString(path));
    ASSERT_FALSE(image.isNull());
    EXPECT_GT(image.width(), 200);
    EXPECT_GT(image.height(), 200);
}

// Through the main window: both openings give the same box, with the stamps that
// LoadSettings read.
class AboutFromMainWindowTest : public MainWindowTest {
protected:
    AboutContent FromHelpMenu()
    {
        auto seen = CaptureAbout([this] { fx::testing::ChooseMenuCommand(*m_dlg, res::ID_HELP_ABOUT); });
        EXPECT_TRUE(seen.has_value()) << "Help > About opened no About box";
        return seen.value_or(AboutContent{});
    }
    AboutContent FromSystemMenu()
    {
        fx::testing::SetPopupMenuHandler([](const std::vector<std::pair<UINT, std::string>>& entries) {
            for (const auto& [id, text] : entries)
                if (id == res::IDM_ABOUTBOX)
                    return id;
            return 0u;
        });
        auto seen = CaptureAbout([this] { fx::testing::PressKey(*m_dlg, Qt::Key_Space, Qt::AltModifier); });
        fx::testing::SetPopupMenuHandler({});
        EXPECT_TRUE(seen.has_value()) << "the system menu's About entry opened no About box";
        return seen.value_or(AboutContent{});
    }
    void StoreStamps(const std::string& version, const std::string& build)
    {
        std::filesystem::create_directories(m_dir / "config" / "Tavro");
        std::ofstream out(m_dir / "config" / "Tavro" / "Vellox.reg");
        out << "[HKEY_CURRENT_USER\\Software\\Tavro\\Vellox]\n"
            << "\"Version\"=\"" << version << "\"\n"
            << "\"Build\"=\"" << build << "\"\n";
    }
};

TEST_F(AboutFromMainWindowTest, WithoutStoredStampsBothOpeningsShowBetaAndBuild007)
{
    Open();
    AboutContent help = FromHelpMenu();
    AboutContent system = FromSystemMenu();
    EXPECT_EQ(help.version, "BETA");
    EXPECT_EQ(help.build, "Build007");
    EXPECT_EQ(help.history.size(), 8u);
    EXPECT_EQ(help, system);
}

TEST_F(AboutFromMainWindowTest, StoredStampsAreShownFromBothOpenings)
{
    StoreStamps("1.4", "Build 314");
    Open();
    AboutContent help = FromHelpMenu();
    EXPECT_EQ(help.version, "1.4");
    EXPECT_EQ(help.build, "Build 314");
    EXPECT_EQ(help, FromSystemMenu());
}

TEST_F(AboutFromMainWindowTest, HowToContactOpensTheContactBox)
{
    Open();
    UINT seenTemplate = 0;
    fx::testing::SetModalHandler([&](CWnd& window) {
        if (auto* contact = dynamic_cast<CContactDlg*>(&window))
            seenTemplate = contact->GetTemplateId();
        fx::testing::Click(window, IDOK);
    });
    fx::testing::ChooseMenuCommand(*m_dlg, res::ID_HELP_CONTACT);
    EXPECT_EQ(seenTemplate, res::IDD_CONTACT);
}

// ------------------------------------------------------------------ contact box

class ContactBoxTest : public AboutBoxTest {
protected:
    // Renders the open box and returns its client area as an image.
    QImage RenderClient(CContactDlg& dlg, const std::string& name)
    {
        const std::string path = std::string(APP_TEST_OUTDIR) + "/" + name;
        EXPECT_TRUE(fx::testing::RenderToPng(dlg, path));
        QImage window(QString::fromStdString(path));
        QWidget* client = dlg.GetClientWidget();
        const QPoint origin = client->mapTo(dlg.GetWidget(), QPoint(0, 0));
        return window.copy(QRect(origin, client->size())).convertToFormat(QImage::Format_RGB32);
    }
    static QImage Bitmap(UINT id)
    {
        HBITMAP bmp = fx::LoadBitmapResource(id);
        return bmp ? bmp->toImage().convertToFormat(QImage::Format_RGB32) : QImage();
    }
    // A figure pixel with the given whiteness, outside the word-mark and left of the rule.
    static std::optional<QPoint> FindFigurePixel(const QImage& figure, bool white, int ruleX)
    {
        for (int y = 0; y < figure.height(); ++y) {
            for (int x = 0; x < figure.width(); ++x) {
                const QPoint client(x + res::kFigureX, y + res::kFigureY);
                if (client.x() >= ruleX - 2)
                    continue;
                const QRect mark(res::kWordmarkX, res::kWordmarkY, res::kWordmarkWidth, res::kWordmarkHeight);
                if (mark.contains(client))
                    continue;
                const QRgb c = figure.pixel(x, y);
                const bool isWhite = c == qRgb(255, 255, 255);
                const bool isDark = qGray(c) < 64;
                if ((white && isWhite && x > 5 && y > 5) || (!white && isDark))
                    return QPoint(x, y);
            }
        }
        return std::nullopt;
    }
    int RuleX(CContactDlg& dlg) { return dlg.GetDlgItem(res::IDC_CONTACT_RULE)->GetWidget()->geometry().x(); }
};

TEST_F(ContactBoxTest, ShowsTheHeadingAndTheTwoAddresses)
{
    const fx::DialogTemplate* t = fx::FindDialogTemplate(res::IDD_CONTACT);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->caption, "How to contact Tavro Software...");
    std::string texts;
    for (const auto& c : t->controls)
        texts += c.text + "\n";
    EXPECT_NE(texts.find("Questions ?\n"), std::string::npos);
    EXPECT_NE(texts.find("vellox@example.org"), std::string::npos);
    EXPECT_NE(texts.find("https://example.org/vellox"), std::string::npos);
}

TEST_F(ContactBoxTest, LoadsBothPicturesAtInitialisation)
{
    CContactDlg dlg;
    ASSERT_TRUE(dlg.Create());
    ASSERT_NE(dlg.m_pPicture, nullptr);
    ASSERT_NE(dlg.m_pLogo, nullptr);
    EXPECT_EQ(dlg.m_pPicture->size(), QSize(160, 260));
    EXPECT_EQ(dlg.m_pLogo->size(), QSize(130, 55));
}

// The figure's white ground takes the dialog's colour, whatever that colour is; its
// lines stay dark; the word-mark keeps its own pixels; the rule is black.
TEST_F(ContactBoxTest, FigureIsAndedOntoTheDialogColourAndTheWordmarkCopied)
{
    const QImage figure = Bitmap(res::IDB_FIGURE);
    const QImage mark = Bitmap(res::IDB_WORDMARK);
    ASSERT_FALSE(figure.isNull());
    ASSERT_FALSE(mark.isNull());

    const std::vector<std::pair<const char*, std::optional<QColor>>> grounds = {
        {"contact_box.png", std::nullopt},
        {"contact_box_tinted.png", QColor(0xC8, 0xDC, 0xB4)},
    };
    for (const auto& [name, ground] : grounds) {
        SCOPED_TRACE(name);
        CContactDlg dlg;
        ASSERT_TRUE(dlg.Create());
        if (ground) {
            QPalette palette = dlg.GetWidget()->palette();
            palette.setColor(QPalette::Window, *ground);
            dlg.GetWidget()->setPalette(palette);
        }
        const QRgb background = dlg.GetWidget()->palette().color(QPalette::Window).rgb();
        const QImage client = RenderClient(dlg, name);
        const int ruleX = RuleX(dlg);

        auto white = FindFigurePixel(figure, true, ruleX);
        auto line = FindFigurePixel(figure, false, ruleX);
        ASSERT_TRUE(white && line);
        EXPECT_EQ(client.pixel(*white + QPoint(res::kFigureX, res::kFigureY)), background);
        const QRgb shownLine = client.pixel(*line + QPoint(res::kFigureX, res::kFigureY));
        EXPECT_LT(qGray(shownLine), 64);
        // AND: never lighter than the ground, channel by channel.
        EXPECT_LE(qRed(shownLine), qRed(background));
        EXPECT_LE(qGreen(shownLine), qGreen(background));
        EXPECT_LE(qBlue(shownLine), qBlue(background));

        // The word-mark is copied as it is, ground included (left of the rule).
        for (QPoint p : {QPoint(1, 1), QPoint(20, 27), QPoint(60, 50)}) {
            if (p.x() + res::kWordmarkX >= ruleX)
                continue;
            EXPECT_EQ(client.pixel(p + QPoint(res::kWordmarkX, res::kWordmarkY)), mark.pixel(p))
                << p.x() << "," << p.y();
        }
        EXPECT_EQ(client.pixel(ruleX, 2), qRgb(0, 0, 0));
        EXPECT_EQ(client.pixel(ruleX, client.height() / 2), qRgb(0, 0, 0));
    }
}

TEST_F(ContactBoxTest, RepaintingDrawsTheSamePicture)
{
    CContactDlg dlg;
    ASSERT_TRUE(dlg.Create());
    const QImage first = RenderClient(dlg, "contact_box_first.png");
    dlg.Invalidate();
    fx::testing::ProcessEvents();
    const QImage second = RenderClient(dlg, "contact_box_second.png");
    EXPECT_EQ(first, second);
}

}  // namespace
