#pragma once

// Runs one part of a benchmark in a process of its own, so its peak memory is that part's
// alone: the benchmark starts its own program again with arguments naming the part.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace bench {

struct ChildRun {
    bool ok = false;    // exited with status 0
    double peakMb = 0;  // the child's peak resident memory
    std::string output; // what it printed on its standard output
};

// Runs this program again with `arguments` and waits for it.
inline ChildRun runSelf(const std::vector<std::string> &arguments) {
    ChildRun run;
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        std::perror("pipe");
        return run;
    }
    std::vector<std::string> words{"/proc/self/exe"};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char *> argv;
    for (std::string &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    const pid_t child = fork();
    if (child < 0) {
        std::perror("fork");
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        return run;
    }
    if (child == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        dup2(pipeEnds[1], STDERR_FILENO);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(pipeEnds[1]);
    char buffer[4096];
    ssize_t got = 0;
    while ((got = read(pipeEnds[0], buffer, sizeof buffer)) > 0)
        run.output.append(buffer, static_cast<size_t>(got));
    close(pipeEnds[0]);

    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) == child) {
        run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        run.peakMb = static_cast<double>(usage.ru_maxrss) / 1024.0;
    }
    return run;
}

// The first number the child printed after `key` ("ms=12.5" gives 12.5 for "ms="), or -1.
inline double reportedValue(const std::string &output, const std::string &key) {
    const size_t at = output.find(key);
    return at == std::string::npos ? -1 : std::strtod(output.c_str() + at + key.size(), nullptr);
}

} // namespace bench
