// A stand-in MediaInfo library for the probe's tests. It records every call
// with its arguments ("h" for the handle it gave out, "?" for any other), and
// answers "PlayTime" with the first line of the opened file (empty when the
// file cannot be read). Built a second time without MediaInfoA_Close, as a
// library that lacks one entry point.

#include <cstddef>
#include <cstdio>
#include <string>

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {
std::string trace;
std::string answer;

const char* Handle(void* handle) {
    return handle == &answer ? "h" : "?";
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
    return &answer;
}

EXPORT size_t MediaInfoA_Open(void* handle, const char* file) {
    trace += std::string("Open(") + Handle(handle) + "," + file + ");";
    answer.clear();
    FILE* f = std::fopen(file, "rb");
    if (!f)
        return 0;
    for (int c; (c = std::fgetc(f)) != EOF && c != '\n';)
        answer += static_cast<char>(c);
    std::fclose(f);
    return 1;
}

EXPORT const char* MediaInfoA_Get(void* handle, int streamKind, size_t streamNumber,
                                  const char* parameter, int infoKind, int searchKind) {
    trace += std::string("Get(") + Handle(handle) + "," + std::to_string(streamKind) + "," +
             std::to_string(streamNumber) + "," + parameter + "," + std::to_string(infoKind) + "," +
             std::to_string(searchKind) + ");";
    return answer.c_str();
}

#ifndef FAKE_MEDIAINFO_WITHOUT_CLOSE
EXPORT void MediaInfoA_Close(void* handle) {
    trace += std::string("Close(") + Handle(handle) + ");";
    answer.assign("garbage"); // what Get returned is no longer valid
}
#endif

EXPORT void MediaInfoA_Delete(void* handle) {
    trace += std::string("Delete(") + Handle(handle) + ");";
}
