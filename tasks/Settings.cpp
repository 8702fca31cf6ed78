#include "tasks/Settings.h"

#include "app/ProgramFolder.h"
#include "platform/FileSystem.h"
#include "tasks/Ini.h"

#include <QDir>
#include <QFileInfo>

namespace {
constexpr char kUserSettingsFolder[] = "Ostrela";
constexpr char kAdminSettingsFile[] = "/etc/ostrela/option.ini";

QString& AdminOverride() {
    static QString path;
    return path;
}

QString BesideProgram() {
    return GetProgramFolder() + QLatin1String(kSettingsFileName);
}

// Settings beside the program: the designed place, for a copy the user may write.
bool KeptBesideProgram() {
    return !IsInstalledCopy() && IsWritableFolder(GetProgramFolder());
}
} // namespace

QString AdminSettingsFile() {
    return AdminOverride().isEmpty() ? QString::fromLatin1(kAdminSettingsFile) : AdminOverride();
}

void SetAdminSettingsFileForTesting(const QString& path) {
    AdminOverride() = path;
}

QString UserSettingsFile() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    // A relative value is ignored; Qt would take ":x" for an absolute resource path.
    if (!base.startsWith(QLatin1Char('/')))
        base = QDir::homePath() + QLatin1String("/.config");
    return QDir::cleanPath(base + '/' + QLatin1String(kUserSettingsFolder) + '/' +
                           QLatin1String(kSettingsFileName));
}

QStringList SettingsFilesToRead() {
    if (KeptBesideProgram())
        return {BesideProgram()};
    QStringList files{UserSettingsFile()};
    if (!IsInstalledCopy())
        files << BesideProgram();
    return files << AdminSettingsFile();
}

QString SettingsFileToWrite() {
    if (KeptBesideProgram())
        return BesideProgram();
    const QString user = UserSettingsFile();
    QDir().mkpath(QFileInfo(user).path());
    return user;
}

int ValidListIndex(int index, int count, int defaultIndex) {
    return index >= 0 && index < count ? index : defaultIndex;
}

StoredSettings StoredSettings::Read(const QStringList& files) {
    CIni ini;
    ini.SetPathName(files.value(0));
    ini.SetFallbackPathNames(files.mid(1));
    const auto position = [&ini](const char* key, int count, int defaultIndex) {
        return ValidListIndex(ini.GetInt(kSettingsSection, key, defaultIndex), count, defaultIndex);
    };
    StoredSettings stored;
    stored.format = ini.GetInt(kSettingsSection, kKeyOutputFormat, kDefaultOutputFormat);
    stored.bitrateIndex =
        position(kKeyAudioBitrate, int(kBitrateItems.size()), kDefaultAudioBitrate);
    stored.sampleRateIndex =
        position(kKeySampleRate, int(kSampleRateItems.size()), kDefaultSampleRate);
    stored.channelIndex = position(kKeyChannel, int(kChannelItems.size()), kDefaultChannel);
    ini.GetString(kSettingsSection, kKeyOutputPath, stored.outputPath);
    stored.simultaneous = ini.GetInt(kSettingsSection, kKeySimultaneous, kDefaultSimultaneous);
    stored.coverPicture = ini.GetInt(kSettingsSection, kKeyAddCoverPicture, 0) != 0;
    stored.evenLoudness = ini.GetInt(kSettingsSection, kKeyEvenOutLoudness, 0) != 0;
    return stored;
}

bool StoredSettings::WriteOutput(const QString& file) const {
    CIni ini;
    ini.SetPathName(file);
    bool saved = ini.WriteInt(kSettingsSection, kKeyOutputFormat, format);
    saved &= ini.WriteInt(kSettingsSection, kKeyAudioBitrate, bitrateIndex);
    saved &= ini.WriteInt(kSettingsSection, kKeySampleRate, sampleRateIndex);
    saved &= ini.WriteInt(kSettingsSection, kKeyChannel, channelIndex);
    saved &= ini.WriteString(kSettingsSection, kKeyOutputPath, outputPath.toUtf8().constData());
    return saved;
}

namespace {
bool WriteKey(const QString& file, const char* key, int value) {
    CIni ini;
    ini.SetPathName(file);
    return ini.WriteInt(kSettingsSection, key, value);
}
} // namespace

bool StoredSettings::WriteSimultaneous(const QString& file) const {
    return WriteKey(file, kKeySimultaneous, simultaneous);
}

bool StoredSettings::WriteCoverPicture(const QString& file) const {
    return WriteKey(file, kKeyAddCoverPicture, coverPicture ? 1 : 0);
}

bool StoredSettings::WriteEvenLoudness(const QString& file) const {
    return WriteKey(file, kKeyEvenOutLoudness, evenLoudness ? 1 : 0);
}
