#pragma once
// The encoder command line of one task and the output settings it is built from.

#include <QString>
#include <cstdint>

enum AudioFormat : int32_t { FormatMP3 = 1, FormatWAV = 2, FormatAC3 = 3 };

// Filled by the Convert command from the main window's controls just before a
// conversion; read by the command builder while it runs.
struct OutputSettings {
    QString outputFolder;
    int32_t format = FormatMP3;
    int32_t bitrate = 0;    // kbit/s
    int32_t sampleRate = 0; // Hz
    int32_t channels = 0;   // 1 mono, 2 stereo
};
