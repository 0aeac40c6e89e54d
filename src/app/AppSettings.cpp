#include "app/AppSettings.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QVariant>

#include <algorithm>
#include <functional>

namespace {

const QString LanguageKey = QStringLiteral("language");
const QString SortOrderKey = QStringLiteral("sortOrder");
const QString NumberingKey = QStringLiteral("options/numbering");
const QString NumbersOnlyKey = QStringLiteral("options/numbersOnly");
const QString NumberStartKey = QStringLiteral("options/numberStart");
const QString NumberStepKey = QStringLiteral("options/numberStep");
const QString NumberDigitsKey = QStringLiteral("options/numberDigits");
const QString NumberSeparatorKey = QStringLiteral("options/numberSeparator");
const QString KeepExtensionKey = QStringLiteral("options/keepExtension");
const QString ExtensionKey = QStringLiteral("options/extension");
const QString MaskKey = QStringLiteral("read/mask");
const QString LastFoldersKey = QStringLiteral("read/lastFolders");
const QString VolumeKey = QStringLiteral("volume");
const QString FolderKey = QStringLiteral("folder");
const std::array<QString, RememberedWindowCount> WindowKeys = {
    QStringLiteral("windows/main"), QStringLiteral("windows/read"),
    QStringLiteral("windows/options"), QStringLiteral("windows/about"),
    QStringLiteral("windows/plan")};
const QString PlanSizeKey = QStringLiteral("windows/planSize");

constexpr std::size_t MaxNameBytes = 255;
constexpr std::size_t MaxPathBytes = 4095;
// Beyond any desktop's coordinates; a value past it was not written by us.
constexpr int MaxCoordinate = 1 << 20;

// Text values are bytes. Those that are UTF-8 are stored as text, readable in the file; any
// other is stored as a byte array, so that a folder name that is not UTF-8 comes back unchanged.
QVariant fromBytes(const std::string &bytes) {
    const QByteArray raw(bytes.data(), qsizetype(bytes.size()));
    const QString text = QString::fromUtf8(raw);
    if (text.toUtf8() == raw)
        return text;
    return raw;
}

std::optional<std::string> toBytes(const QVariant &value) {
    if (value.typeId() == QMetaType::QString)
        return value.toString().toStdString();
    if (value.typeId() == QMetaType::QByteArray) {
        const QByteArray raw = value.toByteArray();
        return std::string(raw.constData(), std::size_t(raw.size()));
    }
    return std::nullopt; // a number, a list (an unquoted comma), ...
}

std::optional<bool> toBool(const QVariant &value) {
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    const QString text = value.toString().trimmed().toLower();
    if (text == QLatin1String("true") || text == QLatin1String("1"))
        return true;
    if (text == QLatin1String("false") || text == QLatin1String("0"))
        return false;
    return std::nullopt;
}

bool isExtension(const std::string &text) {
    return text.size() <= MaxNameBytes && text.find('/') == std::string::npos &&
           text.find('\0') == std::string::npos;
}

bool isMask(const std::string &text) {
    return !text.empty() && isExtension(text);
}

bool isAbsolutePath(const std::string &text) {
    return !text.empty() && text.front() == '/' && text.size() <= MaxPathBytes &&
           text.find('\0') == std::string::npos;
}

// A window size a screen can hold; a value past it was not written by us.
bool isPlanSize(QSize size) {
    return size.width() > 0 && size.height() > 0 && size.width() < MaxCoordinate &&
           size.height() < MaxCoordinate;
}

// Compared without std::abs, which has no value for the least int a saved position may hold.
bool isPosition(QPoint point) {
    const auto within = [](int value) { return value >= -MaxCoordinate && value <= MaxCoordinate; };
    return within(point.x()) && within(point.y());
}

QString languageName(filvane::Language language) {
    return language == filvane::Language::Hungarian ? QStringLiteral("hu") : QStringLiteral("en");
}

QString sortOrderName(SortOrder order) {
    switch (order) {
    case SortOrder::Natural:
        return QStringLiteral("natural");
    case SortOrder::Track:
        return QStringLiteral("track");
    case SortOrder::Taken:
        return QStringLiteral("taken");
    case SortOrder::Modified:
        return QStringLiteral("mtime");
    case SortOrder::Bytes:
        break;
    }
    return QStringLiteral("bytes");
}

// Digits as written: "2+" (at least two), "auto", or a fixed width.
QString digitsName(const filvane::NumberFormat &format) {
    using Digits = filvane::NumberFormat::Digits;
    if (format.digits == Digits::Auto)
        return QStringLiteral("auto");
    if (format.digits == Digits::Fixed)
        return QString::number(format.width);
    return QStringLiteral("2+");
}

void readNumberFormat(const QSettings &settings, filvane::NumberFormat &format) {
    // Numbers far beyond any list are a damaged file's, not a user's choice.
    constexpr int Limit = 1'000'000'000;
    const auto number = [&](const QString &key, int &value) {
        bool ok = false;
        const int read = settings.value(key).toString().toInt(&ok);
        if (ok && read > -Limit && read < Limit)
            value = read;
    };
    number(NumberStartKey, format.start);
    number(NumberStepKey, format.step);
    if (format.step == 0)
        format.step = 1;
    const QString digits = settings.value(NumberDigitsKey).toString();
    bool fixed = false;
    const int width = digits.toInt(&fixed);
    using Digits = filvane::NumberFormat::Digits;
    if (digits == QStringLiteral("auto"))
        format.digits = Digits::Auto;
    else if (fixed && width >= 1 && width <= filvane::NumberFormat::MaxWidth)
        format = {format.start, format.step, Digits::Fixed, width, format.separator};
    const auto separator = toBytes(settings.value(NumberSeparatorKey));
    if (separator && separator->size() <= 16 && separator->find('/') == std::string::npos &&
        separator->find('\0') == std::string::npos)
        format.separator = *separator;
}

void readLanguage(const QSettings &settings, Remembered &remembered) {
    const QVariant value = settings.value(LanguageKey);
    if (value.typeId() != QMetaType::QString)
        return;
    if (value.toString() == languageName(filvane::Language::Hungarian))
        remembered.language = filvane::Language::Hungarian;
}

void readOptions(const QSettings &settings, filvane::RenameOptions &options) {
    options.numbering = toBool(settings.value(NumberingKey)).value_or(options.numbering);
    options.numbersOnly = toBool(settings.value(NumbersOnlyKey)).value_or(options.numbersOnly);
    options.keepExtension =
        toBool(settings.value(KeepExtensionKey)).value_or(options.keepExtension);
    // The options dialog cannot leave numbers only on with numbering off.
    if (options.numbersOnly)
        options.numbering = true;
    const auto extension = toBytes(settings.value(ExtensionKey));
    if (extension && isExtension(*extension))
        options.chosenExtension = *extension;
    readNumberFormat(settings, options.numbers);
}

std::vector<LastFolder> readLastFolders(QSettings &settings) {
    std::vector<LastFolder> folders;
    // The size is the file's word: a huge one must not have every index looked up.
    const int size =
        std::min(settings.beginReadArray(LastFoldersKey), int(AppSettings::MostLastFolderEntries));
    for (int i = 0; i < size && folders.size() < AppSettings::MaxVolumes; ++i) {
        settings.setArrayIndex(i);
        const auto volume = toBytes(settings.value(VolumeKey));
        const auto folder = toBytes(settings.value(FolderKey));
        if (!volume || !folder || !isAbsolutePath(*volume) || !isAbsolutePath(*folder))
            continue;
        const bool known = std::any_of(folders.begin(), folders.end(),
                                       [&](const LastFolder &f) { return f.volume == *volume; });
        if (!known)
            folders.push_back({*volume, *folder});
    }
    settings.endArray();
    return folders;
}

void writeLastFolders(QSettings &settings, const std::vector<LastFolder> &folders) {
    settings.remove(LastFoldersKey);
    settings.beginWriteArray(LastFoldersKey, int(folders.size()));
    for (std::size_t i = 0; i < folders.size(); ++i) {
        settings.setArrayIndex(int(i));
        settings.setValue(VolumeKey, fromBytes(folders[i].volume));
        settings.setValue(FolderKey, fromBytes(folders[i].folder));
    }
    settings.endArray();
}

void writeOptions(QSettings &settings, const filvane::RenameOptions &options) {
    settings.setValue(NumberingKey, options.numbering || options.numbersOnly);
    settings.setValue(NumbersOnlyKey, options.numbersOnly);
    settings.setValue(KeepExtensionKey, options.keepExtension);
    settings.setValue(ExtensionKey, fromBytes(options.chosenExtension));
    settings.setValue(NumberStartKey, QString::number(options.numbers.start));
    settings.setValue(NumberStepKey, QString::number(options.numbers.step));
    settings.setValue(NumberDigitsKey, digitsName(options.numbers));
    settings.setValue(NumberSeparatorKey, fromBytes(options.numbers.separator));
}

} // namespace

