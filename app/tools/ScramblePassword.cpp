// scramble-password: reads a password from standard input (one line) and prints it scrambled as the
// configuration file stores it (MySQL / Password with SavePassword=1). Used by scripts/demo to write
// the configuration of the demo station.
#include "core/Kvcrypt.h"

#include <iostream>
#include <string>

int main() {
    std::string password;
    std::getline(std::cin, password);
    if (!password.empty() && password.back() == '\r') password.pop_back();
    std::cout << ScrambleText(password).str() << "\n";
    return 0;
}
