// MessageBoxA's box as GTK's message dialog: the caption, the text beside the icon of its
// style, and the buttons that its style asks for, transient for its owner and centred over
// it. Return presses the focused button (at first the default one), Escape and the close
// box give the box's cancel answer where it has one, and a button's '&' letter presses
// it, with or without Alt, as on Windows.
#pragma once

#include "internal.h"

#include <gtk/gtk.h>

#include <functional>
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

// GTK's kind of message for the icon that the style asks for.
GtkMessageType messageTypeOf(UINT style);

class MessageBoxWindow : public ModalView {
public:
    // `owner` is the owner's window, or null for a box over the screen.
    MessageBoxWindow(const MessageBoxRequest& request, GtkWindow* owner, std::function<void(int)> answered);
    ~MessageBoxWindow() override;
    MessageBoxWindow(const MessageBoxWindow&) = delete;
    MessageBoxWindow& operator=(const MessageBoxWindow&) = delete;

    bool reportAnswer() override;
    // Answers 0, as Windows' dialog manager does for a box that is gone.
    void ownerDestroyed() override;

private:
    void answer(int given);
    static void responded(GtkDialog*, int response, gpointer self);
    static gboolean keyPressed(GtkWidget*, GdkEventKey* event, gpointer self);

    GtkWidget* dialog;
    BoxButtons choices;
    std::optional<int> given;
    std::function<void(int)> answered;
};

}  // namespace posix