std::optional<std::string> Remembered::lastFolderOn(const std::string &volume) const {
    for (const LastFolder &entry : lastFolders)
        if (entry.volume == volume)
            return entry.folder;
    return std::nullopt;
}

QString AppSettings::defaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/filvane/filvane.conf");
}

AppSettings::AppSettings(QString path) : m_path(std::move(path)) {}

namespace {

// An existing path that is not a readable file: a folder, or a file the user may not read.
bool unreadable(const QString &path) {
    const QFileInfo info(path);
    return info.exists() && (!info.isFile() || !info.isReadable());
}

// A file we did not write: binary bytes, text that is not UTF-8, or far too large. QSettings
// would read what it can from it, and its own status is kept per file across instances, so it
// does not tell this reliably.
bool corrupt(const QString &path) {
    constexpr qint64 MaxBytes = 1 << 20;
    QFile file(path);
    if (!file.exists())
        return false;
    if (file.size() > MaxBytes || !file.open(QIODevice::ReadOnly))
        return true;
    const QByteArray content = file.readAll();
    if (content.contains('\0'))
        return true;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8(content);
    return utf8.hasError();
}

// Opens the file, lets `change` set values, and writes it through. QSettings writes a new file
// and renames it over the old one, so a failed write leaves the old file whole. A corrupt file
// would be rewritten from its readable remains, which read as defaults, so it is started afresh.
bool writeThrough(const QString &path, const std::function<void(QSettings &)> &change) {
    if (unreadable(path) || (corrupt(path) && !QFile::remove(path)))
        return false;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSettings settings(path, QSettings::IniFormat);
    change(settings);
    settings.sync();
    // A format error here is about what was read before writing, not about the write.
    return settings.status() != QSettings::AccessError;
}

} // namespace

