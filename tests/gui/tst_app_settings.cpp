#include "GuiTestSupport.h"
#include "app/AppSettings.h"
#include "app/Startup.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

namespace {

Remembered everythingChanged() {
    Remembered remembered;
    remembered.language = filvane::Language::Hungarian;
    remembered.options = {.numbering = false, .keepExtension = false, .chosenExtension = ".a,b"};
    remembered.sortOrder = SortOrder::Natural;
    remembered.lastFolders = {{"/media/usb", "/media/usb/Zene/\xe9t\xe9"},
                              {"/", "/home/anna/Zene, régi"}};
    remembered.mask = "*.mp3, *.wav";
    remembered.positions[std::size_t(RememberedWindow::Main)] = QPoint(-1200, 40);
    remembered.positions[std::size_t(RememberedWindow::Options)] = QPoint(300, 200);
    return remembered;
}

void compare(const Remembered &got, const Remembered &expected) {
    QCOMPARE(got.language, expected.language);
    QVERIFY(got.options == expected.options);
    QCOMPARE(got.sortOrder, expected.sortOrder);
    QVERIFY(got.lastFolders == expected.lastFolders);
    QCOMPARE(got.mask, expected.mask);
    QVERIFY(got.positions == expected.positions);
}

} // namespace

class AppSettingsTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void roundTrip();
    void savesOneValueAtATime();
    void roundTripsEachOption_data();
    void roundTripsEachOption();
    void corruptFileReadsAsDefaults_data();
    void corruptFileReadsAsDefaults();
    void unusableLocation_data();
    void unusableLocation();
    void placeOnScreens_data();
    void placeOnScreens();
    void restoresAWindowOnTheScreen();

private:
    QString conf() const { return m_home->filePath(QStringLiteral("config/filvane/filvane.conf")); }
    std::unique_ptr<QTemporaryDir> m_home;
};

void AppSettingsTest::init() {
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    // Nothing here may reach the user's own settings.
    qputenv("HOME", QFile::encodeName(m_home->path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home->filePath(QStringLiteral("config"))));
}

void AppSettingsTest::roundTrip() {
    QCOMPARE(AppSettings::defaultPath(), conf());
    AppSettings settings;
    compare(settings.load(), Remembered{}); // no file yet
    const Remembered remembered = everythingChanged();
    QVERIFY(settings.save(remembered)); // creates the folder
    compare(AppSettings().load(), remembered);

    // Saving the defaults again forgets what has no default value.
    QVERIFY(settings.save(Remembered{}));
    compare(settings.load(), Remembered{});
}

void AppSettingsTest::savesOneValueAtATime() {
    AppSettings settings;
    QVERIFY(settings.saveLanguage(filvane::Language::Hungarian));
    QVERIFY(settings.saveOptions({.numbering = true,
                                  .keepExtension = false,
                                  .numbersOnly = true,
                                  .chosenExtension = ".ogg"}));
    QVERIFY(settings.saveSortOrder(SortOrder::Natural));
    QVERIFY(settings.saveMask("*.flac"));
    QVERIFY(settings.saveWindowPosition(RememberedWindow::Read, QPoint(10, 20)));
    // Each volume once, the latest first, and no more than the limit.
    for (std::size_t i = 0; i < AppSettings::MaxVolumes + 3; ++i)
        QVERIFY(settings.saveLastFolder("/mnt/" + std::to_string(i), "/mnt/x"));
    QVERIFY(settings.saveLastFolder("/mnt/10", "/mnt/10/new"));
    // Values a later load would refuse are refused now and change nothing.
    QVERIFY(!settings.saveLastFolder("/mnt/20", "relative/folder"));
    QVERIFY(!settings.saveMask(""));
    QVERIFY(!settings.saveOptions({.chosenExtension = "a/b"}));
    QVERIFY(!settings.saveWindowPosition(RememberedWindow::Main, QPoint(1 << 30, 0)));

    const Remembered got = settings.load();
    QCOMPARE(got.language, filvane::Language::Hungarian);
    QVERIFY(got.options == (filvane::RenameOptions{.numbering = true,
                                                   .keepExtension = false,
                                                   .numbersOnly = true,
                                                   .chosenExtension = ".ogg"}));
    QCOMPARE(got.sortOrder, SortOrder::Natural);
    QCOMPARE(got.mask, std::optional<std::string>("*.flac"));
    QCOMPARE(got.position(RememberedWindow::Read), std::optional<QPoint>(QPoint(10, 20)));
    QCOMPARE(got.position(RememberedWindow::Main), std::nullopt);
    QCOMPARE(got.lastFolders.size(), AppSettings::MaxVolumes);
    QCOMPARE(got.lastFolders.front().volume, std::string("/mnt/10"));
    QCOMPARE(got.lastFolderOn("/mnt/10"), std::optional<std::string>("/mnt/10/new"));
    QCOMPARE(got.lastFolderOn("/mnt/34"), std::optional<std::string>("/mnt/x"));
    QCOMPARE(got.lastFolderOn("/mnt/0"), std::nullopt); // the oldest went
}

