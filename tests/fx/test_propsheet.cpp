// Property sheet: tabs in order, start page, pages exchange only once opened.
#include <QTabWidget>

#include "test_resources.h"

namespace fxtest {
namespace {

class CPageA : public CPropertyPage {
public:
    CPageA() : CPropertyPage(IDD_PAGE_A) { }
    CString m_strName;
    int m_bFlag = 0;
    int inits = 0;
    BOOL OnInitDialog() override
    {
        ++inits;
        return CPropertyPage::OnInitDialog();
    }
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Text(pDX, IDC_NAME, m_strName);
        DDX_Check(pDX, IDC_CHECK, m_bFlag);
    }
};

class CPageB : public CPropertyPage {
public:
    CPageB() : CPropertyPage(IDD_PAGE_B) { }
    int m_nChoice = -1;
    int m_nCount = 0;
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Radio(pDX, IDC_RADIO0, m_nChoice);
        DDX_Text(pDX, IDC_COUNT, m_nCount);
    }
};

class CPageC : public CPropertyPage {
public:
    CPageC() : CPropertyPage(IDD_PAGE_C) { }
    int m_bFlag = 0;
    void DoDataExchange(CDataExchange* pDX) override { DDX_Check(pDX, IDC_CHECK, m_bFlag); }
};

class Sheet : public FxTest {
protected:
    void SetUp() override
    {
        FxTest::SetUp();
        fx::testing::SetMessageBoxHandler([this](const auto& c) {
            boxes.push_back(c.text);
            return IDOK;
        });
        a.m_strName = "alpha";
        a.m_bFlag = 1;
        b.m_nChoice = 7;  // out of range: no radio ticked
        b.m_nCount = 3;
        c.m_bFlag = 1;
    }
    CPageA a;
    CPageB b;
    CPageC c;
    std::vector<std::string> boxes;
};

TEST_F(Sheet, TabsInOrderAddedWithTemplateCaptionsAndStartPage)
{
    CPropertySheet sheet(IDS_SHEET, nullptr, 2);
    sheet.AddPage(&a);
    sheet.AddPage(&b);
    sheet.AddPage(&c);
    std::vector<std::string> tabs;
    std::string caption;
    int active = -1;
    bool aMade = true, cMade = false;
    fx::testing::SetModalHandler([&](CWnd& w) {
        auto* tw = w.GetWidget()->findChild<QTabWidget*>();
        for (int i = 0; i < tw->count(); ++i)
            tabs.push_back(tw->tabText(i).toStdString());
        CString t;
        w.GetWindowText(t);
        caption = t;
        active = sheet.GetActiveIndex();
        aMade = a.IsCreated();
        cMade = c.IsCreated();
        fx::testing::Click(w, IDCANCEL);
    });
    EXPECT_EQ(sheet.DoModal(), IDCANCEL);
    EXPECT_EQ(tabs, (std::vector<std::string>{"Alpha", "Beta", "Gamma"}));
    EXPECT_EQ(caption, "Settings");
    EXPECT_EQ(active, 2);
    EXPECT_FALSE(aMade);
    EXPECT_TRUE(cMade);
}

TEST_F(Sheet, UnvisitedPageKeepsItsValuesVisitedPageExchanges)
{
    CPropertySheet sheet("Settings", nullptr, 0);
    sheet.AddPage(&a);
    sheet.AddPage(&b);
    sheet.AddPage(&c);
    fx::testing::SetModalHandler([&](CWnd& w) {
        // Page A is the start page: it shows the members.
        CString name;
        a.GetDlgItemText(IDC_NAME, name);
        EXPECT_EQ(name, "alpha");
        fx::testing::TypeText(a, IDC_NAME, "changed");
        // Open page C, untick its box; page B is never opened.
        EXPECT_TRUE(sheet.SetActivePage(2));
        fx::testing::Click(c, IDC_CHECK);
        fx::testing::Click(w, IDOK);
    });
    EXPECT_EQ(sheet.DoModal(), IDOK);
    EXPECT_EQ(a.m_strName, "changed");
    EXPECT_EQ(a.m_bFlag, 1);
    EXPECT_EQ(c.m_bFlag, 0);
    EXPECT_EQ(b.m_nChoice, 7);  // untouched, although no radio could show it
    EXPECT_EQ(b.m_nCount, 3);
    EXPECT_FALSE(b.IsCreated());
}

