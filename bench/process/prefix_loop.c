/* The least a program can do for a numbered rename from a names file, the floor that
 * bench_filvane_rename.sh measures filvane-rename against: list the regular files of DIR that
 * match MASK (case-insensitive), sort them by bytes, read the new names one per line from
 * NAMES, and rename the file of row r to "NN - NAME.EXT" (NN at least two digits, the file's
 * own extension) with renameat2(RENAME_NOREPLACE), never replacing a file.
 *   prefix_loop DIR MASK NAMES */
#define _GNU_SOURCE
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static int byBytes(const void *a, const void *b) {
    return strcmp(*(char *const *)a, *(char *const *)b);
}

static void *grow(void *items, size_t *capacity, size_t size) {
    *capacity = *capacity ? *capacity * 2 : 1024;
    void *grown = realloc(items, *capacity * size);
    if (!grown) {
        perror("realloc");
        exit(2);
    }
    return grown;
}

static char **listFiles(int dir, const char *mask, size_t *count) {
    DIR *stream = fdopendir(dup(dir));
    if (!stream) {
        perror("fdopendir");
        exit(2);
    }
    char **names = NULL;
    size_t n = 0, capacity = 0;
    const struct dirent *entry;
    while ((entry = readdir(stream))) {
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN) {
            struct stat info;
            if (fstatat(dir, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            type = S_ISREG(info.st_mode) ? DT_REG : DT_UNKNOWN;
        }
        if (type != DT_REG || fnmatch(mask, entry->d_name, FNM_CASEFOLD | FNM_PERIOD) != 0)
            continue;
        if (n == capacity)
            names = grow(names, &capacity, sizeof *names);
        names[n++] = strdup(entry->d_name);
    }
    closedir(stream);
    qsort(names, n, sizeof *names, byBytes);
    *count = n;
    return names;
}

/* The lines of a file, without their line ends; the text is kept and cut in place. */
static char **readLines(const char *path, size_t *count) {
    FILE *file = fopen(path, "rb");
    if (!file) {
        perror(path);
        exit(2);
    }
    struct stat info;
    if (fstat(fileno(file), &info) != 0) {
        perror(path);
        exit(2);
    }
    char *text = malloc((size_t)info.st_size + 1);
    if (!text) {
        perror("malloc");
        exit(2);
    }
    const size_t length = fread(text, 1, (size_t)info.st_size, file);
    fclose(file);
    text[length] = '\0';
    char **lines = NULL;
    size_t n = 0, lineCapacity = 0;
    for (char *line = text; line < text + length;) {
        char *end = memchr(line, '\n', (size_t)(text + length - line));
        if (!end)
            end = text + length;
        *end = '\0';
        if (end > line && end[-1] == '\r')
            end[-1] = '\0';
        if (n == lineCapacity)
            lines = grow(lines, &lineCapacity, sizeof *lines);
        lines[n++] = line;
        line = end + 1;
    }
    *count = n;
    return lines;
}

int main(int argc, char **argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: prefix_loop DIR MASK NAMES\n");
        return 2;
    }
    const int dir = open(argv[1], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) {
        perror(argv[1]);
        return 2;
    }
    size_t files, names;
    char **old = listFiles(dir, argv[2], &files);
    char **typed = readLines(argv[3], &names);
    size_t failed = 0;
    char target[4096];
    for (size_t i = 0; i < files && i < names; ++i) {
        const char *dot = strrchr(old[i], '.');
        snprintf(target, sizeof target, "%02zu - %s%s", i + 1, typed[i], dot ? dot : "");
        if (renameat2(dir, old[i], dir, target, RENAME_NOREPLACE) != 0) {
            ++failed;
            fprintf(stderr, "%s -> %s: %s\n", old[i], target, strerror(errno));
        }
    }
    return failed ? 1 : 0;
}
