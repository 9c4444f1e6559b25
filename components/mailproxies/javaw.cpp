// The Java runtime's windowless launcher as the suite starts it ("bin\javaw.exe" of the
// runtime folder): the machine's own java, with every argument that names a Windows path
// (a drive letter, a colon and a backslash) given as the prefix's POSIX path, since the
// machine's runtime reads POSIX paths only.
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/prefix.h"

int main(int argc, char** argv) {
    namespace p = tessaly::platform;
    std::vector<std::string> arguments{"java"};
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool windowsPath = argument.size() > 2 &&
                                 std::isalpha(static_cast<unsigned char>(argument[0])) &&
                                 argument[1] == ':' && argument[2] == '\\';
        const std::string posix = windowsPath ? p::ToPosixPath(p::Utf8ToAnsi(argument)) : "";
        arguments.push_back(posix.empty() ? argument : posix);
    }
    std::vector<char*> list;
    for (std::string& argument : arguments)
        list.push_back(argument.data());
    list.push_back(nullptr);
    execvp("java", list.data());
    std::perror("java");
    return 127;
}
