// What the framework tells assistive technology and the keyboard: names from labels,
// mnemonics, reading order, radio roles and list lines that are no items.
#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QRadioButton>

#include "fx/internal.h"
#include "fx/listbox_model.h"
#include "test_resources.h"

namespace fxtest {
namespace {

TEST(ReadingOrder, ColumnsWhereAGapRunsThroughEverythingElseRows)
{
    struct Case {
        const char* what;
        std::vector<QRect> rects;
        std::vector<size_t> order;
    };
    const Case cases[] = {
        // The main window: a column of controls, the tall list beside them.
        {"column beside a list",
         {{100, 15, 330, 185}, {5, 100, 65, 15}, {5, 55, 85, 12}, {5, 80, 85, 12}, {5, 190, 65, 15}},
         {2, 3, 1, 4, 0}},
        // Two columns of boxes over an edit as wide as both: no gap runs from top to
        // bottom, so row by row.
        {"two columns over a wide row",
         {{144, 20, 120, 10}, {16, 20, 120, 10}, {60, 52, 150, 12}, {16, 33, 120, 10}, {144, 33, 120, 10}},
         {1, 0, 3, 4, 2}},
        // No gap either way (the buttons of a dialog beside its wide field): rows, and
        // in a row left to right.
        {"button beside a field", {{243, 24, 50, 14}, {72, 24, 221, 12}, {243, 7, 50, 14}}, {2, 1, 0}},
        // Two controls in one place keep their order.
        {"one place", {{5, 100, 65, 15}, {5, 100, 65, 15}}, {0, 1}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fx::detail::ReadingOrder(c.rects), c.order) << c.what;
}

TEST(Mnemonics, FirstLetterWhenFreeElseTheFirstFreeOne)
{
    EXPECT_EQ(fx::detail::MnemonicPosition("Display", "bsx"), 0);
    EXPECT_EQ(fx::detail::MnemonicPosition("Server", "bsx"), 1);
    EXPECT_EQ(fx::detail::MnemonicPosition("Server", "servb"), -1);
    EXPECT_EQ(fx::detail::MnemonicPosition("Entries Found", "e"), 1);
}

class Access : public FxTest {
protected:
    void SetUp() override
    {
        FxTest::SetUp();
        ASSERT_TRUE(dlg.Create());
    }
    void TearDown() override { dlg.DestroyWindow(); }
    CTestDialog dlg;
};

TEST_F(Access, AStaticNamesTheControlBelowItAndGetsAFreeMnemonic)
{
    QWidget* combo = dlg.GetChildWidget(IDC_COMBO);
    EXPECT_EQ(combo->accessibleName(), "Server");
    QLabel* server = nullptr;
    for (QLabel* label : dlg.GetWidget()->findChildren<QLabel*>()) {
        if (label->buddy() == combo)
            server = label;
    }
    ASSERT_NE(server, nullptr);
    // 'S' is Stop's: the static takes the next letter; its text stays as the template has it.
    EXPECT_EQ(server->text(), "S&erver");
    EXPECT_EQ(fx::detail::WidgetText(server), "Server");
    // A control no static stands by has no name.
    EXPECT_EQ(dlg.GetChildWidget(IDC_NAME)->accessibleName(), "");
}

TEST_F(Access, RadioButtonsAreRadioButtonsAndStayOnePerGroup)
{
    auto* radio = qobject_cast<QRadioButton*>(dlg.GetChildWidget(IDC_RADIO1));
    ASSERT_NE(radio, nullptr);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(radio)->role(), QAccessible::RadioButton);
    fx::testing::Click(dlg, IDC_RADIO0);
    fx::testing::Click(dlg, IDC_OTHER_RADIO);
    fx::testing::Click(dlg, IDC_RADIO2);
    EXPECT_EQ(dlg.IsDlgButtonChecked(IDC_RADIO0), 0u);
    EXPECT_EQ(dlg.IsDlgButtonChecked(IDC_RADIO2), 1u);
    EXPECT_EQ(dlg.IsDlgButtonChecked(IDC_OTHER_RADIO), 1u);  // a group of its own
}

TEST_F(Access, HeadingAndSeparatorsAreNoItemsAndTheKeyboardPassesThem)
{
    CListBox& list = dlg.m_listResults;
    list.AddStrings({"Name\tSize", "====", "a\t1", "b\t2", "===="});
    list.SetLineReader({[](const std::vector<std::string>& lines, int i) {
                            return i == 0                       ? fx::LineRole::Heading
                                   : lines[size_t(i)] == "====" ? fx::LineRole::Separator
                                                                : fx::LineRole::Item;
                        },
                        [](const std::vector<std::string>& lines, int i) { return "said " + lines[size_t(i)]; }});
    fx::testing::ProcessEvents();
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(list.View());
    ASSERT_EQ(iface->childCount(), 5);
    const QAccessible::Role roles[] = {QAccessible::ColumnHeader, QAccessible::Separator, QAccessible::ListItem,
                                       QAccessible::ListItem, QAccessible::Separator};
    for (int i = 0; i < 5; ++i) {
        QAccessibleInterface* line = iface->child(i);
        EXPECT_EQ(line->role(), roles[i]) << i;
        EXPECT_EQ(line->state().selectable, roles[i] == QAccessible::ListItem) << i;
        EXPECT_EQ(iface->indexOfChild(line), i);
    }
    EXPECT_EQ(iface->child(2)->text(QAccessible::Name), "said a\t1");
    CString shown;
    list.GetText(2, shown);
    EXPECT_EQ(shown, "a\t1");  // what the list shows and gives stays the line

    // From the first item, Up goes nowhere; Down never stops on the closing separator.
    list.View()->setFocus();
    list.View()->setCurrentIndex(list.Model()->index(2));
    for (int key : {Qt::Key_Up, Qt::Key_Up, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(list.View(), &press);
        if (key == Qt::Key_Up) {
            EXPECT_EQ(list.View()->currentIndex().row(), 2);
        }
    }
    EXPECT_EQ(list.View()->currentIndex().row(), 3);

    // New content drops the reader with the lines.
    list.ResetContent();
    list.AddString("====");
    fx::testing::ProcessEvents();
    EXPECT_EQ(iface->child(0)->role(), QAccessible::ListItem);
}

}  // namespace
}  // namespace fxtest
