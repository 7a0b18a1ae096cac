// A test dialog rendered to PNG: controls appear where the template puts them.
#include <QImage>

#include "fx/internal.h"
#include "test_resources.h"

namespace fxtest {
namespace {

class Render : public FxTest { };

TEST_F(Render, DialogToPng)
{
    CTestDialog dlg;
    ASSERT_TRUE(dlg.Create());
    dlg.m_comboServer.AddString("\\\\DC1");
    dlg.m_comboServer.SetCurSel(0);
    const int stops[] = {70, 150};
    dlg.m_listResults.SetTabStops(2, stops);
    dlg.m_listResults.AddString("UserName\tFull Name\tComment");
    dlg.m_listResults.AddString(std::string(60, '=').c_str());
    dlg.m_listResults.AddString("jsmith\tJohn Smith\tAdministrator");
    dlg.m_listResults.SetSel(2, TRUE);
    std::string path = std::string(FX_TEST_OUTDIR) + "/test_dialog.png";
    ASSERT_TRUE(fx::testing::RenderToPng(dlg, path));
    QImage img(QString::fromStdString(path));
    ASSERT_FALSE(img.isNull());
    QWidget* w = dlg.GetWidget();
    EXPECT_EQ(img.size(), w->size());
    // The list box's frame is drawn at its template rectangle within the client area.
    QWidget* list = dlg.GetChildWidget(IDC_LIST);
    QPoint origin = list->mapTo(w, QPoint(0, 0));
    auto bu = fx::detail::BaseUnitsOf(fx::DialogFont("MS Sans Serif", 8));
    QRect expected = fx::detail::DluRect(bu, 100, 15, 330, 185);
    CRect client;
    dlg.GetClientRect(&client);
    int menuHeight = w->height() - client.Height();
    EXPECT_EQ(origin, expected.topLeft() + QPoint(0, menuHeight));
    QColor frame = img.pixelColor(origin.x(), origin.y() + expected.height() / 2);
    QColor inside = img.pixelColor(origin.x() + expected.width() / 2, origin.y() + expected.height() - 10);
    EXPECT_LT(qGray(frame.rgb()), 160);
    EXPECT_GT(qGray(inside.rgb()), 200);
    // The selected line is highlighted.
    int line = QFontMetrics(list->font()).height();
    QColor selected = img.pixelColor(origin.x() + expected.width() - 20, origin.y() + 2 * line + line / 2 + 1);
    EXPECT_NE(selected.rgb(), inside.rgb());
}

TEST_F(Render, PropertyPageStandingAlone)
{
    CPropertyPage page(IDD_PAGE_B);
    fx::EnsureApplication();
    ASSERT_TRUE(page.CreateFromTemplate(nullptr));
    std::string path = std::string(FX_TEST_OUTDIR) + "/test_page.png";
    EXPECT_TRUE(fx::testing::RenderToPng(page, path));
    CWnd none;
    EXPECT_FALSE(fx::testing::RenderToPng(none, path + ".none"));
}

}  // namespace
}  // namespace fxtest
