// Runs a command and writes its exit status and peak memory (maximum resident
// set size, in KB) into a file, for bench/compare.sh:
//
//   px_bench_peak RESULT COMMAND [ARG]...
//
// A process's peak counts the memory of the process that started it, since
// the kernel carries the high-water mark through fork and exec; a small
// starter like this one keeps that floor low, where a Python script's would
// not. Run it on "true" to see the floor.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: px_bench_peak RESULT COMMAND [ARG]...\n");
        return 2;
    }
    pid_t pid = fork();
    if (pid < 0) {
        std::perror("px_bench_peak: fork");
        return 2;
    }
    if (pid == 0) {
        execvp(argv[2], argv + 2);
        std::perror("px_bench_peak: exec");
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) {
        std::perror("px_bench_peak: wait4");
        return 2;
    }
    std::FILE* result = std::fopen(argv[1], "w");
    if (!result) {
        std::perror("px_bench_peak: result file");
        return 2;
    }
    int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::fprintf(result, "%d %ld\n", code, usage.ru_maxrss);
    std::fclose(result);
    return code;
}