void AppSettingsTest::roundTripsEachOption_data() {
    // One option off its default at a time, so that two values written to or read from each
    // other's key do not pass as a pair.
    QTest::addColumn<int>("which");
    const char *names[] = {"numbering", "numbers only",  "keep extension", "chosen extension",
                           "start",     "step",          "auto digits",    "fixed width",
                           "separator", "start and step"};
    for (int i = 0; i < int(std::size(names)); ++i)
        QTest::newRow(names[i]) << i;
}

void AppSettingsTest::roundTripsEachOption() {
    QFETCH(int, which);
    using Digits = filvane::NumberFormat::Digits;
    filvane::RenameOptions options;
    switch (which) {
    case 0:
        options.numbering = false;
        break;
    case 1:
        options.numbersOnly = true;
        break;
    case 2:
        options.keepExtension = false;
        break;
    case 3:
        options.chosenExtension = ".ogg";
        break;
    case 4:
        options.numbers.start = 7;
        break;
    case 5:
        options.numbers.step = 3;
        break;
    case 6:
        options.numbers.digits = Digits::Auto;
        break;
    case 7:
        options.numbers = {.digits = Digits::Fixed, .width = 5};
        break;
    case 8:
        options.numbers.separator = ". ";
        break;
    default:
        options.numbers = {.start = 4, .step = -2};
        break;
    }
    QVERIFY(!(options == filvane::RenameOptions{}));
    AppSettings settings;
    QVERIFY(settings.saveOptions(options));
    QVERIFY(AppSettings().load().options == options);
    // Saved with everything else, too.
    Remembered remembered;
    remembered.options = options;
    QVERIFY(settings.save(remembered));
    QVERIFY(AppSettings().load().options == options);
}

void AppSettingsTest::corruptFileReadsAsDefaults_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("numbering"); // what the one value that survives reads as
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage += char((i * 7919 + 13) % 256);
    QTest::newRow("garbage bytes") << garbage << true;
    QTest::newRow("no INI") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR[options", 24) << true;
    // Readable lines in a binary file are not taken either.
    QTest::newRow("binary with lines")
        << QByteArray("\x89PNG\0\n[General]\nlanguage=hu\nsortOrder=natural\n\xff\xfe\0\n", 50)
        << true;
    QTest::newRow("wrong types")
        << QByteArray("[General]\nlanguage=42\nsortOrder=@Point(1 2)\n"
                      "[options]\nnumbering=maybe\nnumbersOnly=2\nkeepExtension=@Rect(0 0 1 1)\n"
                      "extension=.a/b\n"
                      "[read]\nmask=\nlastFolders\\size=99999\nlastFolders\\1\\volume=music\n"
                      "lastFolders\\1\\folder=/m\nlastFolders\\2\\volume=/\n"
                      "lastFolders\\2\\folder=@ByteArray(\\0)\n"
                      "[windows]\nmain=@Point(9999999 0)\nread=10 20\noptions=@Size(1 2)\n")
        << true;
    // The least int has no absolute value: it is far off every screen, not a place to restore.
    QTest::newRow("least int as a position")
        << QByteArray("[windows]\nmain=@Point(-2147483648 0)\nread=@Point(0 -2147483648)\n")
        << true;
    // A list size no program wrote: read at once, not index by index.
    QTest::newRow("huge list size")
        << QByteArray("[read]\nlastFolders\\size=2000000000\nlastFolders\\1\\volume=music\n")
        << true;
    // Numbers only with numbering off is no state the options dialog can leave.
    QTest::newRow("numbers only without numbering")
        << QByteArray("[options]\nnumbering=false\nnumbersOnly=true\n") << true;
}

