// A stand-in MediaInfo library for the probe's tests. It records every call
// with its arguments, and answers "PlayTime" with the first line of the opened
// file (empty when the file cannot be read). Built a second time without
// MediaInfoA_Close, as a library that lacks one entry point.

#include <cstddef>
#include <cstdio>
#include <string>

namespace {
std::string trace;
std::string answer;
int liveHandles = 0;
} // namespace

extern "C" {

__attribute__((visibility("default"))) const char* FakeMediaInfo_Trace() {
    return trace.c_str();
}

__attribute__((visibility("default"))) void FakeMediaInfo_ClearTrace() {
    trace.clear();
}

__attribute__((visibility("default"))) int FakeMediaInfo_LiveHandles() {
    return liveHandles;
}

__attribute__((visibility("default"))) void* MediaInfoA_New() {
    trace += "New;";
    ++liveHandles;
    return &answer;
}

__attribute__((visibility("default"))) size_t MediaInfoA_Open(void* handle, const char* file) {
    trace += std::string("Open(") + (handle == &answer ? "h," : "?,") + file + ");";
    answer.clear();
    if (FILE* f = std::fopen(file, "rb")) {
        int c;
        while ((c = std::fgetc(f)) != EOF && c != '\n')
            answer += static_cast<char>(c);
        std::fclose(f);
        return 1;
    }
    return 0;
}

__attribute__((visibility("default"))) const char* MediaInfoA_Get(void* handle, int streamKind,
                                                                  size_t streamNumber,
                                                                  const char* parameter,
                                                                  int infoKind, int searchKind) {
    trace += std::string("Get(") + (handle == &answer ? "h," : "?,") + std::to_string(streamKind) +
             "," + std::to_string(streamNumber) + "," + parameter + "," + std::to_string(infoKind) +
             "," + std::to_string(searchKind) + ");";
    return answer.c_str();
}

#ifndef FAKE_MEDIAINFO_WITHOUT_CLOSE
__attribute__((visibility("default"))) void MediaInfoA_Close(void* handle) {
    trace += handle == &answer ? "Close(h);" : "Close(?);";
    // What Get returned is no longer valid once the file is closed.
    answer.assign("garbage");
}
#endif

__attribute__((visibility("default"))) void MediaInfoA_Delete(void* handle) {
    trace += handle == &answer ? "Delete(h);" : "Delete(?);";
    --liveHandles;
}
}