TEST_F(Sheet, OpenedPageWithNoRadioTickedStoresMinusOne)
{
    CPropertySheet sheet("Settings");
    sheet.AddPage(&a);
    sheet.AddPage(&b);
    fx::testing::SetModalHandler([&](CWnd& w) {
        sheet.SetActivePage(1);
        fx::testing::Click(w, IDOK);
    });
    EXPECT_EQ(sheet.DoModal(), IDOK);
    EXPECT_EQ(b.m_nChoice, -1);
}

TEST_F(Sheet, CancelChangesNothing)
{
    CPropertySheet sheet("Settings");
    sheet.AddPage(&a);
    sheet.AddPage(&c);
    fx::testing::SetModalHandler([&](CWnd& w) {
        fx::testing::TypeText(a, IDC_NAME, "changed");
        sheet.SetActivePage(1);  // leaving page A exchanges its data ...
        fx::testing::Click(c, IDC_CHECK);
        fx::testing::PressKey(w, Qt::Key_Escape);
    });
    EXPECT_EQ(sheet.DoModal(), IDCANCEL);
    // ... into the page object, which the caller copies back only after OK.
    EXPECT_EQ(c.m_bFlag, 1);
}

TEST_F(Sheet, BadInputKeepsTheUserOnThePage)
{
    CPropertySheet sheet("Settings", nullptr, 1);
    sheet.AddPage(&a);
    sheet.AddPage(&b);
    bool stayed = false, okRefused = false;
    fx::testing::SetModalHandler([&](CWnd& w) {
        fx::testing::TypeText(b, IDC_COUNT, "many");
        stayed = !sheet.SetActivePage(0) && sheet.GetActiveIndex() == 1;
        fx::testing::Click(w, IDOK);
        okRefused = !sheet.IsModalEnded();
        fx::testing::TypeText(b, IDC_COUNT, "12");
        fx::testing::Click(w, IDOK);
    });
    EXPECT_EQ(sheet.DoModal(), IDOK);
    EXPECT_TRUE(stayed);
    EXPECT_TRUE(okRefused);
    EXPECT_EQ(b.m_nCount, 12);
    EXPECT_EQ(boxes.size(), 2u);
    EXPECT_FALSE(a.IsCreated());
}

TEST_F(Sheet, ReopeningAPageDoesNotInitialiseItAgain)
{
    CPropertySheet sheet("Settings");
    sheet.AddPage(&a);
    sheet.AddPage(&c);
    fx::testing::SetModalHandler([&](CWnd& w) {
        sheet.SetActivePage(1);
        sheet.SetActivePage(0);
        sheet.SetActivePage(1);
        fx::testing::Click(w, IDOK);
    });
    EXPECT_EQ(sheet.DoModal(), IDOK);
    EXPECT_EQ(a.inits, 1);
}

TEST_F(Sheet, CloseBoxCancels)
{
    CPropertySheet sheet("Settings");
    sheet.AddPage(&a);
    fx::testing::SetModalHandler([&](CWnd& w) { fx::testing::CloseBox(w); });
    EXPECT_EQ(sheet.DoModal(), IDCANCEL);
}

TEST_F(Sheet, MissingPageTemplateFailsTheSheet)
{
    CPropertyPage ghost(9999);
    CPropertySheet sheet("Settings");
    sheet.AddPage(&ghost);
    bool ran = false;
    fx::testing::SetModalHandler([&](CWnd&) { ran = true; });
    EXPECT_EQ(sheet.DoModal(), -1);
    EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace fxtest
