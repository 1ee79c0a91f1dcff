// Stands in for the libusb tests where umockdev was not found at build time: they report
// themselves skipped, or fail where they are required.

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int, char **argv)
{
    std::fprintf(stderr,
                 "%s: built without umockdev (Debian packages umockdev and "
                 "libumockdev-dev), so the real libusb path is not tested.\n",
                 argv[0]);
    const char *required = std::getenv("KESTRIX_REQUIRE_UMOCKDEV");
    return required && *required && std::strcmp(required, "0") != 0 ? EXIT_FAILURE : 77;
}
