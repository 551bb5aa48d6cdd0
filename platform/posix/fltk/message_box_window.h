// MessageBoxA's box: the caption, the text beside its icon, and the buttons
// that its style asks for. Return presses the focused button (at first the
// default one), Escape and the close box give the box's cancel answer where
// it has one, and a button's '&' letter presses it.
#pragma once

#include "internal.h"

#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "display.h"
#include "gtk/modal_view.h"

namespace posix {

struct BoxButton {
    std::string label;  // with its '&' mnemonic
    int answer;
};

struct BoxButtons {
    std::vector<BoxButton> buttons;  // left to right; the first is the default
    std::optional<int> cancelAnswer;  // Escape's and the close box's; none for Yes/No
};

BoxButtons buttonsOf(UINT style);

class MessageBoxWindow : public ModalView {
public:
    // The box is centred on `centreX`, `centreY` in screen coordinates.
    MessageBoxWindow(const MessageBoxRequest& request, int centreX, int centreY,
                     std::function<void(int)> answered);
    ~MessageBoxWindow() override;
    MessageBoxWindow(const MessageBoxWindow&) = delete;
    MessageBoxWindow& operator=(const MessageBoxWindow&) = delete;

    bool reportAnswer() override;

private:
    class BoxWindow;

    void answer(int given);
    static void buttonPressed(Fl_Widget* button, void* self);

    std::unique_ptr<BoxWindow> window;
    BoxButtons choices;
    std::vector<Fl_Button*> buttons;  // owned by the window
    std::optional<int> given;
    std::function<void(int)> answered;
};

}  // namespace posix
