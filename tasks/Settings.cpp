#include "tasks/Settings.h"

#include "app/ProgramFolder.h"

QString SettingsFilePath() {
    return GetProgramFolder() + QLatin1String(kSettingsFileName);
}

int ValidListIndex(int index, int count, int defaultIndex) {
    return index >= 0 && index < count ? index : defaultIndex;
}
