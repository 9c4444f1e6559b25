// The native POP proxy as the mail client sees it: a program named "Rindle.exe" that notes its
// arguments and working folder in "rindle.log" there, then runs in the background until it
// is ended (at most two minutes, so a forgotten proxy does not stay).
#include <unistd.h>

#include <climits>
#include <cstdio>

int main(int argc, char** argv) {
    char folder[PATH_MAX] = "";
    if (!getcwd(folder, sizeof folder)) folder[0] = '\0';
    if (FILE* log = std::fopen("rindle.log", "a")) {
        std::fprintf(log, "started in %s\n", folder);
        for (int i = 1; i < argc; ++i)
            std::fprintf(log, "argument %s\n", argv[i]);
        std::fclose(log);
    }
    for (int second = 0; second < 120; ++second)
        sleep(1);
    return 0;
}
