// MessageBoxA's box as an FLTK window.
#include "fltk/message_box_window.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/fl_draw.H>

#include <algorithm>

#include "fltk/control_text.h"

namespace posix {

namespace {

constexpr int margin = 12;
constexpr int iconSize = 32;
constexpr int iconGap = 12;
constexpr int buttonWidth = 76;
constexpr int buttonHeight = 24;
constexpr int buttonGap = 8;
constexpr int footerHeight = buttonHeight + 2 * 10;
constexpr int narrowest = 180;
constexpr Fl_Color informationBlue = 0x1F6FD000;
constexpr Fl_Color warningYellow = 0xF8D03000;

enum class BoxIcon { none, information, warning };

BoxIcon iconOf(UINT style) {
    switch (style & MB_ICONMASK) {
    case MB_ICONINFORMATION:
        return BoxIcon::information;
    case MB_ICONWARNING:
        return BoxIcon::warning;
    default:
        return BoxIcon::none;
    }
}

// The icon beside the text: an "i" on a blue disc, or a "!" on a yellow triangle.
class IconWidget : public Fl_Widget {
public:
    IconWidget(BoxIcon icon, int x, int y) : Fl_Widget(x, y, iconSize, iconSize), icon(icon) {
        clear_visible_focus();
    }

protected:
    void draw() override {
        if (icon == BoxIcon::information) {
            fl_color(informationBlue);
            fl_pie(x(), y(), w(), h(), 0, 360);
            drawGlyph("i", FL_WHITE);
        } else {
            fl_color(warningYellow);
            fl_polygon(x() + w() / 2, y() + 1, x() + w() - 1, y() + h() - 2, x(), y() + h() - 2);
            drawGlyph("!", FL_BLACK);
        }
    }

private:
    void drawGlyph(const char* glyph, Fl_Color colour) {
        fl_font(FL_TIMES_BOLD, 22);
        fl_color(colour);
        fl_draw(glyph, x(), y() + 2, w(), h(), FL_ALIGN_CENTER, nullptr, 0);
    }

    BoxIcon icon;
};

// The message, line by line as its line feeds break it, each '&' shown as it is.
class TextWidget : public Fl_Widget {
public:
    TextWidget(const std::string& text, int x, int y, int width, int height)
        : Fl_Widget(x, y, width, height), text(withAmpersandsDoubled(text)) {
        clear_visible_focus();
    }

protected:
    void draw() override { drawControlText(text, x(), y(), w(), h(), FL_ALIGN_TOP_LEFT | FL_ALIGN_INSIDE); }

private:
    std::string text;
};

}  // namespace

BoxButtons buttonsOf(UINT style) {
    switch (style & MB_TYPEMASK) {
    case MB_YESNO:
        return {{{"&Yes", IDYES}, {"&No", IDNO}}, std::nullopt};
    case MB_OKCANCEL:
        return {{{"OK", IDOK}, {"Cancel", IDCANCEL}}, IDCANCEL};
    default:
        // An OK box closes with OK on Escape too.
        return {{{"OK", IDOK}}, IDOK};
    }
}

// Gives the keys their meaning in the box; the rest is FLTK's focus navigation.
class MessageBoxWindow::BoxWindow : public Fl_Double_Window {
public:
    BoxWindow(int width, int height, MessageBoxWindow& box) : Fl_Double_Window(width, height), box(box) {}

    int handle(int event) override {
        if (event != FL_KEYDOWN) return Fl_Double_Window::handle(event);
        const int key = Fl::event_key();
        if (key == FL_Enter || key == FL_KP_Enter) {
            auto focused = std::find(box.buttons.begin(), box.buttons.end(), Fl::focus());
            const std::size_t index = focused == box.buttons.end() ? 0 : focused - box.buttons.begin();
            box.answer(box.choices.buttons[index].answer);
            return 1;
        }
        if (key == FL_Escape) {
            if (box.choices.cancelAnswer) box.answer(*box.choices.cancelAnswer);
            return 1;
        }
        if (!Fl::event_state(FL_CTRL | FL_META))
            for (const BoxButton& button : box.choices.buttons)
                if (mnemonicOf(button.label) != 0 && mnemonicOf(button.label) == key) {
                    box.answer(button.answer);
                    return 1;
                }
        return Fl_Double_Window::handle(event);
    }

private:
    MessageBoxWindow& box;
};

MessageBoxWindow::MessageBoxWindow(const MessageBoxRequest& request, int centreX, int centreY,
                                   std::function<void(int)> answered)
    : choices(buttonsOf(request.style)), answered(std::move(answered)) {
    const BoxIcon icon = iconOf(request.style);
    int textWidth = 0;
    int textHeight = 0;
    measureControlText(withAmpersandsDoubled(request.text), textWidth, textHeight);
    const int textX = margin + (icon == BoxIcon::none ? 0 : iconSize + iconGap);
    const int contentHeight = std::max(textHeight, icon == BoxIcon::none ? 0 : iconSize);
    const int count = static_cast<int>(choices.buttons.size());
    const int buttonsWidth = count * buttonWidth + (count - 1) * buttonGap;
    const int width = std::max({textX + textWidth + margin, buttonsWidth + 2 * margin, narrowest});
    const int panelHeight = contentHeight + 2 * margin;
    const int height = panelHeight + footerHeight;

    window = std::make_unique<BoxWindow>(width, height, *this);
    window->copy_label(request.caption.c_str());
    window->callback([](Fl_Widget*, void* self) {
        auto* box = static_cast<MessageBoxWindow*>(self);
        if (box->choices.cancelAnswer) box->answer(*box->choices.cancelAnswer);
    }, this);

    auto* panel = new Fl_Box(FL_FLAT_BOX, 0, 0, width, panelHeight, nullptr);
    panel->color(FL_WHITE);
    if (icon != BoxIcon::none) new IconWidget(icon, margin, margin);
    new TextWidget(request.text, textX, margin + (contentHeight - textHeight) / 2, textWidth, textHeight);
    int buttonX = width - margin - buttonsWidth;
    for (const BoxButton& choice : choices.buttons) {
        auto* button = new Fl_Button(buttonX, panelHeight + (footerHeight - buttonHeight) / 2,
                                     buttonWidth, buttonHeight);
        button->copy_label(choice.label.c_str());
        button->labelfont(controlFont);
        button->labelsize(controlFontSize);
        button->callback(buttonPressed, this);
        buttons.push_back(button);
        buttonX += buttonWidth + buttonGap;
    }
    window->end();
    // Centred, but wholly on the screen, as Windows keeps its boxes.
    window->position(std::clamp(centreX - width / 2, Fl::x(), std::max(Fl::x(), Fl::x() + Fl::w() - width)),
                     std::clamp(centreY - height / 2, Fl::y(), std::max(Fl::y(), Fl::y() + Fl::h() - height)));
    window->set_non_modal();
    window->show();
    buttons.front()->take_focus();
}

MessageBoxWindow::~MessageBoxWindow() = default;

void MessageBoxWindow::answer(int answer) {
    if (!given) given = answer;
}

void MessageBoxWindow::buttonPressed(Fl_Widget* button, void* self) {
    auto* box = static_cast<MessageBoxWindow*>(self);
    auto pressed = std::find(box->buttons.begin(), box->buttons.end(), button);
    box->answer(box->choices.buttons[static_cast<std::size_t>(pressed - box->buttons.begin())].answer);
}

bool MessageBoxWindow::reportAnswer() {
    if (!given) return false;
    window->hide();
    answered(*given);
    return true;
}

}  // namespace posix
