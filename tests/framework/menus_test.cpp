// The menu, accelerator and dialog tables against the frame's documented resources.
#include "framework/resources/menus.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace fw::resources;

struct Expected {
    std::string menu, label, shortcut;
    int32_t id;
    bool greyed;
};

TEST(MainMenu, HoldsExactlyTheDocumentedItemsInOrder) {
    const std::vector<Expected> expected = {
        {"&File", "&Save", "", 500, false},        {"&File", "Save As...", "", 501, false},
        {"&File", "-", "", 0, false},              {"&File", "Print...", "", 510, false},
        {"&File", "-", "", 0, false},              {"&File", "&About...", "", 520, false},
        {"&File", "-", "", 0, false},              {"&File", "E&xit", "", 530, false},
        {"&Edit", "&Undo", "Ctrl+Z", 600, true},   {"&Edit", "-", "", 0, false},
        {"&Edit", "Cu&t", "Ctrl+X", 610, true},    {"&Edit", "&Copy", "Ctrl+C", 611, true},
        {"&Edit", "&Paste", "Ctrl+V", 612, true},  {"&Edit", "De&lete", "", 613, true},
        {"&Window", "&Cascade", "Shift+F5", 701, false}, {"&Window", "&Tile", "Shift+F4", 700, false},
        {"&Window", "&Arrange Icons", "", 702, false},
    };
    std::vector<Expected> actual;
    for (const Menu& menu : mainMenu())
        for (const MenuItem& item : menu.items)
            actual.push_back({menu.title, item.separator ? "-" : item.label, item.shortcut, item.id, item.greyed});
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(actual[i].menu, expected[i].menu);
        EXPECT_EQ(actual[i].label, expected[i].label);
        EXPECT_EQ(actual[i].shortcut, expected[i].shortcut);
        EXPECT_EQ(actual[i].id, expected[i].id);
        EXPECT_EQ(actual[i].greyed, expected[i].greyed);
    }
    EXPECT_STREQ(mainMenu()[kWindowMenuIndex].title, "&Window");
}

// Each accelerator's key as text, and the shortcut its command's menu item shows.
TEST(Accelerators, KeysReachTheirCommandsAndMatchTheMenuText) {
    const std::vector<std::pair<std::string, int32_t>> expected = {
        {"Ctrl+Z", 600}, {"Ctrl+X", 610}, {"Ctrl+C", 611}, {"Ctrl+V", 612}, {"Shift+F5", 701}, {"Shift+F4", 700},
    };
    ASSERT_EQ(accelerators().size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const Accelerator& a = accelerators()[i];
        EXPECT_EQ(acceleratorText(a), expected[i].first);
        EXPECT_EQ(a.command, expected[i].second);
        const MenuItem* item = findMenuItem(a.command);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->shortcut, expected[i].first);
    }
    EXPECT_EQ(accelerators()[2].key, 3);  // Ctrl+C is the character code 3
    EXPECT_EQ(findMenuItem(0), nullptr);
    EXPECT_EQ(findMenuItem(599), nullptr);
}

TEST(Dialogs, AboutAndPrintingTemplates) {
    const DialogTemplate& about = aboutDialog();
    EXPECT_EQ(about.id, 100);
    EXPECT_STREQ(about.caption, "About TAVO");
    EXPECT_STREQ(about.fontName, "MS Sans Serif");
    EXPECT_EQ(about.pointSize, 8);
    EXPECT_EQ(std::vector<int32_t>({about.x, about.y, about.width, about.height}), std::vector<int32_t>({25, 25, 160, 165}));
    EXPECT_TRUE(about.systemMenu);
    // Labels in the left column, their value fields 102 to 106 beside them.
    const char* labels[] = {"Page Size", "Minimum Address", "Maximum Address", "Processor Type", "Number of Processors"};
    for (int row = 0; row < 5; ++row) {
        const int32_t y = 65 + 15 * row;
        bool label = false, field = false;
        for (const DialogControl& c : about.controls) {
            if (c.kind == ControlKind::staticText && std::string(c.text) == labels[row])
                label = c.x == 10 && c.y == y && c.width == 75;
            if (c.kind == ControlKind::valueField && c.id == 102 + row) field = c.x == 95 && c.y == y && c.width == 65;
        }
        EXPECT_TRUE(label) << labels[row];
        EXPECT_TRUE(field) << 102 + row;
    }
    const DialogControl& cont = about.controls.back();
    EXPECT_EQ(cont.kind, ControlKind::pushButton);
    EXPECT_STREQ(cont.text, "Continue");
    EXPECT_EQ(std::vector<int32_t>({cont.id, cont.x, cont.y, cont.width, cont.height}),
              std::vector<int32_t>({1, 115, 145, 40, 14}));
    EXPECT_STREQ(about.controls.front().text, "TAVO Application Framework");

    const DialogTemplate& printing = printingDialog();
    EXPECT_EQ(printing.id, 200);
    EXPECT_STREQ(printing.caption, "TAVO");
    EXPECT_FALSE(printing.systemMenu);
    EXPECT_EQ(std::vector<int32_t>({printing.x, printing.y, printing.width, printing.height}),
              std::vector<int32_t>({25, 25, 90, 55}));
    ASSERT_EQ(printing.controls.size(), 2u);
    EXPECT_STREQ(printing.controls[0].text, "Printing...");
    EXPECT_EQ(std::vector<int32_t>({printing.controls[0].x, printing.controls[0].y, printing.controls[0].width,
                                    printing.controls[0].height}),
              std::vector<int32_t>({25, 10, 35, 8}));
    EXPECT_STREQ(printing.controls[1].text, "Cancel");
    EXPECT_EQ(std::vector<int32_t>({printing.controls[1].id, printing.controls[1].x, printing.controls[1].y,
                                    printing.controls[1].width, printing.controls[1].height}),
              std::vector<int32_t>({1, 25, 30, 40, 14}));
}

}  // namespace
