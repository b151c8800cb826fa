/* Baseline for bench/cli_timing.sh: writes BYTES bytes to FILE with plain write() calls of
   CHUNK bytes each (32: one score record per call; 65536: large blocks), then removes the
   file and prints the seconds taken. */
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: write_loop BYTES CHUNK FILE\n");
        return 2;
    }
    const long long total = atoll(argv[1]);
    const long long chunk = atoll(argv[2]);
    if (chunk < 1) return 2;
    char* block = malloc((size_t)chunk);
    if (block == NULL) return 1;
    memset(block, ' ', (size_t)chunk);
    struct timespec t0, t1;
    clock_gettime(CLOCK_MONOTONIC, &t0);
    int fd = open(argv[3], O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return 1;
    for (long long done = 0; done < total;) {
        const long long n = total - done < chunk ? total - done : chunk;
        if (write(fd, block, (size_t)n) != n) return 1;
        done += n;
    }
    close(fd);
    clock_gettime(CLOCK_MONOTONIC, &t1);
    unlink(argv[3]);
    free(block);
    printf("%.3f\n", (double)(t1.tv_sec - t0.tv_sec) + (double)(t1.tv_nsec - t0.tv_nsec) / 1e9);
    return 0;
}
