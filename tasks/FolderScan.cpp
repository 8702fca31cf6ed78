#include "tasks/FolderScan.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <algorithm>

const char kSupportedMediaPatterns[] =
    "*.mpg;*.mpeg;*.avi;*.wmv;*.asf;*.flv;*.dat;*.qt;*.mp4;*.3gp;*.mov;*.dat;*.mkv;*.webm;*.m4v;"
    "*.ts;*.m2ts;*.mts;*.ogv";

namespace {

// The extensions of the patterns, in lower case, with their full stop.
const QStringList& SupportedExtensions() {
    static const QStringList extensions = [] {
        QStringList list;
        for (const QString& pattern :
             QString::fromLatin1(kSupportedMediaPatterns).split(QLatin1Char(';')))
            list << pattern.mid(1).toLower();
        return list;
    }();
    return extensions;
}

// Natural order as file managers use it; names the collator finds equal
// ("a" and "A") keep one fixed order. The C locale's collator compares code
// points only, so English rules stand in for it.
void SortNaturally(QStringList& names) {
    QLocale locale;
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    QCollator collator(locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(names.begin(), names.end(), [&collator](const QString& a, const QString& b) {
        const int order = collator.compare(a, b);
        return order != 0 ? order < 0 : a < b;
    });
}

// A name inside a folder; "/" has its own slash.
QString Join(const QString& folder, const QString& name) {
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

} // namespace

bool IsSupportedMediaName(const QString& fileName) {
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot > 0 && SupportedExtensions().contains(fileName.mid(dot).toLower());
}

FolderScan::FolderScan(const QString& folder) {
    Enter(folder);
}

void FolderScan::Enter(const QString& folder) {
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (canonical.isEmpty() || seen.contains(canonical))
        return;
    seen.insert(canonical);
    Level level;
    level.folder = QDir::cleanPath(folder);
    // Without QDir::Hidden, names starting with "." stay out; without
    // QDir::System, so do broken links.
    const QDir dir(folder);
    level.folders = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QString& name : dir.entryList(QDir::Files, QDir::NoSort))
        if (IsSupportedMediaName(name))
            level.files << name;
    SortNaturally(level.folders);
    SortNaturally(level.files);
    levels.push_back(std::move(level));
}

QString FolderScan::Next() {
    while (!levels.empty()) {
        Level& top = levels.back();
        if (!top.folders.isEmpty()) {
            Enter(Join(top.folder, top.folders.takeFirst()));
            continue;
        }
        if (!top.files.isEmpty())
            return Join(top.folder, top.files.takeFirst());
        levels.pop_back();
    }
    return QString();
}

QStringList ScanFolder(const QString& folder, int limit) {
    QStringList found;
    FolderScan scan(folder);
    while (found.size() < limit) {
        const QString path = scan.Next();
        if (path.isEmpty())
            break;
        found << path;
    }
    return found;
}
