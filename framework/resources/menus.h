// The frame's resources as data: the main menu "MainMenu", the accelerators "MDIAccel", the
// About dialog (100) and the printing dialog (200). The Qt binding builds its widgets from
// these tables, so labels, identifiers and initial states live here only.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace fw {

// Command identifiers of the frame's menu.
namespace command {
constexpr int32_t save = 500;
constexpr int32_t saveAs = 501;
constexpr int32_t print = 510;
constexpr int32_t about = 520;
constexpr int32_t exit = 530;
constexpr int32_t undo = 600;
constexpr int32_t cut = 610;
constexpr int32_t copy = 611;
constexpr int32_t paste = 612;
constexpr int32_t remove = 613;
constexpr int32_t tile = 700;
constexpr int32_t cascade = 701;
constexpr int32_t arrangeIcons = 702;
constexpr int32_t firstProgram = 800;  // program-defined commands, up to 1299
constexpr int32_t lastProgram = 1299;
}  // namespace command

namespace resources {

constexpr const char* kMainMenuName = "MainMenu";
constexpr const char* kAcceleratorsName = "MDIAccel";
constexpr int32_t kFrameIcon = 400;
constexpr int32_t kChildIcon = 401;

// One item of a drop-down menu; a separator has no label and identifier 0.
struct MenuItem {
    const char* label;     // '&' marks the mnemonic
    const char* shortcut;  // text shown after a tab, or empty
    int32_t id;
    bool greyed;
    bool separator;
};

struct Menu {
    const char* title;
    std::span<const MenuItem> items;
};

// The Window menu (index 2) also lists the open child windows.
constexpr int32_t kWindowMenuIndex = 2;

std::span<const Menu> mainMenu();

// Accelerators: a control character (code 1-26 is Ctrl+A to Ctrl+Z) or a virtual key with
// modifiers.
enum class KeyKind { character, virtualKey };
namespace vkey {
constexpr int32_t f4 = 0x73;
constexpr int32_t f5 = 0x74;
}  // namespace vkey

struct Accelerator {
    KeyKind kind;
    int32_t key;
    bool shift;
    bool control;
    int32_t command;
};

std::span<const Accelerator> accelerators();

// The key as a menu shows it: "Ctrl+Z", "Shift+F5".
std::string acceleratorText(const Accelerator& accelerator);
// The menu item with this identifier, or null.
const MenuItem* findMenuItem(int32_t id);

// Dialog templates, positions and sizes in dialog units.
enum class ControlKind { staticText, valueField, pushButton };
constexpr int32_t kNoControlId = -1;

struct DialogControl {
    ControlKind kind;
    const char* text;
    int32_t id;
    int32_t x, y, width, height;
};

struct DialogTemplate {
    int32_t id;
    const char* caption;
    const char* fontName;
    int32_t pointSize;
    int32_t x, y, width, height;
    bool systemMenu;
    std::span<const DialogControl> controls;
};

namespace about {
constexpr int32_t dialogId = 100;
constexpr int32_t pageSize = 102;
constexpr int32_t minimumAddress = 103;
constexpr int32_t maximumAddress = 104;
constexpr int32_t processorType = 105;
constexpr int32_t processorCount = 106;
constexpr int32_t credit = 107;  // the second credit line
}  // namespace about

constexpr int32_t kPrintingDialogId = 200;
constexpr int32_t kButtonId = 1;  // "Continue" and "Cancel"

const DialogTemplate& aboutDialog();
const DialogTemplate& printingDialog();

}  // namespace resources
}  // namespace fw
