// The frequencies Beep sounds, as on Windows: one outside them is refused at once,
// without sound and without waiting. The subset's Beep and pipalo-tune both keep to it.
#pragma once

namespace posix {

constexpr unsigned lowestBeepFrequency = 37;
constexpr unsigned highestBeepFrequency = 32767;

constexpr bool isBeepFrequency(unsigned frequency) {
    return frequency >= lowestBeepFrequency && frequency <= highestBeepFrequency;
}

}  // namespace posix
