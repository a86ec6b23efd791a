// Evaluates a proxy auto-configuration script for one URL, in a process of
// its own so that a script that loops or takes too long can be ended:
// reads the script from standard input, takes the URL and host as
// arguments, prints FindProxyForURL's answer.
#include <pacparser.h>

#include <cstdio>
#include <iostream>
#include <iterator>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    std::string script((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
    pacparser_set_error_printer([](const char*, va_list) { return 0; });
    if (!pacparser_init())
        return 1;
    // The script learns no address of this machine.
    pacparser_setmyip("127.0.0.1");
    if (!pacparser_parse_pac_string(script.c_str()))
        return 1;
    const char* answer = pacparser_find_proxy(argv[1], argv[2]);
    if (!answer)
        return 1;
    std::printf("%s\n", answer);
    pacparser_cleanup();
    return 0;
}
