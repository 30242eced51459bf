// zest-hold-register PATH: opens a register file through the embedded engine, writes
// "held" on standard output and keeps it open until its standard input ends, as another
// program with the register open does.
#include <cstdio>

#include "database/database.h"

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fputs("usage: zest-hold-register PATH\n", stderr);
        return 2;
    }
    try {
        zest::fb::Database db;
        db.DatabaseName = argv[1];
        db.SetParamsText("user_name=SYSDBA\npassword=x");
        db.Open();
        std::puts("held");
        std::fflush(stdout);
        while (std::getchar() != EOF) { }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zest-hold-register: %s\n", e.what());
        return 1;
    }
    zest::fb::ShutdownClient();
    return 0;
}
