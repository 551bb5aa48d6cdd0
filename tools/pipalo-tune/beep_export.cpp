// A tune as one beep command, a -n before each tone after the first.
#include "beep_export.h"

std::string beepExport(const std::vector<TuneRecord>& records, const std::vector<long>& pausesAfter) {
    std::string script = "#!/bin/sh\nbeep";
    for (std::size_t index = 0; index < records.size(); ++index) {
        script += index == 0 ? " " : " \\\n  -n ";
        script += "-f " + std::to_string(records[index].frequency) + " -l " + std::to_string(records[index].duration);
        if (index < pausesAfter.size() && pausesAfter[index] > 0) script += " -D " + std::to_string(pausesAfter[index]);
    }
    return script + "\n";
}
