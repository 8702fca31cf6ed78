// A stand-in MediaInfo library recording every call ("h": its handle, "?": another). It
// answers "PlayTime" with the opened file's first line, other parameters from lines
// "<kind>,<number>,<parameter>=<text>", the rest empty. Also built without MediaInfoA_Close.

#include <cstddef>
#include <fstream>
#include <map>
#include <string>

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {
std::string trace;
int theHandle;
std::map<std::string, std::string> answers; // "kind,number,parameter" -> text
std::string reply;                          // the text of the last Get, valid until the next call

const char* Handle(void* handle) {
    return handle == &theHandle ? "h" : "?";
}
} // namespace

EXPORT const char* FakeMediaInfo_Trace() {
    return trace.c_str();
}

EXPORT void FakeMediaInfo_ClearTrace() {
    trace.clear();
}

EXPORT void* MediaInfoA_New() {
    trace += "New;";
    return &theHandle;
}

EXPORT size_t MediaInfoA_Open(void* handle, const char* file) {
    trace += std::string("Open(") + Handle(handle) + "," + file + ");";
    answers.clear();
    std::ifstream in(file);
    if (!in)
        return 0;
    std::string line;
    for (bool first = true; std::getline(in, line); first = false) {
        const size_t equals = line.find('=');
        if (first)
            answers["0,0,PlayTime"] = line;
        else if (equals != std::string::npos)
            answers[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return 1;
}

EXPORT const char* MediaInfoA_Get(void* handle, int streamKind, size_t streamNumber,
                                  const char* parameter, int infoKind, int searchKind) {
    trace += std::string("Get(") + Handle(handle) + "," + std::to_string(streamKind) + "," +
             std::to_string(streamNumber) + "," + parameter + "," + std::to_string(infoKind) + "," +
             std::to_string(searchKind) + ");";
    const auto found = answers.find(std::to_string(streamKind) + "," +
                                    std::to_string(streamNumber) + "," + parameter);
    reply = found == answers.end() ? std::string() : found->second;
    return reply.c_str();
}

#ifndef FAKE_MEDIAINFO_WITHOUT_CLOSE
EXPORT void MediaInfoA_Close(void* handle) {
    trace += std::string("Close(") + Handle(handle) + ");";
    answers.clear();
    reply.assign("garbage"); // what Get returned is no longer valid
}
#endif

EXPORT void MediaInfoA_Delete(void* handle) {
    trace += std::string("Delete(") + Handle(handle) + ");";
}
