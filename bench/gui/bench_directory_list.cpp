// How long the read dialog takes to open a directory of 10,000 subdirectories and paint its
// list, beside a plain readdir and sort of the same directory measured in the same run.
//   QT_QPA_PLATFORM=offscreen bench_directory_list [SUBDIRECTORIES]
#include "../support/BenchHome.h"
#include "../support/BenchTimer.h"
#include "core/listing/DirectoryTree.h"
#include "core/texts/TextTable.h"
#include "dialogs/Read.h"

#include <QApplication>
#include <QDir>
#include <QListView>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <string>
#include <vector>

namespace {

// The least any listing can do: read the names of the subdirectories and sort them.
size_t plainReaddirSort(const std::string &directory) {
    std::vector<std::string> names;
    if (DIR *dir = opendir(directory.c_str())) {
        while (const dirent *entry = readdir(dir))
            if (entry->d_type == DT_DIR && entry->d_name[0] != '.')
                names.emplace_back(entry->d_name);
        closedir(dir);
    }
    std::sort(names.begin(), names.end(), [](const std::string &a, const std::string &b) {
        return strcasecmp(a.c_str(), b.c_str()) < 0;
    });
    return names.size();
}

} // namespace

int main(int argc, char *argv[]) {
    const BenchHome home;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    constexpr int Runs = 15;

    QTemporaryDir temp;
    QDir root(temp.path());
    if (!temp.isValid() || !root.mkpath(QStringLiteral("big")) ||
        !root.mkpath(QStringLiteral("small")))
        return 1;
    for (int i = 0; i < count; ++i) {
        // Mixed case and numbering, so the sort has real work to do.
        const QString name =
            QStringLiteral("%1 Folder %2").arg(i % 2 ? "album" : "Album").arg((i * 7919) % count);
        if (!root.mkdir(QStringLiteral("big/") + name))
            return 1;
    }
    const std::string big =
        QDir(root.filePath(QStringLiteral("big"))).canonicalPath().toStdString();
    const std::string small =
        QDir(root.filePath(QStringLiteral("small"))).canonicalPath().toStdString();

    size_t found = 0;
    const double baseline = bench::medianMs(Runs, [&] { found = plainReaddirSort(big); });
    const double core =
        bench::medianMs(Runs, [&] { found = filvane::listSubdirectories(big).names.size(); });

    TReadForm dialog;
    dialog.show();
    QApplication::processEvents();
    auto *list = dialog.findChild<QListView *>(QStringLiteral("DirBox"));
    const double shown = bench::medianMs(
        Runs,
        [&] {
            dialog.changeDirectory(small);
            QApplication::processEvents();
        },
        [&] {
            dialog.changeDirectory(big);
            list->viewport()->repaint(); // the rows on screen, painted now
        });
    const int rows = list->model()->rowCount();

    std::printf("subdirectories: %d (listed %zu, rows %d), median of %d runs\n", count, found, rows,
                Runs);
    std::printf("baseline  readdir + case-insensitive sort:        %8.2f ms\n", baseline);
    std::printf("core      listSubdirectories:                     %8.2f ms (%.2fx baseline)\n",
                core, core / baseline);
    std::printf("dialog    open directory and paint the list:      %8.2f ms (%.2fx baseline)\n",
                shown, shown / baseline);
    return 0;
}
