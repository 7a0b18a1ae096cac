// Dialog units to pixels for the pinned font, and the fixed-size window.
#include <QComboBox>
#include <QFontInfo>
#include <QListView>
#include <QPushButton>

#include "fx/internal.h"
#include "test_resources.h"

namespace fxtest {
namespace {

class Geometry : public FxTest { };

TEST_F(Geometry, DialogFontIsPinnedWhateverTheFaceName)
{
    QFont f = fx::DialogFont("MS Sans Serif", 8);
    EXPECT_EQ(QFontInfo(f).family(), "DejaVu Sans");
    EXPECT_EQ(f.pixelSize(), 11);  // 8 points at 96 dpi
    EXPECT_EQ(fx::DialogFont("Tahoma", 8).pixelSize(), 11);
    EXPECT_EQ(fx::DialogFont("MS Sans Serif", 10).pixelSize(), 13);
}

TEST_F(Geometry, BaseUnitsComeFromTheFontsAverageCharacter)
{
    QFont f = fx::DialogFont("MS Sans Serif", 8);
    auto bu = fx::detail::BaseUnitsOf(f);
    QFontMetrics fm(f);
    int avg = (fm.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 26 + 1) / 2;
    EXPECT_EQ(bu.cx, avg);
    EXPECT_EQ(bu.cy, fm.height());
    // A sane 11-pixel sans font: a character is wider than 4 and lower than 16 pixels.
    EXPECT_GT(bu.cx, 4);
    EXPECT_LT(bu.cx, 9);
    EXPECT_GT(bu.cy, 10);
    EXPECT_LT(bu.cy, 16);
}

TEST_F(Geometry, ConversionRoundsLikeMulDiv)
{
    fx::detail::BaseUnits bu{7, 13};
    EXPECT_EQ(fx::detail::DluToPxX(bu, 4), 7);
    EXPECT_EQ(fx::detail::DluToPxX(bu, 1), 2);      // 1.75 -> 2
    EXPECT_EQ(fx::detail::DluToPxX(bu, 330), 578);  // 577.5 -> 578
    EXPECT_EQ(fx::detail::DluToPxY(bu, 8), 13);
    EXPECT_EQ(fx::detail::DluToPxY(bu, 15), 24);    // 24.375 -> 24
    EXPECT_EQ(fx::detail::DluToPxY(bu, 185), 301);  // 300.625 -> 301
    QRect r = fx::detail::DluRect(bu, 100, 15, 330, 185);
    EXPECT_EQ(r.left(), 175);
    EXPECT_EQ(r.top(), 24);
    EXPECT_EQ(r.right() + 1, fx::detail::DluToPxX(bu, 430));
    EXPECT_EQ(r.bottom() + 1, fx::detail::DluToPxY(bu, 200));
}

// A window put back where it was is pulled onto the screen's free area: no larger than
// it, at least the minimum where it has room, and moved rather than cut where it can.
TEST_F(Geometry, WindowRectangleIsPulledOntoTheScreen)
{
    const QRect screen(0, 0, 1280, 1024);
    const QSize minimum(772, 384);
    struct Case {
        const char* what;
        QRect wanted;
        QRect available;
        QRect expected;
    } cases[] = {
        {"fits: unchanged", QRect(100, 50, 900, 500), screen, QRect(100, 50, 900, 500)},
        {"off to the right and down: moved back", QRect(1000, 900, 900, 500), screen, QRect(380, 524, 900, 500)},
        {"off to the left and up: moved back", QRect(-300, -40, 900, 500), screen, QRect(0, 0, 900, 500)},
        {"smaller than the minimum: grown", QRect(10, 10, 300, 200), screen, QRect(10, 10, 772, 384)},
        {"larger than the screen: cut", QRect(-50, -50, 3000, 2000), screen, QRect(0, 0, 1280, 1024)},
        {"scale 2 (half the logical screen): minimum cut too", QRect(0, 0, 772, 384), QRect(0, 0, 640, 512),
         QRect(0, 0, 640, 384)},
        {"second screen to the left", QRect(-2000, 100, 900, 500), QRect(-1920, 0, 1920, 1080),
         QRect(-1920, 100, 900, 500)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fx::detail::FitOnScreen(c.wanted, c.available, minimum), c.expected) << c.what;
}

TEST_F(Geometry, ControlsSitWhereTheTemplateSays)
{
    CTestDialog dlg;
    ASSERT_TRUE(dlg.Create());
    auto bu = fx::detail::BaseUnitsOf(fx::DialogFont("MS Sans Serif", 8));
    QWidget* list = dlg.GetChildWidget(IDC_LIST);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->geometry(), fx::detail::DluRect(bu, 100, 15, 330, 185));
    QWidget* browse = dlg.GetChildWidget(IDC_BROWSE);
    EXPECT_EQ(browse->geometry(), fx::detail::DluRect(bu, 5, 100, 65, 15));
    // Stop lies exactly on Browse.
    EXPECT_EQ(dlg.GetChildWidget(IDC_STOP)->geometry(), browse->geometry());
    // A combo box's template height includes its list; the field keeps the font's height.
    QWidget* combo = dlg.GetChildWidget(IDC_COMBO);
    EXPECT_EQ(combo->pos(), fx::detail::DluRect(bu, 5, 55, 85, 45).topLeft());
    EXPECT_EQ(combo->width(), fx::detail::DluRect(bu, 5, 55, 85, 45).width());
    EXPECT_LT(combo->height(), fx::detail::DluToPxY(bu, 45));
    // Icons take the icon's size.
    EXPECT_EQ(dlg.GetChildWidget(IDC_ICON)->size(), QSize(32, 32));
    dlg.DestroyWindow();
}

TEST_F(Geometry, ClientAreaHasTheTemplateSizeAndCannotBeResized)
{
    CTestDialog dlg;
    ASSERT_TRUE(dlg.Create());
    auto bu = fx::detail::BaseUnitsOf(fx::DialogFont("MS Sans Serif", 8));
    CRect client;
    dlg.GetClientRect(&client);
    EXPECT_EQ(client.Width(), fx::detail::DluToPxX(bu, 441));
    EXPECT_EQ(client.Height(), fx::detail::DluToPxY(bu, 213));
    QWidget* w = dlg.GetWidget();
    fx::testing::ProcessEvents();
    EXPECT_EQ(w->minimumSize(), w->maximumSize());
    // The menu bar sits above the client area, which therefore starts below it.
    EXPECT_GT(w->height(), client.Height());
}

TEST_F(Geometry, IntegralHeightListShrinksToWholeLines)
{
    CTestDialog dlg(IDD_PLAIN);
    ASSERT_TRUE(dlg.Create());
    QWidget* list = dlg.GetChildWidget(IDC_SINGLE_LIST);
    auto bu = fx::detail::BaseUnitsOf(fx::DialogFont("MS Sans Serif", 8));
    int line = QFontMetrics(list->font()).height();
    EXPECT_LE(list->height(), fx::detail::DluToPxY(bu, 50));
    EXPECT_EQ((list->height() - 2) % line, 0);
}

}  // namespace
}  // namespace fxtest
