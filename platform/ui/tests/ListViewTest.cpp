// The list view of the page controls: keys, checks the user makes, ghosted
// rows and the header clicks that flip the order.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "ErrorNumber.h"
#include "ui/Icons.h"
#include "ui/ListView.h"

namespace {

using Platform::Ui::ListView;

std::vector<std::string> texts(const ListView& list, int column = 0) {
    std::vector<std::string> result;
    for (auto* item : list.Items())
        result.push_back(list.Text(item, column));
    return result;
}

TEST(ListView, RowsAreFoundByExactKeysAndAKeyIsTakenOnce) {
    ListView list;
    list.AddColumn("Name", "Name", 1800);
    // File paths that differ only in case are two rows on Linux.
    auto* upper = list.AddItem("/pkgs/A.rbi", "Upper");
    auto* lower = list.AddItem("/pkgs/a.rbi", "Lower");
    EXPECT_EQ(list.Item("/pkgs/A.rbi"), upper);
    EXPECT_EQ(list.Item("/pkgs/a.rbi"), lower);
    EXPECT_EQ(errorNumberOf([&] { list.AddItem("/pkgs/a.rbi", "again"); }), ListView::KeyNotUnique);
    EXPECT_EQ(list.ItemCount(), 2);
    EXPECT_EQ(errorNumberOf([&] { list.Item("/pkgs/b.rbi"); }), ListView::ElementNotFound);
    EXPECT_EQ(errorNumberOf([&] { list.RemoveItem("/pkgs/b.rbi"); }), ListView::ElementNotFound);
    EXPECT_EQ(errorNumberOf([&] { list.ColumnIndex("Status"); }), ListView::ElementNotFound);

    list.RemoveItem("/pkgs/A.rbi");
    EXPECT_EQ(list.FindItem("/pkgs/A.rbi"), nullptr);
    // The key is free again.
    list.AddItem("/pkgs/A.rbi", "Back");
    list.ClearItems();
    EXPECT_EQ(list.ItemCount(), 0);
    EXPECT_EQ(list.FindItem("/pkgs/a.rbi"), nullptr);
}

TEST(ListView, OnlyTheUsersCheckRaisesItemCheck) {
    ListView list;
    list.AddColumn("Name", "Name", 1800);
    list.setCheckboxes(true);
    auto* item = list.AddItem("IP1", "one");
    QSignalSpy checks(&list, &ListView::ItemCheck);

    list.setChecked(item, true);
    EXPECT_TRUE(list.Checked(item));
    EXPECT_EQ(checks.count(), 0);

    // What a click on the box does.
    item->setCheckState(0, Qt::Unchecked);
    EXPECT_EQ(checks.count(), 1);
    EXPECT_FALSE(list.Checked(item));
    // A change of the text is no check.
    list.setText(item, 0, "renamed");
    EXPECT_EQ(checks.count(), 1);

    list.setGhosted(item, true);
    EXPECT_TRUE(list.Ghosted(item));
    EXPECT_EQ(item->foreground(0).color(), list.palette().color(QPalette::Disabled, QPalette::Text));
    list.setGhosted(item, false);
    EXPECT_FALSE(item->data(0, Qt::ForegroundRole).isValid());
}

TEST(ListView, EveryChangeOfTheSelectionByMouseOrKeyboardIsReportedAndNoneByAProgram) {
    ListView list;
    list.AddColumn("Name", "Name", 1800);
    auto* first = list.AddItem("a", "one");
    list.AddItem("b", "two");
    auto* last = list.AddItem("c", "three");
    list.resize(300, 200);
    list.show();
    list.setFocus();
    QSignalSpy changes(&list, &ListView::SelectionChange);
    auto reported = [&] {
        std::vector<QTreeWidgetItem*> rows;
        for (const auto& change : changes)
            rows.push_back(change.at(0).value<QTreeWidgetItem*>());
        changes.clear();
        return rows;
    };

    // A program's choice is no user's choice.
    list.setCurrentItem(first);
    list.clearSelection();
    EXPECT_TRUE(reported().empty());

    QTest::keyClick(&list, Qt::Key_Space);
    QTest::keyClick(&list, Qt::Key_End);
    QTest::keyClick(&list, Qt::Key_Space, Qt::ControlModifier);
    QTest::keyClick(&list, Qt::Key_Home);
    EXPECT_EQ(reported(), (std::vector<QTreeWidgetItem*>{first, last, nullptr, first}));

    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(last).center());
    // A click on the row already chosen changes nothing; one below the rows clears the choice.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(last).center());
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(5, list.viewport()->height() - 5));
    EXPECT_EQ(reported(), (std::vector<QTreeWidgetItem*>{last, nullptr}));
    list.ClearItems();
    EXPECT_TRUE(reported().empty());
}

TEST(ListView, TheFirstKeyAfterTheFocusArrivesChoosesARow) {
    ListView list;
    list.AddColumn("Name", "Name", 1800);
    auto* only = list.AddItem("a", "one");
    list.show();
    list.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&list));
    list.setFocus();
    QSignalSpy changes(&list, &ListView::SelectionChange);
    QTest::keyClick(&list, Qt::Key_Down);
    ASSERT_EQ(changes.count(), 1);
    EXPECT_EQ(changes.at(0).at(0).value<QTreeWidgetItem*>(), only);
}

TEST(ListView, EveryHeaderClickFlipsTheOrderWhicheverColumnWasSorted) {
    ListView list;
    list.AddColumn("Name", "Name", 1800);
    list.AddColumn("IP", "IP", 1800);
    for (auto [name, ip] : {std::pair{"b", "3"}, {"a", "1"}, {"c", "2"}}) {
        auto* item = list.AddItem(std::string("IP") + ip, name);
        list.setText(item, 1, ip);
    }
    list.sortByHeader(0);
    EXPECT_EQ(list.SortOrder(), 1);
    EXPECT_EQ(texts(list), (std::vector<std::string>{"c", "b", "a"}));
    list.sortByHeader(0);
    EXPECT_EQ(texts(list), (std::vector<std::string>{"a", "b", "c"}));
    list.sortByHeader(1);
    EXPECT_EQ(list.SortKey(), 1);
    EXPECT_EQ(texts(list, 1), (std::vector<std::string>{"3", "2", "1"}));
    // Rows added later take their place in the order.
    list.setText(list.AddItem("IP4", "d"), 1, "4");
    EXPECT_EQ(texts(list, 1), (std::vector<std::string>{"4", "3", "2", "1"}));
}

TEST(ListView, IconsAreNumberedFromOneAndZeroClearsThem) {
    ListView list;
    list.AddColumn("Printer", "", 2400);
    list.setImageList({Platform::Ui::ArrowIcon(), Platform::Ui::TickIcon()});
    auto* item = list.AddItem("P1", "one");
    list.setSmallIcon(item, 2);
    EXPECT_EQ(list.SmallIcon(item), 2);
    EXPECT_FALSE(item->icon(0).isNull());
    list.setSmallIcon(item, 0);
    EXPECT_TRUE(item->icon(0).isNull());
    EXPECT_EQ(errorNumberOf([&] { list.setSmallIcon(item, 3); }), 5);
    EXPECT_EQ(list.SmallIcon(item), 0);
}

} // namespace
