// Where Beep's tones go: the sound card, or a test's list of tones.
#pragma once

#include "internal.h"

#include <memory>

#include "win32_subset.h"

namespace posix {

class ToneOutput {
public:
    virtual ~ToneOutput() = default;
    // Plays a tone and returns when it has ended.
    virtual void play(unsigned frequency, unsigned milliseconds) = 0;
    // Every Beep call as it was made, refused ones too; only the tests keep them.
    virtual void called(DWORD, DWORD) {}
};

ToneOutput& toneOutput();
void setToneOutput(std::unique_ptr<ToneOutput> output);

}  // namespace posix
