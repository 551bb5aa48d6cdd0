// The tones of a tune as a ringtone text (RTTTL): each tone its nearest note, at the
// tempo whose note lengths come closest to the tones' lengths.
#pragma once

#include <string>
#include <vector>

#include "melody.h"

struct RtttlExport {
    std::string text;                  // the ringtone, one line
    std::vector<std::string> notices;  // how far the ringtone is from the tune
};

// Rests are pauses; `name` is cut to what a ringtone's name holds. Empty text for a
// melody of rests only.
RtttlExport rtttlExport(const Melody& melody, const std::string& name);