Remembered AppSettings::load() const {
    Remembered remembered;
    if (unreadable(m_path) || corrupt(m_path))
        return remembered;
    QSettings settings(m_path, QSettings::IniFormat);
    if (settings.status() == QSettings::AccessError)
        return remembered;

    readLanguage(settings, remembered);
    readOptions(settings, remembered.options);
    const QVariant order = settings.value(SortOrderKey);
    if (order.typeId() == QMetaType::QString)
        for (SortOrder known :
             {SortOrder::Natural, SortOrder::Track, SortOrder::Taken, SortOrder::Modified})
            if (order.toString() == sortOrderName(known))
                remembered.sortOrder = known;
    remembered.lastFolders = readLastFolders(settings);
    const auto mask = toBytes(settings.value(MaskKey));
    if (mask && isMask(*mask))
        remembered.mask = *mask;
    for (std::size_t i = 0; i < WindowKeys.size(); ++i) {
        const QVariant value = settings.value(WindowKeys[i]);
        if (value.typeId() == QMetaType::QPoint && isPosition(value.toPoint()))
            remembered.positions[i] = value.toPoint();
    }
    {
        const QVariant value = settings.value(PlanSizeKey);
        if (value.typeId() == QMetaType::QSize && isPlanSize(value.toSize()))
            remembered.planSize = value.toSize();
    }
    return remembered;
}

