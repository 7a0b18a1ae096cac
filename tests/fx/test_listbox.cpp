// List box: tab stops, selection, sorting, long lines, many lines.
#include <QImage>
#include <QListView>
#include <QScrollBar>

#include "fx/internal.h"
#include "fx/listbox_model.h"
#include "test_resources.h"

namespace fxtest {
namespace {

class ListBox : public FxTest {
protected:
    void SetUp() override
    {
        FxTest::SetUp();
        ASSERT_TRUE(dlg.Create());
        bu = fx::detail::BaseUnitsOf(fx::DialogFont("MS Sans Serif", 8));
    }
    int Px(int dlu) const { return fx::detail::DluToPxX(bu, dlu); }
    CTestDialog dlg;
    fx::detail::BaseUnits bu;
};

TEST_F(ListBox, NoTabStopsMeansOneEvery32Units)
{
    CListBox& list = dlg.m_listResults;
    list.SetTabStops();
    EXPECT_EQ(list.TabStopPixels(3), (std::vector<int>{Px(32), Px(64), Px(96)}));
}

TEST_F(ListBox, OneValueMeansOneEveryThatMany)
{
    CListBox& list = dlg.m_listResults;
    list.SetTabStops(50);
    EXPECT_EQ(list.TabStopPixels(3), (std::vector<int>{Px(50), Px(100), Px(150)}));
}

TEST_F(ListBox, SeveralValuesAreThosePositionsThenEvery32)
{
    CListBox& list = dlg.m_listResults;
    const int stops[] = {0, 75, 125};
    list.SetTabStops(3, stops);
    EXPECT_EQ(list.TabStopPixels(5), (std::vector<int>{Px(0), Px(75), Px(125), Px(157), Px(189)}));
    const int users[] = {70, 150, 180};
    list.SetTabStops(3, users);
    EXPECT_EQ(list.TabStopPixels(3), (std::vector<int>{Px(70), Px(150), Px(180)}));
}

// Leftmost column with dark pixels in the list's picture, from x0 on.
int FirstInk(const QImage& img, int x0, int y0, int y1)
{
    for (int x = x0; x < img.width(); ++x) {
        for (int y = y0 + 1; y < y1 - 1; ++y) {  // inside the focus rectangle
            if (qGray(img.pixel(x, y)) < 100)
                return x;
        }
    }
    return -1;
}

// Field widths in, column positions out: a column starts at its tab stop unless the
// widest field before it (with the gap) reaches past the stop; later columns follow.
TEST(ColumnLayout, ColumnsWidenToTheirWidestFieldAndPushTheLaterOnes)
{
    const int gap = 6;
    struct Case {
        const char* what;
        std::vector<int> pushing;
        std::vector<int> reaching;
        std::vector<int> stops;
        std::vector<int> starts;
        int extent;
    } cases[] = {
        {"every field fits: the stops", {50, 60, 0}, {50, 60, 20}, {100, 200}, {0, 100, 200}, 220},
        {"a wide first field pushes every later column", {150, 60, 0}, {150, 60, 20}, {100, 200}, {0, 156, 222}, 242},
        {"a field ending right at the stop keeps the gap", {100, 0}, {100, 10}, {100}, {0, 106}, 116},
        {"a wide middle column moves only the ones after it",
         {50, 180, 0},
         {50, 180, 20},
         {100, 200},
         {0, 100, 286},
         306},
        {"an empty column takes no gap", {40, 0, 0}, {40, 0, 30}, {100, 101}, {0, 100, 101}, 131},
        {"more columns than stops: each right after the one before",
         {30, 40, 0},
         {30, 40, 50},
         {100},
         {0, 100, 146},
         196},
        {"a line without TABs pushes nothing but reaches", {60, 0}, {1500, 30}, {100}, {0, 100}, 1500},
        {"no lines", {}, {}, {100}, {}, 0},
    };
    for (const Case& c : cases) {
        const std::vector<int> starts = fx::ColumnStarts(c.pushing, c.stops, gap);
        EXPECT_EQ(starts, c.starts) << c.what;
        EXPECT_EQ(fx::ColumnsExtent(starts, c.reaching), c.extent) << c.what;
    }
}

TEST(ColumnLayout, EachTabStartsTheNextColumnsField)
{
    const fx::TextWidth width = [](std::string_view text) { return int(text.size()) * 10; };
    fx::ColumnWidths widths;
    fx::WidenColumns(widths, "alice\tAlice Smith\t12", true, width);
    fx::WidenColumns(widths, "bob\t\t12345\textra", true, width);
    fx::WidenColumns(widths, "==================", true, width);  // a separator
    EXPECT_EQ(widths.pushing, (std::vector<int>{50, 110, 50, 50}));
    EXPECT_EQ(widths.reaching, (std::vector<int>{180, 110, 50, 50}));
    fx::ColumnWidths whole;
    fx::WidenColumns(whole, "a\tbc", false, width);
    EXPECT_EQ(whole.pushing, std::vector<int>{0});
    EXPECT_EQ(whole.reaching, std::vector<int>{40});
}

TEST_F(ListBox, EveryLineDrawsItsFieldsAtTheSameColumnsRightOfTheWidest)
{
    CListBox& list = dlg.m_listResults;
    const int stops[] = {40, 100};
    list.SetTabStops(2, stops);
    list.AddString("\tX");
    list.AddString("\t\tX");
    list.AddString("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW\tX");  // wider than the first column
    fx::testing::ProcessEvents();
    QListView* view = list.View();
    QImage img(view->viewport()->size(), QImage::Format_RGB32);
    img.fill(Qt::white);
    view->viewport()->render(&img);
    const QFontMetrics fm(view->font());
    const int h = fm.height();
    const int origin = 2;  // text margin inside the item
    const int wide = fm.horizontalAdvance(QString(32, 'W'));
    // The second column starts right of the widest first field, on every line.
    const int x0 = FirstInk(img, 1, 0, h);
    const int x2 = FirstInk(img, origin + wide + 1, 2 * h, 3 * h);
    EXPECT_GT(x0, origin + wide);
    EXPECT_NEAR(x0, x2, 1);
    // The third column still starts at its stop, or right of the moved second one.
    const int x1 = FirstInk(img, 1, h, 2 * h);
    EXPECT_GT(x1, x0);
    EXPECT_GE(x1, origin + Px(100) - 1);
}

TEST_F(ListBox, HorizontalExtentFollowsTheWidestLine)
{
    CListBox& list = dlg.m_listResults;
    list.SetHorizontalExtent(100);
    list.AddString("short\tline");
    fx::testing::ProcessEvents();
    const int before = list.View()->horizontalScrollBar()->maximum();
    const std::string wide = std::string(400, 'M') + "\tend";
    list.AddString(wide.c_str());
    fx::testing::ProcessEvents();
    const int wideField = QFontMetrics(list.View()->font()).horizontalAdvance(QString(400, 'M'));
    EXPECT_GT(list.View()->horizontalScrollBar()->maximum(), before);
    EXPECT_GE(list.View()->horizontalScrollBar()->maximum() + list.View()->viewport()->width(), wideField);
    EXPECT_EQ(list.GetHorizontalExtent(), 100) << "the extent as set";
    list.ResetContent();
    list.AddString("short");
    fx::testing::ProcessEvents();
    EXPECT_EQ(list.View()->horizontalScrollBar()->maximum(), before) << "a new list measures afresh";
}

TEST_F(ListBox, ExtendedSelectionGivesAscendingIndices)
{
    CListBox& list = dlg.m_listResults;
    for (int i = 0; i < 10; ++i)
        list.AddString(("line " + std::to_string(i)).c_str());
    list.SetSel(7, TRUE);
    list.SetSel(2, TRUE);
    list.SelItemRange(TRUE, 5, 4);  // reversed range
    list.SetSel(9, TRUE);
    list.SetSel(9, FALSE);
    EXPECT_EQ(list.GetSelCount(), 4);
    EXPECT_EQ(list.GetSelItems(), (std::vector<int>{2, 4, 5, 7}));
    int buf[3] = {-1, -1, -1};
    EXPECT_EQ(list.GetSelItems(3, buf), 3);
    EXPECT_EQ(buf[2], 5);
    EXPECT_EQ(list.GetSel(4), 1);
    EXPECT_EQ(list.GetSel(3), 0);
    EXPECT_EQ(list.GetSel(10), LB_ERR);
    list.SetSel(-1, FALSE);
    EXPECT_EQ(list.GetSelCount(), 0);
    list.SetSel(-1, TRUE);
    EXPECT_EQ(list.GetSelCount(), 10);
    EXPECT_EQ(list.SetCurSel(1), LB_ERR);  // not for a multiple-selection list
}

TEST_F(ListBox, UserCtrlAndShiftClicksExtendTheSelection)
{
    CListBox& list = dlg.m_listResults;
    for (int i = 0; i < 6; ++i)
        list.AddString("x");
    fx::testing::ClickListItem(dlg, IDC_LIST, 1);
    fx::testing::ClickListItem(dlg, IDC_LIST, 4, /*ctrl=*/true);
    EXPECT_EQ(list.GetSelItems(), (std::vector<int>{1, 4}));
    fx::testing::ClickListItem(dlg, IDC_LIST, 2, false, /*shift=*/true);
    EXPECT_EQ(list.GetSelItems(), (std::vector<int>{2, 3, 4}));
    fx::testing::ClickListItem(dlg, IDC_LIST, 0);
    EXPECT_EQ(list.GetSelItems(), (std::vector<int>{0}));
}

TEST_F(ListBox, SingleSelectionList)
{
    CTestDialog plain(IDD_PLAIN);
    ASSERT_TRUE(plain.Create());
    auto* list = static_cast<CListBox*>(plain.GetDlgItem(IDC_SINGLE_LIST));
    list->AddString("a");
    list->AddString("b");
    EXPECT_EQ(list->GetCurSel(), LB_ERR);
    EXPECT_EQ(list->GetSelCount(), LB_ERR);
    EXPECT_EQ(list->SetCurSel(1), 1);
    EXPECT_EQ(list->GetCurSel(), 1);
    EXPECT_EQ(list->SetSel(0, TRUE), LB_ERR);
    EXPECT_EQ(list->SetCurSel(-1), LB_ERR);
    EXPECT_EQ(list->GetCurSel(), LB_ERR);
}

TEST_F(ListBox, UnsortedKeepsOrderAndInsertPlacesExactly)
{
    CListBox& list = dlg.m_listResults;
    EXPECT_EQ(list.AddString("b"), 0);
    EXPECT_EQ(list.AddString("a"), 1);
    EXPECT_EQ(list.InsertString(0, "header"), 0);
    EXPECT_EQ(list.InsertString(-1, "end"), 3);
    EXPECT_EQ(list.InsertString(9, "bad"), LB_ERR);
    CString s;
    list.GetText(1, s);
    EXPECT_EQ(s, "b");
    EXPECT_EQ(list.DeleteString(0), 3);
    EXPECT_EQ(list.DeleteString(3), LB_ERR);
    list.GetText(0, s);
    EXPECT_EQ(s, "b");
    EXPECT_EQ(list.GetText(7, s), LB_ERR);
    list.ResetContent();
    EXPECT_EQ(list.GetCount(), 0);
}

TEST_F(ListBox, SortedListInsertsAtTheSortedPlace)
{
    fx::ListBoxModel model(/*sorted=*/true, nullptr);
    EXPECT_EQ(model.Add("delta"), 0);
    EXPECT_EQ(model.Add("Alpha"), 0);
    EXPECT_EQ(model.Add("charlie"), 1);
    EXPECT_EQ(model.Add("bravo"), 1);
    EXPECT_EQ(model.Add("zulu"), 4);
    EXPECT_EQ(model.Add("ALPHA"), 1);  // equal ignoring case: after the earlier one
    model.Flush();
    EXPECT_EQ(model.rowCount(), 6);
    EXPECT_EQ(model.Line(0), "Alpha");
    EXPECT_EQ(model.Line(5), "zulu");
}

TEST_F(ListBox, TextOfAnyLength)
{
    CListBox& list = dlg.m_listResults;
    std::string longLine(200000, 'q');
    longLine += "\tend";
    list.AddString(longLine.c_str());
    CString s;
    EXPECT_EQ(list.GetText(0, s), int(longLine.size()));
    EXPECT_EQ(s, longLine);
    EXPECT_EQ(list.GetTextLen(0), int(longLine.size()));
}

TEST_F(ListBox, AMillionLinesOneByOne)
{
    CListBox& list = dlg.m_listResults;
    char buf[32];
    for (int i = 0; i < 1000000; ++i) {
        std::snprintf(buf, sizeof buf, "user%07d\tx", i);
        list.AddString(buf);
    }
    EXPECT_EQ(list.GetCount(), 1000000);
    fx::testing::ProcessEvents();
    EXPECT_EQ(list.View()->model()->rowCount(), 1000000);
    CString s;
    list.GetText(999999, s);
    EXPECT_EQ(s, "user0999999\tx");
    list.SetTopIndex(999000);
    fx::testing::ProcessEvents();
    EXPECT_GE(list.GetTopIndex(), 998000);
    list.SetSel(999999, TRUE);
    EXPECT_EQ(list.GetSelItems(), std::vector<int>{999999});
}

TEST_F(ListBox, LinesAddedInBulkFollowTheOnesAddedSingly)
{
    CListBox& list = dlg.m_listResults;
    list.AddString("first");
    list.AddStrings({"second", "third"});
    list.AddString("fourth");
    ASSERT_EQ(list.GetCount(), 4);
    CString s;
    list.GetText(2, s);
    EXPECT_EQ(s, "third");
    list.GetText(3, s);
    EXPECT_EQ(s, "fourth");
}

TEST_F(ListBox, HorizontalExtentGivesAScrollRange)
{
    CListBox& list = dlg.m_listResults;
    list.AddString("row");
    fx::testing::ProcessEvents();
    EXPECT_EQ(list.View()->horizontalScrollBar()->maximum(), 0);
    list.SetHorizontalExtent(1250);
    EXPECT_EQ(list.GetHorizontalExtent(), 1250);
    fx::testing::ProcessEvents();
    EXPECT_GT(list.View()->horizontalScrollBar()->maximum(), 0);
    EXPECT_LE(list.View()->horizontalScrollBar()->maximum(), 1250);
}

// A wide list is reached column by column: an arrow moves about one character, the
// trough a page, never the whole width.
TEST_F(ListBox, ScrollArrowMovesACharacterAndTheTroughAPage)
{
    CListBox& list = dlg.m_listResults;
    list.AddString("row");
    list.SetHorizontalExtent(4000);
    fx::testing::ProcessEvents();
    QScrollBar* bar = list.View()->horizontalScrollBar();
    const int character = list.View()->fontMetrics().averageCharWidth();
    const int page = list.View()->viewport()->width();
    ASSERT_GT(bar->maximum(), 2 * page);
    const struct {
        QAbstractSlider::SliderAction action;
        int step;
    } cases[] = {{QAbstractSlider::SliderSingleStepAdd, character}, {QAbstractSlider::SliderPageStepAdd, page}};
    for (const auto& c : cases) {
        bar->setValue(0);
        bar->triggerAction(c.action);
        EXPECT_EQ(bar->value(), c.step) << int(c.action);
    }
}

TEST_F(ListBox, FindStringSearchesFromAfterTheStartAndWraps)
{
    CListBox& list = dlg.m_listResults;
    list.AddString("Apple");
    list.AddString("banana");
    list.AddString("apricot");
    EXPECT_EQ(list.FindString(-1, "AP"), 0);
    EXPECT_EQ(list.FindString(0, "ap"), 2);
    EXPECT_EQ(list.FindString(2, "ap"), 0);
    EXPECT_EQ(list.FindStringExact(-1, "BANANA"), 1);
    EXPECT_EQ(list.FindStringExact(-1, "ban"), LB_ERR);
}

}  // namespace
}  // namespace fxtest
