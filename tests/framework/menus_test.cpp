// The menu, accelerator and dialog tables hold together: identifiers are unique, every key
// reaches a menu command that shows it, and every control lies inside its dialog. The items a
// user sees are checked on the built menu bar and dialogs in the Qt tests.
#include "framework/resources/menus.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

using namespace fw::resources;

TEST(MainMenu, CommandsAreUniqueAndSeparatorsHaveNone) {
    std::set<int32_t> ids;
    for (const Menu& menu : mainMenu()) {
        for (const MenuItem& item : menu.items) {
            SCOPED_TRACE(std::string(menu.title) + " " + item.label);
            if (item.separator) {
                EXPECT_EQ(item.id, 0);
                continue;
            }
            EXPECT_NE(*item.label, '\0');
            EXPECT_TRUE(ids.insert(item.id).second) << "identifier " << item.id << " twice";
            EXPECT_EQ(findMenuItem(item.id), &item);
        }
    }
    EXPECT_EQ(findMenuItem(0), nullptr);  // a separator is no command
    EXPECT_STREQ(mainMenu()[kWindowMenuIndex].title, "&Window");
}

// Each key reaches a menu command whose item shows the same key, each shown key has its
// accelerator, and no key is bound twice.
TEST(Accelerators, KeysReachTheirCommandsAndMatchTheMenuText) {
    std::set<std::string> keys;
    for (const Accelerator& a : accelerators()) {
        const std::string key = acceleratorText(a);
        SCOPED_TRACE(key);
        EXPECT_TRUE(keys.insert(key).second) << "bound twice";
        const MenuItem* item = findMenuItem(a.command);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->shortcut, key);
    }
    for (const Menu& menu : mainMenu())
        for (const MenuItem& item : menu.items)
            if (*item.shortcut != '\0') {
                EXPECT_EQ(keys.count(item.shortcut), 1u) << item.label;
            }
}

TEST(AcceleratorText, ControlCharactersAndFunctionKeys) {
    const struct {
        Accelerator key;
        const char* text;
    } cases[] = {
        {{KeyKind::character, 1, false, false, 0}, "Ctrl+A"},
        {{KeyKind::character, 3, false, false, 0}, "Ctrl+C"},
        {{KeyKind::character, 26, false, false, 0}, "Ctrl+Z"},
        {{KeyKind::virtualKey, 0x70, false, false, 0}, "F1"},
        {{KeyKind::virtualKey, vkey::f5, true, false, 0}, "Shift+F5"},
        {{KeyKind::virtualKey, 0x87, true, true, 0}, "Ctrl+Shift+F24"},
    };
    for (const auto& c : cases) EXPECT_EQ(acceleratorText(c.key), c.text);
}

// Controls lie inside their dialog, identified controls are unique, and every identifier the
// frame fills in or waits for names a control of the right dialog.
TEST(Dialogs, ControlsFitAndTheFramesIdentifiersExist) {
    const struct {
        const DialogTemplate& dialog;
        int32_t id;
        std::set<int32_t> used;
    } cases[] = {
        {aboutDialog(), about::dialogId,
         {about::pageSize, about::minimumAddress, about::maximumAddress, about::processorType, about::processorCount,
          about::credit, kButtonId}},
        {printingDialog(), kPrintingDialogId, {kButtonId}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dialog.caption);
        EXPECT_EQ(c.dialog.id, c.id);
        std::set<int32_t> ids;
        for (const DialogControl& control : c.dialog.controls) {
            SCOPED_TRACE(control.text);
            EXPECT_GE(control.x, 0);
            EXPECT_GE(control.y, 0);
            EXPECT_LE(control.x + control.width, c.dialog.width);
            EXPECT_LE(control.y + control.height, c.dialog.height);
            if (control.id != kNoControlId) {
                EXPECT_TRUE(ids.insert(control.id).second) << "identifier " << control.id << " twice";
            }
        }
        EXPECT_EQ(ids, c.used);
    }
}

}  // namespace
