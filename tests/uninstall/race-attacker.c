/* race-attacker TREE AWAY OUTSIDE READY
 * The other account on the PC, for the race test: it watches the folders of each tree in TREE, and
 * the moment the removal opens a file named "victim.txt" in one, it moves that file into AWAY
 * and puts a link to OUTSIDE/<tree>/victim.txt in its place; when it opens one named "ro.txt",
 * it does the same to the file's folder, with a link to OUTSIDE/<tree>/dir (once for each folder). It creates READY once it watches,
 * and on SIGTERM (or after 30 s) prints how many swaps it made. Built with the host's cc:
 * Wine cannot make links. */
#define _GNU_SOURCE
#include <dirent.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/inotify.h>
#include <time.h>
#include <unistd.h>

#define MAX_FOLDERS 256

static volatile sig_atomic_t stop;
static char folders[MAX_FOLDERS][PATH_MAX], file_targets[MAX_FOLDERS][PATH_MAX], dir_targets[MAX_FOLDERS][PATH_MAX];
static int watches[MAX_FOLDERS], swapped[MAX_FOLDERS];
static int count, swaps;

static void on_term(int sig)
{
    (void)sig;
    stop = 1;
}

static void swap(const char *path, const char *away, const char *target)
{
    char moved[PATH_MAX];
    snprintf(moved, sizeof moved, "%s/%d", away, swaps);
    if (rename(path, moved) == 0 && symlink(target, path) == 0)
        ++swaps;
}

int main(int argc, char **argv)
{
    if (argc != 5) {
        fprintf(stderr, "usage: race-attacker TREE AWAY OUTSIDE READY\n");
        return 2;
    }
    const char *tree = argv[1], *away = argv[2], *outside = argv[3];
    signal(SIGTERM, on_term);
    int fd = inotify_init1(IN_NONBLOCK);
    if (fd < 0)
        return 1;
    /* The folders two levels down: TREE holds the trees, each tree the folders. */
    DIR *top = opendir(tree);
    struct dirent *t, *e;
    while (top && (t = readdir(top))) {
        char sub[PATH_MAX];
        snprintf(sub, sizeof sub, "%s/%s", tree, t->d_name);
        DIR *dir = t->d_name[0] == '.' ? NULL : opendir(sub);
        while (dir && (e = readdir(dir)) && count < MAX_FOLDERS) {
            if (e->d_type != DT_DIR || e->d_name[0] == '.')
                continue;
            snprintf(folders[count], PATH_MAX, "%s/%s", sub, e->d_name);
            snprintf(file_targets[count], PATH_MAX, "%s/%s/victim.txt", outside, t->d_name);
            snprintf(dir_targets[count], PATH_MAX, "%s/%s/dir", outside, t->d_name);
            watches[count] = inotify_add_watch(fd, folders[count], IN_OPEN);
            ++count;
        }
        if (dir)
            closedir(dir);
    }
    if (top)
        closedir(top);
    FILE *ready = fopen(argv[4], "w");
    if (ready)
        fclose(ready);

    time_t end = time(NULL) + 30;
    char buffer[16384] __attribute__((aligned(__alignof__(struct inotify_event))));
    struct pollfd p = { fd, POLLIN, 0 };
    while (!stop && time(NULL) < end) {
        if (poll(&p, 1, 100) <= 0)
            continue;
        ssize_t n = read(fd, buffer, sizeof buffer);
        for (char *at = buffer; n > 0 && at < buffer + n;) {
            const struct inotify_event *ev = (const struct inotify_event *)at;
            at += sizeof *ev + ev->len;
            if (ev->len == 0)
                continue;
            for (int i = 0; i < count; ++i) {
                if (watches[i] != ev->wd)
                    continue;
                char path[PATH_MAX];
                snprintf(path, sizeof path, "%s/%s", folders[i], ev->name);
                if (!(ev->mask & IN_ISDIR) && strcmp(ev->name, "ro.txt") == 0 && !swapped[i]) {
                    swapped[i] = 1;
                    swap(folders[i], away, dir_targets[i]);
                } else if (!(ev->mask & IN_ISDIR) && strcmp(ev->name, "victim.txt") == 0 && !swapped[i]) {
                    swapped[i] = 1;
                    swap(path, away, file_targets[i]);
                }
            }
        }
    }
    printf("%d\n", swaps);
    return 0;
}
