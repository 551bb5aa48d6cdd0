// The display of the tests: nothing is drawn; input and answers come from the driver.
#pragma once

#include "internal.h"

#include "display.h"

namespace headless {

class Driver;

class HeadlessDisplay : public posix::Display {
public:
    explicit HeadlessDisplay(Driver& driver) : driver(driver) {}

    void windowCreated(HWND) override {}
    void windowChanged(HWND) override {}
    void windowDestroyed(HWND) override {}
    void raiseWindow(HWND) override {}
    void waitForInput() override;
    bool isKeyDown(int virtualKey) override;
    void openMessageBox(const posix::MessageBoxRequest& request,
                        std::function<void(int)> answered) override;
    void openFileDialog(const posix::FileDialogRequest& request,
                        std::function<void(std::optional<std::string>)> chosen) override;
    // Every box and dialog is answered as it opens, so none is ever left to close.
    void cancelModal() override {}

private:
    Driver& driver;
};

}  // namespace headless
