// The tones of a tune as a ringtone text (RTTTL): each tone its nearest note, at the
// tempo whose note lengths come closest to the tones' lengths.
#pragma once

#include <string>
#include <vector>

#include "tune_text.h"

struct RtttlExport {
    std::string text;                  // the ringtone, one line
    std::vector<std::string> notices;  // how far the ringtone is from the tune
};

// For sounded records; `name` is cut to what a ringtone's name holds.
RtttlExport rtttlExport(const std::vector<TuneRecord>& records, const std::string& name);
