// The slow link (tools/netlink) for the host tests that run as scripts: forwards a port
// of its own on 127.0.0.1 to TARGET_PORT with RTT_MS of round-trip time added, prints
// "port N" and runs until its standard input ends.
//   zest-slowlink TARGET_PORT RTT_MS
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>

#include "tcpforwarder.h"

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::cerr << "usage: zest-slowlink TARGET_PORT RTT_MS\n";
        return 2;
    }
    try {
        zest::net::TcpForwarder link(std::atoi(argv[1]), std::chrono::milliseconds(std::atoi(argv[2])));
        std::cout << "port " << link.port() << std::endl;
        std::string ignored;
        while (std::getline(std::cin, ignored)) { }
    } catch (const std::exception& e) {
        std::cerr << "zest-slowlink: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
