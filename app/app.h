// The application's operations: the main window's bindings, help and About,
// the Ctrl shortcuts and closing.
#pragma once

#include <string>

#include "window.h"

// Resource ids of the resource script.
constexpr WORD mainIconId = 116;
constexpr WORD smallIconId = 117;
constexpr WORD englishMenuId = 102;
constexpr WORD aboutPictureId = 119;

extern const std::string versionText;

void addNoteButtons(Window& window);
void addNoteKeys(Window& window);
void addCommands(Window& window);

void onCtrlShortcuts(Window* window);
void onClose(Window* window);
void hideInterface(Window* window);

void showHelp(Window* window);
void showAbout(Window* window);
void exitProgram(Window* window);
