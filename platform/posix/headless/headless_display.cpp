// The display of the tests, which draws nothing.
#include "headless/headless_display.h"

#include "test_driver/driver.h"

namespace headless {

void HeadlessDisplay::waitForInput() { driver.waitForInput(); }

bool HeadlessDisplay::isKeyDown(int virtualKey) { return driver.isKeyDown(virtualKey); }

void HeadlessDisplay::openMessageBox(const posix::MessageBoxRequest& request,
                                     std::function<void(int)> answered) {
    driver.openMessageBox(request, std::move(answered));
}

void HeadlessDisplay::openFileDialog(const posix::FileDialogRequest& request,
                                     std::function<void(std::optional<std::string>)> chosen) {
    driver.openFileDialog(request, std::move(chosen));
}

}  // namespace headless