bool AppSettings::saveLanguage(filvane::Language language) {
    return writeThrough(m_path, [&](QSettings &settings) {
        settings.setValue(LanguageKey, languageName(language));
    });
}

bool AppSettings::saveOptions(const filvane::RenameOptions &options) {
    if (!isExtension(options.chosenExtension))
        return false;
    return writeThrough(m_path, [&](QSettings &settings) { writeOptions(settings, options); });
}

bool AppSettings::saveSortOrder(SortOrder order) {
    return writeThrough(m_path, [&](QSettings &settings) {
        settings.setValue(SortOrderKey, sortOrderName(order));
    });
}

bool AppSettings::saveLastFolder(const std::string &volume, const std::string &folder) {
    if (!isAbsolutePath(volume) || !isAbsolutePath(folder))
        return false;
    std::vector<LastFolder> folders = load().lastFolders;
    std::erase_if(folders, [&](const LastFolder &entry) { return entry.volume == volume; });
    folders.insert(folders.begin(), {volume, folder});
    if (folders.size() > MaxVolumes)
        folders.resize(MaxVolumes);
    return writeThrough(m_path, [&](QSettings &settings) { writeLastFolders(settings, folders); });
}

bool AppSettings::saveMask(const std::string &mask) {
    if (!isMask(mask))
        return false;
    return writeThrough(m_path,
                        [&](QSettings &settings) { settings.setValue(MaskKey, fromBytes(mask)); });
}

bool AppSettings::saveWindowPosition(RememberedWindow window, QPoint topLeft) {
    if (!isPosition(topLeft))
        return false;
    return writeThrough(m_path, [&](QSettings &settings) {
        settings.setValue(WindowKeys[std::size_t(window)], topLeft);
    });
}

bool AppSettings::savePlanSize(QSize size) {
    if (!isPlanSize(size))
        return false;
    return writeThrough(m_path, [&](QSettings &settings) { settings.setValue(PlanSizeKey, size); });
}

bool AppSettings::save(const Remembered &remembered) {
    if (!isExtension(remembered.options.chosenExtension) ||
        (remembered.mask && !isMask(*remembered.mask)))
        return false;
    std::vector<LastFolder> folders;
    for (const LastFolder &entry : remembered.lastFolders)
        if (isAbsolutePath(entry.volume) && isAbsolutePath(entry.folder) &&
            folders.size() < MaxVolumes)
            folders.push_back(entry);
    return writeThrough(m_path, [&](QSettings &settings) {
        settings.setValue(LanguageKey, languageName(remembered.language));
        writeOptions(settings, remembered.options);
        settings.setValue(SortOrderKey, sortOrderName(remembered.sortOrder));
        writeLastFolders(settings, folders);
        if (remembered.mask)
            settings.setValue(MaskKey, fromBytes(*remembered.mask));
        else
            settings.remove(MaskKey);
        for (std::size_t i = 0; i < WindowKeys.size(); ++i) {
            const auto &position = remembered.positions[i];
            if (position && isPosition(*position))
                settings.setValue(WindowKeys[i], *position);
            else
                settings.remove(WindowKeys[i]);
        }
        if (remembered.planSize && isPlanSize(*remembered.planSize))
            settings.setValue(PlanSizeKey, *remembered.planSize);
        else
            settings.remove(PlanSizeKey);
    });
}

std::optional<QPoint> placeOnScreens(QPoint topLeft, QSize frameSize,
                                     const QList<QRect> &availableAreas) {
    // Enough to see the window and take it by its title bar: a strip along its top edge.
    const QRect frame(topLeft, frameSize);
    const QRect titleStrip(topLeft, QSize(frameSize.width(), std::min(frameSize.height(), 24)));
    const int needed = std::min(frameSize.width(), 64);
    for (const QRect &area : availableAreas) {
        const QRect onScreen = titleStrip.intersected(area);
        if (!onScreen.isEmpty() && onScreen.width() >= needed && frame.top() >= area.top())
            return topLeft;
    }
    return std::nullopt;
}
