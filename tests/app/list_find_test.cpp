// Find and copy in the result list, by keyboard as a user would, on the sample domain.
#include "app_test_env.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>

#include <algorithm>

namespace {

class ListFind : public MainWindowTest {
protected:
    void Browse(const char* display)
    {
        Open();
        SelectDisplay(display);
        fx::testing::Click(*m_dlg, res::IDC_BROWSE);
        ASSERT_TRUE(WaitForBrowse());
        m_lines = ListLines();
    }

    // What the window shows that find and copy must leave as it is: menu texts and the
    // place of every control.
    std::vector<std::string> Look() const
    {
        std::vector<std::string> look;
        for (QAction* action : m_dlg->GetMenu()->GetQtMenu()->findChildren<QAction*>())
            look.push_back(action->text().toStdString());
        for (QWidget* child : m_dlg->GetWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            const QRect r = child->geometry();
            look.push_back(std::to_string(r.x()) + "," + std::to_string(r.y()) + " " + std::to_string(r.width()) + "x" +
                           std::to_string(r.height()));
        }
        return look;
    }

    QLineEdit* FindField() const { return m_dlg->m_listResults.View()->findChild<QLineEdit*>(); }

    std::vector<std::string> m_lines;
};

TEST_F(ListFind, CtrlFFindsLinesIgnoringCaseF3GoesOnAndEscapeKeepsTheLine)
{
    Browse("GROUPS");
    const std::vector<std::string> before = Look();
    std::vector<int> matches;  // lines holding "domain" in any case
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        std::string lower = m_lines[i];
        std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
        if (lower.find("domain") != std::string::npos)
            matches.push_back(static_cast<int>(i));
    }
    ASSERT_GE(matches.size(), 3u);

    fx::testing::FocusControl(*m_dlg, res::IDC_BROWSE);
    fx::testing::PressKey(*m_dlg, Qt::Key_F, Qt::ControlModifier);
    ASSERT_NE(FindField(), nullptr);
    EXPECT_TRUE(FindField()->isVisible());
    EXPECT_EQ(m_dlg->GetWidget()->focusWidget(), FindField());
    fx::testing::TypeKeys(*m_dlg, "DoMaIn");
    // Finding goes on from the current line: the matches in the order it meets them.
    const int caret = m_dlg->m_listResults.GetCaretIndex();
    std::rotate(matches.begin(), std::upper_bound(matches.begin(), matches.end(), caret), matches.end());
    fx::testing::PressKey(*m_dlg, Qt::Key_Return);
    EXPECT_EQ(m_dlg->m_listResults.GetSelItems(), std::vector<int>{matches[0]});
    EXPECT_FALSE(m_dlg->IsBrowsing()) << "Enter in the field is not the Browse button's";
    for (std::size_t press = 1; press <= matches.size(); ++press) {
        fx::testing::PressKey(*m_dlg, Qt::Key_F3);
        EXPECT_EQ(m_dlg->m_listResults.GetSelItems(), std::vector<int>{matches[press % matches.size()]}) << press;
    }
    fx::testing::PressKey(*m_dlg, Qt::Key_Escape);  // after wrapping round to the first
    EXPECT_FALSE(FindField()->isVisible());
    EXPECT_EQ(m_dlg->m_listResults.GetSelItems(), std::vector<int>{matches[0]});
    EXPECT_EQ(m_dlg->GetWidget()->focusWidget(), m_dlg->m_listResults.View());
    EXPECT_EQ(Look(), before);
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(ListFind, CtrlCCopiesEverySelectedLineWithItsTabs)
{
    Browse("USERS");
    const std::vector<std::string> before = Look();
    const auto joined = [](const std::vector<std::string>& lines) {
        std::string text;
        for (const std::string& line : lines)
            text += line + "\n";
        return text;
    };
    fx::testing::FocusControl(*m_dlg, res::IDC_RESULTS);
    fx::testing::PressKey(*m_dlg, Qt::Key_A, Qt::ControlModifier);
    fx::testing::PressKey(*m_dlg, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), joined(m_lines));

    fx::testing::ClickListItem(*m_dlg, res::IDC_RESULTS, 4);
    fx::testing::ClickListItem(*m_dlg, res::IDC_RESULTS, 2, true);
    fx::testing::PressKey(*m_dlg, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), joined({m_lines[2], m_lines[4]}));
    EXPECT_NE(m_lines[2].find('\t'), std::string::npos);
    EXPECT_EQ(Look(), before);
}

}  // namespace
