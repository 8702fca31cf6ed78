#pragma once
// The settings file's names and defaults, shared by the loading at start-up
// and the writing before every conversion. The three list keys store list
// positions, so the order of the list items is part of the file format.

#include <QString>
#include <QStringList>
#include <array>

inline constexpr char kSettingsFileName[] = "option.ini";
inline constexpr char kSettingsSection[] = "TaskSetting";

// The format code of AudioFormat (1 MP3, 2 WAV, 3 AC3, 4 Keep Original, 5
// FLAC, 6 Opus, 7 AAC, 8 Vorbis).
inline constexpr char kKeyOutputFormat[] = "OutputFormat";
inline constexpr char kKeyAudioBitrate[] = "AudioBitrate";
inline constexpr char kKeySampleRate[] = "SampleRate";
inline constexpr char kKeyChannel[] = "Channel";
inline constexpr char kKeyOutputPath[] = "OutputPath";
// Encoders at once: 1, or the processor count when "Convert Several Files at
// Once" is checked. Written only when the item is used.
inline constexpr char kKeySimultaneous[] = "Simultaneous";
// 1 while "Add Cover Picture" is checked, else 0. Written only when the item is used.
inline constexpr char kKeyAddCoverPicture[] = "AddCoverPicture";
// 1 when "Even Out Loudness" is checked, else 0. Written only when the item is used.
inline constexpr char kKeyEvenOutLoudness[] = "EvenOutLoudness";

inline constexpr int kDefaultOutputFormat = 1; // "To MP3"
inline constexpr int kDefaultAudioBitrate = 8; // 128 kbit/s
inline constexpr int kDefaultSampleRate = 0;   // 48000 Hz
inline constexpr int kDefaultChannel = 1;      // Stereo
inline constexpr int kDefaultSimultaneous = 1; // one encoder at a time

// The items of the three lists, in the order their stored positions count.
// The main window's lists show them; the command-line program maps stored
// positions to values with them.
inline constexpr std::array<const char*, 13> kBitrateItems = {
    "32", "40", "48", "56", "64", "80", "96", "112", "128", "192", "224", "256", "320"};
inline constexpr std::array<const char*, 4> kSampleRateItems = {"48000", "44100", "32000", "22050"};
// Position + 1 is the channel count.
inline constexpr std::array<const char*, 2> kChannelItems = {"Mono", "Stereo"};
// The window's list of more formats: position + 5 is the format code (FLAC 5
// to Vorbis 8).
inline constexpr std::array<const char*, 4> kMoreFormatItems = {"FLAC", "Opus", "AAC", "Vorbis"};

// Appended to the proposed folder when the file names no output folder.
inline constexpr char kDefaultOutputFolderName[] = "MyAudio/";

// Where the settings live. A program folder the user may write keeps its own
// option.ini, as a portable copy or a build does. Otherwise each user has
// $XDG_CONFIG_HOME/Ostrela/option.ini (~/.config/Ostrela/option.ini), and so
// does root for an installed copy (IsInstalledCopy), whose folder belongs to
// the package.
// The files whose values count, in order: the first that has a key gives its
// value, and without any the designed defaults hold. The user's own file comes
// first; then, for a folder the user may not write, an option.ini beside the
// program (never for an installed copy); then the administrator's file.
QStringList SettingsFilesToRead();

// The file that Convert writes and Restore Default Settings deletes; when it
// is the user's own, its folder is made here so the first write succeeds.
QString SettingsFileToWrite();

// An administrator's defaults for every user: /etc/ostrela/option.ini. Only
// read, and only where the settings are the user's own.
QString AdminSettingsFile();

// Test-only: read the administrator's defaults from this file; an empty path
// restores the real one. The program itself never calls it.
void SetAdminSettingsFileForTesting(const QString& path);

// $XDG_CONFIG_HOME/Ostrela/option.ini, or ~/.config/Ostrela/option.ini when
// the variable is unset or not an absolute path.
QString UserSettingsFile();

// The stored list position, or the key's default when the position lies
// outside a list of `count` items, so every list keeps a selection.
int ValidListIndex(int index, int count, int defaultIndex);

// The values option.ini keeps, as the window's controls hold them: the one
// place that knows the keys, their defaults and which files count.
struct StoredSettings {
    int format = kDefaultOutputFormat;       // as stored: a code outside 1 to 8 checks no radio
    int bitrateIndex = kDefaultAudioBitrate; // positions in the three lists
    int sampleRateIndex = kDefaultSampleRate;
    int channelIndex = kDefaultChannel;
    QString outputPath; // empty when no file names one
    int simultaneous = kDefaultSimultaneous;
    bool coverPicture = false;
    bool evenLoudness = false;

    // From the files in order (as SettingsFilesToRead gives them); a list
    // position outside its list gives the key's default.
    static StoredSettings Read(const QStringList& files);
    // What Convert stores, in the file's order: the format, the three
    // positions and the output path. False when any could not be written;
    // the others are written all the same.
    bool WriteOutput(const QString& file) const;
    // What "Convert Several Files at Once" stores.
    bool WriteSimultaneous(const QString& file) const;
    // What "Add Cover Picture" stores.
    bool WriteCoverPicture(const QString& file) const;
    // What "Even Out Loudness" stores.
    bool WriteEvenLoudness(const QString& file) const;
};