void AppSettingsTest::corruptFileReadsAsDefaults() {
    QFETCH(QByteArray, content);
    QFETCH(bool, numbering);
    QVERIFY(QDir().mkpath(QFileInfo(conf()).absolutePath()));
    QVERIFY(testsupport::writeFile(conf(), content));
    AppSettings settings;
    Remembered expected;
    expected.options.numbersOnly = content.contains("numbersOnly=true");
    expected.options.numbering = numbering;
    QElapsedTimer clock;
    clock.start();
    compare(settings.load(), expected);
    QVERIFY2(clock.elapsed() < 2000, "a damaged file is read at once");

    // And the file is usable again: a save reads back, and what was refused stays refused.
    QVERIFY(settings.saveSortOrder(SortOrder::Natural));
    QCOMPARE(settings.load().sortOrder, SortOrder::Natural);
    QCOMPARE(settings.load().language, filvane::Language::English);
}

void AppSettingsTest::unusableLocation_data() {
    QTest::addColumn<QString>("occupied"); // a path made a file, or a folder, in the way
    QTest::addColumn<bool>("asFolder");
    QTest::newRow("configuration folder is a file") << "config/filvane" << false;
    QTest::newRow("settings file is a folder") << "config/filvane/filvane.conf" << true;
}

// Tests run as root, whom file modes do not stop: paths in the way stand for an unreadable
// or unwritable location.
void AppSettingsTest::unusableLocation() {
    QFETCH(QString, occupied);
    QFETCH(bool, asFolder);
    const QString path = m_home->filePath(occupied);
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    if (asFolder)
        QVERIFY(QDir().mkpath(path + QStringLiteral("/inside")));
    else
        QVERIFY(testsupport::writeFile(path, "not a folder"));

    AppSettings settings;
    compare(settings.load(), Remembered{});
    QVERIFY(!settings.saveLanguage(filvane::Language::Hungarian));
    QVERIFY(!settings.save(everythingChanged()));
    QVERIFY(!settings.saveLastFolder("/", "/tmp"));
    compare(settings.load(), Remembered{});
    // What was in the way is untouched.
    if (asFolder)
        QVERIFY(QFileInfo(path + QStringLiteral("/inside")).isDir());
    else
        QCOMPARE(testsupport::readFile(path), QByteArray("not a folder"));
}

void AppSettingsTest::placeOnScreens_data() {
    QTest::addColumn<QPoint>("topLeft");
    QTest::addColumn<bool>("kept");
    // Two screens side by side, the left one smaller; windows 400 x 300.
    QTest::newRow("inside the first") << QPoint(100, 100) << true;
    QTest::newRow("on the second") << QPoint(2500, 900) << true;
    QTest::newRow("hanging off the right, title still there") << QPoint(3700, 100) << true;
    QTest::newRow("only a sliver left") << QPoint(3830, 100) << false;
    QTest::newRow("title above the screen") << QPoint(100, -10) << false;
    QTest::newRow("below the smaller screen") << QPoint(100, 1000) << false;
    QTest::newRow("a screen that is gone") << QPoint(-1500, 100) << false;
}

void AppSettingsTest::placeOnScreens() {
    QFETCH(QPoint, topLeft);
    QFETCH(bool, kept);
    const QList<QRect> screens{QRect(0, 0, 1920, 1000), QRect(1920, 0, 1920, 1200)};
    const auto placed = ::placeOnScreens(topLeft, QSize(400, 300), screens);
    QCOMPARE(placed.has_value(), kept);
    if (kept)
        QCOMPARE(*placed, topLeft);
}

void AppSettingsTest::restoresAWindowOnTheScreen() {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QWidget window;
    window.resize(200, 100);
    window.move(screen.topLeft());
    const QPoint inside = screen.topLeft() + QPoint(30, 40);
    restorePosition(window, inside);
    QCOMPARE(window.pos(), inside);
    // Off every screen, or never remembered: it stays.
    restorePosition(window, screen.bottomRight() + QPoint(500, 500));
    QCOMPARE(window.pos(), inside);
    restorePosition(window, std::nullopt);
    QCOMPARE(window.pos(), inside);
}

QTEST_MAIN(AppSettingsTest)
#include "tst_app_settings.moc"
