// Box layout and the two row placements: where items go, and links that lead nowhere or in circles.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/controls/QeBoxLayout.h"
#include "framework/ui/shell/QeMainWindow.h"
#include "framework/ui/view/QeWindow.h"
#include "tests/framework/rect_text.h"

namespace {

struct Boxes {
    QeWindow a, b, c, d;
};

// Every item's rectangle after applying the layout.
std::vector<std::string> Applied(QeBoxLayout& layout, int width, int height) {
    layout.Apply(width, height);
    std::vector<std::string> rects;
    for (const QeBoxLayoutItem& item : layout.Items()) rects.push_back(RectText(item.window->Rect()));
    return rects;
}

using Rects = std::vector<std::string>;

TEST(BoxLayoutTest, RowsShareTheWidthLeftOverByWeight) {
    {
        Boxes w;
        QeBoxLayout row;
        row.AppendToRow(&w.a);
        row.AppendToRow(&w.b);
        EXPECT_EQ(Applied(row, 200, 50), (Rects{"0,0,100,50", "100,0,200,50"})) << "no pixel lost to truncation";
        EXPECT_EQ(row.FindItem(&w.a)->right, &w.b);
        EXPECT_EQ(row.FindItem(&w.b)->left, &w.a);
        EXPECT_EQ(row.FindItem(&w.c), nullptr);
    }
    {
        Boxes w;
        QeBoxLayout row;
        row.Add(&w.a, nullptr, nullptr, &w.b, nullptr, 40, 1, true, false);
        row.Add(&w.b, &w.a, nullptr, nullptr, nullptr, 1, 1, false, false);
        EXPECT_EQ(Applied(row, 200, 30), (Rects{"0,0,40,30", "40,0,200,30"}));
    }
    {
        // Margins, spacing and weights 1 : 2 : 1 over 10 + 4 + 4 + 10 pixels of a 228-pixel row.
        Boxes w;
        QeBoxLayout row;
        row.SetMargins(10);
        row.horizontalSpacing = 4;
        row.Add(&w.a, nullptr, nullptr, &w.b, nullptr, 1, 20, false, true);
        row.Add(&w.b, &w.a, nullptr, &w.c, nullptr, 2, 20, false, true);
        row.Add(&w.c, &w.b, nullptr, nullptr, nullptr, 1, 20, false, true);
        EXPECT_EQ(Applied(row, 228, 100), (Rects{"10,10,60,30", "64,10,164,30", "168,10,218,30"}));
    }
    {
        // A column: a fixed header over a stretched body.
        Boxes w;
        QeBoxLayout column;
        column.Add(&w.a, nullptr, nullptr, nullptr, &w.b, 1, 24, false, true);
        column.Add(&w.b, nullptr, &w.a, nullptr, nullptr, 1, 1, false, false);
        EXPECT_EQ(Applied(column, 80, 300), (Rects{"0,0,80,24", "0,24,80,300"}));
    }
}

TEST(BoxLayoutTest, FaultyLinksNeitherHangNorDivideByZero) {
    {
        // A link to a window that has no item ends the walk there.
        Boxes w;
        QeBoxLayout row;
        row.Add(&w.a, &w.d, nullptr, &w.b, nullptr, 1, 1, false, false);
        row.Add(&w.b, &w.a, nullptr, &w.d, nullptr, 1, 1, false, false);
        EXPECT_EQ(Applied(row, 100, 10), (Rects{"0,0,50,10", "50,0,100,10"}));
    }
    {
        // Links in a circle: each walk stops after as many steps as there are items.
        Boxes w;
        QeBoxLayout row;
        row.Add(&w.a, &w.b, nullptr, &w.b, nullptr, 10, 1, true, false);
        row.Add(&w.b, &w.a, nullptr, &w.a, nullptr, 10, 1, true, false);
        EXPECT_EQ(Applied(row, 100, 10), (Rects{"20,0,30,10", "20,0,30,10"}));
    }
    {
        // Nothing stretches: weighted sizes are 0, fixed ones stay.
        Boxes w;
        QeBoxLayout row;
        row.Add(&w.a, nullptr, nullptr, &w.b, nullptr, 0, 5, false, true);
        row.Add(&w.b, &w.a, nullptr, nullptr, nullptr, 30, 5, true, true);
        EXPECT_EQ(Applied(row, 100, 10), (Rects{"0,0,0,5", "0,0,30,5"}));
    }
}

TEST(BoxLayoutTest, ApplyingRepaintsWhatMoved) {
    QeMainWindow main;  // collects the dirty rectangle
    QeWindow parent, a;
    parent.SetRect(RECT{100, 200, 300, 260});
    parent.AddChild(&a);
    a.SetRect(RECT{0, 0, 10, 10});
    QeBoxLayout row;
    row.SetMargins(5);
    row.Add(&a, nullptr, nullptr, nullptr, nullptr, 1, 1, false, false);
    row.Apply(200, 60);
    EXPECT_EQ(RectText(a.Rect()), "5,5,195,55");
    EXPECT_EQ(RectText(main.dirtyRect), "100,200,295,255") << "the old place and the new, on screen";
    parent.RemoveChild(&a);
}

TEST(BoxLayoutTest, RowPlacements) {
    const RECT item{0, 0, 20, 10};
    const struct {
        const char* what;
        RECT area;
        int index, count, gap;
        bool centred;
        const char* expected;
    } cases[] = {
        // Spread: the outer margin is the vertical one, (30 - 10) / 2 = 10.
        {"spread first", {0, 0, 100, 30}, 0, 3, 0, false, "10,10,30,20"},
        {"spread last", {0, 0, 100, 30}, 2, 3, 0, false, "70,10,90,20"},
        {"spread single", {5, 5, 105, 35}, 0, 1, 0, false, "15,15,35,25"},
        {"centred first", {0, 0, 100, 30}, 0, 3, 5, true, "15,10,35,20"},
        {"centred last", {0, 0, 100, 30}, 2, 3, 5, true, "65,10,85,20"},
        {"centred, too wide", {10, 0, 50, 30}, 1, 3, 5, true, "35,10,55,20"},
    };
    for (const auto& c : cases) {
        const RECT r = c.centred ? QeLayoutCenteredRowItem(c.area, item, c.index, c.count, c.gap)
                                 : QeLayoutSpreadItem(c.area, item, c.index, c.count);
        EXPECT_EQ(RectText(r), c.expected) << c.what;
    }
}

}  // namespace
