// MessageBoxA: a modal box on the display, its owner disabled meanwhile.
#include <optional>

#include "display.h"
#include "modal_loop.h"

using namespace posix;

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
    MessageBoxRequest request;
    request.owner = owner;
    request.text = text ? text : "";
    request.caption = caption ? caption : "Error";
    request.style = style;

    OwnerDisabled disabled(owner);
    std::optional<int> answer;
    display().openMessageBox(request, [&answer](int given) { answer = given; });
    // A box ended by a quit request returns 0, as Windows' dialog manager does.
    return runModalLoop([&answer] { return answer.has_value(); }) ? *answer : 0;
}
