// A bare Qt program for the load benchmark: makes its application object and ends; given a
// library path it loads that library first, as a program linked to it would at start.
#include <dlfcn.h>

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc > 1 && !dlopen(argv[1], RTLD_LAZY | RTLD_GLOBAL)) {
        std::fprintf(stderr, "%s\n", dlerror());
        return 1;
    }
    QApplication app(argc, argv);
    return 0;
}
