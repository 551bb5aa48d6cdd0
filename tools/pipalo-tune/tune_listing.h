// The text of `pipalo-tune list`: one line per record, then the count and the length.
#pragma once

#include <string>
#include <vector>

#include "tune_text.h"

std::string tuneListing(const std::vector<TuneRecord>& records);
