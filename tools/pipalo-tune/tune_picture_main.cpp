// pipalo-tune-picture: what draws the picture that `pipalo-tune picture` is asked for.
// The tool runs it in its own place with its own arguments, so it reads them alike and
// fails in the same words.
#include <string>
#include <string_view>
#include <vector>

#include "request.h"
#include "tool_messages.h"
#include "tune_picture.h"

int main(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    Request request;
    if (std::string reason = parse(arguments, request); !reason.empty()) return reportFailure(reason, usageExit);
    if (request.command != "picture") return reportFailure("this program draws pictures only: run pipalo-tune", usageExit);
    std::vector<TuneRecord> records;
    if (!readRecords(request, records)) return failureExit;
    return written(request, writeTunePicture(records, request.pictureSize, request.output));
}
