// The application's operations: the main window's bindings, help and About,
// the Ctrl shortcuts and closing.
#pragma once

#include <string>

#include "resource_ids.h"
#include "window.h"

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
