// A small wrapper of one top-level window: its class, its controls, the tables
// that bind buttons, polled keys, messages and menu commands to callbacks, and
// the message loop that polls the keys after every message.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "win32.h"

class Window;

typedef void (*Callback)(Window* window);

class Window {
public:
    Window(HINSTANCE instance, WORD iconId, WORD smallIconId, const char* className);
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    void setTitle(const char* text);
    void setSize(int width, int height);
    HWND create(DWORD styleMask);
    int create(const char* title, int width, int height, DWORD styleMask);

    void addKeyHandler(int virtualKey, Callback callback);
    int addButton(const std::string& text, int x, int y, int width, int height,
                  Callback callback);
    int addLabel(const std::string& text, int x, int y, int width, int height);
    HANDLE setLabelBitmap(int labelIndex, WORD bitmapId);
    int addStatusLine(const std::string& text);
    void addMessageHandler(UINT messageId, Callback callback);
    void addCommand(int commandId, Callback callback);

    int setMenu(WORD menuId);
    BOOL minimize();
    void quit();
    // From a WM_CLOSE handler: the window stays open instead of being destroyed.
    void keepOpen();
    std::string showSaveDialog(const std::string& title, const char* filter,
                               const std::string& initialDir, DWORD flags);
    std::string showOpenDialog(const std::string& title, const char* filter,
                               const std::string& initialDir, DWORD flags);

    int run();
    void destroy();

    HWND getHandle() const;
    HINSTANCE getInstance() const;
    bool isKeyDown(int virtualKey) const;

    static LRESULT CALLBACK windowProcedure(HWND windowHandle, UINT message, WPARAM wParam,
                                            LPARAM lParam);

private:
    std::vector<std::int32_t> commandIds;
    std::vector<std::uint32_t> messageIds;
    std::vector<Callback> commandCallbacks;
    std::vector<Callback> keyCallbacks;
    std::vector<Callback> messageCallbacks;
    std::vector<std::int32_t> keyCodes;
    HWND handle;
    std::vector<HWND> buttonHandles;
    std::vector<HWND> labels;
    std::vector<HWND> statusLines;
    WNDCLASSEXA windowClass;
    MSG currentMessage;
    HINSTANCE instance;
    char className[64];
    char title[64];
    std::int32_t height;
    std::int32_t width;
    std::int32_t labelCount;
    std::int32_t slotCount;
    std::int32_t messageHandlerCount;
    std::int32_t statusLineCount;
    std::int32_t keyCapacity;
    std::int32_t messageCapacity;
    std::int32_t slotCapacity;
    std::int32_t menuHeight;
    bool destroyed;
    bool keepingOpen;

    void dispatchCommand(WPARAM wParam);
    static void runMessageHandlers(UINT message);
    std::string showFileDialog(bool save, const std::string& title, const char* filter,
                               const std::string& initialDir, DWORD flags, DWORD pathSize);
};

// Every live Window, in order of construction, and the one the window procedure resolved last.
extern std::vector<Window*> windowRegistry;
extern Window* currentWindow;
