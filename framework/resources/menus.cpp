// The menu, accelerator and dialog tables of the frame.
#include "framework/resources/menus.h"

namespace fw::resources {

namespace {

constexpr MenuItem kSeparator{"", "", 0, false, true};

constexpr MenuItem kFileItems[] = {
    {"&Save", "", command::save, false, false},
    {"Save As...", "", command::saveAs, false, false},
    kSeparator,
    {"Print...", "", command::print, false, false},
    kSeparator,
    {"&About...", "", command::about, false, false},
    kSeparator,
    {"E&xit", "", command::exit, false, false},
};

constexpr MenuItem kEditItems[] = {
    {"&Undo", "Ctrl+Z", command::undo, true, false},
    kSeparator,
    {"Cu&t", "Ctrl+X", command::cut, true, false},
    {"&Copy", "Ctrl+C", command::copy, true, false},
    {"&Paste", "Ctrl+V", command::paste, true, false},
    {"De&lete", "", command::remove, true, false},
};

constexpr MenuItem kWindowItems[] = {
    {"&Cascade", "Shift+F5", command::cascade, false, false},
    {"&Tile", "Shift+F4", command::tile, false, false},
    {"&Arrange Icons", "", command::arrangeIcons, false, false},
};

constexpr Menu kMainMenu[] = {
    {"&File", kFileItems},
    {"&Edit", kEditItems},
    {"&Window", kWindowItems},
};

constexpr Accelerator kAccelerators[] = {
    {KeyKind::character, 26, false, false, command::undo},
    {KeyKind::character, 24, false, false, command::cut},
    {KeyKind::character, 3, false, false, command::copy},
    {KeyKind::character, 22, false, false, command::paste},
    {KeyKind::virtualKey, vkey::f5, true, false, command::cascade},
    {KeyKind::virtualKey, vkey::f4, true, false, command::tile},
};

constexpr DialogControl kAboutControls[] = {
    {ControlKind::staticText, "TAVO Application Framework", kNoControlId, 10, 10, 140, 8},
    {ControlKind::staticText, "A console, menus, saving and printing", kNoControlId, 10, 28, 140, 8},
    {ControlKind::staticText, "for record-oriented analysis programs.", about::credit, 10, 40, 140, 8},
    {ControlKind::staticText, "Page Size", kNoControlId, 10, 65, 75, 8},
    {ControlKind::staticText, "Minimum Address", kNoControlId, 10, 80, 75, 8},
    {ControlKind::staticText, "Maximum Address", kNoControlId, 10, 95, 75, 8},
    {ControlKind::staticText, "Processor Type", kNoControlId, 10, 110, 75, 8},
    {ControlKind::staticText, "Number of Processors", kNoControlId, 10, 125, 75, 8},
    {ControlKind::valueField, "", about::pageSize, 95, 65, 65, 8},
    {ControlKind::valueField, "", about::minimumAddress, 95, 80, 65, 8},
    {ControlKind::valueField, "", about::maximumAddress, 95, 95, 65, 8},
    {ControlKind::valueField, "", about::processorType, 95, 110, 65, 8},
    {ControlKind::valueField, "", about::processorCount, 95, 125, 65, 8},
    {ControlKind::pushButton, "Continue", kButtonId, 115, 145, 40, 14},
};

constexpr DialogTemplate kAboutDialog{
    about::dialogId, "About TAVO", "MS Sans Serif", 8, 25, 25, 160, 165, true, kAboutControls};

constexpr DialogControl kPrintingControls[] = {
    {ControlKind::staticText, "Printing...", kNoControlId, 25, 10, 35, 8},
    {ControlKind::pushButton, "Cancel", kButtonId, 25, 30, 40, 14},
};

constexpr DialogTemplate kPrintingDialog{
    kPrintingDialogId, "TAVO", "MS Sans Serif", 8, 25, 25, 90, 55, false, kPrintingControls};

}  // namespace

std::span<const Menu> mainMenu() { return kMainMenu; }

std::span<const Accelerator> accelerators() { return kAccelerators; }

std::string acceleratorText(const Accelerator& accelerator) {
    if (accelerator.kind == KeyKind::character) {
        if (accelerator.key >= 1 && accelerator.key <= 26)
            return std::string("Ctrl+") + static_cast<char>('A' + accelerator.key - 1);
        return std::string(1, static_cast<char>(accelerator.key));
    }
    std::string text;
    if (accelerator.control) text += "Ctrl+";
    if (accelerator.shift) text += "Shift+";
    // Function keys F1 to F24 are the virtual keys 0x70 to 0x87.
    if (accelerator.key >= 0x70 && accelerator.key <= 0x87) return text + "F" + std::to_string(accelerator.key - 0x6F);
    return text + static_cast<char>(accelerator.key);
}

const MenuItem* findMenuItem(int32_t id) {
    for (const Menu& menu : kMainMenu)
        for (const MenuItem& item : menu.items)
            if (!item.separator && item.id == id) return &item;
    return nullptr;
}

const DialogTemplate& aboutDialog() { return kAboutDialog; }
const DialogTemplate& printingDialog() { return kPrintingDialog; }

}  // namespace fw::resources
