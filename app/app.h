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
// The first argument of a command line, read as Windows programs read theirs.
std::string firstArgument(const char* commandLine);
// A tune file named as the command line's first argument plays once the window first paints.
void playTuneOnceShown(Window& window, const char* commandLine);

void onCtrlShortcuts(Window* window);
void onClose(Window* window);
void hideInterface(Window* window);

void showHelp(Window* window);
void showAbout(Window* window);
void exitProgram(Window* window);
